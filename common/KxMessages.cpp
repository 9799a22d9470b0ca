// The message table of the case-data plug-ins and its registration for the
// embedding module.
#include "common/KxMessages.h"

#include <array>
#include <mutex>

#include "platform/win32.h"

namespace {

constexpr std::array kCodes{
    KXE_CREATE_FAILED,       KXE_CATEGORICAL_UPDATE, KXE_UNKNOWN_DATA_TYPE,     KXE_TYPE_MISMATCH,
    KXE_CLEAR_VALUE,         KXE_UNSUPPORTED_CATEGORICAL, KXE_NOT_INITIALIZED,  KXE_TABLE_EXISTS,
    KXE_COLUMN_EXISTS,       KXE_LOCATION_MISSING,   KXE_TABLE_NAME_EXISTS,     KXE_COLUMN_NAME_EXISTS,
    KXE_NO_DATA_BINDINGS,    KXE_COMMAND_CLOSED,     KXE_UNABLE_TO_CREATE,      KXE_VARIABLE_NOT_IN_LODEX,
    KXE_NO_LODEX_DOCUMENT,   KXE_XML_LOAD,           KXE_XML_NOT_RECOGNIZED,    KXE_XML_UNABLE_TO_LOAD,
    KXE_XML_LOADING,
};

#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch-enum"
// The texts exactly as stored, spelling and spacing included.
constexpr const char16_t* StoredText(KxMessage code)
{
    switch (code) {
    case KXE_CREATE_FAILED: return u"Failed to create '%1!s!'%0\r\n";
    case KXE_CATEGORICAL_UPDATE: return u"An error occurred updating the categorical safe array variable%0\r\n";
    case KXE_UNKNOWN_DATA_TYPE: return u"Unknown data type requested%0\r\n";
    case KXE_TYPE_MISMATCH: return u"Type mismatch error, converting '%1!s!' from %2!s! to %3!s!%0\r\n";
    case KXE_CLEAR_VALUE: return u"Error clearing a value%0\r\n";
    case KXE_UNSUPPORTED_CATEGORICAL: return u"Unsupported categorical value data type%0\r\n";
    case KXE_NOT_INITIALIZED:
        return u"DSC not initialized.  Unable to complete operation on unintialized connection.%0\r\n";
    case KXE_TABLE_EXISTS: return u"Table already exists.  Unable to modify the table definition once created.%0\r\n";
    case KXE_COLUMN_EXISTS:
        return u"Column already exists.  Unable to modify the column definition once created.%0\r\n";
    case KXE_LOCATION_MISSING:
        return u"Location property missing.  The Location property must be set for the %1!s! DSC.%0\r\n";
    case KXE_TABLE_NAME_EXISTS: return u"The table '%1!s!' already exists%0\r\n";
    case KXE_COLUMN_NAME_EXISTS: return u"The column '%1!s!' already exists%0\r\n";
    case KXE_NO_DATA_BINDINGS: return u"Unable to complete command operation as there are no data bindings%0\r\n";
    case KXE_COMMAND_CLOSED: return u"The command has been closed and is no longer available for use%0\r\n";
    case KXE_UNABLE_TO_CREATE: return u"Unable to create %1!s!\r\n";  // no %0: the line break is part of the text
    case KXE_VARIABLE_NOT_IN_LODEX: return u"The variable '%1!s!' does not exist in the Lodex%0\r\n";
    case KXE_NO_LODEX_DOCUMENT: return u"No Lodex Document given%0\r\n";
    case KXE_XML_LOAD: return u"XML Load Error: %1!s! - %2!s!%0\r\n";
    case KXE_XML_NOT_RECOGNIZED: return u"XML file not recognized - %1!s! tag found, when expecting %2!s!%0\r\n";
    case KXE_XML_UNABLE_TO_LOAD: return u"Unable to load the the XML file%0\r\n";
    case KXE_XML_LOADING: return u"An error occurred loading %1!s!%0\r\n";
    }
    return nullptr;
}
#pragma GCC diagnostic pop

constexpr LANGID kTableLanguage = 1033;

constexpr auto kMessageTable = [] {
    std::array<MessageTableEntry, kCodes.size()> table{};
    for (size_t i = 0; i < kCodes.size(); ++i) table[i] = {kCodes[i], kTableLanguage, StoredText(kCodes[i])};
    return table;
}();

// The registration of this module's resources: made on first use (at the
// latest when the module loads, see below) and withdrawn when the module's
// static objects are destroyed, that is when it unloads.
class ModuleRegistration {
public:
    ModuleRegistration() : module_(ModuleFromAddress(reinterpret_cast<const void*>(&KxResourceModule)))
    {
        resources_.messages = kMessageTable.data();
        resources_.messageCount = kMessageTable.size();
        RegisterModuleResources(module_, &resources_);
    }
    ~ModuleRegistration() { UnregisterModuleResources(module_); }
    ModuleRegistration(const ModuleRegistration&) = delete;
    ModuleRegistration& operator=(const ModuleRegistration&) = delete;

    HMODULE module() const noexcept { return module_; }

    void SetStrings(std::span<const StringTableEntry> strings)
    {
        std::lock_guard lock(mutex_);
        resources_.strings = strings.empty() ? nullptr : strings.data();
        resources_.stringCount = strings.size();
        RegisterModuleResources(module_, &resources_);
    }

private:
    std::mutex mutex_;
    HMODULE module_;
    ModuleResources resources_{};
};

ModuleRegistration& Registration()
{
    static ModuleRegistration registration;
    return registration;
}

// Registers the tables while the module loads, before any code can raise.
[[maybe_unused]] const ModuleRegistration& g_atLoad = Registration();

}  // namespace

const std::span<const KxMessage> kAllKxMessages{kCodes};

const char16_t* KxStoredMessageText(DWORD code) noexcept
{
    for (KxMessage known : kCodes)
        if (known == code) return StoredText(known);
    return nullptr;
}

HMODULE KxResourceModule() noexcept { return Registration().module(); }

void KxSetModuleStrings(std::span<const StringTableEntry> strings) { Registration().SetStrings(strings); }
