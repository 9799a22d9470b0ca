#pragma once
// Message formatting (FormatMessage) and module resources: the message table
// and the string table that a module carries. A module registers its tables
// with the platform when it is loaded and withdraws them when it unloads;
// FORMAT_MESSAGE_FROM_HMODULE and LoadString find them by module handle.
#include <cstddef>
#include <string>

#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/types.h"

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// One insert of a message: a string (narrow in the ANSI code page, or wide) or
// a 32-bit number. Inserts are typed values, never C varargs.
struct FormatInsert {
    enum class Kind { AnsiString, WideString, Int32, UInt32 };
    Kind kind;
    const char* ansi = nullptr;
    const char16_t* wide = nullptr;
    int32_t i32 = 0;
    uint32_t u32 = 0;

    static FormatInsert Str(const char* s) { return {Kind::AnsiString, s}; }
    static FormatInsert Str(const char16_t* s) { return {Kind::WideString, nullptr, s}; }
    static FormatInsert Long(int32_t n) { return {Kind::Int32, nullptr, nullptr, n}; }
    static FormatInsert ULong(uint32_t n) { return {Kind::UInt32, nullptr, nullptr, 0, n}; }
};

// As the original: returns the number of characters stored (without the
// terminating zero), or 0 with the reason in GetLastError(). With
// FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is really a pointer to the pointer
// that receives a LocalAlloc'ed text, to be freed with LocalFree.
//
// Message lookup (FROM_HMODULE, FROM_SYSTEM, both: the module first): an
// explicit language the table lacks is ERROR_RESOURCE_LANG_NOT_FOUND;
// language 0 takes neutral, then US English (the user default), then any
// language the table has. A module that registered no resources gives
// ERROR_RESOURCE_DATA_NOT_FOUND, one without a message table
// ERROR_RESOURCE_TYPE_NOT_FOUND, a missing id ERROR_MR_MID_NOT_FOUND. An
// insert that is missing or of the wrong kind for its format is
// ERROR_INVALID_PARAMETER. The system's table holds US English texts only.
PLATFORM_API DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                                  char16_t* buffer, DWORD size, const FormatInsert* inserts, DWORD insertCount);
PLATFORM_API DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                                  char* buffer, DWORD size, const FormatInsert* inserts, DWORD insertCount);
PLATFORM_API void* LocalFree(void* mem);

struct MessageTableEntry {
    DWORD id;
    LANGID language;
    const char16_t* text;  // as the message compiler leaves it, line ending included
};
struct StringTableEntry {
    UINT id;
    LANGID language;
    const char16_t* text;
};
struct ModuleResources {
    const MessageTableEntry* messages;  // null: the module has no message table
    size_t messageCount;
    const StringTableEntry* strings;    // null: the module has no string table
    size_t stringCount;
};

// The tables must outlive the registration. Registering a module again
// replaces its tables; null `resources` registers it without tables. The null
// module stands for the program, here and in every lookup by module.
PLATFORM_API void RegisterModuleResources(HMODULE module, const ModuleResources* resources);
PLATFORM_API void UnregisterModuleResources(HMODULE module);

// As the original: copies the string into `buffer` (truncating to bufferMax-1
// characters) and returns its length; 0 when absent. With bufferMax 0 the
// buffer receives a read-only pointer to the text itself.
PLATFORM_API int LoadStringW(HINSTANCE module, UINT id, char16_t* buffer, int bufferMax);
PLATFORM_API int LoadStringA(HINSTANCE module, UINT id, char* buffer, int bufferMax);

// The symbolic name of an HRESULT: "E_FAIL", "DISP_E_TYPEMISMATCH", the form
// "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)" for a known Win32 error without
// a name of its own, otherwise the value in hexadecimal ("0x8004D00A").
PLATFORM_API std::string HResultName(HRESULT hr);
