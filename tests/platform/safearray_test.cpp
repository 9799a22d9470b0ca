// SAFEARRAY: creation, bounds and layout, element ownership, locking, resizing, deep copy.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/safearray.h"
#include "platform/variant.h"
#include "tests/platform/counted_object.h"

namespace {

constexpr LONG kLongMin = std::numeric_limits<LONG>::min();
constexpr LONG kLongMax = std::numeric_limits<LONG>::max();

SafeArrayPtr Vector(VARTYPE vt, ULONG n, LONG lbound = 0) { return SafeArrayPtr(SafeArrayCreateVector(vt, lbound, n)); }

std::u16string_view View(BSTR s) { return s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view(); }

// The BSTR held in cell `i` of a one-dimensional zero-based BSTR array.
BSTR BstrAt(SAFEARRAY* psa, LONG i) { return static_cast<BSTR*>(psa->pvData)[i]; }

// A one-dimensional VARIANT array of the given longs.
SafeArrayPtr LongVariants(std::initializer_list<LONG> values)
{
    SafeArrayPtr psa = Vector(VT_VARIANT, static_cast<ULONG>(values.size()));
    LONG i = 0;
    for (LONG n : values) {
        Variant v = Variant::Long(n);
        EXPECT_EQ(SafeArrayPutElement(psa.get(), &i, &v), S_OK);
        ++i;
    }
    return psa;
}

}  // namespace

TEST(SafeArray, CreateSetsFeaturesSizeAndVartypeByElementType)
{
    struct Case {
        VARTYPE vt;
        USHORT features;
        ULONG size;
    };
    const Case cases[] = {
        {VT_VARIANT, FADF_VARIANT | FADF_HAVEVARTYPE, sizeof(VARIANT)},
        {VT_BSTR, FADF_BSTR | FADF_HAVEVARTYPE, sizeof(BSTR)},
        {VT_UNKNOWN, FADF_UNKNOWN | FADF_HAVEIID, sizeof(IUnknown*)},
        {VT_DISPATCH, FADF_DISPATCH | FADF_HAVEIID, sizeof(IDispatch*)},
        {VT_I4, FADF_HAVEVARTYPE, 4},
        {VT_I2, FADF_HAVEVARTYPE, 2},
        {VT_R8, FADF_HAVEVARTYPE, 8},
        {VT_BOOL, FADF_HAVEVARTYPE, 2},
        {VT_UI1, FADF_HAVEVARTYPE, 1},
        {VT_I1, FADF_HAVEVARTYPE, 1},
        {VT_R4, FADF_HAVEVARTYPE, 4},
        {VT_ERROR, FADF_HAVEVARTYPE, 4},
        {VT_CY, FADF_HAVEVARTYPE, 8},
        {VT_DATE, FADF_HAVEVARTYPE, 8},
        {VT_I8, FADF_HAVEVARTYPE, 8},
        {VT_DECIMAL, FADF_HAVEVARTYPE, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(VarTypeToString(c.vt));
        SafeArrayPtr psa = Vector(c.vt, 3);
        ASSERT_NE(psa, nullptr);
        EXPECT_EQ(psa->fFeatures, c.features);
        EXPECT_EQ(psa->cbElements, c.size);
        EXPECT_EQ(SafeArrayGetElemsize(psa.get()), c.size);
        EXPECT_EQ(SafeArrayGetDim(psa.get()), 1u);
        EXPECT_EQ(psa->cLocks, 0u);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(psa.get(), &vt), S_OK);
        EXPECT_EQ(vt, c.vt);
        // Fresh cells are zero: VT_EMPTY variants, null strings and pointers, 0.
        const auto* bytes = static_cast<const unsigned char*>(psa->pvData);
        for (ULONG i = 0; i < 3 * c.size; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
    }
}

TEST(SafeArray, CreateRefusesTypesAndShapesItCannotHold)
{
    const SAFEARRAYBOUND bound{2, 0};
    const VARTYPE refused[] = {VT_EMPTY, VT_NULL, 15, VT_VOID, VT_RECORD, VT_LPWSTR, VT_ARRAY | VT_I4,
                               VT_BYREF | VT_I4, VT_ILLEGAL};
    for (VARTYPE vt : refused) {
        EXPECT_EQ(SafeArrayCreate(vt, 1, &bound), nullptr) << VarTypeToString(vt);
    }
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
}

TEST(SafeArray, SizesThatOverflowAreRefused)
{
    // 2^16 x 2^16 cells of 16 bytes: 2^36 bytes, past the 32-bit limit of a data block.
    const SAFEARRAYBOUND big[2] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, big), nullptr);
    // The product of the counts alone overflows 32 bits.
    const SAFEARRAYBOUND huge[3] = {{0xFFFFFFFF, 0}, {0xFFFFFFFF, 0}, {2, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 3, huge), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_VARIANT, 0, 0x10000000), nullptr);

    SafeArrayPtr psa = Vector(VT_VARIANT, 2);
    const SAFEARRAYBOUND tooMany{0x10000000, 0};
    EXPECT_EQ(SafeArrayRedim(psa.get(), &tooMany), E_OUTOFMEMORY);
    EXPECT_EQ(psa->rgsabound[0].cElements, 2u);
}

