// The date conversions where the recorded cases leave gaps: the calendar over
// its whole range, leap years, negative serials, rounding of the time, the
// day-month-year locales, the UDATE/SYSTEMTIME roll-over rules and flags.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>

#include "platform/bstr.h"
#include "platform/hresult.h"
#include "platform/oleconv.h"

namespace {

using namespace std::chrono;

constexpr LCID kEnUs = 0x0409, kEnGb = 0x0809, kDeDe = 0x0407, kFrFr = 0x040C;
constexpr int64_t kMinDay = -657434, kMaxDay = 2958465;

// The calendar as the C++ standard library computes it: serial 0 is 1899-12-30.
year_month_day CivilOf(int64_t serial) { return year_month_day{sys_days{days{serial - 25569}}}; }
double SerialOf(int y, unsigned m, unsigned d)
{
    return static_cast<double>(sys_days{year{y} / m / d}.time_since_epoch().count() + 25569);
}
int CurrentYear() { return static_cast<int>(year_month_day{floor<days>(system_clock::now())}.year()); }

// A DATE built from a day and a second of that day: the time is added to
// days from 1899-12-30 on and subtracted before it.
double DateOf(int64_t day, int second)
{
    const double t = second / 86400.0;
    return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

std::string Text(DATE d, LCID lcid, ULONG flags = 0)
{
    BStr out;
    const HRESULT hr = VarBstrFromDate(d, lcid, flags, out.put());
    return SUCCEEDED(hr) ? out.ToUtf8() : "<failed " + std::to_string(hr) + ">";
}

HRESULT Parse(const std::string& text, LCID lcid, DATE* out, ULONG flags = 0)
{
    return VarDateFromStr(Utf8ToUtf16(text).c_str(), lcid, flags, out);
}

UDATE Udate(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0, int ms = 0)
{
    UDATE u{};
    u.st.wYear = static_cast<WORD>(y);
    u.st.wMonth = static_cast<WORD>(m);
    u.st.wDay = static_cast<WORD>(d);
    u.st.wHour = static_cast<WORD>(hh);
    u.st.wMinute = static_cast<WORD>(mm);
    u.st.wSecond = static_cast<WORD>(ss);
    u.st.wMilliseconds = static_cast<WORD>(ms);
    return u;
}

// Every day of the range, each with a different time of day: the breakdown
// matches the standard calendar, weekday and day of year included, and
// VarDateFromUdate gives the same DATE back.
TEST(DateCalendar, EveryDayOfTheRangeRoundTripsThroughUdate)
{
    int mismatches = 0;
    for (int64_t day = kMinDay; day <= kMaxDay && mismatches < 10; ++day) {
        const int second = static_cast<int>((day * 7919 % 86400 + 86400) % 86400);
        const double date = DateOf(day, second);
        const year_month_day ymd = CivilOf(day);
        UDATE u{};
        ASSERT_EQ(VarUdateFromDate(date, 0, &u), S_OK) << day;
        const unsigned weekday = year_month_weekday{sys_days{ymd}}.weekday().c_encoding();
        const int64_t dayOfYear = day - static_cast<int64_t>(SerialOf(static_cast<int>(ymd.year()), 1, 1)) + 1;
        const bool fieldsOk = u.st.wYear == static_cast<int>(ymd.year()) && u.st.wMonth == unsigned(ymd.month()) &&
                              u.st.wDay == unsigned(ymd.day()) && u.st.wDayOfWeek == weekday &&
                              u.wDayOfYear == dayOfYear && u.st.wHour * 3600 + u.st.wMinute * 60 + u.st.wSecond == second &&
                              u.st.wMilliseconds == 0;
        DATE back = 0;
        const bool backOk = VarDateFromUdate(&u, 0, &back) == S_OK && std::fabs(back - date) < 1e-9;
        if (!fieldsOk || !backOk) {
            ++mismatches;
            ADD_FAILURE() << "day " << day << " second " << second << ": " << u.st.wYear << "-" << u.st.wMonth << "-"
                          << u.st.wDay << " " << u.st.wHour << ":" << u.st.wMinute << ":" << u.st.wSecond
                          << " dow " << u.st.wDayOfWeek << " doy " << u.wDayOfYear << ", back " << back;
        }
    }
}

// Text and back across the whole range, with a stride of days per locale
// (prime, so that every month, day and weekday comes up; every single day is
// covered by the calendar sweep above) and a time on most days: VarDateFromStr
// reads exactly what VarBstrFromDate writes.
TEST(DateText, EveryDayRoundTripsThroughText)
{
    struct Sweep {
        LCID lcid;
        int64_t stride;
    };
    for (const Sweep s : {Sweep{kEnUs, 11}, Sweep{kEnGb, 37}, Sweep{kDeDe, 41}, Sweep{kFrFr, 43}}) {
        int mismatches = 0;
        int64_t step = 0;
        for (int64_t day = kMinDay; day <= kMaxDay && mismatches < 10; day += s.stride, ++step) {
            const int second = step % 5 == 0 ? 0 : static_cast<int>((day * 7919 % 86400 + 86400) % 86400);
            const double date = DateOf(day, second);
            BStr text;
            ASSERT_EQ(VarBstrFromDate(date, s.lcid, 0, text.put()), S_OK) << day;
            DATE back = 0;
            const HRESULT hr = VarDateFromStr(text.get(), s.lcid, 0, &back);
            if (hr != S_OK || std::fabs(back - date) > 1e-9) {
                ++mismatches;
                ADD_FAILURE() << "lcid " << s.lcid << " day " << day << ": \"" << text.ToUtf8() << "\" read back as "
                              << back << " (hr " << hr << "), expected " << date;
            }
        }
    }
}

TEST(DateCalendar, SerialsAroundTheStartAnd1900WhichIsNoLeapYear)
{
    struct Case {
        double serial;
        int y, m, d;
    } const cases[] = {
        {0, 1899, 12, 30},  {1, 1899, 12, 31}, {2, 1900, 1, 1},    {60, 1900, 2, 28},  {61, 1900, 3, 1},
        {-1, 1899, 12, 29}, {-2, 1899, 12, 28}, {36585, 2000, 2, 29}, {36586, 2000, 3, 1}, {kMinDay, 100, 1, 1},
        {kMaxDay, 9999, 12, 31},
    };
    for (const Case& c : cases) {
        UDATE u{};
        ASSERT_EQ(VarUdateFromDate(c.serial, 0, &u), S_OK) << c.serial;
        EXPECT_EQ(u.st.wYear, c.y) << c.serial;
        EXPECT_EQ(u.st.wMonth, c.m) << c.serial;
        EXPECT_EQ(u.st.wDay, c.d) << c.serial;
    }
    // 1900-02-29 does not exist: the text is refused and the UDATE rolls on.
    DATE d = 0;
    EXPECT_EQ(Parse("2/29/1900", kEnUs, &d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse("2/29/2001", kEnUs, &d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Parse("2/29/2000", kEnUs, &d), S_OK);
    EXPECT_EQ(d, 36585);
    EXPECT_EQ(Parse("2/29/1600", kEnUs, &d), S_OK);
    EXPECT_EQ(d, SerialOf(1600, 2, 29));
    UDATE u = Udate(1900, 2, 29);
    ASSERT_EQ(VarDateFromUdate(&u, 0, &d), S_OK);
    EXPECT_EQ(d, 61);
}

TEST(DateCalendar, NegativeSerialsTakeTheDayFromTheIntegerAndTheTimeFromTheFraction)
{
    UDATE u{};
    ASSERT_EQ(VarUdateFromDate(-1.25, 0, &u), S_OK);
    EXPECT_EQ(u.st.wDay, 29);
    EXPECT_EQ(u.st.wHour, 6);
    // Between -1 and 0 the day is 1899-12-30: -x and x are the same moment.
    UDATE a{}, b{};
    ASSERT_EQ(VarUdateFromDate(-0.75, 0, &a), S_OK);
    ASSERT_EQ(VarUdateFromDate(0.75, 0, &b), S_OK);
    EXPECT_EQ(a.st.wDay, b.st.wDay);
    EXPECT_EQ(a.st.wHour, 18);
    EXPECT_EQ(b.st.wHour, 18);

    DATE d = 0;
    u = Udate(1899, 12, 29, 6);
    ASSERT_EQ(VarDateFromUdate(&u, 0, &d), S_OK);
    EXPECT_DOUBLE_EQ(d, -1.25);
    EXPECT_EQ(Text(-1.5, kEnUs), "12/29/1899 12:00:00 PM");
    EXPECT_EQ(Text(-0.5, kEnUs), "12:00:00 PM");
    ASSERT_EQ(Parse("4/24/1765 5:45:36 AM", kEnUs, &d), S_OK);
    EXPECT_NEAR(d, -49192.24, 1e-9);
}

TEST(DateCalendar, TimeRoundsToTheNearestSecond)
{
    struct Case {
        double date;
        int day, hour, minute, second;
    } const cases[] = {
        {29221.9888884444, 1, 23, 44, 0},          // 23:43:59.96
        {29221.0 + 1.49 / 86400, 1, 0, 0, 1},      // 1.49 s
        {29221.0 + 1.51 / 86400, 1, 0, 0, 2},      // 1.51 s
        {29221.0 + 86399.6 / 86400, 2, 0, 0, 0},  // rounds up into the next day
        {-1.0 - 0.4 / 86400, 29, 0, 0, 0},         // negative serials round the same way
        {-1.0 - 86399.7 / 86400, 30, 0, 0, 0},
    };
    for (const Case& c : cases) {
        UDATE u{};
        ASSERT_EQ(VarUdateFromDate(c.date, 0, &u), S_OK) << c.date;
        EXPECT_EQ(u.st.wDay, c.day) << c.date;
        EXPECT_EQ(u.st.wHour * 3600 + u.st.wMinute * 60 + u.st.wSecond, c.hour * 3600 + c.minute * 60 + c.second)
            << c.date;
    }
    // A time that rounds to midnight is not written.
    EXPECT_EQ(Text(1.9999999999, kEnUs), "1/1/1900");
    EXPECT_EQ(Text(3.34, kEnUs), "1/2/1900 8:09:36 AM");
}

TEST(DateCalendar, UdateRangeIsTheValidDateRangeWhateverTheFlags)
{
    UDATE u{};
    for (ULONG flags : {0u, VAR_VALIDDATE}) {
        EXPECT_EQ(VarUdateFromDate(kMinDay - 1.0, flags, &u), E_INVALIDARG);
        EXPECT_EQ(VarUdateFromDate(kMaxDay + 1.0, flags, &u), E_INVALIDARG);
        EXPECT_EQ(VarUdateFromDate(std::numeric_limits<double>::quiet_NaN(), flags, &u), E_INVALIDARG);
        EXPECT_EQ(VarUdateFromDate(kMinDay - 0.5, flags, &u), S_OK);  // 1/1/100 12:00
        EXPECT_EQ(VarUdateFromDate(kMaxDay + 0.5, flags, &u), S_OK);  // 12/31/9999 12:00
    }
    EXPECT_EQ(VarUdateFromDate(0, 0, nullptr), E_INVALIDARG);
    ASSERT_EQ(VarUdateFromDate(29221.0, 0, &u), S_OK);
    EXPECT_EQ(u.st.wDayOfWeek, 2);  // 1980-01-01 was a Tuesday
    ASSERT_EQ(VarUdateFromDate(SerialOf(2000, 12, 31), 0, &u), S_OK);
    EXPECT_EQ(u.wDayOfYear, 366);
}

TEST(DateCalendar, UdateFieldsOutOfRangeRollIntoTheirNeighbours)
{
    const double jan1 = 29221.0;  // 1980-01-01
    struct Case {
        UDATE in;
        double expected;
    } const cases[] = {
        {Udate(1979, 13, 1), jan1},
        {Udate(1980, 0, 1), SerialOf(1979, 12, 1)},
        {Udate(1980, 1, 0), jan1 - 1},
        {Udate(1980, 1, -1), jan1 - 2},
        {Udate(1980, 3, 0), SerialOf(1980, 2, 29)},
        {Udate(1980, 1, 32), SerialOf(1980, 2, 1)},
        {Udate(1980, 1, 1, 42), jan1 + 1.75},
        {Udate(1980, 1, 1, 0, -119), jan1 - 1 + (22 * 60 + 1) / 1440.0},
        {Udate(1980, 1, 1, 0, 0, 86400 / 4 - 1 + 1), jan1 + 0.25},
        {Udate(1980, 1, 1, 0, 0, 0, 999), jan1},  // milliseconds are ignored
        {Udate(90, 1, 1), SerialOf(1990, 1, 1)},
        {Udate(0, 1, 1), SerialOf(2000, 1, 1)},
        {Udate(-1, 1, 1), SerialOf(1999, 1, 1)},
        {Udate(49, 1, 1), SerialOf(2049, 1, 1)},
        {Udate(50, 1, 1), SerialOf(1950, 1, 1)},
        {Udate(100, 1, 1), kMinDay},
    };
    for (const Case& c : cases) {
        UDATE in = c.in;
        in.st.wDayOfWeek = 5;  // ignored, as is the day of year
        in.wDayOfYear = 300;
        DATE d = -1;
        ASSERT_EQ(VarDateFromUdate(&in, 0, &d), S_OK) << c.expected;
        EXPECT_NEAR(d, c.expected, 1e-9);
    }
    UDATE bad = Udate(10000, 1, 1);
    DATE d = 0;
    EXPECT_EQ(VarDateFromUdate(&bad, 0, &d), E_INVALIDARG);
    bad = Udate(9999, 12, 32);
    EXPECT_EQ(VarDateFromUdate(&bad, 0, &d), E_INVALIDARG);
    EXPECT_EQ(VarDateFromUdate(nullptr, 0, &d), E_INVALIDARG);
}

TEST(DateCalendar, UdateValueOnlyFlags)
{
    UDATE u = Udate(1980, 1, 1, 6);
    DATE d = 0;
    ASSERT_EQ(VarDateFromUdate(&u, VAR_TIMEVALUEONLY, &d), S_OK);
    EXPECT_DOUBLE_EQ(d, 0.25);
    ASSERT_EQ(VarDateFromUdate(&u, VAR_DATEVALUEONLY, &d), S_OK);
    EXPECT_DOUBLE_EQ(d, 29221.0);
    ASSERT_EQ(VarDateFromUdate(&u, VAR_TIMEVALUEONLY | VAR_DATEVALUEONLY, &d), S_OK);
    EXPECT_DOUBLE_EQ(d, 0.25);  // time wins
    u = Udate(1899, 12, 29, 6);
    ASSERT_EQ(VarDateFromUdate(&u, VAR_TIMEVALUEONLY, &d), S_OK);
    EXPECT_DOUBLE_EQ(d, 0.25);
}

TEST(DateCalendar, SystemTimeConversions)
{
    auto st = [](int y, int m, int d, int hh = 0) { return Udate(y, m, d, hh).st; };
    struct Case {
        SYSTEMTIME in;
        INT ok;
        double expected;
    } const cases[] = {
        {st(1980, 1, 1, 12), TRUE, 29221.5}, {st(1980, 1, 0), TRUE, 29220.0},
        {st(49, 12, 31), TRUE, SerialOf(2049, 12, 31)}, {st(50, 1, 1), TRUE, SerialOf(1950, 1, 1)},
        {st(1980, 13, 1), FALSE, 0}, {st(1980, 1, 32), FALSE, 0}, {st(-1, 1, 1), FALSE, 0},
        {st(10000, 1, 1), FALSE, 0},
    };
    for (const Case& c : cases) {
        SYSTEMTIME in = c.in;
        DATE d = -7;
        EXPECT_EQ(SystemTimeToVariantTime(&in, &d), c.ok) << in.wYear << "-" << in.wMonth << "-" << in.wDay;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(d, c.expected);
        }
    }
    SYSTEMTIME out{};
    ASSERT_EQ(VariantTimeToSystemTime(-49192.24, &out), TRUE);
    EXPECT_EQ(out.wYear, 1765);
    EXPECT_EQ(out.wMonth, 4);
    EXPECT_EQ(out.wDay, 24);
    EXPECT_EQ(out.wHour * 3600 + out.wMinute * 60 + out.wSecond, 5 * 3600 + 45 * 60 + 36);
    EXPECT_EQ(VariantTimeToSystemTime(kMaxDay + 1.0, &out), FALSE);
}

TEST(DateNumeric, RangeChecksOfTheNumericSources)
{
    DATE d = 0;
    EXPECT_EQ(VarDateFromI2(-32768, &d), S_OK);
    EXPECT_EQ(d, -32768.0);
    EXPECT_EQ(VarDateFromR8(kMaxDay + 0.5, &d), S_OK);
    EXPECT_EQ(d, kMaxDay + 0.5);
    EXPECT_EQ(VarDateFromR8(kMinDay - 0.5, &d), S_OK);
    EXPECT_EQ(VarDateFromR8(kMaxDay + 1.0, &d), DISP_E_OVERFLOW);
    EXPECT_EQ(VarDateFromR8(kMinDay - 1.0, &d), DISP_E_OVERFLOW);
    EXPECT_EQ(VarDateFromR8(std::numeric_limits<double>::quiet_NaN(), &d), DISP_E_OVERFLOW);
    EXPECT_EQ(VarDateFromR4(1e7f, &d), DISP_E_OVERFLOW);
    EXPECT_EQ(VarDateFromR4(1.5f, &d), S_OK);
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(VarDateFromBool(VARIANT_TRUE, &d), S_OK);
    EXPECT_EQ(d, -1.0);
    EXPECT_EQ(VarDateFromI4(0, nullptr), E_INVALIDARG);
}

// The day-month-year locales write their own short date with a 24-hour time
// and read day-month-year first; US English stays month-day-year.
TEST(DateText, DayMonthYearLocalesBothWays)
{
    const double jan2At1305 = 25570.0 + (13 * 60 + 5) / 1440.0;
    struct Case {
        LCID lcid;
        const char* text;
    } const written[] = {
        {kDeDe, "02.01.1970 13:05:00"}, {kEnGb, "02/01/1970 13:05:00"}, {kFrFr, "02/01/1970 13:05:00"},
        {kEnUs, "1/2/1970 1:05:00 PM"}, {0, "1/2/1970 1:05:00 PM"},    {0x0411, "1/2/1970 1:05:00 PM"},
    };
    for (const Case& c : written) {
        EXPECT_EQ(Text(jan2At1305, c.lcid), c.text) << c.lcid;
        DATE d = 0;
        ASSERT_EQ(Parse(c.text, c.lcid, &d), S_OK) << c.text;
        EXPECT_NEAR(d, jan2At1305, 1e-9) << c.text;
    }
    EXPECT_EQ(Text(0.0, kDeDe), "00:00:00");
    EXPECT_EQ(Text(25570.0, kDeDe), "02.01.1970");
    EXPECT_EQ(Text(25570.0, kDeDe, LOCALE_USE_NLS), "02.01.1970 00:00:00");
    EXPECT_EQ(Text(kMinDay, kFrFr), "01/01/100");

    const int y = CurrentYear();
    struct Read {
        LCID lcid;
        const char* text;
        double expected;
    } const read[] = {
        {kDeDe, "14.2.2003", SerialOf(2003, 2, 14)},
        {kEnGb, "2/3/2003", SerialOf(2003, 3, 2)},
        {kFrFr, "2-3-2003", SerialOf(2003, 3, 2)},
        {kEnUs, "2/3/2003", SerialOf(2003, 2, 3)},
        {kDeDe, "2 3", SerialOf(y, 3, 2)},
        {kEnUs, "2 3", SerialOf(y, 2, 3)},
        {kDeDe, "14 2", SerialOf(y, 2, 14)},
        {kDeDe, "2 14", SerialOf(y, 2, 14)},  // 14 cannot be a month
        {kEnGb, "13/1/1970", 25581},
        {kEnGb, "1/13/1970", 25581},          // falls back to month-day-year
        {kDeDe, "1970-1-13", 25581},          // ISO order in every locale
        // The long date of each locale, day name included.
        {kEnUs, "Friday, January 2, 1970", 25570},
        {kEnGb, "02 January 1970", 25570},
        {kDeDe, "Freitag, 2. Januar 1970", 25570},
        {kFrFr, "vendredi 2 janvier 1970", 25570},
        {kFrFr, "2 janv. 1970", 25570},
        {kFrFr, "14 F\xC3\x89VRIER 2003", SerialOf(2003, 2, 14)},
        {kDeDe, "2. M\xC3\xA4rz 2003", SerialOf(2003, 3, 2)},
        {kDeDe, "2 January 1970", 25570},     // English month names everywhere
        {kDeDe, "02.01.1970 13:05", jan2At1305},
        {kFrFr, "02/01/1970 13.05", jan2At1305},  // '.' separates time fields unless it separates the date
    };
    for (const Read& r : read) {
        DATE d = 0;
        ASSERT_EQ(Parse(r.text, r.lcid, &d), S_OK) << r.text << " lcid " << r.lcid;
        EXPECT_NEAR(d, r.expected, 1e-9) << r.text << " lcid " << r.lcid;
    }
    DATE d = 0;
    EXPECT_EQ(Parse("02.01.1970", kFrFr, &d), DISP_E_TYPEMISMATCH);  // a time 02:01 with 1970 seconds
    EXPECT_EQ(Parse("13.13", kDeDe, &d), DISP_E_TYPEMISMATCH);       // a date of two numbers, neither a month
}

TEST(DateText, ClockAndValueOnlyFlags)
{
    struct Case {
        double date;
        ULONG flags;
        const char* text;
    } const cases[] = {
        {0.5, 0, "12:00:00 PM"},
        {11.0 / 24 + 3599.0 / 86400, 0, "11:59:59 AM"},
        {13.0 / 24, 0, "1:00:00 PM"},
        {86399.0 / 86400, 0, "11:59:59 PM"},
        {25570.25, VAR_DATEVALUEONLY, "1/2/1970"},
        {25570.25, VAR_TIMEVALUEONLY, "6:00:00 AM"},
        {25570.0, VAR_TIMEVALUEONLY, "12:00:00 AM"},
        {0.0, VAR_DATEVALUEONLY, "12/30/1899"},
        {25570.0, LOCALE_USE_NLS, "1/2/1970 12:00:00 AM"},
        {25570.0, 0x80000000u, "1/2/1970"},  // LOCALE_NOUSEROVERRIDE changes nothing
        {kMinDay - 0.75, 0, "1/1/100 6:00:00 PM"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(c.date, kEnUs, c.flags), c.text) << c.date << " flags " << c.flags;
    BStr out;
    EXPECT_EQ(VarBstrFromDate(kMaxDay + 1.0, kEnUs, 0, out.put()), E_INVALIDARG);
    EXPECT_EQ(out.get(), nullptr);
    EXPECT_EQ(VarBstrFromDate(kMinDay - 1.0, kEnUs, 0, out.put()), E_INVALIDARG);
    EXPECT_EQ(VarBstrFromDate(0.0, kEnUs, 0, nullptr), E_INVALIDARG);
}

// Every second of a day written and read back, in both clock styles.
TEST(DateText, EverySecondOfADayRoundTrips)
{
    for (LCID lcid : {kEnUs, kDeDe}) {
        int mismatches = 0;
        for (int second = 0; second < 86400 && mismatches < 10; ++second) {
            const double date = DateOf(40000, second);
            const std::string text = Text(date, lcid);
            DATE back = 0;
            if (Parse(text, lcid, &back) != S_OK || std::fabs(back - date) > 1e-9) {
                ++mismatches;
                ADD_FAILURE() << "lcid " << lcid << " \"" << text << "\" read back as " << back;
            }
        }
    }
}

TEST(DateParse, ValueOnlyFlagsAndLeniencies)
{
    struct Case {
        const char* text;
        ULONG flags;
        double expected;
    } const cases[] = {
        {"1/2/1970 6:00", VAR_TIMEVALUEONLY, 0.25},
        {"1/2/1970 6:00", VAR_DATEVALUEONLY, 25570},
        {"6:00", VAR_DATEVALUEONLY, 0},
        {"  1/2/1970  ", 0, 25570},        // blanks around the text
        {"Jan. 2, 1970", 0, 25570},        // the dot of an abbreviation
        {"JANUARY 2 1970", 0, 25570},      // names in any case
        {"1970 Jan 2", 0, 25570},          // year before the day when the day comes last
        {"1am", 0, 1.0 / 24},              // no blank before the marker
        {"12 pm", 0, 0.5},
        {"13 am", 0, 13.0 / 24},            // above 12 the marker is ignored
        {"0:0", 0, 0},                      // only the dotted "0.0" reads as a plain number
        {"1/2/1970 6:00 pm", 0, 25570.75},
        {"6:00 pm 1/2/1970", 0, 25570.75},
        {"12/31/1899 12:00", 0, 1.5},
        {"12/29/1899 6:00", 0, -1.25},      // before 1899-12-30 the time counts backwards
        {"1-1-100", 0, kMinDay},
        {"12/31/9999 23:59:59", 0, kMaxDay + 86399.0 / 86400},
    };
    for (const Case& c : cases) {
        DATE d = -7;
        ASSERT_EQ(Parse(c.text, kEnUs, &d, c.flags), S_OK) << c.text;
        EXPECT_NEAR(d, c.expected, 1e-9) << c.text;
    }
    for (const char* bad : {"", "   ", "Monday", "Jan", "1/2/10000", "Jan Feb 2", "1 am pm", "am 1", "1:00 am 2 3 pm",
                            "1//2/1970", "1/2/1970/", "1/-2/1970", "1/2 1970:00", "1:2/3", "1 2 3 4:5 am 6",
                            "0.0.0", "00.00", "2\xC2\xB7" "3", "\xEF\xBC\x91 2 3", "1 2 3x", "1/2/1970 6:00:00.5"}) {
        DATE d = -7;
        EXPECT_EQ(Parse(bad, kEnUs, &d), DISP_E_TYPEMISMATCH) << "\"" << bad << "\"";
        EXPECT_EQ(d, -7) << "\"" << bad << "\"";
    }
    DATE d = 0;
    EXPECT_EQ(VarDateFromStr(u"1/2/1970", kEnUs, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(VarDateFromStr(nullptr, kEnUs, 0, &d), DISP_E_TYPEMISMATCH);
}

}  // namespace
