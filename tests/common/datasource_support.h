#pragma once
// The test plug-in identity of the object-model suite and helpers that read
// objects back as the host does.
#include <gtest/gtest.h>

#include <string>

#include "common/comobjectptr.h"
#include "common/plugin.h"
#include "common/properties.h"
#include "platform/errorinfo.h"
#include "platform/errorrecords.h"

namespace dstest {

// Two identities: reader-like (builds its schema alone) and writer-like (the
// host appends tables and columns). ThisPlugin() answers the current one.
extern const bvd::DataSourcePlugin kReaderLike;
extern const bvd::DataSourcePlugin kWriterLike;
void UsePlugin(const bvd::DataSourcePlugin& plugin);

// Writes HKCR\CLSID\{clsid}\ProgID = "Bvdtest.<class>.1" for every class of
// the current identity (error reporting reads it back).
void RegisterProgIds();

inline std::string Text(BSTR s) { return Utf16ToUtf8(s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view()); }

// The thread's error as the host reads it.
struct ReportedError {
    std::string description;
    std::string source;
    HRESULT hr = S_OK;
    CLSID clsid{};
    IID iid{};
};
ReportedError TakeError();

inline Variant Index(LONG n) { return Variant::Long(n); }
inline Variant Name(const char16_t* s)
{
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(s);
    return v;
}

// A host-side property of any type, held by a property collection.
ComPtr<IProperties> MakeProperties(std::initializer_list<std::pair<const char16_t*, Variant>> items);

}  // namespace dstest