TEST(SafeArray, ZeroElementArraysAreRealArrays)
{
    SafeArrayPtr psa = Vector(VT_VARIANT, 0);
    ASSERT_NE(psa, nullptr);
    LONG lo = 99, hi = 99;
    EXPECT_EQ(SafeArrayGetLBound(psa.get(), 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, -1);
    {
        SafeArrayAccess access(psa.get());
        EXPECT_EQ(access.hr(), S_OK);
        EXPECT_NE(access.data(), nullptr);
    }
    LONG i = 0;
    Variant v;
    EXPECT_EQ(SafeArrayGetElement(psa.get(), &i, &v), DISP_E_BADINDEX);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(psa.get(), &copy), S_OK);
    SafeArrayPtr owned(copy);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->rgsabound[0].cElements, 0u);

    // A zero-element dimension among others.
    const SAFEARRAYBOUND bounds[2] = {{3, 1}, {0, 5}};
    SafeArrayPtr flat(SafeArrayCreate(VT_BSTR, 2, bounds));
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(SafeArrayGetUBound(flat.get(), 2, &hi), S_OK);
    EXPECT_EQ(hi, 4);
}

TEST(SafeArray, BoundsAndLayoutOfSeveralDimensions)
{
    // First dimension 1..3, second -1..0: cells run with the first index fastest.
    const SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, -1}};
    SafeArrayPtr psa(SafeArrayCreate(VT_I4, 2, bounds));
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetDim(psa.get()), 2u);
    // Stored in reverse: rgsabound[0] is the last dimension.
    EXPECT_EQ(psa->rgsabound[0].lLbound, -1);
    LONG lo, hi;
    EXPECT_EQ(SafeArrayGetLBound(psa.get(), 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 1, &hi), S_OK);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 3);
    EXPECT_EQ(SafeArrayGetLBound(psa.get(), 2, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 2, &hi), S_OK);
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(SafeArrayGetLBound(psa.get(), 0, &lo), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 3, &hi), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(psa.get(), 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, &hi), E_INVALIDARG);

    for (LONG j = -1; j <= 0; ++j) {
        for (LONG i = 1; i <= 3; ++i) {
            const LONG idx[2] = {i, j};
            LONG value = 10 * i + j;
            ASSERT_EQ(SafeArrayPutElement(psa.get(), idx, &value), S_OK);
        }
    }
    SafeArrayAccess access(psa.get());
    ASSERT_EQ(access.hr(), S_OK);
    const LONG expected[6] = {9, 19, 29, 10, 20, 30};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(access.data<LONG>()[k], expected[k]) << "cell " << k;
}

