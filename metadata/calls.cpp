#include "metadata/calls.h"

#include "platform/variant.h"

namespace bvdmeta {
namespace {

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool LocalNameIs(IXMLDOMNode* node, std::u16string_view name)
{
    BStr local;
    Check(node->get_baseName(local.put()));
    return local.get() && EqualsNoCase(local.view(), name);
}

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) { return QueryAs<IXMLDOMElement>(node); }

Children::Children(IXMLDOMNode* node)
{
    Check(node->get_childNodes(list_.put()));
    if (!list_) throw CallFailed{E_POINTER};
    Check(list_->get_length(&count_));
}

ComPtr<IXMLDOMNode> Children::At(LONG index) const
{
    ComPtr<IXMLDOMNode> item;
    Check(list_->get_item(index, item.put()));
    if (!item) throw CallFailed{E_POINTER};
    return item;
}

bool TryAttributeText(IXMLDOMElement* element, std::u16string_view name, std::u16string* text)
{
    Variant value;
    Check(element->getAttribute(MakeBStr(name).get(), value.put()));
    if (value.vt == VT_NULL || value.vt == VT_EMPTY) return false;
    Variant converted;
    Check(VariantChangeType(&converted, &value, 0, VT_BSTR));
    *text = converted.bstrVal ? std::u16string(converted.bstrVal, SysStringLen(converted.bstrVal)) : std::u16string();
    return true;
}

std::u16string AttributeText(IXMLDOMElement* element, std::u16string_view name)
{
    std::u16string text;
    if (!TryAttributeText(element, name, &text)) throw CallFailed{DISP_E_TYPEMISMATCH};
    return text;
}

std::u16string ElementText(IXMLDOMNode* node)
{
    BStr text;
    Check(node->get_text(text.put()));
    return std::u16string(text.view());
}

}  // namespace bvdmeta
