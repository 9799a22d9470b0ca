// Date text: the locales' long and short dates, pictures, buffer rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace {

// Friday 11 December 2026, with a wrong day of week: it is computed anew.
constexpr SYSTEMTIME kDay{2026, 12, 3, 11, 14, 5, 0, 0};

std::string DateText(LCID lcid, DWORD flags, const SYSTEMTIME& st, const char16_t* picture = nullptr)
{
    char16_t buffer[128];
    const int n = GetDateFormatW(lcid, flags, &st, picture, buffer, 128);
    if (n == 0) return "<error " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(n, static_cast<int>(std::u16string(buffer).size()) + 1);
    return Utf16ToUtf8(buffer);
}

TEST(DateFormat, LongAndShortDatesOfTheLocales)
{
    struct Case {
        LCID lcid;
        DWORD flags;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {1033, DATE_LONGDATE, "Friday, December 11, 2026"},
        {LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, "Friday, December 11, 2026"},
        {LOCALE_USER_DEFAULT, DATE_LONGDATE, "Friday, December 11, 2026"},
        {0x0407, DATE_LONGDATE, "Freitag, 11. Dezember 2026"},
        {0x0809, DATE_LONGDATE, "11 December 2026"},
        {1033, DATE_SHORTDATE, "12/11/2026"},
        {1033, 0, "12/11/2026"},
        {0x0407, DATE_SHORTDATE, "11.12.2026"},
        {0x0809, DATE_SHORTDATE | LOCALE_NOUSEROVERRIDE, "11/12/2026"},
    };
    for (const auto& c : cases) EXPECT_EQ(DateText(c.lcid, c.flags, kDay), c.expected) << c.lcid << "/" << c.flags;

    const SYSTEMTIME march{2024, 3, 0, 5, 0, 0, 0, 0};
    EXPECT_EQ(DateText(0x0407, DATE_LONGDATE, march), "Dienstag, 5. M\u00e4rz 2024");
    EXPECT_EQ(DateText(1033, DATE_LONGDATE, SYSTEMTIME{2000, 2, 0, 29, 0, 0, 0, 0}), "Tuesday, February 29, 2000");
    EXPECT_EQ(DateText(1033, DATE_LONGDATE, SYSTEMTIME{1900, 1, 0, 1, 0, 0, 0, 0}), "Monday, January 1, 1900");
}

TEST(DateFormat, Pictures)
{
    const SYSTEMTIME early{2005, 1, 0, 5, 0, 0, 0, 0};
    struct Case {
        const char16_t* picture;
        const SYSTEMTIME* date;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {u"d/M/y", &early, "5/1/5"},
        {u"dd/MM/yy", &early, "05/01/05"},
        {u"yyyy-MM-dd", &early, "2005-01-05"},
        {u"ddd dd MMM yy", &kDay, "Fri 11 Dec 26"},
        {u"dddd MMMM", &kDay, "Friday December"},
        {u"'Day' d 'of' MMMM, yyyy", &kDay, "Day 11 of December, 2026"},
        {u"''yy", &kDay, "'26"},
        {u"dd 'o''clock'", &kDay, "11 o'clock"},
        {u"'unclosed d", &kDay, "unclosed d"},
        {u"[h:mm] x", &kDay, "[h:mm] x"},
        {u"", &kDay, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DateText(1033, 0, *c.date, c.picture), c.expected) << Utf16ToUtf8(c.picture);
    EXPECT_EQ(DateText(0x040C, 0, kDay, u"dddd d MMMM"), "vendredi 11 d\u00e9cembre");
}

TEST(DateFormat, BufferAndArgumentRules)
{
    char16_t buffer[32];
    EXPECT_EQ(GetDateFormatW(1033, DATE_LONGDATE, &kDay, nullptr, nullptr, 0), 26);  // size with the zero
    EXPECT_EQ(GetDateFormatW(1033, DATE_LONGDATE, &kDay, nullptr, buffer, 26), 26);
    SetLastError(0);
    EXPECT_EQ(GetDateFormatW(1033, DATE_LONGDATE, &kDay, nullptr, buffer, 25), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    EXPECT_EQ(DateText(1033, DATE_LONGDATE | DATE_SHORTDATE, kDay), "<error 1004>");
    EXPECT_EQ(DateText(1033, DATE_LONGDATE, kDay, u"yyyy"), "<error 1004>");
    EXPECT_EQ(DateText(1033, 0, SYSTEMTIME{2025, 2, 0, 29, 0, 0, 0, 0}), "<error 87>");
    EXPECT_EQ(DateText(1033, 0, SYSTEMTIME{2025, 13, 0, 1, 0, 0, 0, 0}), "<error 87>");

    // The narrow form, in the ANSI code page.
    const SYSTEMTIME march{2024, 3, 0, 5, 0, 0, 0, 0};
    char narrow[32];
    EXPECT_EQ(GetDateFormatA(0x0407, 0, &march, "d. MMMM yyyy", narrow, 32), 13);
    EXPECT_EQ(std::string(narrow), "5. M\xE4rz 2024");
}

TEST(DateFormat, NullDateIsToday)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        SYSTEMTIME before{}, after{};
        GetLocalTime(&before);
        char16_t today[64];
        ASSERT_GT(GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, nullptr, nullptr, today, 64), 0);
        GetLocalTime(&after);
        if (before.wDay != after.wDay) continue;  // midnight passed
        EXPECT_EQ(Utf16ToUtf8(today), DateText(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, before));
        return;
    }
}

}  // namespace
