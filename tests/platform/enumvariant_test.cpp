// The `_NewEnum` enumerator: a snapshot of its items, positions, clones.
#include <gtest/gtest.h>

#include "counted_object.h"
#include "platform/enumvariant.h"

namespace {

std::u16string Text(const VARIANT& v) { return v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : u""; }

// Reads everything left: the debug text of each item.
std::vector<std::string> Drain(IEnumVARIANT* e)
{
    std::vector<std::string> out;
    for (;;) {
        Variant v;
        ULONG fetched = 0;
        HRESULT hr = e->Next(1, v.put(), &fetched);
        if (hr != S_OK) {
            EXPECT_EQ(hr, S_FALSE);
            EXPECT_EQ(fetched, 0u);
            return out;
        }
        out.push_back(VariantToString(v));
    }
}

class Enumerator : public ::testing::Test {
protected:
    void SetUp() override
    {
        items[0] = Variant::Long(1);
        items[1] = Variant::Text(u"two");
        items[2].vt = VT_DISPATCH;
        items[2].pdispVal = object.get();
        object->AddRef();
        ASSERT_EQ(CreateVariantEnumerator(items, 3, e.put()), S_OK);
    }

    ComPtr<CountedObject> object = MakeCom<CountedObject>();
    Variant items[3];
    ComPtr<IEnumVARIANT> e;
};

TEST_F(Enumerator, KeepsItsOwnCopyOfTheItems)
{
    // The enumerator holds its own reference and its own text.
    EXPECT_EQ(object->Refs(), 3u);
    VariantClear(&items[2]);
    SysReAllocString(&items[1].bstrVal, u"changed");
    items[0].lVal = 99;

    Variant got[3];
    ULONG fetched = 0;
    ASSERT_EQ(e->Next(3, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(got[0].lVal, 1);
    EXPECT_EQ(Text(got[1]), u"two");
    ASSERT_EQ(got[2].vt, VT_DISPATCH);
    EXPECT_EQ(got[2].pdispVal, static_cast<IDispatch*>(object.get()));
    EXPECT_NE(got[1].bstrVal, items[1].bstrVal);  // each Next hands out copies

    for (Variant& v : got) VariantClear(&v);
    e = nullptr;
    EXPECT_EQ(object->Refs(), 1u);
}

TEST_F(Enumerator, NextSkipAndReset)
{
    Variant got[5];
    ULONG fetched = 7;
    EXPECT_EQ(e->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(e->Next(5, got + 2, &fetched), S_FALSE);  // fewer than asked
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(got[2].vt, VT_DISPATCH);
    EXPECT_EQ(e->Next(1, got + 3, nullptr), S_FALSE);   // one at a time needs no count
    EXPECT_EQ(got[3].vt, VT_EMPTY);

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    EXPECT_EQ(Drain(e.get()).size(), 1u);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(4), S_FALSE);  // beyond the end: stays at the end
    EXPECT_TRUE(Drain(e.get()).empty());
    EXPECT_EQ(e->Skip(0), S_OK);

    EXPECT_EQ(e->Next(2, got, nullptr), E_POINTER);
    EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);
}

TEST_F(Enumerator, CloneHasItsOwnPositionAndOutlivesTheOriginal)
{
    Variant first;
    ASSERT_EQ(e->Next(1, first.put(), nullptr), S_OK);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(e->Clone(clone.put()), S_OK);
    const std::vector<std::string> rest = Drain(e.get());
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0], VariantToString(Variant::Text(u"two")));

    ComPtr<IEnumVARIANT> second;
    ASSERT_EQ(clone->Clone(second.put()), S_OK);
    e = nullptr;
    EXPECT_EQ(Drain(clone.get()), rest);   // from where the original stood when cloned
    EXPECT_EQ(Drain(second.get()), rest);
    clone->Reset();
    EXPECT_EQ(Drain(clone.get()).size(), 3u);
    EXPECT_EQ(clone->Clone(nullptr), E_POINTER);
}

TEST(EnumeratorCreation, EmptyAndInvalid)
{
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(CreateVariantEnumerator(nullptr, 0, e.put()), S_OK);
    Variant v;
    ULONG fetched = 5;
    EXPECT_EQ(e->Next(1, v.put(), &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(CreateVariantEnumerator(nullptr, 2, e.put()), E_INVALIDARG);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(CreateVariantEnumerator(nullptr, 0, nullptr), E_POINTER);
}

}  // namespace
