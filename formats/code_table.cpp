#include "formats/code_table.h"

#include <algorithm>

namespace bvdformats {
namespace {

bool CodeLess(const CodePair& pair, LONG code) noexcept { return pair.code < code; }

}  // namespace

void CodeTable::Add(LONG code, LONG number)
{
    pairs_.push_back({code, number});
    // Codes arrive mostly in ascending order, so the insertion is usually at
    // the end.
    const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), code, CodeLess);
    if (at == sorted_.end() || at->code != code) sorted_.insert(at, {code, number});
}

LONG CodeTable::Find(LONG code) const noexcept
{
    const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), code, CodeLess);
    return at != sorted_.end() && at->code == code ? at->number : kNotFound;
}

}  // namespace bvdformats
