#pragma once
// The host's data-source interfaces, implemented by the case-data plug-ins
// (bvdreader, bvdwriter) and called by the host. All are dual: their members
// are reachable through the virtual table and through IDispatch (the
// descriptions in common/datasource_dispatch.cpp). The interface identifiers
// are shared by both plug-ins and the host.
//
// Members are declared in slot order. A property's get and put (or putref)
// share one dispatch id; ids count 0, 1, 2 ... in slot order, `_NewEnum` is
// DISPID_NEWENUM. IValueAttribute is the exception: Value 0, Name 1.
#include "platform/dispatch.h"

struct ISource;
struct ITables;
struct ITable;
struct IColumns;
struct IColumn;
struct ICommands;
struct ICommand;
struct IDataBindings;
struct IDataBinding;
struct IValue;
struct IValueAttributes;
struct IValueAttribute;
struct IProperties;
struct IProperty;

struct IProperty : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x01}};
    virtual HRESULT get_Name(BSTR* pVal) = 0;
    virtual HRESULT get_Type(LONG* pVal) = 0;  // PropertyTypeConstants
    virtual HRESULT get_Value(VARIANT* pVal) = 0;
    virtual HRESULT put_Value(VARIANT newVal) = 0;
    virtual HRESULT get_Attributes(LONG* pVal) = 0;
};

struct IProperties : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x02}};
    virtual HRESULT get_Item(VARIANT index, IProperty** pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT get__NewEnum(IUnknown** pVal) = 0;
};

struct IValueAttribute : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x03}};
    virtual HRESULT get_Name(BSTR* pVal) = 0;      // dispatch id 1
    virtual HRESULT get_Value(VARIANT* pVal) = 0;  // dispatch id 0
};

struct IValueAttributes : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x04}};
    virtual HRESULT get_Item(VARIANT index, IValueAttribute** pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT get__NewEnum(IUnknown** pVal) = 0;
};

struct IValue : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x05}};
    // `IsDirty` is optional (default VARIANT_TRUE) in both directions.
    virtual HRESULT get_Value(VARIANT_BOOL IsDirty, VARIANT* pVal) = 0;
    virtual HRESULT put_Value(VARIANT_BOOL IsDirty, VARIANT newVal) = 0;
    virtual HRESULT get_Type(LONG* pVal) = 0;  // DataTypeConstants
    virtual HRESULT put_Type(LONG newVal) = 0;
    virtual HRESULT get_Attributes(IValueAttributes** pVal) = 0;
    virtual HRESULT get_IsDirty(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT put_IsDirty(VARIANT_BOOL newVal) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT GetChunk(LONG size, VARIANT* pVal) = 0;
    virtual HRESULT AppendChunk(VARIANT data) = 0;
};

struct IColumn : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x06}};
    virtual HRESULT get_Name(BSTR* pVal) = 0;
    virtual HRESULT put_Name(BSTR newVal) = 0;
    virtual HRESULT get_Type(LONG* pVal) = 0;  // DataTypeConstants
    virtual HRESULT put_Type(LONG newVal) = 0;
    virtual HRESULT get_Size(LONG* pVal) = 0;
    virtual HRESULT put_Size(LONG newVal) = 0;
    virtual HRESULT get_Parent(ITable** pVal) = 0;
    virtual HRESULT putref_Parent(ITable* newVal) = 0;
    virtual HRESULT get_SortOrder(LONG* pVal) = 0;  // SortOrderConstants
    virtual HRESULT put_SortOrder(LONG newVal) = 0;
    virtual HRESULT get_LodexObject(IUnknown** pVal) = 0;
    virtual HRESULT putref_LodexObject(IUnknown* newVal) = 0;
    // A plug-in may continue the interface (same IID) with members of its own
    // from dispatch id 7 on: the reader does.
};

struct IColumns : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x07}};
    virtual HRESULT get_Item(VARIANT index, IColumn** pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT Append(IColumn* item) = 0;
    virtual HRESULT Delete(VARIANT index) = 0;
    virtual HRESULT get__NewEnum(IUnknown** pVal) = 0;
};

struct ITable : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x08}};
    virtual HRESULT get_Name(BSTR* pVal) = 0;
    virtual HRESULT put_Name(BSTR newVal) = 0;
    virtual HRESULT get_Columns(IColumns** pVal) = 0;
    virtual HRESULT get_Children(ITables** pVal) = 0;
    virtual HRESULT get_Type(LONG* pVal) = 0;  // TableTypeConstants
    virtual HRESULT put_Type(LONG newVal) = 0;
    virtual HRESULT get_Parent(ITable** pVal) = 0;
    virtual HRESULT putref_Parent(ITable* newVal) = 0;
    virtual HRESULT get_Level(LONG* pVal) = 0;
    virtual HRESULT put_Level(LONG newVal) = 0;
    virtual HRESULT get_LodexObject(IUnknown** pVal) = 0;
    virtual HRESULT putref_LodexObject(IUnknown* newVal) = 0;
};

struct ITables : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x09}};
    virtual HRESULT get_Item(VARIANT index, ITable** pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT Append(ITable* item) = 0;
    virtual HRESULT Delete(VARIANT index) = 0;
    virtual HRESULT get__NewEnum(IUnknown** pVal) = 0;
};

