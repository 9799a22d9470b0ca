#pragma once
// A Lodex document component for the tests (contracts/lodex.h), built as a
// small in-process server that the tests register in their temporary
// registry. Besides the contract it logs every call that changes an object
// and can be told to fail a chosen call.
#include "contracts/lodex.h"

// The document's test control.
struct ITestLodexControl : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x0adff9ae, 0x54c4, 0x4c43, {0x8d, 0xa8, 0xb4, 0x3d, 0xe4, 0x8c, 0xb5, 0x5a}};
    // From now on the `occurrence`-th call (1-based; 0: every call) of
    // `operation` fails with `hr`. Operations are named "Document.AddLanguage",
    // "Variable.put_Name", "Element.put_Label", "DataSource.put_Location" ...
    // and "Create.Variable", "Create.Element", "Create.DataSource" for the
    // class factories (documents are made by the tests; their creation is
    // neither logged nor failed).
    virtual HRESULT FailCall(LPCOLESTR operation, LONG occurrence, HRESULT hr) = 0;
    // Clears the failures and the log, and numbers objects from 1 again.
    virtual HRESULT Reset() = 0;
    // One line per logged call: "Variable#2.put_Name dscserial". Objects are
    // numbered per class in creation order from 1; failed calls are logged
    // with " FAILED" appended.
    virtual HRESULT GetLog(BSTR* log) = 0;
};
