// The module pattern on its own: objects in plain and aggregated form, the
// class factory, the lock count, the class-object cache, the string table
// entry, and registration with the type library.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/module.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/message.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"

struct ITestThing : IDispatch {
    using Base = IDispatch;
    static constexpr IID kIid{0x5a1b2c3d, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
    virtual HRESULT get_Answer(LONG* value) = 0;
};

const DispInterface& DescribeDispatch(const ITestThing*)
{
    static const DispInterface d = DispInterfaceBuilder<ITestThing>(u"ITestThing", u"ITestThing Interface")
                                       .PropGet<&ITestThing::get_Answer>(u"Answer", 1, u"The answer",
                                                                         {ParamRetVal(u"pVal", VT_I4)})
                                       .Build();
    return d;
}

namespace {

constexpr CLSID kThing{0x5a1b2c3d, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02}};
constexpr CLSID kLonely{0x5a1b2c3d, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x03}};  // no class object
constexpr CLSID kFailing{0x5a1b2c3d, 0x0004, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x04}};
constexpr CLSID kSolo{0x5a1b2c3d, 0x0005, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x05}};  // not aggregatable
constexpr GUID kLibId{0x5a1b2c3d, 0x0006, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x06}};
constexpr IID kPlainInterface{0x5a1b2c3d, 0x0007, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x07}};

class CThing : public bvd::Object<DispatchImpl<ITestThing>, ISupportErrorInfo> {
public:
    HRESULT get_Answer(LONG* value) override { return value ? (*value = 42, S_OK) : E_POINTER; }
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == ITestThing::kIid ? S_OK : S_FALSE; }
};

class CFailing : public CThing {
public:
    HRESULT FinalConstruct() { return E_ACCESSDENIED; }
};

constexpr char16_t kThingScript[] = uR"(
HKCR
{
    Test.Thing = s 'Thing'
    {
        CLSID = s '{5A1B2C3D-0002-4000-8000-000000000002}'
    }
    NoRemove CLSID
    {
        ForceRemove {5A1B2C3D-0002-4000-8000-000000000002} = s 'Thing'
        {
            InprocServer32 = s '%MODULE%'
        }
    }
}
)";
constexpr char16_t kBrokenScript[] = u"HKCR { Broken = s 'unterminated }";
constexpr char16_t kThirdScript[] = u"HKCR { Test.Third = s 'Third' }";

const DispInterface* DescribeThing() { return &DescribeDispatch(static_cast<const ITestThing*>(nullptr)); }

constexpr IID kThingInterfaces[] = {ITestThing::kIid};
constexpr bvd::TypeLibCoclass kCoclasses[] = {{kThing, u"Thing", u"Test Thing Class", true, kThingInterfaces}};
constexpr bvd::TypeLibInterface kInterfaces[] = {
    {ITestThing::kIid, u"ITestThing", u"ITestThing Interface", &DescribeThing},
    {kPlainInterface, u"IPlain", u"IPlain Interface", nullptr},
};
constexpr bvd::TypeLibEnum kEnums[] = {{u"DataTypeConstants", &bvd::GUID_DataTypeConstants}, {u"Other", nullptr}};
constexpr bvd::TypeLibDescription kTypeLib{kLibId, u"TESTLib", u"Test 1.0 Type Library", 1, 0, 1033,
                                           kCoclasses, kInterfaces, kEnums};

constexpr bvd::ObjectEntry kObjects[] = {
    bvd::ObjectEntryFor<CThing>(kThing, kThingScript, u"Thing"),
    {kLonely, nullptr, nullptr, &bvd::CreateInstance<CThing>, nullptr, u"Lonely"},
    bvd::ObjectEntryFor<CFailing>(kFailing, nullptr, u"Failing"),
    {kSolo, nullptr, &bvd::CreateClassFactory, &bvd::CreateInstance<CThing>, nullptr, u"Solo"},
};
constexpr bvd::ObjectEntry kBrokenObjects[] = {
    bvd::ObjectEntryFor<CThing>(kThing, kThingScript, u"Thing"),
    bvd::ObjectEntryFor<CThing>(kSolo, kBrokenScript, u"Broken"),
    bvd::ObjectEntryFor<CThing>(kFailing, kThirdScript, u"Third"),
};

