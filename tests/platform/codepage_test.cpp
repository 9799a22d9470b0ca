// Code pages: Windows-1252 and ISO-8859-1 in full, UTF-8 with ill-formed
// input, and the argument conventions of the two conversion calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

std::string AllBytes()
{
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    return bytes;
}

std::u16string ToWide(UINT cp, std::string_view text, DWORD flags = 0)
{
    const int n = MultiByteToWideChar(cp, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(n, u'\0');
    if (n) {
        EXPECT_EQ(MultiByteToWideChar(cp, flags, text.data(), static_cast<int>(text.size()), out.data(), n), n);
    }
    return out;
}

std::string ToBytes(UINT cp, std::u16string_view text, BOOL* usedDefault = nullptr, const char* defaultChar = nullptr)
{
    const int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, defaultChar,
                                      usedDefault);
    std::string out(n, '\0');
    if (n) {
        EXPECT_EQ(WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, defaultChar,
                                      usedDefault),
                  n);
    }
    return out;
}

TEST(CodePage, Windows1252RoundTripsEveryByte)
{
    EXPECT_EQ(GetACP(), CP_1252);
    const std::string bytes = AllBytes();
    for (UINT cp : {CP_ACP, CP_1252}) {
        const std::u16string wide = ToWide(cp, bytes);
        ASSERT_EQ(wide.size(), 256u);
        EXPECT_EQ(wide[0x41], u'A');
        EXPECT_EQ(wide[0x80], u'\u20ac');
        EXPECT_EQ(wide[0x8A], u'\u0160');
        EXPECT_EQ(wide[0x9F], u'\u0178');
        EXPECT_EQ(wide[0xA0], u'\u00a0');
        EXPECT_EQ(wide[0xFF], u'\u00ff');
        // The undefined bytes map to the C1 controls of the same value.
        for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(wide[b], static_cast<char16_t>(b)) << b;
        BOOL used = TRUE;
        EXPECT_EQ(ToBytes(cp, wide, &used), bytes);
        EXPECT_FALSE(used);
    }
    EXPECT_EQ(AnsiToWide(bytes), ToWide(CP_ACP, bytes));
    EXPECT_EQ(WideToAnsi(AnsiToWide(bytes)), bytes);
}

TEST(CodePage, Latin1IsTheFirst256CodePoints)
{
    const std::u16string wide = ToWide(CP_28591, AllBytes());
    ASSERT_EQ(wide.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(wide[i], static_cast<char16_t>(i)) << i;
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_28591, wide, &used), AllBytes());
    EXPECT_FALSE(used);
    EXPECT_EQ(ToBytes(CP_28591, u"\u20ac\u00e9", &used), "?\xE9");
    EXPECT_TRUE(used);
}

TEST(CodePage, UnmappedCharactersBecomeTheDefault)
{
    struct Case {
        std::u16string wide;
        std::string ansi;
        bool used;
    };
    const std::vector<Case> cases = {
        {u"plain", "plain", false},
        {u"\u20ac\u0160\u0178", "\x80\x8A\x9F", false},
        {u"A\u0100Z", "A?Z", true},      // no best fit: U+0100 is not 'A'
        {u"\u0080\u009f", "??", true},   // C1 controls 1252 does not define as such
        {u"\u4e2d", "?", true},
    };
    for (const auto& c : cases) {
        BOOL used = -1;
        EXPECT_EQ(ToBytes(CP_ACP, c.wide, &used), c.ansi);
        EXPECT_EQ(used != 0, c.used) << c.ansi;
        EXPECT_EQ(WideToAnsi(c.wide), c.ansi);
    }
    EXPECT_EQ(ToBytes(CP_ACP, u"a\u0100", nullptr, "#"), "a#");
}

