// The object model's interfaces and collections, called as a host calls them:
// through the virtual tables and, for a sample, through IDispatch.
#include <vector>

#include "common/collections.h"
#include "common/table.h"
#include "platform/dispatch_impl.h"
#include "tests/common/datasource_support.h"
#include "tests/platform/temp_registry.h"

namespace {

using dstest::Index;
using dstest::Name;

// Dispatch ids read back through GetIDsOfNames of the generic IDispatch.
struct IdCase {
    const DispInterface& (*describe)();
    const char16_t* member;
    DISPID id;
};

template <class I>
const DispInterface& Describe() { return DescribeDispatch(static_cast<const I*>(nullptr)); }

TEST(DataSourceInterfaces, DispatchIdsFollowSlotOrder)
{
    const IdCase cases[] = {
        {&Describe<ISource>, u"Name", 0},           {&Describe<ISource>, u"Initialize", 4},
        {&Describe<ISource>, u"NotifyPropertyChange", 10},
        {&Describe<ITables>, u"Item", 0},           {&Describe<ITables>, u"Delete", 3},
        {&Describe<ITables>, u"_NewEnum", DISPID_NEWENUM},
        {&Describe<ITable>, u"Columns", 1},         {&Describe<ITable>, u"LodexObject", 6},
        {&Describe<IColumns>, u"Count", 1},         {&Describe<IColumn>, u"SortOrder", 4},
        {&Describe<IColumn>, u"LodexObject", 5},    {&Describe<ICommands>, u"_NewEnum", DISPID_NEWENUM},
        {&Describe<ICommand>, u"MoveFirst", 9},     {&Describe<ICommand>, u"Close", 16},
        {&Describe<ICommand>, u"Properties", 17},   {&Describe<IDataBindings>, u"Clear", 4},
        {&Describe<IDataBinding>, u"Value", 5},     {&Describe<IDataBinding>, u"Properties", 7},
        {&Describe<IValue>, u"Value", 0},           {&Describe<IValue>, u"AppendChunk", 6},
        {&Describe<IValueAttributes>, u"Item", 0},  {&Describe<IValueAttribute>, u"Value", 0},
        {&Describe<IValueAttribute>, u"Name", 1},   {&Describe<IProperties>, u"Count", 1},
        {&Describe<IProperty>, u"Attributes", 3},
    };
    for (const auto& c : cases) {
        const DispInterface& d = c.describe();
        DISPID id = 12345;
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.member)};
        EXPECT_EQ(DispatchGetIDsOfNames(d, names, 1, &id), S_OK) << Utf16ToUtf8(d.name) << "." << Utf16ToUtf8(c.member);
        EXPECT_EQ(id, c.id) << Utf16ToUtf8(d.name) << "." << Utf16ToUtf8(c.member);
    }
    // Every get has its put at the same id: the property count equals the
    // number of distinct ids.
    const DispInterface& column = Describe<IColumn>();
    EXPECT_EQ(column.members.size(), 12u);
    EXPECT_EQ(column.members.back().id, 5);
}

// ICommands, IProperties and IValueAttributes give the host no way to add
// or remove items; ITables, IColumns and IDataBindings have Append and Delete.
TEST(DataSourceInterfaces, WhichCollectionsOfferAppendAndDelete)
{
    const struct {
        const DispInterface& (*describe)();
        bool changeable;
    } cases[] = {
        {&Describe<ICommands>, false},  {&Describe<IProperties>, false}, {&Describe<IValueAttributes>, false},
        {&Describe<ITables>, true},     {&Describe<IColumns>, true},     {&Describe<IDataBindings>, true},
    };
    for (const auto& c : cases) {
        const DispInterface& d = c.describe();
        for (const char16_t* member : {u"Append", u"Delete"}) {
            DISPID id = 12345;
            LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
            EXPECT_EQ(DispatchGetIDsOfNames(d, names, 1, &id), c.changeable ? S_OK : DISP_E_UNKNOWNNAME)
                << Utf16ToUtf8(d.name) << "." << Utf16ToUtf8(member);
        }
    }
}

class Collections : public ::testing::Test {
protected:
    void SetUp() override
    {
        dstest::UsePlugin(dstest::kWriterLike);
        ASSERT_EQ(columns.Create(), S_OK);
        for (const char16_t* name : {u"VDATA", u"Second", u"third"}) ASSERT_EQ(AddColumn(name), S_OK);
    }
    void TearDown() override { dstest::UsePlugin(dstest::kReaderLike); }

