// Categorical sets: the text parser, conversions out of sets, Compare and
// IsSubset.
#include "kxvariant_support.h"

using namespace kxtest;

namespace {

std::string Parsed(const char16_t* text)
{
    CKXVariant dest(mtNone, kLcid, 0);
    const Raised r = Catch([&] { dest.ChangeType(dest, Text(text), mtCategorical, KX_SOURCE_LOCALE); });
    if (r.thrown) {
        EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH) << Utf8(text);
        EXPECT_EQ(r.message, "Type mismatch error, converting '" + Utf8(text) + "' from Text to Categorical");
        return "mismatch";
    }
    return Show(dest);
}

TEST(KxCategoricalText, ValidForms)
{
    const struct {
        const char16_t* text;
        const char* set;
    } cases[] = {
        {u"{1,2,3}", "Set:{1,2,3}"},
        {u"{ 1 , 2 }", "Set:{1,2}"},
        {u"{}", "Set:{}"},
        {u"{ }", "Set:{}"},
        {u"{1,}", "Set:{1}"},
        {u"{ 4 ,2}", "Set:{4,2}"},
        {u"{1}  ", "Set:{1}"},
        {u"{\t3\r\n}\n", "Set:{3}"},
        {u"{\u00A07\u3000}", "Set:{7}"},  // wide white space
        {u"{2,2,1}", "Set:{2,2,1}"},       // order kept, duplicates too
        {u"{0}", "Set:{0}"},
        {u"{007}", "Set:{7}"},
        {u"{2147483647}", "Set:{2147483647}"},
        {u"12", "Set:{12}"},
        {u" 7 ", "Set:{7}"},
        {u"+5", "Set:{5}"},
        {u"2147483647", "Set:{2147483647}"},
        {u"-0", "Set:{0}"},
        // Blanks only: the number reader takes nothing, the blanks count as
        // trailing, and the number is 0 (as the original).
        {u"   ", "Set:{0}"},
    };
    for (const auto& c : cases) EXPECT_EQ(Parsed(c.text), c.set) << Utf8(c.text);
}

TEST(KxCategoricalText, InvalidForms)
{
    const char16_t* cases[] = {
        u"{-1}",  u"{+1}",  u"{1 2}", u"{1;2}",         u"{1}x",        u"{",          u"{1",
        u"{1,",   u"{,1}",  u"{1,,2}", u"{a}",          u"{1}}",        u"{2147483648}", u"{99999999999999999999}",
        u"-3",    u"abc",   u"1x",    u"2147483648",   u"+",           u" {1}",       u"1,2",
        u"x{1}",  u"1.5",
    };
    for (const char16_t* text : cases) EXPECT_EQ(Parsed(text), "mismatch") << Utf8(text);
}

TEST(KxCategoricalText, ByReference)
{
    BStr text(u"{5,6}");
    BSTR raw = text.get();
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &raw;
    CKXVariant value(ref, kLcid, 0);
    EXPECT_EQ(value.Type(), mtText);
    EXPECT_EQ(Utf8(value.Text()), "{5,6}");
    value.ChangeType(mtCategorical);
    EXPECT_EQ(Show(value), "Set:{5,6}");
}

// A categorical value whose array holds something other than VT_I4.
CKXVariant BadSet()
{
    Variant v;
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    LONG i = 0;
    Variant one = Variant::Long(1);
    SafeArrayPutElement(v.parray, &i, &one);
    i = 1;
    Variant text = Variant::Text(u"x");
    SafeArrayPutElement(v.parray, &i, &text);
    return CKXVariant(v, kLcid, 0);
}

