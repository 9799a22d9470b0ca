// Collections serialise every method on their COM interface and every
// operation for the plug-in's own code with their critical section: while
// another thread holds it, each of them waits.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "common/collections.h"
#include "common/command.h"
#include "common/table.h"
#include "tests/common/datasource_support.h"

namespace {

using dstest::Index;
using dstest::Name;

// A collection class with its critical section in reach of the test.
template <class Collection>
class Exposed : public Collection {
public:
    CKXCriticalSection& Section() { return this->m_cs; }
};

struct LockCase {
    const char* what;
    std::function<void()> call;
};

// Runs each call on a second thread while this thread holds `section`: the
// call must not finish before the section is released, and must finish
// after.
void ExpectEachWaitsFor(CKXCriticalSection& section, const std::vector<LockCase>& cases)
{
    for (const LockCase& c : cases) {
        std::atomic<bool> done{false};
        section.Lock();
        std::thread caller([&] {
            c.call();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(done) << c.what << " ran while another thread held the collection";
        section.Unlock();
        caller.join();
        EXPECT_TRUE(done) << c.what;
    }
}

TEST(CollectionLocks, BindingsWaitForTheirSection)
{
    CComObjectPtr<Exposed<CDataBindings>, IDataBindings> bindings;
    ASSERT_EQ(bindings.Create(), S_OK);
    CComObjectPtr<CDataBinding, IDataBinding> binding;
    ASSERT_EQ(binding.Create(), S_OK);
    IDataBindings* host = bindings.Interface();
    IDataBinding* item = binding.Interface();
    ASSERT_EQ(host->Append(item), S_OK);
    const std::vector<LockCase> cases = {
        {"Item", [&] { ComPtr<IDataBinding> out; host->get_Item(Index(0), out.put()); }},
        {"Count", [&] { LONG n = 0; host->get_Count(&n); }},
        {"_NewEnum", [&] { ComPtr<IUnknown> out; host->get__NewEnum(out.put()); }},
        {"Append", [&] { host->Append(item); }},
        {"Delete", [&] { host->Delete(Index(0)); }},
        {"Clear", [&] { host->Clear(); }},
        {"AppendItem", [&] { bindings->AppendItem(item); }},
        {"DeleteItem", [&] { bindings->DeleteItem(LONG{0}); }},
        {"RemoveItem", [&] { bindings->RemoveItem(item); }},
        {"ClearItems", [&] { bindings->ClearItems(); }},
    };
    ExpectEachWaitsFor(bindings->Section(), cases);
}

TEST(CollectionLocks, NamedCollectionsWaitForTheirSection)
{
    dstest::UsePlugin(dstest::kWriterLike);  // the host appends columns
    CComObjectPtr<Exposed<CColumns>, IColumns> columns;
    ASSERT_EQ(columns.Create(), S_OK);
    CComObjectPtr<CColumn, IColumn> column;
    ASSERT_EQ(column.Create(), S_OK);
    BStr name{u"q1"};
    ASSERT_EQ(column.Interface()->put_Name(name.get()), S_OK);
    IColumns* host = columns.Interface();
    const std::vector<LockCase> cases = {
        {"Append", [&] { host->Append(column.Interface()); }},
        {"Item by name", [&] { ComPtr<IColumn> out; host->get_Item(Name(u"Q1"), out.put()); }},
        {"Count", [&] { LONG n = 0; host->get_Count(&n); }},
        {"DeleteItem by name", [&] { columns->DeleteItem(Name(u"q1")); }},
        {"AppendItem", [&] { columns->AppendItem(column.Interface()); }},
    };
    ExpectEachWaitsFor(columns->Section(), cases);
    LONG count = 0;
    EXPECT_EQ(host->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    dstest::UsePlugin(dstest::kReaderLike);
}

}  // namespace
