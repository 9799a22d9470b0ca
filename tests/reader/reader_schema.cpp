// The VDATA table as the reader builds it: column names, data types, the
// reader's own column members (through the interface and IDispatch),
// category numbers and name values, and the fixed definition.
#include "platform/dispatch.h"
#include "tests/reader/reader_support.h"

namespace readertest {
namespace {

struct ColumnFacts {
    std::string name;
    LONG type, offset, width, kind, codeWidth, nameValue;
};

ColumnFacts Facts(IReaderColumn* c)
{
    ColumnFacts f{};
    BStr name;
    EXPECT_EQ(S_OK, c->get_Name(name.put()));
    f.name = Text(name.get());
    EXPECT_EQ(S_OK, c->get_Type(&f.type));
    EXPECT_EQ(S_OK, c->get_BVDoffset(&f.offset));
    EXPECT_EQ(S_OK, c->get_BVDwidth(&f.width));
    EXPECT_EQ(S_OK, c->get_BVDtype(&f.kind));
    EXPECT_EQ(S_OK, c->get_BVDvarwidth(&f.codeWidth));
    EXPECT_EQ(S_OK, c->get_BVDnameval(&f.nameValue));
    return f;
}

LONG Mapping(IReaderColumn* c, LONG code)
{
    EXPECT_EQ(S_OK, c->NameMapping(&code));
    return code;
}

bool operator==(const ColumnFacts& a, const ColumnFacts& b)
{
    return a.name == b.name && a.type == b.type && a.offset == b.offset && a.width == b.width && a.kind == b.kind &&
           a.codeWidth == b.codeWidth && a.nameValue == b.nameValue;
}
std::ostream& operator<<(std::ostream& os, const ColumnFacts& f)
{
    return os << f.name << " type " << f.type << " at " << f.offset << "+" << f.width << " kind " << f.kind
              << " codewidth " << f.codeWidth << " nameval " << f.nameValue;
}

// Category numbers run over the whole survey; name values grow by each
// column's largest code; variables without a name, a position or a known
// type take nothing.
TEST_F(ReaderTest, ColumnsFromTheVariables)
{
    const std::string xml = Definition(
        Var("single", "A", "1", "1", Codes({"1", "2", "3"})) +
        "<variable type=\"single\"><position start=\"2\"/><values>" + Codes({"1", "2"}) + "</values></variable>\n" +
        Var("multiple", "B", "2", "5", Codes({"1", "2", "3", "4"})) +
        Var("single", "C", "6", "7", Codes({"10", "20"})) +
        Var("quantity", "Q 1/a", "8", "10") +
        Var("quantity", "Dec", "11", "14", Codes({"1", "2.5"})) +
        Var("single", "SingleDots", "15", "15", Codes({"1", "2.5"})) +
        Var("single", "Ranged", "16", "18", "<range from=\"1\" to=\"2.5\"/>") +
        Var("character", "Txt", "19", "22", Codes({"100", "-7"})) +
        Var("LOGICAL", "L", "23", "23") +
        Var("date", "Unknown", "24", "30") +
        Var("single", "NoFinish", "3", "") +
        "<variable type=\"single\"><name>EmptyFinish</name><position start=\"3\" finish=\"\"/></variable>\n" +
        Var("single", "Backwards", "5", "4") + Var("single", "BeforeTheLine", "-2", "3") +
        Var("single", "Zero", "0", "3"));
    ComPtr<ISource> source = Open(Survey(xml, ""));
    const auto columns = Columns(source.get());
    const std::vector<ColumnFacts> expected{
        {"dscserial", mtLong, 0, 0, 7, 0, 0},
        {"A", mtCategorical, 0, 1, 1, 1, 1},
        {"B", mtCategorical, 1, 4, 2, 1, 4},
        {"C", mtCategorical, 5, 2, 1, 2, 8},
        {"Q_1_a", mtLong, 7, 3, 3, 0, 28},
        {"Dec", mtDouble, 10, 4, 6, 3, 28},
        {"SingleDots", mtCategorical, 14, 1, 1, 3, 30},
        {"Ranged", mtDouble, 15, 3, 6, 0, 32},
        {"Txt", mtText, 18, 4, 4, 3, 32},
        {"L", mtBoolean, 22, 1, 5, 0, 132},
        {"NoFinish", mtCategorical, 2, 1, 1, 0, 132},
    };
    ASSERT_EQ(expected.size(), columns.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i], Facts(columns[i].get()));

