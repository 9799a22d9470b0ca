// FormatMessage: escapes and inserts, buffers, message tables of modules with
// the language rules and fallbacks the plug-ins rely on, LoadString.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/bstr.h"
#include "platform/message.h"
#include "platform/win32.h"
#include "tests/platform/message_support.h"

using FI = FormatInsert;

namespace {

struct InsertCase {
    int line;
    const char16_t* text;
    std::vector<FormatInsert> inserts;
    std::string expected;  // UTF-8
};

TEST(FormatMessage, EscapesAndInsertsFromString)
{
    const char16_t* ten[] = {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"ten"};
    std::vector<FormatInsert> tenInserts;
    for (const char16_t* s : ten) tenInserts.push_back(FI::Str(s));

    const std::vector<InsertCase> cases = {
        {__LINE__, u"%1!s!", {FI::Str("abc")}, "abc"},
        {__LINE__, u"[%1]", {FI::Str(u"wide")}, "[wide]"},
        {__LINE__, u"%1!s! %1!s!", {FI::Str("twice")}, "twice twice"},
        {__LINE__, u"%2 %1", {FI::Str("a"), FI::Str("b")}, "b a"},
        {__LINE__, u"%10|%1", tenInserts, "ten|1"},
        // ANSI inserts are Windows-1252 text.
        {__LINE__, u"\u00e4 %1!s!", {FI::Str("\xE9\x80")}, "\u00e4 \u00e9\u20ac"},
        {__LINE__, u"%1!ld!", {FI::Long(-5)}, "-5"},
        {__LINE__, u"%1!d!/%2!i!", {FI::Long(42), FI::Long(-7)}, "42/-7"},
        {__LINE__, u"%1!u!", {FI::ULong(4000000000u)}, "4000000000"},
        // `l` is 32 bits: -1 as unsigned long is eight f's, not sixteen.
        {__LINE__, u"%1!lu! %1!lx!", {FI::Long(-1)}, "4294967295 ffffffff"},
        {__LINE__, u"%1!x! %1!X!", {FI::ULong(0xBEEF)}, "beef BEEF"},
        {__LINE__, u"0x%1!08x!", {FI::ULong(0x1F)}, "0x0000001f"},
        {__LINE__, u"%1!o!", {FI::ULong(8)}, "10"},
        {__LINE__, u"%1!#x!|%1!.5d!", {FI::ULong(31)}, "0x1f|00031"},
        {__LINE__, u"%1!100d!", {FI::Long(1)}, std::string(99, ' ') + "1"},
        {__LINE__, u"[%1!5d!][%1!-5d!][%1!+d!]", {FI::Long(42)}, "[   42][42   ][+42]"},
        {__LINE__, u"[%1!6s!][%1!-6s!][%1!.2s!]", {FI::Str("abc")}, "[   abc][abc   ][ab]"},
        {__LINE__, u"[%1!*d!]", {FI::Long(7), FI::Long(4)}, "[   7]"},
        {__LINE__, u"[%1!*d!]", {FI::Long(7), FI::Long(-3)}, "[7  ]"},
        {__LINE__, u"[%1!*.*s!]", {FI::Str("abcdef"), FI::Long(5), FI::Long(3)}, "[  abc]"},
        {__LINE__, u"%1!hd!", {FI::Long(70000)}, "4464"},
        {__LINE__, u"%1!c!%2!c!", {FI::ULong('O'), FI::ULong('K')}, "OK"},
        {__LINE__, u"a%nb", {}, "a\r\nb"},
        {__LINE__, u"a%rb%tc", {}, "a\rb\tc"},
        {__LINE__, u"100%% %. %! done", {}, "100% . ! done"},
        {__LINE__, u"kept%0dropped %1", {}, "kept"},
        {__LINE__, u"own break\r\n", {}, "own break\r\n"},
        {__LINE__, u"Failed to create '%1!s!'%0", {FI::Str("Tables")}, "Failed to create 'Tables'"},
        {__LINE__, u"", {}, ""},
    };
    for (const auto& c : cases) {
        const Formatted r = FormatString(c.text, c.inserts);
        EXPECT_EQ(r.error, 0u) << "line " << c.line;
        EXPECT_EQ(r.text, c.expected) << "line " << c.line;
        EXPECT_EQ(r.count, Utf8ToUtf16(c.expected).size()) << "line " << c.line;
    }
}

TEST(FormatMessage, BadInsertsFailWithInvalidParameter)
{
    const std::vector<InsertCase> cases = {
        {__LINE__, u"%2", {FI::Str("only one")}, ""},
        {__LINE__, u"%1", {}, ""},
        {__LINE__, u"%1!d!", {FI::Str("text")}, ""},
        {__LINE__, u"%1!s!", {FI::Long(1)}, ""},
        {__LINE__, u"%1!d", {FI::Long(1)}, ""},
        {__LINE__, u"%1!I64d!", {FI::Long(1)}, ""},
        {__LINE__, u"%1!lld!", {FI::Long(1)}, ""},
        {__LINE__, u"%1!f!", {FI::Long(1)}, ""},
        {__LINE__, u"%1!*d!", {FI::Long(1)}, ""},
        {__LINE__, u"%1!*d!", {FI::Long(1), FI::Long(INT32_MIN)}, ""},
        {__LINE__, u"%1!.*s!", {FI::Str("x"), FI::Long(2000000000)}, ""},
        {__LINE__, u"%1!5000d!", {FI::Long(1)}, ""},
    };
    for (const auto& c : cases) {
        const Formatted r = FormatString(c.text, c.inserts);
        EXPECT_EQ(r.count, 0u) << "line " << c.line;
        EXPECT_EQ(r.error, ERROR_INVALID_PARAMETER) << "line " << c.line;
    }
}

TEST(FormatMessage, IgnoreInsertsKeepsInsertsButReadsEscapes)
{
    const Formatted r = FormatString(u"x %1!s! y %2 %12!ld! 5%%%n%0tail", {}, FORMAT_MESSAGE_IGNORE_INSERTS);
    EXPECT_EQ(r.error, 0u);
    EXPECT_EQ(r.text, "x %1!s! y %2 %12!ld! 5%\r\n");
}

TEST(FormatMessage, MaxWidth)
{
    // The mask: the text's own line breaks become blanks, %n stays a break.
    Formatted r = FormatString(u"one\r\ntwo%nthree\r\n", {}, FORMAT_MESSAGE_MAX_WIDTH_MASK);
    EXPECT_EQ(r.text, "one two\r\nthree ");
    // A width: lines broken at blanks, a long word left whole.
    r = FormatString(u"aaaa bbbb cccc\r\ndddd extraordinarily x", {}, 10);
    EXPECT_EQ(r.text, "aaaa bbbb\r\ncccc dddd\r\nextraordinarily\r\nx");
}

TEST(FormatMessage, CallerBufferMustHoldTextAndTerminator)
{
    char16_t buffer[6];
    ASSERT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"hello", 0, 0, buffer, 6, nullptr, 0), 5u);
    EXPECT_EQ(std::u16string(buffer), u"hello");
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"hello!", 0, 0, buffer, 6, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"x", 0, 0, nullptr, 6, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // No source, or two kinds of source.
    EXPECT_EQ(FormatMessageW(0, u"x", 0, 0, buffer, 6, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_SYSTEM, u"x", 0, 0, buffer, 6, nullptr, 0),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FormatMessage, AllocateBufferGivesALocalFreeBlock)
{
    char16_t* text = nullptr;
    const FormatInsert inserts[] = {FI::Str("bvdwriter")};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, u"The %1!s! DSC.%0", 0,
                                   0, reinterpret_cast<char16_t*>(&text), 0, inserts, 1);
    ASSERT_EQ(n, 18u);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"The bvdwriter DSC.");
    EXPECT_EQ(LocalFree(text), nullptr);

    // A minimum size larger than the text, and the narrow form.
    char* narrow = nullptr;
    ASSERT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, "Gr\xF6\xDF" "e %1", 0, 0,
                             reinterpret_cast<char*>(&narrow), 64, inserts, 1),
              15u);
    EXPECT_EQ(std::string(narrow), "Gr\xF6\xDF" "e bvdwriter");
    LocalFree(narrow);

    // On failure the pointer is left null.
    text = reinterpret_cast<char16_t*>(&text);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, u"%1", 0, 0,
                             reinterpret_cast<char16_t*>(&text), 0, nullptr, 0),
              0u);
    EXPECT_EQ(text, nullptr);
}

