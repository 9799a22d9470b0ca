#pragma once
// The Win32 pieces the plug-ins call: last error, critical sections,
// interlocked counters, code pages, file attributes, local time and date text,
// module handles and paths.
#include <mutex>
#include <string>

#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/oleconv.h"
#include "platform/types.h"

PLATFORM_API DWORD GetLastError();
PLATFORM_API void SetLastError(DWORD err);

// Recursive, as the original.
struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
};
PLATFORM_API void InitializeCriticalSection(CRITICAL_SECTION* cs);
PLATFORM_API void DeleteCriticalSection(CRITICAL_SECTION* cs);
PLATFORM_API void EnterCriticalSection(CRITICAL_SECTION* cs);
PLATFORM_API void LeaveCriticalSection(CRITICAL_SECTION* cs);

PLATFORM_API LONG InterlockedIncrement(volatile LONG* target);
PLATFORM_API LONG InterlockedDecrement(volatile LONG* target);
PLATFORM_API LONG InterlockedExchange(volatile LONG* target, LONG value);
PLATFORM_API LONG InterlockedCompareExchange(volatile LONG* target, LONG exchange, LONG comparand);

// Code pages. The ANSI code page (CP_ACP) is Windows-1252. CP_OEMCP is not
// carried: the conversions answer ERROR_INVALID_PARAMETER for it.
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_1252 = 1252;
inline constexpr UINT CP_28591 = 28591;  // ISO-8859-1
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD MB_PRECOMPOSED = 0x01;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
inline constexpr DWORD WC_DEFAULTCHAR = 0x40;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
inline constexpr DWORD WC_COMPOSITECHECK = 0x200;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
// Win32 errors of this area (with the values of the original platform).
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_INVALID_FLAGS = 1004;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
PLATFORM_API UINT GetACP();
// As the original: a length of -1 means "up to and including the terminating
// zero"; an output size of 0 asks for the size needed. Returns the number of
// units written (or needed), 0 on failure with GetLastError().
PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst, int dstLen);
// Unmapped characters become `defaultChar` ('?' when null); *usedDefault tells.
// There is no best-fit mapping: a character outside the code page is unmapped.
// For CP_UTF8 `defaultChar` and `usedDefault` must be null, as in the original;
// lone surrogates become U+FFFD (failure with WC_ERR_INVALID_CHARS), and
// MultiByteToWideChar turns ill-formed UTF-8 into U+FFFD (failure with
// ERROR_NO_UNICODE_TRANSLATION under MB_ERR_INVALID_CHARS).
PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst, int dstLen,
                                     const char* defaultChar, BOOL* usedDefault);
// Convenience forms over whole strings.
PLATFORM_API std::u16string AnsiToWide(std::string_view ansi);
PLATFORM_API std::string WideToAnsi(std::u16string_view wide);

// File attributes. Paths are handed to the file system as UTF-8 bytes (wide
// forms), whatever the ANSI code page says; the narrow forms take ANSI text.
// Read-only means that no permission bit allows writing; a file with no
// other attribute answers FILE_ATTRIBUTE_NORMAL.
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
PLATFORM_API DWORD GetFileAttributesW(const char16_t* path);
PLATFORM_API DWORD GetFileAttributesA(const char* path);

// Local and UTC time.
PLATFORM_API void GetLocalTime(SYSTEMTIME* st);
PLATFORM_API void GetSystemTime(SYSTEMTIME* st);

// Date text (GetDateFormat): with DATE_LONGDATE and no picture, the locale's
// long date ("Friday, December 11, 2026" for 1033). A null `date` means today;
// the day of week is computed, not read. A picture takes d dd ddd dddd, M MM
// MMM MMMM, y yy yyyy and 'quoted' text ('' is an apostrophe); other
// characters are copied. Counts include the terminating zero.
inline constexpr DWORD DATE_SHORTDATE = 0x1;
inline constexpr DWORD DATE_LONGDATE = 0x2;
PLATFORM_API int GetDateFormatW(LCID lcid, DWORD flags, const SYSTEMTIME* date, const char16_t* picture,
                                char16_t* buffer, int bufferLen);
PLATFORM_API int GetDateFormatA(LCID lcid, DWORD flags, const SYSTEMTIME* date, const char* picture, char* buffer,
                                int bufferLen);

// Modules. A module handle is the load address of a shared object (or of the
// program); the handle of the module containing an address is found by address.
PLATFORM_API HMODULE ModuleFromAddress(const void* address);
// The module's full path (UTF-8 bytes as the file system has them, converted
// for the W form; the A form answers in the ANSI code page, like every narrow
// text); the length copied, or 0 (ERROR_MOD_NOT_FOUND for a handle that is no
// module's load address). A path that does not fit is cut and terminated, and
// the buffer size is returned with ERROR_INSUFFICIENT_BUFFER, as the
// original. The std::string form has no limit. The null handle is the program.
PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size);
PLATFORM_API DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
PLATFORM_API std::string ModulePath(HMODULE module);
