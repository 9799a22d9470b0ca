#pragma once
// Inside the DOM (dom_*.cpp only): the owner of a parsed tree, the parser's
// entry point and the node operations shared by every node wrapper. libxml2's
// types are only named here; its headers stay in the .cpp files.
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "platform/comobject.h"
#include "platform/dom.h"

struct _xmlDoc;
struct _xmlNode;

namespace dom {

struct XmlDocFree {
    void operator()(_xmlDoc* doc) const noexcept;
};
using XmlDocPtr = std::unique_ptr<_xmlDoc, XmlDocFree>;

// A string that libxml2 allocated (its xmlChar is unsigned char).
struct XmlCharFree {
    void operator()(unsigned char* text) const noexcept;
};
using XmlCharPtr = std::unique_ptr<unsigned char, XmlCharFree>;

// One parsed tree, shared (counted) by its document object and by every node
// and node list handed out from it: the tree lives as long as any of them.
class XmlTree final : public ComObject<IUnknown> {
public:
    explicit XmlTree(XmlDocPtr doc) noexcept : doc_(std::move(doc)) {}
    _xmlDoc* doc() const noexcept { return doc_.get(); }
    // The document as a node: the parent of the root element.
    _xmlNode* root() const noexcept { return reinterpret_cast<_xmlNode*>(doc_.get()); }

private:
    XmlDocPtr doc_;
};

// What a failed load reports through parseError (UTF-8 texts).
struct LoadFailure {
    LONG code = 0;
    std::string reason;
    std::string srcText;
    LONG line = 0;
    LONG column = 0;
};

// The result of loading a file: a tree, or (tree null) the failure.
struct LoadOutcome {
    ComPtr<XmlTree> tree;
    LoadFailure failure;
};

// Reads and parses the file at `path` (UTF-8 bytes, as the file system takes
// them) with the DOM's fixed parse options (dom_parse.cpp). Throws only
// std::bad_alloc.
LoadOutcome LoadXmlFile(const std::string& path);
// A tree that holds an empty document: what a document shows before its first
// load and after a failed one.
ComPtr<XmlTree> EmptyTree();

// Node operations (dom_node.cpp) on `node` of `tree`; each returns what the
// IXMLDOMNode member of the same name returns.
namespace node {
HRESULT Name(_xmlNode* node, BSTR* out);
HRESULT Value(_xmlNode* node, VARIANT* out);
HRESULT Type(_xmlNode* node, DOMNodeType* out);
HRESULT ChildNodes(const ComPtr<XmlTree>& tree, _xmlNode* node, IXMLDOMNodeList** out);
HRESULT FirstChild(const ComPtr<XmlTree>& tree, _xmlNode* node, IXMLDOMNode** out);
HRESULT LastChild(const ComPtr<XmlTree>& tree, _xmlNode* node, IXMLDOMNode** out);
HRESULT PreviousSibling(const ComPtr<XmlTree>& tree, _xmlNode* node, IXMLDOMNode** out);
HRESULT NextSibling(const ComPtr<XmlTree>& tree, _xmlNode* node, IXMLDOMNode** out);
HRESULT HasChildNodes(_xmlNode* node, VARIANT_BOOL* out);
HRESULT Text(_xmlNode* node, BSTR* out);
HRESULT BaseName(_xmlNode* node, BSTR* out);
// The root element of the tree as an element (S_FALSE with null when none).
HRESULT DocumentElement(const ComPtr<XmlTree>& tree, IXMLDOMElement** out);
}  // namespace node

// The IXMLDOMNode members of every node class (element, other node, document),
// forwarded to the operations above.
template <class I>
class NodeBase : public ComObject<I> {
public:
    HRESULT get_nodeName(BSTR* out) override { return node::Name(node_, out); }
    HRESULT get_nodeValue(VARIANT* out) override { return node::Value(node_, out); }
    HRESULT get_nodeType(DOMNodeType* out) override { return node::Type(node_, out); }
    HRESULT get_childNodes(IXMLDOMNodeList** out) override { return node::ChildNodes(tree_, node_, out); }
    HRESULT get_firstChild(IXMLDOMNode** out) override { return node::FirstChild(tree_, node_, out); }
    HRESULT get_lastChild(IXMLDOMNode** out) override { return node::LastChild(tree_, node_, out); }
    HRESULT get_previousSibling(IXMLDOMNode** out) override { return node::PreviousSibling(tree_, node_, out); }
    HRESULT get_nextSibling(IXMLDOMNode** out) override { return node::NextSibling(tree_, node_, out); }
    HRESULT hasChildNodes(VARIANT_BOOL* out) override { return node::HasChildNodes(node_, out); }
    HRESULT get_text(BSTR* out) override { return node::Text(node_, out); }
    HRESULT get_baseName(BSTR* out) override { return node::BaseName(node_, out); }

protected:
    NodeBase(ComPtr<XmlTree> tree, _xmlNode* node) noexcept : tree_(std::move(tree)), node_(node) {}

    ComPtr<XmlTree> tree_;
    _xmlNode* node_;
};

// Runs `f` and turns an escaping exception into an HRESULT, so that none
// crosses an interface.
template <class F>
HRESULT Guarded(F&& f) noexcept
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// A new BSTR of UTF-8 text into *out (E_POINTER for null, E_OUTOFMEMORY).
HRESULT ReturnText(std::string_view utf8, BSTR* out);

}  // namespace dom
