// Descriptions are checked against the C++ members when they are built.
#include <gtest/gtest.h>

#include <functional>

#include "dispatch_object.h"

// An interface whose description does not match its C++ member.
struct IBroken : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x6A1C2F11, 0x1B2C, 0x4D3E, {0x8F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}};
    virtual HRESULT get_Size(LONG* out) = 0;
};

const DispInterface& DescribeDispatch(const IBroken*)
{
    static const DispInterface d = DispInterfaceBuilder<IBroken>(u"IBroken")
                                       .PropGet<&IBroken::get_Size>(u"Size", 1, u"", {ParamRetVal(u"p", VT_BSTR)})
                                       .Build();
    return d;
}

namespace {

class Broken : public ComObject<DispatchImpl<IBroken>> {
public:
    HRESULT get_Size(LONG* out) override
    {
        *out = 1;
        return S_OK;
    }
};

using Builder = DispInterfaceBuilder<ITest>;

TEST(DispatchDescription, TheTestInterfaceDescribesItself)
{
    const DispInterface& d = DescribeDispatch(static_cast<const ITest*>(nullptr));
    EXPECT_EQ(d.name, u"ITest");
    EXPECT_EQ(d.iid, ITest::kIid);
    ASSERT_EQ(d.members.size(), 11u);
    EXPECT_EQ(d.members[0].ResultType(), VT_BSTR);
    EXPECT_EQ(d.members[1].ResultType(), VT_EMPTY);
}

TEST(DispatchDescription, FaultsAreNamed)
{
    struct Case {
        const char* fault;  // expected in the message
        std::function<void(Builder&)> describe;
    };
    const Case cases[] = {
        {"describes 0 parameters, the C++ member has 1",
         [](Builder& b) { b.PropGet<&ITest::get_Name>(u"Name", 1, u"", {}); }},
        {"declared VT_I4, which its C++ type cannot hold",
         [](Builder& b) { b.PropGet<&ITest::get_Name>(u"Name", 1, u"", {ParamRetVal(u"p", VT_I4)}); }},
        {"declared VT_BOOL, which its C++ type cannot hold",
         [](Builder& b) { b.PropGet<&ITest::get_Count>(u"Count", 2, u"", {ParamRetVal(u"p", VT_BOOL)}); }},
        {"declared [out] but is not a C++ out-pointer",
         [](Builder& b) { b.PropPut<&ITest::put_Name>(u"Name", 1, u"", {ParamOut(u"v", VT_BSTR)}); }},
        {"a C++ out-pointer but not declared [out]",
         [](Builder& b) { b.PropGet<&ITest::get_Count>(u"Count", 2, u"", {ParamIn(u"p", VT_I4)}); }},
        {"a property get needs a retval parameter",
         [](Builder& b) { b.PropGet<&ITest::get_Count>(u"Count", 2, u"", {ParamOut(u"p", VT_I4)}); }},
        {"optional without a default must be a VARIANT",
         [](Builder& b) {
             b.Method<&ITest::Fail>(u"Fail", 5, u"", {ParamIn(u"code", VT_I4), ParamOptional(u"w", VT_BOOL)});
         }},
        {"required parameter withInfo after an optional one",
         [](Builder& b) {
             b.Method<&ITest::Fail>(u"Fail", 5, u"",
                                    {ParamOptional(u"code", VT_I4, DispDefault::Long(1)), ParamIn(u"withInfo", VT_BOOL)});
         }},
        {"the value of a putref must be an object or a VARIANT",
         [](Builder& b) { b.PropPutRef<&ITest::put_Name>(u"Name", 1, u"", {ParamIn(u"v", VT_BSTR)}); }},
        {"share a dispatch id",
         [](Builder& b) {
             b.PropGet<&ITest::get_Name>(u"Name", 1, u"", {ParamRetVal(u"p", VT_BSTR)})
                 .PropGet<&ITest::get_Count>(u"Count", 1, u"", {ParamRetVal(u"p", VT_I4)});
         }},
        {"one name but two dispatch ids",
         [](Builder& b) {
             b.PropGet<&ITest::get_Name>(u"Name", 1, u"", {ParamRetVal(u"p", VT_BSTR)})
                 .PropPut<&ITest::put_Name>(u"name", 2, u"", {ParamIn(u"v", VT_BSTR)});
         }},
        {"is described twice",
         [](Builder& b) {
             b.PropGet<&ITest::get_Name>(u"Name", 1, u"", {ParamRetVal(u"p", VT_BSTR)})
                 .PropGet<&ITest::get_Name>(u"Name", 1, u"", {ParamRetVal(u"p", VT_BSTR)});
         }},
    };
    for (const Case& c : cases) {
        Builder b(u"ITest");
        c.describe(b);
        try {
            b.Build();
            ADD_FAILURE() << "accepted: " << c.fault;
        } catch (const std::logic_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.fault), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("ITest: ", 0), 0u) << e.what();
        }
    }
}

TEST(DispatchDescription, ABrokenDescriptionFailsEveryCall)
{
    ComPtr<Broken> broken = MakeCom<Broken>();
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant result;
    EXPECT_EQ(broken->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.put(), nullptr, nullptr),
              E_UNEXPECTED);
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"Size")};
    DISPID id = 0;
    EXPECT_EQ(broken->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_UNEXPECTED);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(broken->GetTypeInfo(0, 0, info.put()), E_UNEXPECTED);
    EXPECT_THROW(DescribeDispatch(static_cast<const IBroken*>(nullptr)), std::logic_error);
}

}  // namespace
