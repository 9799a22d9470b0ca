#pragma once
// The COM root interfaces. Every interface is a struct of pure virtual members
// with a static `kIid`; `uuidof<I>()` gives it, and interfaces derived from
// another interface name it as `Base`, so that QueryInterface can answer for the
// whole chain (see comobject.h).
#include "platform/guid.h"
#include "platform/hresult.h"

template <class I>
constexpr const IID& uuidof() { return I::kIid; }

struct IUnknown {
    static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};

struct ISupportErrorInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

inline constexpr const IID& IID_IUnknown = IUnknown::kIid;
inline constexpr const IID& IID_IClassFactory = IClassFactory::kIid;
inline constexpr const IID& IID_ISupportErrorInfo = ISupportErrorInfo::kIid;
