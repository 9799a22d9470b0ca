#pragma once
// The message codes the case-data plug-ins raise, and the module's resource
// tables: the message table (language 1033) that every module embedding this
// library registers at load, plus string-table entries a plug-in may add.
#include <span>

#include "platform/message.h"
#include "platform/types.h"

enum KxMessage : DWORD {
    KXE_CREATE_FAILED = 0xC0020001,           // "Failed to create '%1!s!'"
    KXE_CATEGORICAL_UPDATE = 0xC0021003,      // updating the categorical safe array
    KXE_UNKNOWN_DATA_TYPE = 0xC0021004,       // "Unknown data type requested"
    KXE_TYPE_MISMATCH = 0xC0021005,           // value text, source type, target type
    KXE_CLEAR_VALUE = 0xC0021006,             // "Error clearing a value"
    KXE_UNSUPPORTED_CATEGORICAL = 0xC002100A, // an element that is not VT_I4
    KXE_NOT_INITIALIZED = 0xC0021500,
    KXE_TABLE_EXISTS = 0xC0021501,
    KXE_COLUMN_EXISTS = 0xC0021502,
    KXE_LOCATION_MISSING = 0xC0021503,        // the plug-in's name
    KXE_TABLE_NAME_EXISTS = 0xC0021504,       // table name
    KXE_COLUMN_NAME_EXISTS = 0xC0021505,      // column name
    KXE_NO_DATA_BINDINGS = 0xC0021506,
    KXE_COMMAND_CLOSED = 0xC002150B,
    KXE_UNABLE_TO_CREATE = 0xC002150E,        // file path; the text ends in a line break
    KXE_VARIABLE_NOT_IN_LODEX = 0xC002141D,   // variable name
    KXE_NO_LODEX_DOCUMENT = 0xC002141F,
    KXE_XML_LOAD = 0xC0021800,                // reason, detail
    KXE_XML_NOT_RECOGNIZED = 0xC0021801,      // found tag, expected tag
    KXE_XML_UNABLE_TO_LOAD = 0xC0021802,
    KXE_XML_LOADING = 0xC0021803,             // the element being read
};

// Every code above, in table order.
extern const std::span<const KxMessage> kAllKxMessages;

// The text of `code` as the message table stores it: the message, then "%0"
// and the line end of the message compiler (KXE_UNABLE_TO_CREATE keeps its
// line break instead of "%0"). Null for a code that is not ours.
const char16_t* KxStoredMessageText(DWORD code) noexcept;

// The module this copy of the library is linked into (a plug-in, or the test
// program): message lookups and the default error description name it. Its
// resources are registered when the module loads and withdrawn when it
// unloads.
HMODULE KxResourceModule() noexcept;

// Adds the plug-in's own string table (entries with ids of its choosing, for
// example its registration strings) to the module's registered resources,
// next to the message table. The entries must outlive the module; a second
// call replaces the first one's entries.
void KxSetModuleStrings(std::span<const StringTableEntry> strings);
