#pragma once
// What the conversion files share inside the library (nothing here is
// exported): the one rounding rule for every real-to-integer path, the range
// check of integer pairs, and text-to-number as parse-then-fit.
#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

#include "platform/hresult.h"
#include "platform/oleconv.h"
#include "platform/types.h"

namespace oleconv {

// Rounds to the nearest integer, halves to the even neighbour (banker's
// rounding), as every real-to-integer conversion of the original does:
// 0.5 -> 0, 1.5 -> 2, -2.5 -> -2.
inline double RoundHalfEven(double x)
{
    const double floor = std::floor(x);
    const double diff = x - floor;  // exact for every finite double
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

// Integer from integer: the value must fit the destination's range.
template <class To, class From>
HRESULT IntegerFromInteger(From in, To* out)
{
    // Plain char (VT_I1's CHAR) is compared as the signed byte it holds.
    using Range = std::conditional_t<std::is_same_v<To, char>, signed char, To>;
    using ToLimits = std::numeric_limits<Range>;
    if (std::cmp_less(in, ToLimits::min()) || std::cmp_greater(in, ToLimits::max())) return DISP_E_OVERFLOW;
    *out = static_cast<To>(in);
    return S_OK;
}

// Integer from real: rounded half to even first, then range-checked, so a
// value that rounds into range is accepted (-0.5 -> 0 even for unsigned).
template <class To>
HRESULT IntegerFromReal(double in, To* out)
{
    if (std::isnan(in)) return DISP_E_OVERFLOW;
    const double r = RoundHalfEven(in);
    // Both limits are exact in a double for every integer type up to 32 bits;
    // for 64 bits max()+1 is a power of two and exact too.
    const double lo = static_cast<double>(std::numeric_limits<To>::min());
    const double hiExclusive = static_cast<double>(std::numeric_limits<To>::max() / 2 + 1) * 2.0;
    if (r < lo || r >= hiExclusive) return DISP_E_OVERFLOW;
    *out = static_cast<To>(r);
    return S_OK;
}

// Text to number: VarParseNumFromStr with NUMPRS_STD, then
// VarNumFromParseNum into exactly one type (`vtBit`).
HRESULT NumberFromText(LPCOLESTR text, LCID lcid, ULONG vtBit, VARIANT* out);

// White space around a number: space, no-break space, tab, LF, VT, FF, CR.
inline bool IsNumberBlank(OLECHAR c)
{
    return c == u' ' || c == u'\u00a0' || (c >= u'\t' && c <= u'\r');
}

}  // namespace oleconv
