// MapVariable, AddCategory and MakeValidName.
#include "metadata/mapping.h"

#include <charconv>
#include <cmath>
#include <string>
#include <limits>

#include "metadata/bvdmeta.h"
#include "metadata/calls.h"
#include "platform/com_create.h"
#include "platform/win32.h"

namespace bvdmeta {
namespace {

struct TypeRow {
    std::u16string_view word;
    bool categorical;
    bool single;
    DataTypeConstants dataType;
};

constexpr TypeRow kTypes[] = {
    {u"multiple", true, false, mtCategorical},
    {u"single", true, true, mtCategorical},
    {u"quantity", false, true, mtLong},  // mtDouble when decimal
    {u"character", false, true, mtText},
    {u"logical", false, true, mtBoolean},
};

// A type word that is none of the five: not categorical, data type mtNone,
// and its "range" and "value" elements give its bounds by the common rule
// (the single flag is set, as for every other non-categorical type), so a
// variable of an unknown type without them gets 1 and 1.
constexpr TypeRow kUnknownType{u"", false, true, mtNone};

const TypeRow& LookUpType(std::u16string_view word)
{
    for (const TypeRow& row : kTypes)
        if (EqualsNoCase(row.word, word)) return row;
    return kUnknownType;
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The working state of one MapVariable call.
struct Mapping {
    ComPtr<ILodexVariable> variable;
    const TypeRow* type = &kUnknownType;
    bool character = false;
    std::string name;  // ANSI, empty until a "name" child was read
    bool decimal = false;
    bool boundsSeen = false;
    LONG lower = 0;
    LONG upper = 0;
    double lowerDecimal = 0.0;
    double upperDecimal = 0.0;
};

// Texts pass through the ANSI code page around MakeValidName.
void ReadName(Mapping& m, IXMLDOMNode* element)
{
    std::string ansi = WideToAnsi(ElementText(element));
    MakeValidName(ansi);
    m.name = ansi;
    Check(m.variable->put_Name(MakeBStr(AnsiToWide(m.name)).get()));
}

void ReadLabel(Mapping& m, IXMLDOMNode* element)
{
    Check(m.variable->put_Label(MakeBStr(ElementText(element)).get()));
}

// "range": a missing "from" (or any failure while the element is read) leaves
// the element out from there on; a missing "to" reads as "0".
void ReadRange(Mapping& m, IXMLDOMElement* range)
{
    std::u16string from;
    if (!TryAttributeText(range, u"from", &from)) return;
    if (from.find(u'.') != std::u16string::npos) m.decimal = true;
    if (m.decimal)
        m.lowerDecimal = ParseDecimal(from);
    else
        m.lower = ParseInteger(from);
    std::u16string to(1, u'0');  // kept when "to" is missing
    TryAttributeText(range, u"to", &to);
    if (m.decimal)
        m.upperDecimal = ParseDecimal(to);
    else
        m.upper = ParseInteger(to);
    m.boundsSeen = true;
}

// "value": widens the integer bounds by its code and, for a categorical
// variable, becomes a category. Returns E_FAIL when the category element
// cannot be created; a failing call throws and ends this element only.
HRESULT ReadValue(Mapping& m, IXMLDOMElement* value)
{
    std::u16string codeText;
    if (!TryAttributeText(value, u"code", &codeText)) return S_OK;  // no code: skipped
    const LONG code = ParseInteger(codeText);
    const std::u16string text = ElementText(value);
    if (!m.boundsSeen) {
        m.lower = m.upper = code;
    } else {
        if (code > m.upper) m.upper = code;
        if (code < m.lower) m.lower = code;
    }
    if (m.type->categorical) {
        // "%s_%s_%d" of the variable name, the value text and the code.
        std::string category = std::string(m.name.c_str()) + "_" + std::string(WideToAnsi(text).c_str()) + "_" +
                               std::to_string(code);
        MakeValidName(category);
        if (AddCategory(m.variable.get(), AnsiToWide(category), text) != S_OK) return E_FAIL;
    }
    m.boundsSeen = true;
    return S_OK;
}

HRESULT ReadValues(Mapping& m, IXMLDOMNode* values)
{
    VARIANT_BOOL has = VARIANT_FALSE;
    Check(values->hasChildNodes(&has));
    if (has != VARIANT_TRUE) return S_OK;
    m.lower = m.upper = 0;
    m.lowerDecimal = m.upperDecimal = 0.0;
    const Children children(values);
    for (LONG i = 0; i < children.Count(); ++i) {
        // A failure while one element is handled ends the handling of that
        // element; what it changed before stays.
        try {
            const ComPtr<IXMLDOMElement> child = AsElement(children.At(i).get());
            if (!child) continue;
            if (LocalNameIs(child.get(), u"range")) {
                ReadRange(m, child.get());
            } else if (LocalNameIs(child.get(), u"value") && !m.character) {
                if (ReadValue(m, child.get()) != S_OK) return E_FAIL;
            }
        } catch (const CallFailed&) {
        }
    }
    return S_OK;
}

void SetBounds(Mapping& m)
{
    LONG dataType = mtNone;
    Check(m.variable->get_DataType(&dataType));
    Variant lower, upper;
    if (dataType == mtDouble) {
        lower = Variant::Double(m.lowerDecimal);
        upper = Variant::Double(m.upperDecimal);
    } else if (m.boundsSeen && m.type->single) {
        const bool single = m.type->categorical;  // the row "single"
        lower = Variant::Long(single ? 1 : m.lower);
        upper = Variant::Long(single ? 1 : m.upper);
    } else {
        lower = Variant::Long(1);
        upper = Variant::Long(m.upper == 0 ? 1 : m.upper);
    }
    Check(m.variable->put_LowerBound(lower));
    Check(m.variable->put_UpperBound(upper));
}

}  // namespace

HRESULT MapVariable(ILodexDocument* document, IXMLDOMElement* element)
{
    Mapping m;
    if (FAILED(CoCreateInstance(CLSID_LodexVariable, nullptr, CLSCTX_INPROC_SERVER, uuidof<ILodexVariable>(),
                                m.variable.put_void())) ||
        !m.variable)
        return E_FAIL;
    Check(document->AddVariable(m.variable.get(), -1));

    // A variable without "type" fails here with DISP_E_TYPEMISMATCH, the
    // result of converting the absent attribute to text; the variable stays
    // in the document without properties.
    m.type = &LookUpType(AttributeText(element, u"type"));
    m.character = EqualsNoCase(m.type->word, u"character");
    if (m.type->categorical) Check(m.variable->put_DataType(mtCategorical));

    const Children children(element);
    for (LONG i = 0; i < children.Count(); ++i) {
        const ComPtr<IXMLDOMNode> child = children.At(i);
        if (!AsElement(child.get())) continue;
        if (LocalNameIs(child.get(), u"name")) {
            ReadName(m, child.get());
        } else if (LocalNameIs(child.get(), u"label")) {
            ReadLabel(m, child.get());
        } else if (LocalNameIs(child.get(), u"values")) {
            if (ReadValues(m, child.get()) != S_OK) return E_FAIL;
        }
        // "position" and elements of other names change nothing.
    }

    const bool decimalQuantity = m.decimal && EqualsNoCase(m.type->word, u"quantity");
    Check(m.variable->put_DataType(decimalQuantity ? mtDouble : m.type->dataType));
    SetBounds(m);
    return S_OK;
}

HRESULT AddCategory(ILodexVariable* variable, const std::u16string& name, const std::u16string& label)
{
    ComPtr<ILodexElement> element;
    if (FAILED(CoCreateInstance(CLSID_LodexElement, nullptr, CLSCTX_INPROC_SERVER, uuidof<ILodexElement>(),
                                element.put_void())) ||
        !element)
        return E_FAIL;
    Check(variable->AddElement(element.get(), -1));
    Check(element->put_Name(MakeBStr(name).get()));
    Check(element->put_Label(MakeBStr(label).get()));
    Check(element->put_Type(0));
    Check(element->put_Flag(0));
    return S_OK;
}

// Only ASCII letters and digits count: any other character of the ANSI code
// page (accented letters included) becomes "_", as the C library's tests in
// the "C" locale decide.
void MakeValidName(std::string& text)
{
    if (text.empty() || !(IsAsciiLetter(text[0]) || text[0] == '_')) text = "_" + text;
    for (char& c : text)
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c)) c = '_';
}

LONG ParseInteger(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<LONG>::max()} + 1;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > kLimit) value = kLimit;  // saturates, as the 32-bit conversion
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<LONG>::max()) value = std::numeric_limits<LONG>::max();
    return static_cast<LONG>(value);
}

double ParseDecimal(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    std::string ascii;
    for (; i < text.size() && text[i] < 0x80; ++i) ascii += static_cast<char>(text[i]);
    if (!ascii.empty() && (ascii[0] == '+' || ascii[0] == '-')) return 0.0;  // one sign only
    double value = 0.0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
    if (end == ascii.data()) return 0.0;
    if (ec == std::errc::result_out_of_range) {
        // As strtod: an overflow reads as HUGE_VAL, an underflow as 0.
        const size_t e = ascii.find_first_of("eE");
        value = e != std::string::npos && e + 1 < ascii.size() && ascii[e + 1] == '-' ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

}  // namespace bvdmeta
