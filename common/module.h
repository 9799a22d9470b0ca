#pragma once
// The module pattern of every plug-in: the object map, the class factories,
// the lock count, the string table entry that names the plug-in, the type
// library, and the four server entry points over them.
//
// A plug-in defines, in one source:
//
//     const bvd::ObjectEntry kObjects[] = {
//         bvd::ObjectEntryFor<CThing>(CLSID_Thing, kThingScript, u"Thing Class"),
//     };
//     bvd::Module gModule({kObjects, &kTypeLib, u"bvdthing"});
//     BVD_MODULE_ENTRY_POINTS(gModule)
//
// The module object is made when the library loads (process attach) and
// destroyed when it unloads (process detach): it registers the module's
// string table (entry 100 = the plug-in's name) with the platform, itself or
// through the definition's StringTableSink, and at the end releases its class
// factories and withdraws the table.
#include <atomic>
#include <memory>
#include <span>

#include "common/module_lock.h"
#include "common/object.h"
#include "common/typelib.h"
#include "platform/message.h"
#include "platform/server_exports.h"
#include "platform/win32.h"

namespace bvd {

struct ObjectEntry;

// Instance creator: as IClassFactory::CreateInstance.
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);
// Class-factory creator: the class object of an entry, asked for `riid`.
using FactoryCreator = HRESULT (*)(const ObjectEntry& entry, REFIID riid, void** ppv);

// The standard class factory (class_factory.cpp).
HRESULT CreateClassFactory(const ObjectEntry& entry, REFIID riid, void** ppv);

// One class of the module.
struct ObjectEntry {
    CLSID clsid;
    // Registration script run through the registrar with %MODULE% = the
    // module's full path; null registers nothing.
    const char16_t* script;
    // Null: the class has no class object (only the plug-in makes it).
    FactoryCreator createFactory;
    // The plain form (no outer object) and the aggregated one (null: the
    // class cannot be aggregated).
    InstanceCreator createInstance;
    InstanceCreator createAggregated;
    const char16_t* description;
};

// The entry of a class that has a class factory and can be aggregated.
template <class T>
constexpr ObjectEntry ObjectEntryFor(const CLSID& clsid, const char16_t* script, const char16_t* description)
{
    return {clsid, script, &CreateClassFactory, &CreateInstance<T>, &CreateAggregated<T>, description};
}

// The string table entry that holds the plug-in's name.
inline constexpr UINT kModuleNameString = 100;

// Hands the module's string table to whoever registers the module's
// resources (KxSetModuleStrings in the case-data plug-ins, which register
// their message table with it); an empty span withdraws it.
using StringTableSink = void (*)(std::span<const StringTableEntry> strings);

struct ModuleDefinition {
    std::span<const ObjectEntry> objects;
    const TypeLibDescription* typeLib = nullptr;  // null: no type library
    const char16_t* name = nullptr;               // string table entry 100
    LANGID language = 0x0409;                     // of the string table
    // Null: the module registers its resources (the string table) itself.
    StringTableSink strings = nullptr;
};

class Module {
public:
    explicit Module(const ModuleDefinition& definition);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    HMODULE Handle() const { return handle_; }
    const ModuleDefinition& Definition() const { return definition_; }

    // The entry points.
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    HRESULT CanUnloadNow() const;
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

private:
    HRESULT RunScripts(bool registering);

    ModuleDefinition definition_;
    HMODULE handle_;
    CRITICAL_SECTION lock_;  // serialises the lazy creation of class factories
    // One class factory per object map entry, made on first use and kept
    // until the module terminates.
    std::unique_ptr<std::atomic<IUnknown*>[]> factories_;
    StringTableEntry strings_[1];
    ModuleResources resources_;
};

// The handle of the module this code is linked into.
HMODULE ThisModule();

}  // namespace bvd

#define BVD_MODULE_ENTRY_POINTS(module)                                                              \
    BVD_SERVER_ENTRY HRESULT DllCanUnloadNow() { return (module).CanUnloadNow(); }                   \
    BVD_SERVER_ENTRY HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)              \
    {                                                                                                \
        return (module).GetClassObject(clsid, riid, ppv);                                            \
    }                                                                                                \
    BVD_SERVER_ENTRY HRESULT DllRegisterServer() { return (module).RegisterServer(); }               \
    BVD_SERVER_ENTRY HRESULT DllUnregisterServer() { return (module).UnregisterServer(); }
