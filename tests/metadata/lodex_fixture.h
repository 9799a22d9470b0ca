#pragma once
// The metadata suites' fixture: a temporary registry with the test Lodex
// component registered, a document of it, a folder for definition files, and
// readers of what the provider put into the document.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "metadata/provider.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/registry.h"
#include "tests/metadata/server/testlodex.h"
#include "tests/platform/temp_registry.h"

struct CategoryInfo {
    std::string name;
    std::string label;
    LONG type;
    LONG flag;
    friend bool operator==(const CategoryInfo&, const CategoryInfo&) = default;
};

struct VariableInfo {
    std::string name;
    std::string label;
    LONG dataType = 0;
    std::string lower;  // "I4:1", "R8:0.500000", "VT:0" (never set)
    std::string upper;
    std::vector<CategoryInfo> categories;
};

inline std::string BoundText(const VARIANT& v)
{
    if (v.vt == VT_I4) return "I4:" + std::to_string(v.lVal);
    if (v.vt == VT_R8) return "R8:" + std::to_string(v.dblVal);
    return "VT:" + std::to_string(v.vt);
}

inline std::string Utf8(BSTR b) { return b ? Utf16ToUtf8(std::u16string_view(b, SysStringLen(b))) : std::string(); }

// A definition file around the given variable elements.
inline std::string Definition(const std::string& variables)
{
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<bvd version=\"1.1\">\n<survey>\n<record ident=\"A\">\n" +
           variables + "</record>\n</survey>\n</bvd>\n";
}

class LodexFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, RegisterServerModule(BVD_TEST_LODEX)) << LastModuleLoadError();
        // The document made after the reset is "Document#1" in the log.
        QueryAs<ITestLodexControl>(NewDocument().get())->Reset();
        document_ = NewDocument();
        ASSERT_TRUE(document_);
        control_ = QueryAs<ITestLodexControl>(document_.get());
        ASSERT_TRUE(control_);
    }
    void TearDown() override
    {
        if (control_) control_->Reset();
    }

    static ComPtr<ILodexDocument> NewDocument()
    {
        ComPtr<ILodexDocument> doc;
        CoCreateInstance(CLSID_LodexDocument, nullptr, CLSCTX_INPROC_SERVER, uuidof<ILodexDocument>(),
                         doc.put_void());
        return doc;
    }

    // Takes a class of the component out of the registry: it cannot be
    // created any more.
    static void Unregister(REFCLSID clsid)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"CLSID\\" + Utf8ToUtf16(GuidToString(clsid))).c_str()));
    }

    std::string WriteFile(const std::string& name, const std::string& content)
    {
        const std::string path = registry_.Dir() + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    HRESULT Fill(const std::string& path, ILodexDocument* document = nullptr)
    {
        if (!provider_) provider_ = bvd::CreateObject<bvdmeta::CMetadataProvider>();
        IUnknown* unknown = document ? document : document_.get();
        const BStr p = BStr::FromUtf8(path);
        return provider_->FillDocument(p.get(), &unknown);
    }
    HRESULT FillText(const std::string& xml) { return Fill(WriteFile("survey.xml", xml)); }

    std::string Log() const
    {
        BStr log;
        control_->GetLog(log.put());
        return log.ToUtf8();
    }
    void FailCall(const char16_t* operation, LONG occurrence, HRESULT hr = E_ACCESSDENIED)
    {
        control_->FailCall(operation, occurrence, hr);
    }

    std::vector<VariableInfo> Variables(ILodexDocument* document = nullptr) const
    {
        ILodexDocument* doc = document ? document : document_.get();
        std::vector<VariableInfo> out;
        LONG count = 0;
        doc->get_VariableCount(&count);
        for (LONG i = 0; i < count; ++i) {
            ComPtr<ILodexVariable> v;
            doc->get_Variable(Variant::Long(i), v.put());
            VariableInfo info;
            BStr text;
            v->get_Name(text.put());
            info.name = Utf8(text.get());
            v->get_Label(text.put());
            info.label = Utf8(text.get());
            v->get_DataType(&info.dataType);
            Variant bound;
            v->get_LowerBound(bound.put());
            info.lower = BoundText(bound);
            v->get_UpperBound(bound.put());
            info.upper = BoundText(bound);
            LONG n = 0;
            v->get_CategoryCount(-1, &n);
            for (LONG k = 0; k < n; ++k) {
                ComPtr<ILodexElement> e;
                v->get_Category(-1, Variant::Long(k), e.put());
                CategoryInfo c{};
                e->get_Name(text.put());
                c.name = Utf8(text.get());
                e->get_Label(text.put());
                c.label = Utf8(text.get());
                e->get_Type(&c.type);
                e->get_Flag(&c.flag);
                info.categories.push_back(c);
            }
            out.push_back(std::move(info));
        }
        return out;
    }
    std::vector<std::string> VariableNames() const
    {
        std::vector<std::string> names;
        for (const VariableInfo& v : Variables()) names.push_back(v.name);
        return names;
    }
    LONG DataSourceCount() const
    {
        LONG n = -1;
        document_->get_DataSourceCount(&n);
        return n;
    }

    TempRegistry registry_;
    ComPtr<ILodexDocument> document_;
    ComPtr<ITestLodexControl> control_;
    ComPtr<bvd::Plain<bvdmeta::CMetadataProvider>> provider_;
};
