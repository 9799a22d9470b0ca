// SAFEARRAY: descriptor, data block, element ownership, locking.
//
//   descriptor block (one allocation)
//   [ 16-byte prefix                        ][ cDims fFeatures cbElements cLocks pvData ][ bound x cDims ]
//     IID of the elements  (FADF_HAVEIID)     ^ the SAFEARRAY* points here
//     or VARTYPE in the last 4 bytes (FADF_HAVEVARTYPE)
//
//   data block (a second allocation, pvData)
//   [ cell 0 ][ cell 1 ] ... [ cell n-1 ]      n = product of all cElements, zero-filled when made
//
// rgsabound keeps the dimensions in reverse order, as the original does:
// rgsabound[cDims-1] is the first dimension (indices[0]), rgsabound[0] the last
// one. The first index varies fastest, so the last dimension is the outermost
// and SafeArrayRedim can grow or shrink it at the end of the data block.
//
// The array owns its cells according to fFeatures: FADF_BSTR cells are freed,
// FADF_UNKNOWN/FADF_DISPATCH cells released, FADF_VARIANT cells cleared. A
// zero-element array still has a descriptor and a (one-byte) data block, so
// that AccessData always hands out a non-null pointer.
#include "platform/safearray.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "platform/dispatch.h"
#include "platform/variant.h"

namespace {

constexpr size_t kPrefix = 16;
// The original counts at most this many simultaneous locks.
constexpr ULONG kMaxLocks = 0xFFFF;
// The original addresses its data block with 32-bit sizes; larger arrays are refused.
constexpr uint64_t kMaxDataBytes = std::numeric_limits<ULONG>::max();
// Allocation flags that describe where an array lives; a copy is always a fresh heap array.
constexpr USHORT kPlacementFeatures = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;
constexpr USHORT kCellKinds = FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT;

size_t DescriptorBytes(UINT dims) { return offsetof(SAFEARRAY, rgsabound) + dims * sizeof(SAFEARRAYBOUND); }

char* BlockOf(SAFEARRAY* psa) { return reinterpret_cast<char*>(psa) - kPrefix; }

// Bounds through a plain pointer: rgsabound is declared with one entry but holds cDims.
SAFEARRAYBOUND* Bounds(SAFEARRAY* psa) { return psa->rgsabound; }

struct DescriptorFree {
    void operator()(SAFEARRAY* psa) const noexcept
    {
        std::free(psa->pvData);
        std::free(BlockOf(psa));
    }
};
// A descriptor whose cells own nothing yet (being built).
using RawArray = std::unique_ptr<SAFEARRAY, DescriptorFree>;

// Element size and features of a VARTYPE that arrays may hold; nullopt otherwise.
struct ElementKind {
    ULONG size;
    USHORT features;
};
std::optional<ElementKind> KindOf(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI1:
        return ElementKind{1, FADF_HAVEVARTYPE};
    case VT_I2: case VT_UI2: case VT_BOOL:
        return ElementKind{2, FADF_HAVEVARTYPE};
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
        return ElementKind{4, FADF_HAVEVARTYPE};
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8:
        return ElementKind{8, FADF_HAVEVARTYPE};
    case VT_DECIMAL:
        return ElementKind{16, FADF_HAVEVARTYPE};
    case VT_BSTR:
        return ElementKind{sizeof(BSTR), FADF_BSTR | FADF_HAVEVARTYPE};
    case VT_VARIANT:
        return ElementKind{sizeof(VARIANT), FADF_VARIANT | FADF_HAVEVARTYPE};
    // Interface arrays record the interface's IID in place of the VARTYPE, as the original does.
    case VT_UNKNOWN:
        return ElementKind{sizeof(IUnknown*), FADF_UNKNOWN | FADF_HAVEIID};
    case VT_DISPATCH:
        return ElementKind{sizeof(IDispatch*), FADF_DISPATCH | FADF_HAVEIID};
    default:
        return std::nullopt;
    }
}

// Product of the element counts of every dimension but the last (outermost) one.
std::optional<uint64_t> InnerCells(SAFEARRAY* psa)
{
    uint64_t cells = 1;
    for (UINT i = 1; i < psa->cDims; ++i) {
        const ULONG n = Bounds(psa)[i].cElements;
        if (n != 0 && cells > kMaxDataBytes / n) return std::nullopt;
        cells *= n;
    }
    return cells;
}

