// DllRegisterServer and DllUnregisterServer: every class's script through the
// registrar, in object-map order, then the type library.
#include "common/module.h"
#include "platform/bstr.h"
#include "platform/com_create.h"

namespace bvd {
namespace {

// A registrar of its own for each script, as the original made one per class,
// with the replacement MODULE = the module's full path.
HRESULT MakeRegistrar(const std::u16string& modulePath, ComPtr<IRegistrar>* out)
{
    if (const HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar,
                                            out->put_void());
        FAILED(hr))
        return hr;
    return (*out)->AddReplacement(u"MODULE", modulePath.c_str());
}

std::u16string FullPath(HMODULE module)
{
    return Utf8ToUtf16(ModulePath(module));
}

}  // namespace

HRESULT Module::RunScripts(bool registering)
{
    const std::u16string path = FullPath(handle_);
    if (path.empty()) return E_FAIL;
    HRESULT first = S_OK;
    for (const ObjectEntry& entry : definition_.objects) {
        if (!entry.script) continue;
        ComPtr<IRegistrar> registrar;
        HRESULT hr = MakeRegistrar(path, &registrar);
        if (SUCCEEDED(hr)) hr = registering ? registrar->StringRegister(entry.script)
                                            : registrar->StringUnregister(entry.script);
        if (FAILED(hr)) {
            // Registration stops at the first failure; removal goes on and
            // takes away what it can, then reports the first failure.
            if (registering) return hr;
            if (SUCCEEDED(first)) first = hr;
        }
    }
    if (definition_.typeLib) {
        ComPtr<IRegistrar> registrar;
        HRESULT hr = MakeRegistrar(path, &registrar);
        if (SUCCEEDED(hr))
            hr = registering ? RegisterTypeLibDescription(registrar.get(), *definition_.typeLib, path)
                             : UnregisterTypeLibDescription(registrar.get(), *definition_.typeLib, path);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    return first;
}

HRESULT Module::RegisterServer()
{
    try {
        return RunScripts(true);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Module::UnregisterServer()
{
    try {
        return RunScripts(false);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace bvd
