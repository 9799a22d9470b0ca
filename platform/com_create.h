#pragma once
// Class loading: creating objects by CLSID or ProgID.
//
// CoCreateInstance and CoGetClassObject look for the class
//   1. among the platform's built-in classes (builtin.h), then
//   2. in the registry: HKCR\CLSID\{clsid}\InprocServer32's default value is
//      the path of a shared library (a plug-in) that exports
//      DllGetClassObject (server_exports.h).
// A library is loaded once per path (dlopen, RTLD_NOW | RTLD_LOCAL) and stays
// loaded until CoFreeUnusedLibraries finds that its DllCanUnloadNow says
// S_OK; a library without DllCanUnloadNow stays for the life of the process.
// Failures are HRESULTs, never crashes:
//   REGDB_E_CLASSNOTREG        the class is neither built in nor registered
//                              (or the context asks for no in-process server);
//   REGDB_E_READREGDB          the registry cannot be read;
//   CO_E_DLLNOTFOUND           the library is missing or cannot be loaded;
//   CO_E_ERRORINDLL            the library lacks the entry point;
//   anything DllGetClassObject or the class factory returns.
#include <cstddef>
#include <string>

#include "platform/export.h"
#include "platform/server_exports.h"
#include "platform/unknown.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                    CLSCTX_REMOTE_SERVER;

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// Harmless: there are no apartments. As the original, the first call on a
// thread gives S_OK and later ones S_FALSE; each call wants its CoUninitialize.
PLATFORM_API HRESULT CoInitialize(void* reserved);
PLATFORM_API HRESULT CoInitializeEx(void* reserved, DWORD coinit);
PLATFORM_API void CoUninitialize();

PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);
// `serverInfo` is ignored (there are no remote servers).
PLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** ppv);
// Unloads every loaded library whose DllCanUnloadNow gives S_OK and that is
// not in a call made through this layer at the moment.
PLATFORM_API void CoFreeUnusedLibraries();

// HKCR\<progId>\CLSID's default value; a "{...}" text is taken as the CLSID
// itself. CO_E_CLASSSTRING for an unknown ProgID or a malformed CLSID text,
// E_INVALIDARG for null arguments.
PLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// HKCR\CLSID\{clsid}\ProgID's default value (the versioned ProgID) in a
// CoTaskMemAlloc'ed text; REGDB_E_CLASSNOTREG when there is none.
PLATFORM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);

// Memory handed across interfaces: malloc/free underneath. A size of 0 gives
// a valid pointer.
PLATFORM_API void* CoTaskMemAlloc(size_t size);
PLATFORM_API void* CoTaskMemRealloc(void* block, size_t size);
PLATFORM_API void CoTaskMemFree(void* block);

// Runs a server module's DllRegisterServer / DllUnregisterServer, loading the
// module by path as CoGetClassObject does (it then stays loaded like any
// other). CO_E_DLLNOTFOUND, CO_E_ERRORINDLL, or what the entry point returns.
PLATFORM_API HRESULT RegisterServerModule(const std::string& path);
PLATFORM_API HRESULT UnregisterServerModule(const std::string& path);

// Why the last library load on this thread failed (the loader's message),
// empty when it did not.
PLATFORM_API std::string LastModuleLoadError();
