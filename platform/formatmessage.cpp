// FormatMessage: finds a message text (a module's table, the system's table or
// the caller's string) and expands its escapes and inserts. The work is done
// in UTF-16; the narrow form converts through the ANSI code page at the edges.
//
// Escapes: %1..%99 an insert, optionally with a printf-like format between
// exclamation marks ("%1!s!", "%2!ld!", "%3!08x!"; `l` names a 32-bit value
// here, as on the original's 32-bit platform); %0 ends the message without a line break; %n a hard line break
// (CR LF); %r CR; %t tab; %. %! %% and any other "%c" give the character c.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/message_tables.h"
#include "platform/win32.h"

namespace {

// Failure carrying the Win32 error the call reports.
struct Failure {
    DWORD error;
};

// Widths and precisions, written or taken from an insert, stay within this
// bound, so a stray insert cannot ask for gigabytes of padding.
constexpr int kMaxWidth = 4096;

// A parsed "!fmt!" insert format.
struct InsertFormat {
    std::string flags;  // of "-+ #0"
    int width = -1;     // -1 none, -2 from the next insert
    int precision = -1; // -1 none, -2 from an insert
    bool shortValue = false;
    char conversion = 's';
};

InsertFormat ParseFormat(std::u16string_view directive)
{
    InsertFormat f;
    size_t i = 0;
    auto number = [&]() {
        if (i < directive.size() && directive[i] == u'*') {
            ++i;
            return -2;
        }
        int v = -1;
        while (i < directive.size() && directive[i] >= u'0' && directive[i] <= u'9') {
            v = (v < 0 ? 0 : v) * 10 + (directive[i++] - u'0');
            if (v > kMaxWidth) throw Failure{ERROR_INVALID_PARAMETER};
        }
        return v;
    };
    while (i < directive.size() && std::u16string_view(u"-+ #0").find(directive[i]) != std::u16string_view::npos)
        f.flags += static_cast<char>(directive[i++]);
    f.width = number();
    if (i < directive.size() && directive[i] == u'.') {
        ++i;
        f.precision = number();
        if (f.precision == -1) f.precision = 0;
    }
    // Size prefixes: the inserts are 32-bit values (or strings of their own
    // width), so `l`, `w` and `I32` change nothing; `h` cuts to 16 bits. A
    // 64-bit size (`ll`, `I64`) has no insert to print and is refused.
    int longs = 0;
    while (i < directive.size()) {
        if (directive[i] == u'l') { ++longs; ++i; }
        else if (directive[i] == u'w') ++i;
        else if (directive[i] == u'h') { f.shortValue = true; ++i; }
        else if (directive.substr(i, 3) == u"I32") i += 3;
        else break;
    }
    if (longs > 1 || i + 1 != directive.size() || std::u16string_view(u"sSdiuxXoc").find(directive[i]) == std::u16string_view::npos)
        throw Failure{ERROR_INVALID_PARAMETER};  // floating-point formats are not supported, as in the original
    f.conversion = static_cast<char>(directive[i]);
    return f;
}

const FormatInsert& InsertAt(const FormatInsert* inserts, DWORD count, size_t number)
{
    if (!inserts || number == 0 || number > count) throw Failure{ERROR_INVALID_PARAMETER};
    return inserts[number - 1];
}

bool IsNumber(const FormatInsert& insert)
{
    return insert.kind == FormatInsert::Kind::Int32 || insert.kind == FormatInsert::Kind::UInt32;
}

uint32_t Bits(const FormatInsert& insert)
{
    return insert.kind == FormatInsert::Kind::Int32 ? static_cast<uint32_t>(insert.i32) : insert.u32;
}

// A width or precision taken from an insert (`*`).
int NumberArg(const FormatInsert* inserts, DWORD count, size_t number)
{
    const FormatInsert& insert = InsertAt(inserts, count, number);
    if (!IsNumber(insert)) throw Failure{ERROR_INVALID_PARAMETER};
    const auto value = static_cast<int32_t>(Bits(insert));
    if (value < -kMaxWidth || value > kMaxWidth) throw Failure{ERROR_INVALID_PARAMETER};
    return value;
}

std::u16string StringOf(const FormatInsert& insert)
{
    switch (insert.kind) {
    case FormatInsert::Kind::AnsiString: return insert.ansi ? AnsiToWide(insert.ansi) : u"(null)";
    case FormatInsert::Kind::WideString: return insert.wide ? std::u16string(insert.wide) : u"(null)";
    default: throw Failure{ERROR_INVALID_PARAMETER};
    }
}

std::u16string FormatNumber(const InsertFormat& f, const FormatInsert& insert)
{
    if (!IsNumber(insert)) throw Failure{ERROR_INVALID_PARAMETER};
    const uint32_t bits = Bits(insert);
    if (f.conversion == 'c') {
        std::u16string c(1, static_cast<char16_t>(bits));
        if (f.width > 1) c.insert(f.flags.find('-') != std::string::npos ? 1 : 0, f.width - 1, u' ');
        return c;
    }
    // The format is rebuilt from validated parts only, so snprintf sees
    // nothing but flags, numbers and one integer conversion.
    std::string directive = "%" + f.flags;
    if (f.width >= 0) directive += std::to_string(f.width);
    if (f.precision >= 0) directive += "." + std::to_string(f.precision);
    const bool isSigned = f.conversion == 'd' || f.conversion == 'i';
    if (f.shortValue) directive += 'h';
    directive += f.conversion;
    // Room for the width or precision (at most kMaxWidth) and the digits.
    std::string text(std::max(f.width, f.precision) + 32, '\0');
    const int n = isSigned ? std::snprintf(text.data(), text.size(), directive.c_str(), static_cast<int32_t>(bits))
                           : std::snprintf(text.data(), text.size(), directive.c_str(), bits);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return std::u16string(text.begin(), text.end());
}

std::u16string FormatString(const InsertFormat& f, std::u16string text)
{
    if (f.precision >= 0 && text.size() > static_cast<size_t>(f.precision)) text.resize(f.precision);
    if (f.width > 0 && text.size() < static_cast<size_t>(f.width)) {
        const size_t pad = f.width - text.size();
        if (f.flags.find('-') != std::string::npos) text.append(pad, u' ');
        else text.insert(0, pad, u' ');
    }
    return text;
}

// One insert with its format; `number` is the insert's number (1-based).
std::u16string ExpandInsert(std::u16string_view directive, size_t number, const FormatInsert* inserts, DWORD count)
{
    InsertFormat f = ParseFormat(directive.empty() ? u"s" : directive);
    // As the original: `*` takes the width, then the precision, from the
    // inserts that follow the value.
    size_t next = number + 1;
    if (f.width == -2) {
        f.width = NumberArg(inserts, count, next++);
        if (f.width < 0) {
            f.flags += '-';
            f.width = -f.width;
        }
    }
    if (f.precision == -2) f.precision = std::max(0, NumberArg(inserts, count, next++));
    const FormatInsert& insert = InsertAt(inserts, count, number);
    if (f.conversion == 's' || f.conversion == 'S') return FormatString(f, StringOf(insert));
    return FormatNumber(f, insert);
}

// Breaks lines longer than `width` at the last blank that fits; words longer
// than a line stay whole, as the original never splits a word.
std::u16string Wrap(const std::u16string& text, size_t width)
{
    std::u16string out;
    size_t lineStart = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && !(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')) continue;
        std::u16string_view line(text.data() + lineStart, i - lineStart);
        while (line.size() > width) {
            size_t cut = line.rfind(u' ', width);
            if (cut == std::u16string_view::npos || cut == 0) cut = line.find(u' ', width);
            if (cut == std::u16string_view::npos) break;
            out.append(line.substr(0, cut));
            out += u"\r\n";
            line.remove_prefix(cut + 1);
        }
        out.append(line);
        if (!end) out += u"\r\n";
        lineStart = i + 2;
        ++i;
    }
    return out;
}

std::u16string Expand(std::u16string_view text, DWORD flags, const FormatInsert* inserts, DWORD count)
{
    const DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (width == 0) {
                out += c;
            } else {
                // A line break of the text itself: with a width it is a blank.
                if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                out += u' ';
            }
            continue;
        }
        if (c != u'%' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char16_t e = text[++i];
        if (e >= u'1' && e <= u'9') {
            const size_t start = i - 1;
            size_t number = e - u'0';
            if (i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'9') number = number * 10 + (text[++i] - u'0');
            std::u16string_view directive;
            if (i + 1 < text.size() && text[i + 1] == u'!') {
                const size_t close = text.find(u'!', i + 2);
                if (close == std::u16string_view::npos) throw Failure{ERROR_INVALID_PARAMETER};
                directive = text.substr(i + 2, close - i - 2);
                i = close;
            }
            if (flags & FORMAT_MESSAGE_IGNORE_INSERTS) out.append(text.substr(start, i + 1 - start));
            else out += ExpandInsert(directive, number, inserts, count);
            continue;
        }
        switch (e) {
        case u'0': return width > 0 && width < FORMAT_MESSAGE_MAX_WIDTH_MASK ? Wrap(out, width) : out;
        case u'n': out += u"\r\n"; break;
        case u'r': out += u'\r'; break;
        case u't': out += u'\t'; break;
        default: out += e; break;  // %% %. %! and the like: the character itself
        }
    }
    return width > 0 && width < FORMAT_MESSAGE_MAX_WIDTH_MASK ? Wrap(out, width) : out;
}

