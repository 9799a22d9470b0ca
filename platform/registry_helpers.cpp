// Path-and-name helpers over the registry functions.
#include <new>
#include <string>

#include "platform/registry.h"

namespace {

std::u16string Z(std::u16string_view s) { return std::u16string(s); }

}  // namespace

std::optional<std::u16string> RegReadString(HKEY root, std::u16string_view path, std::u16string_view name)
{
    try {
        RegKey key;
        if (RegOpenKeyExW(root, Z(path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
        const std::u16string n = Z(name);
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key.get(), n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return std::nullopt;
        // Another process may change the value between the two calls: retry
        // while it keeps growing.
        std::u16string text;
        while (true) {
            text.assign(size / 2, u'\0');
            const LONG err = RegQueryValueExW(key.get(), n.c_str(), nullptr, &type,
                                              reinterpret_cast<BYTE*>(text.data()), &size);
            if (err == ERROR_MORE_DATA) continue;
            if (err != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
            text.resize(size / 2 - 1);
            return text;
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<DWORD> RegReadDword(HKEY root, std::u16string_view path, std::u16string_view name)
{
    RegKey key;
    if (RegOpenKeyExW(root, Z(path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key.get(), Z(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
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
