// VARIANT lifetime: valid types, clearing, deep copy, copy through references, the owner class.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/safearray.h"
#include "platform/variant.h"
#include "tests/platform/counted_object.h"

namespace {

// A VARIANT holding `vt` with an all-zero payload.
VARIANT Raw(VARTYPE vt)
{
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    v.vt = vt;
    return v;
}

VARIANT ByRef(VARTYPE vt, void* target)
{
    VARIANT v = Raw(static_cast<VARTYPE>(vt | VT_BYREF));
    v.byref = target;
    return v;
}

std::u16string_view View(BSTR s) { return s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view(); }

}  // namespace

TEST(Variant, ValidTypesFollowTheOriginalRules)
{
    struct Case {
        VARTYPE vt;
        bool valid;
    };
    const Case cases[] = {
        {VT_EMPTY, true}, {VT_NULL, true}, {VT_I2, true}, {VT_DECIMAL, true}, {15, false},
        {VT_I1, true}, {VT_UINT, true}, {VT_VOID, false}, {VT_HRESULT, false}, {VT_LPWSTR, false},
        {VT_RECORD, false}, {VT_CLSID, false}, {VT_VARIANT, false}, {0x0FFF, false},
        {VT_BYREF | VT_EMPTY, false}, {VT_BYREF | VT_NULL, false}, {VT_BYREF | VT_I4, true},
        {VT_BYREF | VT_VARIANT, true}, {VT_BYREF | VT_DECIMAL, true}, {VT_BYREF | VT_VOID, false},
        {VT_ARRAY | VT_EMPTY, false}, {VT_ARRAY | VT_NULL, false}, {VT_ARRAY | VT_VARIANT, true},
        {VT_ARRAY | VT_BYREF | VT_BSTR, true}, {VT_VECTOR | VT_I4, false}, {VT_RESERVED | VT_I4, false},
        {VT_ILLEGAL, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(VarTypeToString(c.vt));
        // Payloads stay null so that a valid type owns nothing to free.
        VARIANT v = Raw(c.vt);
        EXPECT_EQ(VariantClear(&v), c.valid ? S_OK : DISP_E_BADVARTYPE);
        EXPECT_EQ(v.vt, c.valid ? VARTYPE{VT_EMPTY} : c.vt);

        VARIANT src = Raw(c.vt);
        VARIANT dest = Raw(VT_I4);
        dest.lVal = 77;
        EXPECT_EQ(VariantCopy(&dest, &src), c.valid ? S_OK : DISP_E_BADVARTYPE);
        if (!c.valid) {
            EXPECT_EQ(VariantToString(dest), "VT_I4:77");
        }
    }
}

TEST(Variant, InitAndClearOwnedContent)
{
    VARIANT v;
    v.vt = VT_BSTR;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);

    // Each of these would leak if VariantClear did not free it.
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"text");
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BStr s(u"cell");
    LONG i = 1;
    ASSERT_EQ(SafeArrayPutElement(v.parray, &i, s.get()), S_OK);
    EXPECT_EQ(VariantClear(&v), S_OK);

    bool destroyed = false;
    ComPtr<CountedObject> obj = MakeCom<CountedObject>(&destroyed);
    v.vt = VT_DISPATCH;
    v.pdispVal = obj.get();
    obj->AddRef();
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(obj->Refs(), 1u);
    // Null interfaces and null arrays are fine.
    v.vt = VT_UNKNOWN;
    v.punkVal = nullptr;
    EXPECT_EQ(VariantClear(&v), S_OK);
    v.vt = VT_ARRAY | VT_I4;
    v.parray = nullptr;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
    obj = nullptr;
    EXPECT_TRUE(destroyed);
}

TEST(Variant, ClearLeavesReferencedValuesAlone)
{
    BStr text(u"borrowed");
    BSTR raw = text.get();
    ComPtr<CountedObject> obj = MakeCom<CountedObject>();
    IUnknown* unk = obj.get();
    SafeArrayPtr psa(SafeArrayCreateVector(VT_I4, 0, 1));
    SAFEARRAY* rawArray = psa.get();

    VARIANT refs[] = {ByRef(VT_BSTR, &raw), ByRef(VT_UNKNOWN, &unk), ByRef(VT_ARRAY | VT_I4, &rawArray)};
    for (VARIANT& r : refs) {
        SCOPED_TRACE(VarTypeToString(r.vt));
        EXPECT_EQ(VariantClear(&r), S_OK);
        EXPECT_EQ(r.vt, VT_EMPTY);
    }
    EXPECT_EQ(text.view(), u"borrowed");
    EXPECT_EQ(obj->Refs(), 1u);
    EXPECT_EQ(SafeArrayGetDim(psa.get()), 1u);
}

