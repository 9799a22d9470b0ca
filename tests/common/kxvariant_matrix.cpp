// The conversion matrix, row by row (source type), into another value and
// in place.
#include <functional>

#include "kxvariant_support.h"

using namespace kxtest;

namespace {

// Expected outcome: a value ("Long:0") or an error ("!0x80020005").
struct MatrixCase {
    const char* source;
    std::function<CKXVariant()> make;
    DataTypeConstants target;
    const char* expected;
};

constexpr const char* kMismatch = "!0x80020005";  // DISP_E_TYPEMISMATCH
constexpr const char* kOverflow = "!0x8002000a";  // DISP_E_OVERFLOW
constexpr const char* kUnknown = "!0x80070057";   // E_INVALIDARG, 0xC0021004

std::string Outcome(const std::function<void()>& convert, const CKXVariant& result)
{
    const Raised r = Catch(convert);
    if (!r.thrown) return Show(result);
    char code[16];
    std::snprintf(code, sizeof code, "!0x%08x", static_cast<unsigned>(r.hr));
    return code;
}

const std::vector<MatrixCase>& Matrix()
{
    static const std::vector<MatrixCase> cases = {
        // None (VT_EMPTY)
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtLong, "Long:0"},
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtText, "Text:"},
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtCategorical, "Set:{}"},
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtDate, "Date:0"},
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtDouble, "Double:0"},
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtBoolean, "Bool:false"},
        {"empty", [] { return CKXVariant(mtNone, kLcid, 0); }, mtNone, "Empty"},
        // None (VT_NULL, missing)
        {"null", Null, mtLong, kMismatch},
        {"null", Null, mtText, "Text:####"},
        {"null", Null, mtCategorical, "Set:{}"},
        {"null", Null, mtDate, kMismatch},
        {"null", Null, mtDouble, kMismatch},
        {"null", Null, mtBoolean, kMismatch},
        {"missing", Missing, mtLong, kMismatch},
        {"missing", Missing, mtText, "Text:####"},
        {"missing", Missing, mtCategorical, "Set:{}"},
        {"missing", Missing, mtDouble, kMismatch},
        {"missing", Missing, mtBoolean, kMismatch},
        {"null", Null, mtNone, "Empty"},
        // Long
        {"42", [] { return Long(42); }, mtText, "Text:42"},
        {"42", [] { return Long(42); }, mtCategorical, "Set:{42}"},
        {"0", [] { return Long(0); }, mtCategorical, "Set:{0}"},
        {"-3", [] { return Long(-3); }, mtCategorical, kMismatch},
        {"42", [] { return Long(42); }, mtDate, "Date:42"},
        {"42", [] { return Long(42); }, mtDouble, "Double:42"},
        {"42", [] { return Long(42); }, mtBoolean, "Bool:true"},
        {"0", [] { return Long(0); }, mtBoolean, "Bool:false"},
        // Text
        {"'12'", [] { return Text(u"12"); }, mtLong, "Long:12"},
        {"'2.5'", [] { return Text(u"2.5"); }, mtLong, "Long:2"},
        {"'abc'", [] { return Text(u"abc"); }, mtLong, kMismatch},
        {"'1.5'", [] { return Text(u"1.5"); }, mtDouble, "Double:1.5"},
        {"'1/2/2000'", [] { return Text(u"1/2/2000"); }, mtDate, "Date:36527"},
        {"'True'", [] { return Text(u"True"); }, mtBoolean, "Bool:true"},
        {"'0'", [] { return Text(u"0"); }, mtBoolean, "Bool:false"},
        {"'{3, 1}'", [] { return Text(u"{3, 1}"); }, mtCategorical, "Set:{3,1}"},
        {"''", [] { return Text(u""); }, mtLong, "Long:0"},
        {"''", [] { return Text(u""); }, mtText, "Text:"},
        {"''", [] { return Text(u""); }, mtCategorical, "Set:{}"},
        {"''", [] { return Text(u""); }, mtDate, "Date:0"},
        {"''", [] { return Text(u""); }, mtDouble, "Double:0"},
        {"''", [] { return Text(u""); }, mtBoolean, "Bool:false"},
        // Categorical
        {"{5}", [] { return Set({5}); }, mtLong, "Long:5"},
        {"{}", [] { return Set({}); }, mtLong, "Long:0"},
        {"{1,2}", [] { return Set({1, 2}); }, mtLong, kOverflow},
        {"{3,1,2}", [] { return Set({3, 1, 2}); }, mtText, "Text:{3,1,2}"},
        {"{}", [] { return Set({}); }, mtText, "Text:{}"},
        {"{3,1,2}", [] { return Set({3, 1, 2}); }, mtCategorical, "Set:{3,1,2}"},
        {"{1}", [] { return Set({1}); }, mtDate, kMismatch},
        {"{1}", [] { return Set({1}); }, mtDouble, kMismatch},
        {"{1}", [] { return Set({1}); }, mtBoolean, "Bool:true"},
        {"{}", [] { return Set({}); }, mtBoolean, "Bool:false"},
        {"{1}", [] { return Set({1}); }, mtObject, kMismatch},
        {"{1}", [] { return Set({1}); }, mtNone, "Empty"},
        // Date
        {"date 36526.5", [] { return Date(36526.5); }, mtLong, "Long:36526"},
        {"date 36526", [] { return Date(36526); }, mtText, "Text:1/1/2000"},
        {"date 36526", [] { return Date(36526); }, mtCategorical, kMismatch},
        {"date 36526.5", [] { return Date(36526.5); }, mtDouble, "Double:36526.5"},
        {"date 36526", [] { return Date(36526); }, mtBoolean, "Bool:true"},
        // Double
        {"2.5", [] { return Double(2.5); }, mtLong, "Long:2"},
        {"3.5", [] { return Double(3.5); }, mtLong, "Long:4"},
        {"1e10", [] { return Double(1e10); }, mtLong, kOverflow},
        {"2.5", [] { return Double(2.5); }, mtText, "Text:2.5"},
        {"2.5", [] { return Double(2.5); }, mtCategorical, kMismatch},
        {"2.5", [] { return Double(2.5); }, mtDate, "Date:2.5"},
        {"0.0", [] { return Double(0.0); }, mtBoolean, "Bool:false"},
        // Boolean: 1 and 0 for numbers, never the OLE -1
        {"true", [] { return Bool(true); }, mtLong, "Long:1"},
        {"true", [] { return Bool(true); }, mtDouble, "Double:1"},
        {"false", [] { return Bool(false); }, mtLong, "Long:0"},
        {"false", [] { return Bool(false); }, mtDouble, "Double:0"},
        {"true", [] { return Bool(true); }, mtText, "Text:True"},
        {"false", [] { return Bool(false); }, mtText, "Text:False"},
        {"true", [] { return Bool(true); }, mtCategorical, kMismatch},
        {"true", [] { return Bool(true); }, mtDate, "Date:-1"},
        // To Object and Level
        {"42", [] { return Long(42); }, mtObject, kMismatch},
        {"'x'", [] { return Text(u"x"); }, mtObject, kMismatch},
        {"42", [] { return Long(42); }, mtLevel, kUnknown},
        {"'x'", [] { return Text(u"x"); }, mtLevel, kUnknown},
        {"date 1", [] { return Date(1); }, mtObject, kMismatch},
    };
    return cases;
}