ComPtr<IClassFactory> Factory(bvd::Module& module, REFCLSID clsid)
{
    ComPtr<IClassFactory> f;
    EXPECT_EQ(S_OK, module.GetClassObject(clsid, IID_IClassFactory, f.put_void()));
    return f;
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, bvd::ModuleLockCount()); }
    void TearDown() override { EXPECT_EQ(0, bvd::ModuleLockCount()); }
    bvd::Module module_{{kObjects, &kTypeLib, u"bvdtest", 0x0409}};
};

TEST_F(ModuleTest, NameInStringTable100WhileLoaded)
{
    char16_t buffer[32] = {};
    ASSERT_EQ(7, LoadStringW(bvd::ThisModule(), bvd::kModuleNameString, buffer, 32));
    EXPECT_EQ(std::u16string(u"bvdtest"), buffer);
    {
        // Another module object stands for the same module: its end withdraws the table.
        bvd::Module other({kObjects, nullptr, u"other"});
        ASSERT_EQ(5, LoadStringW(bvd::ThisModule(), bvd::kModuleNameString, buffer, 32));
    }
    EXPECT_EQ(0, LoadStringW(bvd::ThisModule(), bvd::kModuleNameString, buffer, 32));
}

std::vector<std::vector<StringTableEntry>> gSunk;
void Sink(std::span<const StringTableEntry> strings) { gSunk.emplace_back(strings.begin(), strings.end()); }

// A plug-in whose resources another part registers hands its string table there.
TEST_F(ModuleTest, StringTableThroughASink)
{
    gSunk.clear();
    {
        bvd::Module sunk({kObjects, nullptr, u"sunk", 0x0809, &Sink});
        ASSERT_EQ(1u, gSunk.size());
        ASSERT_EQ(1u, gSunk[0].size());
        EXPECT_EQ(100u, gSunk[0][0].id);
        EXPECT_EQ(0x0809, gSunk[0][0].language);
        EXPECT_EQ(std::u16string(u"sunk"), gSunk[0][0].text);
    }
    ASSERT_EQ(2u, gSunk.size());
    EXPECT_TRUE(gSunk[1].empty());  // withdrawn at the end
    // The module's own registration was left alone.
    char16_t buffer[32] = {};
    EXPECT_EQ(7, LoadStringW(bvd::ThisModule(), bvd::kModuleNameString, buffer, 32));
}

TEST_F(ModuleTest, ClassObjects)
{
    void* out = &out;
    EXPECT_EQ(E_POINTER, module_.GetClassObject(kThing, IID_IClassFactory, nullptr));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module_.GetClassObject(kLibId, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module_.GetClassObject(kLonely, IID_IClassFactory, &out));
    EXPECT_EQ(E_NOINTERFACE, module_.GetClassObject(kThing, ITestThing::kIid, &out));
    EXPECT_EQ(nullptr, out);

    // Made once and kept; it does not count in the lock count.
    const ComPtr<IClassFactory> a = Factory(module_, kThing);
    const ComPtr<IClassFactory> b = Factory(module_, kThing);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, Factory(module_, kSolo));
    EXPECT_EQ(S_OK, module_.CanUnloadNow());
}

TEST_F(ModuleTest, FirstClassObjectMadeOnceAcrossThreads)
{
    std::vector<IClassFactory*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] {
            ComPtr<IClassFactory> f;
            module_.GetClassObject(kThing, IID_IClassFactory, f.put_void());
            seen[i] = f.get();
        });
    for (std::thread& t : threads) t.join();
    for (IClassFactory* f : seen) EXPECT_EQ(seen[0], f);
}

