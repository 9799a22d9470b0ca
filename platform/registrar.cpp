// The registrar object: replacements, and scripts applied in one registry
// transaction each.
#include <mutex>
#include <new>
#include <string>

#include "platform/bstr.h"
#include "platform/builtin.h"
#include "platform/comobject.h"
#include "platform/registrar.h"
#include "platform/registrar_script.h"
#include "platform/registry.h"

namespace {

class Registrar final : public ComObject<IRegistrar> {
public:
    HRESULT AddReplacement(LPCOLESTR key, LPCOLESTR item) override
    {
        if (!key || !item) return E_INVALIDARG;
        try {
            std::lock_guard lock(mutex_);
            for (auto& [k, v] : replacements_) {
                if (regstore::NameEquals(k, key)) {
                    v = item;
                    return S_OK;
                }
            }
            replacements_.emplace_back(key, item);
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    HRESULT ClearReplacements() override
    {
        std::lock_guard lock(mutex_);
        replacements_.clear();
        return S_OK;
    }

    HRESULT StringRegister(LPCOLESTR script) override { return Apply(script, true); }
    HRESULT StringUnregister(LPCOLESTR script) override { return Apply(script, false); }

    HRESULT GetErrorText(BSTR* text) override
    {
        if (!text) return E_POINTER;
        std::lock_guard lock(mutex_);
        *text = nullptr;
        if (lastError_.empty()) return S_OK;
        *text = BStr::FromUtf8(lastError_).Detach();
        return *text ? S_OK : E_OUTOFMEMORY;
    }

private:
    HRESULT Apply(LPCOLESTR text, bool registering)
    {
        if (!text) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        try {
            lastError_.clear();
            rgs::Script script;
            if (!rgs::Parse(text, replacements_, &script, &lastError_)) return DISP_E_EXCEPTION;
            const DWORD err = regstore::Modify([&](regstore::Tree& tree, bool& changed) -> DWORD {
                if (registering)
                    rgs::ApplyRegister(tree, script);
                else
                    rgs::ApplyUnregister(tree, script);
                changed = true;
                return ERROR_SUCCESS;
            });
            if (err == ERROR_SUCCESS) return S_OK;
            lastError_ = "the registry file " + RegistryFilePath() + " could not be " +
                         (err == ERROR_BADDB ? "parsed" : "changed") + " (error " + std::to_string(err) + ")";
            return HRESULT_FROM_WIN32(err);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    std::mutex mutex_;
    rgs::Replacements replacements_;
    std::string lastError_;
};

const BuiltinClass kRegistrarClass(CLSID_Registrar, &CreateRegistrarInstance);

}  // namespace

HRESULT CreateRegistrarInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
        ComPtr<Registrar> registrar = MakeCom<Registrar>();
        return registrar->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
