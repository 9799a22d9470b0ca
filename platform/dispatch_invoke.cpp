// The generic Invoke: selects the member, checks and converts the arguments
// into a call frame, calls the member's generated thunk and reports its
// failure as DISP_E_EXCEPTION.
//
// Arguments arrive in reverse order: parameter k is rgvarg[cArgs-1-k]; the
// value of a property put is always rgvarg[0].
#include <new>
#include <optional>
#include <vector>

#include "platform/comerror.h"
#include "platform/dispatch_internal.h"
#include "platform/errorinfo.h"

namespace {

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

bool HoldsObject(const VARIANT& v)
{
    VARTYPE t = v.vt & ~VT_BYREF;
    return t == VT_UNKNOWN || t == VT_DISPATCH;
}

// An argument for an object parameter: VT_UNKNOWN or VT_DISPATCH (also by
// reference), null allowed; nothing else is turned into an object.
HRESULT CoerceObject(const VARIANT& src, VARTYPE vt, VARIANT* dst)
{
    const VARIANT* v = src.vt == (VT_BYREF | VT_VARIANT) ? src.pvarVal : &src;
    if (!v) return DISP_E_TYPEMISMATCH;
    IUnknown* unk = nullptr;
    IDispatch* disp = nullptr;
    switch (v->vt) {
    case VT_UNKNOWN: unk = v->punkVal; break;
    case VT_DISPATCH: unk = disp = v->pdispVal; break;
    case VT_BYREF | VT_UNKNOWN: unk = v->ppunkVal ? *v->ppunkVal : nullptr; break;
    case VT_BYREF | VT_DISPATCH: unk = disp = v->ppdispVal ? *v->ppdispVal : nullptr; break;
    default: return DISP_E_TYPEMISMATCH;
    }
    if (vt == VT_UNKNOWN) {
        if (unk) unk->AddRef();
        dst->vt = VT_UNKNOWN;
        dst->punkVal = unk;
        return S_OK;
    }
    if (disp)
        disp->AddRef();
    else if (unk && FAILED(unk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp))))
        return DISP_E_TYPEMISMATCH;
    dst->vt = VT_DISPATCH;
    dst->pdispVal = disp;
    return S_OK;
}

// Converts an argument (by reference or not) to the declared type into `dst`
// (empty on entry, owned by the caller afterwards).
HRESULT Coerce(const VARIANT& src, VARTYPE vt, VARIANT* dst)
{
    HRESULT hr;
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        hr = CoerceObject(src, vt, dst);
    } else {
        Variant plain;
        hr = VariantCopyInd(&plain, &src);
        if (SUCCEEDED(hr)) hr = VariantChangeType(dst, &plain, 0, vt);
    }
    // An overflow and a lack of memory say what happened; every other
    // conversion failure is a type mismatch for the caller.
    if (SUCCEEDED(hr) || hr == DISP_E_OVERFLOW || hr == E_OUTOFMEMORY) return hr;
    return DISP_E_TYPEMISMATCH;
}

Variant DefaultValue(const DispDefault& d)
{
    switch (d.vt) {
    case VT_BOOL: return Variant::Bool(d.number != 0);
    case VT_R8: return Variant::Double(d.real);
    case VT_BSTR: return Variant::Text(d.text ? d.text : u"");
    default: return Variant::Long(d.number);
    }
}

// Writes an out value through the caller's by-reference argument, whose type
// was checked before the call (the declared type, or VARIANT). The previous
// value there is released: automation callers always pass live variables.
void StoreByRef(const VARIANT& ref, VARIANT& v)
{
    switch (ref.vt & ~VT_BYREF) {
    case VT_VARIANT:
        VariantClear(ref.pvarVal);
        *ref.pvarVal = v;
        return;
    case VT_BSTR:
        SysFreeString(*ref.pbstrVal);
        *ref.pbstrVal = v.bstrVal;
        return;
    case VT_UNKNOWN:
        if (*ref.ppunkVal) (*ref.ppunkVal)->Release();
        *ref.ppunkVal = v.punkVal;
        return;
    case VT_DISPATCH:
        if (*ref.ppdispVal) (*ref.ppdispVal)->Release();
        *ref.ppdispVal = v.pdispVal;
        return;
    case VT_I1: *static_cast<CHAR*>(ref.byref) = v.cVal; return;
    case VT_UI1: *ref.pbVal = v.bVal; return;
    case VT_I2: *ref.piVal = v.iVal; return;
    case VT_BOOL: *ref.pboolVal = v.boolVal; return;
    case VT_UI2: *static_cast<USHORT*>(ref.byref) = v.uiVal; return;
    case VT_I4: *ref.plVal = v.lVal; return;
    case VT_INT: *static_cast<INT*>(ref.byref) = v.intVal; return;
    case VT_ERROR: *ref.pscode = v.scode; return;
    case VT_UI4: *static_cast<ULONG*>(ref.byref) = v.ulVal; return;
    case VT_UINT: *static_cast<UINT*>(ref.byref) = v.uintVal; return;
    case VT_R4: *ref.pfltVal = v.fltVal; return;
    case VT_R8: *ref.pdblVal = v.dblVal; return;
    case VT_DATE: *ref.pdate = v.date; return;
    default: VariantClear(&v); return;
    }
}

