#pragma once
// Classes the platform itself serves, created by CoCreateInstance without any
// registry entry, as the original's system classes are.
#include "platform/unknown.h"

// The XML DOM document (dom*.cpp).
inline constexpr CLSID CLSID_DOMDocument{0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// The OLE DB error-records object (errorrecords.cpp).
inline constexpr CLSID CLSID_EXTENDEDERRORINFO{0xC8B522CF, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
// The registrar that applies registration scripts (registrar.cpp).
inline constexpr CLSID CLSID_Registrar{0x44EC053A, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};

// Instance creator of a built-in class: as IClassFactory::CreateInstance.
using BuiltinCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

// Each built-in class enters itself into the platform's class table when the
// library loads, with a namespace-scope `BuiltinClass` object in its own source:
//     static const BuiltinClass kDomClass(CLSID_DOMDocument, &CreateDomDocument);
// CoCreateInstance and CoGetClassObject look there before the registry.
void RegisterBuiltinClass(REFCLSID clsid, BuiltinCreator creator);
// The creator for a CLSID, or null.
BuiltinCreator FindBuiltinClass(REFCLSID clsid);

struct BuiltinClass {
    BuiltinClass(REFCLSID clsid, BuiltinCreator creator) { RegisterBuiltinClass(clsid, creator); }
};
