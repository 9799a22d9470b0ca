// Text -> DATE (VarDateFromStr).
//
// The text is read in three steps, the way the original reads it:
//  1. lex: numbers, month names, AM/PM markers and separators. Blanks (space,
//     tab, NBSP, U+3000, comma) separate weakly; '/', '-' and the locale's
//     date separator are date separators; ':' and the locale's time separator
//     are time separators, and so is '.' unless '.' is the locale's date
//     separator (de-DE). Day names are skipped, so the long date text of the
//     locale reads back. Any other character rejects the text.
//  2. group: numbers joined by time separators form the time (2 or 3 fields);
//     a number followed by an AM/PM marker is a one-field time. There is at
//     most one time, either before or after the date, never inside it.
//  3. resolve the date fields (none, two or three of them) by trying the
//     orders the original tries, the locale's own order first.
// A lone number (also "0.0", which reads as one) is never a date, and
// fractional seconds are refused.
#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/date_calendar.h"
#include "platform/hresult.h"
#include "platform/locale.h"
#include "platform/oleconv.h"

namespace {

using namespace bvd::dates;

enum class Sep { None, Blank, Date, Time };
enum class Kind { Number, Month, Marker };

struct Element {
    Kind kind;
    int64_t value;  // the number; month 1..12; marker 0 = AM, 1 = PM
    Sep before;     // the separator between this element and the previous one
    bool dotBefore = false;  // that separator was '.'
};

// True for "0.0", "00.00", "0.0.0": zero fields joined by dots and nothing
// else. The original reads such a text as the plain number 0 and refuses it,
// while "0.1" or "0:0" are times.
bool IsDottedZero(const std::vector<Element>& e)
{
    if (e.size() < 2) return false;
    for (size_t i = 0; i < e.size(); ++i) {
        if (e[i].kind != Kind::Number || e[i].value != 0) return false;
        if (i > 0 && !e[i].dotBefore) return false;
    }
    return true;
}

// Larger numbers fit no field; saturating keeps the arithmetic small.
constexpr int64_t kNumberCap = 1'000'000;

constexpr std::u16string_view kEnglishMonths[12] = {u"January", u"February", u"March",     u"April",
                                                    u"May",     u"June",     u"July",      u"August",
                                                    u"September", u"October", u"November", u"December"};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00a0' || c == u'\u3000' || c == u','; }
bool IsLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
           (c >= u'\u00c0' && c <= u'\u024f' && c != u'\u00d7' && c != u'\u00f7');
}

// Case folding for the Latin letters month and marker names use.
char16_t Fold(char16_t c)
{
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    if (c >= u'\u00c0' && c <= u'\u00de' && c != u'\u00d7') return static_cast<char16_t>(c + 0x20);
    return c;
}

bool SameWord(std::u16string_view word, std::u16string_view name)
{
    if (!name.empty() && name.back() == u'.') name.remove_suffix(1);  // "janv." matches "janv"
    if (word.size() != name.size() || word.empty()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Fold(word[i]) != Fold(name[i])) return false;
    return true;
}

// "a", "am", "P", "pm": any non-empty beginning of the designator.
bool IsMarkerOf(std::u16string_view word, std::u16string_view designator)
{
    if (word.empty() || word.size() > designator.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Fold(word[i]) != Fold(designator[i])) return false;
    return true;
}

int MonthOf(std::u16string_view word, const LocaleInfo& loc)
{
    for (int m = 0; m < 12; ++m)
        if (SameWord(word, loc.months[m]) || SameWord(word, loc.monthsShort[m])) return m + 1;
    // English names are understood in every locale.
    for (int m = 0; m < 12; ++m)
        if (SameWord(word, kEnglishMonths[m]) || SameWord(word, kEnglishMonths[m].substr(0, 3))) return m + 1;
    return 0;
}

int MarkerOf(std::u16string_view word, const LocaleInfo& loc)
{
    if (IsMarkerOf(word, loc.am) || IsMarkerOf(word, u"AM")) return 0;
    if (IsMarkerOf(word, loc.pm) || IsMarkerOf(word, u"PM")) return 1;
    return -1;
}

bool IsDayName(std::u16string_view word, const LocaleInfo& loc)
{
    for (int d = 0; d < 7; ++d)
        if (SameWord(word, loc.days[d]) || SameWord(word, loc.daysShort[d])) return true;
    return false;
}

