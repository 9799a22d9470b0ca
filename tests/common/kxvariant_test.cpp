// CKXVariant: construction, types and their names, Assign, Clear, text,
// copies, comvector and the failure codes.
#include "kxvariant_support.h"

using namespace kxtest;

namespace {

TEST(KxVariant, ConstructionFromAType)
{
    const struct {
        DataTypeConstants type;
        const char* shown;
    } cases[] = {
        {mtNone, "Empty"},          {mtLong, "Long:0"},      {mtText, "Text:"},      {mtCategorical, "Set:{}"},
        {mtDate, "Date:0"},         {mtDouble, "Double:0"},  {mtBoolean, "Bool:false"},
    };
    for (const auto& c : cases) {
        CKXVariant value(c.type, 1031, 1031);
        EXPECT_EQ(Show(value), c.shown);
        EXPECT_EQ(value.Type(), c.type);
        EXPECT_EQ(value.Locale(), 1031u);
        EXPECT_EQ(value.Language(), 1031u);
    }
    const Raised level = Catch([] { CKXVariant value(mtLevel, kLcid, 0); });
    EXPECT_EQ(level.hr, E_INVALIDARG);
    EXPECT_EQ(level.message, "Unknown data type requested");
    EXPECT_TRUE(Catch([] { CKXVariant value(mtObject, kLcid, 0); }).thrown);
}

TEST(KxVariant, ConstructionFromText)
{
    CKXVariant text(u"caf\u00E9", kLcid, 1033);
    EXPECT_EQ(text.Type(), mtText);
    EXPECT_EQ(Utf8(text.Text()), "caf\xC3\xA9");
    EXPECT_EQ(text.AsAnsiText(), "caf\xE9");
    CKXVariant none(static_cast<const OLECHAR*>(nullptr), kLcid, 0);
    EXPECT_EQ(Show(none), "Text:");
}

TEST(KxVariant, AssignWidensAndRefusesOtherTypes)
{
    Variant i2;
    i2.vt = VT_I2;
    i2.iVal = -7;
    EXPECT_EQ(Show(Value(i2)), "Long:-7");
    Variant r4;
    r4.vt = VT_R4;
    r4.fltVal = 0.5f;
    EXPECT_EQ(Show(Value(r4)), "Double:0.5");
    EXPECT_EQ(Value(r4).Type(), mtDouble);

    CKXVariant value = Long(3);
    for (VARTYPE vt : {VT_UI1, VT_CY, VT_DECIMAL, VT_UNKNOWN, VT_DISPATCH, VT_I8, VT_VARIANT}) {
        Variant odd;
        odd.vt = vt;
        const Raised r = Catch([&] { value.Assign(odd); });
        EXPECT_EQ(r.hr, E_INVALIDARG) << VarTypeToString(vt);
        EXPECT_EQ(r.message, "Unknown data type requested");
        EXPECT_EQ(Show(value), "Long:3") << "unchanged after " << VarTypeToString(vt);
    }
    value.Assign(Variant::Null());
    EXPECT_EQ(value.Type(), mtNone);
    EXPECT_EQ(Show(value), "Null");
    value.Assign(CKXVariant::MissingValue());
    EXPECT_TRUE(value.IsMissingValue());
    EXPECT_EQ(value.Type(), mtNone);
    EXPECT_FALSE(Long(0).IsMissingValue());
}

TEST(KxVariant, AnArrayThatCannotBeCopied)
{
    // An element of no valid VARTYPE fails the array copy.
    Variant broken;
    broken.vt = VT_ARRAY | VT_VARIANT;
    broken.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    static_cast<VARIANT*>(broken.parray->pvData)->vt = 0x7FFF;
    CKXVariant value = Long(3);
    const Raised r = Catch([&] { value.Assign(broken); });
    EXPECT_EQ(r.hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(r.message, "An error occurred updating the categorical safe array variable: Bad variable type.\r\n");
    EXPECT_EQ(Show(value), "Long:3");
    static_cast<VARIANT*>(broken.parray->pvData)->vt = VT_EMPTY;
}

TEST(KxVariant, TypesOfVarTypes)
{
    const CKXVariant any(mtNone, kLcid, 0);
    const struct {
        VARTYPE vt;
        DataTypeConstants type;
    } accepted[] = {
        {VT_EMPTY, mtNone},
        {VT_NULL, mtNone},
        {VT_ERROR, mtNone},
        {VT_I4, mtLong},
        {VT_BSTR, mtText},
        {VT_BSTR | VT_BYREF, mtText},
        {VT_ARRAY | VT_VARIANT, mtCategorical},
        {VT_ARRAY | VT_VARIANT | VT_BYREF, mtCategorical},
        {VT_DATE, mtDate},
        {VT_R8, mtDouble},
        {VT_BOOL, mtBoolean},
    };
    for (const auto& c : accepted) EXPECT_EQ(any.KXTypeFromVt(c.vt), c.type) << VarTypeToString(c.vt);
    for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_I2, VT_R4, VT_UI1, VT_CY, VT_DECIMAL, VT_UNKNOWN,
                                                     VT_DISPATCH, VT_I4 | VT_BYREF, VT_ARRAY | VT_I4})
        EXPECT_EQ(Catch([&] { any.KXTypeFromVt(vt); }).hr, E_INVALIDARG) << VarTypeToString(vt);

