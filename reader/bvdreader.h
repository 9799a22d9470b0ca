#pragma once
// The reader's fixed identifiers (its type library and its fourteen classes)
// and its IColumn, which goes on past the standard members with where a
// column's field lies in a record line and how its codes map to category
// numbers.
#include "common/plugin.h"
#include "contracts/datasource.h"

namespace bvdreader {

inline constexpr GUID LIBID_BVDREADERLib{0x3a6e21d0, 0x5b7c, 0x4f19, {0x8c, 0x2d, 0x41, 0x9e, 0x0b, 0x77, 0xd2, 0x10}};

constexpr GUID ReaderClsid(BYTE n) { return {0x3a6e2100u + n, 0x5b7c, 0x4f19, {0x8c, 0x2d, 0x41, 0x9e, 0x0b, 0x77, 0xd2, n}}; }

inline constexpr bvd::DataSourceClasses kClasses{
    ReaderClsid(0x21), ReaderClsid(0x22), ReaderClsid(0x23), ReaderClsid(0x24), ReaderClsid(0x25),
    ReaderClsid(0x26), ReaderClsid(0x27), ReaderClsid(0x28), ReaderClsid(0x29), ReaderClsid(0x2a),
    ReaderClsid(0x2b), ReaderClsid(0x2c), ReaderClsid(0x2d), ReaderClsid(0x2e)};

// The kinds a reader column reports through BVDtype.
enum ReaderColumnKind : LONG {
    kKindSingle = 1,
    kKindMultiple = 2,
    kKindIntegerQuantity = 3,
    kKindCharacter = 4,
    kKindLogical = 5,
    kKindDecimalQuantity = 6,
    kKindSerial = 7,
};

}  // namespace bvdreader

// The reader's IColumn: the same interface identifier as IColumn, with eight
// members after LodexObject (dispatch ids 7 to 0xe).
struct IReaderColumn : IColumn {
    using Base = IColumn;
    static constexpr IID kIid = IColumn::kIid;
    // 0-based position of the field's first character in a record line.
    virtual HRESULT get_BVDoffset(LONG* pVal) = 0;
    // Number of characters of the field.
    virtual HRESULT get_BVDwidth(LONG* pVal) = 0;
    // The kind, 1 to 7 (bvdreader::ReaderColumnKind).
    virtual HRESULT get_BVDtype(LONG* pVal) = 0;
    // Length of the longest code text of the variable; 0 without codes.
    virtual HRESULT get_BVDvarwidth(LONG* pVal) = 0;
    // The survey-wide name-value count when the column was built.
    virtual HRESULT get_BVDnameval(LONG* pVal) = 0;
    // In: a code; out: its category number, or -1.
    virtual HRESULT NameMapping(LONG* pVal) = 0;
    // A new, empty code table of `count` pairs.
    virtual HRESULT makeMapping(LONG count) = 0;
    // Stores a pair in the next free place (E_INVALIDARG when the table is
    // full, E_POINTER when there is none).
    virtual HRESULT addMapping(LONG code, LONG number) = 0;
};
