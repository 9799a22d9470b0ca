#pragma once
// Version information of a module file (GetFileVersionInfo and VerQueryValue).
// The information is the record a module placed with version_resource.h; it
// is read from the FILE, whether or not the module is loaded.
//
// The block GetFileVersionInfoW fills is opaque to callers; VerQueryValueW
// gives its parts: "\" the VS_FIXEDFILEINFO. There are no string tables or
// translations ("\StringFileInfo\...", "\VarFileInfo\..." give FALSE).
// Failures set the last error (GetLastError, win32.h):
//   ERROR_FILE_NOT_FOUND             no such file (or it cannot be opened);
//   ERROR_BAD_FORMAT                 the file is not a well-formed ELF file;
//   ERROR_RESOURCE_TYPE_NOT_FOUND    it carries no version record;
//   ERROR_RESOURCE_DATA_NOT_FOUND    its version record is malformed;
//   ERROR_INSUFFICIENT_BUFFER        GetFileVersionInfoW's buffer is too small.
#include "platform/export.h"
#include "platform/types.h"

inline constexpr DWORD ERROR_BAD_FORMAT = 11;

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
inline constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
inline constexpr DWORD VOS_UNKNOWN = 0;
inline constexpr DWORD VFT_DLL = 2;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;  // major << 16 | minor
    DWORD dwFileVersionLS;  // patch << 16 | tweak
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

constexpr WORD HIWORD(DWORD v) { return static_cast<WORD>(v >> 16); }
constexpr WORD LOWORD(DWORD v) { return static_cast<WORD>(v & 0xFFFF); }

// The size of the block for `path`, 0 on failure; *handle (may be null) is
// set to 0.
PLATFORM_API DWORD GetFileVersionInfoSizeW(const char16_t* path, DWORD* handle);
// Fills `data` (`length` bytes) with the block; FALSE on failure.
PLATFORM_API BOOL GetFileVersionInfoW(const char16_t* path, DWORD handle, DWORD length, void* data);
// `subBlock` "\" gives a pointer into the block at its VS_FIXEDFILEINFO and
// its size; FALSE for anything else or a block that is not one.
PLATFORM_API BOOL VerQueryValueW(const void* block, const char16_t* subBlock, void** buffer, UINT* length);
// Narrow forms: the path in the ANSI code page.
PLATFORM_API DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle);
PLATFORM_API BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD length, void* data);
