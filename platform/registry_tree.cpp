// The registry's keys and values in memory.
#include <algorithm>

#include "platform/bstr.h"
#include "platform/registry.h"
#include "platform/registry_store.h"

namespace regstore {

namespace {

char16_t Fold(char16_t c) noexcept { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

}  // namespace

bool NameEquals(std::u16string_view a, std::u16string_view b) noexcept
{
    return NameCompare(a, b) == 0;
}

// Compares with ASCII letters folded to upper case.
int NameCompare(std::u16string_view a, std::u16string_view b) noexcept
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = Fold(a[i]);
        const char16_t y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

Key* Key::FindSubkey(std::u16string_view n) noexcept
{
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                               [](const Key& k, std::u16string_view v) { return NameCompare(k.name, v) < 0; });
    return (it != subkeys.end() && NameEquals(it->name, n)) ? &*it : nullptr;
}

Key& Key::AddSubkey(std::u16string_view n, bool* created)
{
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                               [](const Key& k, std::u16string_view v) { return NameCompare(k.name, v) < 0; });
    if (it != subkeys.end() && NameEquals(it->name, n)) {
        if (created) *created = false;
        return *it;
    }
    Key k;
    k.name = std::u16string(n);
    if (created) *created = true;
    return *subkeys.insert(it, std::move(k));
}

bool Key::RemoveSubkey(std::u16string_view n)
{
    auto it = std::find_if(subkeys.begin(), subkeys.end(), [&](const Key& k) { return NameEquals(k.name, n); });
    if (it == subkeys.end()) return false;
    subkeys.erase(it);
    return true;
}

Value* Key::FindValue(std::u16string_view n) noexcept
{
    for (Value& v : values)
        if (NameEquals(v.name, n)) return &v;
    return nullptr;
}

void Key::SetValue(Value v)
{
    if (Value* old = FindValue(v.name)) {
        v.name = old->name;  // the name keeps the case it was created with
        *old = std::move(v);
    } else {
        values.push_back(std::move(v));
    }
}

bool Key::RemoveValue(std::u16string_view n)
{
    auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return NameEquals(v.name, n); });
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

const char* HiveName(Hive h) noexcept
{
    switch (h) {
    case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::LocalMachine: return "HKEY_LOCAL_MACHINE";
    }
    return "";
}

Tree::Tree()
{
    hives[0].name = u"HKEY_CLASSES_ROOT";
    hives[1].name = u"HKEY_LOCAL_MACHINE";
}

Key* FindPath(Key& root, const std::vector<std::u16string>& path) noexcept
{
    Key* k = &root;
    for (const std::u16string& part : path) {
        k = k->FindSubkey(part);
        if (!k) return nullptr;
    }
    return k;
}

bool ValidKeyName(std::u16string_view name)
{
    if (name.empty() || name.size() > kMaxKeyNameLength) return false;
    for (char16_t c : name)
        if (c < 0x20 || c == 0x7F || c == u'\\') return false;
    // A key name is written to the file as UTF-8 without escapes, so an
    // unpaired surrogate could not be kept.
    return Utf8ToUtf16(Utf16ToUtf8(name)) == name;
}

DWORD SplitPath(std::u16string_view text, std::vector<std::u16string>* parts)
{
    parts->clear();
    if (text.empty()) return ERROR_SUCCESS;
    if (text.back() == u'\\') text.remove_suffix(1);
    while (true) {
        const size_t slash = text.find(u'\\');
        const std::u16string_view part = text.substr(0, slash);
        if (!ValidKeyName(part)) return ERROR_INVALID_PARAMETER;
        parts->emplace_back(part);
        if (slash == std::u16string_view::npos) break;
        text.remove_prefix(slash + 1);
    }
    return ERROR_SUCCESS;
}

}  // namespace regstore
