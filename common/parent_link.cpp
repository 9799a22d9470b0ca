// Weak parent links, all guarded by one lock of the module: a link and the
// table it points at may go on different threads.
#include "common/parent_link.h"

#include <algorithm>
#include <mutex>

namespace bvd {
namespace {
std::mutex& LinkLock()
{
    static std::mutex lock;
    return lock;
}
}  // namespace

void ParentLinks::ClearAll() noexcept
{
    std::lock_guard guard(LinkLock());
    for (ParentLink* link : links_) {
        link->table_ = nullptr;
        link->links_ = nullptr;
    }
    links_.clear();
}

void ParentLink::Set(ITable* table, ParentLinks* links)
{
    std::lock_guard guard(LinkLock());
    if (links != links_) {
        if (links) links->links_.push_back(this);  // may throw: nothing has changed yet
        if (links_) std::erase(links_->links_, this);
    }
    table_ = table;
    links_ = links;
}

ITable* ParentLink::Get() const noexcept
{
    std::lock_guard guard(LinkLock());
    if (table_) table_->AddRef();
    return table_;
}

}  // namespace bvd
