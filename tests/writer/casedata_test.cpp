// The two case-data plug-ins as registered servers: their registry content,
// ProgIDs, class objects, the Source's properties and errors reported under
// their classes, removal, and what the modules export.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "contracts/datasource.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/comobject.h"
#include "platform/comptr.h"
#include "platform/errorinfo.h"
#include "platform/errorrecords.h"
#include "platform/registry.h"
#include "platform/variant.h"
#include "reader/bvdreader.h"
#include "tests/platform/temp_registry.h"
#include "writer/bvdwriter.h"

namespace {

constexpr std::array<const char16_t*, 14> kNames{
    u"Source",   u"Table",        u"Tables", u"Column",   u"Columns",    u"Command",         u"Commands",
    u"DataBinding", u"DataBindings", u"Value", u"Property", u"Properties", u"ValueAttributes", u"ValueAttribute"};

std::array<CLSID, 14> Ids(const bvd::DataSourceClasses& c)
{
    return {c.source,       c.table, c.tables,   c.column,     c.columns,         c.command,        c.commands,
            c.dataBinding, c.dataBindings, c.value, c.property, c.properties, c.valueAttributes, c.valueAttribute};
}

std::u16string Id(const GUID& guid) { return Utf8ToUtf16(GuidToString(guid)); }
std::string Text(BSTR s) { return Utf16ToUtf8(s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view()); }

const std::u16string kProviders = u"SOFTWARE\\Norvane\\QX Data Providers";

struct Plugin {
    const char* path;
    const char16_t* prefix;
    const bvd::DataSourceClasses& classes;
};
const Plugin kReader{BVD_READER_PLUGIN, u"Bvdreader", bvdreader::kClasses};
const Plugin kWriter{BVD_WRITER_PLUGIN, u"Bvdwriter", bvdwriter::kClasses};

class CaseDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, RegisterServerModule(kReader.path)) << LastModuleLoadError();
        ASSERT_EQ(S_OK, RegisterServerModule(kWriter.path)) << LastModuleLoadError();
    }
    void TearDown() override { SetErrorInfo(0, nullptr); }

    // The category the Source classes registered under.
    static std::u16string Category(const Plugin& p)
    {
        const std::u16string key = u"CLSID\\" + Id(p.classes.source) + u"\\Implemented Categories";
        HKEY raw = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &raw));
        char16_t name[64] = {};
        DWORD length = 64;
        EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExW(raw, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
        RegCloseKey(raw);
        return std::u16string(name, length);
    }

    TempRegistry registry_;
};

TEST_F(CaseDataTest, EveryClassNamesItsVersionedProgId)
{
    for (const Plugin* p : {&kReader, &kWriter}) {
        const auto ids = Ids(p->classes);
        for (std::size_t i = 0; i < ids.size(); ++i) {
            LPOLESTR progId = nullptr;
            ASSERT_EQ(S_OK, ProgIDFromCLSID(ids[i], &progId)) << Utf16ToUtf8(kNames[i]);
            EXPECT_EQ(std::u16string(p->prefix) + u"." + kNames[i] + u".1", std::u16string(progId));
            CoTaskMemFree(progId);
        }
    }
    // The two plug-ins' classes are all different.
    std::set<std::u16string> all;
    for (const auto& id : Ids(kReader.classes)) all.insert(Id(id));
    for (const auto& id : Ids(kWriter.classes)) all.insert(Id(id));
    EXPECT_EQ(28u, all.size());
}

TEST_F(CaseDataTest, ProgIdLeadsToTheClassWithTheServer)
{
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Bvdreader.Source", &clsid));
    EXPECT_EQ(Id(bvdreader::kClasses.source), Id(clsid));
    const auto server = RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\" + Id(clsid) + u"\\InprocServer32", u"");
    ASSERT_TRUE(server);
    EXPECT_TRUE(Utf16ToUtf8(*server).ends_with("libbvdreader.so")) << Utf16ToUtf8(*server);
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Bvdwriter.DataBinding.1", &clsid));
    EXPECT_EQ(Id(bvdwriter::kClasses.dataBinding), Id(clsid));
}

