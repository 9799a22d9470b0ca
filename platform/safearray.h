#pragma once
// SAFEARRAY: a counted, bounded, lockable array.
#include <memory>

#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/types.h"

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];  // cDims entries; the last dimension first, as on the original
};

inline constexpr USHORT FADF_AUTO = 0x0001;
inline constexpr USHORT FADF_STATIC = 0x0002;
inline constexpr USHORT FADF_EMBEDDED = 0x0004;
inline constexpr USHORT FADF_FIXEDSIZE = 0x0010;
inline constexpr USHORT FADF_RECORD = 0x0020;
inline constexpr USHORT FADF_HAVEIID = 0x0040;
inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
inline constexpr USHORT FADF_BSTR = 0x0100;
inline constexpr USHORT FADF_UNKNOWN = 0x0200;
inline constexpr USHORT FADF_DISPATCH = 0x0400;
inline constexpr USHORT FADF_VARIANT = 0x0800;

// Element types: VT_I1, VT_UI1, VT_I2, VT_UI2, VT_BOOL, VT_I4, VT_UI4, VT_INT, VT_UINT,
// VT_R4, VT_ERROR, VT_R8, VT_CY, VT_DATE, VT_I8, VT_UI8, VT_DECIMAL, VT_BSTR, VT_VARIANT,
// VT_UNKNOWN, VT_DISPATCH; cells start zeroed (VT_EMPTY, null). `bounds[0]` is the
// first dimension. Null for another type, no dimensions, or a data block over 4 GB.
PLATFORM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* bounds);
PLATFORM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Frees the cells' content and the array; DISP_E_ARRAYISLOCKED (nothing done) while locked.
PLATFORM_API HRESULT SafeArrayDestroy(SAFEARRAY* psa);
// New bounds of the last dimension: dropped cells are freed, new ones zeroed.
// DISP_E_ARRAYISLOCKED (nothing done) while locked.
PLATFORM_API HRESULT SafeArrayRedim(SAFEARRAY* psa, const SAFEARRAYBOUND* newBound);
// Deep copy (strings duplicated, VARIANTs copied, interfaces AddRef'd), unlocked.
PLATFORM_API HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out);
PLATFORM_API HRESULT SafeArrayLock(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayUnlock(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data);
PLATFORM_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// `indices[0]` is the index in the first dimension; DISP_E_BADINDEX when out of bounds.
// `out` receives a copy the caller owns (a new BSTR, an AddRef'd interface, a
// copied VARIANT); it is overwritten, not cleared.
PLATFORM_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* indices, void* out);
// `value` points at the element, except in BSTR and interface arrays, where it
// is the BSTR or the interface pointer itself. The cell keeps a copy.
PLATFORM_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* indices, void* value);
// `dim` counts from 1 (the first dimension).
PLATFORM_API HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* out);
PLATFORM_API HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* out);
PLATFORM_API UINT SafeArrayGetDim(SAFEARRAY* psa);
PLATFORM_API UINT SafeArrayGetElemsize(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* out);

// The owner of one SAFEARRAY. Destruction goes through SafeArrayDestroy, so an
// array that is still locked when its owner dies is leaked, never freed under
// its lock.
struct SafeArrayDeleter {
    void operator()(SAFEARRAY* psa) const noexcept { SafeArrayDestroy(psa); }
};
using SafeArrayPtr = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

// Scope guard of SafeArrayAccessData/SafeArrayUnaccessData: check hr() (or
// data()) before touching the cells.
class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* psa) noexcept : psa_(psa), hr_(SafeArrayAccessData(psa, &data_)) {}
    ~SafeArrayAccess() { if (SUCCEEDED(hr_)) SafeArrayUnaccessData(psa_); }
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;

    HRESULT hr() const noexcept { return hr_; }
    template <class T = void>
    T* data() const noexcept { return static_cast<T*>(data_); }

private:
    SAFEARRAY* psa_;
    void* data_ = nullptr;
    HRESULT hr_;
};
