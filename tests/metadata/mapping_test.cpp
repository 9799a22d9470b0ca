// Variable mapping: what each kind of definition variable becomes in the
// Lodex document, MakeValidName, and the failures inside one variable.
#include <cmath>

#include "metadata/mapping.h"
#include "tests/metadata/lodex_fixture.h"

namespace {

using bvdmeta::MakeValidName;

struct Case {
    const char* what;
    const char* variable;  // the variable element
    LONG dataType;
    const char* lower;
    const char* upper;
    std::vector<CategoryInfo> categories;
};

CategoryInfo Cat(const char* name, const char* label) { return {name, label, 0, 0}; }

std::string Var(const char* type, const std::string& body)
{
    return std::string("<variable ident=\"1\" type=\"") + type + "\">" + body + "</variable>\n";
}

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        {"single: one category per value, in file order; bounds 1 and 1",
         "<variable ident=\"1\" type=\"single\"><name>Q1</name><label>Rating</label><position start=\"1\"/>"
         "<values><value code=\"5\">Very good</value><value code=\"1\">Poor</value><value code=\"3\">Fair</value>"
         "</values></variable>",
         3, "I4:1", "I4:1",
         {Cat("Q1_Very_good_5", "Very good"), Cat("Q1_Poor_1", "Poor"), Cat("Q1_Fair_3", "Fair")}},
        {"SINGLE in capitals is categorical like single",
         "<variable type=\"SINGLE\"><name>S</name><values><value code=\"1\">A</value></values></variable>", 3, "I4:1",
         "I4:1", {Cat("S_A_1", "A")}},
        {"multiple: bounds 1 and the largest code",
         "<variable type=\"multiple\"><name>M</name><values><value code=\"1\">a</value><value code=\"7\">g</value>"
         "<value code=\"3\">c</value></values></variable>",
         3, "I4:1", "I4:7", {Cat("M_a_1", "a"), Cat("M_g_7", "g"), Cat("M_c_3", "c")}},
        {"multiple without values: 1 and 1", "<variable type=\"multiple\"><name>M</name></variable>", 3, "I4:1",
         "I4:1", {}},
        {"multiple whose largest code is 0: 1 and 1",
         "<variable type=\"multiple\"><name>M</name><values><value code=\"0\">none</value></values></variable>", 3,
         "I4:1", "I4:1", {Cat("M_none_0", "none")}},
        {"quantity with an integer range",
         "<variable type=\"quantity\"><name>Age</name><values><range from=\"0\" to=\"99\"/></values></variable>", 1,
         "I4:0", "I4:99", {}},
        {"quantity whose from holds a full stop is decimal",
         "<variable type=\"quantity\"><name>W</name><values><range from=\"0.5\" to=\"10\"/></values></variable>", 6,
         "R8:0.500000", "R8:10.000000", {}},
        {"only from decides: 1 to 9.5 is an integer quantity, 9.5 reads as 9",
         "<variable type=\"quantity\"><name>W</name><values><range from=\"1\" to=\"9.5\"/></values></variable>", 1,
         "I4:1", "I4:9", {}},
        {"quantity without range and values: 1 and 1", "<variable type=\"quantity\"><name>N</name></variable>", 1,
         "I4:1", "I4:1", {}},
        {"a range without to: upper bound 0",
         "<variable type=\"quantity\"><name>N</name><values><range from=\"5\"/></values></variable>", 1, "I4:5",
         "I4:0", {}},
        {"a range without from is ignored",
         "<variable type=\"quantity\"><name>N</name><values><range to=\"50\"/></values></variable>", 1, "I4:1",
         "I4:1", {}},
        {"quantity value codes widen the integer bounds",
         "<variable type=\"quantity\"><name>N</name><values><range from=\"10\" to=\"20\"/><value code=\"-3\">x</value>"
         "<value code=\"25\">y</value></values></variable>",
         1, "I4:-3", "I4:25", {}},
        {"character with a range",
         "<variable type=\"character\"><name>C</name><size>20</size><values><range from=\"1\" to=\"20\"/></values>"
         "</variable>",
         2, "I4:1", "I4:20", {}},
        {"character with value elements: no categories, 1 and 1",
         "<variable type=\"character\"><name>C</name><values><value code=\"4\">x</value><value code=\"9\">y</value>"
         "</values></variable>",
         2, "I4:1", "I4:1", {}},
        {"logical with values: smallest and largest code",
         "<variable type=\"logical\"><name>L</name><values><value code=\"1\">yes</value><value code=\"0\">no</value>"
         "</values></variable>",
         7, "I4:0", "I4:1", {}},
        {"an unknown type: mtNone, 1 and 1 without range or values",
         "<variable type=\"date\"><name>D</name></variable>", 0, "I4:1", "I4:1", {}},
        {"an unknown type with a range takes its bounds",
         "<variable type=\"date\"><name>D</name><values><range from=\"3\" to=\"8\"/></values></variable>", 0, "I4:3",
         "I4:8", {}},
        {"values before name: category names start with _ and the value text",
         "<variable type=\"single\"><values><value code=\"1\">Yes</value></values><name>Q</name></variable>", 3, "I4:1",
         "I4:1", {Cat("_Yes_1", "Yes")}},
        {"a code of letters only is 0",
         "<variable type=\"multiple\"><name>Q</name><values><value code=\"abc\">Text</value></values></variable>", 3,
         "I4:1", "I4:1", {Cat("Q_Text_0", "Text")}},
        {"a value without code is skipped",
         "<variable type=\"single\"><name>Q</name><values><value>lost</value><value code=\"2\">kept</value></values>"
         "</variable>",
         3, "I4:1", "I4:1", {Cat("Q_kept_2", "kept")}},
        {"codes read like the C library: blanks, sign, digits up to the first other character",
         "<variable type=\"logical\"><name>Q</name><values><value code=\" 12abc\">a</value><value code=\"-4\">b</value>"
         "</values></variable>",
         7, "I4:-4", "I4:12", {}},
        {"position and unknown children change nothing; names and case of element names are free",
         "<VARIABLE type=\"single\"><Position start=\"3\" finish=\"4\"/><spread/><NAME>P</NAME><Values>"
         "<!-- a comment --><VALUE code=\"1\">one</VALUE><other code=\"2\">x</other></Values></VARIABLE>",
         3, "I4:1", "I4:1", {Cat("P_one_1", "one")}},
        {"namespace prefixes are ignored",
         "<x:variable xmlns:x=\"urn:x\" type=\"single\"><x:name>N</x:name><x:values><x:value code=\"1\">a</x:value>"
         "</x:values></x:variable>",
         3, "I4:1", "I4:1", {Cat("N_a_1", "a")}},
        {"an empty values element resets nothing and sets nothing",
         "<variable type=\"quantity\"><name>E</name><values/></variable>", 1, "I4:1", "I4:1", {}},
    };
    return cases;
}

