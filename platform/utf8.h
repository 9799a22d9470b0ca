#pragma once
// UTF-8 sequences, one at a time (internal to the platform library).
#include <cstddef>
#include <string>
#include <string_view>

// Decodes one UTF-8 sequence at text[i]. Returns the code point, or -1 for an
// ill-formed sequence; *used is the number of bytes taken: the whole sequence,
// or the maximal ill-formed prefix (at least one byte), which counts as one
// replacement character.
long DecodeUtf8(std::string_view text, size_t i, size_t* used);
// Appends the UTF-8 form of a code point.
void PutUtf8(std::string& out, char32_t c);
