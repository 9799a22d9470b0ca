// The bvdmeta plug-in as the host meets it: registration and removal of its
// registry entries, creation through its ProgID, aggregation, unloading, and
// one FillDocument through the loaded module.
#include <dlfcn.h>

#include <atomic>

#include "platform/typeinfo.h"
#include "platform/win32.h"
#include "tests/metadata/lodex_fixture.h"

namespace {

const std::u16string kClsid = Utf8ToUtf16(GuidToString(CLSID_bvdmeta));
const std::u16string kClassKey = u"CLSID\\" + kClsid;
const std::u16string kProviders = u"SOFTWARE\\Norvane\\QX Data Providers";
const std::u16string kReaderKey = kProviders + u"\\Bvdreader";

std::optional<std::u16string> Str(HKEY root, const std::u16string& path, const std::u16string& name = {})
{
    return RegReadString(root, path, name);
}

class PluginTest : public LodexFixture {
protected:
    void SetUp() override
    {
        LodexFixture::SetUp();
        ASSERT_EQ(S_OK, RegisterServerModule(BVD_META_PLUGIN)) << LastModuleLoadError();
    }
    // An entry point of the module, which the platform keeps loaded once it
    // has loaded it.
    template <class Fn>
    static Fn Entry(const char* name)
    {
        void* module = ::dlopen(BVD_META_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
        if (!module) return nullptr;
        auto fn = reinterpret_cast<Fn>(::dlsym(module, name));
        ::dlclose(module);
        return fn;
    }
    static HRESULT CanUnloadNow()
    {
        auto fn = Entry<DllCanUnloadNowFn>("DllCanUnloadNow");
        return fn ? fn() : E_UNEXPECTED;
    }
};

TEST_F(PluginTest, RegistryContent)
{
    const std::u16string path = Utf8ToUtf16(BVD_META_PLUGIN);
    EXPECT_EQ(u"Brevid MDSC Class", Str(HKEY_CLASSES_ROOT, u"Bvdmeta.bvdMetadata.1"));
    EXPECT_EQ(kClsid, Str(HKEY_CLASSES_ROOT, u"Bvdmeta.bvdMetadata.1\\CLSID"));
    EXPECT_EQ(u"Brevid MDSC Class", Str(HKEY_CLASSES_ROOT, u"Bvdmeta.bvdMetadata"));
    EXPECT_EQ(kClsid, Str(HKEY_CLASSES_ROOT, u"Bvdmeta.bvdMetadata\\CLSID"));
    EXPECT_EQ(u"Bvdmeta.bvdMetadata.1", Str(HKEY_CLASSES_ROOT, u"Bvdmeta.bvdMetadata\\CurVer"));

    const std::u16string description = u"Bvdmeta.bvdMetadata\\Description";
    EXPECT_EQ(u"Norvane QX Brevid MDSC", Str(HKEY_CLASSES_ROOT, description));
    EXPECT_EQ(u"Brevid XML File", Str(HKEY_CLASSES_ROOT, description, u"Title"));
    EXPECT_EQ(u"Brevid XML Files|*.xml", Str(HKEY_CLASSES_ROOT, description, u"Filter"));
    EXPECT_EQ(u"XML", Str(HKEY_CLASSES_ROOT, description, u"DefaultExtension"));
    EXPECT_EQ(1u, RegReadDword(HKEY_CLASSES_ROOT, description, u"CanRead"));
    EXPECT_EQ(0u, RegReadDword(HKEY_CLASSES_ROOT, description, u"CanWrite"));
    EXPECT_EQ(0u, RegReadDword(HKEY_CLASSES_ROOT, description, u"SourceType"));
    EXPECT_EQ(u"", Str(HKEY_CLASSES_ROOT, description, u"DocInfoClassName"));  // present and empty

    EXPECT_EQ(u"Brevid MDSC Class", Str(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(u"Bvdmeta.bvdMetadata.1", Str(HKEY_CLASSES_ROOT, kClassKey + u"\\ProgID"));
    EXPECT_EQ(u"Bvdmeta.bvdMetadata", Str(HKEY_CLASSES_ROOT, kClassKey + u"\\VersionIndependentProgID"));
    EXPECT_EQ(path, Str(HKEY_CLASSES_ROOT, kClassKey + u"\\InprocServer32"));
    EXPECT_EQ(u"both", Str(HKEY_CLASSES_ROOT, kClassKey + u"\\InprocServer32", u"ThreadingModel"));
    for (const char16_t* absent : {u"\\Programmable", u"\\TypeLib", u"\\Implemented Categories"})
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey + absent)) << Utf16ToUtf8(absent);

    EXPECT_EQ(u"Bvdmeta.bvdMetadata", Str(HKEY_LOCAL_MACHINE, kReaderKey, u"Metadata"));

    // The type library, and its dual interface.
    const std::u16string lib = u"TypeLib\\" + Utf8ToUtf16(GuidToString(LIBID_BVDMETALib)) + u"\\1.0";
    EXPECT_EQ(u"Brevid MDSC 1.0 Type Library", Str(HKEY_CLASSES_ROOT, lib));
    EXPECT_EQ(path, Str(HKEY_CLASSES_ROOT, lib + u"\\409\\win32"));
    const std::u16string dual = u"Interface\\" + Utf8ToUtf16(GuidToString(IID_Ibvdmeta));
    EXPECT_EQ(u"Ibvdmeta", Str(HKEY_CLASSES_ROOT, dual));
    EXPECT_EQ(Utf8ToUtf16(GuidToString(LIBID_BVDMETALib)), Str(HKEY_CLASSES_ROOT, dual + u"\\TypeLib"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Interface\\" + Utf8ToUtf16(GuidToString(IID_IMetadataProvider))));
}

TEST_F(PluginTest, ProgIds)
{
    LPOLESTR progId = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_bvdmeta, &progId));
    EXPECT_EQ(std::u16string(kBvdmetaVersionedProgId), progId);
    CoTaskMemFree(progId);
    for (const char16_t* name : {kBvdmetaProgId, kBvdmetaVersionedProgId}) {
        CLSID clsid{};
        EXPECT_EQ(S_OK, CLSIDFromProgID(name, &clsid));
        EXPECT_EQ(CLSID_bvdmeta, clsid);
    }
}

// Removal keeps the data-provider keys and what another module wrote under
// the shared "Bvdreader" key, and takes everything of bvdmeta's away.
TEST_F(PluginTest, Unregistration)
{
    ASSERT_EQ(ERROR_SUCCESS, RegWriteString(HKEY_LOCAL_MACHINE, kReaderKey, u"Casedata", u"Bvdreader.Source"));
    ASSERT_EQ(S_OK, UnregisterServerModule(BVD_META_PLUGIN));

    EXPECT_EQ(u"Bvdreader.Source", Str(HKEY_LOCAL_MACHINE, kReaderKey, u"Casedata"));
    EXPECT_FALSE(Str(HKEY_LOCAL_MACHINE, kReaderKey, u"Metadata"));
    for (const char16_t* gone : {u"Bvdmeta.bvdMetadata", u"Bvdmeta.bvdMetadata.1"})
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, gone)) << Utf16ToUtf8(gone);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"CLSID"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"TypeLib\\" + Utf8ToUtf16(GuidToString(LIBID_BVDMETALib))));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Interface\\" + Utf8ToUtf16(GuidToString(IID_Ibvdmeta))));
    CLSID clsid{};
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(kBvdmetaProgId, &clsid));

    // Alone under the key, the value goes and the keys stay all the same.
    ASSERT_EQ(S_OK, RegisterServerModule(BVD_META_PLUGIN));
    {
        RegKey reader;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kReaderKey.c_str(), 0, KEY_ALL_ACCESS, reader.put()));
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(reader.get(), u"Casedata"));
    }
    ASSERT_EQ(S_OK, UnregisterServerModule(BVD_META_PLUGIN));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kReaderKey));
    EXPECT_FALSE(Str(HKEY_LOCAL_MACHINE, kReaderKey, u"Metadata"));
}