TEST(FormatMessage, NarrowFormSpeaksTheAnsiCodePage)
{
    const FormatInsert inserts[] = {FI::Str("\xE9"), FI::Str(u"\u20ac\u0100")};
    char buffer[32];
    ASSERT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "%1!s!|%2!s!|\xFC", 0, 0, buffer, sizeof buffer, inserts, 2),
              6u);
    // U+0100 has no byte in Windows-1252.
    EXPECT_EQ(std::string(buffer), "\xE9|\x80?|\xFC");
}

// A plug-in shaped message table: English only, texts as the message
// compiler leaves them.
const MessageTableEntry kMessages[] = {
    {0xC0020001, 1033, u"Failed to create '%1!s!'%0"},
    {0xC0021503, 1033, u"Location property missing.  The Location property must be set for the %1!s! DSC.%0"},
    {0xC002150E, 1033, u"Unable to create %1!s!\r\n"},
};
const StringTableEntry kStrings[] = {
    {100, 1033, u"bvdreader"},
    {101, 1033, u"Gr\u00f6\u00dfe \u20ac"},
    {0xC0021004, 1033, u"Unknown data type requested"},
};

class ModuleTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ModuleResources both{kMessages, std::size(kMessages), kStrings, std::size(kStrings)};
        const ModuleResources stringsOnly{nullptr, 0, kStrings, std::size(kStrings)};
        RegisterModuleResources(plugin_, &both);
        RegisterModuleResources(bare_, &stringsOnly);
    }
    void TearDown() override
    {
        UnregisterModuleResources(plugin_);
        UnregisterModuleResources(bare_);
    }

    int pluginImage_ = 0;
    int bareImage_ = 0;
    HMODULE plugin_ = &pluginImage_;
    HMODULE bare_ = &bareImage_;
};

