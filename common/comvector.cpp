// comvector: creation, copy, resize and locked element access.
#include "common/comvector.h"

#include <utility>

#include "common/KxAssert.h"

comvector::~comvector() { Reset(); }

comvector::comvector(comvector&& other) noexcept
    : array_(std::exchange(other.array_, nullptr)),
      data_(std::exchange(other.data_, nullptr)),
      locked_(std::exchange(other.locked_, false))
{
}

comvector& comvector::operator=(comvector&& other) noexcept
{
    if (this != &other) {
        Reset();
        array_ = std::exchange(other.array_, nullptr);
        data_ = std::exchange(other.data_, nullptr);
        locked_ = std::exchange(other.locked_, false);
    }
    return *this;
}

void comvector::Reset() noexcept
{
    Unlock();
    if (array_) SafeArrayDestroy(std::exchange(array_, nullptr));
}

HRESULT comvector::Create(ULONG count)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, count);
    if (!array) return E_OUTOFMEMORY;
    Attach(array);
    return S_OK;
}

HRESULT comvector::CopyFrom(SAFEARRAY* array)
{
    if (!array) return E_INVALIDARG;
    SAFEARRAY* copy = nullptr;
    const HRESULT hr = SafeArrayCopy(array, &copy);
    if (FAILED(hr)) return hr;
    Attach(copy);
    return S_OK;
}

void comvector::Attach(SAFEARRAY* array) noexcept
{
    Reset();
    array_ = array;
}

SAFEARRAY* comvector::Detach() noexcept
{
    Unlock();
    return std::exchange(array_, nullptr);
}

HRESULT comvector::Resize(ULONG count)
{
    if (!array_) return E_UNEXPECTED;
    const bool relock = locked();
    Unlock();
    SAFEARRAYBOUND bound{count, 0};
    const HRESULT hr = SafeArrayRedim(array_, &bound);
    if (relock) {
        const HRESULT lock = Lock();
        if (SUCCEEDED(hr) && FAILED(lock)) return lock;
    }
    return hr;
}

HRESULT comvector::Lock()
{
    if (locked()) return S_OK;
    if (!array_) return E_UNEXPECTED;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array_, &data))) return E_UNEXPECTED;
    data_ = static_cast<VARIANT*>(data);
    locked_ = true;
    return S_OK;
}

void comvector::Unlock() noexcept
{
    if (locked_) SafeArrayUnaccessData(array_);
    locked_ = false;
    data_ = nullptr;
}

ULONG comvector::size() const noexcept
{
    return array_ && array_->cDims == 1 ? array_->rgsabound[0].cElements : 0;
}

VARIANT& comvector::operator[](ULONG i)
{
    if (!locked_ || !data_ || i >= size()) KX_PROGRAMMING_ERROR("Accessing data out of bounds");
    return data_[i];
}

const VARIANT& comvector::operator[](ULONG i) const
{
    if (!locked_ || !data_ || i >= size()) KX_PROGRAMMING_ERROR("Accessing data out of bounds");
    return data_[i];
}
