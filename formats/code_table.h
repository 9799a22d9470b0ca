#pragma once
// A column's code table: pairs (value code, category number) in the order in
// which they were added, as the reader's NameMapping answers from them. The
// first pair of a code decides its number; lookups go through a hash index so
// that a record of a wide multiple field costs a constant per chosen position,
// not a scan of every code, whatever the order in which codes were added.
#include <cstddef>
#include <unordered_map>
#include <vector>

#include "platform/types.h"

namespace bvdformats {

struct CodePair {
    LONG code;
    LONG number;
};

class CodeTable {
public:
    static constexpr LONG kNotFound = -1;

    // Appends a pair; a code already present keeps its first number for
    // lookups, the pair is still kept in order.
    void Add(LONG code, LONG number);

    // The number of the first pair with `code`, or kNotFound.
    LONG Find(LONG code) const noexcept;

    const std::vector<CodePair>& pairs() const noexcept { return pairs_; }
    size_t size() const noexcept { return pairs_.size(); }
    bool empty() const noexcept { return pairs_.empty(); }

private:
    std::vector<CodePair> pairs_;   // insertion order
    std::unordered_map<LONG, LONG> first_;  // code -> number of its first pair
};

}  // namespace bvdformats