// The message text named by the flags. `ansiSource` tells the narrow form,
// whose FROM_STRING text is in the ANSI code page.
std::u16string FindText(DWORD flags, const void* source, DWORD id, DWORD language, bool ansiSource)
{
    const bool fromString = flags & FORMAT_MESSAGE_FROM_STRING;
    const bool fromModule = flags & FORMAT_MESSAGE_FROM_HMODULE;
    const bool fromSystem = flags & FORMAT_MESSAGE_FROM_SYSTEM;
    if (fromString) {
        if (fromModule || fromSystem || !source) throw Failure{ERROR_INVALID_PARAMETER};
        return ansiSource ? AnsiToWide(static_cast<const char*>(source)) : std::u16string(static_cast<const char16_t*>(source));
    }
    if (!fromModule && !fromSystem) throw Failure{ERROR_INVALID_PARAMETER};
    if (language > 0xFFFF) throw Failure{ERROR_INVALID_PARAMETER};
    const auto lang = static_cast<LANGID>(language);
    DWORD error = ERROR_MR_MID_NOT_FOUND;
    const char16_t* text = nullptr;
    if (fromModule) {
        text = bvd::messages::FindModuleMessage(const_cast<void*>(source), id, lang, &error);
    }
    // As the original: with both sources, the system's table is searched when
    // the module has no text.
    if (!text && fromSystem) text = bvd::messages::FindSystemMessage(id, lang, &error);
    if (!text) throw Failure{error};
    return text;
}

