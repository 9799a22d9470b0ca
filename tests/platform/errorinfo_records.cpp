// The OLE DB error-records object: a stack of records, newest first, that
// also answers IErrorInfo from its newest record.
#include <gtest/gtest.h>

#include "counted_object.h"
#include "platform/com_create.h"
#include "platform/errorrecords.h"

namespace {

constexpr CLSID kClsid{0xA1B2C3D4, 0x0001, 0x0002, {1, 1, 1, 1, 1, 1, 1, 1}};
constexpr IID kFirstIid{0x11111111, 0x0001, 0x0002, {2, 2, 2, 2, 2, 2, 2, 2}};
constexpr IID kSecondIid{0x22222222, 0x0001, 0x0002, {3, 3, 3, 3, 3, 3, 3, 3}};

ComPtr<IErrorInfo> MakeError(const char16_t* description, const char16_t* source)
{
    ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(CreateErrorInfo(create.put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(description));
    create->SetSource(const_cast<LPOLESTR>(source));
    return QueryAs<IErrorInfo>(create.get());
}

std::u16string Description(IErrorInfo* info)
{
    BStr text;
    EXPECT_EQ(info->GetDescription(text.put()), S_OK);
    return std::u16string(text.view());
}

class ErrorRecords : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CreateErrorRecordsObject(nullptr, IID_IErrorRecords, records.put_void()), S_OK);
        ERRORINFO first{E_FAIL, 1, kClsid, kFirstIid, 0};
        ERRORINFO second{DISP_E_BADINDEX, 1, kClsid, kSecondIid, 0};
        firstError = MakeError(u"Table already exists.", u"Bvdwriter.Table.1");
        secondError = MakeError(u"The column 'q1' already exists", u"Bvdwriter.Columns.1");
        ASSERT_EQ(records->AddErrorRecord(&first, 1, nullptr, firstError.get(), 0), S_OK);
        ASSERT_EQ(records->AddErrorRecord(&second, 1, nullptr, secondError.get(), 0), S_OK);
    }

    ComPtr<IErrorRecords> records;
    ComPtr<IErrorInfo> firstError, secondError;
};

TEST_F(ErrorRecords, NewestRecordComesFirst)
{
    ULONG count = 0;
    ASSERT_EQ(records->GetRecordCount(&count), S_OK);
    EXPECT_EQ(count, 2u);

    struct Expect {
        HRESULT hr;
        IID iid;
        IErrorInfo* custom;
        const char16_t* description;
    };
    const Expect expected[] = {{DISP_E_BADINDEX, kSecondIid, secondError.get(), u"The column 'q1' already exists"},
                               {E_FAIL, kFirstIid, firstError.get(), u"Table already exists."}};
    for (ULONG n = 0; n < 2; ++n) {
        const Expect& e = expected[n];
        ERRORINFO basic{};
        ASSERT_EQ(records->GetBasicErrorInfo(n, &basic), S_OK);
        EXPECT_EQ(basic.hrError, e.hr) << n;
        EXPECT_EQ(basic.dwMinor, 1u);
        EXPECT_EQ(basic.clsid, kClsid);
        EXPECT_EQ(basic.iid, e.iid);
        EXPECT_EQ(basic.dispid, 0);

        ComPtr<IErrorInfo> custom;
        ASSERT_EQ(records->GetCustomErrorObject(n, IID_IErrorInfo, reinterpret_cast<IUnknown**>(custom.put())), S_OK);
        EXPECT_EQ(custom.get(), e.custom);

        ComPtr<IErrorInfo> info;
        ASSERT_EQ(records->GetErrorInfo(n, 1033, info.put()), S_OK);
        EXPECT_EQ(Description(info.get()), e.description);
        GUID guid{};
        info->GetGUID(&guid);
        EXPECT_EQ(guid, e.iid);
    }

    ERRORINFO basic{};
    ComPtr<IErrorInfo> info;
    ComPtr<IUnknown> custom;
    DISPPARAMS params{};
    EXPECT_EQ(records->GetBasicErrorInfo(2, &basic), DB_E_BADRECORDNUM);
    EXPECT_EQ(records->GetErrorInfo(2, 0, info.put()), DB_E_BADRECORDNUM);
    EXPECT_EQ(records->GetCustomErrorObject(2, IID_IUnknown, custom.put()), DB_E_BADRECORDNUM);
    EXPECT_EQ(records->GetErrorParameters(2, &params), DB_E_BADRECORDNUM);
}

