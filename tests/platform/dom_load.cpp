// Loading: encodings of real files, parse errors with reason and source text,
// unreadable paths, non-ASCII paths, and the refusal of every external
// resource (external DTD, external entities, entity expansion bombs).
#include <fstream>
#include <sstream>
#include <thread>

#include "dom_helpers.h"

using namespace domtest;

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Utf16Le(std::u16string_view text, bool bom)
{
    std::string bytes = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

}  // namespace

TEST(DomLoad, EncodingsOfRealFilesGiveTheExactText)
{
    struct Case {
        const char* file;
        std::u16string name;
    };
    const Case cases[] = {
        {"utf8.xml", u"Zo\u00EB \u20AC \u65E5\u672C"},
        {"utf16le.xml", u"Zo\u00EB \u20AC \u65E5\u672C"},
        {"utf16be.xml", u"Zo\u00EB \u20AC \u65E5\u672C"},
        {"latin1.xml", u"caf\u00E9 \u00FC\u00A9\u00FF"},             // bytes E9 FC A9 FF
        {"cp1252.xml", u"\u20AC \u201Cq\u201D \u0153"},              // bytes 80 93 94 9C
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto doc = LoadFixture(c.file);
        auto root = Root(doc.get());
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(BaseName(root.get()), "bvd");
        auto name = ChildElement(root.get(), "name");
        ASSERT_NE(name, nullptr);
        const std::u16string text = Text(name.get());
        EXPECT_TRUE(text == c.name) << "got \"" << U8(text) << "\", expected \"" << U8(c.name) << "\"";
        EXPECT_EQ(Children(root.get()).size(), 1u);
    }
}