// Size of the data block for `cells` cells, within the 32-bit limit.
std::optional<size_t> DataBytes(uint64_t cells, ULONG cbElements)
{
    if (cbElements != 0 && cells > kMaxDataBytes / cbElements) return std::nullopt;
    return static_cast<size_t>(cells * cbElements);
}

std::optional<uint64_t> TotalCells(SAFEARRAY* psa)
{
    auto inner = InnerCells(psa);
    if (!inner) return std::nullopt;
    const ULONG outer = Bounds(psa)[0].cElements;
    if (outer != 0 && *inner > kMaxDataBytes / outer) return std::nullopt;
    return *inner * outer;
}

char* Cell(SAFEARRAY* psa, uint64_t index) { return static_cast<char*>(psa->pvData) + index * psa->cbElements; }

// Frees what `count` cells from `first` own and zeroes them.
void ClearCells(SAFEARRAY* psa, uint64_t first, uint64_t count)
{
    const USHORT kind = psa->fFeatures & kCellKinds;
    for (uint64_t i = first; i < first + count; ++i) {
        char* cell = Cell(psa, i);
        if (kind & FADF_BSTR) {
            BSTR s;
            std::memcpy(&s, cell, sizeof s);
            SysFreeString(s);
        } else if (kind & (FADF_UNKNOWN | FADF_DISPATCH)) {
            IUnknown* p;
            std::memcpy(&p, cell, sizeof p);
            if (p) p->Release();
        } else if (kind & FADF_VARIANT) {
            VariantClear(reinterpret_cast<VARIANT*>(cell));
        }
    }
    if (count) std::memset(Cell(psa, first), 0, static_cast<size_t>(count * psa->cbElements));
}

BSTR CopyBstr(BSTR s, bool* ok)
{
    if (!s) return nullptr;
    BSTR copy = SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s));
    if (!copy) *ok = false;
    return copy;
}

// Deep copy of one cell of an array with features `kind` into a cell that owns nothing.
HRESULT CopyCell(USHORT kind, ULONG size, const char* from, char* to)
{
    if (kind & FADF_BSTR) {
        BSTR s;
        std::memcpy(&s, from, sizeof s);
        bool ok = true;
        BSTR copy = CopyBstr(s, &ok);
        if (!ok) return E_OUTOFMEMORY;
        std::memcpy(to, &copy, sizeof copy);
    } else if (kind & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown* p;
        std::memcpy(&p, from, sizeof p);
        if (p) p->AddRef();
        std::memcpy(to, &p, sizeof p);
    } else if (kind & FADF_VARIANT) {
        VariantInit(reinterpret_cast<VARIANT*>(to));
        return VariantCopy(reinterpret_cast<VARIANT*>(to), reinterpret_cast<const VARIANT*>(from));
    } else {
        std::memcpy(to, from, size);
    }
    return S_OK;
}

// Offset of the cell at `indices` (indices[0] for the first dimension), or nullopt when out of bounds.
std::optional<uint64_t> CellIndex(SAFEARRAY* psa, const LONG* indices)
{
    uint64_t index = 0;
    uint64_t stride = 1;
    for (UINT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& b = Bounds(psa)[psa->cDims - 1 - d];
        const int64_t i = static_cast<int64_t>(indices[d]) - b.lLbound;
        if (i < 0 || i >= static_cast<int64_t>(b.cElements)) return std::nullopt;
        index += static_cast<uint64_t>(i) * stride;
        stride *= b.cElements;
    }
    return index;
}