TEST(KxVariantMatrix, IntoAnotherValue)
{
    for (const auto& c : Matrix()) {
        const CKXVariant source = c.make();
        const std::string before = Show(source);
        CKXVariant dest(mtNone, kLcid, 0);
        EXPECT_EQ(Outcome([&] { dest.ChangeType(dest, source, c.target, KX_SOURCE_LOCALE); }, dest), c.expected)
            << c.source << " to " << Utf16ToUtf8(CKXVariant::TypeName(c.target));
        EXPECT_EQ(Show(source), before) << "the source is untouched";
        if (dest.Value().vt != VT_EMPTY || c.target == mtNone) {
            EXPECT_EQ(dest.Type(), c.target) << c.source;
        }
    }
}

TEST(KxVariantMatrix, InPlace)
{
    for (const auto& c : Matrix()) {
        CKXVariant value = c.make();
        const std::string before = Show(value);
        const DataTypeConstants typeBefore = value.Type();
        const std::string outcome = Outcome([&] { value.ChangeType(c.target); }, value);
        if (c.expected[0] == '!') {
            EXPECT_EQ(outcome, c.expected) << c.source << " in place";
            EXPECT_EQ(Show(value), before) << c.source << ": a failed conversion leaves the value as it was";
            EXPECT_EQ(value.Type(), typeBefore);
        } else if (c.target == typeBefore) {
            EXPECT_EQ(outcome, before) << c.source << ": in place to its own type nothing is done";
        } else {
            EXPECT_EQ(outcome, c.expected) << c.source << " to " << Utf16ToUtf8(CKXVariant::TypeName(c.target));
            EXPECT_EQ(value.Type(), c.target);
        }
    }
}

