// VarParseNumFromStr: the lexer of every text-to-number conversion. It reads
// the text with the locale's characters into decimal (or hex/octal) digits, a
// power of ten and flags saying what it met; it never builds a value.
//
//   [lead: blanks, one sign, "(", currency]  digits [thousands] [point digits]
//   [e[sign]digits]  [trail: blanks, one sign, ")", currency]
//
// Each element is taken only when its NUMPRS_ input flag allows it; the output
// flags name the elements actually met. Leading zeros are dropped, trailing
// zeros of the stored digits become powers of ten, and a digit that does not
// fit the caller's buffer sets NUMPRS_INEXACT unless it is a zero.
#include <string_view>

#include "platform/locale.h"
#include "platform/oleconv.h"
#include "platform/oleconv_internal.h"

namespace {

using oleconv::IsNumberBlank;

bool StartsWith(LPCOLESTR s, std::u16string_view prefix)
{
    if (prefix.empty()) return false;
    for (size_t k = 0; k < prefix.size(); ++k)
        if (s[k] != prefix[k]) return false;
    return true;
}

// The locale's grouping character. French groups with a no-break space; a
// plain space is taken for it too, as people type it (matches the original).
bool IsThousands(OLECHAR c, const LocaleInfo& loc)
{
    return c == loc.thousandsSep || (loc.thousandsSep == u'\u00a0' && c == u' ');
}

int DigitValue(OLECHAR c, int baseShift)
{
    if (c >= u'0' && c <= u'9') {
        const int v = c - u'0';
        return baseShift == 3 && v > 7 ? -1 : v;
    }
    if (baseShift == 4) {
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    }
    return -1;
}

class Lexer {
public:
    Lexer(LPCOLESTR s, const LocaleInfo& loc, ULONG in, BYTE* digits, int capacity)
        : s_(s), loc_(loc), in_(in), dig_(digits), cap_(capacity) {}

    HRESULT Run(NUMPARSE* np)
    {
        Leading();
        if (!Body()) return DISP_E_TYPEMISMATCH;
        Trailing();
        if (parenOpen_) return DISP_E_TYPEMISMATCH;
        if ((in_ & NUMPRS_USE_ALL) && s_[i_] != 0) return DISP_E_TYPEMISMATCH;
        np->cDig = n_;
        np->dwOutFlags = out_;
        np->cchUsed = static_cast<INT>(i_);
        np->nBaseShift = shift_;
        np->nPwr10 = pwr_;
        return S_OK;
    }

private:
    bool Allowed(ULONG flag) const { return (in_ & flag) != 0; }
    void Take(ULONG flag, size_t chars = 1) { out_ |= flag; i_ += chars; }

    void Leading()
    {
        for (;;) {
            const OLECHAR c = s_[i_];
            if (Allowed(NUMPRS_LEADING_WHITE) && IsNumberBlank(c)) Take(NUMPRS_LEADING_WHITE);
            else if (!signSeen_ && Allowed(NUMPRS_LEADING_PLUS) && c == loc_.positiveSign) Sign(NUMPRS_LEADING_PLUS);
            else if (!signSeen_ && Allowed(NUMPRS_LEADING_MINUS) && c == loc_.negativeSign) Sign(NUMPRS_LEADING_MINUS | NUMPRS_NEG);
            else if (!(out_ & NUMPRS_PARENS) && Allowed(NUMPRS_PARENS) && c == u'(') {
                parenOpen_ = true;
                Take(NUMPRS_PARENS);
            }
            // One currency sign in front ("$$11" is refused).
            else if (!(out_ & NUMPRS_CURRENCY) && Allowed(NUMPRS_CURRENCY) && StartsWith(s_ + i_, loc_.currency))
                Take(NUMPRS_CURRENCY, loc_.currency.size());
            else return;
        }
    }

    void Sign(ULONG flags)
    {
        signSeen_ = true;
        Take(flags);
    }

    // Stores one significant digit or, when the buffer is full, accounts for
    // it: returns false when it was dropped.
    bool Store(int v)
    {
        if (n_ < cap_) {
            dig_[n_++] = static_cast<BYTE>(v);
            return true;
        }
        if (v != 0) out_ |= NUMPRS_INEXACT;
        return false;
    }

    bool Body()
    {
        const OLECHAR c = s_[i_];
        if (Allowed(NUMPRS_HEX_OCT) && c == u'&') {
            const OLECHAR r = s_[i_ + 1] | 0x20;
            if (r == u'h' || r == u'o') return Radix(r == u'h' ? 4 : 3);
        }
        return Decimal();
    }