struct IDataBinding : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x0a}};
    virtual HRESULT get_Name(BSTR* pVal) = 0;
    virtual HRESULT put_Name(BSTR newVal) = 0;
    virtual HRESULT get_BindingType(LONG* pVal) = 0;  // BindingTypeConstants
    virtual HRESULT put_BindingType(LONG newVal) = 0;
    virtual HRESULT get_Column(IColumn** pVal) = 0;
    virtual HRESULT putref_Column(IColumn* newVal) = 0;
    virtual HRESULT get_Table(ITable** pVal) = 0;
    virtual HRESULT putref_Table(ITable* newVal) = 0;
    virtual HRESULT get_Expression(IDispatch** pVal) = 0;
    virtual HRESULT putref_Expression(IDispatch* newVal) = 0;
    virtual HRESULT get_Value(IValue** pVal) = 0;
    virtual HRESULT putref_Value(IValue* newVal) = 0;
    virtual HRESULT get_SortOrder(LONG* pVal) = 0;  // SortOrderConstants
    virtual HRESULT put_SortOrder(LONG newVal) = 0;
    virtual HRESULT get_Properties(IProperties** pVal) = 0;
    virtual HRESULT putref_Properties(IProperties* newVal) = 0;
};

struct IDataBindings : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x0b}};
    virtual HRESULT get_Item(VARIANT index, IDataBinding** pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT Append(IDataBinding* item) = 0;
    virtual HRESULT Delete(VARIANT index) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT get__NewEnum(IUnknown** pVal) = 0;
};

struct ICommand : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x0c}};
    virtual HRESULT get_DataBindings(IDataBindings** pVal) = 0;
    virtual HRESULT get_EOF(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT get_BOF(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT get_Level(LONG* pVal) = 0;
    virtual HRESULT get_WhereClause(IDispatch** pVal) = 0;
    virtual HRESULT putref_WhereClause(IDispatch* newVal) = 0;
    virtual HRESULT get_GroupByBindings(IDataBindings** pVal) = 0;
    virtual HRESULT putref_GroupByBindings(IDataBindings* newVal) = 0;
    virtual HRESULT get_HavingClause(IDispatch** pVal) = 0;
    virtual HRESULT putref_HavingClause(IDispatch* newVal) = 0;
    virtual HRESULT get_OrderByBindings(IDataBindings** pVal) = 0;
    virtual HRESULT putref_OrderByBindings(IDataBindings* newVal) = 0;
    virtual HRESULT MoveFirst() = 0;
    virtual HRESULT MoveLast() = 0;
    virtual HRESULT MoveNext() = 0;
    virtual HRESULT MovePrevious() = 0;
    virtual HRESULT Update() = 0;
    virtual HRESULT AddNew() = 0;
    virtual HRESULT Delete(VARIANT_BOOL allRecords) = 0;
    virtual HRESULT Close() = 0;
    virtual HRESULT get_Properties(IProperties** pVal) = 0;
    virtual HRESULT putref_Properties(IProperties* newVal) = 0;
};

struct ICommands : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x0d}};
    virtual HRESULT get_Item(VARIANT index, ICommand** pVal) = 0;
    virtual HRESULT get_Count(LONG* pVal) = 0;
    virtual HRESULT get__NewEnum(IUnknown** pVal) = 0;
};

struct ISource : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6a1c2f10, 0x4b1e, 0x4c57, {0x9e, 0x21, 0x30, 0x51, 0xa7, 0x0b, 0x11, 0x0e}};
    virtual HRESULT get_Name(BSTR* pVal) = 0;
    virtual HRESULT get_Tables(ITables** pVal) = 0;
    virtual HRESULT get_Commands(ICommands** pVal) = 0;
    virtual HRESULT get_Properties(IProperties** pVal) = 0;
    virtual HRESULT Initialize(IProperties* properties) = 0;
    virtual HRESULT Uninitialize() = 0;
    virtual HRESULT CreateCommand(ICommand** pVal) = 0;
    virtual HRESULT BeginTrans() = 0;
    virtual HRESULT CommitTrans() = 0;
    virtual HRESULT RollbackTrans() = 0;
    virtual HRESULT NotifyPropertyChange(IProperty* property) = 0;
};

inline constexpr const IID& IID_ISource = ISource::kIid;
inline constexpr const IID& IID_ITables = ITables::kIid;
inline constexpr const IID& IID_ITable = ITable::kIid;
inline constexpr const IID& IID_IColumns = IColumns::kIid;
inline constexpr const IID& IID_IColumn = IColumn::kIid;
inline constexpr const IID& IID_ICommands = ICommands::kIid;
inline constexpr const IID& IID_ICommand = ICommand::kIid;
inline constexpr const IID& IID_IDataBindings = IDataBindings::kIid;
inline constexpr const IID& IID_IDataBinding = IDataBinding::kIid;
inline constexpr const IID& IID_IValue = IValue::kIid;
inline constexpr const IID& IID_IValueAttributes = IValueAttributes::kIid;
inline constexpr const IID& IID_IValueAttribute = IValueAttribute::kIid;
inline constexpr const IID& IID_IProperties = IProperties::kIid;
inline constexpr const IID& IID_IProperty = IProperty::kIid;

// The generic IDispatch's descriptions (DispatchImpl<I> finds them).
struct DispInterface;
const DispInterface& DescribeDispatch(const ISource*);
const DispInterface& DescribeDispatch(const ITables*);
const DispInterface& DescribeDispatch(const ITable*);
const DispInterface& DescribeDispatch(const IColumns*);
const DispInterface& DescribeDispatch(const IColumn*);
const DispInterface& DescribeDispatch(const ICommands*);
const DispInterface& DescribeDispatch(const ICommand*);
const DispInterface& DescribeDispatch(const IDataBindings*);
const DispInterface& DescribeDispatch(const IDataBinding*);
const DispInterface& DescribeDispatch(const IValue*);
const DispInterface& DescribeDispatch(const IValueAttributes*);
const DispInterface& DescribeDispatch(const IValueAttribute*);
const DispInterface& DescribeDispatch(const IProperties*);
const DispInterface& DescribeDispatch(const IProperty*);
