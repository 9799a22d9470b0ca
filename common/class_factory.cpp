// The class factory of an object map entry. It lives until the module
// terminates and does not count in the lock count (only LockServer does), so
// that a cached factory does not keep the module loaded.
#include <new>

#include "common/module.h"
#include "platform/comobject.h"

namespace bvd {
namespace {

class ClassFactory final : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(const ObjectEntry& entry) : entry_(entry) {}

    // With an outer object the aggregated form is made, and the outer object
    // may ask for IUnknown only; without one, the plain form.
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) {
            if (riid != IID_IUnknown || !entry_.createAggregated) return CLASS_E_NOAGGREGATION;
            return entry_.createAggregated(outer, riid, ppv);
        }
        return entry_.createInstance ? entry_.createInstance(nullptr, riid, ppv) : E_UNEXPECTED;
    }

    HRESULT LockServer(BOOL lock) override
    {
        if (lock)
            LockModule();
        else
            UnlockModule();
        return S_OK;
    }

private:
    const ObjectEntry& entry_;
};

}  // namespace

HRESULT CreateClassFactory(const ObjectEntry& entry, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    try {
        return MakeCom<ClassFactory>(entry)->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace bvd