    HRESULT AddColumn(const char16_t* name)
    {
        CComObjectPtr<CColumn, IColumn> column;
        EXPECT_EQ(column.Create(), S_OK);
        BStr text{std::u16string_view(name)};
        EXPECT_EQ(column->put_Name(text.get()), S_OK);
        return columns->Append(column.Interface());  // the host's Append (writer-like)
    }

    std::string NameAt(const VARIANT& index, HRESULT* hr = nullptr)
    {
        ComPtr<IColumn> column;
        const HRESULT r = columns.Interface()->get_Item(index, column.put());
        if (hr) *hr = r;
        if (!column) return {};
        BStr name;
        EXPECT_EQ(column->get_Name(name.put()), S_OK);
        return name.ToUtf8();
    }

    LONG Count()
    {
        LONG n = -1;
        EXPECT_EQ(columns.Interface()->get_Count(&n), S_OK);
        return n;
    }

    CComObjectPtr<CColumns, IColumns> columns;
};

TEST_F(Collections, IndexRules)
{
    Variant i2;
    i2.vt = VT_I2;
    i2.iVal = 0;
    Variant i2negative;
    i2negative.vt = VT_I2;
    i2negative.iVal = -1;  // sign-extended, then too large unsigned
    Variant r8;
    r8.vt = VT_R8;
    r8.dblVal = 0.0;
    LONG position = 0;
    Variant byRef;
    byRef.vt = VT_I4 | VT_BYREF;
    byRef.plVal = &position;
    Variant empty;
    struct Case {
        const char* what;
        Variant index;
        HRESULT hr;
        const char* name;
    } cases[] = {
        {"VT_I2 0", i2, S_OK, "VDATA"},
        {"VT_I2 -1", i2negative, DISP_E_BADINDEX, ""},
        {"VT_I4 2", Index(2), S_OK, "third"},
        {"VT_I4 3", Index(3), DISP_E_BADINDEX, ""},
        {"VT_I4 -1", Index(-1), DISP_E_BADINDEX, ""},
        {"VT_R8 0.0", r8, E_INVALIDARG, ""},
        {"VT_I4 by reference", byRef, E_INVALIDARG, ""},
        {"VT_EMPTY", empty, E_INVALIDARG, ""},
        {"name in other case", Name(u"vdata"), S_OK, "VDATA"},
        {"name THIRD", Name(u"THIRD"), S_OK, "third"},
        {"missing name", Name(u"fourth"), DISP_E_BADINDEX, ""},
    };
    for (const auto& c : cases) {
        HRESULT hr = S_OK;
        EXPECT_EQ(NameAt(c.index, &hr), c.name) << c.what;
        EXPECT_EQ(hr, c.hr) << c.what;
    }
}

TEST_F(Collections, DuplicateNamesDifferingInCaseAreRefused)
{
    EXPECT_EQ(AddColumn(u"second"), DISP_E_BADINDEX);
    EXPECT_EQ(Count(), 3);
}

TEST_F(Collections, DeleteByNameAndByPositionCloseUp)
{
    EXPECT_EQ(columns->DeleteItem(Name(u"second")), S_OK);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(NameAt(Index(1)), "third");
    EXPECT_EQ(columns->DeleteItem(Name(u"second")), DISP_E_BADINDEX);
    EXPECT_EQ(columns->DeleteItem(Index(0)), S_OK);
    EXPECT_EQ(NameAt(Index(0)), "third");
    // The name left with the item: it can come again.
    EXPECT_EQ(AddColumn(u"vdata"), S_OK);
    EXPECT_EQ(NameAt(Name(u"VDATA")), "vdata");
    EXPECT_EQ(columns->DeleteItem(Index(5)), DISP_E_BADINDEX);
    Variant r8;
    r8.vt = VT_R8;
    EXPECT_EQ(columns->DeleteItem(r8), E_INVALIDARG);
}

// Names are fixed at Append: a column renamed afterwards is still found by
// its old name. Deleting it by position takes that name away with it, so no
// entry is left pointing at the released column.
TEST_F(Collections, DeleteByPositionAfterARename)
{
    ComPtr<IColumn> second;
    ASSERT_EQ(columns.Interface()->get_Item(Index(1), second.put()), S_OK);
    BStr renamed{u"renamed"};
    ASSERT_EQ(second->put_Name(renamed.get()), S_OK);
    EXPECT_EQ(NameAt(Name(u"second")), "renamed") << "found by the name it was appended with";
    HRESULT hr = S_OK;
    EXPECT_EQ(NameAt(Name(u"renamed"), &hr), "");
    EXPECT_EQ(hr, DISP_E_BADINDEX);

    second = nullptr;  // the collection holds the last reference
    ASSERT_EQ(columns->DeleteItem(Index(1)), S_OK);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(NameAt(Name(u"Second"), &hr), "");
    EXPECT_EQ(hr, DISP_E_BADINDEX);
    EXPECT_EQ(AddColumn(u"second"), S_OK) << "the old name is free again";
    EXPECT_EQ(NameAt(Index(2)), "second");
}