bool Lex(std::u16string_view s, const LocaleInfo& loc, std::vector<Element>& out)
{
    const bool dotIsDateSep = loc.dateSep == u'.';
    Sep pending = Sep::None;
    bool pendingDot = false;
    size_t i = 0;
    while (i < s.size()) {
        const char16_t c = s[i];
        const bool dateSep = c == u'/' || c == u'-' || c == loc.dateSep;
        const bool timeSep = !dateSep && (c == u':' || c == loc.timeSep || (c == u'.' && !dotIsDateSep));
        if (IsBlank(c)) {
            if (pending == Sep::None && !out.empty()) pending = Sep::Blank;
            ++i;
        } else if (dateSep || timeSep) {
            // A separator must stand between two elements, and only one of them.
            if (out.empty() || pending == Sep::Date || pending == Sep::Time) return false;
            pending = dateSep ? Sep::Date : Sep::Time;
            pendingDot = c == u'.';
            ++i;
        } else if (IsDigit(c)) {
            int64_t value = 0;
            for (; i < s.size() && IsDigit(s[i]); ++i) value = std::min(value * 10 + (s[i] - u'0'), kNumberCap);
            out.push_back({Kind::Number, value, pending, pendingDot});
            pending = Sep::None;
            pendingDot = false;
        } else if (IsLetter(c)) {
            const size_t start = i;
            while (i < s.size() && IsLetter(s[i])) ++i;
            const std::u16string_view word = s.substr(start, i - start);
            if (const int month = MonthOf(word, loc)) {
                out.push_back({Kind::Month, month, pending, pendingDot});
                pending = Sep::None;
                pendingDot = false;
            } else if (const int marker = MarkerOf(word, loc); marker >= 0) {
                out.push_back({Kind::Marker, marker, pending, pendingDot});
                pending = Sep::None;
                pendingDot = false;
                continue;
            } else if (!IsDayName(word, loc)) {
                return false;
            }
            // The dot of an abbreviated name ("Jan.", "janv.") belongs to it.
            if (i < s.size() && s[i] == u'.') ++i;
        } else {
            return false;
        }
    }
    return pending != Sep::Date && pending != Sep::Time;
}

struct Time {
    int first = -1;  // index of its first element, -1 when there is no time
    int count = 0;
    int marker = -1;  // 0 AM, 1 PM
};

// Finds the time among the elements and checks the placement rules; the
// elements that are not part of it (nor markers) are the date fields.
bool Group(const std::vector<Element>& e, Time* time, std::vector<Element>* date)
{
    const int n = static_cast<int>(e.size());
    std::vector<bool> inTime(e.size(), false);
    int groups = 0;
    for (int i = 0; i < n; ++i) {
        if (e[i].before == Sep::Time && (e[i].kind != Kind::Number || e[i - 1].kind != Kind::Number)) return false;
        if (e[i].kind == Kind::Number && i + 1 < n && e[i + 1].before == Sep::Time && !inTime[i]) {
            int j = i + 1;
            while (j + 1 < n && e[j + 1].before == Sep::Time) ++j;
            if (j - i + 1 > 3) return false;  // "1.2.3.4", fractional seconds
            for (int k = i; k <= j; ++k) inTime[k] = true;
            *time = {i, j - i + 1, -1};
            ++groups;
        }
    }
    for (int i = 0; i < n; ++i) {
        if (e[i].kind != Kind::Marker) continue;
        // The marker follows the time directly, or makes the number before it
        // a time of its own ("1 2 3 am": Jan 2, 03:00).
        if (i == 0 || e[i - 1].kind != Kind::Number) return false;
        if (inTime[i - 1]) {
            if (time->marker >= 0) return false;
            time->marker = static_cast<int>(e[i].value);
        } else {
            inTime[i - 1] = true;
            *time = {i - 1, 1, static_cast<int>(e[i].value)};
            ++groups;
        }
    }
    if (groups > 1) return false;

    // The date fields must be contiguous, and date separators join date fields.
    int lastDate = -1;
    bool timeSeenAfterDate = false;
    for (int i = 0; i < n; ++i) {
        const bool isDate = e[i].kind != Kind::Marker && !inTime[i];
        if (e[i].before == Sep::Date) {
            const bool prevDate = e[i - 1].kind != Kind::Marker && !inTime[i - 1];
            if (!isDate || !prevDate) return false;
        }
        if (isDate) {
            if (timeSeenAfterDate) return false;
            date->push_back(e[i]);
            lastDate = i;
        } else if (inTime[i] && lastDate >= 0) {
            timeSeenAfterDate = true;
        }
    }
    return true;
}

bool TimeOfDay(const std::vector<Element>& e, const Time& t, int64_t* second)
{
    int64_t hms[3] = {0, 0, 0};
    for (int k = 0; k < t.count; ++k) hms[k] = e[t.first + k].value;
    int64_t hour = hms[0];
    if (hour > 23 || hms[1] > 59 || hms[2] > 59) return false;
    // 12 AM is midnight, 0 PM and 12 PM are noon; above 12 the marker is ignored.
    if (t.marker == 0 && hour == 12) hour = 0;
    if (t.marker == 1 && hour < 12) hour += 12;
    *second = hour * 3600 + hms[1] * 60 + hms[2];
    return true;
}

struct Ymd {
    int64_t year, month, day;
};

bool ValidYear(int64_t value, int64_t* year)
{
    *year = ExpandShortYear(value);
    return *year >= 100 && *year <= 9999;
}

bool Valid(Ymd d) { return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= DaysInMonth(d.year, static_cast<int>(d.month)); }

