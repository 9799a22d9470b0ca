// The Variant owner's failure path.
#include <new>
#include <stdexcept>

#include "platform/variant.h"

void Variant::Check(HRESULT hr)
{
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    if (FAILED(hr)) throw std::runtime_error("VariantCopy failed: " + std::to_string(static_cast<uint32_t>(hr)));
}
