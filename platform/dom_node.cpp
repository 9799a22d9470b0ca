// Nodes, elements and node lists over a loaded tree. Every wrapper holds the
// tree, so a node handed out stays valid after its document is released.
#include <libxml/tree.h>

#include <vector>

#include "platform/dom_tree.h"

namespace dom {

namespace {

std::string_view View(const xmlChar* s)
{
    return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// Node kinds the DOM shows. Entity declarations, attribute declarations and
// XInclude markers stay hidden.
bool IsVisible(const xmlNode* n)
{
    switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE:
    case XML_DTD_NODE:
        return true;
    default:
        return false;
    }
}

// Whether the DOM shows children under this node at all: a document type's
// declarations and an entity reference's replacement are not child nodes here.
bool HasChildList(const xmlNode* n)
{
    return n->type == XML_ELEMENT_NODE || n->type == XML_DOCUMENT_NODE || n->type == XML_DOCUMENT_FRAG_NODE;
}

xmlNode* FirstVisible(xmlNode* n)
{
    while (n && !IsVisible(n)) n = n->next;
    return n;
}

xmlNode* LastVisible(xmlNode* n)
{
    while (n && !IsVisible(n)) n = n->prev;
    return n;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsXmlSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsXmlSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Text and CDATA below `parent`, in document order. Depth is bounded by the
// parser's nesting limit.
void CollectText(const xmlNode* parent, std::string& out)
{
    for (const xmlNode* c = parent->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE)
            out += View(c->content);
        else if (c->type == XML_ELEMENT_NODE)
            CollectText(c, out);
    }
}

std::string QualifiedName(const xmlChar* prefix, const xmlChar* name)
{
    std::string q;
    if (prefix) {
        q = View(prefix);
        q += ':';
    }
    q += View(name);
    return q;
}

HRESULT ReturnNull(VARIANT* out)
{
    out->vt = VT_NULL;
    return S_FALSE;
}

HRESULT ReturnTextVariant(std::string_view utf8, VARIANT* out)
{
    BSTR text = nullptr;
    const HRESULT hr = ReturnText(utf8, &text);
    if (FAILED(hr)) return hr;
    out->vt = VT_BSTR;
    out->bstrVal = text;
    return S_OK;
}

void ClearOut(VARIANT* out)
{
    out->vt = VT_EMPTY;
    out->wReserved1 = out->wReserved2 = out->wReserved3 = 0;
    out->llVal = 0;
}

// Any visible node that is not an element.
class DomNode final : public NodeBase<IXMLDOMNode> {
public:
    DomNode(ComPtr<XmlTree> tree, xmlNode* node) noexcept : NodeBase(std::move(tree), node) {}
};

class DomElement final : public NodeBase<IXMLDOMElement> {
public:
    DomElement(ComPtr<XmlTree> tree, xmlNode* node) noexcept : NodeBase(std::move(tree), node) {}

    HRESULT get_tagName(BSTR* out) override { return node::Name(node_, out); }

    HRESULT getAttribute(BSTR name, VARIANT* value) override
    {
        if (!value) return E_POINTER;
        ClearOut(value);
        if (!name) return E_INVALIDARG;
        return Guarded([&]() -> HRESULT {
            const std::string wanted = Utf16ToUtf8(std::u16string_view(name, SysStringLen(name)));
            for (xmlAttr* a = node_->properties; a; a = a->next) {
                if (QualifiedName(a->ns ? a->ns->prefix : nullptr, a->name) != wanted) continue;
                XmlCharPtr text(xmlNodeGetContent(reinterpret_cast<xmlNode*>(a)));
                return ReturnTextVariant(View(text.get()), value);
            }
            // Namespace declarations are attributes to the original.
            for (xmlNs* ns = node_->nsDef; ns; ns = ns->next) {
                const std::string declared = ns->prefix ? QualifiedName(BAD_CAST "xmlns", ns->prefix) : "xmlns";
                if (declared == wanted) return ReturnTextVariant(View(ns->href), value);
            }
            return ReturnNull(value);
        });
    }
};

class DomNodeList final : public ComObject<IXMLDOMNodeList> {
public:
    DomNodeList(ComPtr<XmlTree> tree, std::vector<xmlNode*> items) noexcept
        : tree_(std::move(tree)), items_(std::move(items))
    {
    }

    HRESULT get_item(LONG index, IXMLDOMNode** item) override
    {
        if (!item) return E_POINTER;
        *item = nullptr;
        if (index < 0 || static_cast<size_t>(index) >= items_.size()) return S_FALSE;
        return Guarded([&] { return Wrap(items_[static_cast<size_t>(index)], item); });
    }

    HRESULT get_length(LONG* length) override
    {
        if (!length) return E_POINTER;
        *length = static_cast<LONG>(items_.size());
        return S_OK;
    }

private:
    HRESULT Wrap(xmlNode* n, IXMLDOMNode** out);