TEST(KxVariantMatrix, MismatchMessageNamesValueAndTypes)
{
    CKXVariant dest(mtNone, kLcid, 0);
    Raised r = Catch([&] { dest.ChangeType(dest, Text(u"abc"), mtLong, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.message, "Type mismatch error, converting 'abc' from Text to Long");
    r = Catch([&] { dest.ChangeType(dest, Set({1, 2}), mtLong, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(r.message, "Type mismatch error, converting '{1,2}' from Categorical to Long");
    r = Catch([&] { dest.ChangeType(dest, Double(2.5), mtCategorical, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.message, "Type mismatch error, converting '2.5' from Double to Categorical");
    // A value without text form shows as ####.
    r = Catch([&] { dest.ChangeType(dest, Null(), mtLong, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.message, "Type mismatch error, converting '####' from None to Long");
    // The message is in the language of the converting value.
    CKXVariant german(mtNone, kLcid, 1031);
    r = Catch([&] { german.ChangeType(german, Text(u"-3"), mtCategorical, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.message, "Type mismatch error, converting '-3' from Text to Categorical");
}

// A set meets mtLevel as a mismatch, whose message names a type without a
// name: debug builds assert there, release builds write "---".
TEST(KxVariantMatrixDeathTest, SetToLevelIsAMismatch)
{
    EXPECT_DEBUG_DEATH(
        {
            CKXVariant dest(mtNone, kLcid, 0);
            const Raised r = Catch([&] { dest.ChangeType(dest, Set({1}), mtLevel, KX_SOURCE_LOCALE); });
            EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
            EXPECT_EQ(r.message, "Type mismatch error, converting '{1}' from Categorical to ---");
        },
        "type without a name");
}

TEST(KxVariantMatrix, LocaleOfTheConversion)
{
    // The source's locale by default; an explicit one wins.
    const CKXVariant german(u"1,5", 1031, 0);
    CKXVariant dest(mtNone, kLcid, 0);
    dest.ChangeType(dest, german, mtDouble, KX_SOURCE_LOCALE);
    EXPECT_EQ(Show(dest), "Double:1.5");
    dest.ChangeType(dest, german, mtDouble, 1033);
    EXPECT_EQ(Show(dest), "Double:15") << "the comma is the thousands separator in 1033";
    dest.ChangeVt(dest, Double(2.25), VT_BSTR, 1031);
    EXPECT_EQ(Show(dest), "Text:2,25");
    dest.ChangeVt(dest, Double(2.25), VT_BSTR, KX_SOURCE_LOCALE);
    EXPECT_EQ(Show(dest), "Text:2.25");
    EXPECT_EQ(Catch([&] { dest.ChangeVt(dest, Double(2.25), VT_I2, KX_SOURCE_LOCALE); }).hr, E_INVALIDARG);
}

}  // namespace
