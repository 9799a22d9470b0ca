// The type library's registry entries, written as a registration script so
// that they go in (and out) in one registry transaction.
#include "common/typelib.h"

#include <cstdio>
#include <vector>

#include "platform/registry.h"

namespace bvd {
namespace {

std::u16string GuidText(REFGUID guid)
{
    char16_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// A quoted script text ('' for a quote).
std::u16string Quoted(std::u16string_view text)
{
    std::u16string out = u"'";
    for (char16_t c : text) {
        if (c == u'\'') out += u'\'';
        out += c;
    }
    return out + u"'";
}

std::u16string Ascii(const char* text)
{
    std::u16string out;
    while (*text) out += static_cast<char16_t>(*text++);
    return out;
}

std::u16string VersionText(const TypeLibDescription& lib)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u", lib.major, lib.minor);
    return Ascii(text);
}

// The library's registry entries; with `interfaces`, each of them (dual
// interfaces only, as the original registered).
std::u16string Script(const TypeLibDescription& lib, std::span<const TypeLibInterface* const> interfaces)
{
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(lib.lcid));
    const std::u16string libid = GuidText(lib.libid);
    const std::u16string version = VersionText(lib);

    std::u16string s = u"HKCR\n{\n NoRemove TypeLib\n {\n  " + libid + u"\n  {\n";
    s += u"   ForceRemove " + Quoted(version) + u" = s " + Quoted(lib.help) + u"\n   {\n";
    s += u"    " + Quoted(Ascii(lcid)) + u" { win32 = s '%MODULE%' }\n";
    s += u"    FLAGS = s '0'\n    HELPDIR = s '%MODULEDIR%'\n   }\n  }\n }\n";
    s += u" NoRemove Interface\n {\n";
    const std::u16string proxy = GuidText(CLSID_PSOAInterface);
    for (const TypeLibInterface* i : interfaces) {
        s += u"  " + GuidText(i->iid) + u" = s " + Quoted(i->name) + u"\n  {\n";
        s += u"   ProxyStubClsid = s '" + proxy + u"'\n";
        s += u"   ProxyStubClsid32 = s '" + proxy + u"'\n";
        s += u"   TypeLib = s '" + libid + u"' { val Version = s " + Quoted(version) + u" }\n  }\n";
    }
    s += u" }\n}\n";
    return s;
}

std::u16string Folder(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u'/');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

HRESULT Run(IRegistrar* registrar, const std::u16string& modulePath, const std::u16string& script, bool registering)
{
    if (!registrar) return E_POINTER;
    if (const HRESULT hr = registrar->AddReplacement(u"MODULEDIR", Folder(modulePath).c_str()); FAILED(hr)) return hr;
    return registering ? registrar->StringRegister(script.c_str()) : registrar->StringUnregister(script.c_str());
}

}  // namespace

const TypeLibInterface* FindTypeLibInterface(const TypeLibDescription& lib, REFIID iid)
{
    for (const TypeLibInterface& i : lib.interfaces)
        if (i.iid == iid) return &i;
    return nullptr;
}

const TypeLibCoclass* FindTypeLibCoclass(const TypeLibDescription& lib, REFCLSID clsid)
{
    for (const TypeLibCoclass& c : lib.coclasses)
        if (c.clsid == clsid) return &c;
    return nullptr;
}

HRESULT RegisterTypeLibDescription(IRegistrar* registrar, const TypeLibDescription& lib,
                                   const std::u16string& modulePath)
{
    std::vector<const TypeLibInterface*> duals;
    for (const TypeLibInterface& i : lib.interfaces)
        if (i.describe) duals.push_back(&i);
    return Run(registrar, modulePath, Script(lib, duals), true);
}

HRESULT UnregisterTypeLibDescription(IRegistrar* registrar, const TypeLibDescription& lib,
                                     const std::u16string& modulePath)
{
    // Interfaces are shared between plug-ins: only those still registered for
    // this library go.
    std::vector<const TypeLibInterface*> ours;
    for (const TypeLibInterface& i : lib.interfaces) {
        if (!i.describe) continue;
        const auto owner = RegReadString(HKEY_CLASSES_ROOT, u"Interface\\" + GuidText(i.iid) + u"\\TypeLib");
        GUID registered{};
        if (owner && CLSIDFromString(owner->c_str(), &registered) == S_OK && registered == lib.libid)
            ours.push_back(&i);
    }
    return Run(registrar, modulePath, Script(lib, ours), false);
}

}  // namespace bvd
