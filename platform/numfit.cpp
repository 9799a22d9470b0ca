// VarNumFromParseNum: fits the digits and power of ten found by the parser
// into the smallest requested type that holds them.
//
// Order of preference, as the original: integers from small to large (I1, UI1,
// I2, UI2, I4, UI4, I8, UI8), then R4, then R8. A number with a fraction goes
// to a real type when one is requested; otherwise it is rounded half to even
// and the range is checked after rounding (-0.5 fits VT_UI1 as 0). Hex and
// octal digits keep their sign bit: &H8002 is VT_I2 -32766.
// VT_CY and VT_DECIMAL are not produced by this platform.
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/oleconv.h"
#include "platform/oleconv_internal.h"

namespace {

constexpr ULONG kIntegerBits = VTBIT_I1 | VTBIT_UI1 | VTBIT_I2 | VTBIT_UI2 | VTBIT_I4 | VTBIT_UI4 | VTBIT_I8 | VTBIT_UI8;

struct Digits {
    const BYTE* d;
    int n;
    int pwr;
    bool negative;

    bool IsZero() const
    {
        for (int k = 0; k < n; ++k)
            if (d[k] != 0) return false;
        return true;
    }
    bool IsWhole() const { return pwr >= 0 || IsZero(); }  // trailing zeros were folded into pwr
};

// The magnitude rounded half to even; false when it exceeds 64 bits.
bool RoundedMagnitude(const Digits& x, uint64_t* out)
{
    if (x.IsZero()) {
        *out = 0;
        return true;
    }
    const long long wide = static_cast<long long>(x.n) + x.pwr;  // digits left of the decimal point
    if (wide > 20) return false;
    const int whole = wide < -1 ? -1 : static_cast<int>(wide);
    uint64_t m = 0;
    for (int k = 0; k < whole; ++k) {
        const int digit = k < x.n ? x.d[k] : 0;
        if (m > (UINT64_MAX - digit) / 10) return false;
        m = m * 10 + digit;
    }
    if (whole >= 0 && whole < x.n) {
        const int first = x.d[whole];
        bool rest = false;
        for (int k = whole + 1; k < x.n; ++k) rest = rest || x.d[k] != 0;
        if (first > 5 || (first == 5 && (rest || (m & 1)))) {
            if (m == UINT64_MAX) return false;
            ++m;
        }
    }
    *out = m;
    return true;
}

struct IntegerSlot {
    ULONG bit;
    VARTYPE vt;
    int bits;
    bool isSigned;
};
constexpr IntegerSlot kIntegers[] = {
    {VTBIT_I1, VT_I1, 8, true},   {VTBIT_UI1, VT_UI1, 8, false},  {VTBIT_I2, VT_I2, 16, true},
    {VTBIT_UI2, VT_UI2, 16, false}, {VTBIT_I4, VT_I4, 32, true},  {VTBIT_UI4, VT_UI4, 32, false},
    {VTBIT_I8, VT_I8, 64, true},  {VTBIT_UI8, VT_UI8, 64, false},
};

void Store(VARIANT* out, VARTYPE vt, int64_t value)
{
    out->vt = vt;
    switch (vt) {
    case VT_I1: out->cVal = static_cast<CHAR>(value); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(value); break;
    case VT_I2: out->iVal = static_cast<SHORT>(value); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(value); break;
    case VT_I4: out->lVal = static_cast<LONG>(value); break;
    case VT_UI4: out->ulVal = static_cast<ULONG>(value); break;
    case VT_I8: out->llVal = value; break;
    default: out->ullVal = static_cast<ULONGLONG>(value); break;
    }
}

// A signed magnitude into the first requested integer type that holds it.
bool FitInteger(uint64_t magnitude, bool negative, ULONG bits, VARIANT* out)
{
    for (const IntegerSlot& slot : kIntegers) {
        if (!(bits & slot.bit)) continue;
        if (negative) {
            if (!slot.isSigned || magnitude > (uint64_t{1} << (slot.bits - 1))) continue;
            Store(out, slot.vt, static_cast<int64_t>(0 - magnitude));
        } else {
            const uint64_t max = slot.bits == 64 ? (slot.isSigned ? uint64_t{INT64_MAX} : UINT64_MAX)
                                                 : (uint64_t{1} << (slot.bits - (slot.isSigned ? 1 : 0))) - 1;
            if (magnitude > max) continue;
            Store(out, slot.vt, static_cast<int64_t>(magnitude));
        }
        return true;
    }
    return false;
}

// Hex and octal: the smallest requested size whose bits hold the digits; a
// signed type of that size takes the top bit as its sign.
bool FitRadix(uint64_t value, ULONG bits, VARIANT* out)
{
    for (const IntegerSlot& slot : kIntegers) {
        if (!(bits & slot.bit)) continue;
        if (slot.bits < 64 && value >> slot.bits) continue;
        int64_t v = static_cast<int64_t>(value);
        if (slot.isSigned && slot.bits < 64 && (value >> (slot.bits - 1)) & 1) v -= int64_t{1} << (slot.bits - 1) << 1;
        Store(out, slot.vt, v);
        return true;
    }
    return false;
}

// The decimal value as a correctly rounded real of type T. False on overflow;
// a value too small for T becomes 0 (the original underflows silently).
template <class T>
bool ToReal(const Digits& x, T* out)
{
    if (x.IsZero()) {
        *out = 0;
        return true;
    }
    const long lead = static_cast<long>(x.n) + x.pwr - 1;  // decimal exponent of the first digit
    if (lead < -400) {
        *out = 0;
        return true;
    }
    if (lead > 400) return false;
    std::string text;
    text.reserve(x.n + 8);
    for (int k = 0; k < x.n; ++k) text += static_cast<char>('0' + x.d[k]);
    text += 'e';
    text += std::to_string(x.pwr);
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        if (lead > 0) return false;
        value = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    *out = x.negative ? -value : value;
    return true;
}

HRESULT FitReal(const Digits& x, ULONG bits, VARIANT* out)
{
    double d = 0;
    const bool fitsDouble = ToReal(x, &d);
    if (bits & VTBIT_R4) {
        float f = 0;
        // Float is preferred when it holds the value exactly or is the only
        // real type asked for.
        if (ToReal(x, &f) && (!(bits & VTBIT_R8) || (fitsDouble && static_cast<double>(f) == d))) {
            out->vt = VT_R4;
            out->fltVal = f;
            return S_OK;
        }
        if (!(bits & VTBIT_R8)) return DISP_E_OVERFLOW;
    }
    if (bits & VTBIT_R8) {
        if (!fitsDouble) return DISP_E_OVERFLOW;
        out->vt = VT_R8;
        out->dblVal = d;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;  // only VT_CY / VT_DECIMAL asked for
}

}  // namespace

HRESULT VarNumFromParseNum(NUMPARSE* numprs, BYTE* rgbDig, ULONG dwVtBits, VARIANT* out)
{
    if (!numprs || !rgbDig || !out) return E_INVALIDARG;
    const Digits x{rgbDig, numprs->cDig, numprs->nPwr10, (numprs->dwOutFlags & NUMPRS_NEG) != 0};
    const ULONG realBits = dwVtBits & (VTBIT_R4 | VTBIT_R8);

    if (numprs->nBaseShift != 0) {
        const int shift = numprs->nBaseShift;
        uint64_t value = 0;
        bool tooBig = false;
        for (int k = 0; k < x.n; ++k) {
            if (value >> (64 - shift)) tooBig = true;
            value = (value << shift) | x.d[k];
        }
        if (!tooBig && !x.negative && FitRadix(value, dwVtBits, out)) return S_OK;
        if (!tooBig && x.negative && FitInteger(value, true, dwVtBits, out)) return S_OK;
        if (!realBits) return DISP_E_OVERFLOW;
        double d = 0;
        for (int k = 0; k < x.n; ++k) d = d * (1 << shift) + x.d[k];
        if ((dwVtBits & VTBIT_R4) && (!(dwVtBits & VTBIT_R8) || static_cast<double>(static_cast<float>(d)) == d)) {
            out->vt = VT_R4;
            out->fltVal = static_cast<float>(x.negative ? -d : d);
        } else {
            out->vt = VT_R8;
            out->dblVal = x.negative ? -d : d;
        }
        return S_OK;
    }

    const bool wantsInteger = (dwVtBits & kIntegerBits) != 0;
    const bool wantsOther = (dwVtBits & ~kIntegerBits) != 0;
    if (wantsInteger && (x.IsWhole() || !wantsOther)) {
        uint64_t magnitude = 0;
        if (RoundedMagnitude(x, &magnitude) && FitInteger(magnitude, x.negative && magnitude != 0, dwVtBits, out))
            return S_OK;
        if (!wantsOther) return DISP_E_OVERFLOW;
    }
    if (!wantsOther) return DISP_E_TYPEMISMATCH;
    return FitReal(x, dwVtBits, out);
}

namespace oleconv {

HRESULT NumberFromText(LPCOLESTR text, LCID lcid, ULONG vtBit, VARIANT* out)
{
    constexpr int kDigits = 128;
    BYTE digits[kDigits];
    NUMPARSE np{};
    np.cDig = kDigits;
    np.dwInFlags = NUMPRS_STD;
    HRESULT hr = VarParseNumFromStr(text, lcid, 0, &np, digits);
    if (FAILED(hr)) return hr;
    return VarNumFromParseNum(&np, digits, vtBit, out);
}

}  // namespace oleconv
