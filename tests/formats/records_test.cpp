// Lines out of bytes, fields out of lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/byte_source.h"
#include "formats/field.h"
#include "formats/line_reader.h"
#include "formats_support.h"

using bvdformats::CutField;
using bvdformats::FileByteSource;
using bvdformats::LineReader;
using bvdformats::MemoryByteSource;

namespace {

// Every line of `bytes`, or a marker for a line that was too long.
std::vector<std::string> Lines(bvdformats::ByteSource& source, size_t maxLine = LineReader::kDefaultMaxLineBytes)
{
    LineReader reader(source, maxLine);
    std::vector<std::string> lines;
    std::string_view line;
    for (;;) {
        const LineReader::Status status = reader.Next(line);
        if (status == LineReader::Status::End) break;
        if (status == LineReader::Status::TooLong) {
            lines.push_back("<too long>");
            EXPECT_EQ(reader.Next(line), LineReader::Status::TooLong);  // and stays so
            break;
        }
        lines.emplace_back(line);
    }
    return lines;
}

std::vector<std::string> Lines(std::string_view bytes)
{
    MemoryByteSource source(bytes);
    return Lines(source);
}

using L = std::vector<std::string>;

}  // namespace

TEST(LineReader, LineEnds)
{
    struct Case {
        std::string bytes;
        L lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},           // last line without a line feed keeps all of it
        {"a\nb\r", {"a", "b\r"}},         // a final carriage return alone is a character
        {"a\rb\n", {"a\rb"}},             // a carriage return alone ends nothing
        {"a\r\r\n", {"a\r"}},             // one carriage return belongs to the end
        {"\n\r\n\n", {"", "", ""}},       // blank lines are records
        {std::string("x\0y\n\x1A", 5), {std::string("x\0y", 3), "\x1A"}},
        {"\xE9\xFF\n", {"\xE9\xFF"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Lines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

TEST(LineReader, LongLinesAcrossChunksAndTheBound)
{
    const std::string longLine(200000, 'x');
    const std::string bytes = "a\r\n" + longLine + "\r\n" + longLine + "y";
    EXPECT_EQ(Lines(bytes), (L{"a", longLine, longLine + "y"}));

    // A line feed that falls right after a chunk's last byte, a CR at the end
    // of a chunk.
    const std::string edge = std::string(64 * 1024 - 1, 'z') + "\r\nq\n";
    EXPECT_EQ(Lines(edge), (L{std::string(64 * 1024 - 1, 'z'), "q"}));

    MemoryByteSource bounded("ab\nabcdefgh\nc\n");
    EXPECT_EQ(Lines(bounded, 4), (L{"ab", "<too long>"}));
}

TEST(LineReader, RewindStartsOverAndFilesReadLikeMemory)
{
    formatstest::TempDir dir;
    const std::string path = dir.Write("s.asc", "1\r\n22\r\n333");
    const auto file = FileByteSource::Open(path);
    ASSERT_TRUE(file);
    LineReader reader(*file);
    std::string_view line;
    ASSERT_EQ(reader.Next(line), LineReader::Status::Line);
    EXPECT_EQ(line, "1");
    ASSERT_TRUE(reader.Rewind());
    std::vector<std::string> again;
    while (reader.Next(line) == LineReader::Status::Line) again.emplace_back(line);
    EXPECT_EQ(again, (L{"1", "22", "333"}));
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.Next(line), LineReader::Status::End);

    EXPECT_FALSE(FileByteSource::Open(path + ".missing"));
}

TEST(CutField, ThreeRules)
{
    struct Case {
        std::string_view line;
        LONG offset;
        LONG width;
        std::string_view field;
    } cases[] = {
        {"abcdefghijkl", 9, 5, "jkl"},     // ends inside the field
        {"abcdefghijkl", 12, 5, ""},       // starts right at the end
        {"abcdefghijkl", 13, 5, ""},       // starts past the end
        {"abcdefghijkl", 0, 3, "abc"},
        {"abcdefghijkl", 11, 1, "l"},
        {"", 0, 1, ""},
        {"abc", 1, 2147483647, "bc"},
        {"abc", -1, 2, ""},
        {"abc", 0, -1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CutField(c.line, c.offset, c.width), c.field) << c.line << " " << c.offset << " " << c.width;
}

TEST(LineReader, BoundCountsTheLineWithoutItsEnd)
{
    struct Case {
        std::string bytes;
        L lines;
    } cases[] = {
        {"abcd\r\nabcd\nabcd", {"abcd", "abcd", "abcd"}},
        {"abcde\n", {"<too long>"}},
        {"ab\nabcde", {"ab", "<too long>"}},
        {"ab\nabcd\r", {"ab", "<too long>"}},  // the last line keeps its carriage return
    };
    for (const Case& c : cases) {
        MemoryByteSource source(c.bytes);
        EXPECT_EQ(Lines(source, 4), c.lines) << testing::PrintToString(c.bytes);
    }
    // Past the bound across chunks, without any line feed in sight.
    const std::string endless(300 * 1024, 'x');
    MemoryByteSource source(endless);
    EXPECT_EQ(Lines(source, 100 * 1024), (L{"<too long>"}));
}

TEST(LineReader, ReadErrorEndsTheDataAndIsReported)
{
    // A folder opens as a stream on this platform, and its first read fails.
    formatstest::TempDir dir;
    const std::string file = dir.Write("x", "");
    const std::string folder = file.substr(0, file.size() - 2);
    const auto source = FileByteSource::Open(folder);
    if (!source) GTEST_SKIP() << "folders do not open as streams here";
    LineReader reader(*source);
    std::string_view line;
    EXPECT_EQ(reader.Next(line), LineReader::Status::End);
    EXPECT_TRUE(reader.failed());
}
