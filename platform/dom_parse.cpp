// Loading a file into a tree: reading its bytes, the parser's options, the
// refusal of every external resource, error capture and the removal of
// white-space-only text.
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/dom_tree.h"

namespace dom {

void XmlDocFree::operator()(_xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }
void XmlCharFree::operator()(unsigned char* text) const noexcept { xmlFree(text); }

namespace {

// A definition file is a few hundred kilobytes; anything near this is not one,
// and the bound keeps the read below what the parser can take in one buffer.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;

// Status codes of parseError's errorCode.
constexpr LONG kNotFound = hr_(0x800C0005);  // the original's "resource not found"
constexpr LONG kAccessDenied = E_ACCESSDENIED;
constexpr LONG kParseFailed = E_FAIL;

struct ParserCtxtFree {
    void operator()(xmlParserCtxt* ctxt) const noexcept { xmlFreeParserCtxt(ctxt); }
};
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtFree>;

struct FileClose {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileClose>;

std::atomic<unsigned long> g_externalRequests{0};

// The parser's only way to an external resource (external DTD subset,
// external entity, external parameter entity): always refused, and counted.
xmlParserInputPtr RefuseExternal(const char*, const char*, xmlParserCtxtPtr) noexcept
{
    g_externalRequests.fetch_add(1, std::memory_order_relaxed);
    return nullptr;
}

// Installed once for the process; the loader is global in libxml2.
void InstallExternalLoader()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(&RefuseExternal);
    });
}

// Every parse option of the DOM, in one place.
//  - NOENT: internal entities are substituted into the text. External ones
//    would be fetched through the entity loader, which refuses them all.
//  - NONET: no network access even if another loader were installed.
//  - BIG_LINES: true line numbers past 65535 in errors.
// Deliberately absent: DTDLOAD, DTDATTR, DTDVALID (no external DTD is read),
// HUGE (libxml2's limits on entity expansion and node sizes stay in force, so
// an entity bomb fails the load), XINCLUDE, RECOVER (a document that is not
// well-formed fails), NOBLANKS (white space is removed after the parse).
int ParseOptions()
{
    return XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_BIG_LINES;
}

// Namespace errors that the original rejects as not well-formed; libxml2
// reports them without stopping. Other namespace complaints (a namespace name
// that is not an absolute URI) are accepted, as the original does.
bool IsRejectedNamespaceError(int code)
{
    switch (code) {
    case XML_NS_ERR_UNDEFINED_NAMESPACE:
    case XML_NS_ERR_QNAME:
    case XML_NS_ERR_ATTRIBUTE_REDEFINED:
    case XML_NS_ERR_EMPTY:
    case XML_NS_ERR_COLON:
        return true;
    default:
        return false;
    }
}

// The line of the parser's current input around its position, as UTF-8 (the
// input buffer holds the text already converted from the file's encoding).
std::string CurrentLine(const xmlParserCtxt* ctxt)
{
    constexpr std::ptrdiff_t kMaxSide = 2048;
    const xmlParserInput* in = ctxt ? ctxt->input : nullptr;
    if (!in || !in->base || !in->cur || !in->end || in->cur < in->base || in->cur > in->end) return {};
    auto is_eol = [](xmlChar c) { return c == '\n' || c == '\r'; };
    const xmlChar* start = in->cur;
    while (start > in->base && !is_eol(start[-1]) && in->cur - start < kMaxSide) --start;
    const xmlChar* stop = in->cur;
    while (stop < in->end && !is_eol(*stop) && stop - in->cur < kMaxSide) ++stop;
    // Cut at character boundaries only.
    while (start < stop && (*start & 0xC0) == 0x80) ++start;
    while (stop > start && stop < in->end && (*stop & 0xC0) == 0x80) --stop;
    return std::string(reinterpret_cast<const char*>(start), static_cast<size_t>(stop - start));
}

// What the error handler collects during one parse: the first error that
// fails the load.
struct ErrorCapture {
    xmlParserCtxt* ctxt = nullptr;
    bool failed = false;
    LoadFailure failure;
};

void TrimTrailingSpace(std::string& s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
}

void OnStructuredError(void* data, xmlErrorPtr error) noexcept
{
    auto* capture = static_cast<ErrorCapture*>(data);
    if (!capture || !error || capture->failed) return;
    const bool fatal = error->level == XML_ERR_FATAL;
    const bool rejected = error->domain == XML_FROM_NAMESPACE && IsRejectedNamespaceError(error->code);
    if (!fatal && !rejected) return;
    capture->failed = true;
    LoadFailure& f = capture->failure;
    f.code = kParseFailed;
    f.line = error->line;
    f.column = error->int2;
    try {
        f.reason = error->message ? error->message : "The document is not well-formed.";
        TrimTrailingSpace(f.reason);
        f.srcText = CurrentLine(capture->ctxt);
    } catch (...) {
        // Out of memory while describing the error: the load still fails.
    }
}

void IgnoreGenericError(void*, const char*, ...) noexcept {}

