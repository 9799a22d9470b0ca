#pragma once
// Calling through IDispatch::Invoke with arguments in natural order.
#include <gtest/gtest.h>

#include <vector>

#include "dispatch_object.h"

// The "missing argument" marker of automation callers.
inline Variant Missing()
{
    Variant v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

inline Variant ByRef(VARTYPE vt, void* target)
{
    Variant v;
    v.vt = static_cast<VARTYPE>(VT_BYREF | vt);
    v.byref = target;
    return v;
}

inline Variant Object(IDispatch* d)
{
    Variant v;
    v.vt = VT_DISPATCH;
    v.pdispVal = d;
    if (d) d->AddRef();
    return v;
}

// One call's outcome; EXCEPINFO strings are owned and freed here.
struct Outcome {
    HRESULT hr = E_UNEXPECTED;
    Variant result;
    UINT argErr = 0xFFFF;
    EXCEPINFO ei{};
    Outcome() = default;
    Outcome(const Outcome&) = delete;
    Outcome& operator=(const Outcome&) = delete;
    ~Outcome()
    {
        SysFreeString(ei.bstrSource);
        SysFreeString(ei.bstrDescription);
        SysFreeString(ei.bstrHelpFile);
    }
    std::u16string Description() const { return ei.bstrDescription ? ei.bstrDescription : u""; }
    std::u16string Source() const { return ei.bstrSource ? ei.bstrSource : u""; }
};

// Arguments are given first to last; DISPPARAMS carries them last to first.
// Puts carry the DISPID_PROPERTYPUT named argument unless `namedPut` is false.
// `call` does the Invoke: IDispatch's or ITypeInfo's.
template <class Call>
void InvokeWith(Call call, WORD flags, const std::vector<VARIANT>& args, Outcome& out, bool namedPut = true)
{
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && namedPut) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    out.hr = call(flags, &params, out.result.put(), &out.ei, &out.argErr);
}

inline void Invoke(IDispatch* d, DISPID id, WORD flags, const std::vector<VARIANT>& args, Outcome& out,
                   bool namedPut = true)
{
    InvokeWith(
        [&](WORD f, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e, UINT* a) {
            return d->Invoke(id, IID_NULL, 0, f, p, r, e, a);
        },
        flags, args, out, namedPut);
}

inline std::u16string Text(const VARIANT& v) { return v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : u""; }
