#pragma once
// The Lodex document: the host's metadata document, as the plug-ins see it.
// The host's component (host/lodex) implements these interfaces; bvdmeta fills
// a document and bvdwriter reads one. Objects a plug-in adds are new instances
// of the component's classes, made with CoCreateInstance.
//
// Rules every implementation keeps:
//  - added objects keep their order; lists give a stable 0-based order;
//  - names and labels read back as set;
//  - category values are numbered document-wide 1, 2, 3 ... in the order the
//    categories enter the document;
//  - a categorical variable's maximum answers is its upper bound unless set.
#include "platform/unknown.h"
#include "platform/variant.h"

// Class identities of the component.
inline constexpr CLSID CLSID_LodexDocument{0x27618e70, 0x6c41, 0x40da, {0xbc, 0x9f, 0x78, 0x19, 0xdb, 0x96, 0x87, 0x4}};
inline constexpr CLSID CLSID_LodexDataSource{0x0ff3fb51, 0x34dd, 0x4d00, {0x86, 0x60, 0x9c, 0xf5, 0xa7, 0x1a, 0x0b, 0xb7}};
inline constexpr CLSID CLSID_LodexVariable{0x78e29eb1, 0x782d, 0x4590, {0x83, 0xb8, 0x30, 0xf3, 0xca, 0x89, 0x05, 0x87}};
inline constexpr CLSID CLSID_LodexElement{0xe0b25339, 0x159d, 0x4aea, {0xb1, 0xd4, 0xf6, 0x1e, 0x81, 0xb6, 0x9b, 0x49}};

// A data-source entry: how the document's case data is reached.
struct ILodexDataSource : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x098f6a01, 0xeecd, 0x43be, {0xb1, 0xd4, 0x8f, 0x0a, 0x29, 0xd6, 0xad, 0x38}};
    virtual HRESULT get_Location(BSTR* value) = 0;
    virtual HRESULT put_Location(BSTR value) = 0;
    virtual HRESULT get_CdscName(BSTR* value) = 0;   // the case-data component ("Bvdreader")
    virtual HRESULT put_CdscName(BSTR value) = 0;
    virtual HRESULT get_Name(BSTR* value) = 0;
    virtual HRESULT put_Name(BSTR value) = 0;
    virtual HRESULT get_Project(BSTR* value) = 0;
    virtual HRESULT put_Project(BSTR value) = 0;
};

// An element of a variable: a category. Its value is given by the document
// when the element enters it.
struct ILodexElement : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0xa3a5c094, 0x035f, 0x41d2, {0xb1, 0xf7, 0x2b, 0x69, 0xe3, 0x44, 0x32, 0xaa}};
    virtual HRESULT get_Name(BSTR* value) = 0;
    virtual HRESULT put_Name(BSTR value) = 0;
    virtual HRESULT get_Label(BSTR* value) = 0;  // the empty text when none was set
    virtual HRESULT put_Label(BSTR value) = 0;
    virtual HRESULT get_Value(LONG* value) = 0;  // 0 until the element is in a document
    // The two numeric settings of an element (its kind and its flags); 0 and 0
    // for an ordinary category.
    virtual HRESULT get_Type(LONG* value) = 0;
    virtual HRESULT put_Type(LONG value) = 0;
    virtual HRESULT get_Flag(LONG* value) = 0;
    virtual HRESULT put_Flag(LONG value) = 0;
};

struct ILodexVariable : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x4d340aaf, 0x6b8b, 0x49c9, {0xa6, 0xdc, 0x41, 0xde, 0x1e, 0x13, 0xce, 0x39}};
    virtual HRESULT get_Name(BSTR* value) = 0;
    virtual HRESULT put_Name(BSTR value) = 0;
    virtual HRESULT get_Label(BSTR* value) = 0;  // the empty text when none was set
    virtual HRESULT put_Label(BSTR value) = 0;
    virtual HRESULT get_DataType(LONG* value) = 0;  // a DataTypeConstants value
    virtual HRESULT put_DataType(LONG value) = 0;
    virtual HRESULT get_LowerBound(VARIANT* value) = 0;  // VT_EMPTY when never set
    virtual HRESULT put_LowerBound(VARIANT value) = 0;   // VT_I4 or VT_R8
    virtual HRESULT get_UpperBound(VARIANT* value) = 0;
    virtual HRESULT put_UpperBound(VARIANT value) = 0;
    // Maximum answers: above 1 means multiple answers. Unless set, a
    // categorical variable answers its upper bound, any other variable VT_EMPTY.
    virtual HRESULT get_MaxResponses(VARIANT* value) = 0;
    virtual HRESULT put_MaxResponses(VARIANT value) = 0;
    // Adds an element at the end (`index` -1) or before position `index`.
    virtual HRESULT AddElement(ILodexElement* element, LONG index) = 0;
    // The variable's categories; `filter` -1 means all of them.
    virtual HRESULT get_CategoryCount(LONG filter, LONG* count) = 0;
    virtual HRESULT get_Category(LONG filter, VARIANT index, ILodexElement** element) = 0;
};

struct ILodexDocument : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x4ef14a83, 0xd731, 0x4131, {0x98, 0x8f, 0x17, 0x6a, 0xf8, 0x54, 0x1e, 0xc6}};
    virtual HRESULT AddLanguage(BSTR language) = 0;          // "ENG"; a language already there is kept once
    virtual HRESULT get_Context(BSTR* context) = 0;
    virtual HRESULT put_Context(BSTR context) = 0;           // "ANALYSIS"
    // Adds at the end (`index` -1) or before position `index`.
    virtual HRESULT AddDataSource(ILodexDataSource* source, LONG index) = 0;
    virtual HRESULT get_DataSourceCount(LONG* count) = 0;
    virtual HRESULT get_DataSource(VARIANT index, ILodexDataSource** source) = 0;
    virtual HRESULT AddVariable(ILodexVariable* variable, LONG index) = 0;
    virtual HRESULT get_VariableCount(LONG* count) = 0;
    // By 0-based position (VT_I4 or VT_I2) or by name (VT_BSTR, case ignored).
    virtual HRESULT get_Variable(VARIANT index, ILodexVariable** variable) = 0;
    // The document as JSON text (UTF-8 in a BSTR's UTF-16), and back.
    virtual HRESULT Save(BSTR path) = 0;
    virtual HRESULT Load(BSTR path) = 0;
};
