#pragma once
// Interfaces of the host's Lodex component beyond what the plug-ins call
// (contracts/lodex.h): the document's JSON text, and a diagnostic hook.
#include "platform/unknown.h"

// The document's JSON text (the form ILodexDocument::Save writes), answered
// by QueryInterface on a document of the component.
struct ILodexDocumentJson : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x5c1e7a21, 0x93d4, 0x4b6e, {0x8f, 0x2a, 0x61, 0x0d, 0x3b, 0x7c, 0x45, 0x19}};
    // UTF-8 JSON text, carried in a BSTR as UTF-16.
    virtual HRESULT ToJson(BSTR* text) = 0;
};

// A diagnostic hook of the Lodex component, for tests only: a test can make a
// chosen operation of the component fail, to see how a caller (bvdmeta, the
// writer) reacts. Every object of the component answers QueryInterface for
// ILodexFaults; the faults it arms hold for the whole component module (all
// documents, variables, elements and data sources of the process), until
// they fire or are cleared. No other caller needs this interface.
//
// Operation names are "Interface.Method" as in contracts/lodex.h, e.g.
// "ILodexDocument.AddVariable", "ILodexVariable.put_Name",
// "ILodexElement.put_Label", "ILodexDataSource.put_Location"; creating an
// object through the class factory is "Create.Document", "Create.Variable",
// "Create.Element" or "Create.DataSource".

struct ILodexFaults : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x5c1e7a20, 0x93d4, 0x4b6e, {0x8f, 0x2a, 0x61, 0x0d, 0x3b, 0x7c, 0x45, 0x19}};
    // The `occurrence`-th call (1: the next one) of `operation` from now on
    // fails with `result` (a failure code) and does nothing else; later
    // calls succeed again. E_INVALIDARG for a null or empty name, an
    // occurrence below 1 or a result that is not a failure.
    virtual HRESULT FailOperation(LPCOLESTR operation, LONG occurrence, HRESULT result) = 0;
    // Disarms every fault that has not fired.
    virtual HRESULT ClearFaults() = 0;
};