// Routes libxml2's error reports to `capture` for the life of the scope, and
// keeps them off the standard error stream. The handlers are per thread in
// libxml2 2.9, so the previous ones are restored on the way out.
class ErrorHandlerScope {
public:
    explicit ErrorHandlerScope(ErrorCapture* capture) noexcept
        : oldStructured_(xmlStructuredError),
          oldStructuredData_(xmlStructuredErrorContext),
          oldGeneric_(xmlGenericError),
          oldGenericData_(xmlGenericErrorContext)
    {
        xmlSetStructuredErrorFunc(capture, &OnStructuredError);
        xmlSetGenericErrorFunc(nullptr, &IgnoreGenericError);
    }
    ~ErrorHandlerScope()
    {
        xmlSetStructuredErrorFunc(oldStructuredData_, oldStructured_);
        xmlSetGenericErrorFunc(oldGenericData_, oldGeneric_);
    }
    ErrorHandlerScope(const ErrorHandlerScope&) = delete;
    ErrorHandlerScope& operator=(const ErrorHandlerScope&) = delete;

private:
    xmlStructuredErrorFunc oldStructured_;
    void* oldStructuredData_;
    xmlGenericErrorFunc oldGeneric_;
    void* oldGenericData_;
};

LoadFailure IoFailure(int err)
{
    LoadFailure f;
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        f.code = kNotFound;
        f.reason = "The system cannot locate the object specified.";
        break;
    case EACCES:
    case EPERM:
    case EISDIR:  // the original cannot open a folder as a file either
        f.code = kAccessDenied;
        f.reason = "Access is denied.";
        break;
    case EFBIG:
        f.code = kParseFailed;
        f.reason = "The file is too large to be an XML document here.";
        break;
    default:
        f.code = kParseFailed;
        f.reason = std::string("The file cannot be read: ") + std::strerror(err) + ".";
        break;
    }
    return f;
}

// The whole file into `out`; 0 or an errno value.
int ReadWholeFile(const std::string& path, std::string& out)
{
    if (path.empty() || path.find('\0') != std::string::npos) return ENOENT;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return errno;
    struct stat st {};
    if (fstat(fileno(file.get()), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (S_ISREG(st.st_mode) && st.st_size > kMaxFileBytes) return EFBIG;
    char chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        out.append(chunk, got);
        if (static_cast<long>(out.size()) > kMaxFileBytes) return EFBIG;
        if (got < sizeof chunk) break;
    }
    if (std::ferror(file.get())) return EIO;
    return 0;
}

bool IsXmlSpace(xmlChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsBlank(const xmlChar* text)
{
    if (!text) return true;
    for (; *text; ++text)
        if (!IsXmlSpace(*text)) return false;
    return true;
}

// xml:space on an element: 1 "preserve", 0 "default", -1 not given.
int SpaceSetting(xmlNode* element)
{
    XmlCharPtr value(xmlGetNsProp(element, BAD_CAST "space", XML_XML_NAMESPACE));
    if (!value) return -1;
    if (xmlStrEqual(value.get(), BAD_CAST "preserve")) return 1;
    if (xmlStrEqual(value.get(), BAD_CAST "default")) return 0;
    return -1;
}

// The original drops text that is only white space unless xml:space="preserve"
// is in force; libxml2 keeps it. The depth is bounded by the parser's own
// nesting limit.
void DropBlankText(xmlNode* parent, bool preserve)
{
    for (xmlNode* n = parent->children; n;) {
        xmlNode* next = n->next;
        if (n->type == XML_TEXT_NODE && !preserve && IsBlank(n->content)) {
            xmlUnlinkNode(n);
            xmlFreeNode(n);
        } else if (n->type == XML_ELEMENT_NODE) {
            const int setting = SpaceSetting(n);
            DropBlankText(n, setting < 0 ? preserve : setting == 1);
        }
        n = next;
    }
}

LoadOutcome ParseBytes(const std::string& bytes, const std::string& path)
{
    LoadOutcome outcome;
    ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt) throw std::bad_alloc();
    ErrorCapture capture;
    capture.ctxt = ctxt.get();
    XmlDocPtr doc;
    {
        ErrorHandlerScope scope(&capture);
        doc.reset(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), path.c_str(), nullptr,
                                    ParseOptions()));
    }
    if (doc && !capture.failed && ctxt->wellFormed) {
        DropBlankText(reinterpret_cast<xmlNode*>(doc.get()), false);
        outcome.tree = MakeCom<XmlTree>(std::move(doc));
        return outcome;
    }
    outcome.failure = std::move(capture.failure);
    if (!capture.failed) {
        // The parser gave up without reporting a reason (out of memory).
        outcome.failure.code = kParseFailed;
        outcome.failure.reason = "The document could not be parsed.";
    }
    return outcome;
}

}  // namespace

LoadOutcome LoadXmlFile(const std::string& path)
{
    InstallExternalLoader();
    std::string bytes;
    if (const int err = ReadWholeFile(path, bytes); err != 0) {
        LoadOutcome outcome;
        outcome.failure = IoFailure(err);
        return outcome;
    }
    return ParseBytes(bytes, path);
}

ComPtr<XmlTree> EmptyTree()
{
    XmlDocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
    if (!doc) throw std::bad_alloc();
    return MakeCom<XmlTree>(std::move(doc));
}

}  // namespace dom

unsigned long DomExternalLoadRequests()
{
    return dom::g_externalRequests.load(std::memory_order_relaxed);
}