TEST(Variant, LockedArrayIsNeitherClearedNorOverwritten)
{
    Variant v;
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    SAFEARRAY* psa = v.parray;
    ASSERT_EQ(SafeArrayLock(psa), S_OK);

    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_VARIANT);
    EXPECT_EQ(v.parray, psa);

    // Copying over it fails the same way; the text that would have replaced it is not leaked.
    Variant text = Variant::Text(u"new");
    EXPECT_EQ(VariantCopy(&v, &text), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.parray, psa);
    BStr s(u"ref");
    BSTR raw = s.get();
    VARIANT ref = ByRef(VT_BSTR, &raw);
    EXPECT_EQ(VariantCopyInd(&v, &ref), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.parray, psa);

    ASSERT_EQ(SafeArrayUnlock(psa), S_OK);
    EXPECT_EQ(VariantCopy(&v, &text), S_OK);
    EXPECT_EQ(VariantToString(v), "VT_BSTR:\"new\"");
}

TEST(Variant, CopyIsDeepForStringsAndArrays)
{
    Variant src = Variant::Text(u"Größe");
    Variant dest = Variant::Text(u"old");  // freed by the copy (leak checker)
    ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
    EXPECT_EQ(dest.vt, VT_BSTR);
    EXPECT_NE(dest.bstrVal, src.bstrVal);
    EXPECT_EQ(View(dest.bstrVal), u"Größe");
    src.put();
    EXPECT_EQ(View(dest.bstrVal), u"Größe");

    // A null BSTR is a valid empty string and copies as null.
    VARIANT nullText = Raw(VT_BSTR);
    ASSERT_EQ(VariantCopy(&dest, &nullText), S_OK);
    EXPECT_EQ(dest.vt, VT_BSTR);
    EXPECT_EQ(dest.bstrVal, nullptr);

    // A categorical set: a VARIANT array of longs.
    Variant set;
    set.vt = VT_ARRAY | VT_VARIANT;
    set.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    for (LONG i = 0; i < 2; ++i) {
        Variant n = Variant::Long(i + 1);
        ASSERT_EQ(SafeArrayPutElement(set.parray, &i, &n), S_OK);
    }
    Variant copy;
    ASSERT_EQ(VariantCopy(&copy, &set), S_OK);
    EXPECT_NE(copy.parray, set.parray);
    EXPECT_EQ(VariantToString(copy), "VT_ARRAY|VT_VARIANT:{VT_I4:1,VT_I4:2}");
    LONG i = 0;
    Variant changed = Variant::Long(9);
    ASSERT_EQ(SafeArrayPutElement(set.parray, &i, &changed), S_OK);
    EXPECT_EQ(VariantToString(copy), "VT_ARRAY|VT_VARIANT:{VT_I4:1,VT_I4:2}");

    // Plain values, a DECIMAL's full image included, copy bit for bit.
    VARIANT dec = Raw(VT_DECIMAL);
    const unsigned char image[16] = {0, 0, 2, 0x80, 0, 0, 0, 0, 0x39, 0x30, 0, 0, 0, 0, 0, 0};
    std::memcpy(&dec, image, sizeof image);
    dec.vt = VT_DECIMAL;
    ASSERT_EQ(VariantCopy(&copy, &dec), S_OK);
    EXPECT_EQ(std::memcmp(&copy, &dec, sizeof dec), 0);
    EXPECT_EQ(VariantToString(copy), "VT_DECIMAL:-123.45");

    // By-reference values copy the pointer only.
    LONG target = 5;
    VARIANT ref = ByRef(VT_I4, &target);
    ASSERT_EQ(VariantCopy(&copy, &ref), S_OK);
    EXPECT_EQ(copy.vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(copy.plVal, &target);

    EXPECT_EQ(VariantCopy(nullptr, &ref), E_INVALIDARG);
    EXPECT_EQ(VariantCopy(&copy, nullptr), E_INVALIDARG);
}

TEST(Variant, CopyCountsInterfaceReferences)
{
    bool destroyed = false;
    ComPtr<CountedObject> obj = MakeCom<CountedObject>(&destroyed);
    {
        Variant a;
        a.vt = VT_DISPATCH;
        a.pdispVal = obj.get();
        obj->AddRef();
        Variant b;
        ASSERT_EQ(VariantCopy(&b, &a), S_OK);
        EXPECT_EQ(b.pdispVal, obj.get());
        EXPECT_EQ(obj->Refs(), 3u);
        // Copying onto itself, or onto a holder of the same object, keeps the count.
        ASSERT_EQ(VariantCopy(&b, &b), S_OK);
        ASSERT_EQ(VariantCopy(&b, &a), S_OK);
        EXPECT_EQ(obj->Refs(), 3u);
        // Overwriting releases.
        Variant n = Variant::Long(1);
        ASSERT_EQ(VariantCopy(&b, &n), S_OK);
        EXPECT_EQ(obj->Refs(), 2u);
    }
    EXPECT_EQ(obj->Refs(), 1u);

    // The only reference to an object sits in `dest` and `src` refers to it:
    // the copy must take its reference before the old content is released.
    VARIANT dest = Raw(VT_UNKNOWN);
    dest.punkVal = obj.Detach();
    VARIANT src = dest;
    ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(VariantClear(&dest), S_OK);
    EXPECT_TRUE(destroyed);
}

TEST(Variant, CopyIndReadsThroughTheReference)
{
    struct Scalar {
        VARTYPE vt;
        uint64_t bits;
        size_t size;
    };
    const Scalar scalars[] = {
        {VT_I1, 0x80, 1}, {VT_UI1, 0xFE, 1}, {VT_I2, 0x8001, 2}, {VT_UI2, 0xFFFE, 2}, {VT_BOOL, 0xFFFF, 2},
        {VT_I4, 0x80000001, 4}, {VT_UI4, 0xFFFFFFFE, 4}, {VT_INT, 0x12345678, 4}, {VT_UINT, 0x87654321, 4},
        {VT_R4, 0x3FC00000, 4}, {VT_ERROR, 0x80020004, 4}, {VT_R8, 0x3FF8000000000000, 8},
        {VT_CY, 0x123456789A, 8}, {VT_DATE, 0x40E0000000000000, 8}, {VT_I8, 0x8000000000000001, 8},
        {VT_UI8, 0xFFFFFFFFFFFFFFFE, 8},
    };
    for (const Scalar& c : scalars) {
        SCOPED_TRACE(VarTypeToString(c.vt));
        // The referenced value is a heap block of exactly its size: reading more is caught.
        std::vector<unsigned char> storage(c.size);
        std::memcpy(storage.data(), &c.bits, c.size);
        VARIANT ref = ByRef(c.vt, storage.data());
        Variant dest = Variant::Text(u"old");
        ASSERT_EQ(VariantCopyInd(&dest, &ref), S_OK);
        EXPECT_EQ(dest.vt, c.vt);
        const uint64_t mask = c.size == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * c.size)) - 1;
        EXPECT_EQ(dest.ullVal & mask, c.bits & mask);
    }

    BStr text(u"through");
    BSTR raw = text.get();
    VARIANT ref = ByRef(VT_BSTR, &raw);
    Variant dest;
    ASSERT_EQ(VariantCopyInd(&dest, &ref), S_OK);
    EXPECT_EQ(dest.vt, VT_BSTR);
    EXPECT_NE(dest.bstrVal, raw);
    EXPECT_EQ(View(dest.bstrVal), u"through");

    ComPtr<CountedObject> obj = MakeCom<CountedObject>();
    IDispatch* disp = obj.get();
    ref = ByRef(VT_DISPATCH, &disp);
    ASSERT_EQ(VariantCopyInd(&dest, &ref), S_OK);
    EXPECT_EQ(dest.vt, VT_DISPATCH);
    EXPECT_EQ(obj->Refs(), 2u);

    SafeArrayPtr psa(SafeArrayCreateVector(VT_BSTR, 0, 1));
    LONG i = 0;
    ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, raw), S_OK);
    SAFEARRAY* rawArray = psa.get();
    ref = ByRef(VT_ARRAY | VT_BSTR, &rawArray);
    ASSERT_EQ(VariantCopyInd(&dest, &ref), S_OK);
    EXPECT_EQ(obj->Refs(), 1u);
    EXPECT_EQ(dest.vt, VT_ARRAY | VT_BSTR);
    EXPECT_NE(dest.parray, rawArray);
    EXPECT_EQ(VariantToString(dest), "VT_ARRAY|VT_BSTR:{\"through\"}");

    unsigned char dec[16] = {0, 0, 1, 0, 0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0};
    ref = ByRef(VT_DECIMAL, dec);
    ASSERT_EQ(VariantCopyInd(&dest, &ref), S_OK);
    EXPECT_EQ(VariantToString(dest), "VT_DECIMAL:1.5");

    // Without VT_BYREF it is a plain copy.
    Variant plain = Variant::Double(2.5);
    ASSERT_EQ(VariantCopyInd(&dest, &plain), S_OK);
    EXPECT_EQ(VariantToString(dest), "VT_R8:2.5");

    ref = ByRef(VT_I4, nullptr);
    EXPECT_EQ(VariantCopyInd(&dest, &ref), E_INVALIDARG);
    EXPECT_EQ(VariantCopyInd(nullptr, &plain), E_INVALIDARG);
    EXPECT_EQ(VariantCopyInd(&dest, nullptr), E_INVALIDARG);
    EXPECT_EQ(VariantToString(dest), "VT_R8:2.5");
}

