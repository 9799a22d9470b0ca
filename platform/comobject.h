#pragma once
// ComObject<Interfaces...>: reference counting and QueryInterface for a class
// that implements the listed interfaces. QueryInterface answers IUnknown, each
// listed interface and every interface it derives from (through `Base`).
// Objects are made by MakeCom and destroyed by their last Release.
#include <atomic>
#include <new>
#include <utility>

#include "platform/comptr.h"

template <class I>
constexpr bool InterfaceChainHas(REFIID riid)
{
    if (riid == uuidof<I>()) return true;
    if constexpr (requires { typename I::Base; })
        return InterfaceChainHas<typename I::Base>(riid);
    else
        return false;
}

// The pointer of `self` for `riid` among the interfaces I, More... and their
// bases, or null; no reference is added.
template <class I, class... More, class Self>
void* FindInterfaceOf(Self* self, REFIID riid)
{
    if (InterfaceChainHas<I>(riid)) return static_cast<I*>(self);
    if constexpr (sizeof...(More) > 0)
        return FindInterfaceOf<More...>(self, riid);
    else
        return nullptr;
}

// The implementation object behind `p` when it answers `identity`, an
// identifier private to its class, with a pointer to itself as T (objects
// of other components do not); null otherwise. Holds a reference.
template <class T>
ComPtr<T> ImplementationOf(IUnknown* p, REFIID identity)
{
    void* raw = nullptr;
    if (!p || FAILED(p->QueryInterface(identity, &raw)) || !raw) return {};
    return ComPtr<T>::Adopt(static_cast<T*>(raw));
}

template <class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        void* found = nullptr;
        if (riid == IID_IUnknown)
            found = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            found = FindInterfaceOf<First, Rest...>(this, riid);
        if (!found) found = QueryExtra(riid);
        if (!found) return E_NOINTERFACE;
        *ppv = found;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        ULONG n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (n == 0) delete this;
        return n;
    }

    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    // A further interface the derived class answers itself (none by default);
    // the returned pointer must belong to this object.
    virtual void* QueryExtra(REFIID) { return nullptr; }

private:
    std::atomic<ULONG> refs_{0};
};

// The object factory: a new object owned by the returned pointer.
template <class T, class... Args>
ComPtr<T> MakeCom(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}