    ComPtr<XmlTree> tree_;
    std::vector<xmlNode*> items_;
};

// A new wrapper for `n`: an element wrapper for elements, so that asking a node
// for IXMLDOMElement tells elements apart.
ComPtr<IXMLDOMNode> WrapNode(const ComPtr<XmlTree>& tree, xmlNode* n)
{
    if (n->type == XML_ELEMENT_NODE) return ComPtr<IXMLDOMNode>(MakeCom<DomElement>(tree, n).get());
    return ComPtr<IXMLDOMNode>(MakeCom<DomNode>(tree, n).get());
}

// *out = wrapper of `n`, or S_FALSE with null when there is no such node.
HRESULT ReturnNode(const ComPtr<XmlTree>& tree, xmlNode* n, IXMLDOMNode** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!n) return S_FALSE;
    return Guarded([&] {
        *out = WrapNode(tree, n).Detach();
        return S_OK;
    });
}

HRESULT DomNodeList::Wrap(xmlNode* n, IXMLDOMNode** out) { return ReturnNode(tree_, n, out); }

}  // namespace

HRESULT ReturnText(std::string_view utf8, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] {
        const std::u16string wide = Utf8ToUtf16(utf8);
        *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    });
}

namespace node {

HRESULT Name(xmlNode* n, BSTR* out)
{
    switch (n->type) {
    case XML_TEXT_NODE: return ReturnText("#text", out);
    case XML_CDATA_SECTION_NODE: return ReturnText("#cdata-section", out);
    case XML_COMMENT_NODE: return ReturnText("#comment", out);
    case XML_DOCUMENT_NODE: return ReturnText("#document", out);
    case XML_DOCUMENT_FRAG_NODE: return ReturnText("#document-fragment", out);
    case XML_ELEMENT_NODE:
        return Guarded([&] { return ReturnText(QualifiedName(n->ns ? n->ns->prefix : nullptr, n->name), out); });
    default: return ReturnText(View(n->name), out);
    }
}

HRESULT Value(xmlNode* n, VARIANT* out)
{
    if (!out) return E_POINTER;
    ClearOut(out);
    switch (n->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        return ReturnTextVariant(View(n->content), out);
    default:
        return ReturnNull(out);
    }
}

HRESULT Type(xmlNode* n, DOMNodeType* out)
{
    if (!out) return E_POINTER;
    switch (n->type) {
    case XML_ELEMENT_NODE: *out = NODE_ELEMENT; break;
    case XML_TEXT_NODE: *out = NODE_TEXT; break;
    case XML_CDATA_SECTION_NODE: *out = NODE_CDATA_SECTION; break;
    case XML_ENTITY_REF_NODE: *out = NODE_ENTITY_REFERENCE; break;
    case XML_PI_NODE: *out = NODE_PROCESSING_INSTRUCTION; break;
    case XML_COMMENT_NODE: *out = NODE_COMMENT; break;
    case XML_DOCUMENT_NODE: *out = NODE_DOCUMENT; break;
    case XML_DTD_NODE: *out = NODE_DOCUMENT_TYPE; break;
    case XML_DOCUMENT_FRAG_NODE: *out = NODE_DOCUMENT_FRAGMENT; break;
    default: *out = NODE_INVALID; break;
    }
    return S_OK;
}

HRESULT ChildNodes(const ComPtr<XmlTree>& tree, xmlNode* n, IXMLDOMNodeList** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] {
        std::vector<xmlNode*> items;
        if (HasChildList(n))
            for (xmlNode* c = FirstVisible(n->children); c; c = FirstVisible(c->next)) items.push_back(c);
        *out = MakeCom<DomNodeList>(tree, std::move(items)).Detach();
        return S_OK;
    });
}

HRESULT FirstChild(const ComPtr<XmlTree>& tree, xmlNode* n, IXMLDOMNode** out)
{
    return ReturnNode(tree, HasChildList(n) ? FirstVisible(n->children) : nullptr, out);
}

HRESULT LastChild(const ComPtr<XmlTree>& tree, xmlNode* n, IXMLDOMNode** out)
{
    return ReturnNode(tree, HasChildList(n) ? LastVisible(n->last) : nullptr, out);
}

HRESULT PreviousSibling(const ComPtr<XmlTree>& tree, xmlNode* n, IXMLDOMNode** out)
{
    return ReturnNode(tree, n->type == XML_DOCUMENT_NODE ? nullptr : LastVisible(n->prev), out);
}

HRESULT NextSibling(const ComPtr<XmlTree>& tree, xmlNode* n, IXMLDOMNode** out)
{
    return ReturnNode(tree, n->type == XML_DOCUMENT_NODE ? nullptr : FirstVisible(n->next), out);
}

HRESULT HasChildNodes(xmlNode* n, VARIANT_BOOL* out)
{
    if (!out) return E_POINTER;
    const bool has = HasChildList(n) && FirstVisible(n->children) != nullptr;
    *out = has ? VARIANT_TRUE : VARIANT_FALSE;
    return has ? S_OK : S_FALSE;
}

HRESULT Text(xmlNode* n, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] {
        std::string text;
        switch (n->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            text = View(n->content);
            break;
        default:
            if (HasChildList(n)) CollectText(n, text);
            break;
        }
        return ReturnText(Trim(text), out);
    });
}

HRESULT BaseName(xmlNode* n, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_DTD_NODE:
        return ReturnText(View(n->name), out);
    default:
        return S_FALSE;  // text, CDATA, comments and documents have no name
    }
}

HRESULT DocumentElement(const ComPtr<XmlTree>& tree, IXMLDOMElement** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    xmlNode* root = xmlDocGetRootElement(tree->doc());
    if (!root) return S_FALSE;
    return Guarded([&] {
        *out = MakeCom<DomElement>(tree, root).Detach();
        return S_OK;
    });
}

}  // namespace node

}  // namespace dom
