#pragma once
// BSTR: a length-prefixed UTF-16 string.
//
//   [ byte length : uint32 ][ c0 c1 ... cn-1 ][ 0 ]
//                           ^ the BSTR points here
//
// The prefix counts bytes, not characters; the terminating zero is not
// counted. A null BSTR is a valid empty string for every reader.
#include <string>
#include <string_view>
#include <utility>

#include "platform/export.h"
#include "platform/types.h"

PLATFORM_API BSTR SysAllocString(const OLECHAR* psz);
// `len` characters copied from `pch` (or left zero when `pch` is null).
PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* pch, UINT len);
// `len` bytes; the result may hold an odd number of bytes.
PLATFORM_API BSTR SysAllocStringByteLen(const char* psz, UINT len);
PLATFORM_API void SysFreeString(BSTR bstr);
PLATFORM_API UINT SysStringLen(BSTR bstr);
PLATFORM_API UINT SysStringByteLen(BSTR bstr);
// Replace *pbstr with a copy of the text; TRUE on success, FALSE when memory
// runs out (*pbstr then unchanged).
PLATFORM_API BOOL SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
PLATFORM_API BOOL SysReAllocStringLen(BSTR* pbstr, const OLECHAR* pch, UINT len);

// Text conversion between UTF-8 and UTF-16. Ill-formed input becomes U+FFFD.
PLATFORM_API std::u16string Utf8ToUtf16(std::string_view text);
PLATFORM_API std::string Utf16ToUtf8(std::u16string_view text);

// The owner of one BSTR.
class BStr {
public:
    BStr() noexcept = default;
    explicit BStr(std::u16string_view text) : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    static BStr FromUtf8(std::string_view text) { return BStr(Utf8ToUtf16(text)); }
    static BStr Adopt(BSTR s) noexcept { BStr r; r.s_ = s; return r; }
    BStr(const BStr& o) : s_(o.s_ ? SysAllocStringLen(o.s_, SysStringLen(o.s_)) : nullptr) {}
    BStr(BStr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    BStr& operator=(BStr o) noexcept { std::swap(s_, o.s_); return *this; }
    ~BStr() { SysFreeString(s_); }

    BSTR get() const noexcept { return s_; }
    BSTR* put() noexcept { SysFreeString(std::exchange(s_, nullptr)); return &s_; }
    BSTR Detach() noexcept { return std::exchange(s_, nullptr); }
    UINT length() const noexcept { return SysStringLen(s_); }
    std::u16string_view view() const noexcept { return s_ ? std::u16string_view(s_, SysStringLen(s_)) : std::u16string_view(); }
    std::string ToUtf8() const { return Utf16ToUtf8(view()); }

private:
    BSTR s_ = nullptr;
};
