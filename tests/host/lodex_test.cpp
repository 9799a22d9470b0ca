// The Lodex component: registration, creation and unloading, and the
// document's rules (order, document-wide category numbers, maximum answers,
// lookups and index errors, threads), and the fault hook.
#include <dlfcn.h>

#include <algorithm>
#include <thread>

#include "platform/guid.h"
#include "platform/registry.h"
#include "tests/host/lodex_support.h"

namespace {

struct ClassCase {
    const CLSID* clsid;
    std::u16string progId;
};
const ClassCase kClasses[] = {{&CLSID_LodexDocument, u"Lodex.Document"},
                              {&CLSID_LodexVariable, u"Lodex.Variable"},
                              {&CLSID_LodexElement, u"Lodex.Element"},
                              {&CLSID_LodexDataSource, u"Lodex.DataSource"}};

TEST_F(LodexTest, RegistersEveryClassFreeThreadedAndCreatesByProgId)
{
    for (const auto& c : kClasses) {
        SCOPED_TRACE(Utf16ToUtf8(c.progId));
        const std::u16string key = u"CLSID\\" + Utf8ToUtf16(GuidToString(*c.clsid));
        EXPECT_EQ(Utf8ToUtf16(BVD_LODEX_MODULE), RegReadString(HKEY_CLASSES_ROOT, key + u"\\InprocServer32"));
        EXPECT_EQ(u"Both", RegReadString(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u"ThreadingModel"));
        for (const std::u16string& name : {c.progId, c.progId + u".1"}) {
            CLSID found{};
            ASSERT_EQ(S_OK, CLSIDFromProgID(name.c_str(), &found));
            EXPECT_EQ(*c.clsid, found);
        }
        LPOLESTR progId = nullptr;
        ASSERT_EQ(S_OK, ProgIDFromCLSID(*c.clsid, &progId));
        EXPECT_EQ(c.progId + u".1", std::u16string(progId));
        CoTaskMemFree(progId);
        ComPtr<IUnknown> object, inner;
        EXPECT_EQ(S_OK, CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()));
        EXPECT_EQ(CLASS_E_NOAGGREGATION,
                  CoCreateInstance(*c.clsid, object.get(), CLSCTX_INPROC_SERVER, IID_IUnknown, inner.put_void()));
    }
    // A document answers its own interface and the host-side ones only.
    auto doc = Document();
    EXPECT_TRUE(QueryAs<ILodexDocumentJson>(doc.get()));
    EXPECT_FALSE(QueryAs<ILodexVariable>(doc.get()));

    ASSERT_EQ(S_OK, UnregisterServerModule(BVD_LODEX_MODULE));
    CLSID found{};
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Lodex.Document", &found));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + Utf8ToUtf16(GuidToString(CLSID_LodexDocument))));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"CLSID"));
}

TEST_F(LodexTest, ModuleCanUnloadOnlyWhenNoObjectOrLockIsLeft)
{
    auto doc = Document();  // loads the module
    void* module = ::dlopen(BVD_LODEX_MODULE, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(nullptr, module);
    const auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(module, "DllCanUnloadNow"));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_FALSE, canUnload());
    auto v = Var(u"kept");
    ASSERT_EQ(S_OK, doc->AddVariable(v.get(), -1));
    doc.Reset();
    EXPECT_EQ(S_FALSE, canUnload());  // the variable is still held
    v.Reset();
    EXPECT_EQ(S_OK, canUnload());

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_LodexVariable, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     factory.put_void()));
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, canUnload());
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, canUnload());
    ::dlclose(module);
}

