// The source, its capability set, tables and columns, and commands, called as
// a host calls them; reported errors read back through GetErrorInfo.
#include "common/module_lock.h"
#include "common/source.h"
#include "tests/common/datasource_support.h"
#include "tests/platform/temp_registry.h"

namespace {

using dstest::Index;
using dstest::Name;

class SourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        locks = bvd::ModuleLockCount();
        dstest::UsePlugin(dstest::kReaderLike);
        dstest::RegisterProgIds();
    }
    void TearDown() override
    {
        SetErrorInfo(0, nullptr);
        dstest::UsePlugin(dstest::kReaderLike);
        EXPECT_EQ(bvd::ModuleLockCount(), locks) << "every object counts in the lock count until it goes";
    }

    static ComPtr<ISource> NewSource()
    {
        CComObjectPtr<CSource, ISource> source;
        EXPECT_EQ(source.Create(), S_OK);
        return ComPtr<ISource>(source.Interface());
    }

    static void ExpectError(const char* description, const char* progId, REFCLSID clsid, REFIID iid, HRESULT hr)
    {
        const dstest::ReportedError e = dstest::TakeError();
        EXPECT_EQ(e.description, description);
        EXPECT_EQ(e.source, progId);
        EXPECT_TRUE(e.clsid == clsid);
        EXPECT_TRUE(e.iid == iid);
        EXPECT_EQ(e.hr, hr);
    }

    TempRegistry registry;
    LONG locks = 0;
};

// The 24 properties of each capability table, read back through the source.
TEST_F(SourceTest, CapabilitySetOfEachPlugin)
{
    struct Expected {
        const char16_t* name;
        VARTYPE vt;
        LONG reader;
        LONG writer;
    };
    const Expected rows[] = {
        {u"Aggregates", VT_BOOL, 0, 0},        {u"Can Update", VT_BOOL, 0, 0},
        {u"Can Add", VT_BOOL, -1, -1},         {u"Can Delete", VT_BOOL, 0, 0},
        {u"Can Select", VT_BOOL, -1, 0},       {u"DDL Column", VT_BOOL, 0, 0},
        {u"DDL Hierarchical Column", VT_BOOL, 0, 0}, {u"DDL Hierarchical Table", VT_BOOL, 0, 0},
        {u"DDL Table", VT_BOOL, 0, -1},        {u"Expressions", VT_BOOL, 0, 0},
        {u"HDATA", VT_BOOL, 0, 0},             {u"Max Commands", VT_I4, 1, 1},
        {u"Max Text Size", VT_I4, 0, 0},       {u"Scroll Backward", VT_BOOL, 0, 0},
        {u"SDATA", VT_BOOL, 0, 0},             {u"Stream Binary", VT_BOOL, 0, 0},
        {u"Use Where", VT_BOOL, 0, 0},         {u"Use Group By", VT_BOOL, 0, 0},
        {u"Use Having", VT_BOOL, 0, 0},        {u"Use Order By", VT_BOOL, 0, 0},
        {u"Use Command Properties", VT_BOOL, 0, 0}, {u"Use Binding Properties", VT_BOOL, 0, 0},
        {u"VDATA", VT_BOOL, -1, -1},
    };
    for (const bool writer : {false, true}) {
        dstest::UsePlugin(writer ? dstest::kWriterLike : dstest::kReaderLike);
        const char* which = writer ? "writer" : "reader";
        ComPtr<ISource> source = NewSource();
        ComPtr<IProperties> properties;
        ASSERT_EQ(source->get_Properties(properties.put()), S_OK) << "no initialized rule";
        LONG count = 0;
        ASSERT_EQ(properties->get_Count(&count), S_OK);
        ASSERT_EQ(count, 24) << which;
        for (LONG i = 0; i < 23; ++i) {
            const Expected& row = rows[i];
            ComPtr<IProperty> property;
            ASSERT_EQ(properties->get_Item(Index(i), property.put()), S_OK);
            BStr name;
            property->get_Name(name.put());
            EXPECT_EQ(name.view(), std::u16string_view(row.name)) << which << " " << i;
            LONG type = -1, attributes = -1;
            property->get_Type(&type);
            property->get_Attributes(&attributes);
            EXPECT_EQ(type, row.vt == VT_I4 ? cdLong : cdBoolean) << name.ToUtf8();
            EXPECT_EQ(attributes, 1) << name.ToUtf8();
            Variant value;
            ASSERT_EQ(property->get_Value(&value), S_OK);
            ASSERT_EQ(value.vt, row.vt) << name.ToUtf8();
            EXPECT_EQ(row.vt == VT_I4 ? value.lVal : value.boolVal, writer ? row.writer : row.reader)
                << which << " " << name.ToUtf8();
            // Read-only: the value stays.
            EXPECT_EQ(property->put_Value(Variant::Long(7)), E_ACCESSDENIED);
            Variant again;
            property->get_Value(&again);
            EXPECT_EQ(again.vt, row.vt);
        }
        // "Version" by name and by position 23 is one property; this test
        // program has no version resource.
        ComPtr<IProperty> byName, byPosition;
        ASSERT_EQ(properties->get_Item(Name(u"version"), byName.put()), S_OK);
        ASSERT_EQ(properties->get_Item(Index(23), byPosition.put()), S_OK);
        EXPECT_EQ(byName.get(), byPosition.get());
        Variant version;
        byName->get_Value(&version);
        ASSERT_EQ(version.vt, VT_BSTR);
        EXPECT_EQ(dstest::Text(version.bstrVal), "?.?.?.?");
        ComPtr<IProperty> canSelect;
        ASSERT_EQ(properties->get_Item(Name(u"can select"), canSelect.put()), S_OK);
        Variant selectable;
        canSelect->get_Value(&selectable);
        EXPECT_EQ(selectable.boolVal, writer ? VARIANT_FALSE : VARIANT_TRUE);
    }
}

