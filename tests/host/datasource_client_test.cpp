// The host's connection properties and typed wrappers, over the object
// model's own classes standing for a plug-in.
#include <gtest/gtest.h>

#include "common/KxError.h"
#include "common/plugin.h"
#include "common/value.h"
#include "host/datasource/client.h"
#include "platform/errorinfo.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"

namespace {

constexpr CLSID kValueClsid{0x7e57aa01, 0x1d5c, 0x4e00, {0x80, 0, 0, 0, 0, 0, 9, 1}};

const bvd::DataSourcePlugin kPlugin{u"bvdhosttest", {{}, {}, {}, {}, {}, {}, {}, {}, {}, kValueClsid}, nullptr,
                                    false, false, false};


TEST(ConnectionProperties, ItemsOfAnyTypeByPositionAndName)
{
    // Any object stands for the Lodex document: here an empty collection.
    ComPtr<IProperties> empty;
    ASSERT_EQ(bvdhost::CreateConnectionProperties({}, empty.put()), S_OK);
    ComPtr<IUnknown> document(static_cast<IUnknown*>(empty.get()));
    const bvdhost::ConnectionProperty items[] = {
        bvdhost::TextProperty(u"Location", u"/data/survey.xml"),
        bvdhost::LongProperty(u"QX Input Locale", 1031),
        bvdhost::UnknownProperty(u"QX Lodex Document", document.get()),
    };
    ComPtr<IProperties> properties;
    ASSERT_EQ(bvdhost::CreateConnectionProperties(items, properties.put()), S_OK);
    LONG count = 0;
    ASSERT_EQ(properties->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);

    struct Case {
        Variant index;
        HRESULT hr;
        const char* name;
        LONG type;
    } cases[] = {
        {Variant::Long(0), S_OK, "Location", cdString},
        {Variant::Long(-1), DISP_E_BADINDEX, "", 0},
        {Variant::Long(3), DISP_E_BADINDEX, "", 0},
        {Variant(), E_INVALIDARG, "", 0},
    };
    Variant byName;
    byName.vt = VT_BSTR;
    byName.bstrVal = SysAllocString(u"qx lodex document");
    for (auto& c : cases) {
        ComPtr<IProperty> property;
        EXPECT_EQ(properties->get_Item(c.index, property.put()), c.hr) << c.name;
        if (!property) continue;
        BStr name;
        property->get_Name(name.put());
        EXPECT_EQ(name.ToUtf8(), c.name);
        LONG type = -1;
        property->get_Type(&type);
        EXPECT_EQ(type, c.type);
    }
    ComPtr<IProperty> lodex;
    ASSERT_EQ(properties->get_Item(byName, lodex.put()), S_OK);
    Variant value;
    ASSERT_EQ(lodex->get_Value(&value), S_OK);
    ASSERT_EQ(value.vt, VT_UNKNOWN);
    EXPECT_EQ(value.punkVal, document.get());

    const bvdhost::ConnectionProperty twice[] = {bvdhost::LongProperty(u"A", 1), bvdhost::LongProperty(u"a", 2)};
    ComPtr<IProperties> refused;
    EXPECT_EQ(bvdhost::CreateConnectionProperties(twice, refused.put()), E_INVALIDARG);
}

TEST(DataSourceClient, FailuresCarryDescriptionSourceAndResult)
{
    TempRegistry registry;
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"CLSID\\" + Utf8ToUtf16(GuidToString(kValueClsid)) + u"\\ProgID", u"",
                             u"Bvdhosttest.Value.1"),
              ERROR_SUCCESS);
    CCtxObjectPtr<CValue, IValue> made;
    ASSERT_EQ(made.Create(), S_OK);
    bvdhost::Value value{ComPtr<IValue>(made.Interface())};
    value.SetType(mtDouble);
    Variant text;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"1.25");
    value.Set(text);
    EXPECT_EQ(value.Get().dblVal, 1.25);
    EXPECT_TRUE(value.IsDirty());
    Variant bad;
    bad.vt = VT_BSTR;
    bad.bstrVal = SysAllocString(u"abc");
    try {
        value.Set(bad);
        FAIL() << "no error";
    } catch (const bvdhost::DataSourceError& e) {
        EXPECT_EQ(e.Result(), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(e.Description(), "Type mismatch error, converting 'abc' from Text to Double");
        EXPECT_EQ(e.Source(), "Bvdhosttest.Value.1");
        EXPECT_EQ(e.Operation(), "IValue::Value put");
        EXPECT_NE(std::string(e.what()).find("0x80020005"), std::string::npos) << e.what();
    }
    // A failure without error information still names the result.
    SetErrorInfo(0, nullptr);
    try {
        bvdhost::Check(E_NOTIMPL, "IValue::GetChunk");
        FAIL() << "no error";
    } catch (const bvdhost::DataSourceError& e) {
        EXPECT_EQ(e.Result(), E_NOTIMPL);
        EXPECT_TRUE(e.Description().empty());
        EXPECT_STREQ(e.what(), "IValue::GetChunk failed (0x80004001)");
    }
}

}  // namespace

const bvd::DataSourcePlugin& bvd::ThisPlugin() { return kPlugin; }
