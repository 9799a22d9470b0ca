// The bvdwriter module: its fourteen classes, registry scripts, type library,
// string table entry and the four server entry points.
#include "common/casedata_module.h"
#include "common/datasource_dispatch.h"
#include "platform/version_resource.h"
#include "writer/bvdwriter.h"

BVD_PROJECT_FILE_VERSION();

namespace {

// The writer's source. Creating the output files comes with the writer's
// connection; until then Initialize reports E_NOTIMPL rather than pretending
// to have opened anything.
class CWriterSource : public CSource {
protected:
    void Open(const BStr&) override { bvd::RaiseOpenNotImplemented(static_cast<LANGID>(m_Ctx.langid)); }
};

const DispInterface* DescribeWriterColumn() { return &DescribeDispatch(static_cast<const IColumn*>(nullptr)); }

constexpr bvd::CaseDataTexts kTexts{
    u"Bvdwriter",
    u"Brevid Write DSC ",
    u"Brevid Write DSC Source",
    nullptr,
    0,
    1,
    u"Norvane QX Bvdwriter Data Source Component",
    bvdwriter::LIBID_BVDWRITERLib,
    u"BVDWRITERLib",
    u"Brevid Write DSC 1.0 Type Library",
};

const bvd::CaseDataModuleParts gParts(kTexts, bvd::ThisPlugin(), bvd::CaseDataClassCreators<CWriterSource, CColumn>(),
                                      &DescribeWriterColumn);
bvd::Module gModule(gParts.Definition());

}  // namespace

BVD_MODULE_ENTRY_POINTS(gModule)
