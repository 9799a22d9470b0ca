#pragma once
// The XML DOM: a DOMDocument (CLSID_DOMDocument in builtin.h) that loads a file
// synchronously, and read-only nodes, node lists, elements and parse errors over
// the loaded tree. The interfaces carry the original names and IIDs; they are
// IUnknown-based and hold the members the plug-ins use.
//
// Lifetime: every node and node list keeps the tree it belongs to alive, so a
// held element stays valid after its document object is released. A load
// replaces the document's tree; nodes of the earlier tree keep that tree.
//
// Results follow the original: an absent node (no first child, no document
// element, an index past the end) is S_FALSE with a null pointer; a failed load
// is S_FALSE with VARIANT_FALSE. Out pointers that are null give E_POINTER.
#include "platform/bstr.h"
#include "platform/export.h"
#include "platform/unknown.h"
#include "platform/variant.h"

enum DOMNodeType : int32_t {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_ENTITY_REFERENCE = 5,
    NODE_ENTITY = 6,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
    NODE_DOCUMENT_TYPE = 10,
    NODE_DOCUMENT_FRAGMENT = 11,
    NODE_NOTATION = 12,
};

struct IXMLDOMNodeList;
struct IXMLDOMElement;
struct IXMLDOMParseError;

struct IXMLDOMNode : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
    // Qualified name of an element ("x:variable"), the target of a processing
    // instruction, "#text", "#cdata-section", "#comment", "#document".
    virtual HRESULT get_nodeName(BSTR* name) = 0;
    // Text of a text, CDATA, comment or processing instruction node as VT_BSTR;
    // VT_NULL for elements, documents and document types.
    virtual HRESULT get_nodeValue(VARIANT* value) = 0;
    virtual HRESULT get_nodeType(DOMNodeType* type) = 0;
    // Children in document order: elements, text, CDATA, comments and
    // processing instructions alike (and the document type under a document).
    virtual HRESULT get_childNodes(IXMLDOMNodeList** list) = 0;
    virtual HRESULT get_firstChild(IXMLDOMNode** child) = 0;
    virtual HRESULT get_lastChild(IXMLDOMNode** child) = 0;
    virtual HRESULT get_previousSibling(IXMLDOMNode** sibling) = 0;
    virtual HRESULT get_nextSibling(IXMLDOMNode** sibling) = 0;
    // VARIANT_TRUE with S_OK, or VARIANT_FALSE with S_FALSE.
    virtual HRESULT hasChildNodes(VARIANT_BOOL* has) = 0;
    // Text and CDATA content of the node and its descendants, concatenated,
    // leading and trailing white space removed.
    virtual HRESULT get_text(BSTR* text) = 0;
    // Local name without prefix; S_FALSE with null for nodes that have no name
    // (text, CDATA, comment, document).
    virtual HRESULT get_baseName(BSTR* name) = 0;
};

struct IXMLDOMNodeList : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x2933BF82, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
    // S_FALSE with null for an index outside 0 .. length-1.
    virtual HRESULT get_item(LONG index, IXMLDOMNode** item) = 0;
    virtual HRESULT get_length(LONG* length) = 0;
};

struct IXMLDOMElement : IXMLDOMNode {
    using Base = IXMLDOMNode;
    static constexpr IID kIid{0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
    virtual HRESULT get_tagName(BSTR* name) = 0;
    // The value as VT_BSTR with S_OK; an absent attribute gives VT_NULL with
    // S_FALSE. The name is compared with the attribute's qualified name.
    virtual HRESULT getAttribute(BSTR name, VARIANT* value) = 0;
};

struct IXMLDOMParseError : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x3EFAA426, 0x272F, 0x11D2, {0x83, 0x6F, 0x00, 0x00, 0xF8, 0x7A, 0x77, 0x82}};
    // 0 after a successful load.
    virtual HRESULT get_errorCode(LONG* code) = 0;
    virtual HRESULT get_url(BSTR* url) = 0;
    // The parser's explanation; empty after a successful load.
    virtual HRESULT get_reason(BSTR* reason) = 0;
    // The line of the file where the error was found (empty when the file
    // could not be read).
    virtual HRESULT get_srcText(BSTR* text) = 0;
    virtual HRESULT get_line(LONG* line) = 0;
    virtual HRESULT get_linepos(LONG* column) = 0;
};

struct IXMLDOMDocument : IXMLDOMNode {
    using Base = IXMLDOMNode;
    static constexpr IID kIid{0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
    // The root element; S_FALSE with null when nothing is loaded.
    virtual HRESULT get_documentElement(IXMLDOMElement** root) = 0;
    // The error of the latest load (a fresh object per load).
    virtual HRESULT get_parseError(IXMLDOMParseError** error) = 0;
    // Kept as a flag only: external DTDs and entities are never read.
    virtual HRESULT get_resolveExternals(VARIANT_BOOL* resolve) = 0;
    virtual HRESULT put_resolveExternals(VARIANT_BOOL resolve) = 0;
    // Loads the file named by a VT_BSTR (or VT_BSTR|VT_BYREF) path; the whole
    // tree is there when it returns. S_OK with VARIANT_TRUE, or S_FALSE with
    // VARIANT_FALSE and the reason in parseError.
    virtual HRESULT load(VARIANT source, VARIANT_BOOL* ok) = 0;
};

inline constexpr const IID& IID_IXMLDOMNode = IXMLDOMNode::kIid;
inline constexpr const IID& IID_IXMLDOMNodeList = IXMLDOMNodeList::kIid;
inline constexpr const IID& IID_IXMLDOMElement = IXMLDOMElement::kIid;
inline constexpr const IID& IID_IXMLDOMParseError = IXMLDOMParseError::kIid;
inline constexpr const IID& IID_IXMLDOMDocument = IXMLDOMDocument::kIid;

// Instance creator of the built-in DOMDocument class (as IClassFactory's
// CreateInstance: aggregation is refused).
PLATFORM_API HRESULT CreateDOMDocumentInstance(IUnknown* outer, REFIID riid, void** ppv);

// How many times the parser has asked for an external resource (DTD, entity)
// since the library loaded. Every such request is refused; tests read this
// count to show that no external resource was asked for.
PLATFORM_API unsigned long DomExternalLoadRequests();
