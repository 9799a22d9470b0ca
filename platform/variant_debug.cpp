// Debug text of VARTYPEs and VARIANTs, for test messages and diagnostics.
//
//   VarTypeToString:  "VT_I4", "VT_ARRAY|VT_VARIANT", "VT_BSTR|VT_BYREF", "0x7F"
//   VariantToString:  "VT_EMPTY", "VT_I4:42", "VT_R8:0.1", "VT_BSTR:\"a\\u00E9\"",
//                     "VT_ERROR:0x80020004", "VT_ARRAY|VT_VARIANT:{VT_I4:1,VT_I4:2}",
//                     "VT_I4|VT_BYREF:42" (read through the reference)
// The array qualifiers (VT_VECTOR, VT_ARRAY) come before the element type and
// VT_BYREF after it, so that the text reads in order: "array of VARIANT",
// "BSTR by reference".
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/safearray.h"
#include "platform/variant.h"

namespace {

const char* BaseName(VARTYPE base)
{
    switch (base) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_NULL: return "VT_NULL";
    case VT_I2: return "VT_I2";
    case VT_I4: return "VT_I4";
    case VT_R4: return "VT_R4";
    case VT_R8: return "VT_R8";
    case VT_CY: return "VT_CY";
    case VT_DATE: return "VT_DATE";
    case VT_BSTR: return "VT_BSTR";
    case VT_DISPATCH: return "VT_DISPATCH";
    case VT_ERROR: return "VT_ERROR";
    case VT_BOOL: return "VT_BOOL";
    case VT_VARIANT: return "VT_VARIANT";
    case VT_UNKNOWN: return "VT_UNKNOWN";
    case VT_DECIMAL: return "VT_DECIMAL";
    case VT_I1: return "VT_I1";
    case VT_UI1: return "VT_UI1";
    case VT_UI2: return "VT_UI2";
    case VT_UI4: return "VT_UI4";
    case VT_I8: return "VT_I8";
    case VT_UI8: return "VT_UI8";
    case VT_INT: return "VT_INT";
    case VT_UINT: return "VT_UINT";
    case VT_VOID: return "VT_VOID";
    case VT_HRESULT: return "VT_HRESULT";
    case VT_PTR: return "VT_PTR";
    case VT_SAFEARRAY: return "VT_SAFEARRAY";
    case VT_CARRAY: return "VT_CARRAY";
    case VT_USERDEFINED: return "VT_USERDEFINED";
    case VT_LPSTR: return "VT_LPSTR";
    case VT_LPWSTR: return "VT_LPWSTR";
    case VT_RECORD: return "VT_RECORD";
    case VT_INT_PTR: return "VT_INT_PTR";
    case VT_UINT_PTR: return "VT_UINT_PTR";
    case VT_FILETIME: return "VT_FILETIME";
    case VT_BLOB: return "VT_BLOB";
    case VT_STREAM: return "VT_STREAM";
    case VT_STORAGE: return "VT_STORAGE";
    case VT_STREAMED_OBJECT: return "VT_STREAMED_OBJECT";
    case VT_STORED_OBJECT: return "VT_STORED_OBJECT";
    case VT_BLOB_OBJECT: return "VT_BLOB_OBJECT";
    case VT_CF: return "VT_CF";
    case VT_CLSID: return "VT_CLSID";
    default: return nullptr;
    }
}

std::string Hex(uint64_t n)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(n));
    return buf;
}

template <class T>
T Load(const void* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Shortest text that reads back as the same value.
template <class F>
std::string RealText(F f)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, f);
    return std::string(buf, r.ptr);
}

std::string QuotedText(const OLECHAR* s, size_t n)
{
    std::string out = "\"";
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out + "\"";
}

// A currency is a 64-bit count of ten-thousandths.
std::string CurrencyText(int64_t cy)
{
    const bool negative = cy < 0;
    const uint64_t mag = negative ? 0 - static_cast<uint64_t>(cy) : static_cast<uint64_t>(cy);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "", static_cast<unsigned long long>(mag / 10000),
                  static_cast<unsigned long long>(mag % 10000));
    return buf;
}

// A DECIMAL image: reserved word, scale byte, sign byte (0x80 negative), high
// 32 bits and low 64 bits of a 96-bit magnitude, which is divided by 10^scale.
std::string DecimalText(const void* image)
{
    const auto* bytes = static_cast<const unsigned char*>(image);
    const unsigned scale = bytes[2];
    const bool negative = bytes[3] & 0x80;
    const auto lo = Load<uint64_t>(bytes + 8);
    uint32_t words[3] = {Load<uint32_t>(bytes + 4), static_cast<uint32_t>(lo >> 32), static_cast<uint32_t>(lo)};
    std::string digits;
    do {
        uint64_t rem = 0;
        for (uint32_t& w : words) {
            const uint64_t cur = (rem << 32) | w;
            w = static_cast<uint32_t>(cur / 10);
            rem = cur % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + rem));
    } while (words[0] || words[1] || words[2]);
    if (scale > 0) {
        if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
        digits.insert(digits.size() - scale, ".");
    }
    return (negative ? "-" : "") + digits;
}

std::string PointerText(const void* p) { return p ? Hex(reinterpret_cast<uintptr_t>(p)) : "null"; }