    // VB-style "&H" / "&O" numbers: whole digits only, no fraction, exponent,
    // grouping or currency amount.
    bool Radix(int shift)
    {
        if (out_ & NUMPRS_CURRENCY) return false;
        shift_ = shift;
        i_ += 2;
        bool any = false, significant = false;
        for (int v; (v = DigitValue(s_[i_], shift)) >= 0; ++i_) {
            any = true;
            if (!significant && v == 0) continue;
            significant = true;
            Store(v);
        }
        if (!any) return false;
        if (!significant && cap_ > 0) dig_[n_++] = 0;
        out_ |= NUMPRS_HEX_OCT;
        return true;
    }

    bool Decimal()
    {
        bool any = false, significant = false, point = false;
        for (;;) {
            const OLECHAR c = s_[i_];
            if (c >= u'0' && c <= u'9') {
                const int v = c - u'0';
                any = true;
                ++i_;
                if (!significant && v == 0) {
                    if (point) --pwr_;  // ".001": zeros after the point still scale
                    continue;
                }
                significant = true;
                const bool stored = Store(v);
                if (point && stored) --pwr_;
                if (!point && !stored) ++pwr_;
            }
            // Grouping is accepted anywhere after the first digit, repeated or
            // trailing ("1,,000", "1,"), as the original does. It is accepted
            // after the decimal point too: fr-FR "1 234,5 €" is read whole
            // without TRAILING_WHITE. So de-DE "1,234.5" reads as 1.2345.
            else if (any && Allowed(NUMPRS_THOUSANDS) && IsThousands(c, loc_)) Take(NUMPRS_THOUSANDS);
            else if (!point && Allowed(NUMPRS_DECIMAL) && c == loc_.decimalSep) {
                point = true;
                Take(NUMPRS_DECIMAL);
            } else break;
        }
        if (!any) return false;
        if (Allowed(NUMPRS_EXPONENT)) Exponent();
        if (!significant) {
            if (cap_ > 0) dig_[n_++] = 0;  // zero is the single digit 0
        } else {
            while (n_ > 1 && dig_[n_ - 1] == 0) {
                --n_;
                ++pwr_;
            }
        }
        return true;
    }

    // "e" or "E", an optional sign and at least one digit; no blank before it.
    void Exponent()
    {
        const OLECHAR e = s_[i_];
        if (e != u'e' && e != u'E') return;
        size_t j = i_ + 1;
        bool negative = false;
        if (s_[j] == loc_.negativeSign || s_[j] == loc_.positiveSign) negative = s_[j++] == loc_.negativeSign;
        if (s_[j] < u'0' || s_[j] > u'9') return;
        constexpr int kLimit = 100000000;  // far beyond any double; keeps nPwr10 from wrapping
        int value = 0;
        for (; s_[j] >= u'0' && s_[j] <= u'9'; ++j)
            if (value < kLimit) value = value * 10 + (s_[j] - u'0');
        pwr_ += negative ? -value : value;
        i_ = j;
        out_ |= NUMPRS_EXPONENT;
    }

    void Trailing()
    {
        for (;;) {
            const OLECHAR c = s_[i_];
            // A character the locale groups with is never trailing white
            // (French "3 " is a trailing separator or nothing).
            if (Allowed(NUMPRS_TRAILING_WHITE) && IsNumberBlank(c) && !IsThousands(c, loc_)) Take(NUMPRS_TRAILING_WHITE);
            else if (!signSeen_ && Allowed(NUMPRS_TRAILING_PLUS) && c == loc_.positiveSign) Sign(NUMPRS_TRAILING_PLUS);
            else if (!signSeen_ && Allowed(NUMPRS_TRAILING_MINUS) && c == loc_.negativeSign) Sign(NUMPRS_TRAILING_MINUS | NUMPRS_NEG);
            else if (parenOpen_ && c == u')') {
                parenOpen_ = false;
                Take(NUMPRS_NEG);
            }
            // Currency behind a decimal amount, repeatable ("$11$$").
            else if (shift_ == 0 && Allowed(NUMPRS_CURRENCY) && StartsWith(s_ + i_, loc_.currency))
                Take(NUMPRS_CURRENCY, loc_.currency.size());
            else return;
        }
    }

    LPCOLESTR s_;
    const LocaleInfo& loc_;
    ULONG in_;
    BYTE* dig_;
    int cap_;
    size_t i_ = 0;
    ULONG out_ = 0;
    int n_ = 0;
    int pwr_ = 0;
    int shift_ = 0;
    bool signSeen_ = false;
    bool parenOpen_ = false;
};

}  // namespace

HRESULT VarParseNumFromStr(LPCOLESTR str, LCID lcid, ULONG /*dwFlags*/, NUMPARSE* numprs, BYTE* rgbDig)
{
    if (!numprs || !rgbDig) return E_INVALIDARG;
    if (!str) return DISP_E_TYPEMISMATCH;
    Lexer lexer(str, LocaleFor(lcid), numprs->dwInFlags, rgbDig, numprs->cDig);
    return lexer.Run(numprs);
}