TEST_F(SourceTest, InitializedRuleWithErrorInformation)
{
    ComPtr<ISource> source = NewSource();
    const auto& classes = dstest::kReaderLike.classes;
    const char* text = "DSC not initialized.  Unable to complete operation on unintialized connection.";
    ComPtr<ITables> tables;
    EXPECT_EQ(source->get_Tables(tables.put()), E_FAIL);
    ExpectError(text, "Bvdtest.Source.1", classes.source, IID_ISource, E_FAIL);
    ComPtr<ICommands> commands;
    EXPECT_EQ(source->get_Commands(commands.put()), E_FAIL);
    ExpectError(text, "Bvdtest.Source.1", classes.source, IID_ISource, E_FAIL);
    ComPtr<ICommand> command;
    EXPECT_EQ(source->CreateCommand(command.put()), E_FAIL);
    ExpectError(text, "Bvdtest.Source.1", classes.source, IID_ISource, E_FAIL);
    EXPECT_EQ(source->BeginTrans(), E_NOTIMPL);
    BStr name;
    ASSERT_EQ(source->get_Name(name.put()), S_OK);
    EXPECT_EQ(name.ToUtf8(), "bvdtestreader");
}

TEST_F(SourceTest, InitializeNeedsLocation)
{
    ComPtr<ISource> source = NewSource();
    auto none = dstest::MakeProperties({{u"QX Input Locale", Variant::Long(1031)}});
    EXPECT_EQ(source->Initialize(none.get()), E_FAIL);
    ExpectError("Location property missing.  The Location property must be set for the bvdtestreader DSC.",
                "Bvdtest.Source.1", dstest::kReaderLike.classes.source, IID_ISource, E_FAIL);
    // The reader-like source set its flag before reading, and keeps it.
    ComPtr<ITables> tables;
    EXPECT_EQ(source->get_Tables(tables.put()), S_OK);

    dstest::UsePlugin(dstest::kWriterLike);
    dstest::RegisterProgIds();
    ComPtr<ISource> writer = NewSource();
    EXPECT_EQ(writer->Initialize(none.get()), E_FAIL);
    ExpectError("Location property missing.  The Location property must be set for the bvdtestwriter DSC.",
                "Bvdtest.Source.1", dstest::kWriterLike.classes.source, IID_ISource, E_FAIL);
    EXPECT_EQ(writer->get_Tables(tables.put()), E_FAIL) << "the writer-like source sets its flag only at the end";
}

