#pragma once
// The reader's fixed identifiers: its type library and its fourteen classes.
#include "common/plugin.h"

namespace bvdreader {

inline constexpr GUID LIBID_BVDREADERLib{0x3a6e21d0, 0x5b7c, 0x4f19, {0x8c, 0x2d, 0x41, 0x9e, 0x0b, 0x77, 0xd2, 0x10}};

constexpr GUID ReaderClsid(BYTE n) { return {0x3a6e2100u + n, 0x5b7c, 0x4f19, {0x8c, 0x2d, 0x41, 0x9e, 0x0b, 0x77, 0xd2, n}}; }

inline constexpr bvd::DataSourceClasses kClasses{
    ReaderClsid(0x21), ReaderClsid(0x22), ReaderClsid(0x23), ReaderClsid(0x24), ReaderClsid(0x25),
    ReaderClsid(0x26), ReaderClsid(0x27), ReaderClsid(0x28), ReaderClsid(0x29), ReaderClsid(0x2a),
    ReaderClsid(0x2b), ReaderClsid(0x2c), ReaderClsid(0x2d), ReaderClsid(0x2e)};

}  // namespace bvdreader
