#pragma once
// The Lodex component as the tests meet it: registered from the built module
// into a temporary registry and created through CoCreateInstance.
#include <gtest/gtest.h>

#include "contracts/lodex.h"
#include "contracts/lodex_host.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/comptr.h"
#include "platform/message.h"
#include "platform/variant.h"
#include "tests/platform/temp_registry.h"

// A temporary folder, removed with its content.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bvdhost-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Dir() const { return dir_.string(); }

private:
    std::filesystem::path dir_;
};

// Making and reading the component's objects.
struct LodexHelpers {
    template <class I>
    static ComPtr<I> Make(REFCLSID clsid)
    {
        ComPtr<I> p;
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, uuidof<I>(), p.put_void());
        EXPECT_EQ(S_OK, hr) << HResultName(hr);
        return p;
    }
    static ComPtr<ILodexDocument> Document() { return Make<ILodexDocument>(CLSID_LodexDocument); }
    static ComPtr<ILodexVariable> Var(std::u16string_view name, LONG type = 0)
    {
        auto v = Make<ILodexVariable>(CLSID_LodexVariable);
        EXPECT_EQ(S_OK, v->put_Name(BStr(name).get()));
        EXPECT_EQ(S_OK, v->put_DataType(type));
        return v;
    }
    static ComPtr<ILodexElement> Element(std::u16string_view name, std::u16string_view label = u"")
    {
        auto e = Make<ILodexElement>(CLSID_LodexElement);
        EXPECT_EQ(S_OK, e->put_Name(BStr(name).get()));
        if (!label.empty()) {
            EXPECT_EQ(S_OK, e->put_Label(BStr(label).get()));
        }
        return e;
    }

    static std::string Name(ILodexVariable* v)
    {
        BStr s;
        EXPECT_EQ(S_OK, v->get_Name(s.put()));
        return s.ToUtf8();
    }
    // The values of a variable's categories, in list order.
    static std::vector<LONG> Values(ILodexVariable* v)
    {
        LONG n = 0;
        EXPECT_EQ(S_OK, v->get_CategoryCount(-1, &n));
        std::vector<LONG> out;
        for (LONG i = 0; i < n; ++i) {
            ComPtr<ILodexElement> e;
            EXPECT_EQ(S_OK, v->get_Category(-1, Variant::Long(i), e.put()));
            LONG value = -1;
            EXPECT_EQ(S_OK, e->get_Value(&value));
            out.push_back(value);
        }
        return out;
    }
    static std::vector<std::string> Names(ILodexDocument* d)
    {
        LONG n = 0;
        EXPECT_EQ(S_OK, d->get_VariableCount(&n));
        std::vector<std::string> out;
        for (LONG i = 0; i < n; ++i) {
            ComPtr<ILodexVariable> v;
            EXPECT_EQ(S_OK, d->get_Variable(Variant::Long(i), v.put()));
            out.push_back(Name(v.get()));
        }
        return out;
    }
    static std::string Json(ILodexDocument* d)
    {
        auto j = QueryAs<ILodexDocumentJson>(d);
        EXPECT_TRUE(j);
        BStr text;
        EXPECT_EQ(S_OK, j->ToJson(text.put()));
        return text.ToUtf8();
    }
};

class LodexTest : public testing::Test, public LodexHelpers {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(S_OK, RegisterServerModule(BVD_LODEX_MODULE)) << LastModuleLoadError();
    }
    void TearDown() override
    {
        ComPtr<ILodexFaults> faults;  // (a test may have unregistered the component)
        if (SUCCEEDED(CoCreateInstance(CLSID_LodexElement, nullptr, CLSCTX_INPROC_SERVER, uuidof<ILodexFaults>(),
                                       faults.put_void())))
            faults->ClearFaults();
        CoUninitialize();
    }

    TempRegistry registry_;
};
