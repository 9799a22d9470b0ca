// DATE -> text (VarBstrFromDate).
//
// US English (and every locale that answers as US English) writes what the
// original writes: "M/D/YYYY h:mm:ss AM", no leading zero on month, day and
// hour, hours 12, 1..11, years not padded ("1/1/100"). The time is left out at
// midnight and the date on the day 1899-12-30, so 0.0 is "12:00:00 AM".
//
// The other supported locales (en-GB, de-DE, fr-FR) write their short date
// order and separator with two-digit day and month, and a 24-hour time with
// two-digit fields: de-DE "02.01.1970 13:05:00", en-GB and fr-FR
// "02/01/1970 13:05:00". This follows those locales' short date and time
// pictures; the omission rules are the same as for US English, and the year
// is not padded there either.
#include <string>

#include "platform/bstr.h"
#include "platform/date_calendar.h"
#include "platform/hresult.h"
#include "platform/locale.h"
#include "platform/oleconv.h"

namespace {

using bvd::dates::Civil;

void AppendNumber(std::u16string& out, int64_t value, int width)
{
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value > 0);
    while (static_cast<int>(digits.size()) < width) digits.insert(digits.begin(), u'0');
    out += digits;
}

void AppendDate(std::u16string& out, const Civil& c, const LocaleInfo& loc)
{
    const bool us = loc.dateOrder == DateOrder::MDY;
    const int width = us ? 1 : 2;
    struct Field {
        int64_t value;
        int width;
    };
    Field fields[3];
    switch (loc.dateOrder) {
    case DateOrder::MDY: fields[0] = {c.month, width}; fields[1] = {c.day, width}; fields[2] = {c.year, 1}; break;
    case DateOrder::DMY: fields[0] = {c.day, width}; fields[1] = {c.month, width}; fields[2] = {c.year, 1}; break;
    case DateOrder::YMD: fields[0] = {c.year, 1}; fields[1] = {c.month, width}; fields[2] = {c.day, width}; break;
    }
    for (int i = 0; i < 3; ++i) {
        if (i) out += loc.dateSep;
        AppendNumber(out, fields[i].value, fields[i].width);
    }
}

void AppendTime(std::u16string& out, int64_t secondOfDay, const LocaleInfo& loc)
{
    const int64_t hour = secondOfDay / 3600;
    const bool twelveHour = loc.dateOrder == DateOrder::MDY;
    if (twelveHour) {
        AppendNumber(out, hour % 12 == 0 ? 12 : hour % 12, 1);
    } else {
        AppendNumber(out, hour, 2);
    }
    out += loc.timeSep;
    AppendNumber(out, secondOfDay / 60 % 60, 2);
    out += loc.timeSep;
    AppendNumber(out, secondOfDay % 60, 2);
    if (twelveHour) {
        out += u' ';
        out += hour < 12 ? loc.am : loc.pm;
    }
}

}  // namespace

HRESULT VarBstrFromDate(DATE in, LCID lcid, ULONG flags, BSTR* out)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    bvd::dates::DayAndTime split{};
    if (!bvd::dates::SplitDate(in, &split)) return E_INVALIDARG;
    const LocaleInfo& loc = LocaleFor(lcid);

    bool withDate = split.day != 0;
    bool withTime = split.second != 0 || !withDate || (flags & LOCALE_USE_NLS);
    if (flags & VAR_TIMEVALUEONLY) {
        withDate = false;
        withTime = true;
    } else if (flags & VAR_DATEVALUEONLY) {
        withDate = true;
        withTime = false;
    }

    std::u16string text;
    if (withDate) AppendDate(text, bvd::dates::CivilFromSerial(split.day), loc);
    if (withDate && withTime) text += u' ';
    if (withTime) AppendTime(text, split.second, loc);

    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}
