// Values and data bindings: the Value put and Type put paths, the dirty flag,
// and the bindings' members, through the virtual table and IDispatch.
#include "common/command.h"
#include "tests/common/datasource_support.h"
#include "tests/platform/temp_registry.h"

namespace {

Variant Text(const char16_t* s) { return dstest::Name(s); }

class ValueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        dstest::UsePlugin(dstest::kReaderLike);
        dstest::RegisterProgIds();
        ASSERT_EQ(value.Create(), S_OK);
    }
    void TearDown() override { SetErrorInfo(0, nullptr); }

    IValue* V() { return value.Interface(); }
    LONG Type()
    {
        LONG t = -1;
        EXPECT_EQ(V()->get_Type(&t), S_OK);
        return t;
    }
    Variant Get()
    {
        Variant v;
        EXPECT_EQ(V()->get_Value(VARIANT_TRUE, &v), S_OK);
        return v;
    }
    VARIANT_BOOL Dirty()
    {
        VARIANT_BOOL d = 1;
        EXPECT_EQ(V()->get_IsDirty(&d), S_OK);
        return d;
    }

    TempRegistry registry;
    CComObjectPtr<CValue, IValue> value;
};

// Value put: starting from a declared type, one datum; the type and the held
// VARIANT afterwards.
TEST_F(ValueTest, ValuePutPaths)
{
    struct Case {
        const char* what;
        LONG declared;  // -1: fresh value
        Variant datum;
        HRESULT hr;
        LONG type;
        VARTYPE vt;
    } cases[] = {
        {"fresh takes the type of its datum", -1, Variant::Long(5), S_OK, mtLong, VT_I4},
        {"fresh text", -1, Text(u"abc"), S_OK, mtText, VT_BSTR},
        {"same type", mtDouble, Variant::Double(2.5), S_OK, mtDouble, VT_R8},
        {"text converted to the declared double", mtDouble, Text(u"1.5"), S_OK, mtDouble, VT_R8},
        {"text converted to the declared long", mtLong, Text(u"42"), S_OK, mtLong, VT_I4},
        {"long converted to declared text", mtText, Variant::Long(7), S_OK, mtText, VT_BSTR},
        {"empty clears the declared type", mtDouble, Variant(), S_OK, mtNone, VT_EMPTY},
        {"text that is no number", mtDouble, Text(u"abc"), DISP_E_TYPEMISMATCH, mtDouble, VT_R8},
        // The type of the datum is taken before anything is assigned: VT_I2
        // and VT_R4 have none, although Assign would widen them.
        {"VT_I2 has no data type", mtLong, Variant::Short(-7), E_INVALIDARG, mtLong, VT_I4},
        {"VT_R4 has no data type", -1, Variant::Single(0.5f), E_INVALIDARG, mtNone, VT_EMPTY},
        {"null on a fresh value is held", -1, Variant::Null(), S_OK, mtNone, VT_NULL},
        {"null clears the declared type", mtLong, Variant::Null(), S_OK, mtNone, VT_EMPTY},
        {"missing clears the declared type", mtText, Variant(CKXVariant::MissingValue()), S_OK, mtNone, VT_EMPTY},
        {"text parsed for the declared set", mtCategorical, Text(u"{2, 1}"), S_OK, mtCategorical,
         VT_ARRAY | VT_VARIANT},
        {"negative long for the declared set", mtCategorical, Variant::Long(-1), DISP_E_TYPEMISMATCH, mtCategorical,
         VT_ARRAY | VT_VARIANT},
        {"declared level converts nothing", mtLevel, Variant::Long(1), E_INVALIDARG, mtLevel, VT_UNKNOWN},
    };
    for (auto& c : cases) {
        CComObjectPtr<CValue, IValue> fresh;
        ASSERT_EQ(fresh.Create(), S_OK);
        value = fresh;
        if (c.declared >= 0) {
            ASSERT_EQ(V()->put_Type(c.declared), S_OK) << c.what;
        }
        EXPECT_EQ(V()->put_Value(VARIANT_TRUE, c.datum), c.hr) << c.what;
        EXPECT_EQ(Type(), c.type) << c.what;
        EXPECT_EQ(Get().vt, c.vt) << c.what;
        EXPECT_EQ(Dirty(), SUCCEEDED(c.hr) ? VARIANT_TRUE : VARIANT_FALSE) << c.what;
        SetErrorInfo(0, nullptr);
    }
}

TEST_F(ValueTest, ConversionResultsAndMismatchError)
{
    ASSERT_EQ(V()->put_Type(mtDouble), S_OK);
    ASSERT_EQ(V()->put_Value(VARIANT_TRUE, Text(u"1.5")), S_OK);
    EXPECT_EQ(Get().dblVal, 1.5);
    EXPECT_EQ(V()->put_Value(VARIANT_TRUE, Text(u"abc")), DISP_E_TYPEMISMATCH);
    const dstest::ReportedError e = dstest::TakeError();
    EXPECT_EQ(e.description, "Type mismatch error, converting 'abc' from Text to Double");
    EXPECT_EQ(e.source, "Bvdtest.Value.1");
    EXPECT_TRUE(e.clsid == dstest::kReaderLike.classes.value);
    EXPECT_TRUE(e.iid == IID_IValue);
    EXPECT_EQ(e.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Get().dblVal, 1.5) << "the held value stays";
}