TEST(SafeArray, ElementAccessChecksEveryIndexAndArgument)
{
    const SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, -1}};
    SafeArrayPtr psa(SafeArrayCreate(VT_I4, 2, bounds));
    ASSERT_NE(psa, nullptr);
    const LONG bad[][2] = {{0, -1}, {4, -1}, {1, -2}, {1, 1}, {kLongMin, 0}, {kLongMax, 0}, {1, kLongMin}};
    for (const auto& idx : bad) {
        LONG value = 7;
        EXPECT_EQ(SafeArrayPutElement(psa.get(), idx, &value), DISP_E_BADINDEX) << idx[0] << "," << idx[1];
        EXPECT_EQ(SafeArrayGetElement(psa.get(), idx, &value), DISP_E_BADINDEX) << idx[0] << "," << idx[1];
        EXPECT_EQ(value, 7);
    }
    // An upper bound near the top of LONG must not wrap.
    SafeArrayPtr high = Vector(VT_I4, 2, kLongMax - 1);
    ASSERT_NE(high, nullptr);
    LONG value = 5;
    const LONG top = kLongMax;
    EXPECT_EQ(SafeArrayPutElement(high.get(), &top, &value), S_OK);
    LONG hi = 0;
    EXPECT_EQ(SafeArrayGetUBound(high.get(), 1, &hi), S_OK);
    EXPECT_EQ(hi, kLongMax);

    const LONG ok[2] = {1, -1};
    EXPECT_EQ(SafeArrayGetElement(nullptr, ok, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetElement(psa.get(), nullptr, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetElement(psa.get(), ok, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPutElement(nullptr, ok, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPutElement(psa.get(), nullptr, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPutElement(psa.get(), ok, nullptr), E_INVALIDARG);
    // Every access released its lock.
    EXPECT_EQ(psa->cLocks, 0u);
}

TEST(SafeArray, BstrCellsOwnTheirCopies)
{
    SafeArrayPtr psa = Vector(VT_BSTR, 2);
    LONG i = 0;
    {
        BStr text(u"first");
        ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, text.get()), S_OK);
        EXPECT_NE(BstrAt(psa.get(), 0), text.get());
    }  // the caller's string is gone; the cell keeps its own
    EXPECT_EQ(View(BstrAt(psa.get(), 0)), u"first");

    // Replacing frees the old string (the leak checker sees it otherwise).
    BStr second(u"second");
    ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, second.get()), S_OK);
    EXPECT_EQ(View(BstrAt(psa.get(), 0)), u"second");

    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(psa.get(), &i, &out), S_OK);
    BStr got = BStr::Adopt(out);
    EXPECT_NE(out, BstrAt(psa.get(), 0));
    EXPECT_EQ(got.view(), u"second");

    // A null BSTR is stored and read back as null.
    ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, nullptr), S_OK);
    EXPECT_EQ(BstrAt(psa.get(), 0), nullptr);
    out = SysAllocString(u"x");
    BStr previous = BStr::Adopt(out);
    ASSERT_EQ(SafeArrayGetElement(psa.get(), &i, &out), S_OK);
    EXPECT_EQ(out, nullptr);

    // Embedded zeros survive both directions.
    const char16_t raw[] = {u'a', 0, u'b'};
    BStr embedded(std::u16string_view(raw, 3));
    i = 1;
    ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, embedded.get()), S_OK);
    EXPECT_EQ(View(BstrAt(psa.get(), 1)), embedded.view());
}

TEST(SafeArray, InterfaceCellsHoldOneReferenceEach)
{
    for (VARTYPE vt : {VT_UNKNOWN, VT_DISPATCH}) {
        SCOPED_TRACE(VarTypeToString(vt));
        bool aDestroyed = false, bDestroyed = false;
        ComPtr<CountedObject> a = MakeCom<CountedObject>(&aDestroyed);
        ComPtr<CountedObject> b = MakeCom<CountedObject>(&bDestroyed);
        IDispatch* pa = a.get();
        IDispatch* pb = b.get();
        {
            SafeArrayPtr psa = Vector(vt, 2);
            LONG i = 0;
            ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, pa), S_OK);
            EXPECT_EQ(a->Refs(), 2u);
            // Replacing releases the old object.
            ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, pb), S_OK);
            EXPECT_EQ(a->Refs(), 1u);
            EXPECT_EQ(b->Refs(), 2u);
            // Putting the object already there keeps one reference.
            ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, pb), S_OK);
            EXPECT_EQ(b->Refs(), 2u);

            IUnknown* out = nullptr;
            ASSERT_EQ(SafeArrayGetElement(psa.get(), &i, &out), S_OK);
            EXPECT_EQ(out, static_cast<IUnknown*>(pb));
            EXPECT_EQ(b->Refs(), 3u);
            out->Release();

            i = 1;
            ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, pa), S_OK);
            SAFEARRAY* copy = nullptr;
            ASSERT_EQ(SafeArrayCopy(psa.get(), &copy), S_OK);
            EXPECT_EQ(a->Refs(), 3u);
            EXPECT_EQ(b->Refs(), 3u);
            EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
            EXPECT_EQ(a->Refs(), 2u);
            EXPECT_EQ(b->Refs(), 2u);
        }  // destroying the array releases its cells
        EXPECT_EQ(a->Refs(), 1u);
        EXPECT_EQ(b->Refs(), 1u);
        a = nullptr;
        b = nullptr;
        EXPECT_TRUE(aDestroyed);
        EXPECT_TRUE(bDestroyed);
    }
}

