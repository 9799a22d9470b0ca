// ReportError: the error record chain on the thread's error-records object,
// read back as the host reads it.
#include <gtest/gtest.h>

#include "common/KxError.h"
#include "platform/com_create.h"
#include "platform/errorrecords.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"

namespace {

constexpr CLSID kClsid{0x5EC0DE01, 0x1234, 0x4321, {0x80, 1, 2, 3, 4, 5, 6, 7}};
constexpr CLSID kOtherClsid{0x5EC0DE02, 0x1234, 0x4321, {0x80, 1, 2, 3, 4, 5, 6, 8}};
constexpr CLSID kUnregistered{0x5EC0DE03, 0x1234, 0x4321, {0x80, 1, 2, 3, 4, 5, 6, 9}};
constexpr IID kIid{0x1F00D001, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kOtherIid{0x1F00D002, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 9}};

std::string Text(BSTR s) { return Utf16ToUtf8(s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view()); }

std::string Description(IErrorInfo* info)
{
    BStr text;
    EXPECT_EQ(info->GetDescription(text.put()), S_OK);
    return Text(text.get());
}

std::string Source(IErrorInfo* info)
{
    BStr text;
    EXPECT_EQ(info->GetSource(text.put()), S_OK);
    return Text(text.get());
}

class KxReportError : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"CLSID\\" + Utf8ToUtf16(GuidToString(kClsid)) + u"\\ProgID", u"",
                                 u"Bvdtest.Source.1"),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT,
                                 u"CLSID\\" + Utf8ToUtf16(GuidToString(kOtherClsid)) + u"\\ProgID", u"",
                                 u"Bvdtest.Table.1"),
                  ERROR_SUCCESS);
    }
    void TearDown() override { SetErrorInfo(0, nullptr); }

    // The thread's error object (taken), as IErrorRecords.
    static ComPtr<IErrorRecords> TakeRecords(ComPtr<IErrorInfo>* info)
    {
        EXPECT_EQ(GetErrorInfo(0, info->put()), S_OK);
        return QueryAs<IErrorRecords>(info->get());
    }

    // Record `n`: basic information and its custom error object.
    static void ExpectRecord(IErrorRecords* records, ULONG n, HRESULT hr, REFCLSID clsid, REFIID iid,
                             const char* description, const char* source)
    {
        ERRORINFO basic{};
        ASSERT_EQ(records->GetBasicErrorInfo(n, &basic), S_OK);
        EXPECT_EQ(basic.hrError, hr);
        EXPECT_EQ(basic.dwMinor, 1u);
        EXPECT_TRUE(basic.clsid == clsid);
        EXPECT_TRUE(basic.iid == iid);
        EXPECT_EQ(basic.dispid, 0);
        ComPtr<IUnknown> custom;
        ASSERT_EQ(records->GetCustomErrorObject(n, IID_IErrorInfo, custom.put()), S_OK);
        ASSERT_TRUE(custom);
        auto info = QueryAs<IErrorInfo>(custom.get());
        ASSERT_TRUE(info);
        EXPECT_EQ(Description(info.get()), description);
        EXPECT_EQ(Source(info.get()), source);
        GUID guid{};
        EXPECT_EQ(info->GetGUID(&guid), S_OK);
        EXPECT_TRUE(guid == GUID_NULL) << "no GUID is set on the error object";
        // No parameters.
        DISPPARAMS params{};
        EXPECT_EQ(records->GetErrorParameters(n, &params), S_OK);
        EXPECT_EQ(params.cArgs, 0u);
        FreeErrorParameters(&params);
    }

    TempRegistry registry;
};

