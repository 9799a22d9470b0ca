// The cells of `bvd read` as functions over VARIANTs: the CSV text of each
// type, RFC 4180 quoting, the JSON form of each type, and whole rows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/bvd.h"
#include "host/bvd_read_format.h"
#include "platform/safearray.h"

namespace {

using bvd::RowFormat;

// A categorical set: VT_ARRAY|VT_VARIANT of VT_I4 elements (the value
// model's form), or VT_ARRAY|VT_I4 with `plain`.
Variant Set(std::initializer_list<LONG> numbers, bool plain = false)
{
    Variant v;
    SAFEARRAY* array = SafeArrayCreateVector(plain ? VT_I4 : VT_VARIANT, 0, static_cast<ULONG>(numbers.size()));
    if (!array) throw std::bad_alloc();
    v.vt = VT_ARRAY | (plain ? VT_I4 : VT_VARIANT);
    v.parray = array;
    void* data = nullptr;
    EXPECT_EQ(S_OK, SafeArrayAccessData(array, &data));
    LONG i = 0;
    for (LONG n : numbers) {
        if (plain) {
            static_cast<LONG*>(data)[i++] = n;
        } else {
            VARIANT& item = static_cast<VARIANT*>(data)[i++];
            item.vt = VT_I4;
            item.lVal = n;
        }
    }
    SafeArrayUnaccessData(array);
    return v;
}

// A reference to `target` (which must outlive it).
Variant RefTo(VARIANT& target)
{
    Variant v;
    v.vt = static_cast<VARTYPE>(VT_BYREF | target.vt);
    v.byref = (target.vt & VT_ARRAY) ? static_cast<void*>(&target.parray) : static_cast<void*>(&target.bstrVal);
    return v;
}

struct CellCase {
    const char* what;
    Variant value;
    std::string csv;    // CellText
    std::string json;   // JsonValue(...).dump(); empty: no JSON form (throws)
};

TEST(ReadCells, EachTypeAsTextAndAsJson)
{
    Variant text = Variant::Text(u"Zürich \"old\", town");
    Variant set = Set({4, 6});
    const CellCase cases[] = {
        {"empty", Variant(), "", "null"},
        {"null", Variant::Null(), "####", "null"},
        {"long", Variant::Long(42), "42", "42"},
        {"negative long", Variant::Long(-2147483647 - 1), "-2147483648", "-2147483648"},
        {"short", Variant::Short(-5), "-5", "-5"},
        {"double", Variant::Double(0.5), "0.5", "0.5"},
        {"whole double", Variant::Double(2450.0), "2450", "2450.0"},
        {"negative double", Variant::Double(-1875.25), "-1875.25", "-1875.25"},
        {"small double", Variant::Double(1e-7), "0.0000001", "1e-07"},
        {"large double", Variant::Double(1e20), "1E+20", "1e+20"},
        // The conversion's own text, as the original platform writes it; JSON has no NaN.
        {"not a number", Variant::Double(std::numeric_limits<double>::quiet_NaN()), "1.#QNAN", "null"},
        {"true", Variant::Bool(true), "True", "true"},
        {"false", Variant::Bool(false), "False", "false"},
        {"text kept as it stands", Variant::Text(u"ab  "), "ab  ", "\"ab  \""},
        {"empty text", Variant::Text(u""), "", "\"\""},
        {"text with quotes and a comma", text, "Zürich \"old\", town", "\"Zürich \\\"old\\\", town\""},
        {"control characters", Variant::Text(u"a\tb\nc"), "a\tb\nc", "\"a\\tb\\nc\""},
        {"text by reference", RefTo(text), "Zürich \"old\", town", "\"Zürich \\\"old\\\", town\""},
        {"categorical", set, "{4,6}", "[4,6]"},
        {"empty categorical", Set({}), "{}", "[]"},
        {"one category", Set({12}), "{12}", "[12]"},
        {"categorical of plain longs", Set({3, 1, 2}, true), "{3,1,2}", "[3,1,2]"},
        {"categorical by reference", RefTo(set), "{4,6}", "[4,6]"},
        {"date", Variant::Date(36527.5), "1/2/2000 12:00:00 PM", "\"1/2/2000 12:00:00 PM\""},
        {"error", Variant::Error(DISP_E_PARAMNOTFOUND), "####", ""},
        {"interface", Variant::OfType(VT_UNKNOWN), "####", ""},
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + VariantToString(c.value));
        EXPECT_EQ(c.csv, bvd::CellText(c.value));
        if (c.json.empty()) {
            EXPECT_THROW(bvd::JsonValue(c.value), bvd::Failure);
        } else {
            EXPECT_EQ(c.json, bvd::JsonValue(c.value).dump());
        }
    }
}

