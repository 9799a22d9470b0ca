// BSTR layout and ownership, UTF-8/UTF-16 conversion, GUID text forms.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/bstr.h"
#include "platform/guid.h"

TEST(Bstr, LayoutHasBytePrefixAndTerminator)
{
    BSTR s = SysAllocString(u"abc");
    ASSERT_NE(s, nullptr);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    EXPECT_EQ(s[3], u'\0');
    SysFreeString(s);
}

TEST(Bstr, EmbeddedZerosAndNullBehaveAsLengthSays)
{
    const char16_t text[] = {u'a', 0, u'b'};
    BStr s(std::u16string_view(text, 3));
    EXPECT_EQ(s.length(), 3u);
    EXPECT_EQ(s.view(), std::u16string_view(text, 3));
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    SysFreeString(nullptr);

    BSTR zeroed = SysAllocStringLen(nullptr, 4);
    EXPECT_EQ(SysStringLen(zeroed), 4u);
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(zeroed[i], 0);
    SysFreeString(zeroed);

    BSTR odd = SysAllocStringByteLen("xyz", 3);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    SysFreeString(odd);
}

TEST(Bstr, ReAllocFromItsOwnText)
{
    BSTR s = SysAllocString(u"hello world");
    ASSERT_TRUE(SysReAllocStringLen(&s, s + 6, 5));
    EXPECT_EQ(std::u16string_view(s, SysStringLen(s)), u"world");
    ASSERT_TRUE(SysReAllocString(&s, u""));
    EXPECT_EQ(SysStringLen(s), 0u);
    SysFreeString(s);
}

TEST(Bstr, OwnerCopiesDeeplyAndDetaches)
{
    BStr a = BStr::FromUtf8("Größe");
    BStr b = a;
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(a.view(), b.view());
    EXPECT_EQ(b.ToUtf8(), "Größe");
    BSTR raw = b.Detach();
    EXPECT_EQ(b.get(), nullptr);
    SysFreeString(raw);
}

TEST(Utf, RoundTripsAndReplacesIllFormedInput)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a é € 😀
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"a\u00e9\u20ac\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong form
    EXPECT_EQ(Utf8ToUtf16("\xF5\x80\x80"), u"\uFFFD\uFFFD\uFFFD");  // no lead byte above 0xF4
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Guid, ParsesAndPrintsTheBracedForm)
{
    GUID g;
    ASSERT_TRUE(GuidFromString("{c8b522cf-5cf3-11ce-ade5-00aa0044773d}", &g));
    EXPECT_EQ(g.Data1, 0xC8B522CFu);
    EXPECT_EQ(g.Data4[7], 0x3D);
    EXPECT_EQ(GuidToString(g), "{C8B522CF-5CF3-11CE-ADE5-00AA0044773D}");
    for (const char* bad : {"", "C8B522CF-5CF3-11CE-ADE5-00AA0044773D", "{C8B522CF-5CF3-11CE-ADE5-00AA0044773G}",
                            "{C8B522CF_5CF3-11CE-ADE5-00AA0044773D}"})
        EXPECT_FALSE(GuidFromString(bad, &g)) << bad;

    CLSID c;
    EXPECT_EQ(CLSIDFromString(u"{00000000-0000-0000-C000-000000000046}", &c), S_OK);
    OLECHAR buf[39];
    EXPECT_EQ(StringFromGUID2(c, buf, 39), 39);
    EXPECT_EQ(std::u16string_view(buf), u"{00000000-0000-0000-C000-000000000046}");
    EXPECT_EQ(StringFromGUID2(c, buf, 38), 0);
    EXPECT_EQ(CLSIDFromString(u"nonsense", &c), CO_E_CLASSSTRING);
}
