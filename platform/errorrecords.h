#pragma once
// The OLE DB error-records object (CLSID_EXTENDEDERRORINFO, builtin.h): a
// stack of error records, each with its basic information, the parameters
// of its message and a custom error object. Record 0 is the most recently
// added one. The object also answers IErrorInfo from record 0, so a caller of
// GetErrorInfo sees the newest message directly and can walk the chain
// through IErrorRecords.
#include "platform/builtin.h"  // CLSID_EXTENDEDERRORINFO
#include "platform/dispatch.h"
#include "platform/errorinfo.h"
#include "platform/export.h"

struct ERRORINFO {
    HRESULT hrError;
    DWORD dwMinor;
    CLSID clsid;
    IID iid;
    DISPID dispid;
};

// A record number not below the record count.
inline constexpr HRESULT DB_E_BADRECORDNUM = hr_(0x80040E42);

struct IErrorRecords : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x0C733A67, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
    // Pushes a record on top. The parameters are copied (null: none); the
    // custom error object, if any, is held with a reference.
    virtual HRESULT AddErrorRecord(ERRORINFO* pErrorInfo, DWORD dwLookupID, DISPPARAMS* pdispparams,
                                   IUnknown* punkCustomError, DWORD dwDynamicErrorID) = 0;
    virtual HRESULT GetBasicErrorInfo(ULONG ulRecordNum, ERRORINFO* pErrorInfo) = 0;
    // The record's custom error object asked for `riid`; null with S_OK when
    // the record has none.
    virtual HRESULT GetCustomErrorObject(ULONG ulRecordNum, REFIID riid, IUnknown** ppObject) = 0;
    // An IErrorInfo for the record: GUID from the record's interface,
    // texts and help from its custom error object's IErrorInfo.
    virtual HRESULT GetErrorInfo(ULONG ulRecordNum, LCID lcid, IErrorInfo** ppErrorInfo) = 0;
    // A copy of the record's parameters in task memory: the caller clears
    // the VARIANTs and frees both arrays with CoTaskMemFree, or does both
    // with FreeErrorParameters.
    virtual HRESULT GetErrorParameters(ULONG ulRecordNum, DISPPARAMS* pdispparams) = 0;
    virtual HRESULT GetRecordCount(ULONG* pcRecords) = 0;
};

inline constexpr const IID& IID_IErrorRecords = IErrorRecords::kIid;

// Instance creator of the error-records object, as IClassFactory::
// CreateInstance (no aggregation). CoCreateInstance finds it through the
// built-in class table.
PLATFORM_API HRESULT CreateErrorRecordsObject(IUnknown* outer, REFIID riid, void** ppv);

// Releases what GetErrorParameters handed out: clears the VARIANTs and frees
// the arrays; the structure is left empty.
PLATFORM_API void FreeErrorParameters(DISPPARAMS* params);
