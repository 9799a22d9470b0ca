#pragma once
// The four entry points of an in-process server module (a plug-in). A module
// defines them with BVD_SERVER_ENTRY, which gives them C names and lets them
// leave the library (every other symbol of a plug-in stays hidden):
//
//     BVD_SERVER_ENTRY HRESULT DllCanUnloadNow() { ... }
//
// Declaring them here makes the compiler check each definition's signature.
#include "platform/unknown.h"

#define BVD_SERVER_ENTRY extern "C" __attribute__((visibility("default")))

// S_OK when no object of the module is alive and no lock is held, S_FALSE
// otherwise; CoFreeUnusedLibraries unloads the module on S_OK.
BVD_SERVER_ENTRY HRESULT DllCanUnloadNow();
// The class object of `clsid`, asked for `riid`.
BVD_SERVER_ENTRY HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
// Write and remove the module's registry entries.
BVD_SERVER_ENTRY HRESULT DllRegisterServer();
BVD_SERVER_ENTRY HRESULT DllUnregisterServer();

using DllCanUnloadNowFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using DllRegisterServerFn = HRESULT (*)();
