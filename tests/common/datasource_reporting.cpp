// Errors as the host reads them after several failed calls, the source
// through IDispatch, and the null out-pointer and E_NOTIMPL answers of the
// shared members.
#include <algorithm>
#include <functional>
#include <vector>

#include "common/source.h"
#include "tests/common/datasource_support.h"
#include "tests/platform/temp_registry.h"

namespace {

using dstest::Index;
using dstest::Name;

class ReportingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        dstest::UsePlugin(dstest::kReaderLike);
        dstest::RegisterProgIds();
    }
    void TearDown() override { SetErrorInfo(0, nullptr); }

    TempRegistry registry;
};

std::string Description(IErrorInfo* info)
{
    BStr text;
    EXPECT_EQ(info->GetDescription(text.put()), S_OK);
    return dstest::Text(text.get());
}

std::string Source(IErrorInfo* info)
{
    BStr text;
    EXPECT_EQ(info->GetSource(text.put()), S_OK);
    return dstest::Text(text.get());
}

// Three calls fail on one thread and the host reads nothing in between: one
// error-records object holds the three records, the newest first.
TEST_F(ReportingTest, FailedCallsWithoutReadingShareOneRecordsObject)
{
    CComObjectPtr<CSource, ISource> source;
    ASSERT_EQ(source.Create(), S_OK);
    ComPtr<ITables> tables;
    ASSERT_EQ(source.Interface()->get_Tables(tables.put()), E_FAIL);

    CComObjectPtr<CTable, ITable> table;
    ASSERT_EQ(table.Create(), S_OK);
    table->SetCreated(true);
    ASSERT_EQ(table.Interface()->put_Type(cdHDATA), E_FAIL);

    CComObjectPtr<CValue, IValue> value;
    ASSERT_EQ(value.Create(), S_OK);
    ASSERT_EQ(value.Interface()->put_Type(mtLong), S_OK);
    ASSERT_EQ(value.Interface()->put_Value(VARIANT_TRUE, Name(u"abc")), DISP_E_TYPEMISMATCH);

    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    auto records = QueryAs<IErrorRecords>(info.get());
    ASSERT_TRUE(records);
    ULONG count = 0;
    ASSERT_EQ(records->GetRecordCount(&count), S_OK);
    ASSERT_EQ(count, 3u);
    const auto& classes = dstest::kReaderLike.classes;
    const struct {
        HRESULT hr;
        const CLSID& clsid;
        const IID& iid;
        const char* description;
        const char* source;
    } expected[] = {
        {DISP_E_TYPEMISMATCH, classes.value, IID_IValue, "Type mismatch error, converting 'abc' from Text to Long",
         "Bvdtest.Value.1"},
        {E_FAIL, classes.table, IID_ITable, "Table already exists.  Unable to modify the table definition once created.",
         "Bvdtest.Table.1"},
        {E_FAIL, classes.source, IID_ISource,
         "DSC not initialized.  Unable to complete operation on unintialized connection.", "Bvdtest.Source.1"},
    };
    for (ULONG i = 0; i < count; ++i) {
        ERRORINFO basic{};
        ASSERT_EQ(records->GetBasicErrorInfo(i, &basic), S_OK);
        EXPECT_EQ(basic.hrError, expected[i].hr) << i;
        EXPECT_TRUE(basic.clsid == expected[i].clsid) << i;
        EXPECT_TRUE(basic.iid == expected[i].iid) << i;
        EXPECT_EQ(basic.dwMinor, 1u) << i;
        ComPtr<IUnknown> custom;
        ASSERT_EQ(records->GetCustomErrorObject(i, IID_IErrorInfo, custom.put()), S_OK);
        auto record = QueryAs<IErrorInfo>(custom.get());
        ASSERT_TRUE(record) << i;
        EXPECT_EQ(Description(record.get()), expected[i].description) << i;
        EXPECT_EQ(Source(record.get()), expected[i].source) << i;
    }
    // Taking it emptied the thread.
    ComPtr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
}

