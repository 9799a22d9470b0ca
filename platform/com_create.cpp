// CoCreateInstance and CoGetClassObject: built-in classes first, then the
// library the registry names for the class.
#include <new>

#include "platform/builtin.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/com_modules.h"
#include "platform/comobject.h"
#include "platform/registry.h"

namespace {

thread_local int tInitCount = 0;

// The class object of a built-in class.
class BuiltinFactory final : public ComObject<IClassFactory> {
public:
    explicit BuiltinFactory(BuiltinCreator creator) : creator_(creator) {}
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override { return creator_(outer, riid, ppv); }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    BuiltinCreator creator_;
};

// The library path registered for the class.
HRESULT ServerPath(REFCLSID clsid, std::string* path)
{
    const std::u16string key = u"CLSID\\" + Utf8ToUtf16(GuidToString(clsid)) + u"\\InprocServer32";
    RegKey k;
    const LONG err = RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put());
    if (err == ERROR_FILE_NOT_FOUND) return REGDB_E_CLASSNOTREG;
    if (err != ERROR_SUCCESS) return REGDB_E_READREGDB;
    std::optional<std::u16string> text = RegReadString(HKEY_CLASSES_ROOT, key);
    if (!text || text->empty()) return REGDB_E_CLASSNOTREG;
    *path = Utf16ToUtf8(*text);
    return S_OK;
}

// `lease` keeps the library loaded for the caller's next step.
HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv, commod::Lease* lease)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(context & CLSCTX_INPROC)) return REGDB_E_CLASSNOTREG;
    if (BuiltinCreator creator = FindBuiltinClass(clsid))
        return MakeCom<BuiltinFactory>(creator)->QueryInterface(riid, ppv);

    std::string path;
    if (const HRESULT hr = ServerPath(clsid, &path); FAILED(hr)) return hr;
    if (const HRESULT hr = commod::Acquire(path, lease); FAILED(hr)) return hr;
    auto entry = reinterpret_cast<DllGetClassObjectFn>(lease->Symbol("DllGetClassObject"));
    if (!entry) {
        commod::SetLoadError(path + ": no entry point DllGetClassObject");
        lease->Discard();
        return CO_E_ERRORINDLL;
    }
    return entry(clsid, riid, ppv);
}

}  // namespace

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(void*, DWORD)
{
    return tInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (tInitCount > 0) --tInitCount;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** ppv)
{
    try {
        commod::Lease lease;
        return GetClassObject(clsid, context, riid, ppv, &lease);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    try {
        if (BuiltinCreator creator = FindBuiltinClass(clsid); creator && (context & CLSCTX_INPROC))
            return creator(outer, riid, ppv);
        // The library stays leased until its factory has made the object and
        // been released: a module's factory need not count in its lock count,
        // so CoFreeUnusedLibraries on another thread could unload it between
        // the two steps.
        commod::Lease lease;
        ComPtr<IClassFactory> factory;
        if (const HRESULT hr = GetClassObject(clsid, context, IID_IClassFactory, factory.put_void(), &lease);
            FAILED(hr))
            return hr;
        return factory->CreateInstance(outer, riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