class Frame final : public DispCallFrame {
public:
    struct Slot {
        VARIANT in{};                   // VT_EMPTY until prepared
        bool owned = false;             // `in` holds resources of its own
        const VARIANT* target = nullptr;  // the caller's by-reference argument
        int argIndex = -1;              // position in rgvarg, -1 when absent
    };

    Frame(const DispMember& member, VARIANT* result) : member_(member), slots_(member.params.size()), result_(result) {}
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame()
    {
        for (Slot& s : slots_)
            if (s.owned) VariantClear(&s.in);
    }

    Slot& slot(size_t k) { return slots_[k]; }
    std::optional<size_t> failed() const { return failed_; }

    const VARIANT& In(size_t k) const override { return slots_[k].in; }
    VARTYPE Type(size_t k) const override { return member_.params[k].vt; }
    void Out(size_t k, VARIANT& value) override
    {
        if (member_.params[k].IsRetVal() && result_)
            *result_ = value;
        else if (slots_[k].target)
            StoreByRef(*slots_[k].target, value);
        else
            VariantClear(&value);  // nobody asked for it
        value.vt = VT_EMPTY;
    }
    void ArgFailed(size_t k) override { failed_ = k; }

private:
    const DispMember& member_;
    std::vector<Slot> slots_;
    VARIANT* result_;
    std::optional<size_t> failed_;
};

// The member that `flags` asks for under `id`; null when there is none.
const DispMember* Select(const DispInterface& desc, DISPID id, WORD flags, const DISPPARAMS& params)
{
    const DispMember* byKind[4] = {};
    for (const DispMember& m : desc.members)
        if (m.id == id) byKind[static_cast<int>(m.kind)] = &m;
    const DispMember* method = byKind[static_cast<int>(DispKind::Method)];
    const DispMember* get = byKind[static_cast<int>(DispKind::PropertyGet)];
    const DispMember* put = byKind[static_cast<int>(DispKind::PropertyPut)];
    const DispMember* putref = byKind[static_cast<int>(DispKind::PropertyPutRef)];

    const bool wantPut = flags & DISPATCH_PROPERTYPUT;
    const bool wantPutRef = flags & DISPATCH_PROPERTYPUTREF;
    if (wantPut && wantPutRef) {
        // Both put bits (as script engines send for a VARIANT value): an
        // object goes to putref when there is one.
        bool object = params.cArgs > 0 && params.rgvarg && HoldsObject(params.rgvarg[0]);
        if (putref && (object || !put)) return putref;
        return put;
    }
    if (wantPutRef) return putref;
    if (wantPut) return put;
    if ((flags & DISPATCH_METHOD) && method) return method;
    if ((flags & DISPATCH_PROPERTYGET) && get) return get;
    return nullptr;
}

// Fills EXCEPINFO for a failed member from the thread's error object (taking
// it), or from the HRESULT when there is none.
void FillException(HRESULT hr, EXCEPINFO* info)
{
    if (!info) return;  // the error object stays for the caller's GetErrorInfo
    *info = EXCEPINFO{};
    info->scode = hr;
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) == S_OK && error) {
        error->GetSource(&info->bstrSource);
        error->GetDescription(&info->bstrDescription);
        error->GetHelpFile(&info->bstrHelpFile);
        error->GetHelpContext(&info->dwHelpContext);
    }
    if (!info->bstrDescription) info->bstrDescription = BStr(ComErrorMessage(hr)).Detach();
}

class Invocation {
public:
    Invocation(const DispMember& m, const DISPPARAMS& params, VARIANT* result, UINT* argErr)
        : m_(m), params_(params), frame_(m, result), argErr_(argErr)
    {
    }

