#pragma once
// GUID, IID and CLSID, and their "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text form.
#include <string>

#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/types.h"

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return false;
        return true;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};
inline constexpr const GUID& IID_NULL = GUID_NULL;
inline constexpr const GUID& CLSID_NULL = GUID_NULL;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

// Total order, so that GUIDs can key ordered containers.
struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const noexcept;
};

// Parses "{...}" (braces required, hex digits in either case). False on any
// other form; `out` is then unchanged.
PLATFORM_API bool GuidFromString(const std::string& text, GUID* out);
// Upper-case "{...}" form, 38 characters.
PLATFORM_API std::string GuidToString(REFGUID guid);

// The platform's own names for the same conversions, on wide text.
PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out);
PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, IID* out);
// Writes the 38 characters and a terminating zero; returns the number of
// characters written including the zero, or 0 when `cchMax` is too small.
PLATFORM_API int StringFromGUID2(REFGUID guid, LPOLESTR out, int cchMax);
