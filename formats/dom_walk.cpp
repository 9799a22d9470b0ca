#include "formats/dom_walk.h"

#include <algorithm>

#include "platform/bstr.h"
#include "platform/variant.h"

namespace bvdformats::dom {
namespace {

std::u16string TextOf(BSTR s) { return s ? std::u16string(s, SysStringLen(s)) : std::u16string(); }

char16_t FoldAscii(char16_t c) noexcept { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

bool EqualsNoCaseAscii(std::u16string_view a, std::u16string_view b) noexcept
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::u16string LocalName(IXMLDOMNode* node)
{
    BStr name;
    Check(node->get_baseName(name.put()));
    return std::u16string(name.view());
}

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    Check(node->get_nodeType(&type));
    if (type != NODE_ELEMENT) return nullptr;
    ComPtr<IXMLDOMElement> element;
    Check(node->QueryInterface(IID_IXMLDOMElement, element.put_void()));
    return element;
}

ChildElements::ChildElements(IXMLDOMNode* parent)
{
    Check(parent->get_childNodes(list_.put()));
    if (!list_) throw DomCallFailed{E_POINTER};
    Check(list_->get_length(&count_));
}

ComPtr<IXMLDOMElement> ChildElements::Next()
{
    while (next_ < count_) {
        ComPtr<IXMLDOMNode> node;
        Check(list_->get_item(next_++, node.put()));
        if (!node) throw DomCallFailed{E_POINTER};
        if (ComPtr<IXMLDOMElement> element = AsElement(node.get())) return element;
    }
    return nullptr;
}

std::optional<std::u16string> AttributeText(IXMLDOMElement* element, std::u16string_view name)
{
    const BStr attribute(name);
    Variant value;
    Check(element->getAttribute(attribute.get(), value.put()));
    if (value.vt == VT_NULL || value.vt == VT_EMPTY) return std::nullopt;
    if (value.vt != VT_BSTR) {
        Variant text;
        Check(VariantChangeType(&text, &value, 0, VT_BSTR));
        return TextOf(text.bstrVal);
    }
    return TextOf(value.bstrVal);
}

std::u16string ElementText(IXMLDOMNode* node)
{
    BStr text;
    Check(node->get_text(text.put()));
    return std::u16string(text.view());
}

}  // namespace bvdformats::dom