// The expanded message, or the error that stopped it.
bool Build(DWORD flags, const void* source, DWORD id, DWORD language, const FormatInsert* inserts, DWORD count,
           bool ansiSource, std::u16string& out)
{
    try {
        out = Expand(FindText(flags, source, id, language, ansiSource), flags, inserts, count);
        return true;
    } catch (const Failure& f) {
        SetLastError(f.error);
        return false;
    }
}

// Stores the text by the buffer rules: in the caller's buffer of `size`
// characters, or, with FORMAT_MESSAGE_ALLOCATE_BUFFER, in a fresh block of at
// least `size` characters whose address goes to *(Char**)buffer.
template <typename Char>
DWORD Deliver(const std::basic_string<Char>& text, DWORD flags, Char* buffer, DWORD size)
{
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto** target = reinterpret_cast<Char**>(buffer);
        const size_t units = std::max<size_t>(text.size() + 1, size);
        auto* block = static_cast<Char*>(std::calloc(units, sizeof(Char)));
        if (!block) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        text.copy(block, text.size());
        *target = block;
        return static_cast<DWORD>(text.size());
    }
    if (text.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = 0;
    return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char16_t* buffer, DWORD size,
                     const FormatInsert* inserts, DWORD insertCount)
{
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) *reinterpret_cast<char16_t**>(buffer) = nullptr;
    std::u16string text;
    if (!Build(flags, source, messageId, languageId, inserts, insertCount, false, text)) return 0;
    return Deliver(text, flags, buffer, size);
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD size,
                     const FormatInsert* inserts, DWORD insertCount)
{
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) *reinterpret_cast<char**>(buffer) = nullptr;
    std::u16string text;
    if (!Build(flags, source, messageId, languageId, inserts, insertCount, true, text)) return 0;
    return Deliver(WideToAnsi(text), flags, buffer, size);
}

void* LocalFree(void* mem)
{
    std::free(mem);
    return nullptr;
}
