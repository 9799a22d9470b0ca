#pragma once
// Inside the library only: finding message texts in a module's registered
// message table and in the system message table. Nothing here is exported.
#include <span>

#include "platform/message.h"

namespace bvd::messages {

// Language 0 searches a table's languages in this order: neutral, the user
// default, then whatever the table has.
inline constexpr LANGID kUserDefaultLanguage = 1033;

// The text of `id` in a message table, by the original's language rules: an
// explicit language must be one the table carries (else
// ERROR_RESOURCE_LANG_NOT_FOUND); language 0 picks the first language present
// among neutral, the user default, any. A missing id is ERROR_MR_MID_NOT_FOUND.
// Returns null and stores the reason in *error.
const char16_t* FindMessage(std::span<const MessageTableEntry> table, DWORD id, LANGID language, DWORD* error);

// The same for a module's registered table (the null module is the program,
// in every module lookup of this family): a module without registered
// resources is ERROR_RESOURCE_DATA_NOT_FOUND, one without a message table
// ERROR_RESOURCE_TYPE_NOT_FOUND. The text stays valid while the module is
// registered.
const char16_t* FindModuleMessage(HMODULE module, DWORD id, LANGID language, DWORD* error);

// The program's module handle (its load address); defined with the module
// functions.
HMODULE ProgramModule();

// The system's message table (US English texts, each ending in CR LF), by the
// same rules. A Win32 error in HRESULT form (HRESULT_FROM_WIN32) without a
// text of its own finds the text of the Win32 error.
const char16_t* FindSystemMessage(DWORD id, LANGID language, DWORD* error);

}  // namespace bvd::messages