TEST_F(ErrorRecords, AnswersIErrorInfoFromTheNewestRecord)
{
    // As a host sees it: the thread's error object after a failed call.
    SetErrorInfo(0, QueryAs<IErrorInfo>(records.get()).get());
    ComPtr<IErrorInfo> top;
    ASSERT_EQ(GetErrorInfo(0, top.put()), S_OK);
    EXPECT_EQ(Description(top.get()), u"The column 'q1' already exists");
    BStr source;
    top->GetSource(source.put());
    EXPECT_EQ(source.view(), u"Bvdwriter.Columns.1");
    GUID guid{};
    top->GetGUID(&guid);
    EXPECT_EQ(guid, kSecondIid);

    // ... and walks the chain from there.
    ComPtr<IErrorRecords> chain = QueryAs<IErrorRecords>(top.get());
    ASSERT_TRUE(chain);
    ComPtr<IErrorInfo> older;
    ASSERT_EQ(chain->GetErrorInfo(1, 0, older.put()), S_OK);
    EXPECT_EQ(Description(older.get()), u"Table already exists.");

    // A third record goes on top.
    ERRORINFO third{E_UNEXPECTED, 1, kClsid, kFirstIid, 0};
    ASSERT_EQ(chain->AddErrorRecord(&third, 1, nullptr, MakeError(u"third", u"x").get(), 0), S_OK);
    EXPECT_EQ(Description(top.get()), u"third");
}

TEST_F(ErrorRecords, RecordsWithoutCustomObjectOrWithParameters)
{
    // A record without custom object has no texts; one whose custom object
    // is no error object neither.
    ComPtr<CountedObject> plain = MakeCom<CountedObject>();
    ERRORINFO basic{E_FAIL, 2, kClsid, kFirstIid, 7};
    Variant args[2] = {Variant::Text(u"q1"), Variant::Long(3)};
    DISPID named = 4;
    DISPPARAMS params{args, &named, 2, 1};
    ASSERT_EQ(records->AddErrorRecord(&basic, 9, &params, plain.get(), 5), S_OK);
    ASSERT_EQ(records->AddErrorRecord(&basic, 9, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(plain->Refs(), 2u);

    ComPtr<IErrorInfo> top = QueryAs<IErrorInfo>(records.get());
    BStr text = BStr(u"stale");
    EXPECT_EQ(top->GetDescription(text.put()), S_OK);
    EXPECT_EQ(text.get(), nullptr);
    ComPtr<IUnknown> none;
    EXPECT_EQ(records->GetCustomErrorObject(0, IID_IUnknown, none.put()), S_OK);
    EXPECT_EQ(none, nullptr);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(records->GetErrorInfo(1, 0, info.put()), S_OK);
    EXPECT_EQ(info->GetDescription(text.put()), S_OK);
    EXPECT_EQ(text.get(), nullptr);

    DISPPARAMS copy{};
    ASSERT_EQ(records->GetErrorParameters(1, &copy), S_OK);
    ASSERT_EQ(copy.cArgs, 2u);
    ASSERT_EQ(copy.cNamedArgs, 1u);
    EXPECT_EQ(VariantToString(copy.rgvarg[0]), VariantToString(args[0]));
    EXPECT_NE(copy.rgvarg[0].bstrVal, args[0].bstrVal);
    EXPECT_EQ(copy.rgvarg[1].lVal, 3);
    EXPECT_EQ(copy.rgdispidNamedArgs[0], 4);
    FreeErrorParameters(&copy);
    EXPECT_EQ(copy.rgvarg, nullptr);
    ASSERT_EQ(records->GetErrorParameters(0, &copy), S_OK);
    EXPECT_EQ(copy.cArgs, 0u);

    records = nullptr;
    top = nullptr;
    info = nullptr;
    EXPECT_EQ(plain->Refs(), 1u);
}

TEST(ErrorRecordsClass, CreatedWithoutRegistryAndNotAggregated)
{
    // As ReportError creates it.
    ComPtr<IErrorRecords> created;
    ASSERT_EQ(CoCreateInstance(CLSID_EXTENDEDERRORINFO, nullptr, CLSCTX_ALL, IID_IErrorRecords, created.put_void()),
              S_OK);
    EXPECT_TRUE(QueryAs<IErrorInfo>(created.get()));

    ComPtr<CountedObject> outer = MakeCom<CountedObject>();
    ComPtr<IUnknown> object;
    EXPECT_EQ(CreateErrorRecordsObject(outer.get(), IID_IUnknown, object.put_void()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CreateErrorRecordsObject(nullptr, IID_IEnumVARIANT, object.put_void()), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ComPtr<IErrorRecords> records;
    ASSERT_EQ(CreateErrorRecordsObject(nullptr, IID_IErrorRecords, records.put_void()), S_OK);
    EXPECT_EQ(records->AddErrorRecord(nullptr, 0, nullptr, nullptr, 0), E_INVALIDARG);
}

}  // namespace