TEST_F(CaseDataTest, ClassKeysCarryDescriptionsServerAndTypeLibrary)
{
    const std::u16string key = u"CLSID\\" + Id(bvdwriter::kClasses.dataBinding);
    const std::u16string description = u"Brevid Write DSC Data Binding Class";
    EXPECT_EQ(description, RegReadString(HKEY_CLASSES_ROOT, key, u""));
    EXPECT_EQ(description, RegReadString(HKEY_CLASSES_ROOT, u"Bvdwriter.DataBinding", u""));
    EXPECT_EQ(description, RegReadString(HKEY_CLASSES_ROOT, u"Bvdwriter.DataBinding.1", u""));
    EXPECT_EQ(u"Bvdwriter.DataBinding.1", RegReadString(HKEY_CLASSES_ROOT, u"Bvdwriter.DataBinding\\CurVer", u""));
    EXPECT_EQ(u"Bvdwriter.DataBinding.1", RegReadString(HKEY_CLASSES_ROOT, key + u"\\ProgID", u""));
    EXPECT_EQ(u"Bvdwriter.DataBinding",
              RegReadString(HKEY_CLASSES_ROOT, key + u"\\VersionIndependentProgID", u""));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, key + u"\\Programmable"));
    EXPECT_EQ(u"Both", RegReadString(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u"ThreadingModel"));
    EXPECT_EQ(Id(bvdwriter::LIBID_BVDWRITERLib), RegReadString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", u""));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, key + u"\\Implemented Categories"));
    EXPECT_EQ(u"Brevid Write DSC 1.0 Type Library",
              RegReadString(HKEY_CLASSES_ROOT, u"TypeLib\\" + Id(bvdwriter::LIBID_BVDWRITERLib) + u"\\1.0", u""));
    EXPECT_EQ(u"Norvane QX Brevid CDSC 1.0 Type Library",
              RegReadString(HKEY_CLASSES_ROOT, u"TypeLib\\" + Id(bvdreader::LIBID_BVDREADERLib) + u"\\1.0", u""));
    EXPECT_EQ(u"Norvane QX Brevid CDSC Data Bindings Class",
              RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\" + Id(bvdreader::kClasses.dataBindings), u""));
}

TEST_F(CaseDataTest, SourceClassesDescribeThemselvesToTheHost)
{
    struct Row {
        const Plugin* plugin;
        const char16_t* description;
        const char16_t* classText;
        std::optional<std::u16string> extension;
        DWORD canRead, canWrite;
        const char16_t* providerText;
    };
    const Row rows[] = {
        {&kReader, u"Norvane QX Brevid CDSC Source", u"Norvane QX Brevid CDSC Source Class", u"XML", 1, 0,
         u"Norvane QX Brevid Data Source Component"},
        {&kWriter, u"Brevid Write DSC Source", u"Brevid Write DSC Source Class", std::nullopt, 0, 1,
         u"Norvane QX Bvdwriter Data Source Component"},
    };
    for (const Row& r : rows) {
        const std::u16string progId = std::u16string(r.plugin->prefix) + u".Source";
        const std::u16string d = progId + u"\\Description";
        EXPECT_EQ(r.classText, RegReadString(HKEY_CLASSES_ROOT, progId, u""));
        EXPECT_EQ(r.description, RegReadString(HKEY_CLASSES_ROOT, d, u""));
        EXPECT_EQ(u"Brevid XML Data", RegReadString(HKEY_CLASSES_ROOT, d, u"Title"));
        EXPECT_EQ(u"Brevid XML Files|*.xml", RegReadString(HKEY_CLASSES_ROOT, d, u"Filter"));
        EXPECT_EQ(r.extension, RegReadString(HKEY_CLASSES_ROOT, d, u"DefaultExtension"));
        EXPECT_EQ(r.canRead, RegReadDword(HKEY_CLASSES_ROOT, d, u"CanRead"));
        EXPECT_EQ(r.canWrite, RegReadDword(HKEY_CLASSES_ROOT, d, u"CanWrite"));
        EXPECT_EQ(DWORD{0}, RegReadDword(HKEY_CLASSES_ROOT, d, u"SourceType"));
        EXPECT_FALSE(RegReadString(HKEY_CLASSES_ROOT, d, u"DocInfoClassName"));

        const std::u16string provider = kProviders + u"\\" + r.plugin->prefix;
        EXPECT_EQ(r.providerText, RegReadString(HKEY_LOCAL_MACHINE, provider, u""));
        EXPECT_EQ(progId, RegReadString(HKEY_LOCAL_MACHINE, provider, u"Casedata"));
    }
    // One category for both, named under Component Categories.
    const std::u16string category = Category(kReader);
    EXPECT_EQ(category, Category(kWriter));
    EXPECT_EQ(u"Norvane QX Components",
              RegReadString(HKEY_CLASSES_ROOT, u"Component Categories\\" + category, u"400"));
}

TEST_F(CaseDataTest, EveryClassHasAClassFactoryEvenWhenNotCreatable)
{
    for (const Plugin* p : {&kReader, &kWriter}) {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, CoGetClassObject(p->classes.command, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                         factory.put_void()));
        ComPtr<ICommand> command;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ICommand, command.put_void()));
        EXPECT_TRUE(command);
        const auto ids = Ids(p->classes);
        for (std::size_t i = 0; i < ids.size(); ++i) {
            ComPtr<IDispatch> object;
            EXPECT_EQ(S_OK, CoCreateInstance(ids[i], nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             object.put_void()))
                << Utf16ToUtf8(kNames[i]);
        }
    }
}

