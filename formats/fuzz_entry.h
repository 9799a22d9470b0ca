#pragma once
// Entry points that take arbitrary bytes and run one reading path over them,
// for fuzzers (a target calls one of these from LLVMFuzzerTestOneInput) and
// for tests that feed odd input.
#include <cstddef>
#include <cstdint>

namespace bvdformats {

// The first 14 bytes (fewer when there are fewer) place one column of each
// kind 1 to 7: byte 2k gives its offset (0 to 31), byte 2k+1 its width (1 to
// 16); single and multiple columns have codes 1 to 8 with numbers 101 to 108.
// The rest is a data file: every record is read and every field text made,
// alternating between category numbers and the file's codes. Returns the
// number of records.
long FuzzRecordCutter(const uint8_t* data, size_t size);

// The bytes as a definition file: loaded through the DOM (from a temporary
// file, as the DOM loads from paths), searched for its record element and
// read into the reader's schema, names checked. Returns the number of
// variables, or -1 when the file is refused at any step.
long FuzzDefinitionLoader(const uint8_t* data, size_t size);

}  // namespace bvdformats
