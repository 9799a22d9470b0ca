// The conversion table of VariantChangeTypeEx: one function per destination
// type, one line per source type, each line a VarXxxFromYyy pair.
//
// Rules that belong to the change of type rather than to a pair:
//   * VT_EMPTY becomes the zero of every scalar type ("" for VT_BSTR);
//   * VT_NULL converts only to VT_NULL, VT_ERROR only to VT_ERROR;
//   * any other value may become VT_EMPTY or VT_NULL;
//   * a VT_BOOL becomes text as its number ("-1"), unless VARIANT_ALPHABOOL
//     ("True"/"False", English in every locale) or VARIANT_LOCALBOOL (the
//     locale's words; it wins when both are given);
//   * integers of the same size change signedness by keeping their bits
//     (VT_I4 -1 is VT_UI4 4294967295), as the original does, although the
//     pair VarUI4FromI4 itself would overflow;
//   * nothing converts to VT_DISPATCH, VT_UNKNOWN, VT_ERROR, VT_VARIANT,
//     VT_RECORD, arrays or references, and VT_UNKNOWN / VT_DISPATCH values
//     convert to nothing but themselves, VT_EMPTY and VT_NULL (no value
//     property is fetched) (DISP_E_TYPEMISMATCH).
// VT_CY and VT_DECIMAL are not provided by this platform: conversions to or
// from them answer DISP_E_TYPEMISMATCH (a copy of the same type works).
#include <cstring>
#include <string>

#include "platform/bstr.h"
#include "platform/changetype_internal.h"
#include "platform/locale.h"
#include "platform/oleconv.h"
#include "platform/oleconv_internal.h"

namespace oleconv::changetype {

namespace {

// Flags of the VarXxxFromStr / VarBstrFromXxx pairs from those of the change.
ULONG PairFlags(USHORT flags) { return (flags & VARIANT_NOUSEROVERRIDE) ? LOCALE_NOUSEROVERRIDE : 0; }
ULONG BoolFlags(USHORT flags) { return PairFlags(flags) | ((flags & VARIANT_LOCALBOOL) ? VAR_LOCALBOOL : 0); }
LPCOLESTR Text(const VARIANT& s) { return s.bstrVal ? s.bstrVal : u""; }

// Any integer-typed value, with its size and the bits it holds.
struct Integer {
    bool valid;
    bool isSigned;
    size_t size;
    int64_t s;
    uint64_t u;
};

Integer Signed(int64_t v, size_t size) { return {true, true, size, v, static_cast<uint64_t>(v)}; }
Integer Unsigned(uint64_t v, size_t size) { return {true, false, size, static_cast<int64_t>(v), v}; }

Integer ReadInteger(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I1: return Signed(v.cVal, 1);
    case VT_UI1: return Unsigned(v.bVal, 1);
    case VT_I2: return Signed(v.iVal, 2);
    case VT_UI2: return Unsigned(v.uiVal, 2);
    case VT_I4: return Signed(v.lVal, 4);
    case VT_INT: return Signed(v.intVal, 4);
    case VT_UI4: return Unsigned(v.ulVal, 4);
    case VT_UINT: return Unsigned(v.uintVal, 4);
    case VT_I8: return Signed(v.llVal, 8);
    case VT_UI8: return Unsigned(v.ullVal, 8);
    default: return {false, false, 0, 0, 0};
    }
}

double AsDouble(const Integer& i) { return i.isSigned ? static_cast<double>(i.s) : static_cast<double>(i.u); }

// Integer to integer: the same size keeps the bits, other sizes check range.
template <class T>
HRESULT FromInteger(const Integer& in, T* out)
{
    if (!in.valid) return DISP_E_TYPEMISMATCH;
    if (sizeof(T) == in.size) {
        *out = static_cast<T>(in.u);
        return S_OK;
    }
    return in.isSigned ? oleconv::IntegerFromInteger(in.s, out) : oleconv::IntegerFromInteger(in.u, out);
}

template <class T>
HRESULT IntegerFromText(LPCOLESTR text, LCID lcid, ULONG vtBit, T* out)
{
    VARIANT v;
    const HRESULT hr = NumberFromText(text, lcid, vtBit, &v);
    if (SUCCEEDED(hr)) std::memcpy(out, &v.llVal, sizeof(T));
    return hr;
}

HRESULT Emit(std::u16string_view text, BSTR* out)
{
    BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!s) return E_OUTOFMEMORY;
    *out = s;
    return S_OK;
}

