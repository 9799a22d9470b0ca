#pragma once
// The registrar: applies a registration script to the registry, in
// registration mode (write what the script describes) or in removal mode
// (take away what the script wrote). A built-in class (CLSID_Registrar in
// builtin.h), made by CoCreateInstance or CreateRegistrarInstance.
//
// Script syntax (the classic one):
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36} = s 'Test Widget'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Both'
//               }
//               'Implemented Categories' { }
//               val CanRead = d 1
//           }
//       }
//   }
//
// - Roots: HKCR or HKEY_CLASSES_ROOT, HKLM or HKEY_LOCAL_MACHINE, each with a
//   block of keys.
// - A key: optional marks, its name (a word, or quoted in '...' with '' for a
//   quote), an optional default value `= s 'text'` and an optional block of
//   subkeys and values. Values: `val Name = s 'text'` or `val Name = d 123`
//   (decimal, or hexadecimal with 0x; quoted or not).
// - Words end at white space, '=' or a quote; a word that starts with '{'
//   runs to its first '}' (so "{GUID}" needs no quotes), and a '{' followed
//   by white space, a brace or a quote opens a block.
// - Marks (any case): NoRemove: removal never deletes the key itself, but
//   what the script names inside it is removed. ForceRemove: registration
//   deletes the key with its subtree first, removal deletes it with its
//   subtree. Delete: registration deletes the key with its subtree (its block
//   is ignored); removal leaves it alone.
// - Removal deletes the values the script names, then an ordinary key when no
//   subkey and no named value remains in it (its default value does not keep
//   it): what another script wrote under a shared key stays.
// - %NAME% is replaced by the text given to AddReplacement for NAME (names
//   without regard to case); %% is one '%'. Replacement happens inside each
//   word or quoted text after the script is split into them, so a replaced
//   text that holds a quote or a brace stays one name (the original replaced
//   in the raw script first; that quirk is deliberately not reproduced).
//
// The whole script is parsed before the registry is touched, and applied in
// one registry transaction: a script with an error changes nothing, and
// another process sees all of a registration or none of it.
#include "platform/builtin.h"  // CLSID_Registrar
#include "platform/export.h"
#include "platform/unknown.h"

struct IRegistrar : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x44EC053B, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
    // Adds or replaces the replacement `key` (E_INVALIDARG for null).
    virtual HRESULT AddReplacement(LPCOLESTR key, LPCOLESTR item) = 0;
    virtual HRESULT ClearReplacements() = 0;
    // S_OK; DISP_E_EXCEPTION for a script error (nothing is changed);
    // HRESULT_FROM_WIN32 of the registry's code when the registry fails.
    virtual HRESULT StringRegister(LPCOLESTR script) = 0;
    virtual HRESULT StringUnregister(LPCOLESTR script) = 0;
    // What went wrong in the last StringRegister or StringUnregister, e.g.
    // "line 3: unknown replacement %MODUL%"; null after a success. The caller
    // frees the text (SysFreeString).
    virtual HRESULT GetErrorText(BSTR* text) = 0;
};
inline constexpr const IID& IID_IRegistrar = IRegistrar::kIid;

// The registrar's instance creator (no aggregation).
PLATFORM_API HRESULT CreateRegistrarInstance(IUnknown* outer, REFIID riid, void** ppv);
