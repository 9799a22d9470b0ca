#pragma once
// HRESULTs and Win32 error codes with the values of the original platform.
#include "platform/types.h"

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MAKE_HRESULT(unsigned sev, unsigned fac, unsigned code)
{
    return static_cast<HRESULT>((static_cast<uint32_t>(sev) << 31) | (static_cast<uint32_t>(fac) << 16) | code);
}
constexpr unsigned HRESULT_FACILITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 16) & 0x1FFF; }
constexpr unsigned HRESULT_CODE(HRESULT hr) { return static_cast<uint32_t>(hr) & 0xFFFF; }

inline constexpr unsigned FACILITY_NULL = 0;
inline constexpr unsigned FACILITY_DISPATCH = 2;
inline constexpr unsigned FACILITY_ITF = 4;
inline constexpr unsigned FACILITY_WIN32 = 7;

constexpr HRESULT HRESULT_FROM_WIN32(DWORD err)
{
    return static_cast<HRESULT>(err) <= 0 ? static_cast<HRESULT>(err)
                                          : static_cast<HRESULT>((err & 0xFFFF) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

constexpr HRESULT hr_(uint32_t v) { return static_cast<HRESULT>(v); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = hr_(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr_(0x80004002);
inline constexpr HRESULT E_POINTER = hr_(0x80004003);
inline constexpr HRESULT E_ABORT = hr_(0x80004004);
inline constexpr HRESULT E_FAIL = hr_(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr_(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hr_(0x80070005);
inline constexpr HRESULT E_HANDLE = hr_(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = hr_(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hr_(0x80070057);

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr_(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr_(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hr_(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr_(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr_(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hr_(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = hr_(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = hr_(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hr_(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hr_(0x8002000B);
inline constexpr HRESULT DISP_E_UNKNOWNLCID = hr_(0x8002000C);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = hr_(0x8002000D);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr_(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr_(0x8002000F);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hr_(0x8002802B);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr_(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr_(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = hr_(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hr_(0x80040151);
inline constexpr HRESULT REGDB_E_KEYMISSING = hr_(0x80040152);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr_(0x80040154);
inline constexpr HRESULT REGDB_E_IIDNOTREG = hr_(0x80040155);
inline constexpr HRESULT CO_E_NOTINITIALIZED = hr_(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = hr_(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = hr_(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = hr_(0x800401F9);

// Win32 error codes (GetLastError values).
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_READ_FAULT = 30;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_OUTOFMEMORY = 14;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
inline constexpr DWORD ERROR_BADKEY = 1010;
inline constexpr DWORD ERROR_CANTOPEN = 1011;
inline constexpr DWORD ERROR_CANTREAD = 1012;
inline constexpr DWORD ERROR_CANTWRITE = 1013;
inline constexpr DWORD ERROR_KEY_DELETED = 1018;
inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
inline constexpr DWORD ERROR_RESOURCE_LANG_NOT_FOUND = 1815;
