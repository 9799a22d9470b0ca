#pragma once
// Helpers of the DOM tests: creating and loading documents, walking nodes and
// reading texts as UTF-8 for readable failure messages.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/dom.h"

namespace domtest {

inline std::string DataPath(const std::string& name) { return std::string(BVD_TEST_DATA_DIR) + "/dom/" + name; }

inline std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

// A VARIANT of the tests; only BSTRs are ever put in one here.
struct OutVariant : VARIANT {
    OutVariant() { vt = VT_EMPTY; bstrVal = nullptr; }
    ~OutVariant() { if (vt == VT_BSTR) SysFreeString(bstrVal); }
    OutVariant(const OutVariant&) = delete;
    OutVariant& operator=(const OutVariant&) = delete;
};

inline ComPtr<IXMLDOMDocument> NewDocument()
{
    ComPtr<IXMLDOMDocument> doc;
    EXPECT_EQ(CreateDOMDocumentInstance(nullptr, IID_IXMLDOMDocument, doc.put_void()), S_OK);
    return doc;
}

struct LoadResult {
    HRESULT hr;
    VARIANT_BOOL ok;
};

inline LoadResult LoadPath(IXMLDOMDocument* doc, const std::string& utf8Path)
{
    BStr path = BStr::FromUtf8(utf8Path);
    VARIANT source{};
    source.vt = VT_BSTR;
    source.bstrVal = path.get();
    LoadResult r{};
    r.ok = 7;  // must be overwritten
    r.hr = doc->load(source, &r.ok);
    return r;
}

// A new document loaded from the fixture `name`; fails the test when the load fails.
inline ComPtr<IXMLDOMDocument> LoadFixture(const std::string& name)
{
    auto doc = NewDocument();
    const LoadResult r = LoadPath(doc.get(), DataPath(name));
    EXPECT_EQ(r.hr, S_OK) << name;
    EXPECT_EQ(r.ok, VARIANT_TRUE) << name;
    return doc;
}

struct ErrorReport {
    LONG code = 0;
    std::string reason;
    std::u16string srcText;
    LONG line = 0;
};

inline ErrorReport ParseErrorOf(IXMLDOMDocument* doc)
{
    ErrorReport r;
    ComPtr<IXMLDOMParseError> error;
    EXPECT_EQ(doc->get_parseError(error.put()), S_OK);
    if (!error) return r;
    BStr reason, src;
    EXPECT_EQ(error->get_errorCode(&r.code), S_OK);
    EXPECT_EQ(error->get_reason(reason.put()), S_OK);
    EXPECT_EQ(error->get_srcText(src.put()), S_OK);
    EXPECT_EQ(error->get_line(&r.line), S_OK);
    r.reason = reason.ToUtf8();
    r.srcText = std::u16string(src.view());
    return r;
}

inline std::u16string Text(IXMLDOMNode* node)
{
    BStr text;
    EXPECT_EQ(node->get_text(text.put()), S_OK);
    return std::u16string(text.view());
}

inline std::string BaseName(IXMLDOMNode* node)
{
    BStr name;
    EXPECT_TRUE(SUCCEEDED(node->get_baseName(name.put())));
    return name.ToUtf8();
}

inline std::string NodeName(IXMLDOMNode* node)
{
    BStr name;
    EXPECT_EQ(node->get_nodeName(name.put()), S_OK);
    return name.ToUtf8();
}

inline DOMNodeType TypeOf(IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    EXPECT_EQ(node->get_nodeType(&type), S_OK);
    return type;
}

inline std::vector<ComPtr<IXMLDOMNode>> Children(IXMLDOMNode* node)
{
    std::vector<ComPtr<IXMLDOMNode>> out;
    ComPtr<IXMLDOMNodeList> list;
    EXPECT_EQ(node->get_childNodes(list.put()), S_OK);
    if (!list) return out;
    LONG n = -1;
    EXPECT_EQ(list->get_length(&n), S_OK);
    for (LONG i = 0; i < n; ++i) {
        ComPtr<IXMLDOMNode> item;
        EXPECT_EQ(list->get_item(i, item.put()), S_OK);
        out.push_back(item);
    }
    return out;
}

inline bool IsElement(IXMLDOMNode* node) { return QueryAs<IXMLDOMElement>(node) != nullptr; }

inline bool SameNoCase(std::string a, std::string b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The first element child whose local name is `name` (ASCII case ignored), as
// the plug-ins search.
inline ComPtr<IXMLDOMElement> ChildElement(IXMLDOMNode* node, const std::string& name)
{
    for (auto& child : Children(node)) {
        auto element = QueryAs<IXMLDOMElement>(child.get());
        if (element && SameNoCase(BaseName(child.get()), name)) return element;
    }
    return nullptr;
}

inline ComPtr<IXMLDOMElement> Root(IXMLDOMDocument* doc)
{
    ComPtr<IXMLDOMElement> root;
    EXPECT_EQ(doc->get_documentElement(root.put()), S_OK);
    return root;
}

// The attribute's text, or nullopt when getAttribute says it is absent.
inline std::optional<std::u16string> Attribute(IXMLDOMElement* element, std::u16string_view name)
{
    BStr bname(name);
    OutVariant value;
    const HRESULT hr = element->getAttribute(bname.get(), &value);
    if (value.vt == VT_NULL) {
        EXPECT_EQ(hr, S_FALSE);
        return std::nullopt;
    }
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    if (value.vt != VT_BSTR) return std::nullopt;
    return std::u16string(value.bstrVal, SysStringLen(value.bstrVal));
}

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
public:
    explicit TempDir(const std::string& leaf)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bvd-dom-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        base_ = pattern;
        path_ = base_ / leaf;
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to a file in the folder; returns its path as UTF-8.
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        return file.string();
    }

private:
    std::filesystem::path base_;
    std::filesystem::path path_;
};

}  // namespace domtest
