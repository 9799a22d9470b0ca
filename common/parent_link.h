#pragma once
// The weak parent pointer of tables and columns. A parent is held without a
// reference (a counted one would make a cycle with the table's columns), so
// a table of this module clears every link that points at it when it goes:
// get_Parent then answers null instead of handing out a released table. A
// parent of another component cannot tell when it goes; the host keeps it
// alive while it is a parent, as with any weak pointer.
#include <vector>

#include "contracts/datasource.h"

namespace bvd {

class ParentLink;

// The end of the links inside a table: every link pointing at the table.
class ParentLinks {
public:
    ParentLinks() = default;
    ParentLinks(const ParentLinks&) = delete;
    ParentLinks& operator=(const ParentLinks&) = delete;
    ~ParentLinks() { ClearAll(); }
    // Clears every link pointing here; the table calls it first thing when
    // it is destroyed.
    void ClearAll() noexcept;

private:
    friend class ParentLink;
    std::vector<ParentLink*> links_;
};

class ParentLink {
public:
    ParentLink() = default;
    ParentLink(const ParentLink&) = delete;
    ParentLink& operator=(const ParentLink&) = delete;
    ~ParentLink() { Set(nullptr); }

    // Points at `table` (null clears); `links` is the table's own end when
    // the table is one of this module's, else null.
    void Set(ITable* table, ParentLinks* links = nullptr);
    // The parent with a reference added, or null.
    ITable* Get() const noexcept;

private:
    friend class ParentLinks;
    ITable* table_ = nullptr;
    ParentLinks* links_ = nullptr;
};

}  // namespace bvd
