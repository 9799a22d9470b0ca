// The loaded server libraries: one dlopen handle per path, a count of the
// calls in progress into each, and unloading through DllCanUnloadNow.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/com_create.h"
#include "platform/com_modules.h"

namespace commod {

namespace {

struct Module {
    void* handle = nullptr;
    int busy = 0;  // leases outstanding
};

// Recursive: a library's static constructors, run inside dlopen, may create
// objects of other libraries.
struct Table {
    std::recursive_mutex mutex;
    std::map<std::string, Module> modules;
};

Table& TheTable()
{
    static Table table;
    return table;
}

thread_local std::string tLoadError;

// One file reached through different path texts is one entry.
std::string KeyOf(const std::string& path)
{
    if (path.find('/') == std::string::npos) return path;  // found by the loader's search
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : path;
}

}  // namespace

void SetLoadError(std::string text) { tLoadError = std::move(text); }

HRESULT Acquire(const std::string& path, Lease* lease)
{
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    const std::string key = KeyOf(path);
    auto it = t.modules.find(key);
    if (it == t.modules.end()) {
        void* handle = ::dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            SetLoadError(why ? why : path + ": cannot be loaded");
            return CO_E_DLLNOTFOUND;
        }
        it = t.modules.emplace(key, Module{handle, 0}).first;
    }
    ++it->second.busy;
    lease->key_ = key;
    lease->handle_ = it->second.handle;
    SetLoadError({});
    return S_OK;
}

Lease::~Lease()
{
    if (!handle_) return;
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.modules.find(key_);
    if (it != t.modules.end()) --it->second.busy;
}

void* Lease::Symbol(const char* name) const noexcept
{
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

void Lease::Discard() noexcept
{
    if (!handle_) return;
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.modules.find(key_);
    if (it != t.modules.end() && --it->second.busy == 0) {
        ::dlclose(it->second.handle);
        t.modules.erase(it);
    }
    handle_ = nullptr;
}

}  // namespace commod

void CoFreeUnusedLibraries()
{
    commod::Table& t = commod::TheTable();
    std::lock_guard lock(t.mutex);
    for (auto it = t.modules.begin(); it != t.modules.end();) {
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(it->second.handle, "DllCanUnloadNow"));
        if (it->second.busy == 0 && canUnload && canUnload() == S_OK) {
            ::dlclose(it->second.handle);
            it = t.modules.erase(it);
        } else {
            ++it;
        }
    }
}

std::string LastModuleLoadError() { return commod::tLoadError; }

namespace {

HRESULT CallServerEntry(const std::string& path, const char* entry)
{
    commod::Lease lease;
    if (const HRESULT hr = commod::Acquire(path, &lease); FAILED(hr)) return hr;
    auto fn = reinterpret_cast<DllRegisterServerFn>(lease.Symbol(entry));
    if (!fn) {
        commod::SetLoadError(path + ": no entry point " + entry);
        lease.Discard();
        return CO_E_ERRORINDLL;
    }
    return fn();
}

}  // namespace

HRESULT RegisterServerModule(const std::string& path) { return CallServerEntry(path, "DllRegisterServer"); }
HRESULT UnregisterServerModule(const std::string& path) { return CallServerEntry(path, "DllUnregisterServer"); }
