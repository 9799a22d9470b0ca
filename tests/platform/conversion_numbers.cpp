// The numeric rules the recorded cases leave open: half-to-even rounding at
// every integer limit (from reals and from text), number-to-text at the
// precision boundaries, and the locale table.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "platform/locale.h"
#include "platform/oleconv.h"
#include "tests/platform/conversion_support.h"

namespace {

struct LimitCase {
    double value;
    HRESULT hr;
    long long expected;
};

// Rounding happens before the range check, halves go to the even neighbour.
TEST(Conversions, RoundHalfEvenAtIntegerLimits)
{
    const LimitCase i4[] = {
        {2147483647.0, S_OK, 2147483647},     {2147483647.49, S_OK, 2147483647},
        {2147483647.5, DISP_E_OVERFLOW, 0},   {2147483646.5, S_OK, 2147483646},
        {-2147483648.0, S_OK, -2147483648LL}, {-2147483648.5, S_OK, -2147483648LL},
        {-2147483648.51, DISP_E_OVERFLOW, 0}, {-2147483647.5, S_OK, -2147483648LL},
        {0.5, S_OK, 0},                       {-0.5, S_OK, 0},
        {1.5, S_OK, 2},                       {-1.5, S_OK, -2},
        {2.5, S_OK, 2},                       {-2.5, S_OK, -2},
        {2.5000000001, S_OK, 3},              {1e300, DISP_E_OVERFLOW, 0},
        {NAN, DISP_E_OVERFLOW, 0},            {-INFINITY, DISP_E_OVERFLOW, 0},
    };
    for (const LimitCase& c : i4) {
        LONG out = 12345;
        EXPECT_EQ(VarI4FromR8(c.value, &out), c.hr) << "VarI4FromR8 " << c.value;
        if (c.hr == S_OK) {
            EXPECT_EQ(out, c.expected) << "VarI4FromR8 " << c.value;
        } else {
            EXPECT_EQ(out, 12345) << "output written on failure";
        }
        out = 0;
        EXPECT_EQ(VarI4FromDate(c.value, &out), c.hr) << "VarI4FromDate " << c.value;
    }

    const LimitCase i2[] = {
        {32767.0, S_OK, 32767},      {32767.5, DISP_E_OVERFLOW, 0}, {32766.5, S_OK, 32766},
        {-32768.5, S_OK, -32768},    {-32768.51, DISP_E_OVERFLOW, 0}, {-32767.5, S_OK, -32768},
        {40000.0, DISP_E_OVERFLOW, 0},
    };
    for (const LimitCase& c : i2) {
        SHORT out = 0;
        EXPECT_EQ(VarI2FromR8(c.value, &out), c.hr) << "VarI2FromR8 " << c.value;
        if (c.hr == S_OK) {
            EXPECT_EQ(out, c.expected) << "VarI2FromR8 " << c.value;
        }
        EXPECT_EQ(VarI2FromR4(static_cast<float>(c.value), &out), c.hr) << "VarI2FromR4 " << c.value;
    }
}

// Text goes through the same rule, on the decimal digits themselves (no
// binary rounding in between): "2147483647.5" overflows although it is a
// double, "-2147483648.5" fits.
TEST(Conversions, RoundHalfEvenFromText)
{
    struct Case {
        const char16_t* text;
        VARTYPE vt;
        HRESULT hr;
        long long expected;
    };
    const Case cases[] = {
        {u"2147483647.49999999999999", VT_I4, S_OK, 2147483647},
        {u"2147483647.5", VT_I4, DISP_E_OVERFLOW, 0},
        {u"-2147483648.5", VT_I4, S_OK, -2147483648LL},
        {u"-2147483648.50000000000001", VT_I4, DISP_E_OVERFLOW, 0},
        {u"0.5", VT_I4, S_OK, 0},
        {u"2.5", VT_I4, S_OK, 2},
        {u"-3.5", VT_I4, S_OK, -4},
        {u"0.50000000000000000001", VT_I4, S_OK, 1},
        {u"32767.5", VT_I2, DISP_E_OVERFLOW, 0},
        {u"32766.5", VT_I2, S_OK, 32766},
        {u"-32768.5", VT_I2, S_OK, -32768},
        {u"&H8002", VT_I2, S_OK, -32766},
        {u"&H18002", VT_I2, DISP_E_OVERFLOW, 0},
        {u"99999999999999999999", VT_I4, DISP_E_OVERFLOW, 0},
    };
    for (const Case& c : cases) {
        ConversionResult r = ChangeTo(Variant::Text(c.text), 0, VARIANT_ALPHABOOL, c.vt);
        EXPECT_EQ(r.hr, c.hr) << Describe(c.text) << " gave " << r.text;
        if (c.hr != S_OK) continue;
        const long long got = c.vt == VT_I2 ? r.value.iVal : r.value.lVal;
        EXPECT_EQ(got, c.expected) << Describe(c.text);
    }
}

TEST(Conversions, RealsToTextAtPrecisionBoundaries)
{
    struct Case {
        double value;
        bool single;  // through VarBstrFromR4
        const char16_t* expected;
    };
    const Case cases[] = {
        {654322.23456, true, u"654322.3"},  // the float is 654322.25: the tie rounds away from zero
        {1234.56789012, true, u"1234.568"},
        {1e8, true, u"1E+08"},
        {9999999.0, true, u"9999999"},
        {1e14, true, u"1E+14"},
        {0.000005, true, u"0.000005"},
        {0.00000012345, true, u"1.2345E-07"},
        {-0.0, true, u"0"},
        {FLT_MAX, true, u"3.402823E+38"},
        {-0.0, false, u"0"},
        {-1.5, false, u"-1.5"},
        {9.9999999999999999e22, false, u"1E+23"},
        {999999999999999.4, false, u"999999999999999"},
        {999999999999999.6, false, u"1E+15"},
        {0.1 + 0.2, false, u"0.3"},
        {1e100, false, u"1E+100"},
        {-4.9406564584124654e-324, false, u"-4.94065645841247E-324"},
        {123456789012345678.0, false, u"1.23456789012346E+17"},
    };
    for (const Case& c : cases) {
        BStr text;
        const HRESULT hr = c.single ? VarBstrFromR4(static_cast<float>(c.value), 0x0409, 0, text.put())
                                    : VarBstrFromR8(c.value, 0x0409, 0, text.put());
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(text.view(), c.expected) << (c.single ? "R4 " : "R8 ") << c.value << " gave " << text.ToUtf8();
    }
    BStr comma;
    ASSERT_EQ(VarBstrFromR4(-0.25f, 0x040C, 0, comma.put()), S_OK);
    EXPECT_EQ(comma.view(), u"-0,25");
}

TEST(Conversions, RealNarrowingAndBooleanPairs)
{
    FLOAT f = 0;
    EXPECT_EQ(VarR4FromR8(1e39, &f), DISP_E_OVERFLOW);
    EXPECT_EQ(VarR4FromR8(-1e39, &f), DISP_E_OVERFLOW);
    EXPECT_EQ(VarR4FromR8(FLT_MAX, &f), S_OK);
    EXPECT_EQ(VarR4FromR8(1e-50, &f), S_OK);
    EXPECT_EQ(f, 0.0f);

    BStr word;
    ASSERT_EQ(VarBstrFromBool(1, 0x0407, 0, word.put()), S_OK);
    EXPECT_EQ(word.view(), u"True");
    ASSERT_EQ(VarBstrFromBool(VARIANT_FALSE, 0x040C, VAR_LOCALBOOL, word.put()), S_OK);
    EXPECT_EQ(word.view(), u"Faux");

    struct Case {
        const char16_t* text;
        LCID lcid;
        ULONG flags;
        HRESULT hr;
        VARIANT_BOOL expected;
    };
    const Case words[] = {
        {u"wahr", 0x0407, VAR_LOCALBOOL, S_OK, VARIANT_TRUE},
        {u"FALSCH", 0x0407, VAR_LOCALBOOL, S_OK, VARIANT_FALSE},
        {u"Wahr", 0x0407, 0, DISP_E_TYPEMISMATCH, 0},
        {u"VRAI", 0x040C, VAR_LOCALBOOL, S_OK, VARIANT_TRUE},
        {u"true", 0x040C, VAR_LOCALBOOL, S_OK, VARIANT_TRUE},
        {u"Faux", 0x0407, VAR_LOCALBOOL, DISP_E_TYPEMISMATCH, 0},
        {u"0,0", 0x0407, 0, S_OK, VARIANT_FALSE},
        {u"0,5", 0x0409, 0, S_OK, VARIANT_TRUE},  // "0,5" is 5 with a grouping comma in en-US
        {nullptr, 0x0409, 0, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Case& c : words) {
        VARIANT_BOOL b = 7;
        EXPECT_EQ(VarBoolFromStr(c.text, c.lcid, c.flags, &b), c.hr) << (c.text ? Describe(c.text) : "null");
        if (c.hr == S_OK) {
            EXPECT_EQ(b, c.expected) << Describe(c.text);
        }
    }
}

// Every LCID without a record of its own answers as US English; only the
// language and sub-language count.
TEST(Conversions, LocaleTable)
{
    for (LCID lcid : {0x0000u, 0x0400u, 0x0800u, 0x0415u, 0x0C0Cu, 0x0409u, 0x80000409u})
        EXPECT_EQ(LocaleFor(lcid).lcid, 0x0409u) << std::hex << lcid;
    EXPECT_FALSE(IsLocaleSupported(0));
    EXPECT_FALSE(IsLocaleSupported(0x0415));
    EXPECT_TRUE(IsLocaleSupported(MAKELCID(0x0407, 1)));

    const LocaleInfo& us = LocaleFor(0x0409);
    EXPECT_EQ(us.longDateFormat, u"dddd, MMMM d, yyyy");
    EXPECT_EQ(us.dateOrder, DateOrder::MDY);
    const LocaleInfo& gb = LocaleFor(0x0809);
    EXPECT_EQ(gb.dateOrder, DateOrder::DMY);
    EXPECT_EQ(gb.decimalSep, u'.');
    EXPECT_EQ(gb.months[8], u"September");
    const LocaleInfo& de = LocaleFor(0x0407);
    EXPECT_EQ(de.decimalSep, u',');
    EXPECT_EQ(de.thousandsSep, u'.');
    EXPECT_EQ(de.dateSep, u'.');
    EXPECT_EQ(de.trueWord, u"Wahr");
    EXPECT_EQ(de.months[2], u"M\u00e4rz");
    const LocaleInfo& fr = LocaleFor(0x040C);
    EXPECT_EQ(fr.thousandsSep, u'\u00a0');
    EXPECT_EQ(fr.falseWord, u"Faux");
    EXPECT_EQ(fr.days[0], u"dimanche");
    for (const LocaleInfo* l : {&us, &gb, &de, &fr}) {
        for (auto name : l->months) EXPECT_FALSE(name.empty()) << Utf16ToUtf8(l->name);
        for (auto name : l->daysShort) EXPECT_FALSE(name.empty()) << Utf16ToUtf8(l->name);
    }
}

}  // namespace

namespace {

// The integer types beyond I2/I4 go through the same parse-then-fit and the
// same rounding; their limits are exact, also at 64 bits.
TEST(Conversions, OtherIntegerTypesThroughChangeType)
{
    struct Case {
        Variant src;
        VARTYPE to;
        HRESULT hr;
        const char* expected;
    };
    Variant boolTrue = Variant::Bool(true);
    Variant i4Minus = Variant::Long(-1);
    const Case cases[] = {
        {Variant::Text(u"9223372036854775807"), VT_I8, S_OK, "VT_I8:9223372036854775807"},
        {Variant::Text(u"9223372036854775808"), VT_I8, DISP_E_OVERFLOW, nullptr},
        {Variant::Text(u"-9223372036854775808"), VT_I8, S_OK, "VT_I8:-9223372036854775808"},
        {Variant::Text(u"18446744073709551615"), VT_UI8, S_OK, "VT_UI8:18446744073709551615"},
        {Variant::Text(u"18446744073709551616"), VT_UI8, DISP_E_OVERFLOW, nullptr},
        {Variant::Text(u"&H8000000000000002"), VT_I8, S_OK, "VT_I8:-9223372036854775806"},
        {Variant::Text(u"-0.5"), VT_UI1, S_OK, "VT_UI1:0"},
        {Variant::Text(u"-0.6"), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {Variant::Text(u"255.5"), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {Variant::Text(u"254.5"), VT_UI1, S_OK, "VT_UI1:254"},
        {Variant::Text(u"-128"), VT_I1, S_OK, "VT_I1:-128"},
        {Variant::Double(127.5), VT_I1, DISP_E_OVERFLOW, nullptr},
        {Variant::Double(-0.5), VT_UI4, S_OK, "VT_UI4:0"},
        {Variant::Double(4294967295.5), VT_UI4, DISP_E_OVERFLOW, nullptr},
        {Variant::Long(-1), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {Variant::Long(256), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {i4Minus, VT_UINT, S_OK, "VT_UINT:4294967295"},
        {i4Minus, VT_I8, S_OK, "VT_I8:-1"},
        {i4Minus, VT_UI8, DISP_E_OVERFLOW, nullptr},
        {boolTrue, VT_UI1, S_OK, "VT_UI1:255"},
        {boolTrue, VT_I8, S_OK, "VT_I8:-1"},
    };
    for (const Case& c : cases) {
        ConversionResult r = ChangeTo(c.src, 0, 0, c.to);
        EXPECT_EQ(r.hr, c.hr) << VariantToString(c.src) << " -> " << VarTypeToString(c.to) << " gave " << r.text;
        if (c.expected && SUCCEEDED(r.hr)) {
            EXPECT_EQ(r.text, c.expected) << VariantToString(c.src);
        }
    }

    // And back to the core types and text.
    Variant wide;
    wide.vt = VT_UI8;
    wide.ullVal = 18446744073709551615ull;
    EXPECT_EQ(ChangeTo(wide, 0, 0, VT_BSTR).text, "VT_BSTR:\"18446744073709551615\"");
    EXPECT_EQ(ChangeTo(wide, 0, 0, VT_I4).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(ChangeTo(wide, 0, 0, VT_BOOL).text, "VT_BOOL:true");
    EXPECT_EQ(ChangeTo(wide, 0, 0, VT_DATE).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(ChangeTo(wide, 0, 0, VT_R8).text, "VT_R8:18446744073709551616");
}

// The digit buffer of the parser: digits beyond it are dropped (INEXACT
// unless they are zeros) and counted in the power of ten.
TEST(Conversions, ParserDigitBuffer)
{
    struct Case {
        const char16_t* text;
        int capacity;
        int cDig;
        int nPwr10;
        bool inexact;
    };
    const Case cases[] = {
        {u"12345", 3, 3, 2, true},  {u"12300", 3, 3, 2, false}, {u"1.2345", 3, 3, -2, true},
        {u"100.001", 3, 1, 2, true}, {u"0.000123", 2, 2, -5, true}, {u"&HFFFF1", 4, 4, 0, true},
    };
    for (const Case& c : cases) {
        BYTE digits[8] = {};
        NUMPARSE np{};
        np.cDig = c.capacity;
        np.dwInFlags = NUMPRS_STD;
        ASSERT_EQ(VarParseNumFromStr(c.text, 0x0409, 0, &np, digits), S_OK) << Describe(c.text);
        EXPECT_EQ(np.cDig, c.cDig) << Describe(c.text);
        EXPECT_EQ(np.nPwr10, c.nPwr10) << Describe(c.text);
        EXPECT_EQ((np.dwOutFlags & NUMPRS_INEXACT) != 0, c.inexact) << Describe(c.text);
    }
}

}  // namespace
