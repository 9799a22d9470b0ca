#pragma once
// The objects of a plug-in, in two forms:
//
//   class CThing : public bvd::Object<IThing, ISupportErrorInfo> { ... };
//
// CThing implements its interfaces' own members only. The IUnknown members
// come from the form it is made in:
//   - Plain<CThing>: its own reference count and QueryInterface;
//   - Aggregated<CThing>: part of an outer object. The outer object holds the
//     non-delegating IUnknown (the only interface it may ask for at creation);
//     every interface of CThing hands its IUnknown calls to the outer object.
// Every object counts in the module's lock count from construction to
// destruction, whatever form it is made in.
//
// CreateInstance<T> and CreateAggregated<T> are the instance creators of an
// object map entry (module.h); CreateObject<T> makes the plain form for the
// plug-in's own use.
#include <atomic>
#include <new>
#include <utility>

#include "common/module_lock.h"
#include "platform/comobject.h"  // FindInterfaceOf
#include "platform/comptr.h"

namespace bvd {

template <class First, class... Rest>
class Object : public First, public Rest... {
public:
    // Declared again so that a pointer to the class names one IUnknown; the
    // form (Plain, Aggregated) supplies them.
    HRESULT QueryInterface(REFIID riid, void** ppv) override = 0;
    ULONG AddRef() override = 0;
    ULONG Release() override = 0;

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The interface pointer for `riid` among the listed interfaces and their
    // bases (IUnknown: the first one), or null; no reference is added.
    void* FindInterface(REFIID riid)
    {
        if (riid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<First*>(this));
        if (void* p = FindInterfaceOf<First, Rest...>(this, riid)) return p;
        return QueryExtra(riid);
    }

protected:
    Object() { LockModule(); }
    virtual ~Object() { UnlockModule(); }
    // A further interface the class answers itself; the pointer must belong
    // to this object.
    virtual void* QueryExtra(REFIID) { return nullptr; }
};

// The stand-alone form.
template <class T>
class Plain final : public T {
public:
    template <class... A>
    explicit Plain(A&&... args) : T(std::forward<A>(args)...) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = this->FindInterface(riid);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        const ULONG n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (n == 0) delete this;
        return n;
    }

private:
    std::atomic<ULONG> refs_{0};
};

// The aggregated form: this object is the inner, non-delegating IUnknown that
// the outer object owns; its `Inner` part answers the interfaces of T with
// IUnknown calls delegated to the outer object.
template <class T>
class Aggregated final : public IUnknown {
public:
    template <class... A>
    explicit Aggregated(IUnknown* outer, A&&... args) : inner_(outer, std::forward<A>(args)...) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        void* found = inner_.FindInterface(riid);
        if (!found) return E_NOINTERFACE;
        *ppv = found;
        inner_.AddRef();  // counted on the outer object, as every interface it hands out
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        const ULONG n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (n == 0) delete this;
        return n;
    }

    T& Inner() { return inner_; }

private:
    class Contained final : public T {
    public:
        template <class... A>
        explicit Contained(IUnknown* outer, A&&... args) : T(std::forward<A>(args)...), outer_(outer) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return outer_->QueryInterface(riid, ppv); }
        ULONG AddRef() override { return outer_->AddRef(); }
        ULONG Release() override { return outer_->Release(); }

    private:
        IUnknown* outer_;  // not counted: the outer object owns this one
    };

    Contained inner_;
    std::atomic<ULONG> refs_{0};
};

// Lets T finish its construction with a result (a member
// `HRESULT FinalConstruct()`), when it has one.
template <class T>
HRESULT FinishConstruction(T& object)
{
    if constexpr (requires { object.FinalConstruct(); })
        return object.FinalConstruct();
    else
        return S_OK;
}

// Instance creator of the plain form (IClassFactory::CreateInstance without an
// outer object).
template <class T>
HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
        ComPtr<Plain<T>> object(new Plain<T>());
        if (const HRESULT hr = FinishConstruction<T>(*object); FAILED(hr)) return hr;
        return object->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Instance creator of the aggregated form: the outer object may ask for
// IUnknown only, and receives the inner, non-delegating one.
template <class T>
HRESULT CreateAggregated(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!outer) return E_INVALIDARG;
    if (riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    try {
        ComPtr<Aggregated<T>> object(new Aggregated<T>(outer));
        if (const HRESULT hr = FinishConstruction<T>(object->Inner()); FAILED(hr)) return hr;
        *ppv = static_cast<IUnknown*>(object.Detach());
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// A plain object for the plug-in's own use (throws std::bad_alloc).
template <class T, class... A>
ComPtr<Plain<T>> CreateObject(A&&... args)
{
    return ComPtr<Plain<T>>(new Plain<T>(std::forward<A>(args)...));
}

}  // namespace bvd
