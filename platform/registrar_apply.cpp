// Applying a parsed registration script to the registry tree, in
// registration mode and in removal mode (rules in registrar.h).
#include "platform/registrar_script.h"

namespace rgs {

namespace {

regstore::Value ToValue(const ValueDef& def)
{
    regstore::Value v;
    v.name = def.name;
    v.type = def.type;
    v.text = def.text;
    v.number = def.number;
    return v;
}

void RegisterKey(regstore::Key& parent, const KeyDef& def)
{
    if (def.mark == Mark::Delete || def.mark == Mark::ForceRemove) parent.RemoveSubkey(def.name);
    if (def.mark == Mark::Delete) return;
    regstore::Key& key = parent.AddSubkey(def.name);
    if (def.defaultValue) key.SetValue(ToValue(*def.defaultValue));
    for (const ValueDef& v : def.values) key.SetValue(ToValue(v));
    for (const KeyDef& sub : def.subkeys) RegisterKey(key, sub);
}

void UnregisterKey(regstore::Key& parent, const KeyDef& def)
{
    regstore::Key* key = parent.FindSubkey(def.name);
    if (!key || def.mark == Mark::Delete) return;
    if (def.mark == Mark::ForceRemove) {
        parent.RemoveSubkey(def.name);
        return;
    }
    for (const ValueDef& v : def.values) key->RemoveValue(v.name);
    for (const KeyDef& sub : def.subkeys) UnregisterKey(*key, sub);
    if (def.mark == Mark::NoRemove || !key->subkeys.empty()) return;
    for (const regstore::Value& v : key->values)
        if (!v.name.empty()) return;  // something another script wrote stays
    parent.RemoveSubkey(def.name);
}

}  // namespace

void ApplyRegister(regstore::Tree& tree, const Script& script)
{
    for (const RootDef& root : script)
        for (const KeyDef& key : root.keys) RegisterKey(tree.Root(root.hive), key);
}

void ApplyUnregister(regstore::Tree& tree, const Script& script)
{
    for (const RootDef& root : script)
        for (const KeyDef& key : root.keys) UnregisterKey(tree.Root(root.hive), key);
}

}  // namespace rgs
