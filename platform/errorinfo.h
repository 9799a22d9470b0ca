#pragma once
// Error information: the error object a failing method leaves for its caller,
// one per thread. CreateErrorInfo makes an object answering both interfaces;
// SetErrorInfo(0, p) publishes it for the calling thread and GetErrorInfo(0,
// &p) takes it (the thread's slot is empty afterwards; S_FALSE and null when
// nothing was there).
#include "platform/export.h"
#include "platform/unknown.h"

struct IErrorInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT GetGUID(GUID* pGUID) = 0;
    virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
    virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
    virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT SetGUID(REFGUID rguid) = 0;
    virtual HRESULT SetSource(LPOLESTR szSource) = 0;
    virtual HRESULT SetDescription(LPOLESTR szDescription) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR szHelpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD dwHelpContext) = 0;
};

inline constexpr const IID& IID_IErrorInfo = IErrorInfo::kIid;
inline constexpr const IID& IID_ICreateErrorInfo = ICreateErrorInfo::kIid;

// A new, empty error object (null GUID, null texts, help context 0).
PLATFORM_API HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo);
// Replaces the calling thread's error object (null clears it). dwReserved must be 0.
PLATFORM_API HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
// Takes the calling thread's error object: S_OK with the object, or S_FALSE
// with null when there is none. dwReserved must be 0.
PLATFORM_API HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