TEST_F(ValueTest, DirtyFlag)
{
    EXPECT_EQ(Dirty(), VARIANT_FALSE);
    ASSERT_EQ(V()->put_Value(VARIANT_FALSE, Variant::Long(1)), S_OK);
    EXPECT_EQ(Dirty(), VARIANT_FALSE) << "VARIANT_FALSE leaves the flag";
    ASSERT_EQ(V()->put_Value(VARIANT_TRUE, Variant::Long(2)), S_OK);
    EXPECT_EQ(Dirty(), VARIANT_TRUE);
    ASSERT_EQ(V()->put_Value(VARIANT_FALSE, Variant::Long(3)), S_OK);
    EXPECT_EQ(Dirty(), VARIANT_TRUE);
    ASSERT_EQ(V()->put_IsDirty(VARIANT_FALSE), S_OK);
    EXPECT_EQ(Dirty(), VARIANT_FALSE);
}

TEST_F(ValueTest, TypePutClearAndChunks)
{
    ASSERT_EQ(V()->put_Value(VARIANT_TRUE, Variant::Long(42)), S_OK);
    ASSERT_EQ(V()->put_Type(mtText), S_OK);
    Variant text = Get();
    ASSERT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(dstest::Text(text.bstrVal), "42");
    ASSERT_EQ(V()->put_Type(mtLevel), S_OK);
    EXPECT_EQ(Type(), mtLevel);
    // A level value shows its (absent) object; the held text is still there
    // when the type goes back.
    EXPECT_EQ(Get().vt, VT_UNKNOWN);
    ASSERT_EQ(V()->put_Type(mtText), S_OK);
    EXPECT_EQ(dstest::Text(Get().bstrVal), "42");
    ASSERT_EQ(V()->put_Type(mtDouble), S_OK);
    EXPECT_EQ(Get().dblVal, 42.0);
    EXPECT_EQ(V()->Clear(), S_OK);
    EXPECT_EQ(Type(), mtDouble) << "Clear keeps the declared type";
    EXPECT_EQ(Get().vt, VT_EMPTY);
    Variant chunk;
    EXPECT_EQ(V()->GetChunk(10, &chunk), E_NOTIMPL);
    EXPECT_EQ(V()->AppendChunk(chunk), E_NOTIMPL);
    EXPECT_EQ(V()->get_Value(VARIANT_TRUE, nullptr), E_POINTER);
    ComPtr<IValueAttributes> attributes;
    ASSERT_EQ(V()->get_Attributes(attributes.put()), S_OK);
    LONG count = -1;
    attributes->get_Count(&count);
    EXPECT_EQ(count, 0);
}

// Type put: the held value converted in place; a failure is reported under
// the Value class and leaves type and value as they were.
TEST_F(ValueTest, TypePutPaths)
{
    struct Case {
        const char* what;
        Variant datum;
        LONG type;
        HRESULT hr;
        LONG typeAfter;
        const char* shown;  // the held value's text, "" for none
        const char* error;
    } cases[] = {
        {"long to text", Variant::Long(42), mtText, S_OK, mtText, "42", ""},
        {"long to set", Variant::Long(5), mtCategorical, S_OK, mtCategorical, "{5}", ""},
        {"true to long is 1", Variant::Bool(true), mtLong, S_OK, mtLong, "1", ""},
        {"double to none", Variant::Double(2.5), mtNone, S_OK, mtNone, "", ""},
        {"text that is no number", Text(u"abc"), mtLong, DISP_E_TYPEMISMATCH, mtText, "abc",
         "Type mismatch error, converting 'abc' from Text to Long"},
        {"negative long to set", Variant::Long(-5), mtCategorical, DISP_E_TYPEMISMATCH, mtLong, "-5",
         "Type mismatch error, converting '-5' from Long to Categorical"},
        {"text of a set to set", Text(u"{1,2}"), mtCategorical, S_OK, mtCategorical, "{1,2}", ""},
        {"number without a type", Variant::Long(3), 99, E_INVALIDARG, mtLong, "3", "Unknown data type requested"},
    };
    for (auto& c : cases) {
        CComObjectPtr<CValue, IValue> fresh;
        ASSERT_EQ(fresh.Create(), S_OK);
        value = fresh;
        ASSERT_EQ(V()->put_Value(VARIANT_TRUE, c.datum), S_OK) << c.what;
        EXPECT_EQ(V()->put_Type(c.type), c.hr) << c.what;
        EXPECT_EQ(Type(), c.typeAfter) << c.what;
        Variant held = Get();
        if (held.vt == VT_EMPTY) {
            EXPECT_STREQ(c.shown, "") << c.what;
        } else {
            EXPECT_EQ(Utf16ToUtf8(CKXVariant(held, 1033, 0).AsText()), c.shown) << c.what;
        }
        if (FAILED(c.hr)) {
            const dstest::ReportedError e = dstest::TakeError();
            EXPECT_EQ(e.description, c.error) << c.what;
            EXPECT_EQ(e.hr, c.hr) << c.what;
            EXPECT_EQ(e.source, "Bvdtest.Value.1") << c.what;
            EXPECT_TRUE(e.iid == IID_IValue) << c.what;
        }
    }
}

