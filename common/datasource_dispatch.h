#pragma once
// The IDispatch descriptions of the data-source interfaces. IColumn's standard
// members are offered as a builder step so that a plug-in whose IColumn goes
// on with members of its own (same IID) describes the whole interface from
// them.
#include "contracts/datasource.h"
#include "platform/dispatch_impl.h"

namespace bvd {

// IColumn's members, dispatch ids 0 to 5 (6 stays free).
template <class I>
DispInterfaceBuilder<I>& DescribeColumnMembers(DispInterfaceBuilder<I>& b)
{
    return b.template PropGet<&I::get_Name>(u"Name", 0, u"property Name", {ParamRetVal(u"pVal", VT_BSTR)})
        .template PropPut<&I::put_Name>(u"Name", 0, u"property Name", {ParamIn(u"newVal", VT_BSTR)})
        .template PropGet<&I::get_Type>(u"Type", 1, u"property Type", {ParamRetVal(u"pVal", VT_I4)})
        .template PropPut<&I::put_Type>(u"Type", 1, u"property Type", {ParamIn(u"newVal", VT_I4)})
        .template PropGet<&I::get_Size>(u"Size", 2, u"property Size", {ParamRetVal(u"pVal", VT_I4)})
        .template PropPut<&I::put_Size>(u"Size", 2, u"property Size", {ParamIn(u"newVal", VT_I4)})
        .template PropGet<&I::get_Parent>(u"Parent", 3, u"property Parent", {ParamRetVal(u"pVal", VT_DISPATCH)})
        .template PropPutRef<&I::putref_Parent>(u"Parent", 3, u"property Parent", {ParamIn(u"newVal", VT_DISPATCH)})
        .template PropGet<&I::get_SortOrder>(u"SortOrder", 4, u"property SortOrder", {ParamRetVal(u"pVal", VT_I4)})
        .template PropPut<&I::put_SortOrder>(u"SortOrder", 4, u"property SortOrder", {ParamIn(u"newVal", VT_I4)})
        .template PropGet<&I::get_LodexObject>(u"LodexObject", 5, u"property LodexObject",
                                               {ParamRetVal(u"pVal", VT_UNKNOWN)})
        .template PropPutRef<&I::putref_LodexObject>(u"LodexObject", 5, u"property LodexObject",
                                                     {ParamIn(u"newVal", VT_UNKNOWN)});
}

}  // namespace bvd