TEST(DomLoad, NotWellFormedFileReportsReasonLineAndSourceText)
{
    auto doc = NewDocument();
    testing::internal::CaptureStderr();
    const LoadResult r = LoadPath(doc.get(), DataPath("malformed.xml"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the parser's reports go to parseError only
    EXPECT_EQ(r.hr, S_FALSE);
    EXPECT_EQ(r.ok, VARIANT_FALSE);
    const ErrorReport e = ParseErrorOf(doc.get());
    EXPECT_NE(e.code, 0);
    EXPECT_NE(e.reason.find("mismatch"), std::string::npos) << e.reason;
    EXPECT_EQ(e.line, 4);
    EXPECT_EQ(U8(e.srcText), "\t\t<record ident=\"A\"></survey>");
}

TEST(DomLoad, ParseErrorsOfWrittenFiles)
{
    // Each case is written to a file; the source text is the offending line,
    // decoded from the file's encoding.
    struct Case {
        const char* what;
        std::string bytes;
        LONG line;
        std::u16string srcText;
    };
    const Case cases[] = {
        {"unclosed root", "<bvd>\n<survey/>\n", 3, u""},
        {"undeclared prefix (rejected as the original does)", "<bvd>\n  <y:survey/>\n</bvd>\n", 2, u"  <y:survey/>"},
        {"undefined entity", "<bvd>\n<name>&nope;</name>\n</bvd>\n", 2, u"<name>&nope;</name>"},
        {"UTF-16 file", Utf16Le(u"<bvd>\n<na\u00EFve></bvd>\n", true), 2, u"<na\u00EFve></bvd>"},
        {"ISO-8859-1 file", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<bvd>\n<caf\xE9></bvd>\n", 3,
         u"<caf\u00E9></bvd>"},
        {"CRLF line ends, as the writer leaves them on disk", "<bvd>\r\n\t<a></b>\r\n</bvd>\r\n", 2, u"\t<a></b>"},
        {"empty file", "", 1, u""},
    };
    TempDir dir("errors");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.Write("case.xml", c.bytes);
        auto doc = NewDocument();
        const LoadResult r = LoadPath(doc.get(), path);
        EXPECT_EQ(r.hr, S_FALSE);
        EXPECT_EQ(r.ok, VARIANT_FALSE);
        const ErrorReport e = ParseErrorOf(doc.get());
        EXPECT_NE(e.code, 0);
        EXPECT_FALSE(e.reason.empty());
        EXPECT_EQ(e.line, c.line) << e.reason;
        EXPECT_TRUE(e.srcText == c.srcText) << "srcText \"" << U8(e.srcText) << "\" for: " << e.reason;
    }
}

TEST(DomLoad, UnreadablePathsFailWithAClearReasonAndNoSourceText)
{
    TempDir dir("unreadable");
    struct Case {
        const char* what;
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {"missing file", DataPath("no-such-file.xml"), "The system cannot locate the object specified."},
        {"missing folder", DataPath("no-such-folder/definition.xml"), "The system cannot locate the object specified."},
        {"empty path", "", "The system cannot locate the object specified."},
        {"a folder", dir.path().string(), "Access is denied."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = NewDocument();
        const LoadResult r = LoadPath(doc.get(), c.path);
        EXPECT_EQ(r.hr, S_FALSE);
        EXPECT_EQ(r.ok, VARIANT_FALSE);
        const ErrorReport e = ParseErrorOf(doc.get());
        EXPECT_NE(e.code, 0);
        EXPECT_EQ(e.reason, c.reason);
        EXPECT_TRUE(e.srcText.empty());
    }
}

TEST(DomLoad, NonAsciiPathIsHandedOverAsUtf8)
{
    TempDir dir("dom-t\u00EBst-\u65E5\u672C");
    const std::string path = dir.Write("d\u00E9finition.xml", ReadBytes(DataPath("definition.xml")));
    auto doc = NewDocument();
    const LoadResult r = LoadPath(doc.get(), path);
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.ok, VARIANT_TRUE);
    EXPECT_EQ(BaseName(Root(doc.get()).get()), "BVD");

    ComPtr<IXMLDOMParseError> error;
    ASSERT_EQ(doc->get_parseError(error.put()), S_OK);
    BStr url;
    EXPECT_EQ(error->get_url(url.put()), S_OK);
    EXPECT_EQ(url.ToUtf8(), path);
}

TEST(DomLoad, ConcurrentLoadsKeepTheirOwnErrors)
{
    // The parser's error handler is per thread: loads on several threads at
    // once each see their own outcome.
    constexpr int kThreads = 4;
    constexpr int kRounds = 20;
    std::vector<std::string> mismatches(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches] {
            for (int i = 0; i < kRounds; ++i) {
                const bool good = (i + t) % 2 == 0;
                ComPtr<IXMLDOMDocument> doc;
                CreateDOMDocumentInstance(nullptr, IID_IXMLDOMDocument, doc.put_void());
                BStr path = BStr::FromUtf8(DataPath(good ? "definition.xml" : "malformed.xml"));
                VARIANT source{};
                source.vt = VT_BSTR;
                source.bstrVal = path.get();
                VARIANT_BOOL ok = 7;
                doc->load(source, &ok);
                ComPtr<IXMLDOMParseError> error;
                doc->get_parseError(error.put());
                LONG line = -1;
                error->get_line(&line);
                if ((ok == VARIANT_TRUE) != good || line != (good ? 0 : 4))
                    mismatches[static_cast<size_t>(t)] += " round " + std::to_string(i);
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[static_cast<size_t>(t)], "") << "thread " << t;
}

TEST(DomSecurity, ExternalDtdIsNeverRequested)
{
    const unsigned long before = DomExternalLoadRequests();
    for (VARIANT_BOOL resolve : {VARIANT_TRUE, VARIANT_FALSE}) {
        auto doc = NewDocument();
        EXPECT_EQ(doc->put_resolveExternals(resolve), S_OK);
        const LoadResult r = LoadPath(doc.get(), DataPath("external_dtd.xml"));
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.ok, VARIANT_TRUE);
        auto root = Root(doc.get());
        ASSERT_NE(root, nullptr);
        EXPECT_NE(ChildElement(root.get(), "survey"), nullptr);
    }
    EXPECT_EQ(DomExternalLoadRequests(), before);
}

TEST(DomSecurity, ExternalEntitiesAreRefusedAndBringNothingIn)
{
    // Each file defines an entity whose text would come from a local file. The
    // request reaches the refusing loader (counted); the load either fails or
    // leaves the reference empty, but never shows the file's content.
    struct Case {
        const char* file;
        const char* secret;
    };
    const Case cases[] = {
        {"xxe_passwd.xml", "root:"},
        {"xxe_relative.xml", "TOP-SECRET"},
        {"xxe_parameter.xml", "TOP-SECRET"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const unsigned long before = DomExternalLoadRequests();
        auto doc = NewDocument();
        doc->put_resolveExternals(VARIANT_TRUE);
        const LoadResult r = LoadPath(doc.get(), DataPath(c.file));
        EXPECT_GT(DomExternalLoadRequests(), before);
        if (r.ok == VARIANT_TRUE) {
            EXPECT_EQ(r.hr, S_OK);
            auto name = ChildElement(Root(doc.get()).get(), "name");
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(U8(Text(name.get())).find(c.secret), std::string::npos);
        } else {
            EXPECT_EQ(r.hr, S_FALSE);
            const ErrorReport e = ParseErrorOf(doc.get());
            EXPECT_FALSE(e.reason.empty());
            EXPECT_EQ(e.reason.find(c.secret), std::string::npos);
            EXPECT_EQ(U8(e.srcText).find(c.secret), std::string::npos);
        }
    }
}

TEST(DomSecurity, EntityBombFailsTheLoad)
{
    // The fixture expands "ha" 10^9 times in element content; the same
    // entities in an attribute value, and a one-megabyte entity referenced 20
    // times (past the parser's bound on one text), must fail as well instead of
    // growing without bound.
    TempDir dir("bombs");
    std::string inAttribute = ReadBytes(DataPath("entity_bomb.xml"));
    const std::string content = "<bvd><name>&a9;</name></bvd>";
    inAttribute.replace(inAttribute.find(content), content.size(), "<bvd name=\"&a9;\"/>");
    std::string quadratic = "<!DOCTYPE bvd [<!ENTITY e \"" + std::string(1000000, 'x') + "\">]><bvd>";
    for (int i = 0; i < 20; ++i) quadratic += "&e;";
    quadratic += "</bvd>";

    const std::string paths[] = {DataPath("entity_bomb.xml"), dir.Write("attribute.xml", inAttribute),
                                 dir.Write("quadratic.xml", quadratic)};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        auto doc = NewDocument();
        const LoadResult r = LoadPath(doc.get(), path);
        EXPECT_EQ(r.hr, S_FALSE);
        EXPECT_EQ(r.ok, VARIANT_FALSE);
        const ErrorReport e = ParseErrorOf(doc.get());
        EXPECT_NE(e.code, 0);
        EXPECT_FALSE(e.reason.empty());
        ComPtr<IXMLDOMElement> root;
        EXPECT_EQ(doc->get_documentElement(root.put()), S_FALSE);
    }
}
