#include "formats/field.h"

#include <charconv>
#include <cstdint>

#include "formats/number.h"

namespace bvdformats {
namespace {

void AppendNumber(std::u16string& out, int64_t n)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, n);
    for (const char* p = digits; p != result.ptr; ++p) out += static_cast<char16_t>(*p);
}

std::string_view DropLeadingZerosAndBlanks(std::string_view field) noexcept
{
    const size_t first = field.find_first_not_of("0 ");
    return first == std::string_view::npos ? std::string_view() : field.substr(first);
}

void SingleText(std::string_view field, bool categoryValues, const CodeTable* codes, std::u16string& out)
{
    const std::string_view rest = DropLeadingZerosAndBlanks(field);
    if (rest.empty()) return;
    if (!categoryValues) {
        const LONG number = codes ? codes->Find(ReadCLong(rest)) : CodeTable::kNotFound;
        if (number != CodeTable::kNotFound) {
            AppendNumber(out, number);
            return;
        }
    }
    AppendLatin1(out, rest);
}

void MultipleText(std::string_view field, bool categoryValues, const CodeTable* codes, std::u16string& out)
{
    bool any = false;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '1') continue;
        // Positions fit a long: a field lies within start..finish, both longs.
        const LONG position = static_cast<LONG>(i + 1);
        LONG number = position;
        if (!categoryValues) {
            number = codes ? codes->Find(position) : CodeTable::kNotFound;
            if (number == CodeTable::kNotFound) continue;
        }
        out += any ? u',' : u'{';
        any = true;
        AppendNumber(out, number);
    }
    if (any) out += u'}';
}

}  // namespace

std::string_view CutField(std::string_view line, LONG offset, LONG width) noexcept
{
    if (offset < 0 || width < 0) return {};
    const size_t o = static_cast<size_t>(offset);
    if (o > line.size()) return {};
    return line.substr(o, static_cast<size_t>(width));  // substr stops at the end of the line
}

void AppendLatin1(std::u16string& out, std::string_view bytes)
{
    for (const char c : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(c));
}

void ReaderFieldText(ReaderKind kind, std::string_view field, bool categoryValues, const CodeTable* codes,
                     LONG recordNumber, std::u16string& out)
{
    out.clear();
    switch (kind) {
    case ReaderKind::Serial:
        AppendNumber(out, recordNumber);
        return;
    case ReaderKind::Single:
        SingleText(field, categoryValues, codes, out);
        return;
    case ReaderKind::Multiple:
        MultipleText(field, categoryValues, codes, out);
        return;
    case ReaderKind::IntegerQuantity:
    case ReaderKind::DecimalQuantity: {
        const std::string_view rest = DropLeadingZerosAndBlanks(field);
        if (rest.empty())
            out += u'0';
        else
            AppendLatin1(out, rest);
        return;
    }
    case ReaderKind::Character:
        AppendLatin1(out, field);
        return;
    case ReaderKind::Logical:
        if (field.find_first_not_of(' ') != std::string_view::npos) AppendLatin1(out, field);
        return;
    }
}

}  // namespace bvdformats