// Three numbers in the order `order` (positions of year, month, day).
bool TryOrder(const int64_t v[3], DateOrder order, Ymd* out)
{
    Ymd d{};
    int64_t yv = 0;
    switch (order) {
    case DateOrder::MDY: d.month = v[0]; d.day = v[1]; yv = v[2]; break;
    case DateOrder::DMY: d.day = v[0]; d.month = v[1]; yv = v[2]; break;
    case DateOrder::YMD: yv = v[0]; d.month = v[1]; d.day = v[2]; break;
    }
    if (!ValidYear(yv, &d.year) || !Valid(d)) return false;
    *out = d;
    return true;
}

bool ResolveNumbers(const int64_t* v, size_t count, DateOrder localeOrder, Ymd* out)
{
    if (count == 3) {
        // The locale's order, then year-month-day (ISO), then the remaining
        // one: "14 2 3" is 2014-02-03 in en-US, "02-13-1970" is Feb 13 in de-DE.
        DateOrder orders[3] = {DateOrder::MDY, DateOrder::YMD, DateOrder::DMY};
        if (localeOrder == DateOrder::DMY) orders[0] = DateOrder::DMY, orders[2] = DateOrder::MDY;
        if (localeOrder == DateOrder::YMD) orders[0] = DateOrder::YMD, orders[1] = DateOrder::MDY;
        for (DateOrder o : orders)
            if (TryOrder(v, o, out)) return true;
        return false;
    }
    // Two numbers: month and day of the current year in either order, then
    // month and year, then year and month (day 1): "2 30" is 2030-02-01.
    const int64_t year = CurrentYear();
    const bool dayFirst = localeOrder == DateOrder::DMY;
    const Ymd tries[2] = {{year, v[dayFirst ? 1 : 0], v[dayFirst ? 0 : 1]}, {year, v[dayFirst ? 0 : 1], v[dayFirst ? 1 : 0]}};
    for (const Ymd& d : tries)
        if (Valid(d)) return *out = d, true;
    Ymd d{0, v[0], 1};
    if (ValidYear(v[1], &d.year) && Valid(d)) return *out = d, true;
    d = {0, v[1], 1};
    if (ValidYear(v[0], &d.year) && Valid(d)) return *out = d, true;
    return false;
}

bool ResolveWithMonth(int64_t month, const int64_t* v, size_t count, Ymd* out)
{
    if (count == 1) {
        // "Jan 2" is a day of the current year; "Jan 35" cannot be, so 35 is the year.
        Ymd d{CurrentYear(), month, v[0]};
        if (Valid(d)) return *out = d, true;
        d.day = 1;
        if (ValidYear(v[0], &d.year) && Valid(d)) return *out = d, true;
        return false;
    }
    // Day then year, or year then day, in the order written.
    for (int first = 0; first < 2; ++first) {
        Ymd d{0, month, v[first]};
        if (ValidYear(v[1 - first], &d.year) && Valid(d)) return *out = d, true;
    }
    return false;
}

bool ResolveDate(const std::vector<Element>& fields, DateOrder order, Ymd* out)
{
    if (fields.size() != 2 && fields.size() != 3) return false;
    int64_t numbers[3];
    size_t count = 0;
    int64_t month = 0;
    for (const Element& f : fields) {
        if (f.kind == Kind::Month) {
            if (month) return false;
            month = f.value;
        } else {
            numbers[count++] = f.value;
        }
    }
    return month ? ResolveWithMonth(month, numbers, count, out) : ResolveNumbers(numbers, count, order, out);
}

}  // namespace

HRESULT VarDateFromStr(LPCOLESTR in, LCID lcid, ULONG flags, DATE* out)
{
    if (!out) return E_INVALIDARG;
    if (!in) return DISP_E_TYPEMISMATCH;
    const LocaleInfo& loc = LocaleFor(lcid);

    std::vector<Element> elements;
    if (!Lex(std::u16string_view(in), loc, elements) || elements.empty()) return DISP_E_TYPEMISMATCH;
    if (IsDottedZero(elements)) return DISP_E_TYPEMISMATCH;
    Time time;
    std::vector<Element> fields;
    if (!Group(elements, &time, &fields)) return DISP_E_TYPEMISMATCH;
    if (fields.empty() && time.first < 0) return DISP_E_TYPEMISMATCH;

    int64_t second = 0;
    if (time.first >= 0 && !TimeOfDay(elements, time, &second)) return DISP_E_TYPEMISMATCH;
    int64_t day = 0;  // a time alone lies on day 0, 1899-12-30
    if (!fields.empty()) {
        Ymd d{};
        if (!ResolveDate(fields, loc.dateOrder, &d)) return DISP_E_TYPEMISMATCH;
        day = SerialFromCivil(d.year, static_cast<int>(d.month), d.day);
        if (!IsValidDay(day)) return DISP_E_TYPEMISMATCH;
    }

    if (flags & VAR_TIMEVALUEONLY) {
        *out = JoinDate(0, second);
    } else if (flags & VAR_DATEVALUEONLY) {
        *out = static_cast<DATE>(day);
    } else {
        *out = JoinDate(day, second);
    }
    return S_OK;
}
