// The Lodex component as an in-process server: one class factory per class,
// the four entry points and the registration script.
#include <atomic>
#include <new>
#include <string>

#include "host/lodex_objects.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/guid.h"
#include "platform/registrar.h"
#include "platform/server_exports.h"
#include "platform/version_resource.h"
#include "platform/win32.h"

BVD_PROJECT_FILE_VERSION();

namespace lodex {
namespace {

std::atomic<LONG> gLocks{0};

// The classes: CLSID, class name (ProgID "Lodex.<name>", versioned ".1"),
// the fault name of its creation, and its creator.
struct ClassEntry {
    const CLSID* clsid;
    const char* name;
    const char16_t* createFault;
    HRESULT (*create)(REFIID riid, void** ppv);
};

template <class T>
HRESULT Create(REFIID riid, void** ppv)
{
    return MakeCom<T>()->QueryInterface(riid, ppv);
}

constexpr ClassEntry kClasses[] = {
    {&CLSID_LodexDocument, "Document", u"Create.Document", &Create<LodexDocument>},
    {&CLSID_LodexVariable, "Variable", u"Create.Variable", &Create<LodexVariable>},
    {&CLSID_LodexElement, "Element", u"Create.Element", &Create<LodexElement>},
    {&CLSID_LodexDataSource, "DataSource", u"Create.DataSource", &Create<LodexDataSource>},
};

// Class factories live as long as the module and do not count as locks.
class Factory final : public ComObject<IClassFactory> {
public:
    explicit Factory(const ClassEntry& entry) : entry_(entry) {}

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (const HRESULT fault = CheckFault(entry_.createFault); FAILED(fault)) return fault;
        try {
            return entry_.create(riid, ppv);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT LockServer(BOOL lock) override
    {
        lock ? ModuleLock() : ModuleUnlock();
        return S_OK;
    }

private:
    const ClassEntry& entry_;
};

// One class's entries: both ProgIDs and the CLSID key with its in-process
// server, free-threaded.
std::string ClassScript(const ClassEntry& c)
{
    const std::string clsid = GuidToString(*c.clsid);
    const std::string progId = std::string("Lodex.") + c.name;
    const std::string description = std::string("Lodex ") + c.name + " Class";
    return "HKCR\n{\n"
           "    " + progId + ".1 = s '" + description + "'\n    {\n        CLSID = s '" + clsid + "'\n    }\n"
           "    " + progId + " = s '" + description + "'\n    {\n        CLSID = s '" + clsid + "'\n"
           "        CurVer = s '" + progId + ".1'\n    }\n"
           "    NoRemove CLSID\n    {\n"
           "        ForceRemove " + clsid + " = s '" + description + "'\n        {\n"
           "            ProgID = s '" + progId + ".1'\n"
           "            VersionIndependentProgID = s '" + progId + "'\n"
           "            InprocServer32 = s '%MODULE%'\n            {\n"
           "                val ThreadingModel = s 'Both'\n            }\n"
           "        }\n    }\n}\n";
}

HRESULT RunScripts(bool registering)
{
    const std::string path = ModulePath(ModuleFromAddress(reinterpret_cast<const void*>(&RunScripts)));
    if (path.empty()) return E_FAIL;
    for (const ClassEntry& c : kClasses) {
        // A registrar per script, as the plug-ins do.
        ComPtr<IRegistrar> registrar;
        if (const HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar,
                                                registrar.put_void());
            FAILED(hr))
            return hr;
        if (const HRESULT hr = registrar->AddReplacement(u"Module", Utf8ToUtf16(path).c_str()); FAILED(hr))
            return hr;
        const std::u16string script = Utf8ToUtf16(ClassScript(c));
        const HRESULT hr =
            registering ? registrar->StringRegister(script.c_str()) : registrar->StringUnregister(script.c_str());
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

void ModuleLock() { gLocks.fetch_add(1); }
void ModuleUnlock() { gLocks.fetch_sub(1); }

}  // namespace lodex

BVD_SERVER_ENTRY HRESULT DllCanUnloadNow() { return lodex::gLocks.load() == 0 ? S_OK : S_FALSE; }

BVD_SERVER_ENTRY HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    try {
        // Made on first use, thread-safely, and kept until the module unloads.
        static const ComPtr<lodex::Factory> factories[] = {
            MakeCom<lodex::Factory>(lodex::kClasses[0]), MakeCom<lodex::Factory>(lodex::kClasses[1]),
            MakeCom<lodex::Factory>(lodex::kClasses[2]), MakeCom<lodex::Factory>(lodex::kClasses[3])};
        for (size_t i = 0; i < std::size(lodex::kClasses); ++i)
            if (*lodex::kClasses[i].clsid == clsid) return factories[i]->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

BVD_SERVER_ENTRY HRESULT DllRegisterServer() { return lodex::RunScripts(true); }
BVD_SERVER_ENTRY HRESULT DllUnregisterServer() { return lodex::RunScripts(false); }
