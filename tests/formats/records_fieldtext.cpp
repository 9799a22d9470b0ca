// Field texts by kind.
#include <gtest/gtest.h>

#include <string>

#include "formats/field.h"
#include "formats_support.h"

using bvdformats::CodeTable;
using bvdformats::ReaderFieldText;
using bvdformats::ReaderKind;
using formatstest::U8;

namespace {

CodeTable Table(std::initializer_list<std::pair<LONG, LONG>> pairs)
{
    CodeTable table;
    for (const auto& [code, number] : pairs) table.Add(code, number);
    return table;
}

}  // namespace

TEST(ReaderFieldText, ByKind)
{
    const CodeTable single = Table({{10, 8}, {20, 9}, {-5, 3}, {7, 2}});
    const CodeTable multiple = Table({{1, 4}, {2, 5}, {3, 6}, {4, 7}});
    const CodeTable partial = Table({{1, 4}, {2, 5}});
    const CodeTable huge = Table({{2147483647, 11}, {-2147483647 - 1, 12}});
    struct Case {
        ReaderKind kind;
        std::string field;
        bool categoryValues;
        const CodeTable* codes;
        std::u16string text;
    } cases[] = {
        // Single
        {ReaderKind::Single, "20", false, &single, u"9"},
        {ReaderKind::Single, "20", true, &single, u"20"},
        {ReaderKind::Single, "15", false, &single, u"15"},  // not a code: what remains
        {ReaderKind::Single, "007", false, &single, u"2"},
        {ReaderKind::Single, "007", true, &single, u"7"},
        {ReaderKind::Single, " 0 ", false, &single, u""},
        {ReaderKind::Single, "000", false, &single, u""},
        {ReaderKind::Single, "", false, &single, u""},
        {ReaderKind::Single, " -5", false, &single, u"3"},
        {ReaderKind::Single, "10x", false, &single, u"8"},       // the C conversion stops at x
        {ReaderKind::Single, "x10", false, &single, u"x10"},     // reads as 0, not a code
        {ReaderKind::Single, "07", false, nullptr, u"7"},        // no code table
        {ReaderKind::Single, "\xE9", false, &single, u"\u00E9"}, // bytes are ISO-8859-1 characters
        {ReaderKind::Single, "99999999999", false, &huge, u"11"},  // saturated, never wrapped
        {ReaderKind::Single, "-99999999999", false, &huge, u"12"},
        // Multiple
        {ReaderKind::Multiple, "0101", false, &multiple, u"{5,7}"},
        {ReaderKind::Multiple, "0101", true, &multiple, u"{2,4}"},
        {ReaderKind::Multiple, "0000", false, &multiple, u""},
        {ReaderKind::Multiple, "    ", true, &multiple, u""},
        {ReaderKind::Multiple, "0 1x", false, &multiple, u"{6}"},
        {ReaderKind::Multiple, "1011", false, &partial, u"{4}"},  // positions 3, 4 have no code
        {ReaderKind::Multiple, "1011", true, &partial, u"{1,3,4}"},
        {ReaderKind::Multiple, "11", false, nullptr, u""},
        // Quantities
        {ReaderKind::IntegerQuantity, "  -5", false, nullptr, u"-5"},
        {ReaderKind::IntegerQuantity, "    ", false, nullptr, u"0"},
        {ReaderKind::IntegerQuantity, "", false, nullptr, u"0"},
        {ReaderKind::IntegerQuantity, "0040", false, nullptr, u"40"},
        {ReaderKind::DecimalQuantity, "0.50", false, nullptr, u".50"},
        {ReaderKind::DecimalQuantity, "000", true, nullptr, u"0"},
        // Character
        {ReaderKind::Character, "ab  ", false, nullptr, u"ab  "},
        {ReaderKind::Character, "  ", false, nullptr, u"  "},
        {ReaderKind::Character, "", false, nullptr, u""},
        {ReaderKind::Character, "\xC4\xFF", false, nullptr, u"\u00C4\u00FF"},
        // Logical: blanks are the empty text, anything else as it stands
        {ReaderKind::Logical, "1", false, nullptr, u"1"},
        {ReaderKind::Logical, "0", false, nullptr, u"0"},
        {ReaderKind::Logical, " ", false, nullptr, u""},
        {ReaderKind::Logical, "  ", false, nullptr, u""},
        {ReaderKind::Logical, "", false, nullptr, u""},
        {ReaderKind::Logical, " 1", false, nullptr, u" 1"},
        {ReaderKind::Logical, "x", false, nullptr, u"x"},
    };
    std::u16string text = u"left over";  // the buffer is cleared on each call
    for (const Case& c : cases) {
        ReaderFieldText(c.kind, c.field, c.categoryValues, c.codes, 1, text);
        EXPECT_EQ(U8(text), U8(c.text)) << "kind " << static_cast<int>(c.kind) << " field \"" << c.field << "\" "
                                        << c.categoryValues;
    }
}

TEST(ReaderFieldText, SerialIsTheRecordNumber)
{
    std::u16string text;
    ReaderFieldText(ReaderKind::Serial, "", false, nullptr, 3, text);
    EXPECT_EQ(text, u"3");
    ReaderFieldText(ReaderKind::Serial, "12345", true, nullptr, 2147483647, text);
    EXPECT_EQ(text, u"2147483647");
}

TEST(ReaderFieldText, WideMultipleFieldWithManyCodes)
{
    // 12000 categories, every other one chosen, codes
    // added in descending order.
    CodeTable codes;
    std::string field;
    for (LONG k = 12000; k >= 1; --k) codes.Add(k, 100 + k);
    for (LONG k = 1; k <= 12000; ++k) field += (k % 2 == 0) ? '1' : '0';
    std::u16string text;
    ReaderFieldText(ReaderKind::Multiple, field, false, &codes, 1, text);
    std::string expected = "{";
    for (LONG k = 2; k <= 12000; k += 2) expected += (k == 2 ? "" : ",") + std::to_string(100 + k);
    expected += "}";
    EXPECT_EQ(U8(text), expected);
}
