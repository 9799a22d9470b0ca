// Conversions to VT_BOOL, one function per source type: zero (also -0.0) is
// VARIANT_FALSE, any other value VARIANT_TRUE; reals are not rounded (0.4 is
// true).
//
// Text is read, in this order, as:
//   1. the locale's own words ("Vrai"/"Faux"), any case, only with VAR_LOCALBOOL;
//   2. the English words "True"/"False", any case, in every locale;
//   3. "#TRUE#"/"#FALSE#", exactly in that case;
//   4. a number in the locale's format, true when non-zero.
// "Yes", "No", "On", "Off" are never words here, whatever the flags.
#include <string_view>

#include "platform/locale.h"
#include "platform/oleconv.h"

namespace {

VARIANT_BOOL FromTruth(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

OLECHAR Fold(OLECHAR c)
{
    if (c >= u'A' && c <= u'Z') return c + (u'a' - u'A');
    // Latin-1 capitals (the localized words stay within Latin-1).
    if (c >= u'\u00c0' && c <= u'\u00de' && c != u'\u00d7') return c + 0x20;
    return c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (Fold(a[k]) != Fold(b[k])) return false;
    return true;
}

// Matches the text against a true/false pair; sets *out when it matches.
bool MatchWords(std::u16string_view text, std::u16string_view t, std::u16string_view f, bool caseSensitive,
                VARIANT_BOOL* out)
{
    auto same = [&](std::u16string_view w) { return caseSensitive ? text == w : EqualsNoCase(text, w); };
    if (same(t)) *out = VARIANT_TRUE;
    else if (same(f)) *out = VARIANT_FALSE;
    else return false;
    return true;
}

}  // namespace

HRESULT VarBoolFromI2(SHORT in, VARIANT_BOOL* out) { *out = FromTruth(in != 0); return S_OK; }
HRESULT VarBoolFromI4(LONG in, VARIANT_BOOL* out) { *out = FromTruth(in != 0); return S_OK; }
HRESULT VarBoolFromR4(FLOAT in, VARIANT_BOOL* out) { *out = FromTruth(in != 0.0f); return S_OK; }
HRESULT VarBoolFromR8(DOUBLE in, VARIANT_BOOL* out) { *out = FromTruth(in != 0.0); return S_OK; }
HRESULT VarBoolFromDate(DATE in, VARIANT_BOOL* out) { *out = FromTruth(in != 0.0); return S_OK; }

HRESULT VarBoolFromStr(LPCOLESTR in, LCID lcid, ULONG flags, VARIANT_BOOL* out)
{
    if (!in) return DISP_E_TYPEMISMATCH;
    const std::u16string_view text(in);
    const LocaleInfo& loc = LocaleFor(lcid);
    if ((flags & VAR_LOCALBOOL) && MatchWords(text, loc.trueWord, loc.falseWord, false, out)) return S_OK;
    if (MatchWords(text, u"True", u"False", false, out)) return S_OK;
    if (MatchWords(text, u"#TRUE#", u"#FALSE#", true, out)) return S_OK;
    double d = 0;
    HRESULT hr = VarR8FromStr(in, lcid, flags, &d);
    if (SUCCEEDED(hr)) *out = FromTruth(d != 0.0);
    return hr;
}