TEST_F(PluginTest, CreatedThroughItsProgId)
{
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(kBvdmetaProgId, &clsid));
    ComPtr<IMetadataProvider> provider;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IMetadataProvider, provider.put_void()));
    EXPECT_EQ(S_FALSE, CanUnloadNow());

    // One identity behind every interface.
    const ComPtr<IUnknown> identity = QueryAs<IUnknown>(provider.get());
    for (const IID* iid : {&IID_Ibvdmeta, &IID_IDispatch, &IID_ISupportErrorInfo}) {
        ComPtr<IUnknown> other;
        ASSERT_EQ(S_OK, provider->QueryInterface(*iid, other.put_void()));
        EXPECT_EQ(identity, QueryAs<IUnknown>(other.get()));
    }
    const ComPtr<ISupportErrorInfo> support = QueryAs<ISupportErrorInfo>(provider.get());
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_Ibvdmeta));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IMetadataProvider));

    // The dual interface describes itself through the generic IDispatch.
    const ComPtr<IDispatch> dispatch = QueryAs<IDispatch>(provider.get());
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0x0409, info.put()));
    BStr name, help;
    ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, name.put(), help.put(), nullptr, nullptr));
    EXPECT_EQ("Ibvdmeta", name.ToUtf8());
    EXPECT_EQ("Ibvdmeta Interface", help.ToUtf8());

    // A whole fill through the loaded module.
    const BStr path = BStr::FromUtf8(WriteFile("survey.xml", Definition("<variable type=\"single\"><name>Q</name>"
                                                                       "<values><value code=\"1\">a</value></values>"
                                                                       "</variable>")));
    IUnknown* doc = document_.get();
    ASSERT_EQ(S_OK, provider->FillDocument(path.get(), &doc));
    EXPECT_EQ(doc, static_cast<IUnknown*>(document_.get()));  // the pointer is never written
    EXPECT_EQ((std::vector<std::string>{"dscserial", "Q"}), VariableNames());

    info = nullptr;
    provider = nullptr;
    EXPECT_EQ(S_FALSE, CanUnloadNow());  // the other references are still held
}

