#pragma once
// Fields of a record line: cutting them out by offset and width, and the text
// the reader hands on for each kind of column.
#include <string>
#include <string_view>

#include "formats/code_table.h"
#include "formats/reader_schema.h"
#include "platform/types.h"

namespace bvdformats {

// The field at 0-based `offset`, `width` characters wide, of a line (without
// its end):
//  1. an offset past the end of the line gives the empty field;
//  2. a field that runs past the end gives the characters up to the end;
//  3. otherwise the `width` characters from `offset`.
// A negative offset or width (which no usable variable has) gives the empty
// field.
std::string_view CutField(std::string_view line, LONG offset, LONG width) noexcept;

// Appends the bytes as characters of the same numbers (ISO-8859-1, one byte
// per character).
void AppendLatin1(std::u16string& out, std::string_view bytes);

// The text that the reader puts into a value for one field, into `out`
// (cleared first, its capacity reused):
//  - Single: leading "0" and blanks dropped; nothing left gives the empty
//    text. With category numbers (categoryValues false) what remains is read
//    as a C long and looked up in `codes`: found, the text is the category
//    number; not found, it is what remains. With the file's codes
//    (categoryValues true) it is what remains.
//  - Multiple: "{k,...}" with one number per "1" in the field, in field order:
//    the position k itself with the file's codes, else the category number of
//    code k (a position without one adds nothing); no number at all gives the
//    empty text, never "{}".
//  - IntegerQuantity, DecimalQuantity: leading "0" and blanks dropped, "0"
//    when nothing remains.
//  - Character: the field as it stands.
//  - Logical: the field as it stands, except that a field of blanks only is
//    the empty text: the writer writes a blank for a missing answer, and the
//    value then takes its type's empty form (false) instead of refusing the
//    blank. Any other content is handed on for the value to judge.
//  - Serial: the record number.
// `codes` may be null (a column without a code table).
void ReaderFieldText(ReaderKind kind, std::string_view field, bool categoryValues, const CodeTable* codes,
                     LONG recordNumber, std::u16string& out);

}  // namespace bvdformats
