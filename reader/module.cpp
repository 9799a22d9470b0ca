// The bvdreader module: its fourteen classes, registry scripts, type library,
// string table entry and the four server entry points.
#include "common/casedata_module.h"
#include "common/datasource_dispatch.h"
#include "platform/version_resource.h"
#include "reader/bvdreader.h"
#include "reader/column.h"
#include "reader/command.h"
#include "reader/source.h"

BVD_PROJECT_FILE_VERSION();

// The reader's IColumn: the standard members, then its own from dispatch id
// 7. The three code-table members take parameters that a property get
// cannot, so IDispatch calls them as methods (a property-get call finds them
// as well).
const DispInterface& DescribeDispatch(const IReaderColumn*)
{
    static const DispInterface d = [] {
        DispInterfaceBuilder<IReaderColumn> b(u"IColumn", u"IColumn Interface");
        return bvd::DescribeColumnMembers(b)
            .PropGet<&IReaderColumn::get_BVDoffset>(u"BVDoffset", 7, u"property brevid offset",
                                                    {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&IReaderColumn::get_BVDwidth>(u"BVDwidth", 8, u"property brevid width",
                                                   {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&IReaderColumn::get_BVDtype>(u"BVDtype", 9, u"property brevid type",
                                                  {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&IReaderColumn::get_BVDvarwidth>(u"BVDvarwidth", 0xa, u"property brevid multi width",
                                                      {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&IReaderColumn::get_BVDnameval>(u"BVDnameval", 0xb, u"property brevid name value",
                                                     {ParamRetVal(u"pVal", VT_I4)})
            .Method<&IReaderColumn::NameMapping>(u"NameMapping", 0xc, u"property get name value",
                                                 {ParamInOut(u"pVal", VT_I4)})
            .Method<&IReaderColumn::makeMapping>(u"makeMapping", 0xd, u"property get name value",
                                                 {ParamIn(u"count", VT_I4)})
            .Method<&IReaderColumn::addMapping>(u"addMapping", 0xe, u"property get name value",
                                                {ParamIn(u"code", VT_I4), ParamIn(u"number", VT_I4)})
            .Build();
    }();
    return d;
}

namespace {

const DispInterface* DescribeReaderColumn() { return &DescribeDispatch(static_cast<const IReaderColumn*>(nullptr)); }

constexpr bvd::CaseDataTexts kTexts{
    u"Bvdreader",
    u"Norvane QX Brevid CDSC ",
    u"Norvane QX Brevid CDSC Source",
    u"XML",
    1,
    0,
    u"Norvane QX Brevid Data Source Component",
    bvdreader::LIBID_BVDREADERLib,
    u"BVDREADERLib",
    u"Norvane QX Brevid CDSC 1.0 Type Library",
};

const bvd::CaseDataModuleParts gParts(kTexts, bvd::ThisPlugin(),
                                      bvd::CaseDataClassCreators<CReaderSource, CReaderColumn, CReaderCommand>(),
                                      &DescribeReaderColumn);
bvd::Module gModule(gParts.Definition());

}  // namespace

BVD_MODULE_ENTRY_POINTS(gModule)
