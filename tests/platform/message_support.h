#pragma once
// Helpers of the message suite: one FormatMessageW call, its result as UTF-8
// together with the count returned and the last error.
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/message.h"
#include "platform/win32.h"

struct Formatted {
    DWORD count = 0;
    DWORD error = 0;   // GetLastError() when the call failed, else 0
    std::string text;  // UTF-8
};

inline Formatted CallFormat(DWORD flags, const void* source, DWORD id, DWORD language,
                            const std::vector<FormatInsert>& inserts)
{
    Formatted r;
    char16_t* text = nullptr;
    SetLastError(0);
    r.count = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, source, id, language,
                             reinterpret_cast<char16_t*>(&text), 0, inserts.data(),
                             static_cast<DWORD>(inserts.size()));
    if (r.count == 0 && !text) r.error = GetLastError();
    if (text) r.text = Utf16ToUtf8(text);
    LocalFree(text);
    return r;
}

inline Formatted FormatString(const char16_t* text, const std::vector<FormatInsert>& inserts, DWORD flags = 0)
{
    return CallFormat(FORMAT_MESSAGE_FROM_STRING | flags, text, 0, 0, inserts);
}

inline Formatted FormatModule(HMODULE module, DWORD id, DWORD language, const std::vector<FormatInsert>& inserts)
{
    return CallFormat(FORMAT_MESSAGE_FROM_HMODULE, module, id, language, inserts);
}

inline Formatted FormatSystem(DWORD id, DWORD language)
{
    return CallFormat(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, id, language, {});
}
