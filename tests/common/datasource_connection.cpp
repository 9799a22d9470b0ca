// Reading the connection properties: which property types and VARIANT types a
// source takes, what a failing host collection means, and the message
// language that "QX Output Locale" sets for the errors the source reports.
#include <vector>

#include "common/source.h"
#include "platform/comobject.h"
#include "tests/common/datasource_support.h"
#include "tests/platform/temp_registry.h"

namespace {

using dstest::Name;

// IDispatch members a host-side fake does not need.
template <class I>
class NoDispatch : public I {
public:
    HRESULT GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};

// One property of the host's collection. `item` fails the collection's Item
// for it, `read` fails its Value get.
struct HostItem {
    const char16_t* name;
    LONG type;
    Variant value;
    HRESULT item = S_OK;
    HRESULT read = S_OK;
};

class HostProperty : public ComObject<NoDispatch<IProperty>> {
public:
    explicit HostProperty(const HostItem& item) : item_(item) {}
    HRESULT get_Name(BSTR* pVal) override { return (*pVal = SysAllocString(item_.name)) ? S_OK : E_OUTOFMEMORY; }
    HRESULT get_Type(LONG* pVal) override { return *pVal = item_.type, S_OK; }
    HRESULT get_Value(VARIANT* pVal) override
    {
        if (FAILED(item_.read)) return item_.read;
        VariantInit(pVal);
        return VariantCopy(pVal, &item_.value);
    }
    HRESULT put_Value(VARIANT) override { return E_ACCESSDENIED; }
    HRESULT get_Attributes(LONG* pVal) override { return *pVal = 1, S_OK; }

private:
    HostItem item_;
};

// The host's collection: Item by name (without regard to case), as a host
// offers it; a name it does not hold is DISP_E_BADINDEX.
class HostProperties : public ComObject<NoDispatch<IProperties>> {
public:
    explicit HostProperties(std::vector<HostItem> items) : items_(std::move(items)) {}
    HRESULT get_Item(VARIANT index, IProperty** pVal) override
    {
        *pVal = nullptr;
        if (index.vt != VT_BSTR) return E_INVALIDARG;
        for (const HostItem& item : items_) {
            if (IsLessBstrNoCase(item.name, index.bstrVal) || IsLessBstrNoCase(index.bstrVal, item.name)) continue;
            if (FAILED(item.item)) return item.item;
            *pVal = MakeCom<HostProperty>(item).Detach();
            return S_OK;
        }
        return DISP_E_BADINDEX;
    }
    HRESULT get_Count(LONG* pVal) override { return *pVal = static_cast<LONG>(items_.size()), S_OK; }
    HRESULT get__NewEnum(IUnknown** pVal) override { return *pVal = nullptr, E_NOTIMPL; }

private:
    std::vector<HostItem> items_;
};

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        dstest::UsePlugin(dstest::kReaderLike);
        dstest::RegisterProgIds();
        ASSERT_EQ(document.Create(), S_OK);
    }
    void TearDown() override
    {
        SetErrorInfo(0, nullptr);
        dstest::UsePlugin(dstest::kReaderLike);
    }

    static CComObjectPtr<CSource, ISource> NewSource()
    {
        CComObjectPtr<CSource, ISource> source;
        EXPECT_EQ(source.Create(), S_OK);
        return source;
    }

    Variant Document(VARTYPE vt)
    {
        Variant v;
        v.vt = vt;
        v.pdispVal = document.Interface();  // IValue is an IDispatch: fits VT_UNKNOWN and VT_DISPATCH alike
        v.pdispVal->AddRef();
        return v;
    }

    static HostItem Location() { return {u"Location", cdString, Name(u"survey.xml")}; }

    TempRegistry registry;
    CComObjectPtr<CValue, IValue> document;  // any object stands for the Lodex document
};

TEST_F(ConnectionTest, PropertyTypesAndFailingReads)
{
    struct Case {
        const char* what;
        std::vector<HostItem> items;
        HRESULT hr;
        LCID lcid;
        DWORD langid;
        bool document;
    };
    const Case cases[] = {
        {"document as IUnknown property and VARIANT",
         {Location(), {u"QX Lodex Document", cdIUnknown, Document(VT_UNKNOWN)}}, S_OK, 0, 0, true},
        {"document in a property typed IDispatch",
         {Location(), {u"QX Lodex Document", cdIDispatch, Document(VT_UNKNOWN)}}, S_OK, 0, 0, false},
        {"document in a VT_DISPATCH VARIANT",
         {Location(), {u"QX Lodex Document", cdIUnknown, Document(VT_DISPATCH)}}, S_OK, 0, 0, false},
        {"document as a text", {Location(), {u"QX Lodex Document", cdString, Name(u"doc")}}, S_OK, 0, 0, false},
        {"both locales", {Location(), {u"QX Input Locale", cdLong, Variant::Long(1031)},
                          {u"QX Output Locale", cdLong, Variant::Long(1036)}},
         S_OK, 1031, 1036, false},
        {"Item failing: the locale counts as absent",
         {Location(), {u"QX Input Locale", cdLong, Variant::Long(1031), E_OUTOFMEMORY},
          {u"QX Output Locale", cdLong, Variant::Long(1036)}},
         S_OK, 0, 1036, false},
        {"Value failing: the locale counts as absent",
         {Location(), {u"QX Input Locale", cdLong, Variant::Long(1031)},
          {u"QX Output Locale", cdLong, Variant::Long(1036), S_OK, E_ACCESSDENIED}},
         S_OK, 1031, 0, false},
        {"Location whose Value fails is missing", {{u"Location", cdString, Name(u"x.xml"), S_OK, E_FAIL}}, E_FAIL,
         0, 0, false},
        {"Location whose Item fails is missing", {{u"Location", cdString, Name(u"x.xml"), E_UNEXPECTED}}, E_FAIL, 0,
         0, false},
    };
    for (const Case& c : cases) {
        auto source = NewSource();
        auto properties = MakeCom<HostProperties>(c.items);
        EXPECT_EQ(source.Interface()->Initialize(properties.get()), c.hr) << c.what;
        if (FAILED(c.hr)) {
            EXPECT_EQ(dstest::TakeError().description,
                      "Location property missing.  The Location property must be set for the bvdtestreader DSC.")
                << c.what;
        }
        EXPECT_EQ(source->m_Ctx.lcid, c.lcid) << c.what;
        EXPECT_EQ(source->m_Ctx.langid, c.langid) << c.what;
        EXPECT_EQ(source->m_Ctx.document.get() != nullptr, c.document) << c.what;
        if (c.document) {
            EXPECT_EQ(source->m_Ctx.document.get(), static_cast<IUnknown*>(document.Interface())) << c.what;
        }
    }
}

