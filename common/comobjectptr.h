#pragma once
// How an object of the model holds a child: the implementation pointer (no
// reference of its own) and a counted reference on the child's interface I,
// which keeps it alive. CCtxObjectPtr adds creation with a copy of the
// creator's context, taken once after the child's construction (in which it
// made its own children with the default context).
#include <new>
#include <utility>

#include "common/KxAssert.h"
#include "common/ctx.h"
#include "common/object.h"

template <class C, class I>
class CComObjectPtr {
public:
    CComObjectPtr() = default;
    CComObjectPtr(const CComObjectPtr& other) { *this = other; }
    virtual ~CComObjectPtr()
    {
        if (m_pInterface) m_pInterface->Release();
    }

    virtual C* operator->() const
    {
        (void)KX_CHECK(m_pObject != nullptr, "empty object pointer");
        return m_pObject;
    }
    virtual C& operator*() const
    {
        (void)KX_CHECK(m_pObject != nullptr, "empty object pointer");
        return *m_pObject;
    }
    // The implementation pointer without a check (null when empty).
    virtual C* GetObject() const noexcept { return m_pObject; }

    virtual CComObjectPtr& operator=(const CComObjectPtr& other)
    {
        if (this == &other) return *this;
        if (other.m_pInterface) other.m_pInterface->AddRef();
        I* old = std::exchange(m_pInterface, other.m_pInterface);
        m_pObject = other.m_pObject;
        if (old) old->Release();
        return *this;
    }

    // Holds an existing implementation object through its interface I.
    virtual void Attach(C* object)
    {
        I* itf = nullptr;
        if (object) {
            const HRESULT hr = object->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&itf));
            (void)KX_CHECK(SUCCEEDED(hr), "object without the interface of its pointer");
        }
        I* old = std::exchange(m_pInterface, itf);
        m_pObject = itf ? object : nullptr;
        if (old) old->Release();
    }

    virtual void Reset()
    {
        m_pObject = nullptr;
        if (I* old = std::exchange(m_pInterface, nullptr)) old->Release();
    }

    // A new instance of C (construction, then its final construction step),
    // held through I. The failure's HRESULT on failure (the pointer is then
    // empty).
    HRESULT Create()
    {
        Reset();
        try {
            ComPtr<bvd::Plain<C>> object(new bvd::Plain<C>());
            if (const HRESULT hr = bvd::FinishConstruction<C>(*object); FAILED(hr)) return hr;
            I* itf = nullptr;
            if (const HRESULT hr = object->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&itf)); FAILED(hr))
                return hr;
            m_pInterface = itf;
            m_pObject = object.get();
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    I* Interface() const noexcept { return m_pInterface; }
    explicit operator bool() const noexcept { return m_pObject != nullptr; }

protected:
    C* m_pObject = nullptr;
    I* m_pInterface = nullptr;
};

template <class C, class I>
class CCtxObjectPtr : public CComObjectPtr<C, I> {
public:
    using CComObjectPtr<C, I>::Create;
    // Create, then the child's context becomes a copy of `ctx`.
    HRESULT Create(const CCtx& ctx)
    {
        const HRESULT hr = Create();
        if (SUCCEEDED(hr)) this->m_pObject->m_Ctx = ctx;
        return hr;
    }
};
