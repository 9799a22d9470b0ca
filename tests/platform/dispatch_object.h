#pragma once
// A small dual interface and its object, for the generic IDispatch tests.
#include <string>
#include <vector>

#include "platform/comobject.h"
#include "platform/dispatch_impl.h"

struct ITest : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6A1C2F10, 0x1B2C, 0x4D3E, {0x8F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}};
    virtual HRESULT get_Name(BSTR* out) = 0;                      // id 1, get/put
    virtual HRESULT put_Name(BSTR name) = 0;
    virtual HRESULT get_Count(LONG* out) = 0;                     // id 2, read-only
    virtual HRESULT get_Child(ITest** out) = 0;                   // id 3, get/putref
    virtual HRESULT putref_Child(ITest* child) = 0;
    // id 4: result = a + (b, or 10 when missing); text becomes text + "=" + result.
    virtual HRESULT Combine(LONG a, BSTR* text, VARIANT b, LONG* result) = 0;
    virtual HRESULT get_Value(VARIANT_BOOL isDirty, VARIANT* out) = 0;  // id 0, optional IsDirty
    virtual HRESULT put_Value(VARIANT_BOOL isDirty, VARIANT value) = 0;
    // id 5: returns `code`, with error information when `withInfo`.
    virtual HRESULT Fail(LONG code, VARIANT_BOOL withInfo) = 0;
    virtual HRESULT get__NewEnum(IUnknown** out) = 0;             // id -4
    // id 6: *value = *value * factor; *halves = 2 * factor.
    virtual HRESULT Scale(double factor, SHORT* value, LONG* halves) = 0;
};

const DispInterface& DescribeDispatch(const ITest*);

class TestObject : public ComObject<DispatchImpl<ITest>> {
public:
    HRESULT get_Name(BSTR* out) override;
    HRESULT put_Name(BSTR name) override;
    HRESULT get_Count(LONG* out) override;
    HRESULT get_Child(ITest** out) override;
    HRESULT putref_Child(ITest* child) override;
    HRESULT Combine(LONG a, BSTR* text, VARIANT b, LONG* result) override;
    HRESULT get_Value(VARIANT_BOOL isDirty, VARIANT* out) override;
    HRESULT put_Value(VARIANT_BOOL isDirty, VARIANT value) override;
    HRESULT Fail(LONG code, VARIANT_BOOL withInfo) override;
    HRESULT get__NewEnum(IUnknown** out) override;
    HRESULT Scale(double factor, SHORT* value, LONG* halves) override;

    // What the members saw, for the tests to inspect.
    std::u16string name;
    ComPtr<ITest> child;
    Variant value;
    VARIANT_BOOL lastDirty = 0;
    bool lastBMissing = false;
    int calls = 0;
};
