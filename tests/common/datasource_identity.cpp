// The test plug-in identity and the host-side helpers.
#include <initializer_list>

#include "common/capabilities.h"
#include "platform/registry.h"
#include "tests/common/datasource_support.h"

namespace dstest {
namespace {

constexpr GUID Clsid(BYTE plugin, BYTE n) { return {0x7e570000u + n, 0x1d5c, 0x4e00, {0x80, 0, 0, 0, 0, 0, plugin, n}}; }

constexpr bvd::DataSourceClasses Classes(BYTE plugin)
{
    return {Clsid(plugin, 1), Clsid(plugin, 2), Clsid(plugin, 3), Clsid(plugin, 4), Clsid(plugin, 5),
            Clsid(plugin, 6), Clsid(plugin, 7), Clsid(plugin, 8), Clsid(plugin, 9), Clsid(plugin, 10),
            Clsid(plugin, 11), Clsid(plugin, 12), Clsid(plugin, 13), Clsid(plugin, 14)};
}

const bvd::DataSourcePlugin* gPlugin = &kReaderLike;

}  // namespace

const bvd::DataSourcePlugin kReaderLike{u"bvdtestreader", Classes(1), bvd::kReaderCapabilities.rows, false, true, true};
const bvd::DataSourcePlugin kWriterLike{u"bvdtestwriter", Classes(2), bvd::kWriterCapabilities.rows, true, false, false};

void UsePlugin(const bvd::DataSourcePlugin& plugin) { gPlugin = &plugin; }

void RegisterProgIds()
{
    const auto& c = gPlugin->classes;
    const std::pair<const CLSID*, const char16_t*> names[] = {
        {&c.source, u"Source"},       {&c.table, u"Table"},
        {&c.tables, u"Tables"},       {&c.column, u"Column"},
        {&c.columns, u"Columns"},     {&c.command, u"Command"},
        {&c.commands, u"Commands"},   {&c.dataBinding, u"DataBinding"},
        {&c.dataBindings, u"DataBindings"}, {&c.value, u"Value"},
        {&c.property, u"Property"},   {&c.properties, u"Properties"},
        {&c.valueAttributes, u"ValueAttributes"}, {&c.valueAttribute, u"ValueAttribute"},
    };
    for (const auto& [clsid, name] : names)
        ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"CLSID\\" + Utf8ToUtf16(GuidToString(*clsid)) + u"\\ProgID", u"",
                                 u"Bvdtest." + std::u16string(name) + u".1"),
                  ERROR_SUCCESS);
}

ReportedError TakeError()
{
    ReportedError e;
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_OK);
    if (!info) return e;
    BStr text;
    info->GetDescription(text.put());
    e.description = Text(text.get());
    info->GetSource(text.put());
    e.source = Text(text.get());
    if (auto records = QueryAs<IErrorRecords>(info.get())) {
        ERRORINFO basic{};
        EXPECT_EQ(records->GetBasicErrorInfo(0, &basic), S_OK);
        e.hr = basic.hrError;
        e.clsid = basic.clsid;
        e.iid = basic.iid;
    }
    return e;
}

ComPtr<IProperties> MakeProperties(std::initializer_list<std::pair<const char16_t*, Variant>> items)
{
    CComObjectPtr<CProperties, IProperties> properties;
    EXPECT_EQ(properties.Create(), S_OK);
    for (const auto& [name, value] : items) {
        CComObjectPtr<CProperty, IProperty> property;
        EXPECT_EQ(property.Create(), S_OK);
        PropertyTypeConstants type = cdLong;
        switch (value.vt) {
        case VT_BSTR: type = cdString; break;
        case VT_BOOL: type = cdBoolean; break;
        case VT_UNKNOWN: type = cdIUnknown; break;
        default: break;
        }
        EXPECT_EQ(property->Set(name, type, value, 1), S_OK);
        EXPECT_EQ(properties->AppendItem(property.Interface()), S_OK);
    }
    return ComPtr<IProperties>(properties.Interface());
}

}  // namespace dstest

const bvd::DataSourcePlugin& bvd::ThisPlugin() { return *dstest::gPlugin; }