class MappingTest : public LodexFixture {};

TEST_F(MappingTest, WhatTheRulesGive)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        control_->Reset();
        document_ = NewDocument();
        ASSERT_EQ(S_OK, FillText(Definition(c.variable)));
        const std::vector<VariableInfo> vars = Variables();
        ASSERT_EQ(2u, vars.size());
        const VariableInfo& v = vars[1];
        EXPECT_EQ(c.dataType, v.dataType);
        EXPECT_EQ(c.lower, v.lower);
        EXPECT_EQ(c.upper, v.upper);
        EXPECT_EQ(c.categories, v.categories);
    }
}

TEST_F(MappingTest, NamesAndLabels)
{
    ASSERT_EQ(S_OK, FillText(Definition(Var("single", "<name>2nd choice</name><label>Don't &amp; know</label>"
                                                      "<values><value code=\"5\">Very good</value>"
                                                      "<value code=\"-1\">Don't know</value></values>"))));
    const std::vector<VariableInfo> vars = Variables();
    ASSERT_EQ(2u, vars.size());
    EXPECT_EQ("_2nd_choice", vars[1].name);
    EXPECT_EQ("Don't & know", vars[1].label);  // labels pass unchanged
    ASSERT_EQ(2u, vars[1].categories.size());
    EXPECT_EQ("_2nd_choice_Very_good_5", vars[1].categories[0].name);
    EXPECT_EQ("_2nd_choice_Don_t_know__1", vars[1].categories[1].name);
    EXPECT_EQ("Don't know", vars[1].categories[1].label);
}

// Characters outside ASCII: names go through the ANSI code page and only
// ASCII letters and digits stay; labels keep every character.
TEST_F(MappingTest, TextOutsideAscii)
{
    std::string xml = Definition(Var("single", "<name>Größe Ω</name><label>Größe €</label>"
                                               "<values><value code=\"1\">Café</value></values>"));
    xml.replace(xml.find("ISO-8859-1"), 10, "UTF-8");
    ASSERT_EQ(S_OK, FillText(xml));
    const std::vector<VariableInfo> vars = Variables();
    ASSERT_EQ(2u, vars.size());
    EXPECT_EQ("Gr__e__", vars[1].name);  // Ω has no ANSI form: one "_" as well
    EXPECT_EQ("Größe €", vars[1].label);
    ASSERT_EQ(1u, vars[1].categories.size());
    EXPECT_EQ("Gr__e___Caf__1", vars[1].categories[0].name);
    EXPECT_EQ("Café", vars[1].categories[0].label);
}

