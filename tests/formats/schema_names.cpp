// Column names: rewriting and collisions.
#include <gtest/gtest.h>

#include "formats/names.h"
#include "formats_support.h"

using bvdformats::FindReaderNameCollision;
using bvdformats::kNoCollision;
using bvdformats::ReaderColumnName;
using bvdformats::ReaderNamesEqual;
using formatstest::U8;

TEST(ReaderNames, Rewriting)
{
    struct Case {
        std::u16string raw;
        std::u16string column;
    } cases[] = {
        {u"Q 1/a", u"Q_1_a"},
        {u"Q.1", u"Q_1"},
        {u"_ok_09", u"_ok_09"},
        {u"1st", u"1st"},  // no "_" put in front, unlike the metadata plug-in
        {u"a-b+c", u"a_b_c"},
        {u"caf\u00E9", u"caf\u00E9"},           // Latin-1 letters stay
        {u"\u00AA\u00B5\u00BA\u00FF", u"\u00AA\u00B5\u00BA\u00FF"},
        {u"a\u00D7b\u00F7c", u"a_b_c"},          // multiplication and division signs
        {u"x\u00B2", u"x_"},                     // superscript digits are not digits
        {u"\u0160", u"_"},                       // Windows-1252 letter at 0x8A
        {u"\u4E2D\u6587", u"__"},                // outside the code page
        {u"a\U0001F600b", u"a_b"},               // one character, one "_"
        {u"\xD800x", u"_x"},                     // a lone surrogate
    };
    for (const Case& c : cases) EXPECT_EQ(U8(ReaderColumnName(c.raw)), U8(c.column)) << U8(c.raw);
}

TEST(ReaderNames, EqualityFoldsAsciiLettersOnly)
{
    EXPECT_TRUE(ReaderNamesEqual(u"Q_1", u"q_1"));
    EXPECT_TRUE(ReaderNamesEqual(u"DSCSERIAL", u"dscserial"));
    EXPECT_FALSE(ReaderNamesEqual(u"\u00C9", u"\u00E9"));
    EXPECT_FALSE(ReaderNamesEqual(u"ab", u"abc"));
}

TEST(ReaderNames, CollisionsAfterRewriting)
{
    struct Case {
        std::string variables;
        size_t collision;
    } cases[] = {
        {"<variable type=\"single\"><name>Q.1</name><position start=\"1\"/></variable>"
         "<variable type=\"single\"><name>q_1</name><position start=\"2\"/></variable>",
         1},
        {"<variable type=\"single\"><name>A</name><position start=\"1\"/></variable>"
         "<variable type=\"logical\"><name>DscSerial</name><position start=\"2\"/></variable>",
         1},
        {"<variable type=\"single\"><name>A</name><position start=\"1\"/></variable>"
         "<variable type=\"single\"><name>B</name><position start=\"2\"/></variable>",
         kNoCollision},
        // A variable passed over does not collide.
        {"<variable type=\"single\"><name>A</name><position start=\"1\"/></variable>"
         "<variable type=\"single\"><name>a</name></variable>",
         kNoCollision},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindReaderNameCollision(formatstest::Schema(c.variables).variables), c.collision) << c.variables;
}

TEST(ReaderNames, LatinOneDefinitionKeepsItsLetters)
{
    // An ISO-8859-1 file as the writer declares it: "Réponse n°1".
    const std::string xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<bvd><survey><record>"
                            "<variable type=\"single\"><name>R\xE9ponse n\xB0" "1</name><position start=\"1\"/></variable>"
                            "</record></survey></bvd>";
    const bvdformats::SurveyRecord found = formatstest::FindRecord(xml);
    ASSERT_TRUE(found.record);
    const bvdformats::ReaderSchema s = bvdformats::BuildReaderSchema(found.record.get());
    ASSERT_EQ(s.variables.size(), 1u);
    EXPECT_EQ(s.variables[0].rawName, u"R\u00E9ponse n\u00B01");
    EXPECT_EQ(s.variables[0].columnName, u"R\u00E9ponse_n_1");
}
