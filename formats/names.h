#pragma once
// Column names of the reader: how a variable's name is rewritten, and how
// names are told apart.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bvdformats {

struct ReaderVariable;

// The name of the serial column that the reader puts in front of the
// variables.
inline constexpr std::u16string_view kReaderSerialName = u"dscserial";

// The reader's rewriting: every character that is not a letter, a digit or
// "_" becomes "_", one "_" per character (a character outside the basic
// plane, a surrogate pair, is one character). Letters and digits are the
// ASCII ones and the letters of ISO-8859-1 (U+00AA, U+00B5, U+00BA, U+00C0 to
// U+00FF without U+00D7 and U+00F7): the original tests each character of the
// name in the system code page with the wide-character letter test, which
// knows those letters; characters that the code page places elsewhere (the
// Windows-1252 letters at 0x80 to 0x9F) or cannot hold become "_". The
// superscript digits are not digits here.
std::u16string ReaderColumnName(std::u16string_view rawName);

// Column names are equal without regard to case as the C runtime's
// case-insensitive comparison sees it: ASCII letters folded, every other
// character compared as it is.
bool ReaderNamesEqual(std::u16string_view a, std::u16string_view b) noexcept;

// The check that the reader's columns collection makes as it appends: the
// index of the first variable whose column name equals the serial column's or
// an earlier variable's, or kNoCollision when all are distinct. The open fails at that
// variable (with DISP_E_BADINDEX in the reader).
inline constexpr size_t kNoCollision = static_cast<size_t>(-1);
size_t FindReaderNameCollision(const std::vector<ReaderVariable>& variables);

}  // namespace bvdformats
