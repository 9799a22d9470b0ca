// The writer's identity: its name, the CLSIDs of its fourteen classes and its
// capability table.
#include "common/capabilities.h"
#include "writer/bvdwriter.h"

namespace {

// The host appends the writer's tables and columns; the writer's open hook
// runs after Initialize has read the connection.
constexpr bvd::DataSourcePlugin kWriter{u"bvdwriter", bvdwriter::kClasses, bvd::kWriterCapabilities.rows, true, false,
                                        false};

}  // namespace

const bvd::DataSourcePlugin& bvd::ThisPlugin() { return kWriter; }
