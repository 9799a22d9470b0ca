#pragma once
// The registry: two hives, HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE, of keys
// that hold a default value and named values of type REG_SZ or REG_DWORD.
//
// Where it lives: one text file, at
//   1. $BVD_REGISTRY when that variable is set (tests always set it);
//   2. otherwise $XDG_DATA_HOME/bvd/registry;
//   3. otherwise ~/.local/share/bvd/registry.
// The file is read afresh by every call and rewritten whole by every change,
// which is durable when the call returns; a lock file beside it serialises
// the changes of several processes (the format: registry_format.cpp;
// the protocol: registry_file.cpp).
// A missing file is an empty registry.
//
// Conventions of the original kept here: functions return a Win32 error code
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS ...);
// names of keys and values are compared without regard to case (ASCII letters
// only are folded: "É" and "é" are two names) and keep the case they were
// created with; subkeys enumerate in case-insensitive alphabetical order,
// values in the order they were first set; the default value has the empty
// name (or a null name pointer). Key names may not contain '\' or control
// characters; a path is key names joined by '\'.
#include <optional>
#include <string>
#include <string_view>

#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
struct SECURITY_ATTRIBUTES;

// Predefined roots (their values are the original's).
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

// Value types. Only REG_SZ and REG_DWORD are stored; other types are refused
// with ERROR_INVALID_PARAMETER.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access rights are accepted and ignored: every key can be read and written.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Codes the registry gives besides those of hresult.h.
inline constexpr DWORD ERROR_BADDB = 1009;  // the registry file cannot be parsed

// Names longer than these are refused with ERROR_INVALID_PARAMETER.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;

// As the original. `subKey` may name a path of several keys; the missing
// ones are created. `disposition` (may be null) tells whether the last key
// was created or opened. `reserved`, `keyClass`, `options`, `sam` and
// `security` are ignored.
PLATFORM_API LONG RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved, char16_t* keyClass,
                                  DWORD options, REGSAM sam, const SECURITY_ATTRIBUTES* security, PHKEY result,
                                  DWORD* disposition);
// A null or empty `subKey` opens a new handle to `key` itself.
PLATFORM_API LONG RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM sam, PHKEY result);
PLATFORM_API LONG RegCloseKey(HKEY key);

// `data` null: only the type and the size (in bytes) are returned. A buffer
// too small gives ERROR_MORE_DATA with the size needed in *size. A REG_SZ
// size counts the terminating zero, which is stored when there is room.
PLATFORM_API LONG RegQueryValueExW(HKEY key, const char16_t* name, DWORD* reserved, DWORD* type, BYTE* data,
                                   DWORD* size);
// REG_SZ data are UTF-16 units (a terminating zero is not required and not
// stored); REG_DWORD data are exactly 4 bytes.
PLATFORM_API LONG RegSetValueExW(HKEY key, const char16_t* name, DWORD reserved, DWORD type, const BYTE* data,
                                 DWORD size);
PLATFORM_API LONG RegDeleteValueW(HKEY key, const char16_t* name);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some, as the
// original); an empty `subKey` names `key` itself. A hive cannot be deleted.
PLATFORM_API LONG RegDeleteKeyW(HKEY key, const char16_t* subKey);
// Deletes `subKey` with its whole subtree; a null `subKey` empties `key` of
// its values and subkeys but keeps it.
PLATFORM_API LONG RegDeleteTreeW(HKEY key, const char16_t* subKey);

// As the original: `nameLength` is the buffer size in characters on entry and
// the name's length without the zero on return; ERROR_MORE_DATA when the name
// and its zero do not fit; ERROR_NO_MORE_ITEMS past the end. `keyClass`,
// `classLength` and `lastWrite` are ignored (and may be null).
PLATFORM_API LONG RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* nameLength, DWORD* reserved,
                                char16_t* keyClass, DWORD* classLength, void* lastWrite);
PLATFORM_API LONG RegEnumValueW(HKEY key, DWORD index, char16_t* name, DWORD* nameLength, DWORD* reserved,
                                DWORD* type, BYTE* data, DWORD* size);

// The file that holds the registry for this process (see the top).
PLATFORM_API std::string RegistryFilePath();

// ---- Helpers for the platform's and the plug-ins' own code.

// The owner of one open key.
class RegKey {
public:
    RegKey() noexcept = default;
    explicit RegKey(HKEY key) noexcept : key_(key) {}
    RegKey(RegKey&& o) noexcept : key_(o.key_) { o.key_ = nullptr; }
    RegKey& operator=(RegKey&& o) noexcept
    {
        if (this != &o) {
            Reset();
            key_ = o.key_;
            o.key_ = nullptr;
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Reset(); }

    HKEY get() const noexcept { return key_; }
    HKEY* put() noexcept { Reset(); return &key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }
    void Reset() noexcept
    {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// The REG_SZ value `name` (empty: the default value) of the key at `path`
// under `root`; nullopt when the key or value is absent or not a string.
PLATFORM_API std::optional<std::u16string> RegReadString(HKEY root, std::u16string_view path,
                                                         std::u16string_view name = {});
// The REG_DWORD value, nullopt when absent or of another type.
PLATFORM_API std::optional<DWORD> RegReadDword(HKEY root, std::u16string_view path, std::u16string_view name);
// Writes a value, creating the keys of `path` as needed. A Win32 code.
PLATFORM_API LONG RegWriteString(HKEY root, std::u16string_view path, std::u16string_view name,
                                 std::u16string_view text);
PLATFORM_API LONG RegWriteDword(HKEY root, std::u16string_view path, std::u16string_view name, DWORD value);
PLATFORM_API bool RegKeyExists(HKEY root, std::u16string_view path);
