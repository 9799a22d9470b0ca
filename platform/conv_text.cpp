// Conversions of numbers and booleans to VT_BSTR.
//
// Reals are written in one fixed "C" style and the locale's characters are
// swapped in last, so the process locale never matters:
//   * R8 keeps 15 significant digits, R4 7, rounded half away from zero on
//     the exact binary value (654322.25f -> "654322.3"), trailing zeros
//     dropped, no grouping, "0." before pure fractions;
//   * fixed notation while the number needs at most that many digit
//     positions (integer digits, or decimals after the point), otherwise
//     scientific: "1E+15", "5.6789E-12" (explicit sign, two exponent digits
//     at least), the same in every locale;
//   * the decimal separator always comes from the LCID (0.5 -> "0,5" in
//     fr-FR), even without LOCALE_USE_NLS, as the original does.
// Negative zero prints "0".
#include <charconv>
#include <cmath>
#include <string>

#include "platform/bstr.h"
#include "platform/locale.h"
#include "platform/oleconv.h"

namespace {

HRESULT Emit(std::u16string_view text, BSTR* out)
{
    if (!out) return E_INVALIDARG;
    BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!s) return E_OUTOFMEMORY;
    *out = s;
    return S_OK;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A positive finite value as significant digits d1 d2 ... dn (no trailing
// zeros) and the decimal exponent of d1.
struct Significant {
    std::string digits;
    int exponent;
};

// Decimal digits of `value` (d1 d2 ... without the point) and the exponent of
// d1, with `precision` digits after the first (correctly rounded).
std::string Expand(double value, int precision, int* exponent)
{
    char buf[1100];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision);
    const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    const size_t e = text.find('e');
    std::string all;
    all += text[0];
    if (e > 2) all.append(text.substr(2, e - 2));
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), *exponent);
    return all;
}

Significant RoundToSignificant(double value, int significant)
{
    const size_t keep = static_cast<size_t>(significant);
    // 30 more digits decide the rounding, unless they read as an exact half
    // ("5000..."), which the rounding of the expansion itself may have made:
    // then the exact expansion decides (a double has at most 767 significant
    // digits).
    int exponent = 0;
    std::string all = Expand(value, significant + 29, &exponent);
    if (all[keep] == '5' && all.find_first_not_of('0', keep + 1) == std::string::npos)
        all = Expand(value, 800, &exponent);

    std::string digits = all.substr(0, keep);
    if (all[keep] >= '5') {
        int k = significant - 1;
        for (; k >= 0 && digits[static_cast<size_t>(k)] == '9'; --k) digits[static_cast<size_t>(k)] = '0';
        if (k >= 0) {
            ++digits[static_cast<size_t>(k)];
        } else {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++exponent;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return {digits, exponent};
}

std::string FormatPositive(double value, int significant)
{
    const auto [digits, exp] = RoundToSignificant(value, significant);
    const int n = static_cast<int>(digits.size());
    const int positions = exp >= 0 ? exp + 1 : -exp - 1 + n;
    if (positions <= significant) {
        if (exp < 0) return "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
        if (n <= exp + 1) return digits + std::string(static_cast<size_t>(exp + 1 - n), '0');
        return digits.substr(0, static_cast<size_t>(exp + 1)) + "." + digits.substr(static_cast<size_t>(exp + 1));
    }
    std::string text = digits.substr(0, 1);
    if (n > 1) text += "." + digits.substr(1);
    const int magnitude = exp < 0 ? -exp : exp;
    text += exp < 0 ? "E-" : "E+";
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
    return text;
}

// Infinities and NaN cannot come from any conversion of this platform; they
// print as the original's C runtime wrote them.
std::string FormatReal(double value, int significant)
{
    if (std::isnan(value)) return "1.#QNAN";
    if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
    if (value == 0.0) return "0";
    const std::string text = FormatPositive(std::fabs(value), significant);
    return value < 0 ? "-" + text : text;
}

HRESULT EmitReal(double value, int significant, LCID lcid, BSTR* out)
{
    const LocaleInfo& loc = LocaleFor(lcid);
    std::u16string text = Widen(FormatReal(value, significant));
    for (OLECHAR& c : text) {
        if (c == u'.') c = loc.decimalSep;
        else if (c == u'-') c = loc.negativeSign;
    }
    return Emit(text, out);
}

HRESULT EmitInteger(LONG value, LCID lcid, BSTR* out)
{
    std::u16string text = Widen(std::to_string(value));
    if (value < 0) text[0] = LocaleFor(lcid).negativeSign;
    return Emit(text, out);
}

}  // namespace

HRESULT VarBstrFromI2(SHORT in, LCID lcid, ULONG /*flags*/, BSTR* out) { return EmitInteger(in, lcid, out); }
HRESULT VarBstrFromI4(LONG in, LCID lcid, ULONG /*flags*/, BSTR* out) { return EmitInteger(in, lcid, out); }
HRESULT VarBstrFromR4(FLOAT in, LCID lcid, ULONG /*flags*/, BSTR* out) { return EmitReal(in, 7, lcid, out); }
HRESULT VarBstrFromR8(DOUBLE in, LCID lcid, ULONG /*flags*/, BSTR* out) { return EmitReal(in, 15, lcid, out); }

// "True"/"False" in English; the locale's words with VAR_LOCALBOOL. Any
// non-zero value is true.
HRESULT VarBstrFromBool(VARIANT_BOOL in, LCID lcid, ULONG flags, BSTR* out)
{
    if (flags & VAR_LOCALBOOL) {
        const LocaleInfo& loc = LocaleFor(lcid);
        return Emit(in ? loc.trueWord : loc.falseWord, out);
    }
    return Emit(in ? u"True" : u"False", out);
}
