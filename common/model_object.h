#pragma once
// The base of every object of the object model: one dual interface I with the
// generic IDispatch, ISupportErrorInfo answering S_OK for I alone, the
// context record, and the lock count (bvd::Object).
#include "common/ctx.h"
#include "common/datasource_dispatch.h"
#include "common/object.h"

namespace bvd {

template <class I, class Dispatch = DispatchImpl<I>>
class ModelObject : public Object<Dispatch, ISupportErrorInfo> {
public:
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == uuidof<I>() ? S_OK : S_FALSE; }

    CCtx m_Ctx;  // the default context until a creator copies its own in
};

// The common out-pointer pattern: E_POINTER for null, otherwise the
// interface with a reference added (null stays null).
template <class J>
HRESULT CopyInterface(J* source, J** out) noexcept
{
    if (!out) return E_POINTER;
    *out = source;
    if (source) source->AddRef();
    return S_OK;
}

// A copy of a BSTR into an out-pointer.
HRESULT CopyBstr(BSTR source, BSTR* out) noexcept;

}  // namespace bvd
