#pragma once
// The reader's schema: the variables of a definition file's `record` element
// as the reader turns them into columns, walked once from the DOM. Nothing of
// the DOM is kept, so the record loop never touches an XML node.
//
// These are the reader's own rules (the metadata plug-in keeps its own):
// kinds 1 to 7, a decimal quantity detected by a full stop in any value code
// of a quantity or in any range bound of any variable, category numbers
// counted over the whole survey, name values counted by each variable's
// largest code.
#include <exception>
#include <string>
#include <vector>

#include "common/constants.h"
#include "formats/code_table.h"
#include "platform/dom.h"
#include "platform/types.h"

namespace bvdformats {

// What the cursor switches on; the column's data type follows from it.
enum class ReaderKind : LONG {
    Single = 1,
    Multiple = 2,
    IntegerQuantity = 3,
    Character = 4,
    Logical = 5,
    DecimalQuantity = 6,
    Serial = 7,
};

struct ReaderVariable {
    ReaderKind kind = ReaderKind::Single;
    std::u16string rawName;     // the `name` element's text
    std::u16string columnName;  // ReaderColumnName(rawName)
    LONG start = 0;             // 1-based, as in the file
    LONG finish = 0;            // inclusive
    LONG offset = 0;            // start - 1
    LONG width = 0;             // finish - start + 1
    LONG codeWidth = 0;         // longest `code` text, in characters
    LONG largestCode = 0;       // largest code, 0 without codes or when all are negative
    LONG nameValue = 0;         // the survey-wide name-value count when the column was built
    CodeTable codes;            // (code, category number) in document order
};

// The column's data type: single and multiple mtCategorical, integer
// quantities and the serial column mtLong, character mtText, logical
// mtBoolean, decimal quantities mtDouble.
DataTypeConstants ReaderDataType(ReaderKind kind) noexcept;

// The serial column "dscserial" that the reader puts in front of the
// variables: kind Serial, no field, no codes.
ReaderVariable ReaderSerialVariable();

struct ReaderSchema {
    std::u16string recordName;  // local name of the record element (the reader's message insert)
    std::vector<ReaderVariable> variables;  // the usable variables, in document order
};

// A failure that ends the build: the reader fails its open with message
// 0xC0021803 (insert: recordName) and returns `hr`.
class DefinitionError : public std::exception {
public:
    enum class Cause {
        MissingAttribute,  // hr is DISP_E_TYPEMISMATCH
        DomFailure,        // a DOM call failed with hr
    };

    DefinitionError(Cause cause, HRESULT hr, std::u16string recordName, std::u16string element,
                    std::u16string attribute, size_t variableOrdinal);

    Cause cause() const noexcept { return cause_; }
    HRESULT hr() const noexcept { return hr_; }
    const std::u16string& recordName() const noexcept { return recordName_; }
    // Local name of the element being read ("variable", "position", "value",
    // or the record's own name outside a variable) and, for a missing
    // attribute, its name.
    const std::u16string& element() const noexcept { return element_; }
    const std::u16string& attribute() const noexcept { return attribute_; }
    // 1-based place of the `variable` element among the record's variable
    // elements; 0 outside a variable.
    size_t variableOrdinal() const noexcept { return variableOrdinal_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    Cause cause_;
    HRESULT hr_;
    std::u16string recordName_;
    std::u16string element_;
    std::u16string attribute_;
    size_t variableOrdinal_;
    std::string what_;
};

// Reads the variables of `record` by the reader's rules. Variables without a
// known type word, a name or a usable position are passed over (no column, no
// category numbers, no name value). Throws DefinitionError. Name collisions
// are not checked here: see FindReaderNameCollision (names.h).
ReaderSchema BuildReaderSchema(IXMLDOMElement* record);

}  // namespace bvdformats