TEST(SafeArray, VariantCellsAreCopiedDeeply)
{
    SafeArrayPtr psa = Vector(VT_VARIANT, 2);
    LONG i = 0;
    {
        Variant text = Variant::Text(u"abc");
        ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, &text), S_OK);
        const auto* cells = static_cast<const VARIANT*>(psa->pvData);
        EXPECT_EQ(cells[0].vt, VT_BSTR);
        EXPECT_NE(cells[0].bstrVal, text.bstrVal);
    }
    // A nested array is copied too.
    SafeArrayPtr inner = LongVariants({4, 5});
    VARIANT holder;
    holder.vt = VT_ARRAY | VT_VARIANT;
    holder.parray = inner.get();
    i = 1;
    ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, &holder), S_OK);
    const auto* cells = static_cast<const VARIANT*>(psa->pvData);
    EXPECT_NE(cells[1].parray, inner.get());
    EXPECT_EQ(VariantToString(cells[1]), "VT_ARRAY|VT_VARIANT:{VT_I4:4,VT_I4:5}");

    // GetElement gives an independent copy into an [out] VARIANT.
    VARIANT out;
    ASSERT_EQ(SafeArrayGetElement(psa.get(), &i, &out), S_OK);
    Variant owned;
    static_cast<VARIANT&>(owned) = out;
    EXPECT_NE(out.parray, cells[1].parray);
    EXPECT_EQ(VariantToString(owned), "VT_ARRAY|VT_VARIANT:{VT_I4:4,VT_I4:5}");

    // A VARIANT of a bad type is refused and leaves the cell alone.
    VARIANT bad;
    bad.vt = VT_VOID;
    i = 0;
    EXPECT_EQ(SafeArrayPutElement(psa.get(), &i, &bad), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantToString(cells[0]), "VT_BSTR:\"abc\"");
    EXPECT_EQ(psa->cLocks, 0u);
}

TEST(SafeArray, LockingCountsAndRefusesDestroyAndRedim)
{
    SafeArrayPtr psa = LongVariants({1, 2, 3});
    ASSERT_EQ(SafeArrayLock(psa.get()), S_OK);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa.get(), &data), S_OK);
    EXPECT_EQ(data, psa->pvData);
    EXPECT_EQ(psa->cLocks, 2u);

    EXPECT_EQ(SafeArrayDestroy(psa.get()), DISP_E_ARRAYISLOCKED);
    const SAFEARRAYBOUND smaller{1, 0};
    EXPECT_EQ(SafeArrayRedim(psa.get(), &smaller), DISP_E_ARRAYISLOCKED);
    // Nothing changed: same data block, same bounds, same cells.
    EXPECT_EQ(psa->pvData, data);
    EXPECT_EQ(psa->rgsabound[0].cElements, 3u);
    EXPECT_EQ(VariantToString(static_cast<VARIANT*>(data)[2]), "VT_I4:3");

    // Element access works under a lock and leaves the count as it was.
    LONG i = 2;
    Variant nine = Variant::Long(9);
    EXPECT_EQ(SafeArrayPutElement(psa.get(), &i, &nine), S_OK);
    EXPECT_EQ(psa->cLocks, 2u);

    EXPECT_EQ(SafeArrayUnaccessData(psa.get()), S_OK);
    EXPECT_EQ(SafeArrayUnlock(psa.get()), S_OK);
    EXPECT_EQ(SafeArrayUnlock(psa.get()), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayUnaccessData(psa.get()), E_UNEXPECTED);
    EXPECT_EQ(psa->cLocks, 0u);
    EXPECT_EQ(SafeArrayRedim(psa.get(), &smaller), S_OK);

    EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnlock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAccessData(psa.get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, LockCountHasALimit)
{
    SafeArrayPtr psa = Vector(VT_I4, 1);
    ULONG taken = 0;
    while (taken < 0x20000 && SafeArrayLock(psa.get()) == S_OK) ++taken;
    EXPECT_EQ(taken, 0xFFFFu);
    EXPECT_EQ(SafeArrayLock(psa.get()), E_UNEXPECTED);
    // An element access needs a lock of its own, so it fails too.
    LONG i = 0, value = 0;
    EXPECT_EQ(SafeArrayGetElement(psa.get(), &i, &value), E_UNEXPECTED);
    while (taken--) ASSERT_EQ(SafeArrayUnlock(psa.get()), S_OK);
    EXPECT_EQ(SafeArrayGetElement(psa.get(), &i, &value), S_OK);
}