// Holds one lock on an array for the length of an element access.
class LockGuard {
public:
    explicit LockGuard(SAFEARRAY* psa) : psa_(psa), hr_(SafeArrayLock(psa)) {}
    ~LockGuard() { if (SUCCEEDED(hr_)) SafeArrayUnlock(psa_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
    HRESULT hr() const { return hr_; }

private:
    SAFEARRAY* psa_;
    HRESULT hr_;
};

// A fresh descriptor with room for `dims` bounds and no data block.
RawArray NewDescriptor(UINT dims)
{
    auto* block = static_cast<char*>(std::calloc(1, kPrefix + DescriptorBytes(dims)));
    if (!block) return nullptr;
    RawArray psa(reinterpret_cast<SAFEARRAY*>(block + kPrefix));
    psa->cDims = static_cast<USHORT>(dims);
    return psa;
}

bool AllocData(SAFEARRAY* psa, size_t bytes)
{
    psa->pvData = std::calloc(bytes ? bytes : 1, 1);
    return psa->pvData != nullptr;
}

void SetPrefixVartype(SAFEARRAY* psa, VARTYPE vt)
{
    const DWORD stored = vt;
    std::memcpy(reinterpret_cast<char*>(psa) - sizeof stored, &stored, sizeof stored);
}

void SetPrefixIid(SAFEARRAY* psa, const IID& iid) { std::memcpy(BlockOf(psa), &iid, sizeof iid); }

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* bounds)
{
    if (!bounds || cDims == 0 || cDims > std::numeric_limits<USHORT>::max()) return nullptr;
    const auto kind = KindOf(vt);
    if (!kind) return nullptr;
    RawArray psa = NewDescriptor(cDims);
    if (!psa) return nullptr;
    psa->fFeatures = kind->features;
    psa->cbElements = kind->size;
    for (UINT i = 0; i < cDims; ++i) Bounds(psa.get())[i] = bounds[cDims - 1 - i];
    if (vt == VT_UNKNOWN)
        SetPrefixIid(psa.get(), IID_IUnknown);
    else if (vt == VT_DISPATCH)
        SetPrefixIid(psa.get(), IID_IDispatch);
    else
        SetPrefixVartype(psa.get(), vt);
    const auto cells = TotalCells(psa.get());
    if (!cells) return nullptr;
    const auto bytes = DataBytes(*cells, psa->cbElements);
    if (!bytes || !AllocData(psa.get(), *bytes)) return nullptr;
    return psa.release();
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (!psa) return S_OK;
    if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
    if (psa->pvData) {
        if (auto cells = TotalCells(psa)) ClearCells(psa, 0, *cells);
    }
    DescriptorFree{}(psa);
    return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, const SAFEARRAYBOUND* newBound)
{
    if (!psa || !newBound || psa->cDims == 0) return E_INVALIDARG;
    if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
    const auto inner = InnerCells(psa);
    if (!inner) return E_INVALIDARG;
    SAFEARRAYBOUND& outer = Bounds(psa)[0];
    const uint64_t oldCells = *inner * outer.cElements;
    if (*inner != 0 && newBound->cElements > kMaxDataBytes / *inner) return E_OUTOFMEMORY;
    const uint64_t newCells = *inner * newBound->cElements;
    const auto newBytes = DataBytes(newCells, psa->cbElements);
    if (!newBytes) return E_OUTOFMEMORY;

    if (newCells > oldCells) {
        void* grown = std::realloc(psa->pvData, *newBytes);
        if (!grown) return E_OUTOFMEMORY;
        psa->pvData = grown;
        std::memset(Cell(psa, oldCells), 0, static_cast<size_t>((newCells - oldCells) * psa->cbElements));
    } else if (newCells < oldCells) {
        ClearCells(psa, newCells, oldCells - newCells);
        // A failed shrink keeps the larger block, which still holds every cell.
        if (void* shrunk = std::realloc(psa->pvData, *newBytes ? *newBytes : 1)) psa->pvData = shrunk;
    }
    outer = *newBound;
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!psa) return S_OK;  // a null array copies to null, as on the original
    if (psa->cDims == 0) return E_INVALIDARG;
    const auto cells = TotalCells(psa);
    if (!cells) return E_INVALIDARG;
    const auto bytes = DataBytes(*cells, psa->cbElements);
    if (!bytes) return E_OUTOFMEMORY;

    RawArray copy = NewDescriptor(psa->cDims);
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(BlockOf(copy.get()), BlockOf(psa), kPrefix + DescriptorBytes(psa->cDims));
    copy->fFeatures = psa->fFeatures & ~kPlacementFeatures;
    copy->cLocks = 0;
    copy->pvData = nullptr;
    if (!AllocData(copy.get(), *bytes)) return E_OUTOFMEMORY;