TEST_F(SourceTest, CommandsAfterInitialize)
{
    ComPtr<ISource> source = NewSource();
    auto connection = dstest::MakeProperties({{u"Location", Name(u"/tmp/survey.xml")}});
    ASSERT_EQ(source->Initialize(connection.get()), S_OK);
    ComPtr<ICommand> first, second;
    ASSERT_EQ(source->CreateCommand(first.put()), S_OK);
    ASSERT_EQ(source->CreateCommand(second.put()), S_OK);
    ComPtr<ICommands> commands;
    ASSERT_EQ(source->get_Commands(commands.put()), S_OK);
    LONG count = 0;
    commands->get_Count(&count);
    EXPECT_EQ(count, 2);
    ComPtr<ICommand> item;
    ASSERT_EQ(commands->get_Item(Index(1), item.put()), S_OK);
    EXPECT_EQ(item.get(), second.get());

    // Generic command members.
    ComPtr<IDataBindings> bindings;
    EXPECT_EQ(first->get_DataBindings(bindings.put()), S_OK);
    EXPECT_TRUE(bindings);
    ComPtr<IDispatch> where;
    EXPECT_EQ(first->get_WhereClause(where.put()), E_NOTIMPL);
    ComPtr<IProperties> properties;
    EXPECT_EQ(first->get_Properties(properties.put()), E_NOTIMPL);

    // Close takes the command out of the collection.
    EXPECT_EQ(first->Close(), S_OK);
    commands->get_Count(&count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(source->Uninitialize(), S_OK);
    EXPECT_EQ(source->get_Commands(commands.put()), E_FAIL);
    SetErrorInfo(0, nullptr);
}

TEST_F(SourceTest, CommandWithoutSourceFailsCleanly)
{
    ComPtr<ICommand> command;
    {
        ComPtr<ISource> source = NewSource();
        auto connection = dstest::MakeProperties({{u"Location", Name(u"/tmp/survey.xml")}});
        ASSERT_EQ(source->Initialize(connection.get()), S_OK);
        ASSERT_EQ(source->CreateCommand(command.put()), S_OK);
    }
    EXPECT_EQ(command->Close(), E_UNEXPECTED);
    ComPtr<IDataBindings> bindings;
    EXPECT_EQ(command->get_DataBindings(bindings.put()), S_OK) << "its own members still work";
}

TEST_F(SourceTest, ConnectionPropertiesReachNewCommandsOnly)
{
    // The context copy is taken once: a command made before a locale change
    // keeps the old one; the source's context is what Initialize read.
    CComObjectPtr<CSource, ISource> source;
    ASSERT_EQ(source.Create(), S_OK);
    CComObjectPtr<CValue, IValue> document;  // any object stands for the Lodex document
    ASSERT_EQ(document.Create(), S_OK);
    Variant documentValue;
    documentValue.vt = VT_UNKNOWN;
    documentValue.punkVal = document.Interface();
    documentValue.punkVal->AddRef();
    auto connection = dstest::MakeProperties({{u"Location", Name(u"x.xml")},
                                              {u"QX Input Locale", Variant::Long(1031)},
                                              {u"QX Output Locale", Variant::Long(1036)},
                                              {u"QX Lodex Document", documentValue},
                                              {u"QX Category Values", Variant::Long(1)}});
    ASSERT_EQ(source.Interface()->Initialize(connection.get()), S_OK);
    EXPECT_EQ(source->m_Ctx.lcid, 1031u);
    EXPECT_EQ(source->m_Ctx.langid, 1036u);
    EXPECT_EQ(source->m_Ctx.categoryValues, 1);
    EXPECT_EQ(source->m_Ctx.document.get(), static_cast<IUnknown*>(document.Interface()));
    ComPtr<ICommand> command;
    ASSERT_EQ(source.Interface()->CreateCommand(command.put()), S_OK);
    auto change = dstest::MakeProperties({{u"qx input locale", Variant::Long(2057)}, {u"Other", Variant::Long(5)}});
    for (LONG i = 0; i < 2; ++i) {
        ComPtr<IProperty> property;
        ASSERT_EQ(change->get_Item(Index(i), property.put()), S_OK);
        EXPECT_EQ(source.Interface()->NotifyPropertyChange(property.get()), S_OK);
    }
    EXPECT_EQ(source->m_Ctx.lcid, 2057u);
    auto* made = static_cast<CCommand*>(command.get());
    EXPECT_EQ(made->m_Ctx.lcid, 1031u);
    EXPECT_EQ(made->m_Ctx.categoryValues, 1);
    EXPECT_EQ(made->m_Ctx.document.get(), static_cast<IUnknown*>(document.Interface()));
}

class CreatedRule : public SourceTest {};

TEST_F(CreatedRule, TablePutsFailOnceCreated)
{
    CComObjectPtr<CTable, ITable> table;
    ASSERT_EQ(table.Create(), S_OK);
    ITable* t = table.Interface();
    BStr name{u"VDATA"};
    ASSERT_EQ(t->put_Name(name.get()), S_OK);
    ComPtr<IColumns> columns;
    ComPtr<ITables> children;
    EXPECT_EQ(t->get_Columns(columns.put()), S_OK);
    EXPECT_EQ(t->get_Children(children.put()), S_OK);
    EXPECT_TRUE(columns && children);
    table->SetCreated(true);
    const char* text = "Table already exists.  Unable to modify the table definition once created.";
    const auto& clsid = dstest::kReaderLike.classes.table;
    EXPECT_EQ(t->put_Name(name.get()), E_FAIL);
    ExpectError(text, "Bvdtest.Table.1", clsid, IID_ITable, E_FAIL);
    EXPECT_EQ(t->put_Level(2), E_FAIL);
    ExpectError(text, "Bvdtest.Table.1", clsid, IID_ITable, E_FAIL);
    EXPECT_EQ(t->putref_Parent(t), E_FAIL);
    ExpectError(text, "Bvdtest.Table.1", clsid, IID_ITable, E_FAIL);
    EXPECT_EQ(t->putref_Parent(nullptr), S_OK) << "clearing the parent is always allowed";
    LONG level = -1;
    EXPECT_EQ(t->get_Level(&level), S_OK);
    EXPECT_EQ(level, 0);
}

TEST_F(CreatedRule, ColumnDefaultsAndPuts)
{
    CComObjectPtr<CColumn, IColumn> column;
    ASSERT_EQ(column.Create(), S_OK);
    IColumn* c = column.Interface();
    LONG type = -1, size = -1, order = -1;
    c->get_Type(&type);
    c->get_Size(&size);
    c->get_SortOrder(&order);
    EXPECT_EQ(type, mtNone);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(order, cdUndefined);
    ComPtr<IUnknown> lodex;
    EXPECT_EQ(c->get_LodexObject(lodex.put()), S_OK);
    EXPECT_FALSE(lodex);
    EXPECT_EQ(c->put_Type(mtLong), S_OK);
    EXPECT_EQ(c->putref_LodexObject(c), S_OK);
    column->SetCreated(true);
    const char* text = "Column already exists.  Unable to modify the column definition once created.";
    const auto& clsid = dstest::kReaderLike.classes.column;
    EXPECT_EQ(c->put_Size(4), E_FAIL);
    ExpectError(text, "Bvdtest.Column.1", clsid, IID_IColumn, E_FAIL);
    EXPECT_EQ(c->put_SortOrder(cdAscending), E_FAIL);
    ExpectError(text, "Bvdtest.Column.1", clsid, IID_IColumn, E_FAIL);
    c->get_Type(&type);
    EXPECT_EQ(type, mtLong);
    EXPECT_EQ(c->putref_Parent(nullptr), S_OK);
    EXPECT_EQ(c->putref_LodexObject(nullptr), S_OK);  // a null putref clears
    EXPECT_EQ(c->get_LodexObject(lodex.put()), S_OK);
    EXPECT_FALSE(lodex);
}

// Parents are held without a reference; when the parent table goes, the
// column and the child table answer null instead of the released table.
TEST_F(CreatedRule, ParentsAreWeakAndClearedWhenTheTableGoes)
{
    CComObjectPtr<CColumn, IColumn> column;
    CComObjectPtr<CTable, ITable> child;
    ASSERT_EQ(column.Create(), S_OK);
    ASSERT_EQ(child.Create(), S_OK);
    {
        CComObjectPtr<CTable, ITable> parent, other;
        ASSERT_EQ(parent.Create(), S_OK);
        ASSERT_EQ(other.Create(), S_OK);
        ASSERT_EQ(column->putref_Parent(other.Interface()), S_OK);
        ASSERT_EQ(column->putref_Parent(parent.Interface()), S_OK);  // moves the link
        ASSERT_EQ(child->putref_Parent(parent.Interface()), S_OK);
        ComPtr<ITable> found;
        ASSERT_EQ(column->get_Parent(found.put()), S_OK);
        EXPECT_EQ(found.get(), parent.Interface());
        other.Reset();  // no longer the parent: nothing to clear
        ASSERT_EQ(column->get_Parent(found.put()), S_OK);
        EXPECT_EQ(found.get(), parent.Interface());
    }
    for (auto* object : {static_cast<IDispatch*>(column.Interface()), static_cast<IDispatch*>(child.Interface())}) {
        ComPtr<ITable> found;
        HRESULT hr = object == column.Interface() ? column->get_Parent(found.put()) : child->get_Parent(found.put());
        EXPECT_EQ(hr, S_OK);
        EXPECT_FALSE(found);
    }
}

TEST_F(CreatedRule, ErrorSupportForOwnInterfaceOnly)
{
    CComObjectPtr<CTable, ITable> table;
    ASSERT_EQ(table.Create(), S_OK);
    auto support = QueryAs<ISupportErrorInfo>(table.Interface());
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITable), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IColumn), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

}  // namespace