TEST(SafeArray, RedimShrinksAndGrowsTheLastDimension)
{
    bool destroyed = false;
    ComPtr<CountedObject> obj = MakeCom<CountedObject>(&destroyed);
    SafeArrayPtr psa = Vector(VT_VARIANT, 3);
    for (LONG i = 0; i < 3; ++i) {
        Variant v;
        v.vt = VT_DISPATCH;
        v.pdispVal = obj.get();
        obj->AddRef();
        ASSERT_EQ(SafeArrayPutElement(psa.get(), &i, &v), S_OK);
    }
    EXPECT_EQ(obj->Refs(), 4u);

    // Shrinking clears the dropped cells.
    SAFEARRAYBOUND bound{1, 0};
    ASSERT_EQ(SafeArrayRedim(psa.get(), &bound), S_OK);
    EXPECT_EQ(obj->Refs(), 2u);

    // Growing adds empty cells and keeps the old ones.
    bound.cElements = 4;
    ASSERT_EQ(SafeArrayRedim(psa.get(), &bound), S_OK);
    const auto* cells = static_cast<const VARIANT*>(psa->pvData);
    EXPECT_EQ(cells[0].vt, VT_DISPATCH);
    for (int k = 1; k < 4; ++k) EXPECT_EQ(cells[k].vt, VT_EMPTY) << k;
    EXPECT_EQ(obj->Refs(), 2u);

    // Down to nothing and up again; the lower bound may move too.
    bound.cElements = 0;
    ASSERT_EQ(SafeArrayRedim(psa.get(), &bound), S_OK);
    EXPECT_EQ(obj->Refs(), 1u);
    LONG hi = 0;
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 1, &hi), S_OK);
    EXPECT_EQ(hi, -1);
    bound = {2, 5};
    ASSERT_EQ(SafeArrayRedim(psa.get(), &bound), S_OK);
    cells = static_cast<const VARIANT*>(psa->pvData);
    EXPECT_EQ(VariantToString(cells[1]), "VT_EMPTY");
    LONG lo = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa.get(), 1, &lo), S_OK);
    EXPECT_EQ(lo, 5);

    EXPECT_EQ(SafeArrayRedim(nullptr, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayRedim(psa.get(), nullptr), E_INVALIDARG);
    psa.reset();
    obj = nullptr;
    EXPECT_TRUE(destroyed);
}

TEST(SafeArray, RedimOfSeveralDimensionsKeepsTheInnerOnes)
{
    // Strings in a 2 x 2 array; the second (last) dimension grows, then shrinks to 1.
    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SafeArrayPtr psa(SafeArrayCreate(VT_BSTR, 2, bounds));
    ASSERT_NE(psa, nullptr);
    const char16_t* names[2][2] = {{u"a0", u"a1"}, {u"b0", u"b1"}};
    for (LONG j = 0; j < 2; ++j)
        for (LONG i = 0; i < 2; ++i) {
            const LONG idx[2] = {i, j};
            BStr s(names[i][j]);
            ASSERT_EQ(SafeArrayPutElement(psa.get(), idx, s.get()), S_OK);
        }
    SAFEARRAYBOUND outer{3, 0};
    ASSERT_EQ(SafeArrayRedim(psa.get(), &outer), S_OK);
    LONG hi = 0;
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 1, &hi), S_OK);
    EXPECT_EQ(hi, 1);
    EXPECT_EQ(SafeArrayGetUBound(psa.get(), 2, &hi), S_OK);
    EXPECT_EQ(hi, 2);
    for (LONG j = 0; j < 3; ++j)
        for (LONG i = 0; i < 2; ++i) {
            const LONG idx[2] = {i, j};
            BSTR out = nullptr;
            ASSERT_EQ(SafeArrayGetElement(psa.get(), idx, &out), S_OK);
            BStr got = BStr::Adopt(out);
            EXPECT_EQ(got.view(), j < 2 ? std::u16string_view(names[i][j]) : u"") << i << "," << j;
        }
    outer.cElements = 1;
    ASSERT_EQ(SafeArrayRedim(psa.get(), &outer), S_OK);  // frees b... of column 1 (leak checker)
    const LONG idx[2] = {1, 0};
    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(psa.get(), idx, &out), S_OK);
    EXPECT_EQ(BStr::Adopt(out).view(), u"b0");
}

