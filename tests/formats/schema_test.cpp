// The reader's schema from definition fixtures: what becomes a column, with
// which kind, position, codes, category numbers and name values, and what
// fails the build.
#include <gtest/gtest.h>

#include "formats/names.h"
#include "formats_support.h"

using bvdformats::DefinitionError;
using bvdformats::ReaderKind;
using bvdformats::ReaderSchema;
using bvdformats::ReaderVariable;
using formatstest::Schema;
using formatstest::U8;

namespace {

std::string Var(const std::string& type, const std::string& name, const std::string& position,
                const std::string& values = "")
{
    return "<variable ident=\"1\" type=\"" + type + "\"><name>" + name + "</name>" + position +
           (values.empty() ? "" : "<values>" + values + "</values>") + "</variable>";
}

std::string Pos(const std::string& attributes) { return "<position " + attributes + "/>"; }

std::string Codes(std::initializer_list<const char*> codes)
{
    std::string out;
    for (const char* c : codes) out += std::string("<value code=\"") + c + "\">x</value>";
    return out;
}

std::vector<std::pair<LONG, LONG>> PairsOf(const ReaderVariable& v)
{
    std::vector<std::pair<LONG, LONG>> out;
    for (const auto& p : v.codes.pairs()) out.emplace_back(p.code, p.number);
    return out;
}

}  // namespace

