#pragma once
// Locale data: one record per supported LCID, in one table (locale.cpp).
// US English (1033) is the default every record starts from; LCID 0, the
// system and user defaults and every unsupported LCID answer as 1033.
// The process locale of the C library is never consulted.
#include <array>
#include <string_view>

#include "platform/export.h"
#include "platform/types.h"

enum class DateOrder { MDY, DMY, YMD };

struct LocaleInfo {
    LCID lcid;
    std::u16string_view name;            // "en-US"
    OLECHAR decimalSep;                  // '.'
    OLECHAR thousandsSep;                // ','
    OLECHAR negativeSign;                // '-'
    OLECHAR positiveSign;                // '+'
    std::u16string_view currency;        // "$"
    DateOrder dateOrder;                 // order of the short date
    OLECHAR dateSep;                     // '/'
    OLECHAR timeSep;                     // ':'
    std::u16string_view am;              // "AM"
    std::u16string_view pm;              // "PM"
    std::u16string_view trueWord;        // "True"  (VARIANT_LOCALBOOL)
    std::u16string_view falseWord;       // "False"
    std::array<std::u16string_view, 12> months;       // "January" ...
    std::array<std::u16string_view, 12> monthsShort;  // "Jan" ...
    std::array<std::u16string_view, 7> days;          // "Sunday" ...
    std::array<std::u16string_view, 7> daysShort;     // "Sun" ...
    // Long date picture as GetDateFormat reads it ("dddd, MMMM d, yyyy").
    std::u16string_view longDateFormat;
};

// The record for an LCID (only its language and sub-language count; sort and
// LOCALE_NOUSEROVERRIDE bits are ignored).
PLATFORM_API const LocaleInfo& LocaleFor(LCID lcid);
// Whether the LCID has a record of its own (otherwise it behaves as 1033).
PLATFORM_API bool IsLocaleSupported(LCID lcid);
