// A DOM call that fails while the record is read ends the build with that
// HRESULT.
#include <gtest/gtest.h>

#include "formats_support.h"

using bvdformats::DefinitionError;

namespace {

// A record element whose name can be read but whose children cannot. It lives
// on the stack: its reference count is not used.
struct BrokenRecord final : IXMLDOMElement {
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IXMLDOMNode || riid == IID_IXMLDOMElement) {
            *ppv = static_cast<IXMLDOMElement*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT get_nodeName(BSTR* name) override { return get_baseName(name); }
    HRESULT get_nodeValue(VARIANT*) override { return E_NOTIMPL; }
    HRESULT get_nodeType(DOMNodeType* type) override
    {
        *type = NODE_ELEMENT;
        return S_OK;
    }
    HRESULT get_childNodes(IXMLDOMNodeList**) override { return E_OUTOFMEMORY; }
    HRESULT get_firstChild(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT get_lastChild(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT get_previousSibling(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT get_nextSibling(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT hasChildNodes(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT get_text(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_baseName(BSTR* name) override
    {
        *name = BStr(u"Record").Detach();
        return S_OK;
    }
    HRESULT get_tagName(BSTR* name) override { return get_baseName(name); }
    HRESULT getAttribute(BSTR, VARIANT*) override { return E_NOTIMPL; }
};

}  // namespace

TEST(ReaderSchema, DomFailureCarriesItsHresult)
{
    BrokenRecord record;
    try {
        bvdformats::BuildReaderSchema(&record);
        ADD_FAILURE() << "no failure";
    } catch (const DefinitionError& e) {
        EXPECT_EQ(e.cause(), DefinitionError::Cause::DomFailure);
        EXPECT_EQ(e.hr(), E_OUTOFMEMORY);
        EXPECT_EQ(formatstest::U8(e.recordName()), "Record");
        EXPECT_EQ(formatstest::U8(e.element()), "Record");
        EXPECT_EQ(e.variableOrdinal(), 0u);
    }
}

TEST(ReaderSchema, NullRecordIsAPointerFailure)
{
    try {
        bvdformats::BuildReaderSchema(nullptr);
        ADD_FAILURE() << "no failure";
    } catch (const DefinitionError& e) {
        EXPECT_EQ(e.hr(), E_POINTER);
    }
}