TEST_F(LodexTest, AddedObjectsKeepTheirOrderAndPositionsInsert)
{
    auto doc = Document();
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"b").get(), -1));
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"d").get(), -1));
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"a").get(), 0));
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"c").get(), 2));
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"e").get(), 4));  // the count: the end
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "e"}), Names(doc.get()));

    auto v = Var(u"q", 3);
    ASSERT_EQ(S_OK, v->AddElement(Element(u"two").get(), -1));
    ASSERT_EQ(S_OK, v->AddElement(Element(u"one").get(), 0));
    ComPtr<ILodexElement> e;
    ASSERT_EQ(S_OK, v->get_Category(-1, Variant::Long(0), e.put()));
    BStr name;
    ASSERT_EQ(S_OK, e->get_Name(name.put()));
    EXPECT_EQ("one", name.ToUtf8());

    auto ds1 = Make<ILodexDataSource>(CLSID_LodexDataSource);
    auto ds2 = Make<ILodexDataSource>(CLSID_LodexDataSource);
    ds1->put_Name(BStr(u"first").get());
    ds2->put_Name(BStr(u"second").get());
    ASSERT_EQ(S_OK, doc->AddDataSource(ds2.get(), -1));
    ASSERT_EQ(S_OK, doc->AddDataSource(ds1.get(), 0));
    ComPtr<ILodexDataSource> got;
    ASSERT_EQ(S_OK, doc->get_DataSource(Variant::Long(1), got.put()));
    EXPECT_EQ(ds2.get(), got.get());
}

TEST_F(LodexTest, NamesAndLabelsReadBackAsSet)
{
    auto v = Make<ILodexVariable>(CLSID_LodexVariable);
    BStr text;
    ASSERT_EQ(S_OK, v->get_Label(text.put()));
    EXPECT_NE(nullptr, text.get());  // never set: the empty text
    EXPECT_EQ(0u, text.length());
    for (std::u16string_view s : {u"", u"Q1 label", u"Zufriedenheit \u00e4\u00f6\u00fc \U0001F600", u"  x  "}) {
        ASSERT_EQ(S_OK, v->put_Name(BStr(s).get()));
        ASSERT_EQ(S_OK, v->put_Label(BStr(s).get()));
        ASSERT_EQ(S_OK, v->get_Name(text.put()));
        EXPECT_EQ(s, text.view());
        ASSERT_EQ(S_OK, v->get_Label(text.put()));
        EXPECT_EQ(s, text.view());
    }
    auto doc = Document();
    ASSERT_EQ(S_OK, doc->put_Context(BStr(u"ANALYSIS").get()));
    ASSERT_EQ(S_OK, doc->get_Context(text.put()));
    EXPECT_EQ(u"ANALYSIS", text.view());
}

TEST_F(LodexTest, CategoryValuesAreNumberedDocumentWideAsTheyEnter)
{
    auto doc = Document();
    auto early = Var(u"early", 3);
    ASSERT_EQ(S_OK, early->AddElement(Element(u"a").get(), -1));
    ASSERT_EQ(S_OK, early->AddElement(Element(u"b").get(), -1));
    EXPECT_EQ((std::vector<LONG>{0, 0}), Values(early.get()));  // not in a document yet

    auto inDoc = Var(u"inDoc", 3);
    ASSERT_EQ(S_OK, doc->AddVariable(inDoc.get(), -1));
    ASSERT_EQ(S_OK, inDoc->AddElement(Element(u"x").get(), -1));  // numbered at once
    EXPECT_EQ((std::vector<LONG>{1}), Values(inDoc.get()));

    ASSERT_EQ(S_OK, doc->AddVariable(early.get(), 0));  // numbers its elements now, in order
    EXPECT_EQ((std::vector<LONG>{2, 3}), Values(early.get()));

    ASSERT_EQ(S_OK, inDoc->AddElement(Element(u"w").get(), 0));  // the next number, whatever the position
    ASSERT_EQ(S_OK, early->AddElement(Element(u"c").get(), -1));
    EXPECT_EQ((std::vector<LONG>{4, 1}), Values(inDoc.get()));
    EXPECT_EQ((std::vector<LONG>{2, 3, 5}), Values(early.get()));

    // A second document counts on its own.
    auto other = Document();
    auto v = Var(u"v", 3);
    ASSERT_EQ(S_OK, v->AddElement(Element(u"a").get(), -1));
    ASSERT_EQ(S_OK, other->AddVariable(v.get(), -1));
    EXPECT_EQ((std::vector<LONG>{1}), Values(v.get()));
}

