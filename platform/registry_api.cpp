// The registry functions: open-key handles over the file's tree.
//
// A handle names a hive and a path; every call reads the file afresh (or
// changes it in one transaction), so a handle sees what other handles and
// other processes wrote. A handle whose key was deleted meanwhile gives
// ERROR_KEY_DELETED, as in the original.
#include <cstring>
#include <map>
#include <mutex>
#include <new>

#include "platform/registry.h"
#include "platform/registry_store.h"

using regstore::Hive;
using regstore::Key;
using regstore::Tree;
using regstore::Value;

namespace {

struct KeyPath {
    Hive hive = Hive::ClassesRoot;
    std::vector<std::u16string> path;
};

struct HandleTable {
    std::mutex mutex;
    std::map<uintptr_t, KeyPath> open;
    uintptr_t next = 0x10000;
};

HandleTable& Handles()
{
    static HandleTable table;
    return table;
}

bool Resolve(HKEY key, KeyPath* out)
{
    if (key == HKEY_CLASSES_ROOT || key == HKEY_LOCAL_MACHINE) {
        out->hive = key == HKEY_CLASSES_ROOT ? Hive::ClassesRoot : Hive::LocalMachine;
        out->path.clear();
        return true;
    }
    HandleTable& t = Handles();
    std::lock_guard lock(t.mutex);
    auto it = t.open.find(reinterpret_cast<uintptr_t>(key));
    if (it == t.open.end()) return false;
    *out = it->second;
    return true;
}

HKEY NewHandle(KeyPath path)
{
    HandleTable& t = Handles();
    std::lock_guard lock(t.mutex);
    const uintptr_t id = t.next;
    t.next += 8;
    t.open.emplace(id, std::move(path));
    return reinterpret_cast<HKEY>(id);
}

std::u16string_view ValueName(const char16_t* name) { return name ? std::u16string_view(name) : std::u16string_view(); }

// The key a handle names within a tree just read; null when it was deleted.
Key* Locate(Tree& tree, const KeyPath& kp) { return regstore::FindPath(tree.Root(kp.hive), kp.path); }

DWORD ValueSize(const Value& v)
{
    return v.type == REG_DWORD ? 4 : static_cast<DWORD>((v.text.size() + 1) * sizeof(char16_t));
}

// Copies a value's data as RegQueryValueEx and RegEnumValue hand it out.
LONG CopyData(const Value& v, DWORD* type, BYTE* data, DWORD* size)
{
    if (type) *type = v.type;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    const DWORD needed = ValueSize(v);
    if (!size) return ERROR_SUCCESS;
    if (!data) {
        *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (v.type == REG_DWORD) {
        std::memcpy(data, &v.number, 4);
    } else {
        std::memcpy(data, v.text.data(), v.text.size() * sizeof(char16_t));
        std::memset(data + v.text.size() * sizeof(char16_t), 0, sizeof(char16_t));
    }
    *size = needed;
    return ERROR_SUCCESS;
}

// Copies a name into a caller's buffer of *length characters.
LONG CopyName(std::u16string_view name, char16_t* buffer, DWORD* length)
{
    if (!buffer || !length) return ERROR_INVALID_PARAMETER;
    if (*length <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size() * sizeof(char16_t));
    buffer[name.size()] = 0;
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

namespace {

// Every entry point runs its body through here: an allocation failure
// becomes its Win32 code.
template <class Body>
LONG Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

// Reads the registry and finds the open key `key` in it, for the calls that
// only look.
LONG ReadKey(HKEY key, Tree& tree, Key** found)
{
    KeyPath kp;
    if (!Resolve(key, &kp)) return ERROR_INVALID_HANDLE;
    if (const DWORD err = regstore::Read(&tree); err != ERROR_SUCCESS) return static_cast<LONG>(err);
    *found = Locate(tree, kp);
    return *found ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

}  // namespace

LONG RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD, char16_t*, DWORD, REGSAM, const SECURITY_ATTRIBUTES*,
                     PHKEY result, DWORD* disposition)
{
    return Guarded([&]() -> LONG {
        if (!result || !subKey) return ERROR_INVALID_PARAMETER;
        *result = nullptr;
        KeyPath base;
        if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
        std::vector<std::u16string> parts;
        if (const DWORD err = regstore::SplitPath(subKey, &parts); err != ERROR_SUCCESS)
            return static_cast<LONG>(err);

        bool createdLast = false;
        const DWORD err = regstore::Modify([&](Tree& tree, bool& changed) -> DWORD {
            Key* k = Locate(tree, base);
            if (!k) return ERROR_KEY_DELETED;
            for (const std::u16string& part : parts) {
                k = &k->AddSubkey(part, &createdLast);
                changed = changed || createdLast;
            }
            return ERROR_SUCCESS;
        });
        if (err != ERROR_SUCCESS) return static_cast<LONG>(err);
        if (disposition) *disposition = createdLast ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        KeyPath full = base;
        full.path.insert(full.path.end(), parts.begin(), parts.end());
        *result = NewHandle(std::move(full));
        return ERROR_SUCCESS;
    });
}

LONG RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD, REGSAM, PHKEY result)
{
    return Guarded([&]() -> LONG {
        if (!result) return ERROR_INVALID_PARAMETER;
        *result = nullptr;
        KeyPath kp;
        if (!Resolve(key, &kp)) return ERROR_INVALID_HANDLE;
        std::vector<std::u16string> parts;
        if (const DWORD err = regstore::SplitPath(subKey ? subKey : u"", &parts); err != ERROR_SUCCESS)
            return static_cast<LONG>(err);
        Tree tree;
        if (const DWORD err = regstore::Read(&tree); err != ERROR_SUCCESS) return static_cast<LONG>(err);
        Key* k = Locate(tree, kp);
        if (!k) return ERROR_KEY_DELETED;
        if (!regstore::FindPath(*k, parts)) return ERROR_FILE_NOT_FOUND;
        kp.path.insert(kp.path.end(), parts.begin(), parts.end());
        *result = NewHandle(std::move(kp));
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    HandleTable& t = Handles();
    std::lock_guard lock(t.mutex);
    return t.open.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY key, const char16_t* name, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    return Guarded([&]() -> LONG {
        Tree tree;
        Key* k = nullptr;
        if (const LONG err = ReadKey(key, tree, &k); err != ERROR_SUCCESS) return err;
        const Value* v = k->FindValue(ValueName(name));
        if (!v) return ERROR_FILE_NOT_FOUND;
        return CopyData(*v, type, data, size);
    });
}

LONG RegSetValueExW(HKEY key, const char16_t* name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    return Guarded([&]() -> LONG {
        KeyPath kp;
        if (!Resolve(key, &kp)) return ERROR_INVALID_HANDLE;
        Value v;
        v.name = ValueName(name);
        if (v.name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
        v.type = type;
        if (type == REG_DWORD) {
            if (size != 4 || !data) return ERROR_INVALID_PARAMETER;
            std::memcpy(&v.number, data, 4);
        } else if (type == REG_SZ) {
            if (size % 2 != 0 || (size > 0 && !data)) return ERROR_INVALID_PARAMETER;
            v.text.resize(size / 2);
            if (size > 0) std::memcpy(v.text.data(), data, size);
            // A REG_SZ is a zero-terminated text: it ends at its first zero.
            v.text.resize(std::u16string_view(v.text.c_str()).size());
        } else {
            return ERROR_INVALID_PARAMETER;
        }
        return static_cast<LONG>(regstore::Modify([&](Tree& tree, bool& changed) -> DWORD {
            Key* k = Locate(tree, kp);
            if (!k) return ERROR_KEY_DELETED;
            k->SetValue(std::move(v));
            changed = true;
            return ERROR_SUCCESS;
        }));
    });
}

LONG RegDeleteValueW(HKEY key, const char16_t* name)
{
    return Guarded([&]() -> LONG {
        KeyPath kp;
        if (!Resolve(key, &kp)) return ERROR_INVALID_HANDLE;
        return static_cast<LONG>(regstore::Modify([&](Tree& tree, bool& changed) -> DWORD {
            Key* k = Locate(tree, kp);
            if (!k) return ERROR_KEY_DELETED;
            if (!k->RemoveValue(ValueName(name))) return ERROR_FILE_NOT_FOUND;
            changed = true;
            return ERROR_SUCCESS;
        }));
    });
}

namespace {

// Deletes the key at `kp` + `parts`; `whole` allows a subtree.
LONG DeleteKey(HKEY key, const char16_t* subKey, bool whole)
{
    KeyPath kp;
    if (!Resolve(key, &kp)) return ERROR_INVALID_HANDLE;
    std::vector<std::u16string> parts;
    if (const DWORD err = regstore::SplitPath(subKey ? subKey : u"", &parts); err != ERROR_SUCCESS)
        return static_cast<LONG>(err);
    kp.path.insert(kp.path.end(), parts.begin(), parts.end());
    if (kp.path.empty()) return ERROR_ACCESS_DENIED;  // a hive stays
    const std::u16string last = kp.path.back();
    kp.path.pop_back();
    return static_cast<LONG>(regstore::Modify([&](Tree& tree, bool& changed) -> DWORD {
        Key* parent = Locate(tree, kp);
        Key* target = parent ? parent->FindSubkey(last) : nullptr;
        if (!target) return parts.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        if (!whole && !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
        parent->RemoveSubkey(last);
        changed = true;
        return ERROR_SUCCESS;
    }));
}

}  // namespace

LONG RegDeleteKeyW(HKEY key, const char16_t* subKey)
{
    return Guarded([&]() -> LONG {
        if (!subKey) return ERROR_INVALID_PARAMETER;
        return DeleteKey(key, subKey, false);
    });
}

LONG RegDeleteTreeW(HKEY key, const char16_t* subKey)
{
    return Guarded([&]() -> LONG {
        if (subKey && *subKey) return DeleteKey(key, subKey, true);
        KeyPath kp;
        if (!Resolve(key, &kp)) return ERROR_INVALID_HANDLE;
        return static_cast<LONG>(regstore::Modify([&](Tree& tree, bool& changed) -> DWORD {
            Key* k = Locate(tree, kp);
            if (!k) return ERROR_KEY_DELETED;
            changed = !k->values.empty() || !k->subkeys.empty();
            k->values.clear();
            k->subkeys.clear();
            return ERROR_SUCCESS;
        }));
    });
}

LONG RegEnumKeyExW(HKEY key, DWORD index, char16_t* name, DWORD* nameLength, DWORD*, char16_t*, DWORD*, void*)
{
    return Guarded([&]() -> LONG {
        Tree tree;
        Key* k = nullptr;
        if (const LONG err = ReadKey(key, tree, &k); err != ERROR_SUCCESS) return err;
        if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
        return CopyName(k->subkeys[index].name, name, nameLength);
    });
}

LONG RegEnumValueW(HKEY key, DWORD index, char16_t* name, DWORD* nameLength, DWORD*, DWORD* type, BYTE* data,
                   DWORD* size)
{
    return Guarded([&]() -> LONG {
        Tree tree;
        Key* k = nullptr;
        if (const LONG err = ReadKey(key, tree, &k); err != ERROR_SUCCESS) return err;
        if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
        const Value& v = k->values[index];
        if (const LONG err = CopyName(v.name, name, nameLength); err != ERROR_SUCCESS) return err;
        return CopyData(v, type, data, size);
    });
}