TEST(Variant, CopyIndThroughAReferencedVariant)
{
    Variant inner = Variant::Text(u"inner");
    VARIANT ref = ByRef(VT_VARIANT, &inner);
    Variant dest;
    ASSERT_EQ(VariantCopyInd(&dest, &ref), S_OK);
    EXPECT_EQ(VariantToString(dest), "VT_BSTR:\"inner\"");
    EXPECT_NE(dest.bstrVal, inner.bstrVal);

    // A reference to a reference to a VARIANT is refused; a bad inner type too.
    VARIANT twice = ByRef(VT_VARIANT, &ref);
    EXPECT_EQ(VariantCopyInd(&dest, &twice), E_INVALIDARG);
    VARIANT bad = Raw(VT_VOID);
    VARIANT toBad = ByRef(VT_VARIANT, &bad);
    EXPECT_EQ(VariantCopyInd(&dest, &toBad), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantToString(dest), "VT_BSTR:\"inner\"");

    // The referenced VARIANT is `dest` itself: its string must be copied before it is freed.
    VARIANT self = ByRef(VT_VARIANT, &dest);
    ASSERT_EQ(VariantCopyInd(&dest, &self), S_OK);
    EXPECT_EQ(VariantToString(dest), "VT_BSTR:\"inner\"");
}

