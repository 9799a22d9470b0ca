// From the document to its record element, and the data file's name.
#include <gtest/gtest.h>

#include "formats_support.h"

using bvdformats::ReaderDataFilePath;
using bvdformats::SurveyRecord;
using formatstest::FindRecord;
using formatstest::U8;

TEST(SurveyRecord, WayDownToTheRecord)
{
    struct Case {
        const char* xml;
        SurveyRecord::Outcome outcome;
        const char* rootName;
    } cases[] = {
        {"<bvd><survey><record/></survey></bvd>", SurveyRecord::Outcome::Found, "bvd"},
        {"<BVD><!-- c --><?pi x?><Survey><x:RECORD xmlns:x=\"u\"/></Survey></BVD>", SurveyRecord::Outcome::Found,
         "BVD"},
        {"<bvd><date>d</date><survey><other/><record ident=\"1\"/><record ident=\"2\"/></survey></bvd>",
         SurveyRecord::Outcome::Found, "bvd"},
        {"<survey><record/></survey>", SurveyRecord::Outcome::RootNotBvd, "survey"},
        {"<bvd><record/></bvd>", SurveyRecord::Outcome::NoSurvey, "bvd"},
        {"<bvd><survey><!-- only a comment --></survey></bvd>", SurveyRecord::Outcome::NoRecord, "bvd"},
        {"<bvd><survey/><survey><record/></survey></bvd>", SurveyRecord::Outcome::NoRecord, "bvd"},
    };
    for (const Case& c : cases) {
        const SurveyRecord found = FindRecord(c.xml);
        EXPECT_EQ(found.outcome, c.outcome) << c.xml;
        EXPECT_EQ(U8(found.rootName), c.rootName) << c.xml;
        EXPECT_EQ(static_cast<bool>(found.record), c.outcome == SurveyRecord::Outcome::Found) << c.xml;
    }
    // The first record is the one taken.
    const SurveyRecord first = FindRecord("<bvd><survey><record ident=\"1\"/><record ident=\"2\"/></survey></bvd>");
    ASSERT_TRUE(first.record);
    Variant ident;
    ASSERT_EQ(first.record->getAttribute(BStr(u"ident").get(), ident.put()), S_OK);
    EXPECT_EQ(std::u16string(ident.bstrVal, SysStringLen(ident.bstrVal)), u"1");
}

TEST(SurveyRecord, DataFilePath)
{
    EXPECT_EQ(ReaderDataFilePath("/data/s.xml"), "/data/s.asc");
    EXPECT_EQ(ReaderDataFilePath("/data/s.v2.xml"), "/data/s.v2.asc");
    EXPECT_EQ(ReaderDataFilePath("/data/wave.2/data"), "/data/wave.asc");
    EXPECT_EQ(ReaderDataFilePath("/data/s"), "/data/s.asc");
    EXPECT_EQ(ReaderDataFilePath("s.xml."), "s.xml.asc");
}
