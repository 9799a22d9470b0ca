// The calendar of the automation DATE: serial <-> civil date, and the UDATE
// and SYSTEMTIME breakdowns (VarUdateFromDate, VarDateFromUdate,
// SystemTimeToVariantTime, VariantTimeToSystemTime).
#include "platform/date_calendar.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/hresult.h"
#include "platform/oleconv.h"

namespace bvd::dates {

namespace {

// Days from 1970-01-01 to 1899-12-30 are 25569; serials count from the latter.
constexpr int64_t kUnixEpochSerial = 25569;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Proleptic Gregorian day count relative to 1970-01-01, computed over 400-year
// eras starting in March so that the leap day falls at the end of each year.
int64_t DaysFromEpoch(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;                                // 0..399
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // 0..365
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;         // 0..146096
    return era * 146097 + doe - 719468;
}

}  // namespace

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

int64_t SerialFromCivil(int64_t year, int month, int64_t day)
{
    return DaysFromEpoch(year, month, 1) + (day - 1) + kUnixEpochSerial;
}

Civil CivilFromSerial(int64_t serial)
{
    const int64_t z = serial - kUnixEpochSerial + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

bool IsValidDay(int64_t day) { return day >= static_cast<int64_t>(DATE_MIN) && day <= static_cast<int64_t>(DATE_MAX); }

bool SplitDate(DATE value, DayAndTime* out)
{
    // Every value whose day lies in range is accepted, so DATE_MAX + 0.5 (the
    // last noon) is valid and DATE_MAX + 1 is not (NaN fails both tests).
    if (!(value > DATE_MIN - 1.0 && value < DATE_MAX + 1.0)) return false;
    const double whole = std::trunc(value);
    int64_t day = static_cast<int64_t>(whole);
    int64_t second = std::llround(std::fabs(value - whole) * static_cast<double>(kSecondsPerDay));
    if (second >= kSecondsPerDay) {
        second -= kSecondsPerDay;
        ++day;
    }
    if (!IsValidDay(day)) return false;
    *out = {day, second};
    return true;
}

DATE JoinDate(int64_t day, int64_t secondOfDay)
{
    const double time = static_cast<double>(secondOfDay) / static_cast<double>(kSecondsPerDay);
    const double d = static_cast<double>(day);
    return day >= 0 ? d + time : d - time;
}

int64_t ExpandShortYear(int64_t year)
{
    if (year >= 100) return year;
    return year <= 49 ? year + 2000 : year + 1900;
}

int64_t CurrentYear()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    return parts.tm_year + 1900;
}

}  // namespace bvd::dates

using namespace bvd::dates;

HRESULT VarUdateFromDate(DATE in, ULONG /*flags*/, UDATE* out)
{
    // VAR_VALIDDATE and the other flags do not widen the range: the original
    // answers E_INVALIDARG outside 1/1/100 .. 12/31/9999 whatever the flags.
    if (!out) return E_INVALIDARG;
    DayAndTime split{};
    if (!SplitDate(in, &split)) return E_INVALIDARG;
    const Civil civil = CivilFromSerial(split.day);
    UDATE u{};
    u.st.wYear = static_cast<WORD>(civil.year);
    u.st.wMonth = static_cast<WORD>(civil.month);
    u.st.wDay = static_cast<WORD>(civil.day);
    u.st.wDayOfWeek = static_cast<WORD>(FloorMod(split.day + 6, 7));  // serial 0 was a Saturday
    u.st.wHour = static_cast<WORD>(split.second / 3600);
    u.st.wMinute = static_cast<WORD>(split.second / 60 % 60);
    u.st.wSecond = static_cast<WORD>(split.second % 60);
    u.st.wMilliseconds = 0;
    u.wDayOfYear = static_cast<USHORT>(split.day - SerialFromCivil(civil.year, 1, 1) + 1);
    *out = u;
    return S_OK;
}

HRESULT VarDateFromUdate(UDATE* in, ULONG flags, DATE* out)
{
    if (!in || !out) return E_INVALIDARG;
    // The fields are read as signed 16-bit numbers and rolled over into their
    // neighbours, as the original does: month 13 is January of the next year,
    // day 0 the last day of the previous month, minute -119 two hours back.
    // Milliseconds, day of week and day of year are ignored.
    const SYSTEMTIME& st = in->st;
    int64_t year = ExpandShortYear(static_cast<SHORT>(st.wYear));
    const int64_t month0 = static_cast<int64_t>(static_cast<SHORT>(st.wMonth)) - 1;
    year += FloorDiv(month0, 12);
    const int month = static_cast<int>(FloorMod(month0, 12)) + 1;
    const int64_t seconds = static_cast<int64_t>(static_cast<SHORT>(st.wHour)) * 3600 +
                            static_cast<int64_t>(static_cast<SHORT>(st.wMinute)) * 60 +
                            static_cast<SHORT>(st.wSecond);
    if (year < 0 || year > 20000) return E_INVALIDARG;  // far outside; keeps the arithmetic small
    const int64_t day = SerialFromCivil(year, month, static_cast<SHORT>(st.wDay)) + FloorDiv(seconds, kSecondsPerDay);
    const int64_t second = FloorMod(seconds, kSecondsPerDay);
    if (!IsValidDay(day)) return E_INVALIDARG;

    if (flags & VAR_TIMEVALUEONLY) {  // wins over VAR_DATEVALUEONLY
        *out = JoinDate(0, second);
    } else if (flags & VAR_DATEVALUEONLY) {
        *out = static_cast<DATE>(day);
    } else {
        *out = JoinDate(day, second);
    }
    return S_OK;
}

INT SystemTimeToVariantTime(SYSTEMTIME* st, DATE* out)
{
    if (!st || !out) return FALSE;
    // Month and day must be plausible and the year not negative; within that
    // the fields roll over as in VarDateFromUdate (day 0 is the day before the
    // first), and two-digit years use the same window.
    if (st->wMonth > 12 || st->wDay > 31 || static_cast<SHORT>(st->wYear) < 0) return FALSE;
    UDATE u{};
    u.st = *st;
    return SUCCEEDED(VarDateFromUdate(&u, 0, out)) ? TRUE : FALSE;
}

INT VariantTimeToSystemTime(DATE in, SYSTEMTIME* out)
{
    if (!out) return FALSE;
    UDATE u{};
    if (FAILED(VarUdateFromDate(in, 0, &u))) return FALSE;
    *out = u.st;
    return TRUE;
}