    const USHORT kind = psa->fFeatures & kCellKinds;
    for (uint64_t i = 0; i < *cells; ++i) {
        const HRESULT hr = CopyCell(kind, psa->cbElements, Cell(psa, i), Cell(copy.get(), i));
        if (FAILED(hr)) {
            // Cells past i are still zero, so the partial copy can be destroyed as a whole.
            SafeArrayDestroy(copy.release());
            return hr;
        }
    }
    *out = copy.release();
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa)
{
    if (!psa) return E_INVALIDARG;
    std::atomic_ref<ULONG> locks(psa->cLocks);
    ULONG n = locks.load();
    do {
        if (n >= kMaxLocks) return E_UNEXPECTED;
    } while (!locks.compare_exchange_weak(n, n + 1));
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa)
{
    if (!psa) return E_INVALIDARG;
    std::atomic_ref<ULONG> locks(psa->cLocks);
    ULONG n = locks.load();
    do {
        if (n == 0) return E_UNEXPECTED;
    } while (!locks.compare_exchange_weak(n, n - 1));
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data)
{
    if (!psa || !data) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(psa);
    *data = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

// `out` receives a copy the caller owns: a new BSTR, an AddRef'd interface, a
// VariantCopy'd VARIANT. It is an [out] argument: whatever it held before is
// overwritten, not freed.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* indices, void* out)
{
    if (!psa || !indices || !out) return E_INVALIDARG;
    const auto index = CellIndex(psa, indices);
    if (!index) return DISP_E_BADINDEX;
    LockGuard lock(psa);
    if (FAILED(lock.hr())) return lock.hr();
    const USHORT kind = psa->fFeatures & kCellKinds;
    if (kind & FADF_VARIANT) {
        // Copied aside so that a failed copy leaves `out` as it was.
        VARIANT v;
        VariantInit(&v);
        const HRESULT hr = VariantCopy(&v, reinterpret_cast<const VARIANT*>(Cell(psa, *index)));
        if (FAILED(hr)) return hr;
        std::memcpy(out, &v, sizeof v);
        return S_OK;
    }
    return CopyCell(kind, psa->cbElements, Cell(psa, *index), static_cast<char*>(out));
}

// `value` points at the element's data, except for BSTR and interface arrays,
// where it is the BSTR or the interface pointer itself, as on the original.
HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* indices, void* value)
{
    if (!psa || !indices) return E_INVALIDARG;
    const USHORT kind = psa->fFeatures & kCellKinds;
    if (!value && !(kind & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH))) return E_INVALIDARG;
    const auto index = CellIndex(psa, indices);
    if (!index) return DISP_E_BADINDEX;
    LockGuard lock(psa);
    if (FAILED(lock.hr())) return lock.hr();
    char* cell = Cell(psa, *index);

    if (kind & FADF_VARIANT) return VariantCopy(reinterpret_cast<VARIANT*>(cell), static_cast<const VARIANT*>(value));
    if (kind & FADF_BSTR) {
        bool ok = true;
        BSTR copy = CopyBstr(static_cast<BSTR>(value), &ok);
        if (!ok) return E_OUTOFMEMORY;
        BSTR old;
        std::memcpy(&old, cell, sizeof old);
        std::memcpy(cell, &copy, sizeof copy);
        SysFreeString(old);
        return S_OK;
    }
    if (kind & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* p = static_cast<IUnknown*>(value);
        if (p) p->AddRef();
        IUnknown* old;
        std::memcpy(&old, cell, sizeof old);
        std::memcpy(cell, &p, sizeof p);
        if (old) old->Release();
        return S_OK;
    }
    std::memcpy(cell, value, psa->cbElements);
    return S_OK;
}

// `dim` counts from 1 for the first dimension.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* out)
{
    if (!psa || !out) return E_INVALIDARG;
    if (dim == 0 || dim > psa->cDims) return DISP_E_BADINDEX;
    *out = Bounds(psa)[psa->cDims - dim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* out)
{
    if (!psa || !out) return E_INVALIDARG;
    if (dim == 0 || dim > psa->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = Bounds(psa)[psa->cDims - dim];
    // A zero-element dimension has its upper bound one below the lower one.
    *out = static_cast<LONG>(static_cast<int64_t>(b.lLbound) + b.cElements - 1);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* out)
{
    if (!psa || !out) return E_INVALIDARG;
    if (psa->fFeatures & FADF_HAVEVARTYPE) {
        DWORD stored;
        std::memcpy(&stored, reinterpret_cast<char*>(psa) - sizeof stored, sizeof stored);
        *out = static_cast<VARTYPE>(stored);
    } else if (psa->fFeatures & FADF_RECORD) {
        *out = VT_RECORD;
    } else if (psa->fFeatures & FADF_BSTR) {
        *out = VT_BSTR;
    } else if (psa->fFeatures & FADF_UNKNOWN) {
        *out = VT_UNKNOWN;
    } else if (psa->fFeatures & FADF_DISPATCH) {
        *out = VT_DISPATCH;
    } else if (psa->fFeatures & FADF_VARIANT) {
        *out = VT_VARIANT;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}
