// The ITypeInfo of a described interface answers as its IDispatch does.
#include <gtest/gtest.h>

#include "dispatch_support.h"
#include "platform/errorinfo.h"

namespace {

class TypeInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        UINT count = 0;
        ASSERT_EQ(obj->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
        ASSERT_EQ(obj->GetTypeInfo(0, 0, info.put()), S_OK);
        ASSERT_TRUE(info);
    }

    void InvokeInfo(DISPID id, WORD flags, const std::vector<VARIANT>& args, Outcome& out)
    {
        void* instance = static_cast<ITest*>(obj.get());
        InvokeWith([&](WORD f, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                       UINT* a) { return info->Invoke(instance, id, f, p, r, e, a); },
                   flags, args, out);
    }

    ComPtr<TestObject> obj = MakeCom<TestObject>();
    ComPtr<ITypeInfo> info;
};

TEST_F(TypeInfo, OnlyIndexZero)
{
    ComPtr<ITypeInfo> other;
    EXPECT_EQ(obj->GetTypeInfo(1, 0, other.put()), DISP_E_BADINDEX);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(obj->GetTypeInfoCount(nullptr), E_POINTER);
}

TEST_F(TypeInfo, IdsOfNamesAsIDispatch)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"SCALE"), const_cast<LPOLESTR>(u"halves"),
                        const_cast<LPOLESTR>(u"Factor")};
    MEMBERID fromInfo[3] = {};
    DISPID fromDispatch[3] = {};
    EXPECT_EQ(info->GetIDsOfNames(names, 3, fromInfo), S_OK);
    EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, names, 3, 0, fromDispatch), S_OK);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fromInfo[i], fromDispatch[i]) << i;
    EXPECT_EQ(fromInfo[0], 6);
    EXPECT_EQ(fromInfo[1], 2);
    EXPECT_EQ(fromInfo[2], 0);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Scales")};
    EXPECT_EQ(info->GetIDsOfNames(unknown, 1, fromInfo), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(fromInfo[0], DISPID_UNKNOWN);
}

TEST_F(TypeInfo, NamesOfAMemberAndItsParameters)
{
    BSTR names[6] = {};
    UINT count = 0;
    ASSERT_EQ(info->GetNames(4, names, 6, &count), S_OK);
    const char16_t* expected[] = {u"Combine", u"a", u"text", u"b", u"result"};
    ASSERT_EQ(count, 5u);
    for (UINT i = 0; i < count; ++i) {
        EXPECT_EQ(std::u16string(names[i]), expected[i]);
        SysFreeString(names[i]);
    }

    ASSERT_EQ(info->GetNames(4, names, 2, &count), S_OK);  // cut at the caller's size
    EXPECT_EQ(count, 2u);
    SysFreeString(names[0]);
    SysFreeString(names[1]);

    EXPECT_EQ(info->GetNames(99, names, 6, &count), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(count, 0u);
}

TEST_F(TypeInfo, DocumentationOfInterfaceAndMembers)
{
    struct Case {
        MEMBERID id;
        const char16_t* name;
        const char16_t* doc;
    };
    const Case cases[] = {{MEMBERID_NIL, u"ITest", u"A test interface"}, {1, u"Name", u"The name"},
                          {DISPID_VALUE, u"Value", u"The value"}};
    for (const Case& c : cases) {
        BStr name, doc, file;
        DWORD context = 99;
        ASSERT_EQ(info->GetDocumentation(c.id, name.put(), doc.put(), &context, file.put()), S_OK);
        EXPECT_EQ(name.view(), c.name);
        EXPECT_EQ(doc.view(), c.doc);
        EXPECT_EQ(context, 0u);
        EXPECT_EQ(file.get(), nullptr);
    }
    BStr onlyName;
    EXPECT_EQ(info->GetDocumentation(2, onlyName.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(onlyName.view(), u"Count");
    EXPECT_EQ(info->GetDocumentation(77, onlyName.put(), nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeInfo, InvokeOnTheInstance)
{
    Outcome put;
    InvokeInfo(1, DISPATCH_PROPERTYPUT, {Variant::Text(u"via info")}, put);
    EXPECT_EQ(put.hr, S_OK);
    EXPECT_EQ(obj->name, u"via info");

    Outcome get;
    InvokeInfo(1, DISPATCH_PROPERTYGET, {}, get);
    EXPECT_EQ(get.hr, S_OK);
    EXPECT_EQ(Text(get.result), u"via info");

    Outcome fail;
    InvokeInfo(5, DISPATCH_METHOD, {Variant::Long(E_FAIL), Variant::Bool(true)}, fail);
    EXPECT_EQ(fail.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(fail.Description(), u"Widget jammed");

    Outcome wrong;
    InvokeInfo(4, DISPATCH_METHOD, {Variant::Long(1)}, wrong);
    EXPECT_EQ(wrong.hr, DISP_E_BADPARAMCOUNT);

    Variant none;
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    EXPECT_EQ(info->Invoke(nullptr, 1, DISPATCH_PROPERTYGET, &params, none.put(), nullptr, nullptr), E_INVALIDARG);
}

TEST_F(TypeInfo, BinaryTypeRecordsAreNotOffered)
{
    TYPEATTR* attr = nullptr;
    FUNCDESC* func = nullptr;
    ITypeLib* lib = nullptr;
    UINT index = 0;
    EXPECT_EQ(info->GetTypeAttr(&attr), E_NOTIMPL);
    EXPECT_EQ(info->GetFuncDesc(0, &func), E_NOTIMPL);
    EXPECT_EQ(info->GetContainingTypeLib(&lib, &index), E_NOTIMPL);
    ComPtr<IUnknown> created;
    EXPECT_EQ(info->CreateInstance(nullptr, IID_IUnknown, created.put_void()), E_NOTIMPL);
}

}  // namespace
