// VariantChangeType(Ex): the index of every conversion, and a transaction.
//
//   1. validate the requested type (DISP_E_BADVARTYPE for types a VARIANT
//      cannot hold, DISP_E_TYPEMISMATCH for those nothing converts to);
//   2. read a VT_BYREF source through its reference (a null reference is a
//      type mismatch);
//   3. convert into a temporary: switch on the destination type, then on the
//      source type, one line per pair (changetype_targets.cpp);
//   4. commit only on success: clear the destination (an invalid destination
//      type is reported here, so only when the conversion itself worked) and
//      move the temporary in.
// So the destination is untouched on failure, and dest == src is safe: the
// result is complete before the source is released.
#include <cstring>

#include "platform/changetype_internal.h"
#include "platform/variant.h"

namespace {

using oleconv::changetype::IsValidVariantType;

// Types a VARIANT may be asked to become: the scalar types, VT_RECORD (refused
// later with a type mismatch, as on the original) and array or reference
// forms of them (also refused later).
HRESULT ValidateTarget(VARTYPE vt)
{
    if (vt & (VT_VECTOR | VT_RESERVED)) return DISP_E_BADVARTYPE;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (base == VT_RECORD) return S_OK;
    return IsValidVariantType(base) ? S_OK : DISP_E_BADVARTYPE;
}

// Types a source VARIANT may carry: a scalar type alone, or with VT_ARRAY
// and/or VT_BYREF; VT_VARIANT only as an array or reference, VT_EMPTY and
// VT_NULL only alone.
bool IsValidSource(VARTYPE vt)
{
    if (vt & (VT_VECTOR | VT_RESERVED)) return false;
    const VARTYPE base = vt & VT_TYPEMASK;
    const bool qualified = (vt & (VT_ARRAY | VT_BYREF)) != 0;
    if (!IsValidVariantType(base)) return false;
    if (base == VT_VARIANT) return qualified;
    return !(qualified && base <= VT_NULL);
}

size_t ReferencedSize(VARTYPE base)
{
    switch (base) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    default: return 8;
    }
}

// A non-owning view of the value `src` holds or references.
HRESULT Dereference(const VARIANT& src, VARIANT* view)
{
    if (!(src.vt & VT_BYREF)) {
        *view = src;
        return S_OK;
    }
    if (!src.byref) return DISP_E_TYPEMISMATCH;
    const VARTYPE target = src.vt & ~VT_BYREF;
    if (target == VT_VARIANT) {
        const VARIANT& inner = *src.pvarVal;
        // A reference to a reference to a VARIANT is refused.
        if (inner.vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
        return Dereference(inner, view);
    }
    VariantInit(view);
    if (target & VT_ARRAY) {
        view->parray = *src.pparray;
    } else if (target == VT_DECIMAL) {
        // A DECIMAL fills the whole VARIANT, its first word being where vt lives.
        std::memcpy(static_cast<void*>(view), src.byref, sizeof(VARIANT));
    } else if (target == VT_BSTR || target == VT_UNKNOWN || target == VT_DISPATCH) {
        view->byref = *static_cast<void**>(src.byref);
    } else {
        std::memcpy(&view->llVal, src.byref, ReferencedSize(target));
    }
    view->vt = target;
    return S_OK;
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt)
{
    if (!dest || !src) return E_INVALIDARG;
    HRESULT hr = ValidateTarget(vt);
    if (FAILED(hr)) return hr;
    if (!IsValidSource(src->vt)) return DISP_E_BADVARTYPE;

    VARIANT value;
    hr = Dereference(*src, &value);
    if (FAILED(hr)) return hr;

    VARIANT result;
    VariantInit(&result);
    hr = oleconv::changetype::Convert(value, lcid, flags, vt, &result);
    if (FAILED(hr)) return hr;

    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *dest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt)
{
    return VariantChangeTypeEx(dest, src, LOCALE_USER_DEFAULT, flags, vt);
}