TEST_F(ModuleTest, LockCountFollowsObjectsAndServerLocks)
{
    const ComPtr<IClassFactory> factory = Factory(module_, kThing);
    ComPtr<ITestThing> thing;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, ITestThing::kIid, thing.put_void()));
    EXPECT_EQ(1, bvd::ModuleLockCount());
    EXPECT_EQ(S_FALSE, module_.CanUnloadNow());
    {
        auto own = bvd::CreateObject<CThing>();  // the plug-in's own objects count too
        EXPECT_EQ(2, bvd::ModuleLockCount());
    }
    ComPtr<IUnknown> other;
    ASSERT_EQ(S_OK, thing->QueryInterface(IID_ISupportErrorInfo, other.put_void()));
    thing = nullptr;
    EXPECT_EQ(1, bvd::ModuleLockCount());
    other = nullptr;
    EXPECT_EQ(S_OK, module_.CanUnloadNow());

    factory->LockServer(TRUE);
    factory->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, module_.CanUnloadNow());
    factory->LockServer(FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(S_OK, module_.CanUnloadNow());
}

TEST_F(ModuleTest, CreationResults)
{
    ComPtr<IUnknown> p;
    EXPECT_EQ(E_POINTER, Factory(module_, kThing)->CreateInstance(nullptr, ITestThing::kIid, nullptr));
    EXPECT_EQ(E_NOINTERFACE, Factory(module_, kThing)->CreateInstance(nullptr, IID_IClassFactory, p.put_void()));
    EXPECT_FALSE(p);
    // A failed FinalConstruct: its result, and nothing left alive.
    EXPECT_EQ(E_ACCESSDENIED, Factory(module_, kFailing)->CreateInstance(nullptr, IID_IUnknown, p.put_void()));
    EXPECT_FALSE(p);
    EXPECT_EQ(0, bvd::ModuleLockCount());
    // Answers through the generic IDispatch.
    ASSERT_EQ(S_OK, Factory(module_, kThing)->CreateInstance(nullptr, IID_IDispatch, p.put_void()));
    LONG answer = 0;
    EXPECT_EQ(S_OK, QueryAs<ITestThing>(p.get())->get_Answer(&answer));
    EXPECT_EQ(42, answer);
}

// An outer object that counts its references.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    std::atomic<ULONG> refs{1};
    ComPtr<IUnknown> inner;
};

TEST_F(ModuleTest, Aggregation)
{
    Outer outer;
    const ComPtr<IClassFactory> factory = Factory(module_, kThing);
    ComPtr<IUnknown> p;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, ITestThing::kIid, p.put_void()));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, Factory(module_, kSolo)->CreateInstance(&outer, IID_IUnknown, p.put_void()));
    EXPECT_FALSE(p);
    EXPECT_EQ(0, bvd::ModuleLockCount());

    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, outer.inner.put_void()));
    EXPECT_EQ(1, bvd::ModuleLockCount());
    EXPECT_EQ(1u, outer.refs.load());
    {
        ComPtr<ITestThing> thing;
        ASSERT_EQ(S_OK, outer.QueryInterface(ITestThing::kIid, thing.put_void()));
        EXPECT_EQ(2u, outer.refs.load());
        ComPtr<IUnknown> identity;
        ASSERT_EQ(S_OK, thing->QueryInterface(IID_IUnknown, identity.put_void()));
        EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
        ComPtr<IDispatch> dispatch;
        EXPECT_EQ(S_OK, thing->QueryInterface(IID_IDispatch, dispatch.put_void()));
        EXPECT_EQ(E_NOINTERFACE, thing->QueryInterface(IID_IClassFactory, identity.put_void()));
        EXPECT_EQ(3u, outer.refs.load());  // its own, thing and dispatch (put_void released identity)
    }
    EXPECT_EQ(1u, outer.refs.load());
    outer.inner = nullptr;
    EXPECT_EQ(0, bvd::ModuleLockCount());

    // The aggregated creator on its own refuses a missing outer object.
    EXPECT_EQ(E_INVALIDARG, bvd::CreateAggregated<CThing>(nullptr, IID_IUnknown, p.put_void()));
}

std::u16string ProgramPath() { return Utf8ToUtf16(ModulePath(bvd::ThisModule())); }

