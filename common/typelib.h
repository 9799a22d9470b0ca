#pragma once
// The type library of a plug-in: a static description of what the original
// kept as its TYPELIB resource (library name and help string, version,
// locale, LIBID, the coclasses with their creatable marks, the interfaces and
// the enums). Dual interfaces are described by the generic IDispatch's
// description (DescribeDispatch, platform/dispatch_impl.h), which carries the
// members and their help strings; the library refers to it.
//
// Registration writes, under HKEY_CLASSES_ROOT:
//   TypeLib\{LIBID}\<major>.<minor> = help string
//       <lcid in hex>\win32 = module path     (the original's key names)
//       FLAGS = "0", HELPDIR = the module's folder
//   Interface\{IID} = name, for each dual interface, with ProxyStubClsid and
//       ProxyStubClsid32 = the automation marshaller, and TypeLib = {LIBID}
//       (value Version = "<major>.<minor>").
// Removal takes the version key away (and the LIBID key when nothing else is
// left in it) and each Interface key whose TypeLib still names this library:
// an interface that another plug-in registered later stays.
#include <span>
#include <string>

#include "platform/dispatch_impl.h"
#include "platform/registrar.h"

namespace bvd {

struct TypeLibInterface {
    IID iid;
    const char16_t* name;
    const char16_t* help;
    // The description of a dual interface; null for an IUnknown-based one.
    const DispInterface* (*describe)();
};

struct TypeLibCoclass {
    CLSID clsid;
    const char16_t* name;
    const char16_t* help;
    bool creatable;
    std::span<const IID> interfaces;  // the first is the default
};

struct TypeLibEnum {
    const char16_t* name;
    const GUID* guid;  // null: the enum carries no GUID
};

struct TypeLibDescription {
    GUID libid;
    const char16_t* name;
    const char16_t* help;
    WORD major;
    WORD minor;
    LCID lcid;
    std::span<const TypeLibCoclass> coclasses;
    std::span<const TypeLibInterface> interfaces;
    std::span<const TypeLibEnum> enums = {};
};

const TypeLibInterface* FindTypeLibInterface(const TypeLibDescription& lib, REFIID iid);
const TypeLibCoclass* FindTypeLibCoclass(const TypeLibDescription& lib, REFCLSID clsid);

// The automation marshaller that dual interfaces name as their proxy.
inline constexpr CLSID CLSID_PSOAInterface{0x00020424, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Runs the library's registration through `registrar`, which has the
// replacement MODULE (the module's full path); MODULEDIR is added here.
HRESULT RegisterTypeLibDescription(IRegistrar* registrar, const TypeLibDescription& lib, const std::u16string& modulePath);
HRESULT UnregisterTypeLibDescription(IRegistrar* registrar, const TypeLibDescription& lib,
                                     const std::u16string& modulePath);

// The GUID that the enum DataTypeConstants carries in every plug-in's library
// (the other enums carry none).
inline constexpr GUID GUID_DataTypeConstants{0x12c9c4ce, 0x765c, 0x4be3, {0xb9, 0x47, 0x19, 0xbc, 0x24, 0x95, 0x28, 0x50}};

}  // namespace bvd