// A level value's object is released when a datum or another type replaces it.
TEST_F(ValueTest, LevelObjectIsReleasedWhenReplaced)
{
    CComObjectPtr<CValue, IValue> other;
    ASSERT_EQ(other.Create(), S_OK);
    auto references = [&] {
        other.Interface()->AddRef();
        return other.Interface()->Release();
    };
    Variant level;
    level.vt = VT_UNKNOWN;
    level.punkVal = other.Interface();
    other.Interface()->AddRef();
    const ULONG alone = references();  // ours and the VARIANT's
    for (const bool byType : {true, false}) {
        ASSERT_EQ(V()->put_Value(VARIANT_TRUE, level), S_OK);
        EXPECT_GT(references(), alone);
        if (byType) {
            ASSERT_EQ(V()->put_Type(mtText), S_OK);
            EXPECT_EQ(Type(), mtText);
            Variant text = Get();
            ASSERT_EQ(text.vt, VT_BSTR);
            EXPECT_EQ(SysStringLen(text.bstrVal), 0u) << "the level's own value was cleared";
        } else {
            ASSERT_EQ(V()->put_Value(VARIANT_TRUE, Variant::Long(4)), E_INVALIDARG) << "mtLevel converts nothing";
            SetErrorInfo(0, nullptr);
        }
        EXPECT_EQ(references(), alone) << (byType ? "Type put" : "Value put");
    }
}

TEST_F(ValueTest, LevelValueHoldsItsObject)
{
    CComObjectPtr<CValue, IValue> other;
    ASSERT_EQ(other.Create(), S_OK);
    Variant level;
    level.vt = VT_UNKNOWN;
    level.punkVal = other.Interface();
    other.Interface()->AddRef();
    ASSERT_EQ(V()->put_Value(VARIANT_TRUE, level), S_OK);
    EXPECT_EQ(Type(), mtLevel);
    Variant back = Get();
    ASSERT_EQ(back.vt, VT_UNKNOWN);
    EXPECT_EQ(back.punkVal, other.Interface());
}

TEST_F(ValueTest, ThroughIDispatch)
{
    // Value put without IsDirty (its default is true), then Value get.
    Variant datum = Text(u"12");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&datum, &named, 1, 1};
    ASSERT_EQ(V()->put_Type(mtLong), S_OK);
    ASSERT_EQ(V()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Dirty(), VARIANT_TRUE);
    DISPPARAMS none{};
    Variant result;
    ASSERT_EQ(V()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 12);
}

TEST(DataBinding, Members)
{
    CComObjectPtr<CDataBinding, IDataBinding> binding;
    ASSERT_EQ(binding.Create(), S_OK);
    IDataBinding* b = binding.Interface();
    ComPtr<IValue> value;
    ASSERT_EQ(b->get_Value(value.put()), S_OK);
    ASSERT_TRUE(value) << "a binding owns a value from the start";
    EXPECT_EQ(b->putref_Value(nullptr), E_POINTER);
    LONG order = -1, type = -1;
    EXPECT_EQ(b->get_SortOrder(&order), S_OK);
    EXPECT_EQ(order, cdUndefined);
    EXPECT_EQ(b->get_SortOrder(nullptr), E_POINTER);
    EXPECT_EQ(b->put_BindingType(99), S_OK) << "stored without a check";
    b->get_BindingType(&type);
    EXPECT_EQ(type, 99);
    ComPtr<IDispatch> expression;
    EXPECT_EQ(b->get_Expression(expression.put()), E_NOTIMPL);
    ComPtr<IProperties> properties;
    EXPECT_EQ(b->get_Properties(properties.put()), E_NOTIMPL);
    ComPtr<IColumn> column;
    EXPECT_EQ(b->get_Column(column.put()), S_OK);
    EXPECT_FALSE(column);

    // Through a bindings collection: Append, Item, Delete, Clear by the host.
    CComObjectPtr<CDataBindings, IDataBindings> bindings;
    ASSERT_EQ(bindings.Create(), S_OK);
    IDataBindings* all = bindings.Interface();
    ASSERT_EQ(all->Append(b), S_OK);
    ASSERT_EQ(all->Append(b), S_OK) << "no names: the same binding twice is allowed";
    LONG count = 0;
    all->get_Count(&count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(all->Delete(dstest::Index(0)), S_OK);
    EXPECT_EQ(all->Clear(), S_OK);
    all->get_Count(&count);
    EXPECT_EQ(count, 0);
}

}  // namespace
