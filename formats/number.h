#pragma once
// Numbers in definition attributes and data fields, read the way the C
// library's conversion to a 32-bit long reads them: leading white space
// (blank, tab, line feed, vertical tab, form feed, carriage return) is
// skipped, an optional sign and the decimal digits that follow are taken, and
// reading stops at the first other character. A text without digits reads
// as 0; a value outside the 32-bit range reads as the nearer limit (it never
// wraps).
#include <string_view>

#include "platform/types.h"

namespace bvdformats {

LONG ReadCLong(std::u16string_view text) noexcept;
LONG ReadCLong(std::string_view bytes) noexcept;

}  // namespace bvdformats
