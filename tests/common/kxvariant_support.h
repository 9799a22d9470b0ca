#pragma once
// Helpers of the value-model suites: building values and describing them in
// failure messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "common/KxError.h"
#include "common/KxVariant.h"
#include "platform/bstr.h"

namespace kxtest {

// Tests pin their locale: US English.
inline constexpr LCID kLcid = 1033;

inline std::string Utf8(const char16_t* s) { return Utf16ToUtf8(s ? std::u16string_view(s) : std::u16string_view()); }

// A categorical VARIANT with the given numbers (the caller clears it).
inline VARIANT SetVariant(std::initializer_list<LONG> numbers)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(numbers.size()));
    LONG i = 0;
    for (LONG n : numbers) {
        Variant cell = Variant::Long(n);
        SafeArrayPutElement(v.parray, &i, &cell);
        ++i;
    }
    return v;
}

inline CKXVariant Set(std::initializer_list<LONG> numbers)
{
    Variant v;
    VARIANT raw = SetVariant(numbers);
    static_cast<VARIANT&>(v) = raw;  // the owner takes the array
    return CKXVariant(v, kLcid, 0);
}

inline CKXVariant Value(const VARIANT& v) { return CKXVariant(v, kLcid, 0); }
inline CKXVariant Long(LONG n) { return Value(Variant::Long(n)); }
inline CKXVariant Double(double d) { return Value(Variant::Double(d)); }
inline CKXVariant Bool(bool b) { return Value(Variant::Bool(b)); }
inline CKXVariant Text(const char16_t* s) { return CKXVariant(s, kLcid, 0); }
inline CKXVariant Date(double d)
{
    Variant v;
    v.vt = VT_DATE;
    v.date = d;
    return Value(v);
}
inline CKXVariant Null() { return Value(Variant::Null()); }
inline CKXVariant Missing() { return Value(CKXVariant::MissingValue()); }

// A short description: "Long:42", "Text:abc", "Set:{1,2}", "Bool:true" ...
inline std::string Show(const CKXVariant& value)
{
    const VARIANT& v = value.Value();
    char number[64];
    switch (v.vt) {
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    case VT_ERROR: return v.scode == DISP_E_PARAMNOTFOUND ? "Missing" : "Error";
    case VT_I4: return "Long:" + std::to_string(v.lVal);
    case VT_R8: std::snprintf(number, sizeof number, "Double:%.17g", v.dblVal); return number;
    case VT_DATE: std::snprintf(number, sizeof number, "Date:%.17g", v.date); return number;
    case VT_BOOL: return v.boolVal == VARIANT_TRUE ? "Bool:true" : v.boolVal == 0 ? "Bool:false" : "Bool:other";
    case VT_BSTR: return "Text:" + Utf16ToUtf8(std::u16string_view(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal)));
    default: break;
    }
    if (v.vt == (VT_ARRAY | VT_VARIANT)) {
        std::string out = "Set:{";
        LONG upper = -1;
        SafeArrayGetUBound(v.parray, 1, &upper);
        for (LONG i = 0; i <= upper; ++i) {
            Variant cell;
            SafeArrayGetElement(v.parray, &i, &cell);
            if (i) out += ",";
            out += cell.vt == VT_I4 ? std::to_string(cell.lVal) : VariantToString(cell);
        }
        return out + "}";
    }
    return VariantToString(v);
}

// What a conversion raised: its HRESULT and message.
struct Raised {
    bool thrown = false;
    HRESULT hr = S_OK;
    std::string message;
};

template <class F>
Raised Catch(F&& f)
{
    Raised r;
    try {
        f();
    } catch (CKXError& e) {
        r.thrown = true;
        r.hr = e.GetHResult();
        r.message = Utf16ToUtf8(e.GetDescription());
    }
    return r;
}

}  // namespace kxtest
