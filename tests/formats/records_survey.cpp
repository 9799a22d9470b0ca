// The whole path the reader's record loop takes: a definition read into the
// schema, then lines cut into fields and turned into texts, without the DOM.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/byte_source.h"
#include "formats/field.h"
#include "formats/line_reader.h"
#include "formats_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// One row per record: the serial column, then every variable's text.
Rows Read(const bvdformats::ReaderSchema& schema, std::string_view data, bool categoryValues)
{
    std::vector<bvdformats::ReaderVariable> columns;
    columns.push_back(bvdformats::ReaderSerialVariable());
    for (const auto& v : schema.variables) columns.push_back(v);

    bvdformats::MemoryByteSource source(data);
    bvdformats::LineReader reader(source);
    Rows rows;
    std::u16string text;
    std::string_view line;
    LONG record = 0;
    while (reader.Next(line) == bvdformats::LineReader::Status::Line) {
        ++record;
        std::vector<std::string> row;
        for (const auto& c : columns) {
            const std::string_view field = bvdformats::CutField(line, c.offset, c.width);
            bvdformats::ReaderFieldText(c.kind, field, categoryValues, c.codes.empty() ? nullptr : &c.codes, record,
                                        text);
            row.push_back(formatstest::U8(text));
        }
        rows.push_back(row);
    }
    return rows;
}

const char* kVariables =
    "<variable type=\"single\"><name>A</name><position start=\"1\"/>"
    "<values><value code=\"1\"/><value code=\"2\"/><value code=\"3\"/></values></variable>"
    "<variable type=\"multiple\"><name>B</name><position start=\"2\" finish=\"5\"/>"
    "<values><value code=\"1\"/><value code=\"2\"/><value code=\"3\"/><value code=\"4\"/></values></variable>"
    "<variable type=\"single\"><name>C</name><position start=\"6\" finish=\"7\"/>"
    "<values><value code=\"10\"/><value code=\"20\"/></values></variable>"
    "<variable type=\"quantity\"><name>Q</name><position start=\"8\" finish=\"11\"/>"
    "<values><range from=\"0\" to=\"9.5\"/></values></variable>"
    "<variable type=\"character\"><name>T</name><position start=\"12\" finish=\"15\"/></variable>"
    "<variable type=\"logical\"><name>L</name><position start=\"16\"/></variable>";

}  // namespace

TEST(SurveyRecords, CategoryNumbersAndFileCodes)
{
    const bvdformats::ReaderSchema schema = formatstest::Schema(kVariables);
    ASSERT_EQ(schema.variables.size(), 6u);
    EXPECT_EQ(schema.variables[3].kind, bvdformats::ReaderKind::DecimalQuantity);
    const std::string data =
        "2010120 .50ab  1\r\n"   // a full record
        "\r\n"                   // a blank line is a record
        "3000015  -5x\n"         // ends inside T; L missing
        "0101120000 \xE9   0";   // last line without a line feed; B is 1011
    EXPECT_EQ(Read(schema, data, false), (Rows{
                                             {"1", "2", "{5,7}", "9", ".50", "ab  ", "1"},
                                             {"2", "", "", "", "0", "", ""},
                                             {"3", "3", "", "15", "-5", "x", ""},
                                             {"4", "", "{4,6,7}", "9", "0", "\xC3\xA9   ", "0"},
                                         }));
    EXPECT_EQ(Read(schema, data, true), (Rows{
                                            {"1", "2", "{2,4}", "20", ".50", "ab  ", "1"},
                                            {"2", "", "", "", "0", "", ""},
                                            {"3", "3", "", "15", "-5", "x", ""},
                                            {"4", "", "{1,3,4}", "20", "0", "\xC3\xA9   ", "0"},
                                        }));
}
