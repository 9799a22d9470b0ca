// The fuzz entry points over a few inputs, odd ones included.
#include <gtest/gtest.h>

#include <string>

#include "formats/fuzz_entry.h"

namespace {

long Cut(const std::string& bytes)
{
    return bvdformats::FuzzRecordCutter(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

long Load(const std::string& bytes)
{
    return bvdformats::FuzzDefinitionLoader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

TEST(FuzzEntries, RecordCutter)
{
    EXPECT_EQ(Cut(""), 0);
    EXPECT_EQ(Cut("short"), 0);
    const std::string header("\x00\x03\x03\x07\x0a\x02\x0c\x04\x10\x01\x11\x05\x00\x00", 14);
    EXPECT_EQ(Cut(header + "007010110000012x\r\n\n\xff\xfe\r\rlast"), 3);
}

TEST(FuzzEntries, DefinitionLoader)
{
    EXPECT_EQ(Load(""), -1);
    EXPECT_EQ(Load("<bvd"), -1);
    EXPECT_EQ(Load("<bvd><survey><record/></survey></bvd>"), 0);
    EXPECT_EQ(Load("<bvd><survey><record><variable type=\"single\"><name>a</name><position start=\"1\"/></variable>"
                   "<variable type=\"single\"><name>A</name><position start=\"2\"/></variable></record></survey></bvd>"),
              -1);
    EXPECT_EQ(Load("<bvd><survey><record><variable type=\"logical\"><name>a</name><position start=\"1\"/>"
                   "</variable></record></survey></bvd>"),
              1);
    EXPECT_EQ(Load("<bvd><survey><record><variable/></record></survey></bvd>"), -1);
}
