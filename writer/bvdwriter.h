#pragma once
// The writer's fixed identifiers: its type library and its fourteen classes.
#include "common/plugin.h"

namespace bvdwriter {

inline constexpr GUID LIBID_BVDWRITERLib{0x9d04c7e0, 0x2e61, 0x47a3, {0xb5, 0x0f, 0x6c, 0x13, 0x88, 0x2a, 0xd2, 0x10}};

constexpr GUID WriterClsid(BYTE n) { return {0x9d04c700u + n, 0x2e61, 0x47a3, {0xb5, 0x0f, 0x6c, 0x13, 0x88, 0x2a, 0xd2, n}}; }

inline constexpr bvd::DataSourceClasses kClasses{
    WriterClsid(0x21), WriterClsid(0x22), WriterClsid(0x23), WriterClsid(0x24), WriterClsid(0x25),
    WriterClsid(0x26), WriterClsid(0x27), WriterClsid(0x28), WriterClsid(0x29), WriterClsid(0x2a),
    WriterClsid(0x2b), WriterClsid(0x2c), WriterClsid(0x2d), WriterClsid(0x2e)};

}  // namespace bvdwriter
