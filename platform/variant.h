#pragma once
// VARIANT: a tagged value of the automation types.
#include <string>

#include "platform/bstr.h"
#include "platform/export.h"
#include "platform/hresult.h"
#include "platform/types.h"

struct IUnknown;
struct IDispatch;
struct SAFEARRAY;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_CY = 6, VT_DATE = 7,
    VT_BSTR = 8, VT_DISPATCH = 9, VT_ERROR = 10, VT_BOOL = 11, VT_VARIANT = 12, VT_UNKNOWN = 13,
    VT_DECIMAL = 14, VT_I1 = 16, VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19, VT_I8 = 20, VT_UI8 = 21,
    VT_INT = 22, VT_UINT = 23, VT_VOID = 24, VT_HRESULT = 25, VT_PTR = 26, VT_SAFEARRAY = 27,
    VT_CARRAY = 28, VT_USERDEFINED = 29, VT_LPSTR = 30, VT_LPWSTR = 31, VT_RECORD = 36,
    VT_INT_PTR = 37, VT_UINT_PTR = 38, VT_FILETIME = 64, VT_BLOB = 65, VT_STREAM = 66,
    VT_STORAGE = 67, VT_STREAMED_OBJECT = 68, VT_STORED_OBJECT = 69, VT_BLOB_OBJECT = 70,
    VT_CF = 71, VT_CLSID = 72,
    VT_VECTOR = 0x1000, VT_ARRAY = 0x2000, VT_BYREF = 0x4000, VT_RESERVED = 0x8000,
    VT_ILLEGAL = 0xFFFF, VT_ILLEGALMASKED = 0x0FFF, VT_TYPEMASK = 0x0FFF
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        ULONGLONG ullVal;
        LONG lVal;
        ULONG ulVal;
        INT intVal;
        UINT uintVal;
        BYTE bVal;
        CHAR cVal;
        SHORT iVal;
        USHORT uiVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
    };
};
using VARIANTARG = VARIANT;

// Flags of VariantChangeType(Ex).
inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
inline constexpr USHORT VARIANT_ALPHABOOL = 0x02;
inline constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
inline constexpr USHORT VARIANT_CALENDAR_HIJRI = 0x08;
inline constexpr USHORT VARIANT_LOCALBOOL = 0x10;
inline constexpr USHORT VARIANT_USE_NLS = 0x80;
inline constexpr DWORD LOCALE_NOUSEROVERRIDE = 0x80000000u;

PLATFORM_API void VariantInit(VARIANT* v);
PLATFORM_API HRESULT VariantClear(VARIANT* v);
// Deep copy: BSTRs and arrays are duplicated, interfaces get a reference.
PLATFORM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// As VariantCopy, reading a VT_BYREF source through its reference.
PLATFORM_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
PLATFORM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);
PLATFORM_API HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt);

// Debug text of a VARTYPE ("VT_BSTR|VT_BYREF") and of a VARIANT
// ("VT_I4:42", "VT_BSTR:\"abc\""), for test messages and diagnostics.
PLATFORM_API std::string VarTypeToString(VARTYPE vt);
PLATFORM_API std::string VariantToString(const VARIANT& v);

// The owner of one VARIANT: initialised empty, cleared on destruction.
class Variant : public VARIANT {
public:
    Variant() noexcept { VariantInit(this); }
    Variant(const VARIANT& v) { VariantInit(this); Check(VariantCopy(this, &v)); }
    Variant(const Variant& v) : Variant(static_cast<const VARIANT&>(v)) {}
    Variant& operator=(const Variant& v)
    {
        if (this != &v) Check(VariantCopy(this, &v));
        return *this;
    }
    ~Variant() { VariantClear(this); }

    static Variant Long(LONG n) { Variant v; v.vt = VT_I4; v.lVal = n; return v; }
    static Variant Double(double d) { Variant v; v.vt = VT_R8; v.dblVal = d; return v; }
    static Variant Bool(bool b) { Variant v; v.vt = VT_BOOL; v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; return v; }
    static Variant Text(std::u16string_view s) { Variant v; v.vt = VT_BSTR; v.bstrVal = BStr(s).Detach(); return v; }
    static Variant Null() { Variant v; v.vt = VT_NULL; return v; }
    static Variant Short(SHORT n) { Variant v; v.vt = VT_I2; v.iVal = n; return v; }
    static Variant Single(float f) { Variant v; v.vt = VT_R4; v.fltVal = f; return v; }
    static Variant Date(DATE d) { Variant v; v.vt = VT_DATE; v.date = d; return v; }
    static Variant Error(SCODE code) { Variant v; v.vt = VT_ERROR; v.scode = code; return v; }
    // Only the type set, the value zeroed (VT_EMPTY, VT_NULL, and a zero of
    // any scalar type).
    static Variant OfType(VARTYPE vt) { Variant v; v.vt = vt; return v; }

    // Clears and gives the address for an [out] VARIANT argument.
    VARIANT* put() noexcept { VariantClear(this); return this; }

private:
    PLATFORM_API static void Check(HRESULT hr);  // exported: the inline members above call it from other modules
};