TEST(MakeValidNameTest, Examples)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"2nd choice", "_2nd_choice"},   {"Q1_Very good_5", "Q1_Very_good_5"}, {"Q1_Don't know_-1", "Q1_Don_t_know__1"},
        {"", "_"},                        {"_x", "_x"},                         {"a#b-c.d@e", "a_b_c_d_e"},
        {"9", "_9"},                      {" lead", "__lead"},                  {"\xE9t\xE9", "__t_"},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        MakeValidName(text);
        EXPECT_EQ(c.out, text) << "input \"" << c.in << "\"";
    }
}

TEST(ParseNumberTest, CLibraryReading)
{
    EXPECT_EQ(7, bvdmeta::ParseInteger(u" 7"));
    EXPECT_EQ(7, bvdmeta::ParseInteger(u"7a"));
    EXPECT_EQ(0, bvdmeta::ParseInteger(u"abc"));
    EXPECT_EQ(9, bvdmeta::ParseInteger(u"9.5"));
    EXPECT_EQ(-12, bvdmeta::ParseInteger(u"\t-12x"));
    EXPECT_EQ(0, bvdmeta::ParseInteger(u"--1"));
    EXPECT_EQ(2147483647, bvdmeta::ParseInteger(u"99999999999"));
    EXPECT_EQ(-2147483647 - 1, bvdmeta::ParseInteger(u"-99999999999"));
    EXPECT_DOUBLE_EQ(0.5, bvdmeta::ParseDecimal(u" 0.5kg"));
    EXPECT_DOUBLE_EQ(-1500.0, bvdmeta::ParseDecimal(u"-1.5e3"));
    EXPECT_DOUBLE_EQ(0.0, bvdmeta::ParseDecimal(u"x1"));
    EXPECT_DOUBLE_EQ(10.0, bvdmeta::ParseDecimal(u"10"));
    EXPECT_DOUBLE_EQ(0.0, bvdmeta::ParseDecimal(u"+-1"));
    EXPECT_EQ(HUGE_VAL, bvdmeta::ParseDecimal(u"1e999"));
    EXPECT_DOUBLE_EQ(0.0, bvdmeta::ParseDecimal(u"1e-999"));
}

// The order of the document calls for one variable and its categories: the
// variable enters the document before any of its properties is set, each
// element enters its variable before its name, label and settings.
TEST_F(MappingTest, CallOrder)
{
    ASSERT_EQ(S_OK, FillText(Definition(Var("single", "<name>Q</name><label>L</label>"
                                                      "<values><value code=\"1\">a</value></values>"))));
    const std::string log = Log();
    const std::string expected = "Create.Variable\n"
                                 "Document#1.AddVariable Variable#2 -1\n"
                                 "Variable#2.put_DataType 3\n"
                                 "Variable#2.put_Name Q\n"
                                 "Variable#2.put_Label L\n"
                                 "Create.Element\n"
                                 "Variable#2.AddElement Element#1 -1\n"
                                 "Element#1.put_Name Q_a_1\n"
                                 "Element#1.put_Label a\n"
                                 "Element#1.put_Type 0\n"
                                 "Element#1.put_Flag 0\n"
                                 "Variable#2.put_DataType 3\n"
                                 "Variable#2.get_DataType\n"
                                 "Variable#2.put_LowerBound I4:1\n"
                                 "Variable#2.put_UpperBound I4:1\n";
    const size_t at = log.find("Create.Variable\nDocument#1.AddVariable Variable#2");
    ASSERT_NE(std::string::npos, at) << log;
    EXPECT_EQ(expected, log.substr(at));
}