TEST_F(KxReportError, OneRecordWithDescriptionSourceClassAndInterface)
{
    EXPECT_EQ(ReportError(u"DSC not initialized.", E_FAIL, kClsid, kIid), E_FAIL);
    ComPtr<IErrorInfo> info;
    auto records = TakeRecords(&info);
    ASSERT_TRUE(records) << "the thread's error object is an error-records object";
    // The host reading plain IErrorInfo sees the message directly.
    EXPECT_EQ(Description(info.get()), "DSC not initialized.");
    EXPECT_EQ(Source(info.get()), "Bvdtest.Source.1");
    ULONG count = 0;
    ASSERT_EQ(records->GetRecordCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ExpectRecord(records.get(), 0, E_FAIL, kClsid, kIid, "DSC not initialized.", "Bvdtest.Source.1");
}

TEST_F(KxReportError, TwoErrorsOnOneThreadShareOneRecordsObject)
{
    EXPECT_EQ(ReportError(u"first", E_FAIL, kClsid, kIid), E_FAIL);
    CKXError second(0, DISP_E_BADINDEX);
    second.SetMessage(KXE_TABLE_NAME_EXISTS, u"vdata");
    EXPECT_EQ(ReportError(second, kOtherClsid, kOtherIid), DISP_E_BADINDEX);

    ComPtr<IErrorInfo> info;
    auto records = TakeRecords(&info);
    ASSERT_TRUE(records);
    ULONG count = 0;
    ASSERT_EQ(records->GetRecordCount(&count), S_OK);
    ASSERT_EQ(count, 2u);
    ExpectRecord(records.get(), 0, DISP_E_BADINDEX, kOtherClsid, kOtherIid, "The table 'vdata' already exists",
                 "Bvdtest.Table.1");
    ExpectRecord(records.get(), 1, E_FAIL, kClsid, kIid, "first", "Bvdtest.Source.1");
}

TEST_F(KxReportError, APlainPendingErrorBecomesARecordOfItsOwn)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(u"earlier"));
    create->SetSource(const_cast<LPOLESTR>(u"Host.Thing"));
    ASSERT_EQ(SetErrorInfo(0, QueryAs<IErrorInfo>(create.get()).get()), S_OK);

    EXPECT_EQ(ReportError(u"now", E_FAIL, kClsid, kIid), E_FAIL);
    ComPtr<IErrorInfo> info;
    auto records = TakeRecords(&info);
    ASSERT_TRUE(records);
    ULONG count = 0;
    ASSERT_EQ(records->GetRecordCount(&count), S_OK);
    ASSERT_EQ(count, 2u);
    ExpectRecord(records.get(), 0, E_FAIL, kClsid, kIid, "now", "Bvdtest.Source.1");
    // The same prepared record, carrying the earlier object.
    ExpectRecord(records.get(), 1, E_FAIL, kClsid, kIid, "earlier", "Host.Thing");
}

TEST_F(KxReportError, AClassWithoutProgIdPublishesNothing)
{
    EXPECT_EQ(ReportError(u"lost", E_FAIL, kUnregistered, kIid), REGDB_E_CLASSNOTREG);
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);
    EXPECT_FALSE(info);

    // A pending error stays as it was.
    EXPECT_EQ(ReportError(u"kept", E_FAIL, kClsid, kIid), E_FAIL);
    EXPECT_EQ(ReportError(u"lost", E_FAIL, kUnregistered, kIid), REGDB_E_CLASSNOTREG);
    auto records = TakeRecords(&info);
    ASSERT_TRUE(records);
    ULONG count = 0;
    ASSERT_EQ(records->GetRecordCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(Description(info.get()), "kept");
}

TEST_F(KxReportError, BoundaryChecksAndCaughtErrors)
{
    // A check at the boundary: message in the object's language, HRESULT
    // chosen per code.
    EXPECT_EQ(ReportNewError(1031, E_FAIL, kClsid, kIid, KXE_LOCATION_MISSING, u"bvdreader"), E_FAIL);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    EXPECT_EQ(Description(info.get()),
              "Location property missing.  The Location property must be set for the bvdreader DSC.");

    EXPECT_EQ(ReportNewErrorWithSystemText(0, E_OUTOFMEMORY, kClsid, kIid, KXE_CREATE_FAILED, u"Command"),
              E_OUTOFMEMORY);
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    EXPECT_EQ(Description(info.get()),
              "Failed to create 'Command': Not enough memory resources are available to complete this operation.\r\n");

    // Work inside the boundary that raises.
    const HRESULT hr = KxBoundary(kOtherClsid, kOtherIid, []() -> HRESULT {
        RaiseError(0, hr_(0xC0021801), KXE_XML_NOT_RECOGNIZED, u"svy", u"bvd");
        return S_OK;
    });
    EXPECT_EQ(hr, hr_(0xC0021801));
    auto records = TakeRecords(&info);
    ASSERT_TRUE(records);
    ExpectRecord(records.get(), 0, hr_(0xC0021801), kOtherClsid, kOtherIid,
                 "XML file not recognized - svy tag found, when expecting bvd", "Bvdtest.Table.1");
}

}  // namespace
