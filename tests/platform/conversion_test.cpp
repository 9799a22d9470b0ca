// VariantChangeTypeEx as the value model uses it (VARIANT_ALPHABOOL, LCID 0
// and the supported locales), and its transaction: in-place conversion,
// references, destination untouched on failure.
#include <gtest/gtest.h>

#include "platform/oleconv.h"
#include "platform/variant.h"
#include "tests/platform/conversion_support.h"

namespace {

struct TextCase {
    const char16_t* text;
    VARTYPE vt;
    HRESULT hr;
    const char* expected;  // VariantToString of the result
};

// Text the reader hands over, converted as the value model does: LCID 0,
// VARIANT_ALPHABOOL.
TEST(ChangeType, TextToValueModelTypes)
{
    const TextCase cases[] = {
        {u"42", VT_I4, S_OK, "VT_I4:42"},
        {u" -42 ", VT_I4, S_OK, "VT_I4:-42"},
        {u"1,234", VT_I4, S_OK, "VT_I4:1234"},
        {u"(7)", VT_I4, S_OK, "VT_I4:-7"},
        {u"&H80000002", VT_I4, S_OK, "VT_I4:-2147483646"},
        {u"&o17", VT_I4, S_OK, "VT_I4:15"},
        {u"$12", VT_I4, S_OK, "VT_I4:12"},
        {u"1e3", VT_I4, S_OK, "VT_I4:1000"},
        {u"2.5", VT_I4, S_OK, "VT_I4:2"},
        {u"3.5", VT_I4, S_OK, "VT_I4:4"},
        {u"12abc", VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {u"", VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {u"abc", VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {u"1e10", VT_I4, DISP_E_OVERFLOW, nullptr},
        {u"0.1", VT_R8, S_OK, "VT_R8:0.1"},
        {u"-1.5e-3", VT_R8, S_OK, "VT_R8:-0.0015"},
        {u"1e309", VT_R8, DISP_E_OVERFLOW, nullptr},
        {u"1e-400", VT_R8, S_OK, "VT_R8:0"},
        {u"True", VT_BOOL, S_OK, "VT_BOOL:true"},
        {u"tRUE", VT_BOOL, S_OK, "VT_BOOL:true"},
        {u"FALSE", VT_BOOL, S_OK, "VT_BOOL:false"},
        {u"#TRUE#", VT_BOOL, S_OK, "VT_BOOL:true"},
        {u"#true#", VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
        {u"-1", VT_BOOL, S_OK, "VT_BOOL:true"},
        {u"0.0", VT_BOOL, S_OK, "VT_BOOL:false"},
        {u"2", VT_BOOL, S_OK, "VT_BOOL:true"},
        {u"Yes", VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
        {u" True", VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
        {u"Wahr", VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
    };
    for (const TextCase& c : cases) {
        ConversionResult r = ChangeTo(Variant::Text(c.text), 0, VARIANT_ALPHABOOL, c.vt);
        EXPECT_EQ(r.hr, c.hr) << Describe(c.text) << " -> " << VarTypeToString(c.vt) << " gave " << r.text;
        if (c.expected && SUCCEEDED(r.hr)) {
            EXPECT_EQ(r.text, c.expected) << Describe(c.text);
        }
    }
}

struct ValueCase {
    Variant value;
    LCID lcid;
    USHORT flags;
    const char16_t* expected;
};

// Values of the value model written as text: booleans as words only with
// ALPHABOOL (English in every locale) or LOCALBOOL (the locale's words).
TEST(ChangeType, ValuesToText)
{
    const ValueCase cases[] = {
        {Variant::Long(-2147483647 - 1), 0, VARIANT_ALPHABOOL, u"-2147483648"},
        {Variant::Double(0.5), 0, VARIANT_ALPHABOOL, u"0.5"},
        {Variant::Double(-1234567.125), 0, VARIANT_ALPHABOOL, u"-1234567.125"},
        {Variant::Double(0.5), 0x0407, VARIANT_ALPHABOOL, u"0,5"},
        {Variant::Double(0.5), 0x040C, VARIANT_ALPHABOOL, u"0,5"},
        {Variant::Double(0.5), 0x0809, VARIANT_ALPHABOOL, u"0.5"},
        {Variant::Double(1e20), 0x0407, VARIANT_ALPHABOOL, u"1E+20"},
        {Variant::Double(-2.5e-20), 0x040C, VARIANT_ALPHABOOL, u"-2,5E-20"},
        {Variant::Bool(true), 0, VARIANT_ALPHABOOL, u"True"},
        {Variant::Bool(false), 0, VARIANT_ALPHABOOL, u"False"},
        {Variant::Bool(true), 0x0407, VARIANT_ALPHABOOL, u"True"},
        {Variant::Bool(true), 0x0407, VARIANT_LOCALBOOL, u"Wahr"},
        {Variant::Bool(false), 0x0407, VARIANT_LOCALBOOL, u"Falsch"},
        {Variant::Bool(true), 0x040C, VARIANT_ALPHABOOL | VARIANT_LOCALBOOL, u"Vrai"},
        {Variant::Bool(true), 0x0809, VARIANT_LOCALBOOL, u"True"},
        {Variant::Bool(true), 0, 0, u"-1"},
        {Variant(), 0, VARIANT_ALPHABOOL, u""},
    };
    for (const ValueCase& c : cases) {
        ConversionResult r = ChangeTo(c.value, c.lcid, c.flags, VT_BSTR);
        ASSERT_EQ(r.hr, S_OK) << VariantToString(c.value) << " lcid " << c.lcid;
        EXPECT_EQ(r.value.bstrVal ? std::u16string(r.value.bstrVal) : std::u16string(), c.expected)
            << VariantToString(c.value) << " lcid " << c.lcid << " gave " << r.text;
    }
}

// Text written by one locale reads back in the same locale; another locale's
// separators are not taken for its own.
TEST(ChangeType, LocaleDecimalSeparatorsBothWays)
{
    struct Case {
        LCID lcid;
        const char16_t* text;
        HRESULT hr;
        double value;
    };
    const Case cases[] = {
        {0x0409, u"1,234.5", S_OK, 1234.5},
        {0x0809, u"1,234.5", S_OK, 1234.5},
        {0, u"1,234.5", S_OK, 1234.5},
        {0x0407, u"1.234,5", S_OK, 1234.5},
        {0x0407, u"-0,25", S_OK, -0.25},
        {0x040C, u"1 234,5", S_OK, 1234.5},
        {0x040C, u"1\u00a0234,5", S_OK, 1234.5},
        {0x040C, u" 2,5", S_OK, 2.5},
        {0x040C, u"1.5", DISP_E_TYPEMISMATCH, 0},
        {0x0409, u"1 234", DISP_E_TYPEMISMATCH, 0},
        {0x0407, u"1,5e3", S_OK, 1500},
        {0x0407, u"3\u20ac", S_OK, 3},
        {0x0809, u"\u00a33", S_OK, 3},
        {0x0809, u"$3", DISP_E_TYPEMISMATCH, 0},
    };
    for (const Case& c : cases) {
        double d = -1;
        EXPECT_EQ(VarR8FromStr(c.text, c.lcid, 0, &d), c.hr) << Describe(c.text) << " lcid " << c.lcid;
        if (c.hr == S_OK) {
            EXPECT_EQ(d, c.value) << Describe(c.text) << " lcid " << c.lcid;
        }
    }

    const double values[] = {0.1, -1234.5678, 1e-7, 123456789012345.0, 3.14159265358979, 1e300, -5e-300};
    for (LCID lcid : {0x0000u, 0x0409u, 0x0809u, 0x0407u, 0x040Cu}) {
        for (double v : values) {
            ConversionResult text = ChangeTo(Variant::Double(v), lcid, VARIANT_ALPHABOOL, VT_BSTR);
            ASSERT_EQ(text.hr, S_OK);
            ConversionResult back = ChangeTo(text.value, lcid, VARIANT_ALPHABOOL, VT_R8);
            ASSERT_EQ(back.hr, S_OK) << text.text << " lcid " << lcid;
            EXPECT_NEAR(back.value.dblVal, v, std::abs(v) * 1e-14) << text.text << " lcid " << lcid;
        }
    }
}

TEST(ChangeType, DateTextRoundTripAtLcidZero)
{
    Variant date;
    date.vt = VT_DATE;
    date.date = 25570.75;  // 1970-01-02 18:00
    ConversionResult text = ChangeTo(date, 0, VARIANT_ALPHABOOL, VT_BSTR);
    ASSERT_EQ(text.hr, S_OK);
    EXPECT_EQ(text.text, "VT_BSTR:\"1/2/1970 6:00:00 PM\"");
    ConversionResult back = ChangeTo(text.value, 0, VARIANT_ALPHABOOL, VT_DATE);
    ASSERT_EQ(back.hr, S_OK) << back.text;
    EXPECT_EQ(back.value.date, 25570.75);
    // Dates as numbers: the serial, rounded half to even into a long.
    EXPECT_EQ(ChangeTo(date, 0, 0, VT_I4).text, "VT_I4:25571");
    EXPECT_EQ(ChangeTo(date, 0, 0, VT_R8).text, "VT_R8:25570.75");
    EXPECT_EQ(ChangeTo(Variant::Long(3000000), 0, 0, VT_DATE).hr, DISP_E_OVERFLOW);
}

// VT_EMPTY becomes the zero of every type the value model creates; VT_NULL
// becomes nothing but VT_NULL.
TEST(ChangeType, EmptyAndNullSources)
{
    const std::pair<VARTYPE, const char*> zeros[] = {
        {VT_I2, "VT_I2:0"}, {VT_I4, "VT_I4:0"}, {VT_R4, "VT_R4:0"}, {VT_R8, "VT_R8:0"}, {VT_DATE, "VT_DATE:0"},
        {VT_BOOL, "VT_BOOL:false"}, {VT_BSTR, "VT_BSTR:\"\""}, {VT_UI1, "VT_UI1:0"}, {VT_EMPTY, "VT_EMPTY"},
        {VT_NULL, "VT_NULL"},
    };
    for (const auto& [vt, text] : zeros) {
        ConversionResult r = ChangeTo(Variant(), 0, 0, vt);
        EXPECT_EQ(r.hr, S_OK) << VarTypeToString(vt);
        EXPECT_EQ(r.text, text);
    }
    EXPECT_NE(ChangeTo(Variant(), 0, 0, VT_BSTR).value.bstrVal, nullptr);
    for (VARTYPE vt : {VT_EMPTY, VT_I4, VT_R8, VT_BSTR, VT_BOOL, VT_DATE})
        EXPECT_EQ(ChangeTo(Variant::Null(), 0, 0, vt).hr, DISP_E_TYPEMISMATCH) << VarTypeToString(vt);
}

// In place (dest == src): the result replaces the source only on success.
TEST(ChangeType, InPlaceConversion)
{
    struct Case {
        Variant value;
        VARTYPE vt;
        HRESULT hr;
        const char* after;
    };
    const Case cases[] = {
        {Variant::Text(u"12.5"), VT_R8, S_OK, "VT_R8:12.5"},
        {Variant::Text(u"12.5"), VT_I4, S_OK, "VT_I4:12"},
        {Variant::Text(u"abc"), VT_I4, DISP_E_TYPEMISMATCH, "VT_BSTR:\"abc\""},
        {Variant::Text(u"99999"), VT_I2, DISP_E_OVERFLOW, "VT_BSTR:\"99999\""},
        {Variant::Long(7), VT_BSTR, S_OK, "VT_BSTR:\"7\""},
        {Variant::Bool(true), VT_BSTR, S_OK, "VT_BSTR:\"True\""},
        {Variant::Double(2147483647.5), VT_I4, DISP_E_OVERFLOW, "VT_R8:2147483647.5"},
        {Variant::Text(u"x"), VT_UNKNOWN, DISP_E_TYPEMISMATCH, "VT_BSTR:\"x\""},
        {Variant::Text(u"x"), VT_VOID, DISP_E_BADVARTYPE, "VT_BSTR:\"x\""},
    };
    for (const Case& c : cases) {
        Variant v = c.value;
        EXPECT_EQ(VariantChangeTypeEx(&v, &v, 0, VARIANT_ALPHABOOL, c.vt), c.hr) << VariantToString(c.value);
        EXPECT_EQ(VariantToString(v), c.after) << VariantToString(c.value) << " -> " << VarTypeToString(c.vt);
    }
}

// A failing conversion leaves whatever the destination held (its text is
// neither freed nor replaced); a succeeding one releases it.
TEST(ChangeType, DestinationUntouchedOnFailure)
{
    Variant dest = Variant::Text(u"keep");
    const BSTR held = dest.bstrVal;
    const Variant abc = Variant::Text(u"abc"), null = Variant::Null(), one = Variant::Long(1), five = Variant::Text(u"5");
    EXPECT_EQ(VariantChangeTypeEx(&dest, &abc, 0, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeTypeEx(&dest, &null, 0, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeTypeEx(&dest, &one, 0, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeTypeEx(&dest, &one, 0, 0, VT_HRESULT), DISP_E_BADVARTYPE);
    EXPECT_EQ(dest.vt, VT_BSTR);
    EXPECT_EQ(dest.bstrVal, held);
    EXPECT_EQ(VariantToString(dest), "VT_BSTR:\"keep\"");

    EXPECT_EQ(VariantChangeTypeEx(&dest, &five, 0, 0, VT_I4), S_OK);
    EXPECT_EQ(VariantToString(dest), "VT_I4:5");
}

// VT_BYREF sources are read through their reference; the referenced value
// is never changed or freed.
TEST(ChangeType, ReferenceSources)
{
    LONG number = 41;
    Variant inner = Variant::Text(u"True");
    VARIANT ref;
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &number;
    EXPECT_EQ(ChangeTo(ref, 0, 0, VT_BSTR).text, "VT_BSTR:\"41\"");
    EXPECT_EQ(ChangeTo(ref, 0, 0, VT_I4).text, "VT_I4:41");

    BSTR shown = SysAllocString(u"2.5");
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &shown;
    EXPECT_EQ(ChangeTo(ref, 0, 0, VT_R8).text, "VT_R8:2.5");
    EXPECT_EQ(ChangeTo(ref, 0, 0, VT_BSTR).text, "VT_BSTR:\"2.5\"");
    EXPECT_EQ(std::u16string(shown), u"2.5");
    SysFreeString(shown);

    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = &inner;
    EXPECT_EQ(ChangeTo(ref, 0, VARIANT_ALPHABOOL, VT_BOOL).text, "VT_BOOL:true");
    EXPECT_EQ(VariantToString(inner), "VT_BSTR:\"True\"");

    ref.pvarVal = nullptr;
    EXPECT_EQ(ChangeTo(ref, 0, 0, VT_I4).hr, DISP_E_TYPEMISMATCH);
}

}  // namespace

namespace {

// Every target type for a few sources: what a VARIANT cannot hold is
// DISP_E_BADVARTYPE, what nothing converts to is DISP_E_TYPEMISMATCH, and
// VT_NULL / VT_ERROR sources only become themselves.
HRESULT ExpectedChange(VARTYPE from, VARTYPE to)
{
    const bool holdable = (to <= VT_DECIMAL || (to >= VT_I1 && to <= VT_UINT)) && to != 15;
    if (!holdable && to != VT_RECORD) return DISP_E_BADVARTYPE;
    if (from == to) return S_OK;
    if (from == VT_NULL || from == VT_ERROR) return DISP_E_TYPEMISMATCH;
    if (from == VT_BSTR && to == VT_DATE) return DISP_E_TYPEMISMATCH;  // the text "1" alone is no date
    switch (to) {
    case VT_DISPATCH: case VT_UNKNOWN: case VT_ERROR: case VT_VARIANT: case VT_RECORD:
    case VT_CY: case VT_DECIMAL:  // not provided by this platform
        return DISP_E_TYPEMISMATCH;
    default: return S_OK;
    }
}

TEST(ChangeType, TargetTypeMatrix)
{
    Variant sources[5];
    sources[0].vt = VT_I4;
    sources[0].lVal = 1;
    sources[1] = Variant::Text(u"1");
    sources[2] = Variant::Null();
    sources[3].vt = VT_ERROR;
    sources[3].scode = DISP_E_PARAMNOTFOUND;
    sources[4].vt = VT_DATE;
    sources[4].date = 1.0;
    for (const Variant& src : sources) {
        for (VARTYPE to = 0; to <= 0x50; ++to) {
            ConversionResult r = ChangeTo(src, 0, 0, to);
            EXPECT_EQ(r.hr, ExpectedChange(src.vt, to)) << VariantToString(src) << " -> " << VarTypeToString(to);
            if (SUCCEEDED(r.hr)) {
                EXPECT_EQ(r.value.vt, to) << VariantToString(src) << " -> " << VarTypeToString(to);
            }
        }
        EXPECT_EQ(ChangeTo(src, 0, 0, 0x0FFF).hr, DISP_E_BADVARTYPE);
        EXPECT_EQ(ChangeTo(src, 0, 0, VT_VECTOR | VT_I4).hr, DISP_E_BADVARTYPE);
        EXPECT_EQ(ChangeTo(src, 0, 0, VT_ARRAY | VT_I4).hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(ChangeTo(src, 0, 0, VT_BYREF | VT_I4).hr, DISP_E_TYPEMISMATCH);
    }
}

TEST(ChangeType, InvalidSourceTypes)
{
    for (VARTYPE vt : {VARTYPE(VT_VARIANT), VARTYPE(15), VARTYPE(VT_VOID), VARTYPE(0x0FFF), VARTYPE(VT_EMPTY | VT_BYREF),
                       VARTYPE(VT_NULL | VT_ARRAY), VARTYPE(VT_VECTOR | VT_I4), VARTYPE(VT_RESERVED | VT_I4)}) {
        VARIANT src;
        src.vt = vt;
        src.llVal = 0;
        VARIANT dest;
        dest.vt = VT_I2;
        dest.iVal = 3;
        EXPECT_EQ(VariantChangeTypeEx(&dest, &src, 0, 0, VT_I4), DISP_E_BADVARTYPE) << VarTypeToString(vt);
        EXPECT_EQ(VariantToString(dest), "VT_I2:3");
    }
}

}  // namespace
