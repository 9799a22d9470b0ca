#pragma once
// The generic IDispatch of dual interfaces.
//
// Each dual interface is described once, in one source file, by a function
// found through argument-dependent lookup:
//
//     const DispInterface& DescribeDispatch(const IValue*)
//     {
//         static const DispInterface d = DispInterfaceBuilder<IValue>(u"IValue", u"A value")
//             .PropGet<&IValue::get_Value>(u"Value", 0, u"The datum",
//                  {ParamOptional(u"IsDirty", VT_BOOL, DispDefault::Bool(true)), ParamRetVal(u"pVal", VT_VARIANT)})
//             .PropPut<&IValue::put_Value>(u"Value", 0, u"The datum",
//                  {ParamOptional(u"IsDirty", VT_BOOL, DispDefault::Bool(true)), ParamIn(u"newVal", VT_VARIANT)})
//             .Build();
//         return d;
//     }
//
// and a COM class gets IDispatch from it by deriving through the mixin:
//
//     class CValue : public ComObject<DispatchImpl<IValue>, ISupportErrorInfo> { ... };
//
// The description names every member with its dispatch id, kind, parameters
// (automation type and PARAMFLAG_* flags) and help string. The call of the C++
// member is generated from its member-function pointer (DispThunk below), so
// no interface writes Invoke by hand. Build() checks the description against
// the C++ signatures (counts, types, out-pointers, retval and optional rules)
// and throws std::logic_error on a mismatch.
//
// Supported C++ parameter types: LONG, ULONG, SHORT (also VARIANT_BOOL),
// USHORT, BYTE, CHAR, float, double (also DATE), BSTR, VARIANT, IUnknown*,
// IDispatch*, any interface pointer, and the pointer forms of all of these for
// [out], [in, out] and [out, retval] parameters.
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/comptr.h"
#include "platform/dispatch.h"
#include "platform/export.h"
#include "platform/typeinfo.h"
#include "platform/variant.h"

enum class DispKind : uint8_t { Method, PropertyGet, PropertyPut, PropertyPutRef };

// The default value of an optional parameter ([defaultvalue(...)]); it is
// converted to the parameter's type like an argument.
struct DispDefault {
    VARTYPE vt = VT_EMPTY;  // VT_EMPTY: no default
    LONG number = 0;        // VT_I4 and VT_BOOL
    double real = 0;        // VT_R8
    const char16_t* text = nullptr;  // VT_BSTR

    static constexpr DispDefault Long(LONG n) { return {VT_I4, n}; }
    static constexpr DispDefault Bool(bool b) { return {VT_BOOL, b ? VARIANT_TRUE : VARIANT_FALSE}; }
    static constexpr DispDefault Real(double d) { return {VT_R8, 0, d}; }
    static constexpr DispDefault Text(const char16_t* s) { return {VT_BSTR, 0, 0, s}; }
};

struct DispParam {
    std::u16string name;
    VARTYPE vt;     // the automation type, without VT_BYREF (VT_VARIANT for VARIANT)
    USHORT flags;   // PARAMFLAG_*
    DispDefault def;