TEST_F(LodexTest, MaximumAnswersFollowTheUpperBoundUnlessSet)
{
    auto cat = Var(u"multi", 3);
    Variant max;
    ASSERT_EQ(S_OK, cat->get_MaxResponses(max.put()));
    EXPECT_EQ(VT_EMPTY, max.vt);  // no bound yet
    ASSERT_EQ(S_OK, cat->put_UpperBound(Variant::Long(7)));
    ASSERT_EQ(S_OK, cat->get_MaxResponses(max.put()));
    EXPECT_EQ("VT_I4:7", VariantToString(max));
    ASSERT_EQ(S_OK, cat->put_MaxResponses(Variant::Long(1)));
    ASSERT_EQ(S_OK, cat->put_UpperBound(Variant::Long(9)));
    ASSERT_EQ(S_OK, cat->get_MaxResponses(max.put()));
    EXPECT_EQ("VT_I4:1", VariantToString(max));
    ASSERT_EQ(S_OK, cat->put_MaxResponses(Variant::Text(u"3")));  // a text the writer reads as a number
    ASSERT_EQ(S_OK, cat->get_MaxResponses(max.put()));
    EXPECT_EQ(VT_BSTR, max.vt);
    ASSERT_EQ(S_OK, cat->put_MaxResponses(Variant()));  // cleared: the bound again
    ASSERT_EQ(S_OK, cat->get_MaxResponses(max.put()));
    EXPECT_EQ("VT_I4:9", VariantToString(max));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, cat->put_MaxResponses(Variant::Double(2.5)));

    auto quantity = Var(u"q", 1);
    ASSERT_EQ(S_OK, quantity->put_UpperBound(Variant::Long(99)));
    ASSERT_EQ(S_OK, quantity->get_MaxResponses(max.put()));
    EXPECT_EQ(VT_EMPTY, max.vt);

    // Bounds keep their type; other types are refused.
    ASSERT_EQ(S_OK, quantity->put_LowerBound(Variant::Double(0.5)));
    Variant lower;
    ASSERT_EQ(S_OK, quantity->get_LowerBound(lower.put()));
    EXPECT_EQ(VT_R8, lower.vt);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, quantity->put_LowerBound(Variant::Text(u"1")));
}

TEST_F(LodexTest, LookupsByNameIgnoreCaseAndBadIndicesAreRefused)
{
    auto doc = Document();
    auto age = Var(u"Age", 3);
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"dscserial").get(), -1));
    ASSERT_EQ(S_OK, doc->AddVariable(age.get(), -1));
    ASSERT_EQ(S_OK, age->AddElement(Element(u"Age_Young_1").get(), -1));
    ComPtr<ILodexVariable> v;
    ASSERT_EQ(S_OK, doc->get_Variable(Variant::Text(u"aGE"), v.put()));
    EXPECT_EQ(age.get(), v.get());
    Variant i2;
    i2.vt = VT_I2;
    i2.iVal = 1;
    ASSERT_EQ(S_OK, doc->get_Variable(i2, v.put()));
    EXPECT_EQ(age.get(), v.get());
    ComPtr<ILodexElement> e;
    EXPECT_EQ(S_OK, age->get_Category(-1, Variant::Text(u"age_young_1"), e.put()));

    struct Case {
        const char* what;
        Variant index;
        HRESULT expected;
    };
    const Case cases[] = {
        {"negative", Variant::Long(-1), DISP_E_BADINDEX},
        {"the count", Variant::Long(2), DISP_E_BADINDEX},
        {"unknown name", Variant::Text(u"weight"), DISP_E_BADINDEX},
        {"double", Variant::Double(1.0), E_INVALIDARG},
        {"empty", Variant(), E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, doc->get_Variable(c.index, v.put()));
        EXPECT_EQ(nullptr, v.get());
        EXPECT_EQ(c.expected, age->get_Category(-1, c.index, e.put()));  // one category
        ComPtr<ILodexDataSource> ds;
        EXPECT_EQ(c.expected, doc->get_DataSource(c.index, ds.put()));  // none
    }
    EXPECT_EQ(E_INVALIDARG, age->get_Category(-2, Variant::Long(0), e.put()));
    LONG n = 0;
    EXPECT_EQ(E_INVALIDARG, age->get_CategoryCount(-2, &n));
    EXPECT_EQ(E_POINTER, doc->get_VariableCount(nullptr));

    // Adds: a position beyond the end, null, a second add of one object.
    EXPECT_EQ(DISP_E_BADINDEX, doc->AddVariable(Var(u"x").get(), 3));
    EXPECT_EQ(DISP_E_BADINDEX, doc->AddVariable(Var(u"x").get(), -2));
    EXPECT_EQ(E_POINTER, doc->AddVariable(nullptr, -1));
    EXPECT_EQ(E_INVALIDARG, doc->AddVariable(age.get(), -1));
    EXPECT_EQ(E_INVALIDARG, Document()->AddVariable(age.get(), -1));
    auto element = Element(u"e");
    ASSERT_EQ(S_OK, age->AddElement(element.get(), -1));
    EXPECT_EQ(E_INVALIDARG, Var(u"other", 3)->AddElement(element.get(), -1));
    EXPECT_EQ(DISP_E_BADINDEX, age->AddElement(Element(u"f").get(), 5));
    ASSERT_EQ(S_OK, doc->get_VariableCount(&n));
    EXPECT_EQ(2, n);
}

