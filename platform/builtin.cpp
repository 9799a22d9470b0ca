// The table of built-in classes.
#include "platform/builtin.h"

#include <map>
#include <mutex>

namespace {

struct Table {
    std::mutex mutex;
    std::map<CLSID, BuiltinCreator, GuidLess> creators;
};

// Built on first use: entries arrive from static initialisers in any order.
Table& TheTable()
{
    static Table table;
    return table;
}

}  // namespace

void RegisterBuiltinClass(REFCLSID clsid, BuiltinCreator creator)
{
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    t.creators[clsid] = creator;
}

BuiltinCreator FindBuiltinClass(REFCLSID clsid)
{
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.creators.find(clsid);
    return it == t.creators.end() ? nullptr : it->second;
}