    bool IsOut() const { return (flags & (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)) != 0; }
    bool IsRetVal() const { return (flags & PARAMFLAG_FRETVAL) != 0; }
    bool IsOptional() const { return (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0; }
};

inline DispParam ParamIn(std::u16string name, VARTYPE vt) { return {std::move(name), vt, PARAMFLAG_FIN, {}}; }
inline DispParam ParamOut(std::u16string name, VARTYPE vt) { return {std::move(name), vt, PARAMFLAG_FOUT, {}}; }
inline DispParam ParamInOut(std::u16string name, VARTYPE vt)
{
    return {std::move(name), vt, static_cast<USHORT>(PARAMFLAG_FIN | PARAMFLAG_FOUT), {}};
}
inline DispParam ParamRetVal(std::u16string name, VARTYPE vt)
{
    return {std::move(name), vt, static_cast<USHORT>(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL), {}};
}
// [in, optional]: a missing VARIANT argument arrives as VT_ERROR
// DISP_E_PARAMNOTFOUND; with a default, the default arrives instead.
inline DispParam ParamOptional(std::u16string name, VARTYPE vt, DispDefault def = {})
{
    USHORT flags = PARAMFLAG_FIN | PARAMFLAG_FOPT;
    if (def.vt != VT_EMPTY) flags |= PARAMFLAG_FHASDEFAULT;
    return {std::move(name), vt, flags, def};
}

// What a C++ parameter type can carry; Build() matches it against the
// declared automation type.
enum class DispShapeKind : uint8_t {
    Int8, Int16, Int32, UInt8, UInt16, UInt32, Real32, Real64, Text, Variant,
    Unknown,            // IUnknown*
    Dispatch,           // IDispatch*
    Interface,          // an interface not derived from IDispatch
    DispatchInterface,  // an interface derived from IDispatch
    Unsupported
};
struct DispShape {
    DispShapeKind kind;
    bool pointer;  // the out-pointer form
};

// The arguments of one call, as the generated thunk sees them. Parameter k is
// the k-th parameter of the C++ member.
class DispCallFrame {
public:
    // The incoming value of parameter k, converted to its declared type; for a
    // missing VARIANT argument VT_ERROR DISP_E_PARAMNOTFOUND; VT_EMPTY for a
    // pure [out] parameter.
    virtual const VARIANT& In(size_t k) const = 0;
    // The declared automation type of parameter k.
    virtual VARTYPE Type(size_t k) const = 0;
    // Hands the outgoing value of parameter k to its destination (the result
    // or the caller's by-reference argument). Takes over `value`'s content and
    // leaves it VT_EMPTY.
    virtual void Out(size_t k, VARIANT& value) = 0;
    // The thunk could not use argument k (an interface it does not support).
    virtual void ArgFailed(size_t k) = 0;

protected:
    ~DispCallFrame() = default;
};

// Calls the C++ member on `instance` (the described interface's pointer).
using DispThunkFn = HRESULT (*)(void* instance, DispCallFrame& frame);

struct DispMember {
    std::u16string name;
    DISPID id;
    DispKind kind;
    std::vector<DispParam> params;
    std::u16string help;
    DispThunkFn thunk;
    std::vector<DispShape> shapes;  // of the C++ parameters, for Build()'s checks