TEST(CodePage, Utf8RoundTripAndTerminator)
{
    const std::u16string wide = u"Gr\u00f6\u00dfe \u20ac \U0001F600 x";
    const std::string utf8 = "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80 x";
    EXPECT_EQ(ToBytes(CP_UTF8, wide), utf8);
    EXPECT_EQ(ToWide(CP_UTF8, utf8), wide);
    EXPECT_EQ(ToWide(CP_UTF8, utf8, MB_ERR_INVALID_CHARS), wide);

    // -1: the terminating zero is converted and counted.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0), static_cast<int>(wide.size()) + 1);
    char16_t buffer[32];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, buffer, 32), static_cast<int>(wide.size()) + 1);
    EXPECT_EQ(std::u16string(buffer), wide);
    char bytes[32];
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, bytes, 32, nullptr, nullptr),
              static_cast<int>(utf8.size()) + 1);
    EXPECT_EQ(std::string(bytes), utf8);
}

TEST(CodePage, IllFormedUtf8)
{
    struct Case {
        std::string bytes;
        std::u16string lenient;  // without MB_ERR_INVALID_CHARS
    };
    const std::vector<Case> cases = {
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},              // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF5\x80\x80", u"\uFFFD\uFFFD\uFFFD"},    // not a lead byte at all
        {"\xE2\x82" "x", u"\uFFFDx"},               // a cut sequence is one replacement
        {"\x80", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToWide(CP_UTF8, c.bytes), c.lenient) << c.bytes.size();
        SetLastError(0);
        char16_t out[8];
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(), static_cast<int>(c.bytes.size()),
                                      out, 8),
                  0);
        EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    }
    // A lone surrogate on the way out.
    EXPECT_EQ(ToBytes(CP_UTF8, u"a\xD800" "b"), "a\xEF\xBF\xBD" "b");
    char out[8];
    const char16_t lone[] = {u'a', 0xDC00};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 2, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePage, ArgumentConventions)
{
    char16_t wide[4];
    char narrow[4];
    BOOL used = FALSE;
    auto check = [](int line, int result, DWORD error) {
        EXPECT_EQ(result, 0) << "line " << line;
        EXPECT_EQ(GetLastError(), error) << "line " << line;
    };
    check(__LINE__, MultiByteToWideChar(CP_ACP, 0, "hello", 5, wide, 4), ERROR_INSUFFICIENT_BUFFER);
    check(__LINE__, MultiByteToWideChar(CP_ACP, 0, "hello", -1, wide, 5 - 1), ERROR_INSUFFICIENT_BUFFER);
    check(__LINE__, WideCharToMultiByte(CP_ACP, 0, u"hello", 5, narrow, 4, nullptr, nullptr), ERROR_INSUFFICIENT_BUFFER);
    check(__LINE__, MultiByteToWideChar(CP_ACP, 0, "x", 0, wide, 4), ERROR_INVALID_PARAMETER);
    check(__LINE__, MultiByteToWideChar(CP_ACP, 0, nullptr, 1, wide, 4), ERROR_INVALID_PARAMETER);
    check(__LINE__, MultiByteToWideChar(CP_ACP, 0, "x", 1, nullptr, 4), ERROR_INVALID_PARAMETER);
    check(__LINE__, MultiByteToWideChar(437, 0, "x", 1, wide, 4), ERROR_INVALID_PARAMETER);
    check(__LINE__, MultiByteToWideChar(CP_OEMCP, 0, "x", 1, wide, 4), ERROR_INVALID_PARAMETER);
    check(__LINE__, MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "x", 1, wide, 4), ERROR_INVALID_FLAGS);
    check(__LINE__, WideCharToMultiByte(CP_UTF8, 0, u"x", 1, narrow, 4, nullptr, &used), ERROR_INVALID_PARAMETER);
    check(__LINE__, WideCharToMultiByte(CP_UTF8, 0, u"x", 1, narrow, 4, "?", nullptr), ERROR_INVALID_PARAMETER);
    check(__LINE__, WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"x", 1, narrow, 4, nullptr, nullptr),
          ERROR_INVALID_FLAGS);
    // A counted text stops at its count; the zero is not added.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abcdef", 3, wide, 4), 3);
    EXPECT_EQ(std::u16string_view(wide, 3), u"abc");
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, u"\u00e9\u00e8", 2, narrow, 2, nullptr, &used), 2);
    EXPECT_EQ(std::string_view(narrow, 2), "\xE9\xE8");
}

}  // namespace
