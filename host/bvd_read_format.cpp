// Cells and rows of `bvd read`: a record's VARIANTs as CSV text or JSON.
#include "host/bvd_read_format.h"

#include "host/bvd.h"
#include "platform/safearray.h"

namespace bvd {
namespace {

// A value read through its reference when it is VT_BYREF; the copy lives in
// the holder.
const VARIANT& Direct(const VARIANT& value, Variant& holder)
{
    if (!(value.vt & VT_BYREF)) return value;
    if (FAILED(VariantCopyInd(holder.put(), &value)))
        throw Failure("cannot read a value of type " + VarTypeToString(value.vt) + " through its reference");
    return holder;
}

// SafeArrayAccessData and SafeArrayUnaccessData as a pair.
class ArrayData {
public:
    explicit ArrayData(SAFEARRAY* array) : array_(array)
    {
        if (FAILED(SafeArrayAccessData(array_, &data_))) throw Failure("cannot read a categorical value");
    }
    ~ArrayData() { SafeArrayUnaccessData(array_); }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;
    void* get() const noexcept { return data_; }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

std::string BstrText(BSTR s) { return Utf16ToUtf8(s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view()); }

// The automation conversion to text at locale 0, as the value model's
// conversion to mtText does it; "####" when the value does not convert.
std::string ConvertedText(const VARIANT& value)
{
    Variant text;
    if (FAILED(VariantChangeTypeEx(text.put(), &value, 0, VARIANT_ALPHABOOL, VT_BSTR))) return "####";
    return BstrText(text.bstrVal);
}

std::string SetText(const std::vector<LONG>& numbers)
{
    std::string text = "{";
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(numbers[i]);
    }
    return text + "}";
}

}  // namespace

std::optional<std::vector<LONG>> CategoryNumbers(const VARIANT& value)
{
    Variant holder;
    const VARIANT& v = Direct(value, holder);
    const VARTYPE element = v.vt & VT_TYPEMASK;
    if (!(v.vt & VT_ARRAY) || (element != VT_VARIANT && element != VT_I4)) return std::nullopt;
    SAFEARRAY* array = v.parray;
    if (!array || SafeArrayGetDim(array) != 1) return std::nullopt;
    const ULONG count = array->rgsabound[0].cElements;
    std::vector<LONG> numbers;
    numbers.reserve(count);
    const ArrayData data(array);
    for (ULONG i = 0; i < count; ++i) {
        if (element == VT_I4) {
            numbers.push_back(static_cast<const LONG*>(data.get())[i]);
            continue;
        }
        const VARIANT& item = static_cast<const VARIANT*>(data.get())[i];
        if (item.vt != VT_I4)
            throw Failure("a categorical value holds an element of type " + VarTypeToString(item.vt) +
                          ", not a category number");
        numbers.push_back(item.lVal);
    }
    return numbers;
}

std::string CellText(const VARIANT& value)
{
    Variant holder;
    const VARIANT& v = Direct(value, holder);
    if (v.vt == VT_BSTR) return BstrText(v.bstrVal);
    if (const auto numbers = CategoryNumbers(v)) return SetText(*numbers);
    return ConvertedText(v);
}

void AppendCsvField(std::string& line, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

nlohmann::json JsonValue(const VARIANT& value)
{
    Variant holder;
    const VARIANT& v = Direct(value, holder);
    switch (v.vt) {
    case VT_EMPTY: case VT_NULL: return nullptr;
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_INT: return v.intVal;
    case VT_UINT: return v.uintVal;
    case VT_I8: return v.llVal;
    case VT_UI8: return v.ullVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_BOOL: return v.boolVal != VARIANT_FALSE;
    case VT_BSTR: return BstrText(v.bstrVal);
    case VT_DATE: return ConvertedText(v);  // JSON has no dates: their text at locale 0
    case VT_CY: case VT_DECIMAL: {
        Variant real;
        if (SUCCEEDED(VariantChangeType(real.put(), &v, 0, VT_R8))) return real.dblVal;
        break;
    }
    default:
        if (const auto numbers = CategoryNumbers(v)) return *numbers;
        break;
    }
    throw Failure("a value of type " + VarTypeToString(v.vt) + " has no JSON form");
}

RowWriter::RowWriter(RowFormat format, const std::vector<std::string>& names) : format_(format)
{
    if (format_ == RowFormat::Csv) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (i) head_ += ',';
            AppendCsvField(head_, names[i]);
        }
        head_ += '\n';
        return;
    }
    for (const std::string& name : names) keys_.push_back(nlohmann::json(name).dump() + ":");
}

void RowWriter::AppendRow(std::string& out, std::span<const Variant> values) const
{
    if (format_ == RowFormat::Csv) {
        for (size_t i = 0; i < values.size(); ++i) {
            if (i) out += ',';
            AppendCsvField(out, CellText(values[i]));
        }
        out += '\n';
        return;
    }
    out += '{';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        out += keys_.at(i);
        out += JsonValue(values[i]).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    out += "}\n";
}

}  // namespace bvd