    // The automation type of the result (the retval parameter), VT_EMPTY if none.
    VARTYPE ResultType() const
    {
        return !params.empty() && params.back().IsRetVal() ? params.back().vt : static_cast<VARTYPE>(VT_EMPTY);
    }
};

struct DispInterface {
    std::u16string name;
    IID iid{};
    std::u16string help;
    std::vector<DispMember> members;  // in slot order
};

// Checks a description; throws std::logic_error naming the first fault.
PLATFORM_API void ValidateDispInterface(const DispInterface& desc);

// The generic members, used by DispatchImpl and by the described ITypeInfo.
PLATFORM_API HRESULT DispatchGetIDsOfNames(const DispInterface& desc, LPOLESTR* names, UINT count, DISPID* ids);
PLATFORM_API HRESULT DispatchInvoke(const DispInterface& desc, void* instance, DISPID id, WORD flags,
                                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);
// An ITypeInfo answering from the description. `desc` must outlive it (they
// are static).
PLATFORM_API HRESULT CreateDispTypeInfo(const DispInterface& desc, ITypeInfo** out);

namespace dispatch_detail {

template <class T>
inline constexpr bool kScalar = std::is_same_v<T, LONG> || std::is_same_v<T, ULONG> || std::is_same_v<T, SHORT> ||
                                std::is_same_v<T, USHORT> || std::is_same_v<T, BYTE> || std::is_same_v<T, CHAR> ||
                                std::is_same_v<T, float> || std::is_same_v<T, double>;

template <class T>
inline constexpr bool kInterface = std::is_class_v<T> && std::is_base_of_v<IUnknown, T>;

template <class T>
constexpr DispShapeKind BaseShape()
{
    if constexpr (std::is_same_v<T, LONG>) return DispShapeKind::Int32;
    else if constexpr (std::is_same_v<T, ULONG>) return DispShapeKind::UInt32;
    else if constexpr (std::is_same_v<T, SHORT>) return DispShapeKind::Int16;
    else if constexpr (std::is_same_v<T, USHORT>) return DispShapeKind::UInt16;
    else if constexpr (std::is_same_v<T, BYTE>) return DispShapeKind::UInt8;
    else if constexpr (std::is_same_v<T, CHAR>) return DispShapeKind::Int8;
    else if constexpr (std::is_same_v<T, float>) return DispShapeKind::Real32;
    else if constexpr (std::is_same_v<T, double>) return DispShapeKind::Real64;
    else if constexpr (std::is_same_v<T, BSTR>) return DispShapeKind::Text;
    else if constexpr (std::is_same_v<T, VARIANT>) return DispShapeKind::Variant;
    else if constexpr (std::is_same_v<T, IUnknown*>) return DispShapeKind::Unknown;
    else if constexpr (std::is_same_v<T, IDispatch*>) return DispShapeKind::Dispatch;
    else if constexpr (std::is_pointer_v<T> && kInterface<std::remove_pointer_t<T>>)
        return std::is_base_of_v<IDispatch, std::remove_pointer_t<T>> ? DispShapeKind::DispatchInterface
                                                                     : DispShapeKind::Interface;
    else return DispShapeKind::Unsupported;
}

template <class T>
constexpr DispShape ShapeOf()
{
    // A parameter is an out-pointer when stripping one pointer leaves a
    // supported type; BSTR and interface pointers are themselves pointers.
    if constexpr (std::is_pointer_v<T> && BaseShape<std::remove_pointer_t<T>>() != DispShapeKind::Unsupported)
        return {BaseShape<std::remove_pointer_t<T>>(), true};
    else
        return {BaseShape<T>(), false};
}

// Reads a scalar of the declared type from a VARIANT that holds it.
template <class T>
T ReadScalar(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I1: return static_cast<T>(v.cVal);
    case VT_UI1: return static_cast<T>(v.bVal);
    case VT_I2: return static_cast<T>(v.iVal);
    case VT_BOOL: return static_cast<T>(v.boolVal);
    case VT_UI2: return static_cast<T>(v.uiVal);
    case VT_I4: return static_cast<T>(v.lVal);
    case VT_INT: return static_cast<T>(v.intVal);
    case VT_ERROR: return static_cast<T>(v.scode);
    case VT_UI4: return static_cast<T>(v.ulVal);
    case VT_UINT: return static_cast<T>(v.uintVal);
    case VT_R4: return static_cast<T>(v.fltVal);
    case VT_R8: return static_cast<T>(v.dblVal);
    case VT_DATE: return static_cast<T>(v.date);
    default: return T{};
    }
}

template <class T>
void WriteScalar(VARIANT& v, VARTYPE vt, T x)
{
    v.vt = vt;
    switch (vt) {
    case VT_I1: v.cVal = static_cast<CHAR>(x); break;
    case VT_UI1: v.bVal = static_cast<BYTE>(x); break;
    case VT_I2: v.iVal = static_cast<SHORT>(x); break;
    case VT_BOOL: v.boolVal = static_cast<VARIANT_BOOL>(x); break;
    case VT_UI2: v.uiVal = static_cast<USHORT>(x); break;
    case VT_I4: v.lVal = static_cast<LONG>(x); break;
    case VT_INT: v.intVal = static_cast<INT>(x); break;
    case VT_ERROR: v.scode = static_cast<SCODE>(x); break;
    case VT_UI4: v.ulVal = static_cast<ULONG>(x); break;
    case VT_UINT: v.uintVal = static_cast<UINT>(x); break;
    case VT_R4: v.fltVal = static_cast<FLOAT>(x); break;
    case VT_R8: v.dblVal = static_cast<DOUBLE>(x); break;
    case VT_DATE: v.date = static_cast<DATE>(x); break;
    default: v.vt = VT_EMPTY; break;
    }
}

inline IUnknown* UnknownOf(const VARIANT& v)
{
    if (v.vt == VT_DISPATCH) return v.pdispVal;
    if (v.vt == VT_UNKNOWN) return v.punkVal;
    return nullptr;
}

// The interface pointer of the requested type from an argument that holds an
// interface; null stays null.
template <class J>
HRESULT QueryArg(const VARIANT& v, J** out)
{
    *out = nullptr;
    IUnknown* unk = UnknownOf(v);
    if (!unk) return S_OK;
    if constexpr (std::is_same_v<J, IUnknown>) {
        unk->AddRef();
        *out = unk;
        return S_OK;
    } else {
        return SUCCEEDED(unk->QueryInterface(uuidof<J>(), reinterpret_cast<void**>(out))) ? S_OK
                                                                                           : DISP_E_TYPEMISMATCH;
    }
}

// Holder of one C++ argument: Load before the call, Get for the call, Deliver
// after a successful call (out values only).
template <class T>
struct DispArg {
    static_assert(ShapeOf<T>().kind != DispShapeKind::Unsupported, "parameter type not supported by DispatchImpl");
};

template <class T>
    requires kScalar<T>
struct DispArg<T> {
    T value{};
    HRESULT Load(DispCallFrame& f, size_t k) { value = ReadScalar<T>(f.In(k)); return S_OK; }
    T Get() { return value; }
    void Deliver(DispCallFrame&, size_t) {}
};

template <class T>
    requires kScalar<T>
struct DispArg<T*> {
    T value{};
    HRESULT Load(DispCallFrame& f, size_t k) { value = ReadScalar<T>(f.In(k)); return S_OK; }
    T* Get() { return &value; }
    void Deliver(DispCallFrame& f, size_t k)
    {
        VARIANT v;
        VariantInit(&v);
        WriteScalar(v, f.Type(k), value);
        f.Out(k, v);
    }
};

template <>
struct DispArg<BSTR> {
    BSTR value = nullptr;  // owned by the frame
    HRESULT Load(DispCallFrame& f, size_t k)
    {
        const VARIANT& v = f.In(k);
        value = v.vt == VT_BSTR ? v.bstrVal : nullptr;
        return S_OK;
    }
    BSTR Get() { return value; }
    void Deliver(DispCallFrame&, size_t) {}
};

template <>
struct DispArg<BSTR*> {
    BSTR value = nullptr;
    DispArg() = default;
    DispArg(const DispArg&) = delete;
    DispArg& operator=(const DispArg&) = delete;
    ~DispArg() { SysFreeString(value); }
    HRESULT Load(DispCallFrame& f, size_t k)
    {
        const VARIANT& v = f.In(k);
        if (v.vt != VT_BSTR || !v.bstrVal) return S_OK;
        value = SysAllocStringLen(v.bstrVal, SysStringLen(v.bstrVal));
        return value ? S_OK : E_OUTOFMEMORY;
    }
    BSTR* Get() { return &value; }
    void Deliver(DispCallFrame& f, size_t k)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = std::exchange(value, nullptr);
        f.Out(k, v);
    }
};