TEST_F(ConnectionTest, CategoryValuesStartAtZeroOnEveryInitialize)
{
    auto source = NewSource();
    auto with = MakeCom<HostProperties>(std::vector<HostItem>{
        Location(), {u"QX Category Values", cdLong, Variant::Long(1)}});
    auto without = MakeCom<HostProperties>(std::vector<HostItem>{Location()});
    ASSERT_EQ(source.Interface()->Initialize(with.get()), S_OK);
    EXPECT_EQ(source->m_Ctx.categoryValues, 1);
    ASSERT_EQ(source.Interface()->Initialize(without.get()), S_OK);
    EXPECT_EQ(source->m_Ctx.categoryValues, 0) << "reset before reading";

    // Only the reader reads the setting.
    dstest::UsePlugin(dstest::kWriterLike);
    auto writer = NewSource();
    ASSERT_EQ(writer.Interface()->Initialize(with.get()), S_OK);
    EXPECT_EQ(writer->m_Ctx.categoryValues, 0);
}

// "QX Output Locale" is the language of the errors the source reports; the
// message table has English only, which every language falls back to.
TEST_F(ConnectionTest, OutputLocaleIsTheMessageLanguage)
{
    dstest::UsePlugin(dstest::kWriterLike);
    dstest::RegisterProgIds();
    auto source = NewSource();
    auto german = MakeCom<HostProperties>(std::vector<HostItem>{{u"QX Output Locale", cdLong, Variant::Long(1031)}});
    EXPECT_EQ(source.Interface()->Initialize(german.get()), E_FAIL);
    EXPECT_EQ(source->m_Ctx.langid, 1031u);
    const dstest::ReportedError missing = dstest::TakeError();
    EXPECT_EQ(missing.description,
              "Location property missing.  The Location property must be set for the bvdtestwriter DSC.");
    EXPECT_EQ(missing.source, "Bvdtest.Source.1");
    EXPECT_EQ(missing.hr, E_FAIL);

    ComPtr<ITables> tables;
    EXPECT_EQ(source.Interface()->get_Tables(tables.put()), E_FAIL) << "the writer stays uninitialized";
    EXPECT_EQ(dstest::TakeError().description,
              "DSC not initialized.  Unable to complete operation on unintialized connection.");
}

TEST_F(ConnectionTest, NotifyPropertyChangeUpdatesTheContext)
{
    auto source = NewSource();
    const HostItem changes[] = {
        {u"QX Output Locale", cdLong, Variant::Long(1036)},
        {u"qx lodex document", cdIUnknown, Document(VT_UNKNOWN)},
        {u"QX Category Values", cdLong, Variant::Long(1)},  // not one of the three: ignored
        {u"Location", cdString, Name(u"other.xml")},       // likewise
    };
    for (const HostItem& change : changes) {
        auto property = MakeCom<HostProperty>(change);
        EXPECT_EQ(source.Interface()->NotifyPropertyChange(property.get()), S_OK) << Utf16ToUtf8(change.name);
    }
    EXPECT_EQ(source->m_Ctx.langid, 1036u);
    EXPECT_EQ(source->m_Ctx.document.get(), static_cast<IUnknown*>(document.Interface()));
    EXPECT_EQ(source->m_Ctx.categoryValues, 0);
    EXPECT_FALSE(source->IsInitialized());
    EXPECT_EQ(source.Interface()->NotifyPropertyChange(nullptr), E_POINTER);

    // A property whose value cannot be read: its failure, nothing changes.
    auto unreadable = MakeCom<HostProperty>(HostItem{u"QX Output Locale", cdLong, Variant::Long(1031), S_OK, E_FAIL});
    EXPECT_EQ(source.Interface()->NotifyPropertyChange(unreadable.get()), E_FAIL);
    EXPECT_EQ(source->m_Ctx.langid, 1036u);
}

}  // namespace
