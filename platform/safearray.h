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

PLATFORM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* bounds);
PLATFORM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
PLATFORM_API HRESULT SafeArrayDestroy(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayRedim(SAFEARRAY* psa, const SAFEARRAYBOUND* newBound);
PLATFORM_API HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out);
PLATFORM_API HRESULT SafeArrayLock(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayUnlock(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data);
PLATFORM_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* indices, void* out);
PLATFORM_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* indices, void* value);
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
