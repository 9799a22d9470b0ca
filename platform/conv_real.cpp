// Conversions to VT_R4 and VT_R8, one function per source type.
//
// Integers and VARIANT_BOOLs (raw value: VARIANT_TRUE is -1.0) convert
// exactly or to the nearest float; a DATE is its serial number unchanged; a
// double narrows to float only within the float range (DISP_E_OVERFLOW
// beyond); text is parsed with NUMPRS_STD and fitted, a huge negative
// exponent underflowing to 0 without error.
#include <cfloat>
#include <cmath>

#include "platform/oleconv.h"
#include "platform/oleconv_internal.h"

using oleconv::NumberFromText;

namespace {

HRESULT FloatFromDouble(double in, FLOAT* out)
{
    if (in < -FLT_MAX || in > FLT_MAX) return DISP_E_OVERFLOW;
    *out = static_cast<FLOAT>(in);
    return S_OK;
}

}  // namespace

// To VT_R4.
HRESULT VarR4FromI2(SHORT in, FLOAT* out) { *out = in; return S_OK; }
HRESULT VarR4FromI4(LONG in, FLOAT* out) { *out = static_cast<FLOAT>(in); return S_OK; }
HRESULT VarR4FromR8(DOUBLE in, FLOAT* out) { return FloatFromDouble(in, out); }
HRESULT VarR4FromDate(DATE in, FLOAT* out) { return FloatFromDouble(in, out); }
HRESULT VarR4FromBool(VARIANT_BOOL in, FLOAT* out) { *out = in; return S_OK; }
HRESULT VarR4FromStr(LPCOLESTR in, LCID lcid, ULONG /*flags*/, FLOAT* out)
{
    VARIANT v;
    HRESULT hr = NumberFromText(in, lcid, VTBIT_R4, &v);
    if (SUCCEEDED(hr)) *out = v.fltVal;
    return hr;
}

// To VT_R8.
HRESULT VarR8FromI2(SHORT in, DOUBLE* out) { *out = in; return S_OK; }
HRESULT VarR8FromI4(LONG in, DOUBLE* out) { *out = in; return S_OK; }
HRESULT VarR8FromR4(FLOAT in, DOUBLE* out) { *out = in; return S_OK; }
HRESULT VarR8FromDate(DATE in, DOUBLE* out) { *out = in; return S_OK; }
HRESULT VarR8FromBool(VARIANT_BOOL in, DOUBLE* out) { *out = in; return S_OK; }
HRESULT VarR8FromStr(LPCOLESTR in, LCID lcid, ULONG /*flags*/, DOUBLE* out)
{
    VARIANT v;
    HRESULT hr = NumberFromText(in, lcid, VTBIT_R8, &v);
    if (SUCCEEDED(hr)) *out = v.dblVal;
    return hr;
}