std::string ArrayText(SAFEARRAY* psa, VARTYPE element);

// The value of type `vt` stored at `data` (for VT_DECIMAL, the whole
// 16-byte image; for VT_VARIANT, a VARIANT; otherwise the payload).
std::string ValueText(VARTYPE vt, const void* data)
{
    if (vt & VT_ARRAY) return ArrayText(Load<SAFEARRAY*>(data), vt & ~VT_ARRAY);
    switch (vt) {
    case VT_I1: return std::to_string(Load<int8_t>(data));
    case VT_UI1: return std::to_string(Load<uint8_t>(data));
    case VT_I2: return std::to_string(Load<int16_t>(data));
    case VT_UI2: return std::to_string(Load<uint16_t>(data));
    case VT_I4: case VT_INT: return std::to_string(Load<int32_t>(data));
    case VT_UI4: case VT_UINT: return std::to_string(Load<uint32_t>(data));
    case VT_I8: return std::to_string(Load<int64_t>(data));
    case VT_UI8: return std::to_string(Load<uint64_t>(data));
    case VT_R4: return RealText(Load<float>(data));
    case VT_R8: case VT_DATE: return RealText(Load<double>(data));
    case VT_CY: return CurrencyText(Load<int64_t>(data));
    case VT_DECIMAL: return DecimalText(data);
    case VT_ERROR: return Hex(Load<uint32_t>(data));
    case VT_BOOL: {
        const auto b = Load<VARIANT_BOOL>(data);
        // Only the two proper values get words, so that a stray 1 stays visible.
        return b == VARIANT_TRUE ? "true" : b == VARIANT_FALSE ? "false" : std::to_string(b);
    }
    case VT_BSTR: {
        const auto s = Load<BSTR>(data);
        return s ? QuotedText(s, SysStringLen(s)) : "null";
    }
    case VT_UNKNOWN: case VT_DISPATCH: return PointerText(Load<void*>(data));
    case VT_VARIANT: {
        // A reference may lead back to itself; nesting stops at a fixed depth.
        thread_local int depth = 0;
        if (depth >= 16) return "...";
        ++depth;
        std::string text = VariantToString(*static_cast<const VARIANT*>(data));
        --depth;
        return text;
    }
    default: return "?" + Hex(Load<uint64_t>(data));
    }
}

std::string ArrayText(SAFEARRAY* psa, VARTYPE element)
{
    if (!psa) return "null";
    constexpr uint64_t kShown = 64;
    std::string out;
    // Bounds are shown unless the array is the common one-dimensional, zero-based kind.
    uint64_t cells = 1;
    if (psa->cDims != 1 || psa->rgsabound[0].lLbound != 0) {
        out += '[';
        for (UINT d = 1; d <= psa->cDims; ++d) {
            LONG lo = 0, hi = 0;
            SafeArrayGetLBound(psa, d, &lo);
            SafeArrayGetUBound(psa, d, &hi);
            if (d > 1) out += ',';
            out += std::to_string(lo) + ".." + std::to_string(hi);
        }
        out += ']';
    }
    const SAFEARRAYBOUND* bounds = psa->rgsabound;
    for (UINT d = 0; d < psa->cDims; ++d) cells *= bounds[d].cElements;
    out += '{';
    const auto* data = static_cast<const char*>(psa->pvData);
    for (uint64_t i = 0; i < cells && i < kShown; ++i) {
        if (i) out += ',';
        const char* cell = data + i * psa->cbElements;
        if (element == VT_VARIANT || element == VT_DECIMAL) {
            out += ValueText(element, cell);
        } else {
            // Cells are at most 8 bytes; widened into a zeroed payload before reading.
            unsigned char payload[8] = {};
            std::memcpy(payload, cell, psa->cbElements < sizeof payload ? psa->cbElements : sizeof payload);
            out += ValueText(element, payload);
        }
    }
    if (cells > kShown) out += ",...";
    return out + '}';
}

}  // namespace

std::string VarTypeToString(VARTYPE vt)
{
    if (vt == VT_ILLEGAL) return "VT_ILLEGAL";
    const VARTYPE base = vt & VT_TYPEMASK;
    std::string out;
    if (vt & VT_VECTOR) out += "VT_VECTOR|";
    if (vt & VT_ARRAY) out += "VT_ARRAY|";
    const char* name = BaseName(base);
    out += name ? name : Hex(base);
    if (vt & VT_BYREF) out += "|VT_BYREF";
    if (vt & VT_RESERVED) out += "|VT_RESERVED";
    return out;
}

std::string VariantToString(const VARIANT& v)
{
    std::string out = VarTypeToString(v.vt);
    if (v.vt == VT_EMPTY || v.vt == VT_NULL) return out;
    // A VARIANT cannot hold a VARIANT by value; such a payload is shown raw.
    if ((v.vt & (VT_VECTOR | VT_RESERVED)) || v.vt == VT_VARIANT) return out + ":?" + Hex(v.ullVal);
    out += ':';
    if (v.vt & VT_BYREF) {
        if (!v.byref) return out + "null";
        return out + ValueText(v.vt & ~VT_BYREF, v.byref);
    }
    if (v.vt == VT_DECIMAL) return out + ValueText(VT_DECIMAL, &v);
    return out + ValueText(v.vt, &v.llVal);
}
