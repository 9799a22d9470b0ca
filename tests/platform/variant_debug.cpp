// Debug text of VARTYPEs and VARIANTs (part of the variant suite).
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <limits>

#include "platform/safearray.h"
#include "platform/variant.h"

TEST(VariantDebug, VarTypeNamesFlagsAndUnknownNumbers)
{
    const std::pair<VARTYPE, const char*> cases[] = {
        {VT_EMPTY, "VT_EMPTY"},
        {VT_I4, "VT_I4"},
        {VT_BSTR | VT_BYREF, "VT_BSTR|VT_BYREF"},
        {VT_ARRAY | VT_VARIANT, "VT_ARRAY|VT_VARIANT"},
        {VT_ARRAY | VT_VARIANT | VT_BYREF, "VT_ARRAY|VT_VARIANT|VT_BYREF"},
        {VT_VECTOR | VT_UI1, "VT_VECTOR|VT_UI1"},
        {VT_RESERVED | VT_I2, "VT_I2|VT_RESERVED"},
        {15, "0xF"},
        {0x7F | VT_BYREF, "0x7F|VT_BYREF"},
        {VT_CLSID, "VT_CLSID"},
        {VT_ILLEGAL, "VT_ILLEGAL"},
    };
    for (const auto& [vt, text] : cases) EXPECT_EQ(VarTypeToString(vt), text) << "vt " << vt;
}