// A host calling by name: GetIDsOfNames, then Invoke; a failing member comes
// back as DISP_E_EXCEPTION with the published error in the EXCEPINFO.
struct Invoked {
    HRESULT hr;
    Variant result;
    EXCEPINFO exception{};
    ~Invoked()
    {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
};

static_assert(sizeof(Variant) == sizeof(VARIANT), "arguments are handed over as an array of VARIANT");

void Invoke(IDispatch* dispatch, const char16_t* member, WORD flags, std::vector<Variant> arguments, Invoked* out)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    out->hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(out->hr)) return;
    std::reverse(arguments.begin(), arguments.end());  // DISPPARAMS hold them last first
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{arguments.empty() ? nullptr : arguments.data(), put ? &named : nullptr,
                      static_cast<UINT>(arguments.size()), put ? 1u : 0u};
    out->hr = dispatch->Invoke(id, IID_NULL, 0, flags, &params, put ? nullptr : &out->result, &out->exception,
                               nullptr);
}

TEST_F(ReportingTest, SourceThroughIDispatch)
{
    CComObjectPtr<CSource, ISource> made;
    ASSERT_EQ(made.Create(), S_OK);
    IDispatch* source = made.Interface();
    UINT typeInfos = 0;
    ASSERT_EQ(source->GetTypeInfoCount(&typeInfos), S_OK);
    EXPECT_EQ(typeInfos, 1u) << "answers from the type library";

    {
        Invoked tables;
        Invoke(source, u"Tables", DISPATCH_PROPERTYGET, {}, &tables);
        EXPECT_EQ(tables.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(tables.exception.scode, E_FAIL);
        EXPECT_EQ(dstest::Text(tables.exception.bstrDescription),
                  "DSC not initialized.  Unable to complete operation on unintialized connection.");
        EXPECT_EQ(dstest::Text(tables.exception.bstrSource), "Bvdtest.Source.1");
    }
    Invoked name;
    Invoke(source, u"name", DISPATCH_PROPERTYGET, {}, &name);
    ASSERT_EQ(name.hr, S_OK);
    ASSERT_EQ(name.result.vt, VT_BSTR);
    EXPECT_EQ(dstest::Text(name.result.bstrVal), "bvdtestreader");

    // Properties, then its default member Item("Version"), then a put of the
    // property's value, which a capability refuses.
    Invoked properties;
    Invoke(source, u"Properties", DISPATCH_PROPERTYGET, {}, &properties);
    ASSERT_EQ(properties.hr, S_OK);
    ASSERT_EQ(properties.result.vt, VT_DISPATCH);
    Invoked version;
    Invoke(properties.result.pdispVal, u"Item", DISPATCH_PROPERTYGET, {Name(u"VERSION")}, &version);
    ASSERT_EQ(version.hr, S_OK);
    ASSERT_EQ(version.result.vt, VT_DISPATCH);
    Invoked put;
    Invoke(version.result.pdispVal, u"Value", DISPATCH_PROPERTYPUT, {Name(u"9.9.9.9")}, &put);
    EXPECT_EQ(put.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(put.exception.scode, E_ACCESSDENIED);
    Invoked value;
    Invoke(version.result.pdispVal, u"Value", DISPATCH_PROPERTYGET, {}, &value);
    ASSERT_EQ(value.result.vt, VT_BSTR);
    EXPECT_EQ(dstest::Text(value.result.bstrVal), "?.?.?.?");

    // Initialize with the host's collection, then CreateCommand as a method.
    auto connection = dstest::MakeProperties({{u"Location", Name(u"survey.xml")}});
    Variant argument;
    argument.vt = VT_DISPATCH;
    argument.pdispVal = connection.get();
    argument.pdispVal->AddRef();
    Invoked initialize;
    Invoke(source, u"Initialize", DISPATCH_METHOD, {argument}, &initialize);
    EXPECT_EQ(initialize.hr, S_OK);
    Invoked command;
    Invoke(source, u"CreateCommand", DISPATCH_METHOD, {}, &command);
    ASSERT_EQ(command.hr, S_OK);
    ASSERT_EQ(command.result.vt, VT_DISPATCH);
    EXPECT_TRUE(QueryAs<ICommand>(command.result.pdispVal));
    Invoked transaction;
    Invoke(source, u"BeginTrans", DISPATCH_METHOD, {}, &transaction);
    EXPECT_EQ(transaction.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(transaction.exception.scode, E_NOTIMPL);
}

// Every get of the shared objects refuses a null out-pointer.
TEST_F(ReportingTest, NullOutPointers)
{
    CComObjectPtr<CSource, ISource> source;
    CComObjectPtr<CTable, ITable> table;
    CComObjectPtr<CColumn, IColumn> column;
    CComObjectPtr<CDataBinding, IDataBinding> binding;
    CComObjectPtr<CValue, IValue> value;
    CComObjectPtr<CProperty, IProperty> property;
    CComObjectPtr<CValueAttribute, IValueAttribute> attribute;
    CComObjectPtr<CCommand, ICommand> command;
    for (HRESULT hr : {source.Create(), table.Create(), column.Create(), binding.Create(), value.Create(),
                       property.Create(), attribute.Create(), command.Create()})
        ASSERT_EQ(hr, S_OK);
    ISource* s = source.Interface();
    ITable* t = table.Interface();
    IColumn* c = column.Interface();
    IDataBinding* b = binding.Interface();
    IValue* v = value.Interface();
    IProperty* p = property.Interface();
    IValueAttribute* a = attribute.Interface();
    const std::pair<const char*, std::function<HRESULT()>> cases[] = {
        {"ISource Name", [&] { return s->get_Name(nullptr); }},
        {"ISource Properties", [&] { return s->get_Properties(nullptr); }},
        {"ISource CreateCommand", [&] { return s->CreateCommand(nullptr); }},
        {"ITable Name", [&] { return t->get_Name(nullptr); }},
        {"ITable Columns", [&] { return t->get_Columns(nullptr); }},
        {"ITable Children", [&] { return t->get_Children(nullptr); }},
        {"ITable Type", [&] { return t->get_Type(nullptr); }},
        {"ITable Parent", [&] { return t->get_Parent(nullptr); }},
        {"ITable Level", [&] { return t->get_Level(nullptr); }},
        {"ITable LodexObject", [&] { return t->get_LodexObject(nullptr); }},
        {"IColumn Name", [&] { return c->get_Name(nullptr); }},
        {"IColumn Type", [&] { return c->get_Type(nullptr); }},
        {"IColumn Parent", [&] { return c->get_Parent(nullptr); }},
        {"IColumn SortOrder", [&] { return c->get_SortOrder(nullptr); }},
        {"IColumn LodexObject", [&] { return c->get_LodexObject(nullptr); }},
        {"IDataBinding Name", [&] { return b->get_Name(nullptr); }},
        {"IDataBinding BindingType", [&] { return b->get_BindingType(nullptr); }},
        {"IDataBinding Column", [&] { return b->get_Column(nullptr); }},
        {"IDataBinding Table", [&] { return b->get_Table(nullptr); }},
        {"IDataBinding Value", [&] { return b->get_Value(nullptr); }},
        {"IDataBinding SortOrder", [&] { return b->get_SortOrder(nullptr); }},
        {"IValue Value", [&] { return v->get_Value(VARIANT_TRUE, nullptr); }},
        {"IValue Type", [&] { return v->get_Type(nullptr); }},
        {"IValue Attributes", [&] { return v->get_Attributes(nullptr); }},
        {"IValue IsDirty", [&] { return v->get_IsDirty(nullptr); }},
        {"IProperty Name", [&] { return p->get_Name(nullptr); }},
        {"IProperty Type", [&] { return p->get_Type(nullptr); }},
        {"IProperty Value", [&] { return p->get_Value(nullptr); }},
        {"IProperty Attributes", [&] { return p->get_Attributes(nullptr); }},
        {"IValueAttribute Name", [&] { return a->get_Name(nullptr); }},
        {"IValueAttribute Value", [&] { return a->get_Value(nullptr); }},
        {"ICommand DataBindings", [&] { return command.Interface()->get_DataBindings(nullptr); }},
    };
    for (const auto& [what, call] : cases) EXPECT_EQ(call(), E_POINTER) << what;
}

// The members neither plug-in supports, and a command without a source.
TEST_F(ReportingTest, CommandClausesAndPropertiesAreNotImplemented)
{
    CComObjectPtr<CCommand, ICommand> made;  // as the host's class factory makes one: no source
    ASSERT_EQ(made.Create(), S_OK);
    ICommand* c = made.Interface();
    ComPtr<IDispatch> clause;
    ComPtr<IDataBindings> bindings;
    ComPtr<IProperties> properties;
    const std::pair<const char*, std::function<HRESULT()>> cases[] = {
        {"WhereClause get", [&] { return c->get_WhereClause(clause.put()); }},
        {"WhereClause putref", [&] { return c->putref_WhereClause(nullptr); }},
        {"GroupByBindings get", [&] { return c->get_GroupByBindings(bindings.put()); }},
        {"GroupByBindings putref", [&] { return c->putref_GroupByBindings(nullptr); }},
        {"HavingClause get", [&] { return c->get_HavingClause(clause.put()); }},
        {"HavingClause putref", [&] { return c->putref_HavingClause(nullptr); }},
        {"OrderByBindings get", [&] { return c->get_OrderByBindings(bindings.put()); }},
        {"OrderByBindings putref", [&] { return c->putref_OrderByBindings(nullptr); }},
        {"Properties get", [&] { return c->get_Properties(properties.put()); }},
        {"Properties putref", [&] { return c->putref_Properties(nullptr); }},
    };
    for (const auto& [what, call] : cases) EXPECT_EQ(call(), E_NOTIMPL) << what;
    EXPECT_EQ(c->Close(), E_UNEXPECTED) << "a command no source made has nothing to leave";
    EXPECT_EQ(c->get_DataBindings(bindings.put()), S_OK);
    EXPECT_TRUE(bindings);

    CComObjectPtr<CSource, ISource> source;
    ASSERT_EQ(source.Create(), S_OK);
    EXPECT_EQ(source.Interface()->CommitTrans(), E_NOTIMPL);
    EXPECT_EQ(source.Interface()->RollbackTrans(), E_NOTIMPL);
}

// A value put never changes a property: E_NOTIMPL when attribute bit 1
// (value 2) is set, E_ACCESSDENIED otherwise.
TEST_F(ReportingTest, PropertyValuePutByAttributes)
{
    for (const auto& [attributes, hr] : {std::pair{1L, E_ACCESSDENIED}, std::pair{0L, E_ACCESSDENIED},
                                         std::pair{2L, E_NOTIMPL}, std::pair{3L, E_NOTIMPL}}) {
        CComObjectPtr<CProperty, IProperty> property;
        ASSERT_EQ(property.Create(), S_OK);
        ASSERT_EQ(property->Set(u"Max Commands", cdLong, Variant::Long(1), attributes), S_OK);
        EXPECT_EQ(property.Interface()->put_Value(Variant::Long(5)), hr) << attributes;
        Variant value;
        ASSERT_EQ(property.Interface()->get_Value(&value), S_OK);
        EXPECT_EQ(value.vt, VT_I4);
        EXPECT_EQ(value.lVal, 1) << "the value stays";
        LONG read = -1;
        property.Interface()->get_Attributes(&read);
        EXPECT_EQ(read, attributes);
    }
}

}  // namespace