TEST_F(ModuleTables, LanguageRulesAndFallbacks)
{
    const std::vector<FormatInsert> name = {FI::Str("bvdreader")};
    const std::string location = "Location property missing.  The Location property must be set for the bvdreader DSC.";

    Formatted r = FormatModule(plugin_, 0xC0021503, 1033, name);
    EXPECT_EQ(r.text, location);

    // A language the table lacks, then language 0 finds the English text.
    r = FormatModule(plugin_, 0xC0021503, 1031, name);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(r.error, ERROR_RESOURCE_LANG_NOT_FOUND);
    r = FormatModule(plugin_, 0xC0021503, 0, name);
    EXPECT_EQ(r.text, location);
    // The default-language identifiers stand for US English.
    EXPECT_EQ(FormatModule(plugin_, 0xC0021503, MAKELANGID(0, 1), name).text, location);

    // A line break kept from the table.
    EXPECT_EQ(FormatModule(plugin_, 0xC002150E, 0, {FI::Str("/tmp/x.asc")}).text, "Unable to create /tmp/x.asc\r\n");

    r = FormatModule(plugin_, 0xC0029999, 0, {});
    EXPECT_EQ(r.error, ERROR_MR_MID_NOT_FOUND);
    r = FormatModule(plugin_, 0xC0029999, 1033, {});
    EXPECT_EQ(r.error, ERROR_MR_MID_NOT_FOUND);

    // No message table: the string table takes over, as the plug-ins do it.
    r = FormatModule(bare_, 0xC0021004, 0, {});
    EXPECT_EQ(r.error, ERROR_RESOURCE_TYPE_NOT_FOUND);
    const char16_t* text = nullptr;
    ASSERT_GT(LoadStringW(bare_, 0xC0021004, reinterpret_cast<char16_t*>(&text), 0), 0);
    EXPECT_EQ(FormatString(text, {}).text, "Unknown data type requested");

    // No resources at all, and a module withdrawn.
    int nothing = 0;
    EXPECT_EQ(FormatModule(&nothing, 1, 0, {}).error, ERROR_RESOURCE_DATA_NOT_FOUND);
    UnregisterModuleResources(plugin_);
    EXPECT_EQ(FormatModule(plugin_, 0xC0021503, 0, name).error, ERROR_RESOURCE_DATA_NOT_FOUND);
}

TEST_F(ModuleTables, ModuleThenSystem)
{
    const DWORD flags = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    char16_t buffer[128];
    ASSERT_GT(FormatMessageW(flags, plugin_, 0x80004005, 0, buffer, 128, nullptr, 0), 0u);
    EXPECT_EQ(std::u16string(buffer), u"Unspecified error\r\n");
    ASSERT_GT(FormatMessageW(flags, plugin_, 0xC0020001, 0, buffer, 128, nullptr, 0), 0u);
    EXPECT_EQ(std::u16string(buffer), u"Failed to create '%1!s!'");
}

