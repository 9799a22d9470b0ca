#pragma once
// How the provider meets failing calls of the Lodex document and the DOM: a
// failing call throws CallFailed with its HRESULT; the spots that tolerate a
// failure catch it, every other failure ends FillDocument with that HRESULT.
#include <string>
#include <string_view>

#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/dom.h"

namespace bvdmeta {

struct CallFailed {
    HRESULT hr;
};

inline void Check(HRESULT hr)
{
    if (FAILED(hr)) throw CallFailed{hr};
}

// ASCII letters compared without regard to case; other characters exactly.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// The node's local name equals `name` (case of ASCII letters ignored); nodes
// without a local name never match.
bool LocalNameIs(IXMLDOMNode* node, std::u16string_view name);

// The element interface of a node; null for a node that is not an element.
ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node);

// The child nodes of `node`, by index.
class Children {
public:
    explicit Children(IXMLDOMNode* node);
    LONG Count() const { return count_; }
    ComPtr<IXMLDOMNode> At(LONG index) const;

private:
    ComPtr<IXMLDOMNodeList> list_;
    LONG count_ = 0;
};

// The attribute's value as text. An absent attribute is a failed conversion
// to text (DISP_E_TYPEMISMATCH), as the original's conversion of the null
// VARIANT it received.
std::u16string AttributeText(IXMLDOMElement* element, std::u16string_view name);
// The same, with nullopt-like `found` false for an absent attribute.
bool TryAttributeText(IXMLDOMElement* element, std::u16string_view name, std::u16string* text);

// The element's text content.
std::u16string ElementText(IXMLDOMNode* node);

inline BStr MakeBStr(std::u16string_view text) { return BStr(text); }

}  // namespace bvdmeta