template <>
struct DispArg<VARIANT> {
    VARIANT value{};  // a shallow view of the frame's value, as COM passes VARIANTs
    HRESULT Load(DispCallFrame& f, size_t k) { value = f.In(k); return S_OK; }
    VARIANT Get() { return value; }
    void Deliver(DispCallFrame&, size_t) {}
};

template <>
struct DispArg<VARIANT*> {
    Variant value;
    HRESULT Load(DispCallFrame& f, size_t k)
    {
        const VARIANT& in = f.In(k);
        return in.vt == VT_EMPTY ? S_OK : VariantCopy(&value, &in);
    }
    VARIANT* Get() { return &value; }
    void Deliver(DispCallFrame& f, size_t k)
    {
        VARIANT v = value;  // moves the content: `value` gives it up below
        value.vt = VT_EMPTY;
        f.Out(k, v);
    }
};

template <class J>
    requires kInterface<J>
struct DispArg<J*> {
    ComPtr<J> value;
    HRESULT Load(DispCallFrame& f, size_t k) { return QueryArg<J>(f.In(k), value.put()); }
    J* Get() { return value.get(); }
    void Deliver(DispCallFrame&, size_t) {}
};

template <class J>
    requires kInterface<J>
struct DispArg<J**> {
    J* value = nullptr;  // one reference, handed to the callee for [in, out]
    DispArg() = default;
    DispArg(const DispArg&) = delete;
    DispArg& operator=(const DispArg&) = delete;
    ~DispArg() { if (value) value->Release(); }
    HRESULT Load(DispCallFrame& f, size_t k) { return QueryArg<J>(f.In(k), &value); }
    J** Get() { return &value; }
    void Deliver(DispCallFrame& f, size_t k)
    {
        VARIANT v;
        VariantInit(&v);
        J* p = std::exchange(value, nullptr);
        if constexpr (std::is_base_of_v<IDispatch, J>) {
            if (f.Type(k) == VT_DISPATCH) {
                v.vt = VT_DISPATCH;
                v.pdispVal = p;
                f.Out(k, v);
                return;
            }
        }
        v.vt = VT_UNKNOWN;
        v.punkVal = p;
        f.Out(k, v);
    }
};

template <class F>
struct Signature;
template <class C, class... A>
struct Signature<HRESULT (C::*)(A...)> {
    using Class = C;
    using Args = std::tuple<A...>;
    static std::vector<DispShape> Shapes() { return {ShapeOf<A>()...}; }
};
template <class C, class... A>
struct Signature<HRESULT (C::*)(A...) noexcept> : Signature<HRESULT (C::*)(A...)> {};

