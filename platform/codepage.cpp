// Code pages: Windows-1252 (the ANSI code page), ISO-8859-1 and UTF-8, with
// the argument conventions of MultiByteToWideChar / WideCharToMultiByte.
#include <array>
#include <string>
#include <string_view>

#include "platform/utf8.h"
#include "platform/win32.h"

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value and back, as the original does; every other byte is its own code point.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

enum class Page { Cp1252, Latin1, Utf8 };

bool PageOf(UINT codePage, Page* page)
{
    switch (codePage) {
    case CP_ACP:
    case CP_1252: *page = Page::Cp1252; return true;
    case CP_28591: *page = Page::Latin1; return true;
    case CP_UTF8: *page = Page::Utf8; return true;
    default: return false;
    }
}

char16_t Cp1252ToWide(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b; }

// The byte for a code point, or -1 when Windows-1252 has none.
int WideToCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (size_t i = 0; i < kCp1252High.size(); ++i)
        if (kCp1252High[i] == c) return static_cast<int>(0x80 + i);
    return -1;
}


// Converts into `out`; false (with the last error set) on invalid input.
bool ToWide(Page page, DWORD flags, std::string_view src, std::u16string& out)
{
    out.reserve(src.size());
    if (page != Page::Utf8) {
        for (char ch : src) {
            const auto b = static_cast<unsigned char>(ch);
            out += page == Page::Cp1252 ? Cp1252ToWide(b) : static_cast<char16_t>(b);
        }
        return true;
    }
    for (size_t i = 0; i < src.size();) {
        size_t used;
        const long c = DecodeUtf8(src, i, &used);
        i += used;
        if (c < 0) {
            if (flags & MB_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return false;
            }
            out += u'\xFFFD';
        } else if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return true;
}

bool ToMultiByte(Page page, DWORD flags, std::u16string_view src, char defaultChar, std::string& out, bool* usedDefault)
{
    out.reserve(src.size());
    for (size_t i = 0; i < src.size(); ++i) {
        const char16_t c = src[i];
        if (page == Page::Utf8) {
            const bool high = c >= 0xD800 && c <= 0xDBFF;
            if (high && i + 1 < src.size() && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
                PutUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (src[i + 1] - 0xDC00));
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                // A lone surrogate: the replacement character, or failure on request.
                if (flags & WC_ERR_INVALID_CHARS) {
                    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                    return false;
                }
                PutUtf8(out, 0xFFFD);
            } else {
                PutUtf8(out, c);
            }
            continue;
        }
        const int b = page == Page::Cp1252 ? WideToCp1252(c) : (c <= 0xFF ? c : -1);
        if (b < 0) {
            out += defaultChar;
            *usedDefault = true;
        } else {
            out += static_cast<char>(b);
        }
    }
    return true;
}

size_t Strlen16(const char16_t* s)
{
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

// Copies a converted text into the caller's buffer by the shared rules: size
// 0 asks for the size; a short buffer is ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* dst, int dstLen)
{
    const auto n = static_cast<int>(text.size());
    if (dstLen == 0) return n;
    if (n > dstLen) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text.copy(dst, text.size());
    return n;
}

}  // namespace

UINT GetACP() { return CP_1252; }

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst, int dstLen)
{
    Page page;
    if (!PageOf(codePage, &page) || !src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst) ||
        static_cast<const void*>(src) == static_cast<const void*>(dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD allowed = page == Page::Utf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
    if (flags & ~allowed) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    // -1: the text and its terminating zero, which is converted and counted too.
    const std::string_view text(src, srcLen == -1 ? std::char_traits<char>::length(src) + 1 : size_t(srcLen));
    std::u16string out;
    if (!ToWide(page, flags, text, out)) return 0;
    return Deliver(out, dst, dstLen);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst, int dstLen,
                        const char* defaultChar, BOOL* usedDefault)
{
    Page page;
    if (!PageOf(codePage, &page) || !src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst) ||
        static_cast<const void*>(src) == static_cast<const void*>(dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (page == Page::Utf8) {
        // As the original: UTF-8 has no default character to use.
        if (defaultChar || usedDefault) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (flags & ~WC_ERR_INVALID_CHARS) {
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
        }
    } else if (flags & ~(WC_NO_BEST_FIT_CHARS | WC_COMPOSITECHECK | WC_DEFAULTCHAR)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::u16string_view text(src, srcLen == -1 ? Strlen16(src) + 1 : size_t(srcLen));
    std::string out;
    bool used = false;
    if (!ToMultiByte(page, flags, text, defaultChar ? *defaultChar : '?', out, &used)) return 0;
    const int n = Deliver(out, dst, dstLen);
    if (usedDefault && n > 0) *usedDefault = used ? TRUE : FALSE;
    return n;
}

std::u16string AnsiToWide(std::string_view ansi)
{
    std::u16string out;
    ToWide(Page::Cp1252, 0, ansi, out);
    return out;
}

std::string WideToAnsi(std::u16string_view wide)
{
    std::string out;
    bool used = false;
    ToMultiByte(Page::Cp1252, 0, wide, '?', out, &used);
    return out;
}