TEST_F(MappingTest, ElementThatCannotBeCreatedEndsTheCall)
{
    FailCall(u"Create.Element", 2);
    const std::string path = WriteFile("survey.xml", Definition(Var("single", "<name>Q</name><values>"
                                                                              "<value code=\"1\">a</value>"
                                                                              "<value code=\"2\">b</value>"
                                                                              "<value code=\"3\">c</value></values>") +
                                                                Var("logical", "<name>After</name>")));
    EXPECT_EQ(E_FAIL, Fill(path));
    const std::vector<VariableInfo> vars = Variables();
    ASSERT_EQ(2u, vars.size());  // the next variable is never reached
    EXPECT_EQ("Q", vars[1].name);
    ASSERT_EQ(1u, vars[1].categories.size());
    EXPECT_EQ("Q_a_1", vars[1].categories[0].name);
    EXPECT_EQ("VT:0", vars[1].lower);  // bounds never set
    EXPECT_EQ("VT:0", vars[1].upper);
}

TEST_F(MappingTest, ElementClassNotRegistered)
{
    Unregister(CLSID_LodexElement);
    EXPECT_EQ(E_FAIL, FillText(Definition(Var("single", "<name>Q</name><values><value code=\"1\">a</value></values>"))));
    const std::vector<VariableInfo> vars = Variables();
    ASSERT_EQ(2u, vars.size());
    EXPECT_TRUE(vars[1].categories.empty());
    // A non-categorical variable needs no element.
    document_ = NewDocument();
    EXPECT_EQ(S_OK, FillText(Definition(Var("logical", "<name>L</name><values><value code=\"1\">y</value></values>"))));
}

// A failing call while one value element is handled ends that element only;
// the element added already stays, and the next value is handled.
TEST_F(MappingTest, FailureInsideOneValueElement)
{
    const std::string body = "<name>Q</name><values><value code=\"1\">a</value><value code=\"2\">b</value>"
                             "<value code=\"3\">c</value></values>";
    const struct {
        const char16_t* operation;
        std::vector<std::string> names;  // of the categories afterwards
    } cases[] = {
        {u"Element.put_Name", {"", "Q_b_2", "Q_c_3"}},
        {u"Element.put_Label", {"Q_a_1", "Q_b_2", "Q_c_3"}},
        {u"Element.put_Flag", {"Q_a_1", "Q_b_2", "Q_c_3"}},
        {u"Variable.AddElement", {"Q_b_2", "Q_c_3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.operation));
        control_->Reset();
        document_ = NewDocument();
        FailCall(c.operation, 1);
        ASSERT_EQ(S_OK, FillText(Definition(Var("multiple", body))));
        const std::vector<VariableInfo> vars = Variables();
        ASSERT_EQ(2u, vars.size());
        std::vector<std::string> names;
        for (const CategoryInfo& cat : vars[1].categories) names.push_back(cat.name);
        EXPECT_EQ(c.names, names);
        EXPECT_EQ("I4:3", vars[1].upper);
    }
}

// A value whose handling ended early has widened the bounds but does not
// count as seen: a "single" variable whose only value failed gets 1 and its
// code, by the rule for variables without bounds.
TEST_F(MappingTest, FailedValueLeavesBoundsSeenUnset)
{
    FailCall(u"Element.put_Name", 1);
    ASSERT_EQ(S_OK, FillText(Definition(Var("single", "<name>Q</name><values><value code=\"4\">a</value></values>"))));
    const std::vector<VariableInfo> vars = Variables();
    ASSERT_EQ(2u, vars.size());
    EXPECT_EQ("I4:1", vars[1].lower);
    EXPECT_EQ("I4:4", vars[1].upper);  // single: the rule for unseen bounds applies
}

TEST_F(MappingTest, UnguardedFailuresEndTheCallWithTheirResult)
{
    const char16_t* operations[] = {u"Variable.put_Label", u"Variable.put_DataType", u"Variable.get_DataType",
                                    u"Variable.put_UpperBound", u"Document.AddVariable"};
    for (const char16_t* op : operations) {
        SCOPED_TRACE(Utf16ToUtf8(op));
        control_->Reset();
        document_ = NewDocument();
        FailCall(op, 2, E_ACCESSDENIED);  // the serial variable's calls come first
        EXPECT_EQ(E_ACCESSDENIED,
                  FillText(Definition(Var("single", "<name>Q</name><label>L</label>") + Var("logical", "<name>R</name>"))));
    }
}

TEST_F(MappingTest, VariableWithoutTypeFailsWithTheConversionResult)
{
    EXPECT_EQ(DISP_E_TYPEMISMATCH, FillText(Definition("<variable><name>Q</name></variable>\n" + Var("logical", "<name>R</name>"))));
    const std::vector<VariableInfo> vars = Variables();
    ASSERT_EQ(2u, vars.size());  // the variable entered the document, without properties
    EXPECT_EQ("", vars[1].name);
}

}  // namespace
