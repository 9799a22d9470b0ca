// The DOMDocument class and its parse error object.
#include <utility>

#include "platform/builtin.h"
#include "platform/dom_tree.h"

namespace dom {

namespace {

// The outcome of one load, as parseError reports it. A fresh object per load,
// so an error object held from an earlier load keeps its own report.
class DomParseError final : public ComObject<IXMLDOMParseError> {
public:
    DomParseError(LoadFailure failure, std::string url) noexcept : failure_(std::move(failure)), url_(std::move(url)) {}

    HRESULT get_errorCode(LONG* code) override { return ReturnLong(failure_.code, code); }
    HRESULT get_url(BSTR* url) override { return ReturnText(url_, url); }
    HRESULT get_reason(BSTR* reason) override { return ReturnText(failure_.reason, reason); }
    HRESULT get_srcText(BSTR* text) override { return ReturnText(failure_.srcText, text); }
    HRESULT get_line(LONG* line) override { return ReturnLong(failure_.line, line); }
    HRESULT get_linepos(LONG* column) override { return ReturnLong(failure_.column, column); }

private:
    static HRESULT ReturnLong(LONG value, LONG* out)
    {
        if (!out) return E_POINTER;
        *out = value;
        return S_OK;
    }

    LoadFailure failure_;
    std::string url_;
};

// The path of load's argument: a string, or a reference to one (also through a
// VARIANT reference, as script callers pass it). Null when it is neither.
const BSTR* PathOf(const VARIANT& source)
{
    switch (source.vt) {
    case VT_BSTR: return &source.bstrVal;
    case VT_BSTR | VT_BYREF: return source.pbstrVal;
    case VT_VARIANT | VT_BYREF:
        if (source.pvarVal && source.pvarVal->vt == VT_BSTR) return &source.pvarVal->bstrVal;
        return nullptr;
    default: return nullptr;
    }
}

class DomDocument final : public NodeBase<IXMLDOMDocument> {
public:
    explicit DomDocument(ComPtr<XmlTree> empty, ComPtr<IXMLDOMParseError> noError) noexcept
        : NodeBase(empty, empty->root()), parseError_(std::move(noError))
    {
    }

    HRESULT get_documentElement(IXMLDOMElement** root) override { return node::DocumentElement(tree_, root); }

    HRESULT get_parseError(IXMLDOMParseError** error) override { return parseError_.CopyTo(error); }

    HRESULT get_resolveExternals(VARIANT_BOOL* resolve) override
    {
        if (!resolve) return E_POINTER;
        *resolve = resolveExternals_;
        return S_OK;
    }

    // Kept for the caller to read back; external resources are refused
    // whatever it says (dom_parse.cpp).
    HRESULT put_resolveExternals(VARIANT_BOOL resolve) override
    {
        resolveExternals_ = resolve ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT load(VARIANT source, VARIANT_BOOL* ok) override
    {
        if (!ok) return E_POINTER;
        *ok = VARIANT_FALSE;
        const BSTR* path = PathOf(source);
        if (!path) return E_INVALIDARG;
        return Guarded([&] {
            const std::string url = Utf16ToUtf8(std::u16string_view(*path, SysStringLen(*path)));
            LoadOutcome outcome = LoadXmlFile(url);
            // As the original, a load first discards the current tree, so a
            // failed load leaves the document empty.
            const bool loaded = static_cast<bool>(outcome.tree);
            ComPtr<XmlTree> tree = loaded ? std::move(outcome.tree) : EmptyTree();
            auto error = MakeCom<DomParseError>(std::move(outcome.failure), url);
            tree_ = std::move(tree);
            node_ = tree_->root();
            parseError_ = ComPtr<IXMLDOMParseError>(error.get());
            *ok = loaded ? VARIANT_TRUE : VARIANT_FALSE;
            return loaded ? S_OK : S_FALSE;
        });
    }

private:
    ComPtr<IXMLDOMParseError> parseError_;
    VARIANT_BOOL resolveExternals_ = VARIANT_TRUE;  // the original's default
};

const BuiltinClass kDomDocumentClass(CLSID_DOMDocument, &CreateDOMDocumentInstance);

}  // namespace

}  // namespace dom

HRESULT CreateDOMDocumentInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return dom::Guarded([&] {
        auto noError = MakeCom<dom::DomParseError>(dom::LoadFailure{}, std::string());
        auto doc = MakeCom<dom::DomDocument>(dom::EmptyTree(), ComPtr<IXMLDOMParseError>(noError.get()));
        return doc->QueryInterface(riid, ppv);
    });
}
