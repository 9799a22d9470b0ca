// UTF-8 sequences, one at a time: the single reader and writer behind the
// UTF-8 code page and the BSTR text helpers.
#include "platform/utf8.h"

long DecodeUtf8(std::string_view text, size_t i, size_t* used)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    *used = 1;
    if (b < 0x80) return b;
    size_t need;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    long v;
    if (b >= 0xC2 && b <= 0xDF) { need = 2; v = b & 0x1F; }
    else if (b >= 0xE0 && b <= 0xEF) {
        need = 3;
        v = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;  // overlong
        if (b == 0xED) hi = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 4;
        v = b & 0x07;
        if (b == 0xF0) lo = 0x90;  // overlong
        if (b == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return -1;
    }
    for (size_t k = 1; k < need; ++k) {
        if (i + k >= text.size()) return -1;
        const unsigned char c = byte(i + k);
        const unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
        if (c < min || c > max) return -1;
        v = (v << 6) | (c & 0x3F);
        *used = k + 1;
    }
    return v;
}

void PutUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
