#pragma once
// The few DOM calls the definition walk makes, each turning a failing HRESULT
// into DomCallFailed so that the walk reads as a list of steps. Used by this
// library only.
#include <optional>
#include <string>
#include <string_view>

#include "platform/comptr.h"
#include "platform/dom.h"

namespace bvdformats::dom {

struct DomCallFailed {
    HRESULT hr;
};

inline void Check(HRESULT hr)
{
    if (FAILED(hr)) throw DomCallFailed{hr};
}

// ASCII letters compared without regard to case, other characters exactly.
bool EqualsNoCaseAscii(std::u16string_view a, std::u16string_view b) noexcept;

// The local name (without prefix) of a node; empty for nodes without one.
std::u16string LocalName(IXMLDOMNode* node);

// The node as an element; null when it is not one.
ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node);

// Walks the child elements of a node in document order, passing over every
// node that is not an element.
class ChildElements {
public:
    explicit ChildElements(IXMLDOMNode* parent);
    LONG NodeCount() const noexcept { return count_; }
    // The next child element, or null at the end.
    ComPtr<IXMLDOMElement> Next();

private:
    ComPtr<IXMLDOMNodeList> list_;
    LONG count_ = 0;
    LONG next_ = 0;
};

// The attribute's text, or nullopt when the element has no such attribute.
std::optional<std::u16string> AttributeText(IXMLDOMElement* element, std::u16string_view name);

// The element's text content.
std::u16string ElementText(IXMLDOMNode* node);

}  // namespace bvdformats::dom
