// Module resources: the message and string tables that modules register by
// handle, the language rules of message lookup, and LoadString.
#include <algorithm>
#include <map>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "platform/message_tables.h"
#include "platform/win32.h"

namespace {

struct Registration {
    ModuleResources tables{};
    // Narrow copies handed out by LoadStringA with bufferMax 0, kept until the
    // module withdraws its tables (keyed by the wide text they copy).
    std::map<const char16_t*, std::string> ansiCopies;
};

struct Registry {
    std::shared_mutex mutex;
    std::unordered_map<HMODULE, Registration> modules;
};

Registry& Modules()
{
    static Registry registry;
    return registry;
}

// The languages tried first for language 0, in order; after them, the first
// language the table has.
constexpr LANGID kSearchOrder[] = {0, bvd::messages::kUserDefaultLanguage};

// An explicit language as the tables store it: the user and system default
// languages stand for the user default.
LANGID Explicit(LANGID language)
{
    const LANGID primary = language & 0x3FF;
    return primary == 0 && language != 0 ? bvd::messages::kUserDefaultLanguage : language;
}

template <typename Entry>
bool HasLanguage(std::span<const Entry> table, LANGID language)
{
    return std::any_of(table.begin(), table.end(), [&](const Entry& e) { return e.language == language; });
}

const StringTableEntry* FindString(std::span<const StringTableEntry> table, UINT id)
{
    auto in = [&](LANGID language) -> const StringTableEntry* {
        for (const auto& e : table)
            if (e.id == id && e.language == language) return &e;
        return nullptr;
    };
    for (LANGID language : kSearchOrder)
        if (const auto* e = in(language)) return e;
    for (const auto& e : table)
        if (e.id == id) return &e;
    return nullptr;
}

// Resources of the null module are those of the program.
HMODULE Resolve(HMODULE module) { return module ? module : bvd::messages::ProgramModule(); }

size_t Length(const char16_t* s)
{
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

}  // namespace

namespace bvd::messages {

const char16_t* FindMessage(std::span<const MessageTableEntry> table, DWORD id, LANGID language, DWORD* error)
{
    // As the original: a message table exists per language, and the search
    // first picks the table, then the id inside it.
    bool found = false;
    if (language != 0) {
        language = Explicit(language);
        found = HasLanguage(table, language);
        if (!found) {
            *error = ERROR_RESOURCE_LANG_NOT_FOUND;
            return nullptr;
        }
    } else {
        for (LANGID candidate : kSearchOrder) {
            if (HasLanguage(table, candidate)) {
                language = candidate;
                found = true;
                break;
            }
        }
        if (!found && !table.empty()) language = table.front().language;
    }
    for (const auto& e : table)
        if (e.id == id && e.language == language) return e.text;
    *error = ERROR_MR_MID_NOT_FOUND;
    return nullptr;
}

const char16_t* FindModuleMessage(HMODULE module, DWORD id, LANGID language, DWORD* error)
{
    Registry& registry = Modules();
    std::shared_lock lock(registry.mutex);
    const auto it = registry.modules.find(Resolve(module));
    if (it == registry.modules.end()) {
        *error = ERROR_RESOURCE_DATA_NOT_FOUND;
        return nullptr;
    }
    const ModuleResources& tables = it->second.tables;
    if (!tables.messages) {
        *error = ERROR_RESOURCE_TYPE_NOT_FOUND;
        return nullptr;
    }
    return FindMessage({tables.messages, tables.messageCount}, id, language, error);
}

}  // namespace bvd::messages

void RegisterModuleResources(HMODULE module, const ModuleResources* resources)
{
    Registry& registry = Modules();
    std::unique_lock lock(registry.mutex);
    Registration& entry = registry.modules[Resolve(module)];
    entry.tables = resources ? *resources : ModuleResources{};
    entry.ansiCopies.clear();
}

void UnregisterModuleResources(HMODULE module)
{
    Registry& registry = Modules();
    std::unique_lock lock(registry.mutex);
    registry.modules.erase(Resolve(module));
}

namespace {

// Finds string `id` of a module; null with the last error set when absent.
const char16_t* LoadText(HMODULE module, UINT id, Registration** where)
{
    Registry& registry = Modules();
    const auto it = registry.modules.find(Resolve(module));
    if (it == registry.modules.end()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const ModuleResources& tables = it->second.tables;
    if (!tables.strings) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    const StringTableEntry* e = FindString({tables.strings, tables.stringCount}, id);
    if (!e) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    *where = &it->second;
    return e->text;
}

// Copies by LoadString's rules: cut to bufferMax - 1 characters, terminated.
template <typename Char>
int CopyOut(std::basic_string_view<Char> text, Char* buffer, int bufferMax)
{
    const size_t n = std::min(text.size(), static_cast<size_t>(bufferMax - 1));
    text.copy(buffer, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

}  // namespace

int LoadStringW(HINSTANCE module, UINT id, char16_t* buffer, int bufferMax)
{
    if (!buffer || bufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& registry = Modules();
    std::shared_lock lock(registry.mutex);
    Registration* where = nullptr;
    const char16_t* text = LoadText(module, id, &where);
    if (!text) {
        if (bufferMax > 0) buffer[0] = 0;
        return 0;
    }
    const std::u16string_view view(text, Length(text));
    if (bufferMax == 0) {
        // The buffer is really a pointer that receives the text in place.
        *reinterpret_cast<const char16_t**>(buffer) = text;
        return static_cast<int>(view.size());
    }
    return CopyOut(view, buffer, bufferMax);
}

int LoadStringA(HINSTANCE module, UINT id, char* buffer, int bufferMax)
{
    if (!buffer || bufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& registry = Modules();
    // Exclusive: the narrow copy for bufferMax 0 is made on first demand.
    std::unique_lock lock(registry.mutex);
    Registration* where = nullptr;
    const char16_t* text = LoadText(module, id, &where);
    if (!text) {
        if (bufferMax > 0) buffer[0] = 0;
        return 0;
    }
    auto [copy, fresh] = where->ansiCopies.try_emplace(text);
    if (fresh) copy->second = WideToAnsi(std::u16string_view(text, Length(text)));
    const std::string& ansi = copy->second;
    if (bufferMax == 0) {
        *reinterpret_cast<const char**>(buffer) = ansi.c_str();
        return static_cast<int>(ansi.size());
    }
    return CopyOut(std::string_view(ansi), buffer, bufferMax);
}
