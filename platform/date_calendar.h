#pragma once
// Calendar arithmetic shared by the date conversions (library-internal).
//
// A DATE is a count of days since 1899-12-30 00:00 in the proleptic Gregorian
// calendar: 1.0 = 1899-12-31, 2.0 = 1900-01-01, 61.0 = 1900-03-01 (1900 is
// not a leap year here). The integer part (truncated toward zero) is the day
// and the absolute value of the fraction is the time of that day, so -1.25 is
// 1899-12-29 06:00 and -0.25 is 1899-12-30 06:00, the same as 0.25.
#include <cstdint>

#include "platform/types.h"

namespace bvd::dates {

inline constexpr int64_t kSecondsPerDay = 86400;

// Day serial of a proleptic Gregorian date; the month must be 1..12, the day
// may be any number (it counts on from the first of the month).
int64_t SerialFromCivil(int64_t year, int month, int64_t day);

struct Civil {
    int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};
Civil CivilFromSerial(int64_t serial);

bool IsLeapYear(int64_t year);
int DaysInMonth(int64_t year, int month);

// A DATE split into its day serial and the second of that day, the time
// rounded to the nearest second (a time that rounds up to 24:00 moves to the
// next day). False when the value lies outside the valid DATE range.
struct DayAndTime {
    int64_t day;
    int64_t second;  // 0..86399
};
bool SplitDate(DATE value, DayAndTime* out);
// The inverse: the day plus the time for days from 1899-12-30 on, the day
// minus the time before it.
DATE JoinDate(int64_t day, int64_t secondOfDay);

// Whether a day serial lies within 1/1/100 .. 12/31/9999.
bool IsValidDay(int64_t day);

// Years 0..49 mean 2000..2049, 50..99 mean 1950..1999 (the window of Windows
// 10 1903 and later); other values are taken as they are. Negative years count
// back from 2000 (-1 is 1999), as VarDateFromUdate does.
int64_t ExpandShortYear(int64_t year);

// The current year of the system clock (UTC, as GetSystemTime gives it).
int64_t CurrentYear();

}  // namespace bvd::dates