namespace {

// A plug-in's source: its open hook raises for one location, and its command
// factory can be made to fail.
class HookSource : public CSource {
public:
    static inline HRESULT commandFailure = S_OK;

protected:
    void Open(const BStr& location) override
    {
        if (location.view() == u"missing.xml") RaiseError(m_Ctx.langid, E_ACCESSDENIED, KXE_XML_UNABLE_TO_LOAD);
    }
    HRESULT MakeCommand(const CCtx& ctx, CCtxObjectPtr<CCommand, ICommand>& command) override
    {
        if (FAILED(commandFailure)) return commandFailure;
        return CSource::MakeCommand(ctx, command);
    }
};

TEST_F(SourceTest, OpenHookErrorsAndCommandCreationFailure)
{
    CComObjectPtr<HookSource, ISource> source;
    ASSERT_EQ(source.Create(), S_OK);
    auto missing = dstest::MakeProperties({{u"Location", Name(u"missing.xml")}});
    EXPECT_EQ(source.Interface()->Initialize(missing.get()), E_ACCESSDENIED);
    ExpectError("Unable to load the the XML file", "Bvdtest.Source.1", dstest::kReaderLike.classes.source,
                IID_ISource, E_ACCESSDENIED);

    auto good = dstest::MakeProperties({{u"Location", Name(u"good.xml")}});
    ASSERT_EQ(source.Interface()->Initialize(good.get()), S_OK);
    HookSource::commandFailure = E_OUTOFMEMORY;
    ComPtr<ICommand> command;
    EXPECT_EQ(source.Interface()->CreateCommand(command.put()), E_OUTOFMEMORY);
    HookSource::commandFailure = S_OK;
    const dstest::ReportedError e = dstest::TakeError();
    EXPECT_EQ(e.description.rfind("Failed to create 'Command': ", 0), 0u) << e.description;
    EXPECT_GT(e.description.size(), std::string("Failed to create 'Command': ").size()) << "with the system text";
    EXPECT_EQ(e.hr, E_OUTOFMEMORY);
    EXPECT_FALSE(command);
    ComPtr<ICommands> commands;
    ASSERT_EQ(source.Interface()->get_Commands(commands.put()), S_OK);
    LONG count = -1;
    commands->get_Count(&count);
    EXPECT_EQ(count, 0);
}

}  // namespace

