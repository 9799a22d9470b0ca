#pragma once
// A column's code table: pairs (value code, category number) in the order in
// which they were added, as the reader's NameMapping answers from them. The
// first pair of a code decides its number; lookups use a sorted index so that
// a record of a wide multiple field costs a logarithm per chosen position,
// not a scan of every code.
#include <cstddef>
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
    std::vector<CodePair> sorted_;  // by code, one pair per code (the first added)
};

}  // namespace bvdformats
