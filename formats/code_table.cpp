#include "formats/code_table.h"

namespace bvdformats {

void CodeTable::Add(LONG code, LONG number)
{
    pairs_.push_back({code, number});
    first_.try_emplace(code, number);  // a later pair of the same code never answers
}

LONG CodeTable::Find(LONG code) const noexcept
{
    const auto at = first_.find(code);
    return at != first_.end() ? at->second : kNotFound;
}

}  // namespace bvdformats