TEST_F(LodexTest, ArmedFaultFailsTheChosenCallOnce)
{
    auto v = Var(u"v");
    auto faults = QueryAs<ILodexFaults>(v.get());
    ASSERT_TRUE(faults);
    EXPECT_EQ(E_INVALIDARG, faults->FailOperation(u"ILodexVariable.put_Label", 1, S_OK));
    EXPECT_EQ(E_INVALIDARG, faults->FailOperation(u"ILodexVariable.put_Label", 0, E_FAIL));
    ASSERT_EQ(S_OK, faults->FailOperation(u"ILodexVariable.put_Label", 2, E_OUTOFMEMORY));
    EXPECT_EQ(S_OK, v->put_Label(BStr(u"one").get()));
    EXPECT_EQ(E_OUTOFMEMORY, v->put_Label(BStr(u"two").get()));
    EXPECT_EQ(S_OK, v->put_Label(BStr(u"three").get()));
    BStr label;
    ASSERT_EQ(S_OK, v->get_Label(label.put()));
    EXPECT_EQ(u"three", label.view());

    // Creation through the class factory, and a fault armed on another object.
    ASSERT_EQ(S_OK, faults->FailOperation(u"Create.Element", 1, E_FAIL));
    ComPtr<ILodexElement> e;
    EXPECT_EQ(E_FAIL, CoCreateInstance(CLSID_LodexElement, nullptr, CLSCTX_INPROC_SERVER, uuidof<ILodexElement>(),
                                       e.put_void()));
    ASSERT_EQ(S_OK, faults->FailOperation(u"ILodexDocument.AddVariable", 1, E_FAIL));
    ASSERT_EQ(S_OK, faults->ClearFaults());
    EXPECT_EQ(S_OK, Document()->AddVariable(Var(u"w").get(), -1));
}

}  // namespace

TEST_F(LodexTest, ConcurrentAddsNumberEveryCategoryOnce)
{
    // The classes are free-threaded: elements added from several threads to
    // variables of one document take distinct numbers 1..N.
    auto doc = Document();
    constexpr int kThreads = 4, kPerThread = 50;
    std::vector<ComPtr<ILodexVariable>> vars;
    for (int t = 0; t < kThreads; ++t) {
        vars.push_back(Var(u"v" + Utf8ToUtf16(std::to_string(t)), 3));
        ASSERT_EQ(S_OK, doc->AddVariable(vars.back().get(), -1));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                ComPtr<ILodexElement> e;
                if (FAILED(CoCreateInstance(CLSID_LodexElement, nullptr, CLSCTX_INPROC_SERVER,
                                            uuidof<ILodexElement>(), e.put_void())))
                    return;
                // Also across variables: each thread adds to its own and its neighbour's.
                vars[(t + i) % kThreads]->AddElement(e.get(), -1);
            }
        });
    for (auto& th : threads) th.join();
    std::vector<LONG> all;
    for (const auto& v : vars)
        for (LONG value : Values(v.get())) all.push_back(value);
    std::sort(all.begin(), all.end());
    ASSERT_EQ(size_t(kThreads * kPerThread), all.size());
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(LONG(i + 1), all[i]);
}