TEST(ReadCells, CategoryNumbersOnlyForOneDimensionalSetsOfLongs)
{
    EXPECT_EQ((std::vector<LONG>{4, 6}), bvd::CategoryNumbers(Set({4, 6})));
    EXPECT_EQ(std::vector<LONG>{}, bvd::CategoryNumbers(Set({})));
    EXPECT_FALSE(bvd::CategoryNumbers(Variant::Long(4)));
    EXPECT_FALSE(bvd::CategoryNumbers(Variant::Text(u"{4,6}")));

    // An array of texts is no categorical value: it has no text form and no JSON form.
    Variant texts;
    texts.vt = VT_ARRAY | VT_BSTR;
    texts.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_NE(nullptr, texts.parray);
    EXPECT_FALSE(bvd::CategoryNumbers(texts));
    EXPECT_EQ("####", bvd::CellText(texts));
    EXPECT_THROW(bvd::JsonValue(texts), bvd::Failure);

    // A set holding something other than a category number is refused, not guessed at.
    Variant odd = Set({1, 2});
    void* data = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(odd.parray, &data));
    static_cast<VARIANT*>(data)[1].vt = VT_R8;
    static_cast<VARIANT*>(data)[1].dblVal = 2.5;
    SafeArrayUnaccessData(odd.parray);
    EXPECT_THROW(bvd::CategoryNumbers(odd), bvd::Failure);
    EXPECT_THROW(bvd::CellText(odd), bvd::Failure);
    EXPECT_THROW(bvd::JsonValue(odd), bvd::Failure);
}

TEST(ReadCells, CsvFieldsAreQuotedOnlyWhenTheyMustBe)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {" blanks kept ", " blanks kept "},
        {"{4,6}", "\"{4,6}\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"semi;colon\ttab", "semi;colon\ttab"},
        {"Zürich", "Zürich"},
    };
    for (const auto& [text, field] : cases) {
        std::string line = "x,";
        bvd::AppendCsvField(line, text);
        EXPECT_EQ("x," + field, line) << text;
    }
}

TEST(ReadCells, RowsInBothFormats)
{
    const std::vector<std::string> names{"dscserial", "Q2", "note", "ok", "score"};
    std::vector<Variant> values;
    values.push_back(Variant::Long(3));
    values.push_back(Set({4, 6}));
    values.push_back(Variant::Text(u"a \"b\", c"));
    values.push_back(Variant::Bool(false));
    values.push_back(Variant::Double(7.25));

    const bvd::RowWriter csv(RowFormat::Csv, names);
    EXPECT_EQ("dscserial,Q2,note,ok,score\n", csv.Head());
    std::string out;
    csv.AppendRow(out, values);
    csv.AppendRow(out, values);
    const std::string row = "3,\"{4,6}\",\"a \"\"b\"\", c\",False,7.25\n";
    EXPECT_EQ(row + row, out);

    // Keys in the order given (not sorted), one object per line.
    const bvd::RowWriter jsonl(RowFormat::Jsonl, {"z", "a", "q\"uote", "m", "b"});
    EXPECT_EQ("", jsonl.Head());
    out.clear();
    jsonl.AppendRow(out, values);
    EXPECT_EQ("{\"z\":3,\"a\":[4,6],\"q\\\"uote\":\"a \\\"b\\\", c\",\"m\":false,\"b\":7.25}\n", out);

    // A header cell that needs quotes gets them too.
    EXPECT_EQ("\"a,b\",c\n", bvd::RowWriter(RowFormat::Csv, {"a,b", "c"}).Head());
}

}  // namespace