HRESULT TextFromInteger(const Integer& in, LCID lcid, BSTR* out)
{
    if (!in.valid) return DISP_E_TYPEMISMATCH;
    const std::string ascii = in.isSigned ? std::to_string(in.s) : std::to_string(in.u);
    std::u16string text(ascii.begin(), ascii.end());
    if (text[0] == u'-') text[0] = LocaleFor(lcid).negativeSign;
    return Emit(text, out);
}

HRESULT ToI2(const VARIANT& s, LCID lcid, USHORT flags, SHORT* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_I4: return VarI2FromI4(s.lVal, out);
    case VT_R4: return VarI2FromR4(s.fltVal, out);
    case VT_R8: return VarI2FromR8(s.dblVal, out);
    case VT_DATE: return VarI2FromDate(s.date, out);
    case VT_BOOL: return VarI2FromBool(s.boolVal, out);
    case VT_BSTR: return VarI2FromStr(Text(s), lcid, PairFlags(flags), out);
    default: return FromInteger(ReadInteger(s), out);
    }
}

HRESULT ToI4(const VARIANT& s, LCID lcid, USHORT flags, LONG* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_I2: return VarI4FromI2(s.iVal, out);
    case VT_R4: return VarI4FromR4(s.fltVal, out);
    case VT_R8: return VarI4FromR8(s.dblVal, out);
    case VT_DATE: return VarI4FromDate(s.date, out);
    case VT_BOOL: return VarI4FromBool(s.boolVal, out);
    case VT_BSTR: return VarI4FromStr(Text(s), lcid, PairFlags(flags), out);
    default: return FromInteger(ReadInteger(s), out);
    }
}

// The integer types outside the pairs above (VT_I1, VT_UI1, VT_UI2, VT_UI4,
// VT_INT, VT_UINT, VT_I8, VT_UI8): one rule for all of them. A VT_BOOL keeps
// its bits (VARIANT_TRUE is 255 as VT_UI1), as the original's pairs do.
template <class T>
HRESULT ToInteger(const VARIANT& s, LCID lcid, ULONG vtBit, T* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_R4: return oleconv::IntegerFromReal(s.fltVal, out);
    case VT_R8: return oleconv::IntegerFromReal(s.dblVal, out);
    case VT_DATE: return oleconv::IntegerFromReal(s.date, out);
    case VT_BOOL: *out = static_cast<T>(s.boolVal); return S_OK;
    case VT_BSTR: return IntegerFromText(Text(s), lcid, vtBit, out);
    default: return FromInteger(ReadInteger(s), out);
    }
}

HRESULT ToR4(const VARIANT& s, LCID lcid, USHORT flags, FLOAT* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_I2: return VarR4FromI2(s.iVal, out);
    case VT_I4: return VarR4FromI4(s.lVal, out);
    case VT_R8: return VarR4FromR8(s.dblVal, out);
    case VT_DATE: return VarR4FromDate(s.date, out);
    case VT_BOOL: return VarR4FromBool(s.boolVal, out);
    case VT_BSTR: return VarR4FromStr(Text(s), lcid, PairFlags(flags), out);
    default: {
        const Integer i = ReadInteger(s);
        if (!i.valid) return DISP_E_TYPEMISMATCH;
        *out = static_cast<FLOAT>(AsDouble(i));
        return S_OK;
    }
    }
}

HRESULT ToR8(const VARIANT& s, LCID lcid, USHORT flags, DOUBLE* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_I2: return VarR8FromI2(s.iVal, out);
    case VT_I4: return VarR8FromI4(s.lVal, out);
    case VT_R4: return VarR8FromR4(s.fltVal, out);
    case VT_DATE: return VarR8FromDate(s.date, out);
    case VT_BOOL: return VarR8FromBool(s.boolVal, out);
    case VT_BSTR: return VarR8FromStr(Text(s), lcid, PairFlags(flags), out);
    default: {
        const Integer i = ReadInteger(s);
        if (!i.valid) return DISP_E_TYPEMISMATCH;
        *out = AsDouble(i);
        return S_OK;
    }
    }
}

HRESULT ToDate(const VARIANT& s, LCID lcid, USHORT flags, DATE* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_I2: return VarDateFromI2(s.iVal, out);
    case VT_I4: return VarDateFromI4(s.lVal, out);
    case VT_R4: return VarDateFromR4(s.fltVal, out);
    case VT_R8: return VarDateFromR8(s.dblVal, out);
    case VT_BOOL: return VarDateFromBool(s.boolVal, out);
    case VT_BSTR: return VarDateFromStr(Text(s), lcid, PairFlags(flags), out);
    default: {
        const Integer i = ReadInteger(s);
        if (!i.valid) return DISP_E_TYPEMISMATCH;
        const double d = AsDouble(i);
        if (d < DATE_MIN || d > DATE_MAX) return DISP_E_OVERFLOW;
        *out = d;
        return S_OK;
    }
    }
}

