#pragma once
// Inside the value model only: reading a categorical array's elements.
#include "common/KxError.h"
#include "common/KxVariant.h"

namespace kx {

// The elements of a categorical array, locked for the life of the reader.
// The array must be one-dimensional with VARIANT elements; every element
// read must be VT_I4. Locking failures raise 0xC0021003 (E_UNEXPECTED),
// anything else unsupported 0xC002100A (E_UNEXPECTED), in `langid`.
class CategoricalReader {
public:
    CategoricalReader(SAFEARRAY* array, DWORD langid);
    ~CategoricalReader();
    CategoricalReader(const CategoricalReader&) = delete;
    CategoricalReader& operator=(const CategoricalReader&) = delete;

    ULONG size() const noexcept { return count_; }
    LONG operator[](ULONG i) const;
    // Whether `value` is one of the elements.
    bool Contains(LONG value) const;

private:
    SAFEARRAY* array_;
    DWORD langid_;
    const VARIANT* data_ = nullptr;
    ULONG count_ = 0;
};

// The C runtime's wide-character white-space test (iswspace): the Unicode
// white-space characters.
bool IsSpace(char16_t c) noexcept;

}  // namespace kx
