#include "common/model_object.h"

namespace bvd {

HRESULT CopyBstr(BSTR source, BSTR* out) noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!source) return S_OK;
    *out = SysAllocStringLen(source, SysStringLen(source));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace bvd
