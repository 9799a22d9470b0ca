#pragma once
// The recorded conversion cases (tests/data/oleconv-vectors.tsv) run as one
// table: each operation name has a handler that performs the row's call and
// says whether the result matches. Handlers live beside the runner, in
// oleconv_vectors_*.cpp, and enter themselves with a VectorHandler object.
#include <string>

#include "platform/types.h"
#include "platform/variant.h"

struct VectorRow {
    int line;                    // line in the data file
    std::string op;              // "VarI4FromStr"
    std::string input;           // as written in the file (escapes not yet applied)
    std::string flags;
    std::string lcid;            // "0x0409", "0" or "n/a"
    std::string expectedHr;      // "S_OK", "DISP_E_OVERFLOW", ...
    std::string expectedOutput;  // empty when the call fails
    std::string note;
};

struct RowOutcome {
    enum Kind { Pass, Fail, Skip, Pending } kind;
    std::string detail;  // why it failed or was skipped

    static RowOutcome Passed() { return {Pass, {}}; }
    static RowOutcome Failed(std::string why) { return {Fail, std::move(why)}; }
    static RowOutcome Skipped(std::string why) { return {Skip, std::move(why)}; }
};

using RowHandler = RowOutcome (*)(const VectorRow&);
void RegisterVectorHandler(const char* op, RowHandler handler);
struct VectorHandler {
    VectorHandler(const char* op, RowHandler handler) { RegisterVectorHandler(op, handler); }
};

// Shared readers of the row columns.
std::u16string UnescapeText(const std::string& text);   // \t \n \uXXXX, <EMPTY>; <NULL> is the caller's
bool ParseHresultName(const std::string& name, HRESULT* out);
LCID ParseLcid(const std::string& text);               // "n/a" gives 0
// Relative comparison with the tolerance the data file documents.
bool DoublesMatch(double expected, double actual);
// A number cell: "-1 (VARIANT_TRUE)" gives -1, "M_PI (3.141592653589793)" the
// number in parentheses. False when the cell holds no number.
bool ParseNumberCell(const std::string& text, double* out);
// The name of an HRESULT the file uses ("DISP_E_OVERFLOW"), else hex.
std::string HresultName(HRESULT hr);
// "VT_I4", "VT_BSTR_BLOB", "VT_BYREF|VT_I4", "vt 0x3847", "0xff".
bool ParseVarTypeName(const std::string& text, VARTYPE* out);
// Compares a VARIANT with an expected cell: "VT_I4:1", "VT_BSTR:1/2/1970",
// "VT_EMPTY", "VT_I4 (value not checked)", alternatives joined by " or ".
// Empty when it matches, otherwise what differs (with the debug text).
std::string MatchVariant(const std::string& expected, const VARIANT& actual);