TEST(ReaderSchema, CategoryNumbersAndNameValuesCountOverTheSurvey)
{
    // A (single, 1..3), an unnamed variable with codes that takes nothing,
    // B (multiple, 1..4), C (single, 10 and 20).
    const ReaderSchema s = Schema(Var("single", "A", Pos("start=\"1\""), Codes({"1", "2", "3"})) +
                                  Var("single", "", Pos("start=\"2\""), Codes({"1", "2"})) +
                                  Var("multiple", "B", Pos("start=\"2\" finish=\"5\""), Codes({"1", "2", "3", "4"})) +
                                  Var("single", "C", Pos("start=\"6\" finish=\"7\""), Codes({"10", "20"})));
    ASSERT_EQ(s.variables.size(), 3u);
    EXPECT_EQ(U8(s.recordName), "record");
    const ReaderVariable& a = s.variables[0];
    const ReaderVariable& b = s.variables[1];
    const ReaderVariable& c = s.variables[2];
    EXPECT_EQ(PairsOf(a), (std::vector<std::pair<LONG, LONG>>{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(PairsOf(b), (std::vector<std::pair<LONG, LONG>>{{1, 4}, {2, 5}, {3, 6}, {4, 7}}));
    EXPECT_EQ(PairsOf(c), (std::vector<std::pair<LONG, LONG>>{{10, 8}, {20, 9}}));
    EXPECT_EQ(a.nameValue, 1);
    EXPECT_EQ(b.nameValue, 4);
    EXPECT_EQ(c.nameValue, 8);
    EXPECT_EQ(c.largestCode, 20);
    EXPECT_EQ(c.codeWidth, 2);
    EXPECT_EQ(b.kind, ReaderKind::Multiple);
    EXPECT_EQ(b.offset, 1);
    EXPECT_EQ(b.width, 4);
    EXPECT_EQ(c.codes.Find(20), 9);
    EXPECT_EQ(c.codes.Find(15), -1);
}

TEST(ReaderSchema, NegativeCodesLeaveTheLargestCodeAtZero)
{
    const ReaderSchema s = Schema(Var("single", "A", Pos("start=\"1\""), Codes({"-3", "-1"})) +
                                  Var("single", "B", Pos("start=\"2\""), Codes({"5"})));
    ASSERT_EQ(s.variables.size(), 2u);
    EXPECT_EQ(s.variables[0].largestCode, 0);
    EXPECT_EQ(s.variables[0].codeWidth, 2);
    EXPECT_EQ(s.variables[1].nameValue, 1);
    EXPECT_EQ(PairsOf(s.variables[1]), (std::vector<std::pair<LONG, LONG>>{{5, 3}}));
}

TEST(ReaderSchema, KindsAndDecimalDetection)
{
    struct Case {
        const char* type;
        const char* values;
        ReaderKind kind;
    } cases[] = {
        {"single", "", ReaderKind::Single},
        {"SINGLE", "", ReaderKind::Single},
        {"Multiple", "", ReaderKind::Multiple},
        {"quantity", "", ReaderKind::IntegerQuantity},
        {"character", "", ReaderKind::Character},
        {"logical", "", ReaderKind::Logical},
        {"quantity", "<range from=\"0\" to=\"95\"/>", ReaderKind::IntegerQuantity},
        {"quantity", "<range from=\"0\" to=\"9.5\"/>", ReaderKind::DecimalQuantity},
        {"quantity", "<range to=\"1.\"/>", ReaderKind::DecimalQuantity},
        {"quantity", "<value code=\"1\"/><value code=\"2.5\"/>", ReaderKind::DecimalQuantity},
        // A full stop in a code changes only quantities; in a range bound it
        // changes any kind.
        {"single", "<value code=\"1\"/><value code=\"2.5\"/>", ReaderKind::Single},
        {"single", "<range from=\"1\" to=\"2.5\"/>", ReaderKind::DecimalQuantity},
        {"logical", "<range from=\"0.0\"/>", ReaderKind::DecimalQuantity},
        {"quantity", "<value code=\"\"/>", ReaderKind::IntegerQuantity},
    };
    for (const Case& c : cases) {
        const ReaderSchema s = Schema(Var(c.type, "V", Pos("start=\"1\""), c.values));
        ASSERT_EQ(s.variables.size(), 1u) << c.type << " " << c.values;
        EXPECT_EQ(s.variables[0].kind, c.kind) << c.type << " " << c.values;
    }
}

TEST(ReaderSchema, PositionsAndWhatIsPassedOver)
{
    struct Case {
        std::string variable;
        bool column;
        LONG offset;
        LONG width;
    } cases[] = {
        {Var("single", "V", Pos("start=\"5\"")), true, 4, 1},
        {Var("single", "V", Pos("start=\"5\" finish=\"9\"")), true, 4, 5},
        {Var("single", "V", Pos("start=\"5\" finish=\"4\"")), false, 0, 0},
        {Var("single", "V", Pos("start=\" 7\"")), true, 6, 1},
        {Var("single", "V", Pos("start=\"7a\"")), true, 6, 1},
        {Var("single", "V", Pos("start=\"abc\"")), false, 0, 0},
        {Var("single", "V", Pos("start=\"0\"")), false, 0, 0},
        {Var("single", "V", Pos("start=\"-2\" finish=\"3\"")), false, 0, 0},
        {Var("single", "V", Pos("start=\"+3\" finish=\"4\"")), true, 2, 2},
        {Var("single", "V", Pos("start=\"3\" finish=\"\"")), false, 0, 0},  // an empty finish stays 0
        {Var("single", "V", Pos("start=\"\"")), false, 0, 0},
        {Var("single", "V", ""), false, 0, 0},  // no position
        {Var("single", "", Pos("start=\"1\"")), false, 0, 0},  // empty name
        {"<variable type=\"single\"><position start=\"1\"/></variable>", false, 0, 0},  // no name
        {Var("date", "V", Pos("start=\"1\"")), false, 0, 0},  // unknown type word
        // The last position wins; its empty start keeps the earlier start.
        {"<variable type=\"single\"><name>V</name><position start=\"2\" finish=\"3\"/>"
         "<position start=\"\" finish=\"6\"/></variable>",
         true, 1, 5},
        // Out-of-range numbers become the 32-bit limits.
        {Var("character", "V", Pos("start=\"1\" finish=\"99999999999\"")), true, 0, 2147483647},
        {Var("character", "V", Pos("start=\"2147483647\" finish=\"4294967296\"")), true, 2147483646, 1},
        {Var("character", "V", Pos("start=\"-99999999999\" finish=\"5\"")), false, 0, 0},
    };
    for (const Case& c : cases) {
        const ReaderSchema s = Schema(c.variable);
        ASSERT_EQ(s.variables.size(), c.column ? 1u : 0u) << c.variable;
        if (!c.column) continue;
        EXPECT_EQ(s.variables[0].offset, c.offset) << c.variable;
        EXPECT_EQ(s.variables[0].width, c.width) << c.variable;
    }
}

TEST(ReaderSchema, ElementNamesPrefixesCommentsAndOtherNodes)
{
    const ReaderSchema s = Schema(
        "<!-- a comment between variables -->\n<?pi data?>\n<other type=\"single\"/>\n"
        "<x:VARIABLE xmlns:x=\"urn:x\" TYPE=\"ignored\" type=\"Single\">\n"
        "  <x:NAME>Q 1/a</x:NAME><Label>text</Label><SPREAD/><size>3</size>\n"
        "  <!-- this value was never set -->\n"
        "  <Position start=\"2\" finish=\"3\"/>\n"
        "  <VALUES><!-- c --><Value code=\"1\">one</Value><other code=\"9\"/><value code=\"12\">x</value></VALUES>\n"
        "</x:VARIABLE>\n");
    ASSERT_EQ(s.variables.size(), 1u);
    const ReaderVariable& v = s.variables[0];
    EXPECT_EQ(U8(v.rawName), "Q 1/a");
    EXPECT_EQ(U8(v.columnName), "Q_1_a");
    EXPECT_EQ(v.kind, ReaderKind::Single);
    EXPECT_EQ(PairsOf(v), (std::vector<std::pair<LONG, LONG>>{{1, 1}, {12, 2}}));
    EXPECT_EQ(v.codeWidth, 2);
}

TEST(ReaderSchema, AllValuesElementsGatherAndDuplicateCodesKeepBothPairs)
{
    const ReaderSchema s =
        Schema("<variable type=\"character\"><name>T</name><position start=\"1\" finish=\"4\"/>"
               "<values><value code=\"3\"/></values><values><value code=\"3\"/><value code=\"0010\"/></values>"
               "</variable>");
    ASSERT_EQ(s.variables.size(), 1u);
    const ReaderVariable& v = s.variables[0];
    EXPECT_EQ(v.kind, ReaderKind::Character);  // a character variable keeps its codes too
    EXPECT_EQ(PairsOf(v), (std::vector<std::pair<LONG, LONG>>{{3, 1}, {3, 2}, {10, 3}}));
    EXPECT_EQ(v.codes.Find(3), 1);  // the first pair answers
    EXPECT_EQ(v.codeWidth, 4);
    EXPECT_EQ(v.largestCode, 10);
}

TEST(ReaderSchema, ManyCodesHaveNoFixedLimit)
{
    std::string values;
    constexpr LONG kCodes = 12000;
    for (LONG i = kCodes; i >= 1; --i) values += "<value code=\"" + std::to_string(i) + "\"/>";
    const ReaderSchema s = Schema(Var("single", "Big", Pos("start=\"1\" finish=\"5\""), values) +
                                  Var("single", "After", Pos("start=\"6\""), Codes({"1"})));
    ASSERT_EQ(s.variables.size(), 2u);
    const ReaderVariable& big = s.variables[0];
    EXPECT_EQ(big.codes.size(), static_cast<size_t>(kCodes));
    EXPECT_EQ(big.codes.Find(kCodes), 1);
    EXPECT_EQ(big.codes.Find(1), kCodes);
    EXPECT_EQ(big.largestCode, kCodes);
    EXPECT_EQ(s.variables[1].nameValue, 1 + kCodes);
    EXPECT_EQ(s.variables[1].codes.Find(1), kCodes + 1);
}

TEST(ReaderSchema, EmptyRecordHasNoVariables)
{
    EXPECT_TRUE(Schema("").variables.empty());
    EXPECT_TRUE(Schema("<!-- nothing -->").variables.empty());
}

TEST(ReaderSchema, MissingAttributesFailTheBuild)
{
    struct Case {
        std::string variables;
        const char* element;
        const char* attribute;
        size_t ordinal;
    } cases[] = {
        {"<variable><name>V</name></variable>", "variable", "type", 1},
        {Var("single", "A", Pos("start=\"1\"")) + "<variable type=\"single\"><position finish=\"2\"/></variable>",
         "position", "start", 2},
        {Var("single", "V", Pos("start=\"1\""), "<value code=\"1\"/><value>no code</value>"), "value", "code", 1},
        // A variable passed over for its name still fails on a missing code.
        {Var("single", "", Pos("start=\"1\""), "<value/>"), "value", "code", 1},
        // A variable with an unknown type word is not read further.
        {Var("other", "V", Pos("start=\"1\""), "<value/>") + "<variable/>", "variable", "type", 2},
    };
    for (const Case& c : cases) {
        try {
            Schema(c.variables);
            ADD_FAILURE() << "no failure: " << c.variables;
        } catch (const DefinitionError& e) {
            EXPECT_EQ(e.cause(), DefinitionError::Cause::MissingAttribute) << c.variables;
            EXPECT_EQ(e.hr(), DISP_E_TYPEMISMATCH) << c.variables;
            EXPECT_EQ(U8(e.recordName()), "record") << c.variables;
            EXPECT_EQ(U8(e.element()), c.element) << c.variables;
            EXPECT_EQ(U8(e.attribute()), c.attribute) << c.variables;
            EXPECT_EQ(e.variableOrdinal(), c.ordinal) << c.variables;
        }
    }
    // An unknown type word alone passes over without a failure.
    EXPECT_TRUE(Schema(Var("other", "V", Pos("start=\"1\""), "<value/>")).variables.empty());
}

TEST(ReaderSchema, DataTypesAndTheSerialColumn)
{
    using bvdformats::ReaderDataType;
    EXPECT_EQ(ReaderDataType(ReaderKind::Single), mtCategorical);
    EXPECT_EQ(ReaderDataType(ReaderKind::Multiple), mtCategorical);
    EXPECT_EQ(ReaderDataType(ReaderKind::IntegerQuantity), mtLong);
    EXPECT_EQ(ReaderDataType(ReaderKind::Character), mtText);
    EXPECT_EQ(ReaderDataType(ReaderKind::Logical), mtBoolean);
    EXPECT_EQ(ReaderDataType(ReaderKind::DecimalQuantity), mtDouble);
    EXPECT_EQ(ReaderDataType(ReaderKind::Serial), mtLong);
    const ReaderVariable serial = bvdformats::ReaderSerialVariable();
    EXPECT_EQ(serial.kind, ReaderKind::Serial);
    EXPECT_EQ(U8(serial.columnName), "dscserial");
    EXPECT_EQ(serial.offset, 0);
    EXPECT_EQ(serial.width, 0);
    EXPECT_EQ(serial.nameValue, 0);
    EXPECT_TRUE(serial.codes.empty());
}
