// VARIANT lifetime: init, clear, deep copy, copy through a reference.
//
// What a VARIANT owns depends on its VARTYPE:
//   VT_BSTR             the string (freed by VariantClear, duplicated by VariantCopy)
//   VT_UNKNOWN/DISPATCH one reference (released / AddRef'd; a null pointer is allowed)
//   VT_ARRAY|x          the SAFEARRAY (destroyed / SafeArrayCopy'd)
//   VT_BYREF|x          nothing: the pointer is borrowed and copied as is
//   anything else       nothing: the value sits in the VARIANT itself
#include <cstring>

#include "platform/safearray.h"
#include "platform/unknown.h"
#include "platform/variant.h"

namespace {

// The VARTYPEs a VARIANT may carry: the scalar types up to VT_DECIMAL (15 is
// unassigned) and VT_I1 to VT_UINT, alone or with VT_ARRAY and/or VT_BYREF;
// VT_EMPTY and VT_NULL only alone, VT_VARIANT never alone (a VARIANT holds a
// VARIANT only through a reference or in an array). VT_VECTOR and VT_RESERVED
// never, as on the original. VT_RECORD is refused: records are not supported here.
HRESULT ValidateVt(VARTYPE vt)
{
    if (vt & (VT_VECTOR | VT_RESERVED)) return DISP_E_BADVARTYPE;
    const VARTYPE base = vt & VT_TYPEMASK;
    const bool scalar = base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT);
    if (!scalar || base == 15) return DISP_E_BADVARTYPE;
    if ((vt & (VT_ARRAY | VT_BYREF)) && base <= VT_NULL) return DISP_E_BADVARTYPE;
    if (vt == VT_VARIANT) return DISP_E_BADVARTYPE;
    return S_OK;
}

BSTR CopyBstr(BSTR s) { return SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s)); }

// Copies `src` (of a valid VARTYPE) into `out`, which owns nothing; on failure
// `out` is left VT_EMPTY.
HRESULT CopyOwned(VARIANT* out, const VARIANT& src)
{
    *out = src;
    if (src.vt & VT_BYREF) return S_OK;
    HRESULT hr = S_OK;
    if (src.vt & VT_ARRAY) {
        hr = SafeArrayCopy(src.parray, &out->parray);
    } else if (src.vt == VT_BSTR) {
        if (src.bstrVal && !(out->bstrVal = CopyBstr(src.bstrVal))) hr = E_OUTOFMEMORY;
    } else if (src.vt == VT_UNKNOWN || src.vt == VT_DISPATCH) {
        if (src.punkVal) src.punkVal->AddRef();
    }
    if (FAILED(hr)) VariantInit(out);
    return hr;
}

// Bytes a by-reference scalar of type `base` points at.
size_t ScalarSize(VARTYPE base)
{
    switch (base) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    default: return 8;  // VT_R8, VT_CY, VT_DATE, VT_I8, VT_UI8
    }
}

// Reads the by-reference `src` (of a valid VARTYPE) into `out` as a value that
// owns its content.
HRESULT CopyReferenced(VARIANT* out, const VARIANT& src)
{
    if (!src.byref) return E_INVALIDARG;
    const VARTYPE target = src.vt & ~VT_BYREF;
    VariantInit(out);
    if (target == VT_VARIANT) {
        const VARIANT& inner = *src.pvarVal;
        // A reference to a reference to a VARIANT is refused, as on the original.
        if (inner.vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
        const HRESULT hr = ValidateVt(inner.vt);
        return FAILED(hr) ? hr : CopyOwned(out, inner);
    }
    if (target & VT_ARRAY) {
        const HRESULT hr = SafeArrayCopy(*src.pparray, &out->parray);
        if (SUCCEEDED(hr)) out->vt = target;
        return hr;
    }
    switch (target) {
    case VT_BSTR:
        if (*src.pbstrVal && !(out->bstrVal = CopyBstr(*src.pbstrVal))) return E_OUTOFMEMORY;
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        out->punkVal = *src.ppunkVal;
        if (out->punkVal) out->punkVal->AddRef();
        break;
    case VT_DECIMAL:
        // A DECIMAL fills the whole VARIANT; its first (reserved) word is where vt lives.
        std::memcpy(static_cast<void*>(out), src.byref, sizeof(VARIANT));
        break;
    default:
        std::memcpy(&out->llVal, src.byref, ScalarSize(target));
        break;
    }
    out->vt = target;
    return S_OK;
}

// Replaces `dest` by `value` (which owns its content); on failure to clear
// `dest`, `value` is freed and `dest` stays as it was.
HRESULT Commit(VARIANT* dest, VARIANT& value)
{
    const HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    *dest = value;
    return S_OK;
}

}  // namespace

void VariantInit(VARIANT* v)
{
    if (v) v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v) return E_INVALIDARG;
    const HRESULT hr = ValidateVt(v->vt);
    if (FAILED(hr)) return hr;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            const HRESULT destroyed = SafeArrayDestroy(v->parray);
            if (FAILED(destroyed)) return destroyed;  // a locked array stays where it is
        } else if (v->vt == VT_BSTR) {
            SysFreeString(v->bstrVal);
        } else if (v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) {
            // Emptied before the release, which may run code that looks at this VARIANT.
            IUnknown* p = v->punkVal;
            v->vt = VT_EMPTY;
            v->llVal = 0;
            if (p) p->Release();
            return S_OK;
        }
    }
    v->vt = VT_EMPTY;
    v->llVal = 0;
    return S_OK;
}

// The copy is made aside and committed last, so that on failure `dest` is
// untouched, and so that `src` may live inside `dest` (an element of its
// array, the object it references).
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    HRESULT hr = ValidateVt(src->vt);
    if (FAILED(hr)) return hr;
    VARIANT copy;
    hr = CopyOwned(&copy, *src);
    if (FAILED(hr)) return hr;
    return Commit(dest, copy);
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src)
{
    if (!dest || !src) return E_INVALIDARG;
    if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
    HRESULT hr = ValidateVt(src->vt);
    if (FAILED(hr)) return hr;
    VARIANT copy;
    hr = CopyReferenced(&copy, *src);
    if (FAILED(hr)) return hr;
    // In place (dest == src) the by-reference value owns nothing, so clearing it is harmless.
    return Commit(dest, copy);
}