TEST(KxCategorical, ElementsMustBeLongs)
{
    CKXVariant bad = BadSet();
    CKXVariant dest(mtNone, kLcid, 0);
    Raised r = Catch([&] { dest.ChangeType(dest, bad, mtText, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.hr, E_UNEXPECTED);
    EXPECT_EQ(r.message, "Unsupported categorical value data type");
    EXPECT_EQ(Show(dest), "Empty");
    // Counting or copying reads no element.
    dest.ChangeType(dest, bad, mtBoolean, KX_SOURCE_LOCALE);
    EXPECT_EQ(Show(dest), "Bool:true");
    EXPECT_EQ(Catch([&] { dest.ChangeType(dest, bad, mtLong, KX_SOURCE_LOCALE); }).hr, DISP_E_OVERFLOW);
    dest.ChangeType(dest, bad, mtCategorical, KX_SOURCE_LOCALE);
    EXPECT_EQ(Show(dest), "Set:{1,VT_BSTR:\"x\"}");
    // Compare reads the elements up to the smaller count.
    EXPECT_EQ(bad.Compare(Set({1})), 1);
    EXPECT_EQ(Catch([&] { bad.Compare(Set({1, 2})); }).hr, E_UNEXPECTED);
    // Its text for messages: #### (the failure does not escape).
    EXPECT_EQ(Utf8(bad.AsText()), "####");
}

TEST(KxCategorical, ArraysOfOtherShapes)
{
    // An array of longs, not of VARIANTs: unsupported, never read as VARIANTs.
    Variant v;
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_I4, 0, 3);
    CKXVariant odd(v, kLcid, 0);
    CKXVariant dest(mtNone, kLcid, 0);
    const Raised r = Catch([&] { dest.ChangeType(dest, odd, mtText, KX_SOURCE_LOCALE); });
    EXPECT_EQ(r.hr, E_UNEXPECTED);
    EXPECT_EQ(r.message, "Unsupported categorical value data type");
}

TEST(KxCategorical, AttachTakesTheArray)
{
    comvector numbers;
    ASSERT_EQ(numbers.Create(2), S_OK);
    ASSERT_EQ(numbers.Lock(), S_OK);
    numbers[0] = Variant::Long(8);  // plain VARIANT copy of a scalar
    numbers[1].vt = VT_I4;
    numbers[1].lVal = 9;
    numbers.Unlock();
    CKXVariant value = Text(u"before");
    value.AttachCategorical(value, numbers);
    EXPECT_EQ(numbers.get(), nullptr);
    EXPECT_EQ(value.Type(), mtCategorical);
    EXPECT_EQ(Show(value), "Set:{8,9}");

    // Nothing to hand over: the array error, E_UNEXPECTED, with system text.
    const Raised r = Catch([&] { value.AttachCategorical(value, numbers); });
    EXPECT_EQ(r.hr, E_UNEXPECTED);
    EXPECT_EQ(r.message, "An error occurred updating the categorical safe array variable: Catastrophic failure\r\n");
    EXPECT_EQ(Show(value), "Set:{8,9}");
}

TEST(KxCategorical, AsCategoricalKeepsACopy)
{
    CKXVariant text = Text(u"{3,4}");
    SAFEARRAY* set = text.AsCategorical();
    ASSERT_NE(set, nullptr);
    LONG upper = -1;
    SafeArrayGetUBound(set, 1, &upper);
    EXPECT_EQ(upper, 1);
    EXPECT_EQ(text.Type(), mtText) << "the value itself is unchanged";
    CKXVariant own = Set({1});
    EXPECT_EQ(own.AsCategorical(), own.Categorical());
}

// ---- Compare

int Sign(int n) { return (n > 0) - (n < 0); }

TEST(KxCompare, AcrossTypes)
{
    const struct {
        const char* name;
        CKXVariant left, right;
        int sign;
    } cases[] = {
        {"sets in any order", Set({1, 2}), Set({2, 1}), 0},
        {"fewer members", Set({1}), Set({1, 2}), -1},
        {"more members", Set({1, 2}), Set({1}), 1},
        {"a member missing", Set({5, 1}), Set({1, 2}), 1},
        {"empty sets", Set({}), Set({}), 0},
        {"text and set", Text(u"{2,1}"), Set({1, 2}), 0},
        {"long and set", Long(3), Set({3}), 0},
        {"case matters", Text(u"abc"), Text(u"ABC"), 1},
        {"prefix", Text(u"ab"), Text(u"abc"), -1},
        {"equal texts", Text(u"abc"), Text(u"abc"), 0},
        {"units unsigned", Text(u"\uFFFF"), Text(u"a"), 1},
        {"longs", Long(2), Long(7), -1},
        {"long and text", Long(5), Text(u"3"), 1},
        {"text and long", Text(u"3"), Long(5), -1},
        {"double and long", Double(1.5), Long(2), -1},
        {"long and double", Long(2), Double(1.5), 1},
        {"long and date", Long(3), Date(2.5), 1},
        {"doubles equal", Double(0.25), Double(0.25), 0},
        {"true and false", Bool(true), Bool(false), 1},
        {"false and true", Bool(false), Bool(true), -1},
        {"true and long 1", Bool(true), Long(1), 0},
        {"none and long", CKXVariant(mtNone, kLcid, 0), Long(5), -1},
        {"long and none", Long(5), CKXVariant(mtNone, kLcid, 0), 1},
        {"none and null", CKXVariant(mtNone, kLcid, 0), Null(), 0},
        {"empty text and long", Text(u""), Long(0), 0},
    };
    for (const auto& c : cases) {
        CKXVariant left = c.left;
        EXPECT_EQ(Sign(left.Compare(c.right)), c.sign) << c.name;
    }
    // The magnitudes are the differences.
    CKXVariant five = Long(5);
    EXPECT_EQ(five.Compare(Long(2)), 3);
    CKXVariant abc = Text(u"abc");
    EXPECT_EQ(abc.Compare(Text(u"ABC")), 32);
}

TEST(KxCompare, ConversionFailuresRaise)
{
    CKXVariant text = Text(u"abc");
    EXPECT_EQ(Catch([&] { text.Compare(Long(1)); }).hr, DISP_E_TYPEMISMATCH);
    CKXVariant set = Set({1});
    EXPECT_EQ(Catch([&] { set.Compare(Double(1.0)); }).hr, DISP_E_TYPEMISMATCH);
}

// ---- IsSubset

TEST(KxSubset, CountsThenMembers)
{
    const struct {
        const char* name;
        CKXVariant left, right;
        bool allowEqual, expected;
    } cases[] = {
        {"proper subset", Set({1}), Set({1, 2}), false, true},
        {"equal, not allowed", Set({1, 2}), Set({2, 1}), false, false},
        {"equal, allowed", Set({1, 2}), Set({2, 1}), true, true},
        {"larger left", Set({1, 2, 3}), Set({1, 2}), true, false},
        {"a member missing", Set({1, 3}), Set({1, 2, 4}), false, false},
        {"empty left", Set({}), Set({7}), false, true},
        {"both empty", Set({}), Set({}), true, true},
        {"text and long", Text(u"{2}"), Long(2), true, true},
        {"long and text", Long(4), Text(u"{1, 4}"), false, true},
        {"none and set", CKXVariant(mtNone, kLcid, 0), Set({1}), false, true},
    };
    for (const auto& c : cases) {
        CKXVariant any(mtNone, kLcid, 0);
        EXPECT_EQ(any.IsSubset(c.left, c.right, c.allowEqual), c.expected) << c.name;
    }
    CKXVariant any(mtNone, kLcid, 0);
    EXPECT_EQ(Catch([&] { any.IsSubset(Double(1.0), Set({1}), true); }).hr, DISP_E_TYPEMISMATCH);
}

}  // namespace
