#include "formats/number.h"

#include <cstdint>
#include <limits>

namespace bvdformats {
namespace {

template <class Char>
bool IsCSpace(Char c) noexcept
{
    return c == Char(' ') || (c >= Char('\t') && c <= Char('\r'));
}

template <class Char>
LONG Read(std::basic_string_view<Char> text) noexcept
{
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-'))) negative = text[i++] == Char('-');
    // The magnitude saturates one past the largest long, which is exactly the
    // smallest long when negated.
    constexpr int64_t kCap = int64_t{std::numeric_limits<LONG>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= Char('0') && text[i] <= Char('9'); ++i) {
        magnitude = magnitude * 10 + (text[i] - Char('0'));
        if (magnitude > kCap) magnitude = kCap;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    return static_cast<LONG>(value);
}

}  // namespace

LONG ReadCLong(std::u16string_view text) noexcept { return Read(text); }
LONG ReadCLong(std::string_view bytes) noexcept { return Read(bytes); }

}  // namespace bvdformats
