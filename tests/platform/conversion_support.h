#pragma once
// Helpers of the conversion tests: one call of VariantChangeTypeEx with its
// result owned and described by the platform's debug stringifier.
#include <string>

#include "platform/bstr.h"
#include "platform/variant.h"

struct ConversionResult {
    HRESULT hr;
    Variant value;
    std::string text;  // VariantToString of the result, or the HRESULT in hex
};

inline ConversionResult ChangeTo(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt)
{
    ConversionResult r{S_OK, Variant(), {}};
    r.hr = VariantChangeTypeEx(&r.value, &src, lcid, flags, vt);
    r.text = SUCCEEDED(r.hr) ? VariantToString(r.value) : "hr " + std::to_string(static_cast<uint32_t>(r.hr));
    return r;
}

// Quoted UTF-8 form of a test text for failure messages.
inline std::string Describe(std::u16string_view text) { return "\"" + Utf16ToUtf8(text) + "\""; }
