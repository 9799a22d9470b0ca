#pragma once
// Inside the registrar: a parsed registration script and the two ways of
// applying it to a registry tree (syntax and rules: registrar.h).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_store.h"

namespace rgs {

enum class Mark { None, NoRemove, ForceRemove, Delete };

struct ValueDef {
    std::u16string name;  // empty for a key's default value
    DWORD type = 0;       // REG_SZ or REG_DWORD
    std::u16string text;
    DWORD number = 0;
};

struct KeyDef {
    Mark mark = Mark::None;
    std::u16string name;
    std::optional<ValueDef> defaultValue;
    std::vector<ValueDef> values;
    std::vector<KeyDef> subkeys;
};

struct RootDef {
    regstore::Hive hive = regstore::Hive::ClassesRoot;
    std::vector<KeyDef> keys;
};

using Script = std::vector<RootDef>;
using Replacements = std::vector<std::pair<std::u16string, std::u16string>>;

// False with "line N: reason" in `error` when the script is malformed.
bool Parse(std::u16string_view text, const Replacements& replacements, Script* script, std::string* error);

void ApplyRegister(regstore::Tree& tree, const Script& script);
void ApplyUnregister(regstore::Tree& tree, const Script& script);

}  // namespace rgs
