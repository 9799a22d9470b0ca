#pragma once
// Helpers of the formats suites: definition fixtures written into a temporary
// folder and loaded through the DOM, and UTF-8 views for failure messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "formats/reader_schema.h"
#include "formats/survey.h"
#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/dom.h"
#include "platform/variant.h"

namespace formatstest {

inline std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

// A folder of its own under the system's temporary folder, removed with
// everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bvdformats-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::string file = (path_ / name).string();
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        return file;
    }

private:
    std::filesystem::path path_;
};

inline ComPtr<IXMLDOMDocument> LoadDocument(const std::string& path)
{
    ComPtr<IXMLDOMDocument> doc;
    EXPECT_EQ(CreateDOMDocumentInstance(nullptr, IID_IXMLDOMDocument, doc.put_void()), S_OK);
    BStr text = BStr::FromUtf8(path);
    VARIANT source{};
    source.vt = VT_BSTR;
    source.bstrVal = text.get();
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(doc->load(source, &ok), S_OK) << path;
    EXPECT_EQ(ok, VARIANT_TRUE) << path;
    return doc;
}

// The document `xml` (UTF-8), loaded and searched for its record element.
inline bvdformats::SurveyRecord FindRecord(const std::string& xml)
{
    TempDir dir;
    const ComPtr<IXMLDOMDocument> doc = LoadDocument(dir.Write("s.xml", xml));
    return bvdformats::FindSurveyRecord(doc.get());
}

// A whole definition around the given variable elements.
inline std::string Definition(const std::string& variables)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<bvd version=\"1.1\"><survey><record ident=\"A\">\n" + variables +
           "\n</record></survey></bvd>\n";
}

// The reader's schema of the given variable elements; the test fails when the
// record element is not found.
inline bvdformats::ReaderSchema Schema(const std::string& variables)
{
    const bvdformats::SurveyRecord found = FindRecord(Definition(variables));
    EXPECT_EQ(found.outcome, bvdformats::SurveyRecord::Outcome::Found);
    if (!found.record) throw std::runtime_error("no record element");
    return bvdformats::BuildReaderSchema(found.record.get());
}

}  // namespace formatstest
