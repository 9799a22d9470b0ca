#pragma once
// The automation conversions, one function per (destination, source) pair, and
// the two steps every text-to-number conversion goes through: parse the text
// into digits and a power of ten (VarParseNumFromStr), then fit that number
// into the requested type (VarNumFromParseNum).
#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/types.h"
#include "platform/variant.h"

struct NUMPARSE {
    INT cDig;        // in: size of the digit buffer; out: digits written
    ULONG dwInFlags;
    ULONG dwOutFlags;
    INT cchUsed;     // characters consumed
    INT nBaseShift;  // 0 decimal, 3 octal, 4 hexadecimal
    INT nPwr10;      // power of ten applied to the digits
};

inline constexpr ULONG NUMPRS_LEADING_WHITE = 0x0001;
inline constexpr ULONG NUMPRS_TRAILING_WHITE = 0x0002;
inline constexpr ULONG NUMPRS_LEADING_PLUS = 0x0004;
inline constexpr ULONG NUMPRS_TRAILING_PLUS = 0x0008;
inline constexpr ULONG NUMPRS_LEADING_MINUS = 0x0010;
inline constexpr ULONG NUMPRS_TRAILING_MINUS = 0x0020;
inline constexpr ULONG NUMPRS_HEX_OCT = 0x0040;
inline constexpr ULONG NUMPRS_PARENS = 0x0080;
inline constexpr ULONG NUMPRS_DECIMAL = 0x0100;
inline constexpr ULONG NUMPRS_THOUSANDS = 0x0200;
inline constexpr ULONG NUMPRS_CURRENCY = 0x0400;
inline constexpr ULONG NUMPRS_EXPONENT = 0x0800;
inline constexpr ULONG NUMPRS_USE_ALL = 0x1000;
inline constexpr ULONG NUMPRS_STD = 0x1FFF;
inline constexpr ULONG NUMPRS_NEG = 0x10000;
inline constexpr ULONG NUMPRS_INEXACT = 0x20000;

inline constexpr ULONG VTBIT_I1 = 1u << VT_I1;
inline constexpr ULONG VTBIT_UI1 = 1u << VT_UI1;
inline constexpr ULONG VTBIT_I2 = 1u << VT_I2;
inline constexpr ULONG VTBIT_UI2 = 1u << VT_UI2;
inline constexpr ULONG VTBIT_I4 = 1u << VT_I4;
inline constexpr ULONG VTBIT_UI4 = 1u << VT_UI4;
inline constexpr ULONG VTBIT_I8 = 1u << VT_I8;
inline constexpr ULONG VTBIT_UI8 = 1u << VT_UI8;
inline constexpr ULONG VTBIT_R4 = 1u << VT_R4;
inline constexpr ULONG VTBIT_R8 = 1u << VT_R8;
inline constexpr ULONG VTBIT_CY = 1u << VT_CY;
inline constexpr ULONG VTBIT_DECIMAL = 1u << VT_DECIMAL;

// Flags of the VarXxxFromStr / VarBstrFromXxx family.
inline constexpr ULONG VAR_TIMEVALUEONLY = 0x01;
inline constexpr ULONG VAR_DATEVALUEONLY = 0x02;
inline constexpr ULONG VAR_VALIDDATE = 0x04;
inline constexpr ULONG VAR_CALENDAR_HIJRI = 0x08;
inline constexpr ULONG VAR_LOCALBOOL = 0x10;
inline constexpr ULONG VAR_FORMAT_NOSUBSTITUTE = 0x20;
inline constexpr ULONG VAR_FOURDIGITYEARS = 0x40;
// Passed by VariantChangeTypeEx to VarBstrFromDate when the caller gave
// VARIANT_USE_NLS: the time is then written even at midnight.
inline constexpr ULONG LOCALE_USE_NLS = 0x10000000;

// Valid DATE range: 1/1/100 to 12/31/9999.
inline constexpr double DATE_MIN = -657434.0;
inline constexpr double DATE_MAX = 2958465.0;

PLATFORM_API HRESULT VarParseNumFromStr(LPCOLESTR str, LCID lcid, ULONG dwFlags, NUMPARSE* numprs, BYTE* rgbDig);
PLATFORM_API HRESULT VarNumFromParseNum(NUMPARSE* numprs, BYTE* rgbDig, ULONG dwVtBits, VARIANT* out);