template <class I, auto Fn, class... A, size_t... K>
HRESULT Call(void* instance, DispCallFrame& frame, std::tuple<A...>*, std::index_sequence<K...>)
{
    std::tuple<DispArg<A>...> args;
    HRESULT hr = S_OK;
    size_t failed = 0;
    auto load = [&](auto& arg, size_t k) {
        if (FAILED(hr)) return;
        hr = arg.Load(frame, k);
        failed = k;
    };
    (load(std::get<K>(args), K), ...);
    (void)load;  // unused for members without parameters
    if (FAILED(hr)) {
        frame.ArgFailed(failed);
        return hr;
    }
    hr = (static_cast<I*>(instance)->*Fn)(std::get<K>(args).Get()...);
    if (SUCCEEDED(hr)) (std::get<K>(args).Deliver(frame, K), ...);
    return hr;
}

}  // namespace dispatch_detail

// The generated call of one member: converts the frame's arguments to the C++
// parameter types, calls through the member-function pointer on the
// interface pointer, and hands the out values back.
template <class I, auto Fn>
HRESULT DispThunk(void* instance, DispCallFrame& frame)
{
    using Sig = dispatch_detail::Signature<decltype(Fn)>;
    using Args = typename Sig::Args;
    return dispatch_detail::Call<I, Fn>(instance, frame, static_cast<Args*>(nullptr),
                                        std::make_index_sequence<std::tuple_size_v<Args>>{});
}

template <class I>
class DispInterfaceBuilder {
public:
    explicit DispInterfaceBuilder(std::u16string name, std::u16string help = {})
    {
        desc_.name = std::move(name);
        desc_.iid = uuidof<I>();
        desc_.help = std::move(help);
    }

    template <auto Fn>
    DispInterfaceBuilder& Method(std::u16string name, DISPID id, std::u16string help,
                                 std::initializer_list<DispParam> params = {})
    {
        return Add<Fn>(DispKind::Method, std::move(name), id, std::move(help), params);
    }
    template <auto Fn>
    DispInterfaceBuilder& PropGet(std::u16string name, DISPID id, std::u16string help,
                                  std::initializer_list<DispParam> params)
    {
        return Add<Fn>(DispKind::PropertyGet, std::move(name), id, std::move(help), params);
    }
    template <auto Fn>
    DispInterfaceBuilder& PropPut(std::u16string name, DISPID id, std::u16string help,
                                  std::initializer_list<DispParam> params)
    {
        return Add<Fn>(DispKind::PropertyPut, std::move(name), id, std::move(help), params);
    }
    template <auto Fn>
    DispInterfaceBuilder& PropPutRef(std::u16string name, DISPID id, std::u16string help,
                                     std::initializer_list<DispParam> params)
    {
        return Add<Fn>(DispKind::PropertyPutRef, std::move(name), id, std::move(help), params);
    }

    DispInterface Build()
    {
        ValidateDispInterface(desc_);
        return std::move(desc_);
    }

private:
    template <auto Fn>
    DispInterfaceBuilder& Add(DispKind kind, std::u16string name, DISPID id, std::u16string help,
                              std::initializer_list<DispParam> params)
    {
        using Sig = dispatch_detail::Signature<decltype(Fn)>;
        static_assert(std::is_base_of_v<typename Sig::Class, I>, "member of another interface");
        desc_.members.push_back(DispMember{std::move(name), id, kind, std::vector<DispParam>(params), std::move(help),
                                           &DispThunk<I, Fn>, Sig::Shapes()});
        return *this;
    }

    DispInterface desc_;
};

// IDispatch for the dual interface I, answered from DescribeDispatch(const I*).
template <class I>
class DispatchImpl : public I {
public:
    HRESULT GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        const DispInterface* d = Description();
        return d ? CreateDispTypeInfo(*d, out) : E_UNEXPECTED;
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        const DispInterface* d = Description();
        return d ? DispatchGetIDsOfNames(*d, names, count, ids) : E_UNEXPECTED;
    }
    HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override
    {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        const DispInterface* d = Description();
        return d ? DispatchInvoke(*d, static_cast<I*>(this), id, flags, params, result, excepInfo, argErr)
                 : E_UNEXPECTED;
    }

private:
    // Null when the description fails its checks (a programming error that
    // the interface's own tests catch).
    static const DispInterface* Description() noexcept
    {
        try {
            return &DescribeDispatch(static_cast<const I*>(nullptr));
        } catch (...) {
            return nullptr;
        }
    }
};