TEST(SafeArray, CopyIsDeepAndIndependent)
{
    const SAFEARRAYBOUND bounds[2] = {{2, 1}, {1, -3}};
    SafeArrayPtr src(SafeArrayCreate(VT_BSTR, 2, bounds));
    ASSERT_NE(src, nullptr);
    for (LONG i = 1; i <= 2; ++i) {
        const LONG idx[2] = {i, -3};
        BStr s(i == 1 ? u"one" : u"two");
        ASSERT_EQ(SafeArrayPutElement(src.get(), idx, s.get()), S_OK);
    }
    ASSERT_EQ(SafeArrayLock(src.get()), S_OK);
    SAFEARRAY* raw = nullptr;
    ASSERT_EQ(SafeArrayCopy(src.get(), &raw), S_OK);
    SafeArrayPtr copy(raw);
    ASSERT_EQ(SafeArrayUnlock(src.get()), S_OK);

    // Same shape, type and features; no lock carried over; own strings.
    EXPECT_EQ(copy->cLocks, 0u);
    EXPECT_EQ(copy->fFeatures, src->fFeatures);
    EXPECT_EQ(SafeArrayGetDim(copy.get()), 2u);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(copy.get(), &vt), S_OK);
    EXPECT_EQ(vt, VT_BSTR);
    LONG lo = 0;
    EXPECT_EQ(SafeArrayGetLBound(copy.get(), 2, &lo), S_OK);
    EXPECT_EQ(lo, -3);
    EXPECT_NE(copy->pvData, src->pvData);
    for (LONG k = 0; k < 2; ++k) {
        EXPECT_NE(BstrAt(copy.get(), k), BstrAt(src.get(), k));
        EXPECT_EQ(View(BstrAt(copy.get(), k)), View(BstrAt(src.get(), k)));
    }
    // Destroying the source leaves the copy whole.
    src.reset();
    EXPECT_EQ(View(BstrAt(copy.get(), 1)), u"two");

    SAFEARRAY* out = copy.get();
    EXPECT_EQ(SafeArrayCopy(nullptr, &out), S_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(SafeArrayCopy(copy.get(), nullptr), E_INVALIDARG);
}

TEST(SafeArray, FailedCopyOfAVariantArrayLeavesNothingBehind)
{
    SafeArrayPtr psa = Vector(VT_VARIANT, 3);
    auto* cells = static_cast<VARIANT*>(psa->pvData);
    cells[0].vt = VT_BSTR;
    cells[0].bstrVal = SysAllocString(u"kept");
    cells[1].vt = VT_VOID;  // not a type a VARIANT may hold
    SAFEARRAY* out = psa.get();
    EXPECT_EQ(SafeArrayCopy(psa.get(), &out), DISP_E_BADVARTYPE);
    EXPECT_EQ(out, nullptr);
    cells[1].vt = VT_EMPTY;
}

TEST(SafeArray, GetVartypeFollowsTheFeatures)
{
    SafeArrayPtr psa = Vector(VT_I4, 1);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(nullptr, &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetVartype(psa.get(), nullptr), E_INVALIDARG);
    // Without a recorded type, the cell kind answers; without either, nothing does.
    psa->fFeatures = FADF_VARIANT;
    EXPECT_EQ(SafeArrayGetVartype(psa.get(), &vt), S_OK);
    EXPECT_EQ(vt, VT_VARIANT);
    psa->fFeatures = 0;
    EXPECT_EQ(SafeArrayGetVartype(psa.get(), &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
}