TEST_F(Collections, EnumeratorIsASnapshot)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(columns.Interface()->get__NewEnum(unknown.put()), S_OK);
    auto enumerator = QueryAs<IEnumVARIANT>(unknown.get());
    ASSERT_TRUE(enumerator);
    ASSERT_EQ(AddColumn(u"late"), S_OK);
    std::vector<std::string> seen;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (enumerator->Next(1, &item, &fetched) != S_OK) break;
        ASSERT_EQ(item.vt, VT_DISPATCH);
        auto column = QueryAs<IColumn>(item.pdispVal);
        ASSERT_TRUE(column);
        BStr name;
        column->get_Name(name.put());
        seen.push_back(name.ToUtf8());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"VDATA", "Second", "third"}));
}

TEST_F(Collections, ReaderLikeHostCannotAppendOrDelete)
{
    dstest::UsePlugin(dstest::kReaderLike);
    EXPECT_EQ(AddColumn(u"fourth"), E_NOTIMPL);
    EXPECT_EQ(columns.Interface()->Delete(Index(0)), E_NOTIMPL);
    dstest::UsePlugin(dstest::kWriterLike);
    EXPECT_EQ(columns.Interface()->Delete(Index(0)), E_NOTIMPL);  // neither plug-in lets the host delete
    EXPECT_EQ(Count(), 3);
}

TEST_F(Collections, UnnamedCollectionRefusesNames)
{
    CComObjectPtr<CDataBindings, IDataBindings> bindings;
    ASSERT_EQ(bindings.Create(), S_OK);
    ComPtr<IDataBinding> item;
    EXPECT_EQ(bindings.Interface()->get_Item(Name(u"x"), item.put()), E_INVALIDARG);
    EXPECT_EQ(bindings.Interface()->get_Item(Index(0), item.put()), DISP_E_BADINDEX);
    EXPECT_EQ(bindings.Interface()->Append(nullptr), E_POINTER);
}

TEST_F(Collections, ThroughIDispatch)
{
    IDispatch* dispatch = columns.Interface();
    // Item("SECOND") as the default member, Count by name.
    Variant argument = Name(u"SECOND");
    DISPPARAMS params{&argument, nullptr, 1, 0};
    Variant result;
    ASSERT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    auto column = QueryAs<IColumn>(result.pdispVal);
    ASSERT_TRUE(column);
    BStr name;
    column->get_Name(name.put());
    EXPECT_EQ(name.ToUtf8(), "Second");

    LPOLESTR count[] = {const_cast<LPOLESTR>(u"count")};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, count, 1, 0, &id), S_OK);
    DISPPARAMS none{};
    Variant n;
    ASSERT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &n, nullptr, nullptr), S_OK);
    EXPECT_EQ(n.vt, VT_I4);
    EXPECT_EQ(n.lVal, 3);

    Variant bad = Index(7);
    DISPPARAMS badParams{&bad, nullptr, 1, 0};
    Variant nothing;
    EXCEPINFO exception{};
    // A failing member comes back as an exception carrying its code.
    EXPECT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &badParams, &nothing, &exception,
                               nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, DISP_E_BADINDEX);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

TEST(CollectionNames, IsLessBstrNoCase)
{
    EXPECT_FALSE(IsLessBstrNoCase(u"VDATA", u"vdata"));
    EXPECT_FALSE(IsLessBstrNoCase(u"vdata", u"VDATA"));
    EXPECT_TRUE(IsLessBstrNoCase(u"abc", u"ABD"));
    EXPECT_TRUE(IsLessBstrNoCase(u"ab", u"abc"));
    EXPECT_TRUE(IsLessBstrNoCase(nullptr, u"a"));
    EXPECT_FALSE(IsLessBstrNoCase(nullptr, u""));
    // Compared lower-cased: '_' (0x5F) sorts below 'a' (0x61), though above 'A'.
    EXPECT_TRUE(IsLessBstrNoCase(u"_", u"A"));
}

}  // namespace
