#pragma once
// A COM object for ownership tests: it answers IUnknown and IDispatch, and
// reports its current reference count and whether it has been destroyed.
#include "platform/comobject.h"
#include "platform/dispatch.h"

class CountedObject : public ComObject<IDispatch> {
public:
    explicit CountedObject(bool* destroyed = nullptr) : destroyed_(destroyed) {}

    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    // The reference count as it stands (the probe's own AddRef/Release cancel out).
    ULONG Refs() { AddRef(); return Release(); }

private:
    ~CountedObject() override { if (destroyed_) *destroyed_ = true; }
    bool* destroyed_;
};