HRESULT ToBool(const VARIANT& s, LCID lcid, USHORT flags, VARIANT_BOOL* out)
{
    switch (s.vt) {
    case VT_EMPTY: *out = VARIANT_FALSE; return S_OK;
    case VT_I2: return VarBoolFromI2(s.iVal, out);
    case VT_I4: return VarBoolFromI4(s.lVal, out);
    case VT_R4: return VarBoolFromR4(s.fltVal, out);
    case VT_R8: return VarBoolFromR8(s.dblVal, out);
    case VT_DATE: return VarBoolFromDate(s.date, out);
    case VT_BSTR: return VarBoolFromStr(Text(s), lcid, BoolFlags(flags), out);
    default: {
        const Integer i = ReadInteger(s);
        if (!i.valid) return DISP_E_TYPEMISMATCH;
        *out = i.u != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    }
}

HRESULT ToBstr(const VARIANT& s, LCID lcid, USHORT flags, BSTR* out)
{
    const ULONG pair = PairFlags(flags);
    switch (s.vt) {
    case VT_EMPTY: return Emit(u"", out);
    case VT_I2: return VarBstrFromI2(s.iVal, lcid, pair, out);
    case VT_I4: return VarBstrFromI4(s.lVal, lcid, pair, out);
    case VT_R4: return VarBstrFromR4(s.fltVal, lcid, pair, out);
    case VT_R8: return VarBstrFromR8(s.dblVal, lcid, pair, out);
    // With VARIANT_USE_NLS a midnight date keeps its time.
    case VT_DATE: return VarBstrFromDate(s.date, lcid, pair | ((flags & VARIANT_USE_NLS) ? LOCALE_USE_NLS : 0), out);
    case VT_BOOL:
        if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) return VarBstrFromBool(s.boolVal, lcid, BoolFlags(flags), out);
        return VarBstrFromI2(s.boolVal, lcid, pair, out);
    default: return TextFromInteger(ReadInteger(s), lcid, out);
    }
}

}  // namespace

HRESULT Convert(const VARIANT& s, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out)
{
    if (s.vt == VT_NULL) {
        if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
        out->vt = VT_NULL;
        return S_OK;
    }
    if (s.vt == VT_ERROR && vt != VT_ERROR) return DISP_E_TYPEMISMATCH;
    if (s.vt == vt) return VariantCopy(out, &s);
    if ((vt & (VT_ARRAY | VT_BYREF)) || (s.vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;

    VARIANT r;
    VariantInit(&r);
    HRESULT hr = S_OK;
    switch (vt) {
    case VT_EMPTY: break;
    case VT_NULL: break;
    case VT_I2: hr = ToI2(s, lcid, flags, &r.iVal); break;
    case VT_I4: hr = ToI4(s, lcid, flags, &r.lVal); break;
    case VT_R4: hr = ToR4(s, lcid, flags, &r.fltVal); break;
    case VT_R8: hr = ToR8(s, lcid, flags, &r.dblVal); break;
    case VT_DATE: hr = ToDate(s, lcid, flags, &r.date); break;
    case VT_BOOL: hr = ToBool(s, lcid, flags, &r.boolVal); break;
    case VT_BSTR: hr = ToBstr(s, lcid, flags, &r.bstrVal); break;
    case VT_I1: hr = ToInteger(s, lcid, VTBIT_I1, &r.cVal); break;
    case VT_UI1: hr = ToInteger(s, lcid, VTBIT_UI1, &r.bVal); break;
    case VT_UI2: hr = ToInteger(s, lcid, VTBIT_UI2, &r.uiVal); break;
    case VT_UI4: hr = ToInteger(s, lcid, VTBIT_UI4, &r.ulVal); break;
    case VT_INT: hr = ToInteger(s, lcid, VTBIT_I4, &r.intVal); break;
    case VT_UINT: hr = ToInteger(s, lcid, VTBIT_UI4, &r.uintVal); break;
    case VT_I8: hr = ToInteger(s, lcid, VTBIT_I8, &r.llVal); break;
    case VT_UI8: hr = ToInteger(s, lcid, VTBIT_UI8, &r.ullVal); break;
    default: return DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr)) return hr;
    r.vt = vt;
    *out = r;
    return S_OK;
}

}  // namespace oleconv::changetype
