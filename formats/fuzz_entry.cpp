#include "formats/fuzz_entry.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "formats/byte_source.h"
#include "formats/field.h"
#include "formats/line_reader.h"
#include "formats/names.h"
#include "formats/reader_schema.h"
#include "formats/survey.h"
#include "platform/bstr.h"
#include "platform/variant.h"

namespace bvdformats {
namespace {

struct FuzzColumn {
    ReaderKind kind;
    LONG offset;
    LONG width;
};

// Removes the temporary file when the call ends.
struct RemoveFile {
    std::string path;
    ~RemoveFile() { std::remove(path.c_str()); }
};

}  // namespace

long FuzzRecordCutter(const uint8_t* data, size_t size)
{
    constexpr size_t kHeader = 14;
    const size_t header = size < kHeader ? size : kHeader;
    FuzzColumn columns[7];
    for (int k = 0; k < 7; ++k) {
        const size_t at = static_cast<size_t>(2 * k);
        columns[k] = {static_cast<ReaderKind>(k + 1), at < header ? data[at] % 32 : 0,
                      at + 1 < header ? data[at + 1] % 16 + 1 : 1};
    }
    CodeTable codes;
    for (LONG code = 1; code <= 8; ++code) codes.Add(code, 100 + code);

    MemoryByteSource source(std::string_view(reinterpret_cast<const char*>(data) + header, size - header));
    LineReader reader(source);
    std::u16string text;
    std::string_view line;
    long records = 0;
    while (reader.Next(line) == LineReader::Status::Line) {
        ++records;
        for (const FuzzColumn& column : columns) {
            const std::string_view field = CutField(line, column.offset, column.width);
            ReaderFieldText(column.kind, field, records % 2 == 0, &codes, static_cast<LONG>(records), text);
        }
    }
    return records;
}

long FuzzDefinitionLoader(const uint8_t* data, size_t size)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) return -1;
    std::string pattern = (folder / "bvdformats-fuzz-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return -1;
    const RemoveFile removal{pattern};
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    close(fd);
    if (written != size) return -1;

    ComPtr<IXMLDOMDocument> document;
    if (FAILED(CreateDOMDocumentInstance(nullptr, IID_IXMLDOMDocument, document.put_void()))) return -1;
    const BStr path = BStr::FromUtf8(pattern);
    VARIANT source{};
    source.vt = VT_BSTR;
    source.bstrVal = path.get();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (document->load(source, &loaded) != S_OK || loaded != VARIANT_TRUE) return -1;
    const SurveyRecord found = FindSurveyRecord(document.get());
    if (found.outcome != SurveyRecord::Outcome::Found) return -1;
    try {
        const ReaderSchema schema = BuildReaderSchema(found.record.get());
        if (FindReaderNameCollision(schema.variables) != kNoCollision) return -1;
        return static_cast<long>(schema.variables.size());
    } catch (const DefinitionError&) {
        return -1;
    }
}

}  // namespace bvdformats