    // Category numbers: A 1-3, B 4-7, C 8-9, Dec 10-11 (codes 1 and 2), ...
    EXPECT_EQ(3, Mapping(columns[1].get(), 3));
    EXPECT_EQ(4, Mapping(columns[2].get(), 1));
    EXPECT_EQ(7, Mapping(columns[2].get(), 4));
    EXPECT_EQ(8, Mapping(columns[3].get(), 10));
    EXPECT_EQ(9, Mapping(columns[3].get(), 20));
    EXPECT_EQ(-1, Mapping(columns[3].get(), 15));
    EXPECT_EQ(10, Mapping(columns[5].get(), 1));
    EXPECT_EQ(11, Mapping(columns[5].get(), 2));  // "2.5" reads as the long 2
    EXPECT_EQ(15, Mapping(columns[8].get(), -7));  // character codes are mapped too
    EXPECT_EQ(-1, Mapping(columns[0].get(), 0));   // the serial column has no code table
    EXPECT_EQ(-1, Mapping(columns[4].get(), 1));
}

TEST_F(ReaderTest, CodeTableMembers)
{
    const std::string xml = Definition(Var("single", "D", "1", "1", Codes({"5", "5", "6"})));
    ComPtr<ISource> source = Open(Survey(xml, ""));
    const auto columns = Columns(source.get());
    ASSERT_EQ(2u, columns.size());
    IReaderColumn* d = columns[1].get();
    EXPECT_EQ(1, Mapping(d, 5));  // two pairs for 5: the first answers
    EXPECT_EQ(3, Mapping(d, 6));

    EXPECT_EQ(E_POINTER, d->NameMapping(nullptr));
    EXPECT_EQ(E_POINTER, d->get_BVDoffset(nullptr));
    EXPECT_EQ(E_POINTER, columns[0]->addMapping(1, 1));  // no code table yet
    ASSERT_EQ(S_OK, d->makeMapping(2));
    EXPECT_EQ(-1, Mapping(d, 5));  // the new table is empty
    EXPECT_EQ(S_OK, d->addMapping(40, 400));
    EXPECT_EQ(S_OK, d->addMapping(41, 410));
    EXPECT_EQ(E_INVALIDARG, d->addMapping(42, 420));  // the table holds two pairs
    EXPECT_EQ(410, Mapping(d, 41));
    EXPECT_EQ(-1, Mapping(d, 42));
    EXPECT_EQ(E_INVALIDARG, d->makeMapping(-1));
}

TEST_F(ReaderTest, DefinitionIsFixed)
{
    ComPtr<ISource> source = Open(Survey(Definition(Var("single", "A", "1", "1")), ""));
    ComPtr<ITable> table = Vdata(source.get());
    ASSERT_TRUE(table);
    LONG type = -1, level = -1;
    EXPECT_EQ(S_OK, table->get_Type(&type));
    EXPECT_EQ(cdVDATA, type);
    EXPECT_EQ(S_OK, table->get_Level(&level));
    EXPECT_EQ(0, level);
    BStr name(std::u16string_view(u"Other"));
    EXPECT_EQ(E_FAIL, table->put_Name(name.get()));
    EXPECT_EQ("Table already exists.  Unable to modify the table definition once created.", TakeError().description);

    const auto columns = Columns(source.get());
    EXPECT_EQ(E_FAIL, columns[1]->put_Name(name.get()));
    const Reported r = TakeError();
    EXPECT_EQ("Column already exists.  Unable to modify the column definition once created.", r.description);
    EXPECT_EQ("Bvdreader.Column.1", r.source);
    EXPECT_EQ(E_FAIL, columns[1]->put_Size(3));
    EXPECT_EQ(E_FAIL, columns[1]->putref_Parent(table.get()));
    EXPECT_EQ(S_OK, columns[1]->putref_Parent(nullptr));

    // The host cannot add columns to the reader's table.
    ComPtr<IColumns> collection;
    ASSERT_EQ(S_OK, table->get_Columns(collection.put()));
    EXPECT_EQ(E_NOTIMPL, collection->Append(columns[1].get()));
}

// The reader's members through IDispatch, by name and id, as a script host
// reaches them.
TEST_F(ReaderTest, ColumnMembersThroughIDispatch)
{
    ComPtr<ISource> source = Open(Survey(Definition(Var("multiple", "M", "3", "6", Codes({"1", "2"}))), ""));
    const auto columns = Columns(source.get());
    IDispatch* column = columns[1].get();
    const std::pair<const char16_t*, DISPID> members[] = {
        {u"BVDoffset", 7}, {u"BVDwidth", 8},    {u"BVDtype", 9},     {u"BVDvarwidth", 0xa},
        {u"BVDnameval", 0xb}, {u"NameMapping", 0xc}, {u"makeMapping", 0xd}, {u"addMapping", 0xe},
    };
    for (const auto& [name, id] : members) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID found = -1;
        EXPECT_EQ(S_OK, column->GetIDsOfNames(IID_NULL, names, 1, 0, &found)) << Utf16ToUtf8(name);
        EXPECT_EQ(id, found) << Utf16ToUtf8(name);
    }
    const std::pair<DISPID, LONG> reads[] = {{7, 2}, {8, 4}, {9, 2}, {0xa, 1}, {0xb, 1}};
    for (const auto& [id, expected] : reads) {
        DISPPARAMS none{};
        Variant result;
        ASSERT_EQ(S_OK, column->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
        ASSERT_EQ(VT_I4, result.vt);
        EXPECT_EQ(expected, result.lVal) << id;
    }
    // NameMapping takes the code in and gives the number out through the
    // same argument.
    LONG cell = 2;
    VARIANT arg;
    arg.vt = VT_I4 | VT_BYREF;
    arg.plVal = &cell;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    ASSERT_EQ(S_OK, column->Invoke(0xc, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, nullptr,
                                   nullptr, nullptr));
    EXPECT_EQ(2, cell);
}

}  // namespace
}  // namespace readertest
