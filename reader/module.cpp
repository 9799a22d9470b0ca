// The bvdreader module: its fourteen classes, registry scripts, type library,
// string table entry and the four server entry points.
#include "common/casedata_module.h"
#include "common/datasource_dispatch.h"
#include "platform/version_resource.h"
#include "reader/bvdreader.h"

BVD_PROJECT_FILE_VERSION();

namespace {

// The reader's source. Opening the survey (definition and data files) comes
// with the reader's connection; until then Initialize reports E_NOTIMPL
// rather than pretending to have opened anything.
class CReaderSource : public CSource {
protected:
    void Open(const BStr&) override { bvd::RaiseOpenNotImplemented(static_cast<LANGID>(m_Ctx.langid)); }
};

// The reader's IColumn: the standard members for now; the reader's own
// members follow them (same IID) once its schema is there.
const DispInterface* DescribeReaderColumn() { return &DescribeDispatch(static_cast<const IColumn*>(nullptr)); }

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

const bvd::CaseDataModuleParts gParts(kTexts, bvd::ThisPlugin(), bvd::CaseDataClassCreators<CReaderSource, CColumn>(),
                                      &DescribeReaderColumn);
bvd::Module gModule(gParts.Definition());

}  // namespace

BVD_MODULE_ENTRY_POINTS(gModule)
