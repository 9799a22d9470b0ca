// BuildReaderSchema: the record element's variables, one step per element
// that the reader reads (variable, name, position, values, value, range).
#include "formats/reader_schema.h"

#include <cstdint>
#include <limits>
#include <string>
#include <optional>

#include "formats/dom_walk.h"
#include "formats/names.h"
#include "formats/number.h"
#include "platform/bstr.h"

namespace bvdformats {
namespace {

using dom::DomCallFailed;
using dom::EqualsNoCaseAscii;

struct TypeWord {
    std::u16string_view word;
    ReaderKind kind;
};

constexpr TypeWord kTypeWords[] = {
    {u"single", ReaderKind::Single},       {u"multiple", ReaderKind::Multiple},
    {u"quantity", ReaderKind::IntegerQuantity}, {u"logical", ReaderKind::Logical},
    {u"character", ReaderKind::Character},
};

std::optional<ReaderKind> KindOfTypeWord(std::u16string_view word)
{
    for (const TypeWord& row : kTypeWords)
        if (EqualsNoCaseAscii(row.word, word)) return row.kind;
    return std::nullopt;
}

bool HasFullStop(std::u16string_view text) { return text.find(u'.') != std::u16string_view::npos; }

// The running counts stay at the 32-bit limit instead of wrapping.
LONG AddSaturated(LONG a, LONG b)
{
    const int64_t sum = int64_t{a} + b;
    if (sum > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    if (sum < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(sum);
}

// What a missing attribute is: the original converts the null value it gets
// to text, which fails with DISP_E_TYPEMISMATCH.
struct MissingAttribute {
    std::u16string element;
    std::u16string attribute;
};

std::u16string RequiredAttribute(IXMLDOMElement* element, std::u16string_view elementName, std::u16string_view name)
{
    std::optional<std::u16string> text = dom::AttributeText(element, name);
    if (!text) throw MissingAttribute{std::u16string(elementName), std::u16string(name)};
    return std::move(*text);
}

// The state of the build across variables.
struct Counts {
    LONG category = 1;
    LONG nameValue = 1;
};

// The state of one variable while its children are read. Nothing carries over
// to the next variable.
struct Pending {
    ReaderKind kind;
    std::u16string rawName;
    LONG start = 0;
    LONG finish = 0;
    LONG codeWidth = 0;
    LONG largestCode = 0;
    // Every code of every `value`, in document order. Its size follows the
    // elements the parser already holds in memory; no count read from the file
    // drives it.
    std::vector<LONG> codes;
};

void ReadName(Pending& v, IXMLDOMElement* name) { v.rawName = dom::ElementText(name); }

// `start` is required. An empty text leaves start as it was (from an earlier
// `position` of the same variable, or 0). A missing `finish` takes start; an
// empty one leaves finish as it was.
void ReadPosition(Pending& v, IXMLDOMElement* position)
{
    const std::u16string start = RequiredAttribute(position, u"position", u"start");
    if (!start.empty()) v.start = ReadCLong(start);
    const std::optional<std::u16string> finish = dom::AttributeText(position, u"finish");
    if (!finish)
        v.finish = v.start;
    else if (!finish->empty())
        v.finish = ReadCLong(*finish);
}

void ReadValue(Pending& v, IXMLDOMElement* value)
{
    const std::u16string text = RequiredAttribute(value, u"value", u"code");
    if (v.kind == ReaderKind::IntegerQuantity && HasFullStop(text)) v.kind = ReaderKind::DecimalQuantity;
    const LONG length = text.size() > static_cast<size_t>(std::numeric_limits<LONG>::max())
                            ? std::numeric_limits<LONG>::max()
                            : static_cast<LONG>(text.size());
    if (length > v.codeWidth) v.codeWidth = length;
    const LONG code = ReadCLong(text);
    v.codes.push_back(code);
    if (code > v.largestCode) v.largestCode = code;
}

// A full stop in either bound makes any variable a decimal quantity, whatever
// its type word (the reader's rule; the metadata plug-in looks at `from` of
// quantities only).
void ReadRange(Pending& v, IXMLDOMElement* range)
{
    const std::optional<std::u16string> from = dom::AttributeText(range, u"from");
    const std::optional<std::u16string> to = dom::AttributeText(range, u"to");
    if ((from && HasFullStop(*from)) || (to && HasFullStop(*to))) v.kind = ReaderKind::DecimalQuantity;
}

void ReadValues(Pending& v, IXMLDOMElement* values)
{
    dom::ChildElements children(values);
    while (ComPtr<IXMLDOMElement> child = children.Next()) {
        const std::u16string name = dom::LocalName(child.get());
        if (EqualsNoCaseAscii(name, u"value"))
            ReadValue(v, child.get());
        else if (EqualsNoCaseAscii(name, u"range"))
            ReadRange(v, child.get());
    }
}

// A variable becomes a column with a name and a position inside the line: a
// start below 1 is passed over like start 0, since its field would begin
// before the line.
bool Usable(const Pending& v) { return !v.rawName.empty() && v.start >= 1 && v.finish != 0 && v.finish >= v.start; }

ReaderVariable MakeVariable(Pending& v, Counts& counts)
{
    ReaderVariable column;
    column.kind = v.kind;
    column.columnName = ReaderColumnName(v.rawName);
    column.rawName = std::move(v.rawName);
    column.start = v.start;
    column.finish = v.finish;
    column.offset = v.start - 1;
    column.width = static_cast<LONG>(int64_t{v.finish} - v.start + 1);  // at most LONG_MAX as start >= 1
    column.codeWidth = v.codeWidth;
    column.largestCode = v.largestCode;
    column.nameValue = counts.nameValue;
    for (const LONG code : v.codes) {
        column.codes.Add(code, counts.category);
        counts.category = AddSaturated(counts.category, 1);
    }
    counts.nameValue = AddSaturated(counts.nameValue, v.largestCode);
    return column;
}

// One `variable` element: nullopt when it is passed over.
std::optional<ReaderVariable> ReadVariable(IXMLDOMElement* variable, Counts& counts)
{
    const std::optional<ReaderKind> kind = KindOfTypeWord(RequiredAttribute(variable, u"variable", u"type"));
    if (!kind) return std::nullopt;
    Pending v{*kind};
    dom::ChildElements children(variable);
    while (ComPtr<IXMLDOMElement> child = children.Next()) {
        const std::u16string name = dom::LocalName(child.get());
        if (EqualsNoCaseAscii(name, u"name"))
            ReadName(v, child.get());
        else if (EqualsNoCaseAscii(name, u"position"))
            ReadPosition(v, child.get());
        else if (EqualsNoCaseAscii(name, u"values"))
            ReadValues(v, child.get());
        // "spread", "label", "size" and elements of other names: nothing.
    }
    if (!Usable(v)) return std::nullopt;
    return MakeVariable(v, counts);
}

std::string Narrow(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

DefinitionError::DefinitionError(Cause cause, HRESULT hr, std::u16string recordName, std::u16string element,
                                 std::u16string attribute, size_t variableOrdinal)
    : cause_(cause),
      hr_(hr),
      recordName_(std::move(recordName)),
      element_(std::move(element)),
      attribute_(std::move(attribute)),
      variableOrdinal_(variableOrdinal)
{
    what_ = cause_ == Cause::MissingAttribute
                ? "missing attribute \"" + Narrow(attribute_) + "\" on <" + Narrow(element_) + ">"
                : "DOM call failed while reading <" + Narrow(element_) + ">";
    if (variableOrdinal_ != 0) what_ += " in variable " + std::to_string(variableOrdinal_);
}

DataTypeConstants ReaderDataType(ReaderKind kind) noexcept
{
    switch (kind) {
    case ReaderKind::Single:
    case ReaderKind::Multiple: return mtCategorical;
    case ReaderKind::IntegerQuantity:
    case ReaderKind::Serial: return mtLong;
    case ReaderKind::Character: return mtText;
    case ReaderKind::Logical: return mtBoolean;
    case ReaderKind::DecimalQuantity: return mtDouble;
    }
    return mtNone;
}

ReaderVariable ReaderSerialVariable()
{
    ReaderVariable serial;
    serial.kind = ReaderKind::Serial;
    serial.rawName = serial.columnName = std::u16string(kReaderSerialName);
    return serial;
}

ReaderSchema BuildReaderSchema(IXMLDOMElement* record)
{
    ReaderSchema schema;
    Counts counts;
    size_t ordinal = 0;  // of the variable being read, for the error
    size_t variablesSeen = 0;
    try {
        if (!record) throw DomCallFailed{E_POINTER};
        schema.recordName = dom::LocalName(record);
        dom::ChildElements children(record);
        while (ComPtr<IXMLDOMElement> child = children.Next()) {
            ordinal = 0;
            if (!EqualsNoCaseAscii(dom::LocalName(child.get()), u"variable")) continue;
            ordinal = ++variablesSeen;
            if (std::optional<ReaderVariable> variable = ReadVariable(child.get(), counts))
                schema.variables.push_back(std::move(*variable));
        }
    } catch (const MissingAttribute& missing) {
        throw DefinitionError(DefinitionError::Cause::MissingAttribute, DISP_E_TYPEMISMATCH, schema.recordName,
                              missing.element, missing.attribute, ordinal);
    } catch (const DomCallFailed& failed) {
        throw DefinitionError(DefinitionError::Cause::DomFailure, failed.hr, schema.recordName,
                              ordinal != 0 ? std::u16string(u"variable") : schema.recordName, {}, ordinal);
    }
    return schema;
}

}  // namespace bvdformats
