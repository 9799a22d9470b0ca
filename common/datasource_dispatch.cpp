// The IDispatch descriptions of the data-source interfaces: members in slot
// order, dispatch ids 0, 1, 2 ... with a property's get and put sharing one,
// `_NewEnum` DISPID_NEWENUM, IValueAttribute's Value 0 and Name 1.
#include "common/datasource_dispatch.h"

namespace {

// Item, Count and _NewEnum of a collection interface, with Append and Delete
// (and Clear) between Count and _NewEnum where the interface has them.
template <class I>
DispInterfaceBuilder<I>& ItemAndCount(DispInterfaceBuilder<I>& b)
{
    return b.template PropGet<&I::get_Item>(u"Item", 0, u"property Item",
                                            {ParamIn(u"index", VT_VARIANT), ParamRetVal(u"pVal", VT_DISPATCH)})
        .template PropGet<&I::get_Count>(u"Count", 1, u"property Count", {ParamRetVal(u"pVal", VT_I4)});
}

template <class I>
DispInterfaceBuilder<I>& NewEnum(DispInterfaceBuilder<I>& b)
{
    return b.template PropGet<&I::get__NewEnum>(u"_NewEnum", DISPID_NEWENUM, u"property _NewEnum",
                                                {ParamRetVal(u"pVal", VT_UNKNOWN)});
}

template <class I>
DispInterfaceBuilder<I>& AppendAndDelete(DispInterfaceBuilder<I>& b)
{
    return b.template Method<&I::Append>(u"Append", 2, u"method Append", {ParamIn(u"item", VT_DISPATCH)})
        .template Method<&I::Delete>(u"Delete", 3, u"method Delete", {ParamIn(u"index", VT_VARIANT)});
}

}  // namespace

