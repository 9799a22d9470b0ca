// Local and UTC time as SYSTEMTIME.
#include <ctime>

#include "platform/win32.h"

namespace {

void Fill(const std::tm& tm, long nanoseconds, SYSTEMTIME* st)
{
    st->wYear = static_cast<WORD>(tm.tm_year + 1900);
    st->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    st->wDay = static_cast<WORD>(tm.tm_mday);
    st->wHour = static_cast<WORD>(tm.tm_hour);
    st->wMinute = static_cast<WORD>(tm.tm_min);
    // A leap second (tm_sec 60) is folded into the last second of the minute.
    st->wSecond = static_cast<WORD>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    st->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

}  // namespace

void GetLocalTime(SYSTEMTIME* st)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    ::localtime_r(&now.tv_sec, &tm);
    Fill(tm, now.tv_nsec, st);
}

void GetSystemTime(SYSTEMTIME* st)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    ::gmtime_r(&now.tv_sec, &tm);
    Fill(tm, now.tv_nsec, st);
}
