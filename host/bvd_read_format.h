#pragma once
// The rows `bvd read` writes: each record's values (the VARIANTs of its
// bindings) as a CSV line or as one JSON object per line.
//
// A CSV cell is the value's text as the value model converts a value to
// mtText: VariantChangeTypeEx to VT_BSTR at locale 0 with alphabetic booleans
// ("True", "False"), categorical sets as "{4,6}" and "{}", and "####" for a
// value that does not convert. JSON keeps the types: numbers, booleans,
// strings, arrays of category numbers.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/variant.h"

namespace bvd {

// The category numbers of a categorical value (a one-dimensional SAFEARRAY of
// VT_VARIANT elements each holding a VT_I4, or of VT_I4 itself, possibly by
// reference); nullopt for a value of any other form. Throws bvd::Failure for
// an element that is not a 32-bit number.
std::optional<std::vector<LONG>> CategoryNumbers(const VARIANT& value);

// The value as text (UTF-8), as described above.
std::string CellText(const VARIANT& value);

// Appends one CSV field: quoted (with its quotes doubled) only when it holds
// a comma, a double quote, CR or LF.
void AppendCsvField(std::string& line, std::string_view text);

// The JSON form of a value: null for VT_EMPTY and VT_NULL, integers, numbers
// (non-finite doubles become null), true/false, strings, arrays of category
// numbers; dates as their text. Throws bvd::Failure for a value that has no
// JSON form (interfaces, errors, arrays that are not categorical).
nlohmann::json JsonValue(const VARIANT& value);

enum class RowFormat { Csv, Jsonl };

// Turns records into lines of one format. The column names fix the CSV
// header and the JSON keys, in their order.
class RowWriter {
public:
    RowWriter(RowFormat format, const std::vector<std::string>& names);
    // The lines before the first record: the CSV header, nothing for JSON Lines.
    const std::string& Head() const noexcept { return head_; }
    // Appends the record's line (ending in LF) to `out`; one value per name.
    void AppendRow(std::string& out, std::span<const Variant> values) const;

private:
    RowFormat format_;
    std::string head_;
    std::vector<std::string> keys_;  // JSON Lines: each name as a JSON string followed by ":"
};

}  // namespace bvd
