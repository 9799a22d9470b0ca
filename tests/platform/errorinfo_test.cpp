// Error objects and the per-thread error slot.
#include <gtest/gtest.h>

#include <thread>

#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/errorinfo.h"

namespace {

ComPtr<IErrorInfo> MakeError(const char16_t* description)
{
    ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(CreateErrorInfo(create.put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(description));
    return QueryAs<IErrorInfo>(create.get());
}

std::u16string DescriptionOf(IErrorInfo* info)
{
    BStr text;
    if (info) info->GetDescription(text.put());
    return std::u16string(text.view());
}

// The calling thread's current error object, taken.
ComPtr<IErrorInfo> Take()
{
    ComPtr<IErrorInfo> info;
    HRESULT hr = GetErrorInfo(0, info.put());
    EXPECT_EQ(hr, info ? S_OK : S_FALSE);
    return info;
}

TEST(ErrorInfo, CarriesWhatWasSet)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
    ComPtr<IErrorInfo> info = QueryAs<IErrorInfo>(create.get());
    ASSERT_TRUE(info);

    // Fresh: nothing set.
    GUID guid{1};
    BStr text = BStr(u"stale");
    DWORD context = 5;
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, GUID_NULL);
    EXPECT_EQ(info->GetDescription(text.put()), S_OK);
    EXPECT_EQ(text.get(), nullptr);
    EXPECT_EQ(info->GetHelpContext(&context), S_OK);
    EXPECT_EQ(context, 0u);

    const GUID iid{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(u"Bvdreader.Source.1"));
    create->SetDescription(const_cast<LPOLESTR>(u"DSC not initialized."));
    create->SetHelpFile(const_cast<LPOLESTR>(u"bvd.hlp"));
    create->SetHelpContext(42);
    BStr source, description, file;
    info->GetGUID(&guid);
    info->GetSource(source.put());
    info->GetDescription(description.put());
    info->GetHelpFile(file.put());
    info->GetHelpContext(&context);
    EXPECT_EQ(guid, iid);
    EXPECT_EQ(source.view(), u"Bvdreader.Source.1");
    EXPECT_EQ(description.view(), u"DSC not initialized.");
    EXPECT_EQ(file.view(), u"bvd.hlp");
    EXPECT_EQ(context, 42u);

    create->SetDescription(nullptr);  // clears
    EXPECT_EQ(DescriptionOf(info.get()), u"");
    EXPECT_EQ(info->GetSource(nullptr), E_POINTER);
    EXPECT_EQ(CreateErrorInfo(nullptr), E_INVALIDARG);
}

TEST(ErrorInfo, GettingTakesTheThreadsObject)
{
    EXPECT_EQ(Take(), nullptr);
    ComPtr<IErrorInfo> error = MakeError(u"first");
    ASSERT_EQ(SetErrorInfo(0, error.get()), S_OK);
    EXPECT_EQ(Take(), error);
    EXPECT_EQ(Take(), nullptr);  // cleared by the first read

    SetErrorInfo(0, MakeError(u"old").get());
    SetErrorInfo(0, error.get());  // replaces
    EXPECT_EQ(DescriptionOf(Take().get()), u"first");

    SetErrorInfo(0, error.get());
    SetErrorInfo(0, nullptr);  // clears
    EXPECT_EQ(Take(), nullptr);

    ComPtr<IErrorInfo> none;
    EXPECT_EQ(SetErrorInfo(1, error.get()), E_INVALIDARG);
    EXPECT_EQ(GetErrorInfo(1, none.put()), E_INVALIDARG);
    EXPECT_EQ(GetErrorInfo(0, nullptr), E_INVALIDARG);
}

TEST(ErrorInfo, EachThreadHasItsOwn)
{
    SetErrorInfo(0, MakeError(u"main").get());
    std::u16string seenBefore = u"unset", seenAfter;
    std::thread other([&] {
        seenBefore = DescriptionOf(Take().get());
        SetErrorInfo(0, MakeError(u"worker").get());
        seenAfter = DescriptionOf(Take().get());
        SetErrorInfo(0, MakeError(u"left behind").get());  // released when the thread ends
    });
    other.join();
    EXPECT_EQ(seenBefore, u"");
    EXPECT_EQ(seenAfter, u"worker");
    EXPECT_EQ(DescriptionOf(Take().get()), u"main");

    // A thread that ends with an object still set releases it.
    ComPtr<IErrorInfo> kept = MakeError(u"kept");
    std::thread([&] { SetErrorInfo(0, kept.get()); }).join();
    kept->AddRef();
    EXPECT_EQ(kept->Release(), 1u);
}

}  // namespace
