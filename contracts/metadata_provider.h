#pragma once
// The metadata provider: fills a Lodex document from a survey's definition
// file. Implemented by bvdmeta (class Bvdmeta.bvdMetadata); the host calls it.
#include "platform/unknown.h"

struct IMetadataProvider : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0xefac1df4, 0x3a7b, 0x48e1, {0xa6, 0x58, 0x46, 0xcd, 0x05, 0x34, 0xd0, 0x1b}};
    // `connectionString`: the definition file's path, taken whole.
    // `lodexDocument`: points at an interface pointer of the caller's Lodex
    // document (contracts/lodex.h); it is read, never written.
    // S_OK, E_POINTER, E_FAIL, E_INVALIDARG or the failure of a document call;
    // no error information accompanies any result.
    virtual HRESULT FillDocument(BSTR connectionString, IUnknown** lodexDocument) = 0;
};
inline constexpr const IID& IID_IMetadataProvider = IMetadataProvider::kIid;
