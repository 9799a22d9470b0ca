// Class loading: a test server registered, created by ProgID, unloaded once
// free; built-in classes; ProgIDs; the failures as HRESULTs.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/comptr.h"
#include "platform/registrar.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"
#include "tests/plugins/testserver.h"

namespace {

const std::string kServer = BVD_TEST_SERVER;
const std::string kNoEntry = BVD_TEST_NOENTRY;

// Whether the library is in the process now (without loading it).
bool IsLoaded(const std::string& path)
{
    void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h) ::dlclose(h);
    return h != nullptr;
}

std::u16string ClsidKey(REFCLSID clsid) { return u"CLSID\\" + Utf8ToUtf16(GuidToString(clsid)); }

// A class registered by hand with the given library path.
void RegisterClassAt(REFCLSID clsid, const std::string& path)
{
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, ClsidKey(clsid) + u"\\InprocServer32", u"", Utf8ToUtf16(path)),
              ERROR_SUCCESS);
}

ComPtr<ITestWidget> CreateByProgId(const char16_t* progId)
{
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    ComPtr<ITestWidget> w;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, ITestWidget::kIid, w.put_void()), S_OK);
    return w;
}

class ClassLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(IsLoaded(kServer));
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        EXPECT_FALSE(IsLoaded(kServer)) << "a test left the server loaded";
        CoUninitialize();
    }
    TempRegistry reg_;
};

}  // namespace

TEST_F(ClassLoad, RegisterCreateUnloadUnregister)
{
    ASSERT_EQ(RegisterServerModule(kServer), S_OK) << LastModuleLoadError();
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, ClsidKey(CLSID_TestWidget) + u"\\InprocServer32"),
              Utf8ToUtf16(kServer));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane\\QX Data Providers\\BvdTest", u"Casedata"),
              kTestWidgetProgId);
    // Registering loaded the module; with no object alive it goes.
    EXPECT_TRUE(IsLoaded(kServer));
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(kServer));

    // Both ProgIDs lead to the class; the CLSID leads back to the versioned one.
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(kTestWidgetVersionedProgId, &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestWidget);
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_TestWidget, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), kTestWidgetVersionedProgId);
    CoTaskMemFree(progId);

    {
        ComPtr<ITestWidget> w = CreateByProgId(kTestWidgetProgId);
        ASSERT_TRUE(w);
        LONG answer = 0;
        EXPECT_EQ(w->Answer(&answer), S_OK);
        EXPECT_EQ(answer, 42);
        LONG locks = 0;
        EXPECT_EQ(w->LockCount(&locks), S_OK);
        EXPECT_EQ(locks, 1);  // the object (the factory does not count)
        // Only the four entry points leave the module.
        void* h = ::dlopen(kServer.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(h, nullptr);
        for (const char* entry : {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"})
            EXPECT_NE(::dlsym(h, entry), nullptr) << entry;
        EXPECT_EQ(::dlsym(h, "bvd_file_version_record"), nullptr);
        ::dlclose(h);

        // While an object lives, the module stays.
        CoFreeUnusedLibraries();
        EXPECT_TRUE(IsLoaded(kServer));
        ComPtr<ITestWidget> second = CreateByProgId(kTestWidgetVersionedProgId);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->LockCount(&locks), S_OK);
        EXPECT_EQ(locks, 2);  // one module instance serves both
    }
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(kServer));
    // A server lock keeps it too.
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(CoGetClassObject(CLSID_TestWidget, CLSCTX_ALL, nullptr, IID_IClassFactory, factory.put_void()),
                  S_OK);
        EXPECT_EQ(factory->LockServer(TRUE), S_OK);
        factory.Reset();
        CoFreeUnusedLibraries();
        EXPECT_TRUE(IsLoaded(kServer));
        ASSERT_EQ(CoGetClassObject(CLSID_TestWidget, CLSCTX_ALL, nullptr, IID_IClassFactory, factory.put_void()),
                  S_OK);
        EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    }
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(kServer));

    ASSERT_EQ(UnregisterServerModule(kServer), S_OK);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ClsidKey(CLSID_TestWidget)));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kTestWidgetProgId));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane\\QX Data Providers"));
    ComPtr<ITestWidget> w;
    EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_ALL, ITestWidget::kIid, w.put_void()),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_TestWidget, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);
    EXPECT_EQ(CLSIDFromProgID(kTestWidgetProgId, &clsid), CO_E_CLASSSTRING);
}