const DispInterface& DescribeDispatch(const IProperty*)
{
    static const DispInterface d =
        DispInterfaceBuilder<IProperty>(u"IProperty", u"IProperty Interface")
            .PropGet<&IProperty::get_Name>(u"Name", 0, u"property Name", {ParamRetVal(u"pVal", VT_BSTR)})
            .PropGet<&IProperty::get_Type>(u"Type", 1, u"property Type", {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&IProperty::get_Value>(u"Value", 2, u"property Value", {ParamRetVal(u"pVal", VT_VARIANT)})
            .PropPut<&IProperty::put_Value>(u"Value", 2, u"property Value", {ParamIn(u"newVal", VT_VARIANT)})
            .PropGet<&IProperty::get_Attributes>(u"Attributes", 3, u"property Attributes",
                                                 {ParamRetVal(u"pVal", VT_I4)})
            .Build();
    return d;
}

const DispInterface& DescribeDispatch(const IProperties*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<IProperties> b(u"IProperties", u"IProperties Interface");
        return NewEnum(ItemAndCount(b)).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const IValueAttribute*)
{
    static const DispInterface d =
        DispInterfaceBuilder<IValueAttribute>(u"IValueAttribute", u"IValueAttribute Interface")
            .PropGet<&IValueAttribute::get_Name>(u"Name", 1, u"property Name", {ParamRetVal(u"pVal", VT_BSTR)})
            .PropGet<&IValueAttribute::get_Value>(u"Value", 0, u"property Value", {ParamRetVal(u"pVal", VT_VARIANT)})
            .Build();
    return d;
}

const DispInterface& DescribeDispatch(const IValueAttributes*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<IValueAttributes> b(u"IValueAttributes", u"IValueAttributes Interface");
        return NewEnum(ItemAndCount(b)).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const IValue*)
{
    static const DispInterface d =
        DispInterfaceBuilder<IValue>(u"IValue", u"IValue Interface")
            .PropGet<&IValue::get_Value>(
                u"Value", 0, u"property Value",
                {ParamOptional(u"IsDirty", VT_BOOL, DispDefault::Bool(true)), ParamRetVal(u"pVal", VT_VARIANT)})
            .PropPut<&IValue::put_Value>(
                u"Value", 0, u"property Value",
                {ParamOptional(u"IsDirty", VT_BOOL, DispDefault::Bool(true)), ParamIn(u"newVal", VT_VARIANT)})
            .PropGet<&IValue::get_Type>(u"Type", 1, u"property Type", {ParamRetVal(u"pVal", VT_I4)})
            .PropPut<&IValue::put_Type>(u"Type", 1, u"property Type", {ParamIn(u"newVal", VT_I4)})
            .PropGet<&IValue::get_Attributes>(u"Attributes", 2, u"property Attributes",
                                              {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropGet<&IValue::get_IsDirty>(u"IsDirty", 3, u"property IsDirty", {ParamRetVal(u"pVal", VT_BOOL)})
            .PropPut<&IValue::put_IsDirty>(u"IsDirty", 3, u"property IsDirty", {ParamIn(u"newVal", VT_BOOL)})
            .Method<&IValue::Clear>(u"Clear", 4, u"method Clear")
            .Method<&IValue::GetChunk>(u"GetChunk", 5, u"method GetChunk",
                                       {ParamIn(u"size", VT_I4), ParamRetVal(u"pVal", VT_VARIANT)})
            .Method<&IValue::AppendChunk>(u"AppendChunk", 6, u"method AppendChunk", {ParamIn(u"data", VT_VARIANT)})
            .Build();
    return d;
}

const DispInterface& DescribeDispatch(const IColumn*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<IColumn> b(u"IColumn", u"IColumn Interface");
        return bvd::DescribeColumnMembers(b).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const IColumns*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<IColumns> b(u"IColumns", u"IColumns Interface");
        return NewEnum(AppendAndDelete(ItemAndCount(b))).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const ITable*)
{
    static const DispInterface d =
        DispInterfaceBuilder<ITable>(u"ITable", u"ITable Interface")
            .PropGet<&ITable::get_Name>(u"Name", 0, u"property Name", {ParamRetVal(u"pVal", VT_BSTR)})
            .PropPut<&ITable::put_Name>(u"Name", 0, u"property Name", {ParamIn(u"newVal", VT_BSTR)})
            .PropGet<&ITable::get_Columns>(u"Columns", 1, u"property Columns", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropGet<&ITable::get_Children>(u"Children", 2, u"property Children", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropGet<&ITable::get_Type>(u"Type", 3, u"property Type", {ParamRetVal(u"pVal", VT_I4)})
            .PropPut<&ITable::put_Type>(u"Type", 3, u"property Type", {ParamIn(u"newVal", VT_I4)})
            .PropGet<&ITable::get_Parent>(u"Parent", 4, u"property Parent", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&ITable::putref_Parent>(u"Parent", 4, u"property Parent", {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&ITable::get_Level>(u"Level", 5, u"property Level", {ParamRetVal(u"pVal", VT_I4)})
            .PropPut<&ITable::put_Level>(u"Level", 5, u"property Level", {ParamIn(u"newVal", VT_I4)})
            .PropGet<&ITable::get_LodexObject>(u"LodexObject", 6, u"property LodexObject",
                                               {ParamRetVal(u"pVal", VT_UNKNOWN)})
            .PropPutRef<&ITable::putref_LodexObject>(u"LodexObject", 6, u"property LodexObject",
                                                     {ParamIn(u"newVal", VT_UNKNOWN)})
            .Build();
    return d;
}

const DispInterface& DescribeDispatch(const ITables*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<ITables> b(u"ITables", u"ITables Interface");
        return NewEnum(AppendAndDelete(ItemAndCount(b))).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const IDataBinding*)
{
    using B = IDataBinding;
    static const DispInterface d =
        DispInterfaceBuilder<B>(u"IDataBinding", u"IDataBinding Interface")
            .PropGet<&B::get_Name>(u"Name", 0, u"property Name", {ParamRetVal(u"pVal", VT_BSTR)})
            .PropPut<&B::put_Name>(u"Name", 0, u"property Name", {ParamIn(u"newVal", VT_BSTR)})
            .PropGet<&B::get_BindingType>(u"BindingType", 1, u"property BindingType", {ParamRetVal(u"pVal", VT_I4)})
            .PropPut<&B::put_BindingType>(u"BindingType", 1, u"property BindingType", {ParamIn(u"newVal", VT_I4)})
            .PropGet<&B::get_Column>(u"Column", 2, u"property Column", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&B::putref_Column>(u"Column", 2, u"property Column", {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&B::get_Table>(u"Table", 3, u"property Table", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&B::putref_Table>(u"Table", 3, u"property Table", {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&B::get_Expression>(u"Expression", 4, u"property Expression",
                                         {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&B::putref_Expression>(u"Expression", 4, u"property Expression",
                                               {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&B::get_Value>(u"Value", 5, u"property Value", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&B::putref_Value>(u"Value", 5, u"property Value", {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&B::get_SortOrder>(u"SortOrder", 6, u"property SortOrder", {ParamRetVal(u"pVal", VT_I4)})
            .PropPut<&B::put_SortOrder>(u"SortOrder", 6, u"property SortOrder", {ParamIn(u"newVal", VT_I4)})
            .PropGet<&B::get_Properties>(u"Properties", 7, u"property Properties",
                                         {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&B::putref_Properties>(u"Properties", 7, u"property Properties",
                                               {ParamIn(u"newVal", VT_DISPATCH)})
            .Build();
    return d;
}

const DispInterface& DescribeDispatch(const IDataBindings*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<IDataBindings> b(u"IDataBindings", u"IDataBindings Interface");
        AppendAndDelete(ItemAndCount(b)).Method<&IDataBindings::Clear>(u"Clear", 4, u"method Clear");
        return NewEnum(b).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const ICommand*)
{
    using C = ICommand;
    static const DispInterface d =
        DispInterfaceBuilder<C>(u"ICommand", u"ICommand Interface")
            .PropGet<&C::get_DataBindings>(u"DataBindings", 0, u"property DataBindings",
                                           {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropGet<&C::get_EOF>(u"EOF", 1, u"property EOF", {ParamRetVal(u"pVal", VT_BOOL)})
            .PropGet<&C::get_BOF>(u"BOF", 2, u"property BOF", {ParamRetVal(u"pVal", VT_BOOL)})
            .PropGet<&C::get_Count>(u"Count", 3, u"property Count", {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&C::get_Level>(u"Level", 4, u"property Level", {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&C::get_WhereClause>(u"WhereClause", 5, u"property WhereClause",
                                          {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&C::putref_WhereClause>(u"WhereClause", 5, u"property WhereClause",
                                                {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&C::get_GroupByBindings>(u"GroupByBindings", 6, u"property GroupByBindings",
                                              {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&C::putref_GroupByBindings>(u"GroupByBindings", 6, u"property GroupByBindings",
                                                    {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&C::get_HavingClause>(u"HavingClause", 7, u"property HavingClause",
                                           {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&C::putref_HavingClause>(u"HavingClause", 7, u"property HavingClause",
                                                 {ParamIn(u"newVal", VT_DISPATCH)})
            .PropGet<&C::get_OrderByBindings>(u"OrderByBindings", 8, u"property OrderByBindings",
                                              {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&C::putref_OrderByBindings>(u"OrderByBindings", 8, u"property OrderByBindings",
                                                    {ParamIn(u"newVal", VT_DISPATCH)})
            .Method<&C::MoveFirst>(u"MoveFirst", 9, u"method MoveFirst")
            .Method<&C::MoveLast>(u"MoveLast", 10, u"method MoveLast")
            .Method<&C::MoveNext>(u"MoveNext", 11, u"method MoveNext")
            .Method<&C::MovePrevious>(u"MovePrevious", 12, u"method MovePrevious")
            .Method<&C::Update>(u"Update", 13, u"method Update")
            .Method<&C::AddNew>(u"AddNew", 14, u"method AddNew")
            .Method<&C::Delete>(u"Delete", 15, u"method Delete", {ParamIn(u"allRecords", VT_BOOL)})
            .Method<&C::Close>(u"Close", 16, u"method Close")
            .PropGet<&C::get_Properties>(u"Properties", 17, u"property Properties",
                                         {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&C::putref_Properties>(u"Properties", 17, u"property Properties",
                                               {ParamIn(u"newVal", VT_DISPATCH)})
            .Build();
    return d;
}

const DispInterface& DescribeDispatch(const ICommands*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<ICommands> b(u"ICommands", u"ICommands Interface");
        return NewEnum(ItemAndCount(b)).Build();
    }();
    return d;
}

const DispInterface& DescribeDispatch(const ISource*)
{
    using S = ISource;
    static const DispInterface d =
        DispInterfaceBuilder<S>(u"ISource", u"ISource Interface")
            .PropGet<&S::get_Name>(u"Name", 0, u"property Name", {ParamRetVal(u"pVal", VT_BSTR)})
            .PropGet<&S::get_Tables>(u"Tables", 1, u"property Tables", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropGet<&S::get_Commands>(u"Commands", 2, u"property Commands", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropGet<&S::get_Properties>(u"Properties", 3, u"property Properties",
                                         {ParamRetVal(u"pVal", VT_DISPATCH)})
            .Method<&S::Initialize>(u"Initialize", 4, u"method Initialize", {ParamIn(u"properties", VT_DISPATCH)})
            .Method<&S::Uninitialize>(u"Uninitialize", 5, u"method Uninitialize")
            .Method<&S::CreateCommand>(u"CreateCommand", 6, u"method CreateCommand",
                                       {ParamRetVal(u"pVal", VT_DISPATCH)})
            .Method<&S::BeginTrans>(u"BeginTrans", 7, u"method BeginTrans")
            .Method<&S::CommitTrans>(u"CommitTrans", 8, u"method CommitTrans")
            .Method<&S::RollbackTrans>(u"RollbackTrans", 9, u"method RollbackTrans")
            .Method<&S::NotifyPropertyChange>(u"NotifyPropertyChange", 10, u"method NotifyPropertyChange",
                                              {ParamIn(u"property", VT_DISPATCH)})
            .Build();
    return d;
}