    const VARTYPE produced[] = {VT_EMPTY, VT_I4, VT_BSTR, VT_ARRAY | VT_VARIANT, VT_BYREF | VT_UI1,
                                VT_DATE, VT_R8, VT_BOOL};
    for (LONG t = mtNone; t <= mtBoolean; ++t)
        EXPECT_EQ(any.VtFromKXType(static_cast<DataTypeConstants>(t)), produced[t]) << t;
    for (LONG t : {8, 9, -1})
        EXPECT_EQ(Catch([&] { any.VtFromKXType(static_cast<DataTypeConstants>(t)); }).hr, E_INVALIDARG) << t;

    const char* names[] = {"None", "Long", "Text", "Categorical", "Object", "Date", "Double", "Boolean"};
    for (LONG t = mtNone; t <= mtBoolean; ++t) EXPECT_EQ(Utf8(CKXVariant::TypeName(t)), names[t]);
}

TEST(KxVariantDeathTest, ProgrammingErrors)
{
    // Each asserts in debug builds; release builds take the outcome shown.
    EXPECT_DEBUG_DEATH(EXPECT_EQ(Utf8(CKXVariant::TypeName(mtLevel)), "---"), "type without a name");
    EXPECT_DEBUG_DEATH(EXPECT_EQ(Utf8(CKXVariant::TypeName(9)), "---"), "type without a name");
    EXPECT_DEBUG_DEATH(
        {
            const CKXVariant any(mtNone, kLcid, 0);
            EXPECT_EQ(any.KXTypeFromVt(VT_BYREF | VT_UI1), mtObject);
        },
        "mtObject not supported");
    EXPECT_DEBUG_DEATH(
        {
            Variant error;
            error.vt = VT_ERROR;
            error.scode = E_FAIL;
            EXPECT_FALSE(Value(error).IsMissingValue());
        },
        "VT_ERROR other than the missing marker");
    EXPECT_DEBUG_DEATH(EXPECT_THROW(Long(1).Text(), std::logic_error), "not mtText");
    EXPECT_DEBUG_DEATH(EXPECT_THROW(Text(u"x").Categorical(), std::logic_error), "not mtCategorical");
    EXPECT_DEBUG_DEATH(
        {
            comvector v;
            ASSERT_EQ(v.Create(2), S_OK);
            ASSERT_EQ(v.Lock(), S_OK);
            EXPECT_THROW(v[2], std::logic_error);
        },
        "Accessing data out of bounds");
    EXPECT_DEBUG_DEATH(
        {
            comvector v;
            ASSERT_EQ(v.Create(2), S_OK);
            EXPECT_THROW(v[0], std::logic_error);  // not locked
        },
        "Accessing data out of bounds");
}

TEST(KxVariant, CopiesAreDeep)
{
    CKXVariant original = Set({1, 2});
    original.SetLocales(1031, 1036);
    CKXVariant copy = original;
    EXPECT_NE(copy.Categorical(), original.Categorical());
    EXPECT_EQ(Show(copy), "Set:{1,2}");
    EXPECT_EQ(copy.Locale(), 1031u);
    EXPECT_EQ(copy.Language(), 1036u);
    original.ChangeType(mtText);
    EXPECT_EQ(Show(copy), "Set:{1,2}");

    CKXVariant assigned = Long(1);
    assigned = original;
    EXPECT_EQ(Show(assigned), "Text:{1,2}");
    EXPECT_EQ(assigned.Type(), mtText);
    EXPECT_EQ(assigned.Locale(), 1031u);
    assigned = assigned;
    EXPECT_EQ(Show(assigned), "Text:{1,2}");
}

