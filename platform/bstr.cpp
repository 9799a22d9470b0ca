// BSTR allocation and UTF-8/UTF-16 conversion.
#include "platform/bstr.h"

#include "platform/utf8.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

// Allocates room for `bytes` bytes of text plus a two-unit zero terminator
// (so that an odd byte length still ends in a whole zero unit).
BSTR AllocBytes(size_t bytes)
{
    if (bytes > std::numeric_limits<uint32_t>::max() - kPrefix - 4) return nullptr;
    auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + 4));
    if (!block) return nullptr;
    const uint32_t len = static_cast<uint32_t>(bytes);
    std::memcpy(block, &len, kPrefix);
    std::memset(block + kPrefix + bytes, 0, 4);
    return reinterpret_cast<BSTR>(block + kPrefix);
}

char* BlockOf(BSTR s) { return reinterpret_cast<char*>(s) - kPrefix; }

size_t Wcslen(const OLECHAR* s)
{
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}


}  // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (!psz) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(Wcslen(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT len)
{
    BSTR s = AllocBytes(static_cast<size_t>(len) * sizeof(OLECHAR));
    if (!s) return nullptr;
    if (pch)
        std::memcpy(s, pch, static_cast<size_t>(len) * sizeof(OLECHAR));
    else
        std::memset(s, 0, static_cast<size_t>(len) * sizeof(OLECHAR));
    return s;
}

BSTR SysAllocStringByteLen(const char* psz, UINT len)
{
    BSTR s = AllocBytes(len);
    if (!s) return nullptr;
    if (psz)
        std::memcpy(s, psz, len);
    else
        std::memset(s, 0, len);
    return s;
}

void SysFreeString(BSTR bstr)
{
    if (bstr) std::free(BlockOf(bstr));
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr) return 0;
    uint32_t len;
    std::memcpy(&len, BlockOf(bstr), kPrefix);
    return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

BOOL SysReAllocStringLen(BSTR* pbstr, const OLECHAR* pch, UINT len)
{
    if (!pbstr) return FALSE;
    // A fresh copy first: `pch` may point into the old string.
    BSTR fresh = SysAllocStringLen(pch, len);
    if (!fresh) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

BOOL SysReAllocString(BSTR* pbstr, const OLECHAR* psz)
{
    if (!psz) return SysReAllocStringLen(pbstr, nullptr, 0);
    return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(Wcslen(psz)));
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t used = 1;
        const long v = DecodeUtf8(text, i, &used);
        char32_t c = v < 0 ? 0xFFFD : static_cast<char32_t>(v);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += used;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        PutUtf8(out, c);
    }
    return out;
}
