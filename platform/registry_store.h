#pragma once
// Inside the registry: the tree of keys as held in memory while one call
// works on it, and the transaction that reads, changes and writes the file.
// Only the registry functions and the registrar use this header.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace regstore {

// ASCII case folding: the registry's rule for every name.
bool NameEquals(std::u16string_view a, std::u16string_view b) noexcept;
int NameCompare(std::u16string_view a, std::u16string_view b) noexcept;

struct Value {
    std::u16string name;  // empty: the default value
    DWORD type = 0;       // REG_SZ or REG_DWORD
    std::u16string text;
    DWORD number = 0;
};

struct Key {
    std::u16string name;
    std::vector<Value> values;  // in the order first set
    std::vector<Key> subkeys;   // sorted by NameCompare

    Key* FindSubkey(std::u16string_view n) noexcept;
    // The subkey `n`, created (in its sorted place) when missing. Creating
    // moves siblings: references to other subkeys of this key become invalid.
    Key& AddSubkey(std::u16string_view n, bool* created = nullptr);
    bool RemoveSubkey(std::u16string_view n);

    Value* FindValue(std::u16string_view n) noexcept;
    // Replaces the value of the same name in its place, or appends it.
    void SetValue(Value v);
    bool RemoveValue(std::u16string_view n);
};

enum class Hive { ClassesRoot = 0, LocalMachine = 1 };
inline constexpr int kHiveCount = 2;
const char* HiveName(Hive h) noexcept;

struct Tree {
    Key hives[kHiveCount];
    Tree();
    Key& Root(Hive h) { return hives[static_cast<int>(h)]; }
    const Key& Root(Hive h) const { return hives[static_cast<int>(h)]; }
};

// Key names: not empty, at most kMaxKeyNameLength characters, no '\',
// no control characters, no unpaired surrogates.
bool ValidKeyName(std::u16string_view name);
// Splits "a\b\c" into its key names. Empty is the key itself; one trailing
// '\' is allowed; an invalid name gives ERROR_INVALID_PARAMETER.
DWORD SplitPath(std::u16string_view text, std::vector<std::u16string>* parts);

// The key at `path` below `root`, or null.
Key* FindPath(Key& root, const std::vector<std::u16string>& path) noexcept;

// Text form (the file's format, see registry_file.cpp). Parse gives false
// with a message naming the line on malformed text.
std::string Serialize(const Tree& tree);
bool Parse(std::string_view text, Tree* tree, std::string* error);

// The current registry, read from the file without taking the lock (changes
// replace the file atomically). ERROR_BADDB when it cannot be parsed.
DWORD Read(Tree* tree);
// One read-modify-write under the exclusive lock. `change` returns a Win32
// code and sets `changed` when the tree must be written back; the file is
// replaced only on success. Returns the change's code or the I/O failure.
DWORD Modify(const std::function<DWORD(Tree& tree, bool& changed)>& change);

}  // namespace regstore