TEST(KxVariant, AsText)
{
    EXPECT_EQ(Utf8(Long(42).AsText()), "42");
    EXPECT_EQ(Utf8(Set({3, 1}).AsText()), "{3,1}");
    EXPECT_EQ(Utf8(Null().AsText()), "####");
    EXPECT_EQ(Utf8(Missing().AsText()), "####");
    EXPECT_EQ(Utf8(Bool(true).AsText()), "True");
    EXPECT_EQ(Utf8(CKXVariant(mtNone, kLcid, 0).AsText()), "");
    CKXVariant german(mtNone, 1031, 0);
    german.Assign(Variant::Double(1.5));
    EXPECT_EQ(Utf8(german.AsText()), "1,5") << "in the value's own locale";
    EXPECT_EQ(german.Type(), mtDouble) << "the value itself is unchanged";
}

TEST(KxVariant, ClearAndItsFailure)
{
    CKXVariant value = Text(u"x");
    value.Clear();
    EXPECT_EQ(value.Type(), mtNone);
    EXPECT_EQ(Show(value), "Empty");

    // A locked array cannot be cleared.
    CKXVariant set = Set({1});
    SAFEARRAY* array = set.Categorical();
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    const Raised r = Catch([&] { set.Clear(); });
    EXPECT_EQ(r.hr, DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(r.message.rfind("Error clearing a value: ", 0), 0u) << r.message;
    EXPECT_EQ(set.Type(), mtCategorical);
    // Nor replaced by a conversion result.
    EXPECT_EQ(Catch([&] { set.ChangeType(mtText); }).hr, DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnlock(array), S_OK);
    set.Clear();
    EXPECT_EQ(set.Type(), mtNone);
}

TEST(KxVariant, EmptyTextConvertsAsTheEmptyValue)
{
    for (DataTypeConstants type : {mtLong, mtDouble, mtBoolean, mtCategorical, mtDate, mtText}) {
        CKXVariant inPlace = Text(u"");
        inPlace.ChangeType(type);
        CKXVariant into(mtNone, kLcid, 0);
        into.ChangeType(into, Text(u""), type, KX_SOURCE_LOCALE);
        EXPECT_EQ(Show(inPlace), Show(into)) << type;
        EXPECT_EQ(inPlace.Type(), type);
        EXPECT_EQ(into.Type(), type);
    }
    CKXVariant set = Text(u"");
    set.ChangeType(mtCategorical);
    EXPECT_EQ(Show(set), "Set:{}");
}

TEST(KxVariant, CategoricalByReference)
{
    VARIANT raw = SetVariant({4, 5});
    SAFEARRAY* array = raw.parray;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    ref.pparray = &array;
    {
        CKXVariant value(ref, kLcid, 0);
        EXPECT_EQ(value.Type(), mtCategorical);
        EXPECT_EQ(value.Categorical(), array) << "read through the reference";
        EXPECT_EQ(Utf8(value.AsText()), "{4,5}");
        CKXVariant copy(mtNone, kLcid, 0);
        copy.ChangeType(copy, value, mtCategorical, KX_SOURCE_LOCALE);
        EXPECT_EQ(Show(copy), "Set:{4,5}");
        EXPECT_EQ(value.Compare(copy), 0);
    }
    VariantClear(&raw);
}

TEST(KxComvector, CreateResizeDetach)
{
    comvector v;
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(v.Lock(), E_UNEXPECTED) << "no array";
    ASSERT_EQ(v.Create(3), S_OK);
    ASSERT_EQ(v.Lock(), S_OK);
    for (ULONG i = 0; i < 3; ++i) EXPECT_EQ(v[i].vt, VT_EMPTY);
    v[2].vt = VT_I4;
    v[2].lVal = 12;
    ASSERT_EQ(v.Resize(5), S_OK);
    EXPECT_TRUE(v.locked()) << "the lock survives a resize";
    EXPECT_EQ(v.size(), 5u);
    EXPECT_EQ(v[2].lVal, 12);
    EXPECT_EQ(v[4].vt, VT_EMPTY);
    comvector copy;
    ASSERT_EQ(copy.CopyFrom(v.get()), S_OK);
    EXPECT_EQ(copy.size(), 5u);
    SafeArrayPtr owned(v.Detach());
    EXPECT_EQ(v.get(), nullptr);
    EXPECT_EQ(owned->cLocks, 0u) << "detached unlocked";
    EXPECT_EQ(copy.CopyFrom(nullptr), E_INVALIDARG);
    comvector moved = std::move(copy);
    EXPECT_EQ(moved.size(), 5u);
    EXPECT_EQ(copy.get(), nullptr);
}

}  // namespace
