// The reader's identity: its name, the CLSIDs of its fourteen classes and its
// capability table.
#include "common/capabilities.h"
#include "reader/bvdreader.h"

namespace {

// The reader builds its schema itself, sets the initialized flag before its
// open hook reads the survey, and reads "QX Category Values".
constexpr bvd::DataSourcePlugin kReader{u"bvdreader", bvdreader::kClasses, bvd::kReaderCapabilities.rows, false, true,
                                        true};

}  // namespace

const bvd::DataSourcePlugin& bvd::ThisPlugin() { return kReader; }
