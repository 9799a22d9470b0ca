// The bvdmeta module: its one class, registry script, type library, string
// table entry and the four server entry points.
#include "common/module.h"
#include "metadata/bvdmeta.h"
#include "metadata/provider.h"
#include "platform/version_resource.h"

BVD_PROJECT_FILE_VERSION();

namespace {

// The class keys, the provider's Description under its ProgID, and the value
// Metadata under the reader's data-provider key, whose key and the keys above
// it are never removed. The threading model is written "both", in lower case,
// as the original's script had it.
constexpr char16_t kScript[] = uR"(
HKCR
{
    Bvdmeta.bvdMetadata.1 = s 'Brevid MDSC Class'
    {
        CLSID = s '{BE050723-BA37-42F0-89EC-71A07176AB5E}'
    }
    Bvdmeta.bvdMetadata = s 'Brevid MDSC Class'
    {
        CLSID = s '{BE050723-BA37-42F0-89EC-71A07176AB5E}'
        CurVer = s 'Bvdmeta.bvdMetadata.1'
        Description = s 'Norvane QX Brevid MDSC'
        {
            val Title = s 'Brevid XML File'
            val Filter = s 'Brevid XML Files|*.xml'
            val DefaultExtension = s 'XML'
            val CanRead = d 1
            val CanWrite = d 0
            val SourceType = d 0
            val DocInfoClassName = s ''
        }
    }
    NoRemove CLSID
    {
        ForceRemove {BE050723-BA37-42F0-89EC-71A07176AB5E} = s 'Brevid MDSC Class'
        {
            ProgID = s 'Bvdmeta.bvdMetadata.1'
            VersionIndependentProgID = s 'Bvdmeta.bvdMetadata'
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'both'
            }
        }
    }
}
HKLM
{
    NoRemove SOFTWARE
    {
        NoRemove Norvane
        {
            NoRemove 'QX Data Providers'
            {
                NoRemove Bvdreader
                {
                    val Metadata = s 'Bvdmeta.bvdMetadata'
                }
            }
        }
    }
}
)";

const DispInterface* DescribeIbvdmeta() { return &DescribeDispatch(static_cast<const Ibvdmeta*>(nullptr)); }

constexpr IID kCoclassInterfaces[] = {IID_Ibvdmeta, IID_IMetadataProvider};

constexpr bvd::TypeLibCoclass kCoclasses[] = {
    {CLSID_bvdmeta, u"bvdmeta", u"Brevid MDSC Class", true, kCoclassInterfaces},
};

constexpr bvd::TypeLibInterface kInterfaces[] = {
    {IID_Ibvdmeta, u"Ibvdmeta", u"Ibvdmeta Interface", &DescribeIbvdmeta},
    {IID_IMetadataProvider, u"IMetadataProvider", u"IMetadataProvider Interface", nullptr},
};

constexpr bvd::TypeLibDescription kTypeLib{
    LIBID_BVDMETALib, u"BVDMETALib", u"Brevid MDSC 1.0 Type Library", 1, 0, 1033, kCoclasses, kInterfaces,
};

constexpr bvd::ObjectEntry kObjects[] = {
    bvd::ObjectEntryFor<bvdmeta::CMetadataProvider>(CLSID_bvdmeta, kScript, u"Brevid MDSC Class"),
};

bvd::Module gModule({kObjects, &kTypeLib, u"bvdmeta", 0x0809});

}  // namespace

BVD_MODULE_ENTRY_POINTS(gModule)