// An outer object for the aggregation tests: it owns the inner object and
// hands out the provider's interface as its own.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // lives on the test's stack

    std::atomic<ULONG> refs{1};
    ComPtr<IUnknown> inner;
};

TEST_F(PluginTest, Aggregation)
{
    Outer outer;
    ComPtr<IUnknown> refused;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_bvdmeta, &outer, CLSCTX_INPROC_SERVER, IID_IMetadataProvider, refused.put_void()));
    EXPECT_FALSE(refused);

    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_bvdmeta, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown, outer.inner.put_void()));
    EXPECT_EQ(1u, outer.refs.load());  // the inner object does not hold the outer one

    // The inner IUnknown is its own; the provider's interfaces belong to the
    // outer object and count on it.
    ComPtr<IUnknown> innerSelf;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, innerSelf.put_void()));
    EXPECT_EQ(outer.inner, innerSelf);
    {
        ComPtr<IMetadataProvider> provider;
        ASSERT_EQ(S_OK, outer.QueryInterface(IID_IMetadataProvider, provider.put_void()));
        EXPECT_EQ(2u, outer.refs.load());
        ComPtr<IUnknown> identity;
        ASSERT_EQ(S_OK, provider->QueryInterface(IID_IUnknown, identity.put_void()));
        EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
        EXPECT_EQ(3u, outer.refs.load());
        ComPtr<ISupportErrorInfo> support;
        EXPECT_EQ(S_OK, provider->QueryInterface(IID_ISupportErrorInfo, support.put_void()));
    }
    EXPECT_EQ(1u, outer.refs.load());
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    innerSelf = nullptr;
    outer.inner = nullptr;
    EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST_F(PluginTest, UnloadsOnceObjectsAndLocksAreGone)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_bvdmeta, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()));
    EXPECT_EQ(S_OK, CanUnloadNow());  // the factory does not count

    ComPtr<IMetadataProvider> a, b;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IMetadataProvider, a.put_void()));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IMetadataProvider, b.put_void()));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    a = nullptr;
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    b = nullptr;
    EXPECT_EQ(S_OK, CanUnloadNow());

    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, CanUnloadNow());

    ComPtr<IClassFactory> again;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_bvdmeta, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, again.put_void()));
    EXPECT_EQ(factory, again);  // made once, kept
    const CLSID other{0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    void* none = &again;
    const auto get = Entry<DllGetClassObjectFn>("DllGetClassObject");
    ASSERT_TRUE(get);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get(other, IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, get(CLSID_bvdmeta, IID_IClassFactory, nullptr));
}

// Once nothing of it is alive the platform unloads it, and a later creation
// loads it afresh.
TEST_F(PluginTest, UnloadedAndLoadedAgain)
{
    {
        ComPtr<IMetadataProvider> provider;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_bvdmeta, nullptr, CLSCTX_INPROC_SERVER, IID_IMetadataProvider,
                                         provider.put_void()));
        CoFreeUnusedLibraries();
        EXPECT_EQ(S_FALSE, CanUnloadNow());  // still loaded: the provider lives
    }
    CoFreeUnusedLibraries();
    void* module = ::dlopen(BVD_META_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(nullptr, module);
    if (module) ::dlclose(module);

    ComPtr<IMetadataProvider> again;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_bvdmeta, nullptr, CLSCTX_INPROC_SERVER, IID_IMetadataProvider,
                                     again.put_void()));
    const BStr path = BStr::FromUtf8(WriteFile("survey.xml", Definition("<variable type=\"logical\"><name>L</name>"
                                                                       "</variable>")));
    IUnknown* doc = document_.get();
    EXPECT_EQ(S_OK, again->FillDocument(path.get(), &doc));
}

}  // namespace