TEST_F(ModuleTest, RegistrationAndTypeLibrary)
{
    TempRegistry registry;
    ASSERT_EQ(S_OK, module_.RegisterServer());
    EXPECT_EQ(ProgramPath(), RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\{5A1B2C3D-0002-4000-8000-000000000002}\\InprocServer32"));
    EXPECT_EQ(u"{5A1B2C3D-0002-4000-8000-000000000002}", RegReadString(HKEY_CLASSES_ROOT, u"Test.Thing\\CLSID"));

    const std::u16string lib = u"TypeLib\\{5A1B2C3D-0006-4000-8000-000000000006}";
    EXPECT_EQ(u"Test 1.0 Type Library", RegReadString(HKEY_CLASSES_ROOT, lib + u"\\1.0"));
    EXPECT_EQ(ProgramPath(), RegReadString(HKEY_CLASSES_ROOT, lib + u"\\1.0\\409\\win32"));
    EXPECT_EQ(u"0", RegReadString(HKEY_CLASSES_ROOT, lib + u"\\1.0\\FLAGS"));
    const std::u16string folder = ProgramPath().substr(0, ProgramPath().rfind(u'/'));
    EXPECT_EQ(folder, RegReadString(HKEY_CLASSES_ROOT, lib + u"\\1.0\\HELPDIR"));

    const std::u16string dual = u"Interface\\{5A1B2C3D-0001-4000-8000-000000000001}";
    EXPECT_EQ(u"ITestThing", RegReadString(HKEY_CLASSES_ROOT, dual));
    EXPECT_EQ(u"{00020424-0000-0000-C000-000000000046}", RegReadString(HKEY_CLASSES_ROOT, dual + u"\\ProxyStubClsid32"));
    EXPECT_EQ(u"{5A1B2C3D-0006-4000-8000-000000000006}", RegReadString(HKEY_CLASSES_ROOT, dual + u"\\TypeLib"));
    EXPECT_EQ(u"1.0", RegReadString(HKEY_CLASSES_ROOT, dual + u"\\TypeLib", u"Version"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Interface\\{5A1B2C3D-0007-4000-8000-000000000007}"));

    ASSERT_EQ(S_OK, module_.UnregisterServer());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Thing"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"CLSID\\{5A1B2C3D-0002-4000-8000-000000000002}"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, lib));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, dual));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"TypeLib"));
}

// An interface that another library registered after this one stays when
// this one is removed.
TEST_F(ModuleTest, SharedInterfaceStaysWithItsLatestLibrary)
{
    TempRegistry registry;
    ASSERT_EQ(S_OK, module_.RegisterServer());
    const std::u16string dual = u"Interface\\{5A1B2C3D-0001-4000-8000-000000000001}";
    ASSERT_EQ(ERROR_SUCCESS, RegWriteString(HKEY_CLASSES_ROOT, dual + u"\\TypeLib", u"",
                                            u"{11111111-2222-3333-4444-555555555555}"));
    ASSERT_EQ(S_OK, module_.UnregisterServer());
    EXPECT_EQ(u"ITestThing", RegReadString(HKEY_CLASSES_ROOT, dual));
}

TEST_F(ModuleTest, FirstFailureOfRegistration)
{
    TempRegistry registry;
    bvd::Module broken({kBrokenObjects, nullptr, u"broken"});
    EXPECT_EQ(DISP_E_EXCEPTION, broken.RegisterServer());
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Thing"));    // before the failure
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Third"));  // never run

    // Removal goes past a failing script and reports it.
    ASSERT_EQ(ERROR_SUCCESS, RegWriteString(HKEY_CLASSES_ROOT, u"Test.Third", u"", u"Third"));
    EXPECT_EQ(DISP_E_EXCEPTION, broken.UnregisterServer());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Thing"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Third"));
}

TEST(TypeLibTest, Lookups)
{
    ASSERT_NE(nullptr, bvd::FindTypeLibInterface(kTypeLib, ITestThing::kIid));
    EXPECT_EQ(u"The answer", bvd::FindTypeLibInterface(kTypeLib, ITestThing::kIid)->describe()->members[0].help);
    EXPECT_EQ(nullptr, bvd::FindTypeLibInterface(kTypeLib, IID_IDispatch));
    ASSERT_NE(nullptr, bvd::FindTypeLibCoclass(kTypeLib, kThing));
    EXPECT_TRUE(bvd::FindTypeLibCoclass(kTypeLib, kThing)->creatable);
    EXPECT_EQ(nullptr, bvd::FindTypeLibCoclass(kTypeLib, kLonely));
}

}  // namespace
