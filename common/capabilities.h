#pragma once
// The capability tables of the two case-data plug-ins: the 24 properties of
// a source besides "Version", in the order a host reads them. They differ in
// "Can Select" (the reader reads) and "DDL Table" (the writer's host defines
// the tables).
#include "common/plugin.h"

namespace bvd {

constexpr CapabilityRow CapabilityFlag(const char16_t* name, bool value) { return {name, cdBoolean, 0, value, nullptr, 1}; }
constexpr CapabilityRow CapabilityNumber(const char16_t* name, LONG value) { return {name, cdLong, value, 0, nullptr, 1}; }

// The table with its two differing flags; the last row has a null name.
struct CaseDataCapabilities {
    CapabilityRow rows[24];
};
constexpr CaseDataCapabilities MakeCaseDataCapabilities(bool canSelect, bool ddlTable)
{
    return {{
        CapabilityFlag(u"Aggregates", false), CapabilityFlag(u"Can Update", false), CapabilityFlag(u"Can Add", true),
        CapabilityFlag(u"Can Delete", false), CapabilityFlag(u"Can Select", canSelect),
        CapabilityFlag(u"DDL Column", false), CapabilityFlag(u"DDL Hierarchical Column", false),
        CapabilityFlag(u"DDL Hierarchical Table", false), CapabilityFlag(u"DDL Table", ddlTable),
        CapabilityFlag(u"Expressions", false), CapabilityFlag(u"HDATA", false),
        CapabilityNumber(u"Max Commands", 1), CapabilityNumber(u"Max Text Size", 0),
        CapabilityFlag(u"Scroll Backward", false), CapabilityFlag(u"SDATA", false),
        CapabilityFlag(u"Stream Binary", false), CapabilityFlag(u"Use Where", false),
        CapabilityFlag(u"Use Group By", false), CapabilityFlag(u"Use Having", false),
        CapabilityFlag(u"Use Order By", false), CapabilityFlag(u"Use Command Properties", false),
        CapabilityFlag(u"Use Binding Properties", false), CapabilityFlag(u"VDATA", true), {},
    }};
}

inline constexpr CaseDataCapabilities kReaderCapabilities = MakeCaseDataCapabilities(true, false);
inline constexpr CaseDataCapabilities kWriterCapabilities = MakeCaseDataCapabilities(false, true);

}  // namespace bvd