TEST(ModuleLanguages, LanguageZeroPrefersNeutralThenUsThenAny)
{
    const MessageTableEntry neutralAndGerman[] = {{1, 1031, u"de"}, {1, 0, u"neutral"}, {2, 1031, u"nur de"}};
    const MessageTableEntry germanAndUs[] = {{1, 1031, u"de"}, {1, 1033, u"us"}};
    const MessageTableEntry germanOnly[] = {{1, 1031, u"de"}};
    int a = 0, b = 0, c = 0;
    const ModuleResources ra{neutralAndGerman, 3, nullptr, 0}, rb{germanAndUs, 2, nullptr, 0}, rc{germanOnly, 1, nullptr, 0};
    RegisterModuleResources(&a, &ra);
    RegisterModuleResources(&b, &rb);
    RegisterModuleResources(&c, &rc);
    EXPECT_EQ(FormatModule(&a, 1, 0, {}).text, "neutral");
    // The language's table is chosen first; the id is looked for in it only.
    EXPECT_EQ(FormatModule(&a, 2, 0, {}).error, ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatModule(&a, 2, 1031, {}).text, "nur de");
    EXPECT_EQ(FormatModule(&b, 1, 0, {}).text, "us");
    EXPECT_EQ(FormatModule(&b, 1, 1031, {}).text, "de");
    EXPECT_EQ(FormatModule(&c, 1, 0, {}).text, "de");
    EXPECT_EQ(FormatModule(&c, 1, 1033, {}).error, ERROR_RESOURCE_LANG_NOT_FOUND);
    UnregisterModuleResources(&a);
    UnregisterModuleResources(&b);
    UnregisterModuleResources(&c);
}

void ProgramAnchor() {}

TEST(ModuleLanguages, NullModuleIsTheProgram)
{
    const MessageTableEntry messages[] = {{7, 1033, u"from the program"}};
    const ModuleResources tables{messages, 1, nullptr, 0};
    RegisterModuleResources(ModuleFromAddress(reinterpret_cast<const void*>(&ProgramAnchor)), &tables);
    EXPECT_EQ(FormatModule(nullptr, 7, 0, {}).text, "from the program");
    UnregisterModuleResources(nullptr);
    EXPECT_EQ(FormatModule(nullptr, 7, 0, {}).error, ERROR_RESOURCE_DATA_NOT_FOUND);
}

TEST_F(ModuleTables, LoadString)
{
    char16_t wide[16];
    EXPECT_EQ(LoadStringW(plugin_, 100, wide, 16), 9);
    EXPECT_EQ(std::u16string(wide), u"bvdreader");
    // Cut to bufferMax - 1 characters and terminated.
    EXPECT_EQ(LoadStringW(plugin_, 100, wide, 4), 3);
    EXPECT_EQ(std::u16string(wide), u"bvd");
    // bufferMax 0: a pointer to the text itself.
    const char16_t* inPlace = nullptr;
    EXPECT_EQ(LoadStringW(plugin_, 101, reinterpret_cast<char16_t*>(&inPlace), 0), 7);
    EXPECT_EQ(std::u16string_view(inPlace, 7), u"Gr\u00f6\u00dfe \u20ac");

    char narrow[16];
    EXPECT_EQ(LoadStringA(plugin_, 101, narrow, 16), 7);
    EXPECT_EQ(std::string(narrow), "Gr\xF6\xDF" "e \x80");
    const char* narrowInPlace = nullptr;
    EXPECT_EQ(LoadStringA(plugin_, 101, reinterpret_cast<char*>(&narrowInPlace), 0), 7);
    EXPECT_EQ(std::string_view(narrowInPlace, 7), "Gr\xF6\xDF" "e \x80");
    const char* again = nullptr;
    LoadStringA(plugin_, 101, reinterpret_cast<char*>(&again), 0);
    EXPECT_EQ(again, narrowInPlace);

    wide[0] = u'x';
    SetLastError(0);
    EXPECT_EQ(LoadStringW(plugin_, 555, wide, 16), 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    const ModuleResources noStrings{kMessages, std::size(kMessages), nullptr, 0};
    int other = 0;
    RegisterModuleResources(&other, &noStrings);
    EXPECT_EQ(LoadStringW(&other, 100, wide, 16), 0);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    UnregisterModuleResources(&other);
}

TEST(ModuleRegistry, ConcurrentRegistrationAndLookup)
{
    const MessageTableEntry messages[] = {{1, 1033, u"shared"}};
    const ModuleResources tables{messages, 1, nullptr, 0};
    int sharedImage = 0;
    RegisterModuleResources(&sharedImage, &tables);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    std::vector<int> images(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                RegisterModuleResources(&images[t], &tables);
                if (FormatModule(&images[t], 1, 0, {}).text != "shared") ++failures[t];
                if (FormatModule(&sharedImage, 1, 0, {}).text != "shared") ++failures[t];
                UnregisterModuleResources(&images[t]);
                if (FormatModule(&images[t], 1, 0, {}).error != ERROR_RESOURCE_DATA_NOT_FOUND) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    UnregisterModuleResources(&sharedImage);
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