ComPtr<ISource> MakeSource(const Plugin& p)
{
    ComPtr<ISource> source;
    EXPECT_EQ(S_OK, CoCreateInstance(p.classes.source, nullptr, CLSCTX_INPROC_SERVER, IID_ISource,
                                     source.put_void()));
    return source;
}

Variant PropertyValue(IProperties* properties, const char16_t* name)
{
    Variant index;
    index.vt = VT_BSTR;
    index.bstrVal = SysAllocString(name);
    ComPtr<IProperty> property;
    Variant value;
    EXPECT_EQ(S_OK, properties->get_Item(index, property.put())) << Utf16ToUtf8(name);
    if (property) {
        EXPECT_EQ(S_OK, property->get_Value(&value));
    }
    return value;
}

TEST_F(CaseDataTest, SourcesOfferTheirCapabilities)
{
    for (const auto& [plugin, canSelect, ddlTable, name] :
         {std::tuple{&kReader, VARIANT_TRUE, VARIANT_FALSE, "bvdreader"},
          std::tuple{&kWriter, VARIANT_FALSE, VARIANT_TRUE, "bvdwriter"}}) {
        auto source = MakeSource(*plugin);
        ASSERT_TRUE(source);
        BStr sourceName;
        ASSERT_EQ(S_OK, source->get_Name(sourceName.put()));
        EXPECT_EQ(name, Text(sourceName.get()));
        ComPtr<IProperties> properties;
        ASSERT_EQ(S_OK, source->get_Properties(properties.put()));
        LONG count = 0;
        ASSERT_EQ(S_OK, properties->get_Count(&count));
        EXPECT_EQ(24, count);
        Variant v = PropertyValue(properties.get(), u"Can Select");
        ASSERT_EQ(VT_BOOL, v.vt);
        EXPECT_EQ(canSelect, v.boolVal);
        v = PropertyValue(properties.get(), u"DDL Table");
        ASSERT_EQ(VT_BOOL, v.vt);
        EXPECT_EQ(ddlTable, v.boolVal);
        v = PropertyValue(properties.get(), u"Max Commands");
        ASSERT_EQ(VT_I4, v.vt);
        EXPECT_EQ(1, v.lVal);
        v = PropertyValue(properties.get(), u"Version");
        ASSERT_EQ(VT_BSTR, v.vt);
        EXPECT_EQ(BVD_FILE_VERSION_TEXT, Text(v.bstrVal));
    }
}