namespace {

// Every class of the model can be made by its class factory's creators, plain
// and aggregated, and counts in the lock count while it lives.
template <class T>
void ExpectCreatable(const char* name)
{
    const LONG before = bvd::ModuleLockCount();
    IUnknown* plain = nullptr;
    ASSERT_EQ(bvd::CreateInstance<T>(nullptr, IID_IDispatch, reinterpret_cast<void**>(&plain)), S_OK) << name;
    EXPECT_GT(bvd::ModuleLockCount(), before) << name;  // with the children it made
    auto support = QueryAs<ISupportErrorInfo>(plain);
    EXPECT_TRUE(support) << name;
    support.Reset();
    plain->Release();
    EXPECT_EQ(bvd::ModuleLockCount(), before) << name;

    ComPtr<IProperties> outer;  // any object as the outer one
    ASSERT_EQ(bvd::CreateInstance<CProperties>(nullptr, IID_IProperties, outer.put_void()), S_OK);
    IUnknown* inner = nullptr;
    ASSERT_EQ(bvd::CreateAggregated<T>(outer.get(), IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK) << name;
    IDispatch* dispatch = nullptr;
    EXPECT_EQ(inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK) << name;
    if (dispatch) dispatch->Release();  // counted on the outer object
    inner->Release();
}

TEST_F(SourceTest, EveryClassIsCreatablePlainAndAggregated)
{
    ExpectCreatable<CSource>("Source");
    ExpectCreatable<CTable>("Table");
    ExpectCreatable<CTables>("Tables");
    ExpectCreatable<CColumn>("Column");
    ExpectCreatable<CColumns>("Columns");
    ExpectCreatable<CCommand>("Command");
    ExpectCreatable<CCommands>("Commands");
    ExpectCreatable<CDataBinding>("DataBinding");
    ExpectCreatable<CDataBindings>("DataBindings");
    ExpectCreatable<CValue>("Value");
    ExpectCreatable<CProperty>("Property");
    ExpectCreatable<CProperties>("Properties");
    ExpectCreatable<CValueAttributes>("ValueAttributes");
    ExpectCreatable<CValueAttribute>("ValueAttribute");
}

}  // namespace