    HRESULT Run(void* instance, EXCEPINFO* excepInfo)
    {
        if (HRESULT hr = Prepare(); FAILED(hr)) return hr;
        HRESULT hr = m_.thunk(instance, frame_);
        if (std::optional<size_t> k = frame_.failed()) {
            SetArgErr(frame_.slot(*k).argIndex);
            return hr;
        }
        if (FAILED(hr)) {
            FillException(hr, excepInfo);
            return DISP_E_EXCEPTION;
        }
        return S_OK;
    }

private:
    bool IsPut() const { return m_.kind == DispKind::PropertyPut || m_.kind == DispKind::PropertyPutRef; }

    void SetArgErr(int index)
    {
        if (argErr_ && index >= 0) *argErr_ = static_cast<UINT>(index);
    }
    HRESULT ArgError(HRESULT hr, int index)
    {
        SetArgErr(index);
        return hr;
    }

    HRESULT Prepare()
    {
        const size_t n = m_.params.size();
        const bool hasRetVal = n > 0 && m_.params.back().IsRetVal();
        const size_t formal = n - (hasRetVal ? 1 : 0);  // parameters fed by arguments
        const UINT cArgs = params_.cArgs;

        if (params_.cNamedArgs > 0 &&
            (!IsPut() || params_.cNamedArgs != 1 || !params_.rgdispidNamedArgs ||
             params_.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_NONAMEDARGS;
        // A put without the DISPID_PROPERTYPUT marker is accepted: its value
        // is rgvarg[0] either way.

        const size_t positional = formal - (IsPut() ? 1 : 0);
        if (IsPut() && cArgs == 0) return DISP_E_BADPARAMCOUNT;
        const size_t given = cArgs - (IsPut() ? 1 : 0);
        size_t required = 0;
        while (required < positional && !m_.params[required].IsOptional()) ++required;
        if (given > positional || given < required) return DISP_E_BADPARAMCOUNT;

        for (size_t k = 0; k < formal; ++k) {
            int index = -1;
            if (IsPut() && k + 1 == formal)
                index = 0;
            else if (k < given)
                index = static_cast<int>(cArgs - 1 - k);
            if (HRESULT hr = PrepareParam(k, index); FAILED(hr)) return hr;
        }
        return S_OK;
    }

    HRESULT PrepareParam(size_t k, int index)
    {
        const DispParam& p = m_.params[k];
        Frame::Slot& slot = frame_.slot(k);
        slot.argIndex = index;
        const VARIANT* arg = index >= 0 ? &params_.rgvarg[index] : nullptr;
        if (arg && IsMissing(*arg)) {
            if (!p.IsOptional()) return ArgError(DISP_E_PARAMNOTOPTIONAL, index);
            arg = nullptr;
        }
        const bool in = p.flags & PARAMFLAG_FIN;
        const bool out = p.flags & PARAMFLAG_FOUT;

        if (arg && out) {
            // [out] and [in, out] take the caller's variable by reference, of
            // the declared type or VARIANT; no conversion on the way back.
            const VARTYPE base = arg->vt & ~VT_BYREF;
            if (!(arg->vt & VT_BYREF) || !arg->byref || (base != p.vt && base != VT_VARIANT))
                return ArgError(DISP_E_TYPEMISMATCH, index);
            slot.target = arg;
            if (!in) return S_OK;
        }
        if (arg) {
            if (p.vt == VT_VARIANT && !out) {
                slot.in = *arg;  // passed as given, as COM passes VARIANTs
                return S_OK;
            }
            slot.owned = true;
            HRESULT hr = p.vt == VT_VARIANT ? VariantCopyInd(&slot.in, arg) : Coerce(*arg, p.vt, &slot.in);
            return FAILED(hr) ? ArgError(hr, index) : S_OK;
        }
        // Missing: the default, or the "missing" marker for an optional VARIANT.
        if (!in) return S_OK;
        if (p.flags & PARAMFLAG_FHASDEFAULT) {
            slot.owned = true;
            Variant def = DefaultValue(p.def);
            return Coerce(def, p.vt, &slot.in);
        }
        slot.in.vt = VT_ERROR;
        slot.in.scode = DISP_E_PARAMNOTFOUND;
        return S_OK;
    }

    const DispMember& m_;
    const DISPPARAMS& params_;
    Frame frame_;
    UINT* argErr_;
};

}  // namespace

HRESULT DispatchInvoke(const DispInterface& desc, void* instance, DISPID id, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs) return E_INVALIDARG;
    if (result) VariantInit(result);
    try {
        const DispMember* member = Select(desc, id, flags, *params);
        if (!member) return DISP_E_MEMBERNOTFOUND;
        return Invocation(*member, *params, result, argErr).Run(instance, excepInfo);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