// The capability set of each plug-in as the host reads it: 24 read-only
// properties in this order, "Version" last.
TEST_F(CaseDataTest, TheTwentyFourCapabilitiesOfEachPlugin)
{
    struct Row {
        const char16_t* name;
        LONG type;
        LONG reader;  // VT_BOOL values as VARIANT_BOOL
        LONG writer;
    };
    constexpr LONG T = VARIANT_TRUE, F = VARIANT_FALSE;
    const Row rows[] = {
        {u"Aggregates", cdBoolean, F, F},
        {u"Can Update", cdBoolean, F, F},
        {u"Can Add", cdBoolean, T, T},
        {u"Can Delete", cdBoolean, F, F},
        {u"Can Select", cdBoolean, T, F},
        {u"DDL Column", cdBoolean, F, F},
        {u"DDL Hierarchical Column", cdBoolean, F, F},
        {u"DDL Hierarchical Table", cdBoolean, F, F},
        {u"DDL Table", cdBoolean, F, T},
        {u"Expressions", cdBoolean, F, F},
        {u"HDATA", cdBoolean, F, F},
        {u"Max Commands", cdLong, 1, 1},
        {u"Max Text Size", cdLong, 0, 0},
        {u"Scroll Backward", cdBoolean, F, F},
        {u"SDATA", cdBoolean, F, F},
        {u"Stream Binary", cdBoolean, F, F},
        {u"Use Where", cdBoolean, F, F},
        {u"Use Group By", cdBoolean, F, F},
        {u"Use Having", cdBoolean, F, F},
        {u"Use Order By", cdBoolean, F, F},
        {u"Use Command Properties", cdBoolean, F, F},
        {u"Use Binding Properties", cdBoolean, F, F},
        {u"VDATA", cdBoolean, T, T},
        {u"Version", cdString, 0, 0},
    };
    for (const Plugin* p : {&kReader, &kWriter}) {
        const std::string which = Utf16ToUtf8(p->prefix);
        auto source = MakeSource(*p);
        ASSERT_TRUE(source);
        ComPtr<IProperties> properties;
        ASSERT_EQ(S_OK, source->get_Properties(properties.put()));
        LONG count = 0;
        ASSERT_EQ(S_OK, properties->get_Count(&count));
        ASSERT_EQ(LONG{std::size(rows)}, count) << which;
        for (LONG i = 0; i < count; ++i) {
            const Row& row = rows[i];
            const std::string what = which + " " + Utf16ToUtf8(row.name);
            ComPtr<IProperty> property;
            ASSERT_EQ(S_OK, properties->get_Item(Variant::Long(i), property.put())) << what;
            BStr name;
            ASSERT_EQ(S_OK, property->get_Name(name.put()));
            EXPECT_EQ(std::u16string(row.name), std::u16string(name.view())) << which << " position " << i;
            LONG type = -1, attributes = -1;
            EXPECT_EQ(S_OK, property->get_Type(&type));
            EXPECT_EQ(row.type, type) << what;
            EXPECT_EQ(S_OK, property->get_Attributes(&attributes));
            EXPECT_EQ(1, attributes) << what;
            Variant value;
            ASSERT_EQ(S_OK, property->get_Value(&value));
            switch (row.type) {
            case cdBoolean:
                ASSERT_EQ(VT_BOOL, value.vt) << what;
                EXPECT_EQ(p == &kReader ? row.reader : row.writer, value.boolVal) << what;
                break;
            case cdLong:
                ASSERT_EQ(VT_I4, value.vt) << what;
                EXPECT_EQ(p == &kReader ? row.reader : row.writer, value.lVal) << what;
                break;
            default:
                ASSERT_EQ(VT_BSTR, value.vt) << what;
                EXPECT_EQ(BVD_FILE_VERSION_TEXT, Text(value.bstrVal)) << what;
            }
            EXPECT_EQ(E_ACCESSDENIED, property->put_Value(Variant::Long(0))) << what;
            // The same property by its name in other case.
            Variant lower;
            lower.vt = VT_BSTR;
            std::u16string folded(row.name);
            for (char16_t& ch : folded)
                if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch - u'A' + u'a');
            lower.bstrVal = SysAllocString(folded.c_str());
            ComPtr<IProperty> byName;
            ASSERT_EQ(S_OK, properties->get_Item(lower, byName.put())) << what;
            EXPECT_EQ(property.get(), byName.get()) << what;
        }
    }
}

