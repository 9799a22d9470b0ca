// The locale table: one record per supported LCID. Every record starts as a
// copy of US English and overrides what differs, so a field a locale does not
// name keeps the US value. Unknown LCIDs answer as US English.
//
// Texts are those of the original platform's national-language data for the
// four locales (separators, currency, short date order, designators, month
// and day names, long date picture). The AM/PM designators of de-DE and fr-FR
// are empty, as there: those locales write 24-hour times.
#include "platform/locale.h"

namespace {

constexpr LocaleInfo MakeEnUs()
{
    LocaleInfo l{};
    l.lcid = 0x0409;
    l.name = u"en-US";
    l.decimalSep = u'.';
    l.thousandsSep = u',';
    l.negativeSign = u'-';
    l.positiveSign = u'+';
    l.currency = u"$";
    l.dateOrder = DateOrder::MDY;
    l.dateSep = u'/';
    l.timeSep = u':';
    l.am = u"AM";
    l.pm = u"PM";
    l.trueWord = u"True";
    l.falseWord = u"False";
    l.months = {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
                u"September", u"October", u"November", u"December"};
    l.monthsShort = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    l.days = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
    l.daysShort = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
    l.longDateFormat = u"dddd, MMMM d, yyyy";
    return l;
}

constexpr LocaleInfo MakeEnGb()
{
    LocaleInfo l = MakeEnUs();
    l.lcid = 0x0809;
    l.name = u"en-GB";
    l.currency = u"\u00a3";
    l.dateOrder = DateOrder::DMY;
    l.longDateFormat = u"dd MMMM yyyy";
    return l;
}

constexpr LocaleInfo MakeDeDe()
{
    LocaleInfo l = MakeEnUs();
    l.lcid = 0x0407;
    l.name = u"de-DE";
    l.decimalSep = u',';
    l.thousandsSep = u'.';
    l.currency = u"\u20ac";
    l.dateOrder = DateOrder::DMY;
    l.dateSep = u'.';
    l.am = u"";
    l.pm = u"";
    l.trueWord = u"Wahr";
    l.falseWord = u"Falsch";
    l.months = {u"Januar", u"Februar", u"M\u00e4rz", u"April", u"Mai", u"Juni", u"Juli", u"August",
                u"September", u"Oktober", u"November", u"Dezember"};
    l.monthsShort = {u"Jan", u"Feb", u"M\u00e4r", u"Apr", u"Mai", u"Jun", u"Jul", u"Aug", u"Sep", u"Okt", u"Nov", u"Dez"};
    l.days = {u"Sonntag", u"Montag", u"Dienstag", u"Mittwoch", u"Donnerstag", u"Freitag", u"Samstag"};
    l.daysShort = {u"So", u"Mo", u"Di", u"Mi", u"Do", u"Fr", u"Sa"};
    l.longDateFormat = u"dddd, d. MMMM yyyy";
    return l;
}

constexpr LocaleInfo MakeFrFr()
{
    LocaleInfo l = MakeEnUs();
    l.lcid = 0x040C;
    l.name = u"fr-FR";
    l.decimalSep = u',';
    // No-break space; the number parser also takes a plain space for it.
    l.thousandsSep = u'\u00a0';
    l.currency = u"\u20ac";
    l.dateOrder = DateOrder::DMY;
    l.am = u"";
    l.pm = u"";
    l.trueWord = u"Vrai";
    l.falseWord = u"Faux";
    l.months = {u"janvier", u"f\u00e9vrier", u"mars", u"avril", u"mai", u"juin", u"juillet", u"ao\u00fbt",
                u"septembre", u"octobre", u"novembre", u"d\u00e9cembre"};
    l.monthsShort = {u"janv.", u"f\u00e9vr.", u"mars", u"avr.", u"mai", u"juin", u"juil.", u"ao\u00fbt",
                     u"sept.", u"oct.", u"nov.", u"d\u00e9c."};
    l.days = {u"dimanche", u"lundi", u"mardi", u"mercredi", u"jeudi", u"vendredi", u"samedi"};
    l.daysShort = {u"dim.", u"lun.", u"mar.", u"mer.", u"jeu.", u"ven.", u"sam."};
    l.longDateFormat = u"dddd d MMMM yyyy";
    return l;
}

constexpr std::array<LocaleInfo, 4> kLocales = {MakeEnUs(), MakeEnGb(), MakeDeDe(), MakeFrFr()};

const LocaleInfo* Find(LCID lcid)
{
    const LANGID lang = LANGIDFROMLCID(lcid);
    for (const LocaleInfo& l : kLocales)
        if (l.lcid == lang) return &l;
    return nullptr;
}

}  // namespace

const LocaleInfo& LocaleFor(LCID lcid)
{
    const LocaleInfo* l = Find(lcid);
    return l ? *l : kLocales[0];
}

bool IsLocaleSupported(LCID lcid) { return Find(lcid) != nullptr; }
