// The reader's identity: its name, the CLSIDs of its fourteen classes and its
// capability table.
#include "common/plugin.h"
#include "reader/bvdreader.h"

namespace {

constexpr bvd::CapabilityRow Bool(const char16_t* name, bool value) { return {name, cdBoolean, 0, value, nullptr, 1}; }
constexpr bvd::CapabilityRow Long(const char16_t* name, LONG value) { return {name, cdLong, value, 0, nullptr, 1}; }

constexpr bvd::CapabilityRow kCapabilities[] = {
    Bool(u"Aggregates", false), Bool(u"Can Update", false), Bool(u"Can Add", true), Bool(u"Can Delete", false),
    Bool(u"Can Select", true), Bool(u"DDL Column", false), Bool(u"DDL Hierarchical Column", false),
    Bool(u"DDL Hierarchical Table", false), Bool(u"DDL Table", false), Bool(u"Expressions", false),
    Bool(u"HDATA", false), Long(u"Max Commands", 1), Long(u"Max Text Size", 0), Bool(u"Scroll Backward", false),
    Bool(u"SDATA", false), Bool(u"Stream Binary", false), Bool(u"Use Where", false), Bool(u"Use Group By", false),
    Bool(u"Use Having", false), Bool(u"Use Order By", false), Bool(u"Use Command Properties", false),
    Bool(u"Use Binding Properties", false), Bool(u"VDATA", true), {},
};

// The reader builds its schema itself, sets the initialized flag before its
// open hook reads the survey, and reads "QX Category Values".
constexpr bvd::DataSourcePlugin kReader{u"bvdreader", bvdreader::kClasses, kCapabilities, false, true, true};

}  // namespace

const bvd::DataSourcePlugin& bvd::ThisPlugin() { return kReader; }