// "Version" reads the module's own file, found by the module's full path,
// which may be longer than the 260 characters of the original's buffer.
TEST_F(CaseDataTest, VersionFromAModuleFileWithALongPath)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::path(registry_.Dir());
    for (char part : {'a', 'b', 'c'}) dir /= std::string(100, part);
    fs::create_directories(dir);
    const fs::path copy = dir / "libbvdreader.so";
    fs::copy_file(kReader.path, copy);
    ASSERT_GT(copy.string().size(), 300u);

    ASSERT_EQ(S_OK, RegisterServerModule(copy.string())) << LastModuleLoadError();
    const auto server =
        RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\" + Id(bvdreader::kClasses.source) + u"\\InprocServer32", u"");
    ASSERT_TRUE(server);
    EXPECT_EQ(copy.string(), Utf16ToUtf8(*server)) << "registered with its whole path";
    auto source = MakeSource(kReader);  // now served by the copy
    ASSERT_TRUE(source);
    ComPtr<IProperties> properties;
    ASSERT_EQ(S_OK, source->get_Properties(properties.put()));
    const Variant version = PropertyValue(properties.get(), u"Version");
    ASSERT_EQ(VT_BSTR, version.vt);
    EXPECT_EQ(BVD_FILE_VERSION_TEXT, Text(version.bstrVal));
}

struct Reported {
    std::string description, source;
    HRESULT hr = S_OK;
    CLSID clsid{};
    IID iid{};
};
Reported TakeError()
{
    Reported r;
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(S_OK, GetErrorInfo(0, info.put()));
    if (!info) return r;
    BStr text;
    info->GetDescription(text.put());
    r.description = Text(text.get());
    info->GetSource(text.put());
    r.source = Text(text.get());
    if (auto records = QueryAs<IErrorRecords>(info.get())) {
        ERRORINFO basic{};
        EXPECT_EQ(S_OK, records->GetBasicErrorInfo(0, &basic));
        r.hr = basic.hrError;
        r.clsid = basic.clsid;
        r.iid = basic.iid;
    }
    return r;
}

TEST_F(CaseDataTest, ErrorsAreReportedUnderTheSourceClass)
{
    for (const Plugin* p : {&kReader, &kWriter}) {
        auto source = MakeSource(*p);
        ASSERT_TRUE(source);
        ComPtr<ITables> tables;
        EXPECT_EQ(E_FAIL, source->get_Tables(tables.put()));
        const Reported e = TakeError();
        EXPECT_EQ("DSC not initialized.  Unable to complete operation on unintialized connection.", e.description);
        EXPECT_EQ(Utf16ToUtf8(p->prefix) + ".Source.1", e.source);
        EXPECT_EQ(E_FAIL, e.hr);
        EXPECT_EQ(Id(p->classes.source), Id(e.clsid));
        EXPECT_EQ(Id(IID_ISource), Id(e.iid));
    }
}

// The host's connection properties, reduced to what Initialize reads: a
// "Location" text; every other name is absent.
template <class I>
class NoDispatch : public I {
public:
    HRESULT GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};