TEST(VariantDebug, ScalarValues)
{
    // Plain values that own nothing, so that the table can hold them unowned.
    auto make = [](VARTYPE vt, uint64_t bits) {
        VARIANT v;
        v.vt = vt;
        v.ullVal = bits;
        return v;
    };
    auto real = [](double d) {
        VARIANT v;
        v.vt = VT_R8;
        v.dblVal = d;
        return v;
    };
    VARIANT r4;
    r4.vt = VT_R4;
    r4.fltVal = 0.1f;
    VARIANT error;
    error.vt = VT_ERROR;
    error.scode = DISP_E_PARAMNOTFOUND;

    const std::pair<VARIANT, const char*> cases[] = {
        {make(VT_EMPTY, 0), "VT_EMPTY"},
        {Variant::Null(), "VT_NULL"},
        {Variant::Long(42), "VT_I4:42"},
        {Variant::Long(-7), "VT_I4:-7"},
        {make(VT_I2, 0xFFFF), "VT_I2:-1"},
        {make(VT_UI1, 0xFF), "VT_UI1:255"},
        {make(VT_UI4, 0xFFFFFFFF), "VT_UI4:4294967295"},
        {make(VT_I8, 0x8000000000000000), "VT_I8:-9223372036854775808"},
        {real(1.5), "VT_R8:1.5"},
        {real(0.1), "VT_R8:0.1"},
        {real(1.0 / 3), "VT_R8:0.3333333333333333"},
        {real(1e300), "VT_R8:1e+300"},
        {real(-0.0), "VT_R8:-0"},
        {r4, "VT_R4:0.1"},
        {make(VT_DATE, 0x40E0000000000000), "VT_DATE:32768"},
        {Variant::Bool(true), "VT_BOOL:true"},
        {Variant::Bool(false), "VT_BOOL:false"},
        {make(VT_BOOL, 1), "VT_BOOL:1"},
        {error, "VT_ERROR:0x80020004"},
        {make(VT_CY, 15000), "VT_CY:1.5000"},
        {make(VT_CY, static_cast<uint64_t>(-1)), "VT_CY:-0.0001"},
        {make(VT_UNKNOWN, 0), "VT_UNKNOWN:null"},
        {make(VT_DISPATCH, 0x1000), "VT_DISPATCH:0x1000"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(VariantToString(v), text);

    // The shortest round-trip form reads back exactly.
    const double samples[] = {0.1 + 0.2, 123456.789, 5e-324, std::numeric_limits<double>::max()};
    for (double d : samples) {
        const std::string text = VariantToString(real(d));
        double back = 0;
        const auto r = std::from_chars(text.data() + 6, text.data() + text.size(), back);
        EXPECT_EQ(r.ec, std::errc()) << text;
        EXPECT_EQ(back, d) << text;
    }
}

TEST(VariantDebug, TextIsQuotedAndEscaped)
{
    const char16_t embedded[] = {u'a', 0, u'b'};
    const std::pair<std::u16string_view, const char*> cases[] = {
        {u"abc", R"(VT_BSTR:"abc")"},
        {u"", R"(VT_BSTR:"")"},
        {u"Größe", R"(VT_BSTR:"Gr\u00F6\u00DFe")"},
        {u"say \"hi\" \\ there", R"(VT_BSTR:"say \"hi\" \\ there")"},
        {u"tab\there\n", R"(VT_BSTR:"tab\u0009here\u000A")"},
        {std::u16string_view(embedded, 3), R"(VT_BSTR:"a\u0000b")"},
        {u"\U0001F600", R"(VT_BSTR:"\uD83D\uDE00")"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(VariantToString(Variant::Text(text)), expected);

    Variant nullText;
    nullText.vt = VT_BSTR;
    nullText.bstrVal = nullptr;
    EXPECT_EQ(VariantToString(nullText), "VT_BSTR:null");
}

TEST(VariantDebug, ArraysReferencesAndOddTypes)
{
    Variant set;
    set.vt = VT_ARRAY | VT_VARIANT;
    set.parray = SafeArrayCreateVector(VT_VARIANT, 0, 3);
    for (LONG i = 0; i < 2; ++i) {
        Variant n = Variant::Long(i + 1);
        ASSERT_EQ(SafeArrayPutElement(set.parray, &i, &n), S_OK);
    }
    EXPECT_EQ(VariantToString(set), "VT_ARRAY|VT_VARIANT:{VT_I4:1,VT_I4:2,VT_EMPTY}");

    Variant empty;
    empty.vt = VT_ARRAY | VT_VARIANT;
    empty.parray = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    EXPECT_EQ(VariantToString(empty), "VT_ARRAY|VT_VARIANT:{}");

    // Typed cells print without a type each; bounds show when not plain zero-based.
    Variant shorts;
    shorts.vt = VT_ARRAY | VT_I2;
    const SAFEARRAYBOUND bounds[2] = {{2, 1}, {1, 0}};
    shorts.parray = SafeArrayCreate(VT_I2, 2, bounds);
    static_cast<SHORT*>(shorts.parray->pvData)[1] = -3;
    EXPECT_EQ(VariantToString(shorts), "VT_ARRAY|VT_I2:[1..2,0..0]{0,-3}");

    Variant longList;
    longList.vt = VT_ARRAY | VT_UI1;
    longList.parray = SafeArrayCreateVector(VT_UI1, 0, 100);
    const std::string text = VariantToString(longList);
    EXPECT_EQ(text.substr(text.size() - 6), "0,...}");

    VARIANT nullArray;
    nullArray.vt = VT_ARRAY | VT_BSTR;
    nullArray.parray = nullptr;
    EXPECT_EQ(VariantToString(nullArray), "VT_ARRAY|VT_BSTR:null");

    LONG n = 42;
    VARIANT ref;
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &n;
    EXPECT_EQ(VariantToString(ref), "VT_I4|VT_BYREF:42");
    VARIANT refToVariant;
    refToVariant.vt = VT_VARIANT | VT_BYREF;
    refToVariant.pvarVal = &ref;
    EXPECT_EQ(VariantToString(refToVariant), "VT_VARIANT|VT_BYREF:VT_I4|VT_BYREF:42");
    SAFEARRAY* psa = set.parray;
    VARIANT refToArray;
    refToArray.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    refToArray.pparray = &psa;
    EXPECT_EQ(VariantToString(refToArray), "VT_ARRAY|VT_VARIANT|VT_BYREF:{VT_I4:1,VT_I4:2,VT_EMPTY}");
    ref.plVal = nullptr;
    EXPECT_EQ(VariantToString(ref), "VT_I4|VT_BYREF:null");

    VARIANT loop;
    loop.vt = VT_VARIANT | VT_BYREF;
    loop.pvarVal = &loop;
    const std::string looped = VariantToString(loop);
    const std::string tail = ":VT_VARIANT|VT_BYREF:...";
    EXPECT_EQ(looped.substr(looped.size() - tail.size()), tail) << looped;

    VARIANT odd;
    odd.vt = VT_VOID;
    odd.ullVal = 0xAB;
    EXPECT_EQ(VariantToString(odd), "VT_VOID:?0xAB");
    odd.vt = VT_VARIANT;
    EXPECT_EQ(VariantToString(odd), "VT_VARIANT:?0xAB");
}
