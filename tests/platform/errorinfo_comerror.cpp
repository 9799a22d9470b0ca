// The COM error class: its HRESULT, its error object and its message.
#include <gtest/gtest.h>

#include "platform/comerror.h"
#include "platform/comobject.h"
#include "platform/dispatch.h"

namespace {

TEST(ComError, MessageOfTheHResult)
{
    struct Case {
        HRESULT hr;
        const char16_t* message;
    };
    const Case cases[] = {
        {E_FAIL, u"Unspecified error"},                     // system text, CR LF removed
        {DISP_E_TYPEMISMATCH, u"Type mismatch."},
        {hr_(0x80040200), u"IDispatch error #0"},           // the IDispatch range without system text
        {hr_(0x80040201), u"IDispatch error #1"},
        {hr_(0x80041234), u"IDispatch error #4148"},
        {hr_(0x8004FFFF), u"IDispatch error #65023"},
        {hr_(0xC0021500), u"Unknown error 0xC0021500"},     // anything else
        {hr_(0x80050000), u"Unknown error 0x80050000"},
        {0x12345, u"Unknown error 0x12345"},
    };
    for (const Case& c : cases) {
        ComError e(c.hr);
        EXPECT_EQ(std::u16string(e.ErrorMessage()), c.message) << std::hex << c.hr;
        EXPECT_EQ(e.Error(), c.hr);
    }
    EXPECT_EQ(ComError(hr_(0x80040201)).WCode(), 1);
    EXPECT_EQ(ComError(E_FAIL).WCode(), 0);
}

TEST(ComError, ErrorObjectTakenOrShared)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
    const GUID iid{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    create->SetGUID(iid);
    create->SetDescription(const_cast<LPOLESTR>(u"XML Load Error"));
    create->SetSource(const_cast<LPOLESTR>(u"msxml"));
    create->SetHelpContext(3);
    ComPtr<IErrorInfo> info = QueryAs<IErrorInfo>(create.get());
    auto refs = [&] {
        info->AddRef();
        return info->Release();
    };
    const ULONG base = refs();
    {
        ComError shared(E_FAIL, info.get(), /*addRef=*/true);
        EXPECT_EQ(refs(), base + 1);
        ComError copy = shared;
        EXPECT_EQ(refs(), base + 2);
        EXPECT_EQ(copy.Description().view(), u"XML Load Error");
        EXPECT_EQ(copy.Source().view(), u"msxml");
        EXPECT_EQ(copy.HelpContext(), 3u);
        EXPECT_EQ(copy.Guid(), iid);
        EXPECT_EQ(copy.HelpFile().get(), nullptr);
        IErrorInfo* handed = copy.ErrorInfo();  // with a reference for the caller
        EXPECT_EQ(handed, info.get());
        EXPECT_EQ(refs(), base + 3);
        handed->Release();
        // The message is the HRESULT's, whatever the error object says.
        EXPECT_EQ(std::u16string(copy.ErrorMessage()), u"Unspecified error");
    }
    EXPECT_EQ(refs(), base);

    info->AddRef();
    { ComError adopting(E_FAIL, info.get()); }  // takes over the caller's reference
    EXPECT_EQ(refs(), base);

    ComError bare(E_FAIL);
    EXPECT_EQ(bare.ErrorInfo(), nullptr);
    EXPECT_EQ(bare.Description().get(), nullptr);
    EXPECT_EQ(bare.Guid(), GUID_NULL);
}

// An object that says it reports errors through error information for one interface.
class Reporter : public ComObject<ISupportErrorInfo> {
public:
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == IID_IDispatch ? S_OK : S_FALSE; }
};

TEST(ComError, IssuingAttachesTheThreadsErrorObjectWhenSupported)
{
    ComPtr<Reporter> reporter = MakeCom<Reporter>();
    ComPtr<ICreateErrorInfo> create;
    CreateErrorInfo(create.put());
    create->SetDescription(const_cast<LPOLESTR>(u"from the thread"));
    ComPtr<IErrorInfo> info = QueryAs<IErrorInfo>(create.get());

    SetErrorInfo(0, info.get());
    try {
        ComIssueErrorEx(E_FAIL, reporter.get(), IID_IUnknown);  // not for this interface
        FAIL();
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), E_FAIL);
        EXPECT_EQ(e.Description().get(), nullptr);
    }
    try {
        ComIssueErrorEx(DISP_E_EXCEPTION, reporter.get(), IID_IDispatch);
        FAIL();
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), DISP_E_EXCEPTION);
        EXPECT_EQ(e.Description().view(), u"from the thread");
    }
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);  // taken by the second throw

    EXPECT_THROW(ComIssueError(E_POINTER), ComError);
}

}  // namespace
