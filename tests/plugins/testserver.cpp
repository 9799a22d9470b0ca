// A small in-process server: one class (BvdTest.Widget), its class factory,
// the four entry points, a file version record and a registration script.
#include <atomic>
#include <new>

#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/comobject.h"
#include "platform/registrar.h"
#include "platform/version_resource.h"
#include "platform/win32.h"
#include "tests/plugins/testserver.h"

BVD_PROJECT_FILE_VERSION();

namespace {

// Live objects and server locks. The class factory is made once and kept
// until the module unloads, and does not count, as in the plug-ins.
std::atomic<LONG> gLocks{0};

struct Counted {
    Counted() { ++gLocks; }
    ~Counted() { --gLocks; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};

class Widget final : public ComObject<ITestWidget>, Counted {
public:
    HRESULT Answer(LONG* value) override
    {
        if (!value) return E_POINTER;
        *value = 42;
        return S_OK;
    }
    HRESULT LockCount(LONG* value) override
    {
        if (!value) return E_POINTER;
        *value = gLocks.load();
        return S_OK;
    }
};

class WidgetFactory final : public ComObject<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            return MakeCom<Widget>()->QueryInterface(riid, ppv);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT LockServer(BOOL lock) override
    {
        lock ? ++gLocks : --gLocks;
        return S_OK;
    }
};

constexpr const char16_t* kScript = uR"(
HKCR
{
    BvdTest.Widget.1 = s 'Bvd Test Widget Class'
    {
        CLSID = s '{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}'
    }
    BvdTest.Widget = s 'Bvd Test Widget Class'
    {
        CLSID = s '{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}'
        CurVer = s 'BvdTest.Widget.1'
    }
    NoRemove CLSID
    {
        ForceRemove {6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36} = s 'Bvd Test Widget Class'
        {
            ProgID = s 'BvdTest.Widget.1'
            VersionIndependentProgID = s 'BvdTest.Widget'
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Both'
            }
        }
    }
}
HKLM
{
    NoRemove SOFTWARE
    {
        NoRemove Norvane
        {
            NoRemove 'QX Data Providers'
            {
                BvdTest = s 'Bvd Test Data Source Component'
                {
                    val Casedata = s 'BvdTest.Widget'
                }
            }
        }
    }
}
)";

HRESULT RunScript(bool registering)
{
    ComPtr<IRegistrar> registrar;
    if (const HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar,
                                            registrar.put_void());
        FAILED(hr))
        return hr;
    const std::string path = ModulePath(ModuleFromAddress(reinterpret_cast<const void*>(&RunScript)));
    if (path.empty()) return E_FAIL;
    if (const HRESULT hr = registrar->AddReplacement(u"Module", Utf8ToUtf16(path).c_str()); FAILED(hr)) return hr;
    return registering ? registrar->StringRegister(kScript) : registrar->StringUnregister(kScript);
}

}  // namespace

BVD_SERVER_ENTRY HRESULT DllCanUnloadNow() { return gLocks.load() == 0 ? S_OK : S_FALSE; }

BVD_SERVER_ENTRY HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_TestWidget) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        static const ComPtr<WidgetFactory> factory = MakeCom<WidgetFactory>();
        return factory->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

BVD_SERVER_ENTRY HRESULT DllRegisterServer() { return RunScript(true); }
BVD_SERVER_ENTRY HRESULT DllUnregisterServer() { return RunScript(false); }