TEST(Variant, CopyIndInPlaceReplacesTheReferenceByTheValue)
{
    LONG n = 42;
    VARIANT v = ByRef(VT_I4, &n);
    ASSERT_EQ(VariantCopyInd(&v, &v), S_OK);
    EXPECT_EQ(VariantToString(v), "VT_I4:42");

    BStr text(u"own");
    BSTR raw = text.get();
    Variant owned;
    owned.vt = VT_BSTR | VT_BYREF;
    owned.pbstrVal = &raw;
    ASSERT_EQ(VariantCopyInd(&owned, &owned), S_OK);
    EXPECT_EQ(owned.vt, VT_BSTR);
    EXPECT_NE(owned.bstrVal, raw);
    EXPECT_EQ(text.view(), u"own");
}

TEST(Variant, OwnerCopiesAndReportsFailures)
{
    Variant a = Variant::Text(u"a");
    Variant b = a;
    EXPECT_NE(a.bstrVal, b.bstrVal);
    Variant c = Variant::Long(3);
    c = b;
    EXPECT_EQ(VariantToString(c), "VT_BSTR:\"a\"");
    EXPECT_EQ(c.put()->vt, VT_EMPTY);

    VARIANT bad = Raw(VT_VOID);
    EXPECT_THROW({ Variant copy(bad); }, std::runtime_error);
}
