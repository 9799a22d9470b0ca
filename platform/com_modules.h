#pragma once
// Inside class loading: the table of loaded server libraries.
#include <string>

#include "platform/hresult.h"

namespace commod {

// A library held for the length of one call into it: while a lease exists,
// CoFreeUnusedLibraries leaves the library loaded.
class Lease {
public:
    Lease() noexcept = default;
    Lease(Lease&& o) noexcept : key_(std::move(o.key_)), handle_(o.handle_) { o.handle_ = nullptr; }
    Lease& operator=(Lease&&) = delete;
    Lease(const Lease&) = delete;
    ~Lease();

    // The exported symbol, or null.
    void* Symbol(const char* name) const noexcept;
    // Gives the library back, unloading it when nobody else used it: for a
    // library that turned out useless (no entry point).
    void Discard() noexcept;

private:
    friend HRESULT Acquire(const std::string& path, Lease* lease);
    std::string key_;
    void* handle_ = nullptr;
};

// Loads the library (once per path) and leases it. CO_E_DLLNOTFOUND when it
// cannot be loaded, with the loader's message kept for LastModuleLoadError.
HRESULT Acquire(const std::string& path, Lease* lease);

// Records why a load failed (empty: it did not).
void SetLoadError(std::string text);

}  // namespace commod
