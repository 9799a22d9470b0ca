#pragma once
// The metadata provider, the one class of bvdmeta: FillDocument loads a
// definition file and fills the caller's Lodex document with its variables.
#include "common/object.h"
#include "contracts/lodex.h"
#include "metadata/bvdmeta.h"
#include "platform/dispatch_impl.h"
#include "platform/dom.h"

// The generic IDispatch's description of Ibvdmeta.
const DispInterface& DescribeDispatch(const Ibvdmeta*);

namespace bvdmeta {

// How the provider obtains its XML DOM document (the platform's DOMDocument
// class unless a test says otherwise).
using DomCreator = HRESULT (*)(IXMLDOMDocument** document);
HRESULT CreateDomDocument(IXMLDOMDocument** document);

class CMetadataProvider : public bvd::Object<DispatchImpl<Ibvdmeta>, IMetadataProvider, ISupportErrorInfo> {
public:
    explicit CMetadataProvider(DomCreator createDom = &CreateDomDocument) : createDom_(createDom) {}

    HRESULT FillDocument(BSTR connectionString, IUnknown** lodexDocument) override;
    // S_OK for Ibvdmeta only.
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

    // The document of the latest call that reached the variable walk.
    ILodexDocument* KeptDocument() const { return document_.get(); }

private:
    HRESULT Fill(BSTR connectionString, IUnknown** lodexDocument);
    HRESULT ParseDefinition(ILodexDocument* document, IXMLDOMDocument* dom);

    DomCreator createDom_;
    ComPtr<ILodexDocument> document_;
};

}  // namespace bvdmeta
