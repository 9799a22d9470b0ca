// Date text (GetDateFormat): the locale's short or long date, or a picture of
// d/M/y elements and quoted literals, with names from the locale table.
#include <string>
#include <string_view>

#include "platform/locale.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace {

inline constexpr DWORD LOCALE_USE_CP_ACP = 0x40000000u;

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// 0 = Sunday. The caller's wDayOfWeek is not trusted: the original computes it.
int DayOfWeek(int year, int month, int day)
{
    static constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) --year;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

// The short date picture, built from the locale's order and separator
// (1033: "M/d/yyyy"; day-first locales write two-digit days and months).
std::u16string ShortDatePicture(const LocaleInfo& locale)
{
    const std::u16string sep(1, locale.dateSep);
    switch (locale.dateOrder) {
    case DateOrder::MDY: return u"M" + sep + u"d" + sep + u"yyyy";
    case DateOrder::DMY: return u"dd" + sep + u"MM" + sep + u"yyyy";
    case DateOrder::YMD: return u"yyyy" + sep + u"MM" + sep + u"dd";
    }
    return u"M/d/yyyy";
}

void AppendNumber(std::u16string& out, int value, int minDigits)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
    out.append(digits.begin(), digits.end());
}

std::u16string Render(const LocaleInfo& locale, const SYSTEMTIME& st, std::u16string_view picture)
{
    std::u16string out;
    const int year = st.wYear, month = st.wMonth, day = st.wDay;
    for (size_t i = 0; i < picture.size();) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            // Quoted literal; '' stands for one apostrophe, inside or outside
            // quotes. An unclosed quote runs to the end.
            ++i;
            if (i < picture.size() && picture[i] == u'\'') {
                out += u'\'';
                ++i;
                continue;
            }
            while (i < picture.size()) {
                if (picture[i] == u'\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                        out += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        if (c != u'd' && c != u'M' && c != u'y') {
            out += c;  // any other character is copied as it stands
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        i += run;
        switch (c) {
        case u'd':
            if (run <= 2) AppendNumber(out, day, static_cast<int>(run));
            else if (run == 3) out += locale.daysShort[DayOfWeek(year, month, day)];
            else out += locale.days[DayOfWeek(year, month, day)];
            break;
        case u'M':
            if (run <= 2) AppendNumber(out, month, static_cast<int>(run));
            else if (run == 3) out += locale.monthsShort[month - 1];
            else out += locale.months[month - 1];
            break;
        default:  // y: year within the century, two digits, or in full
            if (run == 1) AppendNumber(out, year % 100, 1);
            else if (run == 2) AppendNumber(out, year % 100, 2);
            else AppendNumber(out, year, 4);
            break;
        }
    }
    return out;
}

// Validates the arguments and builds the text; false with the last error set.
bool FormatDate(LCID lcid, DWORD flags, const SYSTEMTIME* date, const char16_t* picture, std::u16string& out)
{
    if (flags & ~(DATE_SHORTDATE | DATE_LONGDATE | LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return false;
    }
    const DWORD forms = flags & (DATE_SHORTDATE | DATE_LONGDATE);
    if (forms == (DATE_SHORTDATE | DATE_LONGDATE) || (picture && forms)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return false;
    }
    SYSTEMTIME st{};
    if (date) st = *date;
    else GetLocalTime(&st);
    if (st.wYear < 1 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > DaysInMonth(st.wYear, st.wMonth)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const LocaleInfo& locale = LocaleFor(lcid);
    if (picture) out = Render(locale, st, picture);
    else if (forms == DATE_LONGDATE) out = Render(locale, st, locale.longDateFormat);
    else out = Render(locale, st, ShortDatePicture(locale));  // no form named: the short date
    return true;
}

// The shared buffer rules: a length of 0 asks for the size, the terminating
// zero included in every count.
template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* buffer, int bufferLen)
{
    const int needed = static_cast<int>(text.size()) + 1;
    if (bufferLen == 0) return needed;
    if (needed > bufferLen) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = 0;
    return needed;
}

bool BadBuffer(const void* buffer, int bufferLen)
{
    if (bufferLen < 0 || (bufferLen > 0 && !buffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return true;
    }
    return false;
}

}  // namespace

int GetDateFormatW(LCID lcid, DWORD flags, const SYSTEMTIME* date, const char16_t* picture, char16_t* buffer,
                   int bufferLen)
{
    std::u16string text;
    if (BadBuffer(buffer, bufferLen) || !FormatDate(lcid, flags, date, picture, text)) return 0;
    return Deliver(text, buffer, bufferLen);
}

int GetDateFormatA(LCID lcid, DWORD flags, const SYSTEMTIME* date, const char* picture, char* buffer, int bufferLen)
{
    std::u16string text;
    if (BadBuffer(buffer, bufferLen)) return 0;
    const std::u16string widePicture = picture ? AnsiToWide(picture) : std::u16string();
    if (!FormatDate(lcid, flags, date, picture ? widePicture.c_str() : nullptr, text)) return 0;
    return Deliver(WideToAnsi(text), buffer, bufferLen);
}