TEST_F(ClassLoad, FailuresAreHresults)
{
    const CLSID unknown{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
    const CLSID missingLib{0x11111111, 0x2222, 0x3333, {5, 5, 5, 5, 5, 5, 5, 5}};
    const CLSID noEntry{0x11111111, 0x2222, 0x3333, {6, 6, 6, 6, 6, 6, 6, 6}};
    const CLSID notElf{0x11111111, 0x2222, 0x3333, {7, 7, 7, 7, 7, 7, 7, 7}};
    const CLSID emptyPath{0x11111111, 0x2222, 0x3333, {8, 8, 8, 8, 8, 8, 8, 8}};
    const CLSID wrongClass{0x11111111, 0x2222, 0x3333, {9, 9, 9, 9, 9, 9, 9, 9}};
    const std::string textFile = reg_.Dir() + "/not-a-library.so";
    std::ofstream(textFile) << "hello\n";
    RegisterClassAt(missingLib, reg_.Dir() + "/missing.so");
    RegisterClassAt(noEntry, kNoEntry);
    RegisterClassAt(notElf, textFile);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, ClsidKey(emptyPath) + u"\\InprocServer32", u"ThreadingModel", u"Both"),
              ERROR_SUCCESS);
    RegisterClassAt(wrongClass, kServer);  // a module that does not serve this CLSID

    struct {
        const char* what;
        CLSID clsid;
        DWORD context;
        HRESULT want;
    } const cases[] = {
        {"unknown class", unknown, CLSCTX_ALL, REGDB_E_CLASSNOTREG},
        {"missing library", missingLib, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
        {"library without entry points", noEntry, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},
        {"file that is no library", notElf, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
        {"no library path", emptyPath, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
        {"class the library does not serve", wrongClass, CLSCTX_INPROC_SERVER, CLASS_E_CLASSNOTAVAILABLE},
        {"no in-process context", CLSID_Registrar, CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IID_IUnknown, &p), c.want) << c.what;
        EXPECT_EQ(p, nullptr) << c.what;
        p = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoGetClassObject(c.clsid, c.context, nullptr, IID_IClassFactory, &p), c.want) << c.what;
        EXPECT_EQ(p, nullptr) << c.what;
    }
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);

    // The loader's reason is kept; a library without entry points is not kept.
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(missingLib, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CO_E_DLLNOTFOUND);
    EXPECT_NE(LastModuleLoadError().find("missing.so"), std::string::npos) << LastModuleLoadError();
    EXPECT_FALSE(IsLoaded(kNoEntry));
    EXPECT_EQ(RegisterServerModule(kNoEntry), CO_E_ERRORINDLL);
    EXPECT_NE(LastModuleLoadError().find("DllRegisterServer"), std::string::npos) << LastModuleLoadError();
    EXPECT_FALSE(IsLoaded(kNoEntry));
    EXPECT_EQ(UnregisterServerModule(reg_.Dir() + "/missing.so"), CO_E_DLLNOTFOUND);

    // The test server refuses aggregation.
    ASSERT_EQ(RegisterServerModule(kServer), S_OK);
    ComPtr<IUnknown> outer;
    ASSERT_EQ(CreateRegistrarInstance(nullptr, IID_IUnknown, outer.put_void()), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, outer.get(), CLSCTX_ALL, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);

    // An unreadable registry is not an unregistered class.
    std::ofstream(reg_.File()) << "garbage\n";
    EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_ALL, IID_IUnknown, &p), REGDB_E_READREGDB);
}

TEST_F(ClassLoad, BuiltinClassesNeedNoRegistry)
{
    ComPtr<IRegistrar> r;
    ASSERT_EQ(CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar, r.put_void()), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Registrar, CLSCTX_ALL, nullptr, IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<IRegistrar> r2;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IRegistrar, r2.put_void()), S_OK);
    EXPECT_NE(r.get(), r2.get());
    void* p = nullptr;
    EXPECT_EQ(factory->CreateInstance(r.get(), IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_ALL, IClassFactory::kIid, &p), E_NOINTERFACE);
    // Built-in classes have no ProgID.
    LPOLESTR progId = nullptr;
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Registrar, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(std::filesystem::exists(reg_.File()));
}

TEST_F(ClassLoad, ProgIdText)
{
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"{6b0a9f52-3c1d-4e8a-9b21-5d7c0e4f1a36}", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestWidget);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Bad.Clsid\\CLSID", u"", u"not a guid"), ERROR_SUCCESS);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"A\\B\\CLSID", u"", u"{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}"),
              ERROR_SUCCESS);
    for (const char16_t* bad : {u"{6B0A9F52}", u"Bad.Clsid", u"A\\B", u"", u"Nothing.Here"}) {
        clsid = CLSID_Registrar;
        EXPECT_EQ(CLSIDFromProgID(bad, &clsid), CO_E_CLASSSTRING) << Utf16ToUtf8(bad);
        EXPECT_EQ(clsid, CLSID_Registrar) << Utf16ToUtf8(bad);
    }
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_TestWidget, nullptr), E_INVALIDARG);
    // Initialising is harmless and counted per thread.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CoUninitialize();
    }).join();
    void* block = CoTaskMemAlloc(0);
    EXPECT_NE(block, nullptr);
    block = CoTaskMemRealloc(block, 64);
    EXPECT_NE(block, nullptr);
    CoTaskMemFree(block);
    CoTaskMemFree(nullptr);
}

TEST_F(ClassLoad, CreatingWhileUnloadingFromOtherThreads)
{
    ASSERT_EQ(RegisterServerModule(kServer), S_OK);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::thread unloader([&] {
        while (!stop) CoFreeUnusedLibraries();
    });
    std::vector<std::thread> creators;
    for (int t = 0; t < 3; ++t) {
        creators.emplace_back([&] {
            for (int i = 0; i < 150; ++i) {
                ComPtr<ITestWidget> w;
                LONG answer = 0;
                if (CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, ITestWidget::kIid,
                                     w.put_void()) != S_OK ||
                    w->Answer(&answer) != S_OK || answer != 42)
                    ++failures;
            }
        });
    }
    for (std::thread& t : creators) t.join();
    stop = true;
    unloader.join();
    EXPECT_EQ(failures.load(), 0);
}