// To VT_I2.
PLATFORM_API HRESULT VarI2FromI4(LONG in, SHORT* out);
PLATFORM_API HRESULT VarI2FromR4(FLOAT in, SHORT* out);
PLATFORM_API HRESULT VarI2FromR8(DOUBLE in, SHORT* out);
PLATFORM_API HRESULT VarI2FromDate(DATE in, SHORT* out);
PLATFORM_API HRESULT VarI2FromBool(VARIANT_BOOL in, SHORT* out);
PLATFORM_API HRESULT VarI2FromStr(LPCOLESTR in, LCID lcid, ULONG flags, SHORT* out);
// To VT_I4.
PLATFORM_API HRESULT VarI4FromI2(SHORT in, LONG* out);
PLATFORM_API HRESULT VarI4FromR4(FLOAT in, LONG* out);
PLATFORM_API HRESULT VarI4FromR8(DOUBLE in, LONG* out);
PLATFORM_API HRESULT VarI4FromDate(DATE in, LONG* out);
PLATFORM_API HRESULT VarI4FromBool(VARIANT_BOOL in, LONG* out);
PLATFORM_API HRESULT VarI4FromStr(LPCOLESTR in, LCID lcid, ULONG flags, LONG* out);
// To VT_R4.
PLATFORM_API HRESULT VarR4FromI2(SHORT in, FLOAT* out);
PLATFORM_API HRESULT VarR4FromI4(LONG in, FLOAT* out);
PLATFORM_API HRESULT VarR4FromR8(DOUBLE in, FLOAT* out);
PLATFORM_API HRESULT VarR4FromDate(DATE in, FLOAT* out);
PLATFORM_API HRESULT VarR4FromBool(VARIANT_BOOL in, FLOAT* out);
PLATFORM_API HRESULT VarR4FromStr(LPCOLESTR in, LCID lcid, ULONG flags, FLOAT* out);
// To VT_R8.
PLATFORM_API HRESULT VarR8FromI2(SHORT in, DOUBLE* out);
PLATFORM_API HRESULT VarR8FromI4(LONG in, DOUBLE* out);
PLATFORM_API HRESULT VarR8FromR4(FLOAT in, DOUBLE* out);
PLATFORM_API HRESULT VarR8FromDate(DATE in, DOUBLE* out);
PLATFORM_API HRESULT VarR8FromBool(VARIANT_BOOL in, DOUBLE* out);
PLATFORM_API HRESULT VarR8FromStr(LPCOLESTR in, LCID lcid, ULONG flags, DOUBLE* out);
// To VT_DATE.
PLATFORM_API HRESULT VarDateFromI2(SHORT in, DATE* out);
PLATFORM_API HRESULT VarDateFromI4(LONG in, DATE* out);
PLATFORM_API HRESULT VarDateFromR4(FLOAT in, DATE* out);
PLATFORM_API HRESULT VarDateFromR8(DOUBLE in, DATE* out);
PLATFORM_API HRESULT VarDateFromBool(VARIANT_BOOL in, DATE* out);
PLATFORM_API HRESULT VarDateFromStr(LPCOLESTR in, LCID lcid, ULONG flags, DATE* out);
// To VT_BOOL.
PLATFORM_API HRESULT VarBoolFromI2(SHORT in, VARIANT_BOOL* out);
PLATFORM_API HRESULT VarBoolFromI4(LONG in, VARIANT_BOOL* out);
PLATFORM_API HRESULT VarBoolFromR4(FLOAT in, VARIANT_BOOL* out);
PLATFORM_API HRESULT VarBoolFromR8(DOUBLE in, VARIANT_BOOL* out);
PLATFORM_API HRESULT VarBoolFromDate(DATE in, VARIANT_BOOL* out);
PLATFORM_API HRESULT VarBoolFromStr(LPCOLESTR in, LCID lcid, ULONG flags, VARIANT_BOOL* out);
// To VT_BSTR.
PLATFORM_API HRESULT VarBstrFromI2(SHORT in, LCID lcid, ULONG flags, BSTR* out);
PLATFORM_API HRESULT VarBstrFromI4(LONG in, LCID lcid, ULONG flags, BSTR* out);
PLATFORM_API HRESULT VarBstrFromR4(FLOAT in, LCID lcid, ULONG flags, BSTR* out);
PLATFORM_API HRESULT VarBstrFromR8(DOUBLE in, LCID lcid, ULONG flags, BSTR* out);
PLATFORM_API HRESULT VarBstrFromDate(DATE in, LCID lcid, ULONG flags, BSTR* out);
PLATFORM_API HRESULT VarBstrFromBool(VARIANT_BOOL in, LCID lcid, ULONG flags, BSTR* out);

// Calendar breakdown of a DATE, and back.
struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;  // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
struct UDATE {
    SYSTEMTIME st;
    USHORT wDayOfYear;
};
PLATFORM_API HRESULT VarUdateFromDate(DATE in, ULONG flags, UDATE* out);
PLATFORM_API HRESULT VarDateFromUdate(UDATE* in, ULONG flags, DATE* out);
PLATFORM_API INT SystemTimeToVariantTime(SYSTEMTIME* st, DATE* out);
PLATFORM_API INT VariantTimeToSystemTime(DATE in, SYSTEMTIME* out);
