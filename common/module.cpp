// The module state: lock count, class factories, string and message tables.
#include "common/module.h"

#include <new>

namespace bvd {
namespace {

std::atomic<LONG> gLockCount{0};

// An address inside this module (a plug-in links its own copy of this code).
const char kAnchor = 0;

}  // namespace

LONG LockModule() { return gLockCount.fetch_add(1, std::memory_order_relaxed) + 1; }
LONG UnlockModule() { return gLockCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }
LONG ModuleLockCount() { return gLockCount.load(std::memory_order_acquire); }

HMODULE ThisModule() { return ModuleFromAddress(&kAnchor); }

Module::Module(const ModuleDefinition& definition)
    : definition_(definition),
      handle_(ThisModule()),
      factories_(new std::atomic<IUnknown*>[definition.objects.size()]),
      strings_{{kModuleNameString, definition.language, definition.name}},
      resources_{nullptr, 0, definition.name ? strings_ : nullptr, definition.name ? 1u : 0u}
{
    for (size_t i = 0; i < definition_.objects.size(); ++i) factories_[i].store(nullptr);
    InitializeCriticalSection(&lock_);
    if (definition_.strings)
        definition_.strings(std::span<const StringTableEntry>(resources_.strings, resources_.stringCount));
    else
        RegisterModuleResources(handle_, &resources_);
}

Module::~Module()
{
    for (size_t i = 0; i < definition_.objects.size(); ++i)
        if (IUnknown* factory = factories_[i].exchange(nullptr)) factory->Release();
    if (definition_.strings)
        definition_.strings({});
    else
        UnregisterModuleResources(handle_);
    DeleteCriticalSection(&lock_);
}

HRESULT Module::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    HRESULT hr = S_OK;
    for (size_t i = 0; i < definition_.objects.size(); ++i) {
        const ObjectEntry& entry = definition_.objects[i];
        if (!entry.createFactory || entry.clsid != clsid) continue;
        IUnknown* factory = factories_[i].load(std::memory_order_acquire);
        if (!factory) {
            // Made once: the test is repeated under the lock.
            EnterCriticalSection(&lock_);
            factory = factories_[i].load(std::memory_order_acquire);
            if (!factory) {
                hr = entry.createFactory(entry, IID_IUnknown, reinterpret_cast<void**>(&factory));
                if (SUCCEEDED(hr)) factories_[i].store(factory, std::memory_order_release);
            }
            LeaveCriticalSection(&lock_);
        }
        if (factory) hr = factory->QueryInterface(riid, ppv);
        break;
    }
    if (!*ppv && SUCCEEDED(hr)) hr = CLASS_E_CLASSNOTAVAILABLE;
    return hr;
}

HRESULT Module::CanUnloadNow() const { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

}  // namespace bvd
