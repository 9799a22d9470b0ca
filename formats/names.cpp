#include "formats/names.h"

#include <algorithm>
#include <unordered_set>

#include "formats/reader_schema.h"

namespace bvdformats {
namespace {

bool IsAsciiLetterOrDigit(char16_t c) noexcept
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool IsLatin1Letter(char16_t c) noexcept
{
    return c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

bool IsHighSurrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

char16_t FoldAscii(char16_t c) noexcept { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

std::u16string ReaderColumnName(std::u16string_view rawName)
{
    std::u16string name;
    name.reserve(rawName.size());
    for (size_t i = 0; i < rawName.size(); ++i) {
        const char16_t c = rawName[i];
        if (c == u'_' || IsAsciiLetterOrDigit(c) || IsLatin1Letter(c)) {
            name += c;
            continue;
        }
        // A surrogate pair is one character of the name: one "_".
        if (IsHighSurrogate(c) && i + 1 < rawName.size() && IsLowSurrogate(rawName[i + 1])) ++i;
        name += u'_';
    }
    return name;
}

bool ReaderNamesEqual(std::u16string_view a, std::u16string_view b) noexcept
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

size_t FindReaderNameCollision(const std::vector<ReaderVariable>& variables)
{
    auto folded = [](std::u16string_view name) {
        std::u16string key(name);
        for (char16_t& c : key) c = FoldAscii(c);
        return key;
    };
    std::unordered_set<std::u16string> seen;
    seen.insert(folded(kReaderSerialName));
    for (size_t i = 0; i < variables.size(); ++i)
        if (!seen.insert(folded(variables[i].columnName)).second) return i;
    return kNoCollision;
}

}  // namespace bvdformats
