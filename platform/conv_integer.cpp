// Conversions to VT_I2 and VT_I4, one function per source type.
//
// Integer sources are range-checked; real and date sources are rounded half
// to even first (oleconv::IntegerFromReal); a VARIANT_BOOL is copied as its
// raw 16-bit value (VARIANT_TRUE gives -1, any other value passes unchanged);
// text is parsed with NUMPRS_STD and fitted into the type.
#include "platform/oleconv.h"
#include "platform/oleconv_internal.h"

using oleconv::IntegerFromInteger;
using oleconv::IntegerFromReal;
using oleconv::NumberFromText;

// To VT_I2.
HRESULT VarI2FromI4(LONG in, SHORT* out) { return IntegerFromInteger(in, out); }
HRESULT VarI2FromR4(FLOAT in, SHORT* out) { return IntegerFromReal(in, out); }
HRESULT VarI2FromR8(DOUBLE in, SHORT* out) { return IntegerFromReal(in, out); }
HRESULT VarI2FromDate(DATE in, SHORT* out) { return IntegerFromReal(in, out); }
HRESULT VarI2FromBool(VARIANT_BOOL in, SHORT* out) { return IntegerFromInteger(in, out); }
HRESULT VarI2FromStr(LPCOLESTR in, LCID lcid, ULONG /*flags*/, SHORT* out)
{
    VARIANT v;
    HRESULT hr = NumberFromText(in, lcid, VTBIT_I2, &v);
    if (SUCCEEDED(hr)) *out = v.iVal;
    return hr;
}

// To VT_I4.
HRESULT VarI4FromI2(SHORT in, LONG* out) { return IntegerFromInteger(in, out); }
HRESULT VarI4FromR4(FLOAT in, LONG* out) { return IntegerFromReal(in, out); }
HRESULT VarI4FromR8(DOUBLE in, LONG* out) { return IntegerFromReal(in, out); }
HRESULT VarI4FromDate(DATE in, LONG* out) { return IntegerFromReal(in, out); }
HRESULT VarI4FromBool(VARIANT_BOOL in, LONG* out) { return IntegerFromInteger(in, out); }
HRESULT VarI4FromStr(LPCOLESTR in, LCID lcid, ULONG /*flags*/, LONG* out)
{
    VARIANT v;
    HRESULT hr = NumberFromText(in, lcid, VTBIT_I4, &v);
    if (SUCCEEDED(hr)) *out = v.lVal;
    return hr;
}