class LocationProperty : public ComObject<NoDispatch<IProperty>> {
public:
    HRESULT get_Name(BSTR* pVal) override { *pVal = SysAllocString(u"Location"); return S_OK; }
    HRESULT get_Type(LONG* pVal) override { *pVal = cdString; return S_OK; }
    HRESULT get_Value(VARIANT* pVal) override
    {
        pVal->vt = VT_BSTR;
        pVal->bstrVal = SysAllocString(u"/nonexistent/survey.xml");
        return S_OK;
    }
    HRESULT put_Value(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_Attributes(LONG* pVal) override { *pVal = 1; return S_OK; }
};

class ConnectionProperties : public ComObject<NoDispatch<IProperties>> {
public:
    HRESULT get_Item(VARIANT index, IProperty** pVal) override
    {
        *pVal = nullptr;
        if (index.vt != VT_BSTR || std::u16string_view(index.bstrVal) != u"Location") return E_INVALIDARG;
        *pVal = MakeCom<LocationProperty>().Detach();
        return S_OK;
    }
    HRESULT get_Count(LONG* pVal) override { *pVal = 1; return S_OK; }
    HRESULT get__NewEnum(IUnknown** pVal) override { *pVal = nullptr; return E_NOTIMPL; }
};

// The writer's survey opening is not there yet: Initialize says so rather
// than succeeding, and the writer stays uninitialized.
TEST_F(CaseDataTest, WriterOpeningIsNotThereYet)
{
    auto source = MakeSource(kWriter);
    ASSERT_TRUE(source);
    auto properties = MakeCom<ConnectionProperties>();
    EXPECT_EQ(E_NOTIMPL, source->Initialize(properties.get()));
    EXPECT_EQ("Bvdwriter.Source.1", TakeError().source);
    ComPtr<ITables> tables;
    EXPECT_EQ(E_FAIL, source->get_Tables(tables.put()));
    SetErrorInfo(0, nullptr);
}

TEST_F(CaseDataTest, RemovingTheWriterKeepsSharedKeys)
{
    const std::u16string category = Category(kWriter);
    ASSERT_EQ(S_OK, UnregisterServerModule(kWriter.path));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProviders));
    EXPECT_FALSE(RegReadString(HKEY_LOCAL_MACHINE, kProviders + u"\\Bvdwriter", u"Casedata"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"Component Categories\\" + category));
    for (const auto& id : Ids(kWriter.classes))
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + Id(id))) << Utf16ToUtf8(Id(id));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Bvdwriter.Source"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Bvdwriter.Source.1"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"TypeLib\\" + Id(bvdwriter::LIBID_BVDWRITERLib)));
    // The reader is untouched.
    EXPECT_EQ(u"Bvdreader.Source", RegReadString(HKEY_LOCAL_MACHINE, kProviders + u"\\Bvdreader", u"Casedata"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + Id(bvdreader::kClasses.source)));
}

TEST_F(CaseDataTest, RemovingTheReaderKeepsTheMetadataEntry)
{
    ASSERT_EQ(S_OK, RegisterServerModule(BVD_META_PLUGIN)) << LastModuleLoadError();
    const std::u16string key = kProviders + u"\\Bvdreader";
    ASSERT_EQ(u"Bvdmeta.bvdMetadata", RegReadString(HKEY_LOCAL_MACHINE, key, u"Metadata"));
    ASSERT_EQ(S_OK, UnregisterServerModule(kReader.path));
    EXPECT_FALSE(RegReadString(HKEY_LOCAL_MACHINE, key, u"Casedata"));
    EXPECT_EQ(u"Bvdmeta.bvdMetadata", RegReadString(HKEY_LOCAL_MACHINE, key, u"Metadata"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Bvdreader.Source"));
}

// The defined dynamic symbols of a module, as nm lists them.
std::set<std::string> Exports(const char* path)
{
    std::set<std::string> names;
    const std::string command = std::string("nm -D --defined-only '") + path + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3 && (type[0] == 'T' || type[0] == 'W' ||
                                                                            type[0] == 'D' || type[0] == 'B'))
            names.insert(name);
    }
    return names;
}

TEST(CaseDataExports, OnlyTheFourEntryPointsLeaveTheModules)
{
    const std::set<std::string> expected{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                         "DllUnregisterServer"};
    for (const char* path : {BVD_READER_PLUGIN, BVD_WRITER_PLUGIN}) {
        const auto names = Exports(path);
        if (names.empty()) GTEST_SKIP() << "nm is not available";
        EXPECT_EQ(expected, names) << path;
    }
}

}  // namespace
