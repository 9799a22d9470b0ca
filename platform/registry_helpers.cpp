// Path-and-name helpers over the registry. Reads look at one reading of the
// file, so a value is never seen half-way through another process's change.
#include <new>
#include <string>

#include "platform/registry.h"
#include "platform/registry_store.h"

namespace {

std::u16string Z(std::u16string_view s) { return std::u16string(s); }

// The value at root\path, name in one reading of the registry.
std::optional<regstore::Value> ReadValue(HKEY root, std::u16string_view path, std::u16string_view name)
{
    if (root != HKEY_CLASSES_ROOT && root != HKEY_LOCAL_MACHINE) return std::nullopt;
    try {
        std::vector<std::u16string> parts;
        if (regstore::SplitPath(path, &parts) != ERROR_SUCCESS) return std::nullopt;
        regstore::Tree tree;
        if (regstore::Read(&tree) != ERROR_SUCCESS) return std::nullopt;
        regstore::Key* key = regstore::FindPath(
            tree.Root(root == HKEY_CLASSES_ROOT ? regstore::Hive::ClassesRoot : regstore::Hive::LocalMachine), parts);
        const regstore::Value* value = key ? key->FindValue(name) : nullptr;
        if (!value) return std::nullopt;
        return *value;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::u16string> RegReadString(HKEY root, std::u16string_view path, std::u16string_view name)
{
    std::optional<regstore::Value> v = ReadValue(root, path, name);
    if (!v || v->type != REG_SZ) return std::nullopt;
    return std::move(v->text);
}

std::optional<DWORD> RegReadDword(HKEY root, std::u16string_view path, std::u16string_view name)
{
    std::optional<regstore::Value> v = ReadValue(root, path, name);
    if (!v || v->type != REG_DWORD) return std::nullopt;
    return v->number;
}

LONG RegWriteString(HKEY root, std::u16string_view path, std::u16string_view name, std::u16string_view text)
{
    RegKey key;
    if (const LONG err = RegCreateKeyExW(root, Z(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
        err != ERROR_SUCCESS)
        return err;
    const std::u16string t = Z(text);
    return RegSetValueExW(key.get(), Z(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                          static_cast<DWORD>((t.size() + 1) * sizeof(char16_t)));
}

LONG RegWriteDword(HKEY root, std::u16string_view path, std::u16string_view name, DWORD value)
{
    RegKey key;
    if (const LONG err = RegCreateKeyExW(root, Z(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
        err != ERROR_SUCCESS)
        return err;
    return RegSetValueExW(key.get(), Z(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

bool RegKeyExists(HKEY root, std::u16string_view path)
{
    RegKey key;
    return RegOpenKeyExW(root, Z(path).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}
