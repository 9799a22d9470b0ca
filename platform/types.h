#pragma once
// The platform's scalar types. The originals are 32-bit Windows types: every
// LONG, ULONG, HRESULT and LCID is exactly 32 bits here too (never C `long`,
// which is 64-bit on this system), and OLECHAR is a UTF-16 code unit.
#include <cstddef>
#include <cstdint>

using BYTE = uint8_t;
using CHAR = char;
using SHORT = int16_t;
using USHORT = uint16_t;
using WORD = uint16_t;
using INT = int32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using BOOL = int32_t;
using FLOAT = float;
using DOUBLE = double;

using HRESULT = int32_t;
using SCODE = int32_t;
using LCID = uint32_t;
using LANGID = uint16_t;
using DISPID = int32_t;
using MEMBERID = DISPID;

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using WCHAR = char16_t;
using BSTR = OLECHAR*;

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using DATE = double;

// A loaded module (plug-in or executable): the load address of its image.
using HMODULE = void*;
using HINSTANCE = HMODULE;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_NEUTRAL = 0x0000;

constexpr LANGID MAKELANGID(unsigned primary, unsigned sub) { return static_cast<LANGID>((sub << 10) | primary); }
constexpr LANGID LANGIDFROMLCID(LCID lcid) { return static_cast<LANGID>(lcid & 0xFFFF); }
constexpr LCID MAKELCID(LANGID lang, unsigned sort) { return (static_cast<LCID>(sort) << 16) | lang; }
