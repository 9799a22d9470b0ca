#pragma once
// comvector: the holder of a categorical array, a one-dimensional SAFEARRAY
// of VARIANT with lower bound 0.
//
//   comvector  --owns-->  SAFEARRAY (VT_VARIANT, 1 dim, lbound 0)
//                           pvData: [VARIANT 0][VARIANT 1]...[VARIANT n-1]
//
// Operations report HRESULTs; the value model turns failures into its
// categorical error. Element access needs the data locked (Lock/Unlock, a
// SafeArrayAccessData pair); the lock is released before a resize, a detach
// and destruction.
#include "platform/safearray.h"
#include "platform/variant.h"

class comvector {
public:
    comvector() noexcept = default;
    ~comvector();
    comvector(const comvector&) = delete;
    comvector& operator=(const comvector&) = delete;
    comvector(comvector&& other) noexcept;
    comvector& operator=(comvector&& other) noexcept;

    // A new array of `count` VT_VARIANT elements, each VT_EMPTY, in place of
    // the current one. E_OUTOFMEMORY when it cannot be created.
    HRESULT Create(ULONG count);
    // A deep copy of `array` in place of the current one (SafeArrayCopy's
    // result; E_INVALIDARG for a null array).
    HRESULT CopyFrom(SAFEARRAY* array);
    // Takes over `array` (the current one is destroyed).
    void Attach(SAFEARRAY* array) noexcept;
    // Gives up the array (unlocked) to the caller; the holder is left empty.
    SAFEARRAY* Detach() noexcept;
    // New element count: dropped elements are cleared, new ones VT_EMPTY.
    HRESULT Resize(ULONG count);

    // Locks the data for element access: E_UNEXPECTED without an array or
    // when the data cannot be accessed.
    HRESULT Lock();
    void Unlock() noexcept;
    bool locked() const noexcept { return locked_; }

    SAFEARRAY* get() const noexcept { return array_; }
    // The element count (0 without an array).
    ULONG size() const noexcept;

    // Element `i` of the locked data. Out of 0..size()-1, or unlocked, is a
    // programming error: debug assertion "Accessing data out of bounds",
    // std::logic_error in release builds.
    VARIANT& operator[](ULONG i);
    const VARIANT& operator[](ULONG i) const;

private:
    void Reset() noexcept;

    SAFEARRAY* array_ = nullptr;
    VARIANT* data_ = nullptr;
    bool locked_ = false;
};
