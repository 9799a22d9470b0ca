// Helpers shared by the classes of the Lodex component: texts, index
// arguments and insert positions.
#include <limits>

#include "host/lodex_objects.h"
#include "platform/bstr.h"

namespace lodex {

std::u16string FromBstr(BSTR value)
{
    return value ? std::u16string(value, SysStringLen(value)) : std::u16string();
}

HRESULT CopyOut(const Text& text, BSTR* out)
{
    if (!out) return E_POINTER;
    const std::u16string_view v = text ? std::u16string_view(*text) : std::u16string_view();
    *out = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

HRESULT ReadIndex(const VARIANT& index, Index* out)
{
    Variant v;
    if (FAILED(VariantCopyInd(&v, &index))) return E_INVALIDARG;
    *out = Index{};
    switch (v.vt) {
    case VT_I1: out->position = v.cVal; break;
    case VT_I2: out->position = v.iVal; break;
    case VT_I4: out->position = v.lVal; break;
    case VT_INT: out->position = v.intVal; break;
    case VT_I8: out->position = v.llVal; break;
    case VT_UI1: out->position = v.bVal; break;
    case VT_UI2: out->position = v.uiVal; break;
    case VT_UI4: out->position = v.ulVal; break;
    case VT_UINT: out->position = v.uintVal; break;
    case VT_UI8:
        out->position = v.ullVal > static_cast<ULONGLONG>(std::numeric_limits<int64_t>::max())
                            ? std::numeric_limits<int64_t>::max()
                            : static_cast<int64_t>(v.ullVal);
        break;
    case VT_BSTR:
        out->byName = true;
        out->name = FromBstr(v.bstrVal);
        break;
    default: return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT InsertPosition(LONG index, size_t count, size_t* at)
{
    if (index == -1) {
        *at = count;
        return S_OK;
    }
    if (index < 0 || static_cast<size_t>(index) > count) return DISP_E_BADINDEX;
    *at = static_cast<size_t>(index);
    return S_OK;
}

}  // namespace lodex
