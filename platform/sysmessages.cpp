// The system message table: the operating system's texts for the HRESULTs
// and Win32 errors the platform and the plug-ins meet, in US English (1033),
// each ending in CR LF as the original's table holds them. Also the symbolic
// names of HRESULTs.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/message_tables.h"

namespace {

struct SystemText {
    DWORD code;
    const char* name;
    const char16_t* text;
};

constexpr LANGID kSystemLanguage = 1033;

constexpr SystemText kSystemTexts[] = {
    // HRESULTs.
    {0x80004001, "E_NOTIMPL", u"Not implemented\r\n"},
    {0x80004002, "E_NOINTERFACE", u"No such interface supported\r\n"},
    {0x80004003, "E_POINTER", u"Invalid pointer\r\n"},
    {0x80004004, "E_ABORT", u"Operation aborted\r\n"},
    {0x80004005, "E_FAIL", u"Unspecified error\r\n"},
    {0x8000FFFF, "E_UNEXPECTED", u"Catastrophic failure\r\n"},
    {0x80020001, "DISP_E_UNKNOWNINTERFACE", u"Unknown interface.\r\n"},
    {0x80020003, "DISP_E_MEMBERNOTFOUND", u"Member not found.\r\n"},
    {0x80020004, "DISP_E_PARAMNOTFOUND", u"Parameter not found.\r\n"},
    {0x80020005, "DISP_E_TYPEMISMATCH", u"Type mismatch.\r\n"},
    {0x80020006, "DISP_E_UNKNOWNNAME", u"Unknown name.\r\n"},
    {0x80020007, "DISP_E_NONAMEDARGS", u"No named arguments.\r\n"},
    {0x80020008, "DISP_E_BADVARTYPE", u"Bad variable type.\r\n"},
    {0x80020009, "DISP_E_EXCEPTION", u"Exception occurred.\r\n"},
    {0x8002000A, "DISP_E_OVERFLOW", u"Out of present range.\r\n"},
    {0x8002000B, "DISP_E_BADINDEX", u"Invalid index.\r\n"},
    {0x8002000C, "DISP_E_UNKNOWNLCID", u"Unknown language.\r\n"},
    {0x8002000D, "DISP_E_ARRAYISLOCKED", u"Memory is locked.\r\n"},
    {0x8002000E, "DISP_E_BADPARAMCOUNT", u"Invalid number of parameters.\r\n"},
    {0x8002000F, "DISP_E_PARAMNOTOPTIONAL", u"Parameter not optional.\r\n"},
    {0x8002802B, "TYPE_E_ELEMENTNOTFOUND", u"Element not found.\r\n"},
    {0x80040110, "CLASS_E_NOAGGREGATION", u"Class does not support aggregation (or class object is remote)\r\n"},
    {0x80040111, "CLASS_E_CLASSNOTAVAILABLE", u"ClassFactory cannot supply requested class\r\n"},
    {0x80040150, "REGDB_E_READREGDB", u"Could not read key from registry\r\n"},
    {0x80040151, "REGDB_E_WRITEREGDB", u"Could not write key to registry\r\n"},
    {0x80040152, "REGDB_E_KEYMISSING", u"Could not find the key in the registry\r\n"},
    {0x80040154, "REGDB_E_CLASSNOTREG", u"Class not registered\r\n"},
    {0x80040155, "REGDB_E_IIDNOTREG", u"Interface not registered\r\n"},
    {0x800401F0, "CO_E_NOTINITIALIZED", u"CoInitialize has not been called.\r\n"},
    {0x800401F3, "CO_E_CLASSSTRING", u"Invalid class string\r\n"},
    {0x800401F8, "CO_E_DLLNOTFOUND", u"DLL for class not found\r\n"},
    {0x800401F9, "CO_E_ERRORINDLL", u"Error in the DLL\r\n"},
    {0x80070005, "E_ACCESSDENIED", u"Access is denied.\r\n"},
    {0x80070006, "E_HANDLE", u"The handle is invalid.\r\n"},
    {0x8007000E, "E_OUTOFMEMORY", u"Not enough memory resources are available to complete this operation.\r\n"},
    {0x80070057, "E_INVALIDARG", u"The parameter is incorrect.\r\n"},
    // Win32 errors.
    {0, "ERROR_SUCCESS", u"The operation completed successfully.\r\n"},
    {1, "ERROR_INVALID_FUNCTION", u"Incorrect function.\r\n"},
    {2, "ERROR_FILE_NOT_FOUND", u"The system cannot find the file specified.\r\n"},
    {3, "ERROR_PATH_NOT_FOUND", u"The system cannot find the path specified.\r\n"},
    {5, "ERROR_ACCESS_DENIED", u"Access is denied.\r\n"},
    {6, "ERROR_INVALID_HANDLE", u"The handle is invalid.\r\n"},
    {8, "ERROR_NOT_ENOUGH_MEMORY", u"Not enough memory resources are available to process this command.\r\n"},
    {13, "ERROR_INVALID_DATA", u"The data is invalid.\r\n"},
    {14, "ERROR_OUTOFMEMORY", u"Not enough memory resources are available to complete this operation.\r\n"},
    {30, "ERROR_READ_FAULT", u"The system cannot read from the specified device.\r\n"},
    {80, "ERROR_FILE_EXISTS", u"The file exists.\r\n"},
    {87, "ERROR_INVALID_PARAMETER", u"The parameter is incorrect.\r\n"},
    {122, "ERROR_INSUFFICIENT_BUFFER", u"The data area passed to a system call is too small.\r\n"},
    {126, "ERROR_MOD_NOT_FOUND", u"The specified module could not be found.\r\n"},
    {127, "ERROR_PROC_NOT_FOUND", u"The specified procedure could not be found.\r\n"},
    {183, "ERROR_ALREADY_EXISTS", u"Cannot create a file when that file already exists.\r\n"},
    {234, "ERROR_MORE_DATA", u"More data is available.\r\n"},
    {259, "ERROR_NO_MORE_ITEMS", u"No more data is available.\r\n"},
    {317, "ERROR_MR_MID_NOT_FOUND", u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {1004, "ERROR_INVALID_FLAGS", u"Invalid flags.\r\n"},
    {1010, "ERROR_BADKEY", u"The configuration registry key is invalid.\r\n"},
    {1011, "ERROR_CANTOPEN", u"The configuration registry key could not be opened.\r\n"},
    {1012, "ERROR_CANTREAD", u"The configuration registry key could not be read.\r\n"},
    {1013, "ERROR_CANTWRITE", u"The configuration registry key could not be written.\r\n"},
    {1018, "ERROR_KEY_DELETED", u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1113, "ERROR_NO_UNICODE_TRANSLATION", u"No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1812, "ERROR_RESOURCE_DATA_NOT_FOUND", u"The specified image file did not contain a resource section.\r\n"},
    {1813, "ERROR_RESOURCE_TYPE_NOT_FOUND", u"The specified resource type cannot be found in the image file.\r\n"},
    {1814, "ERROR_RESOURCE_NAME_NOT_FOUND", u"The specified resource name cannot be found in the image file.\r\n"},
    {1815, "ERROR_RESOURCE_LANG_NOT_FOUND", u"The specified resource language ID cannot be found in the image file.\r\n"},
};

std::span<const MessageTableEntry> SystemTable()
{
    static const std::vector<MessageTableEntry> table = [] {
        std::vector<MessageTableEntry> entries;
        for (const auto& t : kSystemTexts) entries.push_back({t.code, kSystemLanguage, t.text});
        return entries;
    }();
    return table;
}

const SystemText* ByCode(DWORD code)
{
    for (const auto& t : kSystemTexts)
        if (t.code == code) return &t;
    return nullptr;
}

bool IsWin32HResult(DWORD id) { return (id & 0xFFFF0000u) == 0x80070000u; }

}  // namespace

namespace bvd::messages {

const char16_t* FindSystemMessage(DWORD id, LANGID language, DWORD* error)
{
    const char16_t* text = FindMessage(SystemTable(), id, language, error);
    // As the original: an HRESULT_FROM_WIN32 value reads the Win32 error's text.
    if (!text && *error == ERROR_MR_MID_NOT_FOUND && IsWin32HResult(id))
        text = FindMessage(SystemTable(), id & 0xFFFF, language, error);
    return text;
}

}  // namespace bvd::messages

std::string HResultName(HRESULT hr)
{
    const auto code = static_cast<DWORD>(hr);
    if (code == 0) return "S_OK";
    if (code == 1) return "S_FALSE";
    // Win32 errors share the small numbers with success codes: only failure
    // codes are looked up by value.
    if (code >= 0x80000000u) {
        if (const SystemText* t = ByCode(code)) return t->name;
        if (IsWin32HResult(code)) {
            const SystemText* t = ByCode(code & 0xFFFF);
            if (t && code != 0x80070000u) return std::string("HRESULT_FROM_WIN32(") + t->name + ")";
        }
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", code);
    return hex;
}
