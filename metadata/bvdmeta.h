#pragma once
// The identities of the bvdmeta plug-in: its class, its type library and its
// dual interface, and the data types it gives Lodex variables.
#include "contracts/metadata_provider.h"
#include "platform/dispatch.h"

inline constexpr CLSID CLSID_bvdmeta{0xbe050723, 0xba37, 0x42f0, {0x89, 0xec, 0x71, 0xa0, 0x71, 0x76, 0xab, 0x5e}};
inline constexpr GUID LIBID_BVDMETALib{0x518b3c21, 0x4eef, 0x4a2c, {0xb6, 0xa7, 0x0c, 0x22, 0xf7, 0x30, 0x8e, 0x5c}};
inline constexpr char16_t kBvdmetaProgId[] = u"Bvdmeta.bvdMetadata";
inline constexpr char16_t kBvdmetaVersionedProgId[] = u"Bvdmeta.bvdMetadata.1";

// The class's own dual interface: no members besides IDispatch's.
struct Ibvdmeta : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0xcc4ec433, 0x6833, 0x43d4, {0x82, 0x7d, 0xd9, 0x8f, 0xde, 0x7d, 0xd9, 0x41}};
};
inline constexpr const IID& IID_Ibvdmeta = Ibvdmeta::kIid;

namespace bvdmeta {

// DataTypeConstants, the numbers of the host's data types (bvdmeta has none
// of the object model, so it keeps its own copy of the enum).
enum DataTypeConstants : LONG {
    mtNone = 0,
    mtLong = 1,
    mtText = 2,
    mtCategorical = 3,
    mtObject = 4,
    mtDate = 5,
    mtDouble = 6,
    mtBoolean = 7,
    mtLevel = 8,
};

}  // namespace bvdmeta
