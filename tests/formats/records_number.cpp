// The C long conversion of attribute and field texts.
#include <gtest/gtest.h>

#include "formats/number.h"
#include "formats_support.h"

using bvdformats::ReadCLong;

TEST(ReadCLong, AsTheCConversionTo32Bits)
{
    struct Case {
        const char* text;
        LONG value;
    } cases[] = {
        {"7", 7},          {" 7", 7},       {"\t\n\v\f\r 7", 7}, {"7a", 7},
        {"abc", 0},        {"", 0},         {"-", 0},            {"+12", 12},
        {"-12", -12},      {"- 1", 0},      {"+-1", 0},          {"007", 7},
        {"2.5", 2},        {"2147483647", 2147483647},           {"2147483648", 2147483647},
        {"-2147483648", -2147483647 - 1},   {"-2147483649", -2147483647 - 1},
        {"99999999999999999999999", 2147483647},                 {"-99999999999999999999999", -2147483647 - 1},
        {"\xA0" "5", 0},   // a non-breaking space is not white space
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadCLong(std::string_view(c.text)), c.value) << c.text;
        std::u16string wide;
        for (const char* p = c.text; *p; ++p) wide += static_cast<char16_t>(static_cast<unsigned char>(*p));
        EXPECT_EQ(ReadCLong(std::u16string_view(wide)), c.value) << c.text;
    }
}
