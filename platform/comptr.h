#pragma once
// ComPtr<T>: the owner of one counted COM reference.
//  - ComPtr<T> p(raw)          adds a reference (the caller keeps its own);
//  - ComPtr<T>::Adopt(raw)     takes over a reference the caller owned;
//  - p.put()                   releases the current reference and gives the
//                              address of the pointer for an [out] argument;
//  - p.As(&q)                  QueryInterface into another ComPtr.
#include <cstddef>
#include <utility>

#include "platform/unknown.h"

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    explicit ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { if (p_) p_->Release(); }

    ComPtr& operator=(const ComPtr& o) noexcept
    {
        if (o.p_) o.p_->AddRef();
        T* old = std::exchange(p_, o.p_);
        if (old) old->Release();
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept
    {
        if (this != &o) {
            T* old = std::exchange(p_, std::exchange(o.p_, nullptr));
            if (old) old->Release();
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept { Reset(); return *this; }

    static ComPtr Adopt(T* p) noexcept { ComPtr r; r.p_ = p; return r; }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    T** put() noexcept { Reset(); return &p_; }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    void Reset() noexcept { if (T* old = std::exchange(p_, nullptr)) old->Release(); }
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

    // Hands out a new reference through an [out] pointer (E_POINTER for null).
    HRESULT CopyTo(T** out) const noexcept
    {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }

    template <class U>
    HRESULT As(ComPtr<U>* out) const noexcept
    {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(uuidof<U>(), out->put_void());
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

// QueryInterface into a ComPtr of the requested interface; null on failure.
template <class U, class T>
ComPtr<U> QueryAs(T* p) noexcept
{
    ComPtr<U> r;
    if (p) p->QueryInterface(uuidof<U>(), r.put_void());
    return r;
}
