// CKXVariant: construction, assignment, types, text and the conversion
// dispatcher (ChangeType). Categorical conversions are in KxCategorical.cpp,
// Compare in KxCompare.cpp.
#include "common/KxVariant.h"

#include <cstring>

#include "common/KxAssert.h"
#include "common/KxError.h"
#include "platform/win32.h"

namespace {

// The text of a (possibly by-reference) BSTR variant.
BSTR HeldText(const VARIANT& v) noexcept { return (v.vt & VT_BYREF) ? (v.pbstrVal ? *v.pbstrVal : nullptr) : v.bstrVal; }

}  // namespace

CKXVariant::CKXVariant(DataTypeConstants type, LCID lcid, DWORD langid)
    : m_lcid(lcid), m_langid(langid), m_Type(mtNone)
{
    VariantInit(&m_vtVal);
    if (type == mtCategorical) {
        comvector empty;
        RaiseError(m_langid, empty.Create(0), KXE_CATEGORICAL_UPDATE);
        AttachCategorical(*this, empty);
    } else if (type != mtNone) {
        ChangeType(*this, *this, type, lcid);
    }
}

CKXVariant::CKXVariant(const OLECHAR* text, LCID lcid, DWORD langid)
    : m_lcid(lcid), m_langid(langid), m_Type(mtText)
{
    VariantInit(&m_vtVal);
    m_vtVal.bstrVal = SysAllocString(text ? text : u"");
    if (m_vtVal.bstrVal) {
        m_vtVal.vt = VT_BSTR;
    } else {
        m_vtVal.vt = VT_ERROR;
        m_vtVal.scode = E_OUTOFMEMORY;
        m_Type = mtNone;
    }
}

CKXVariant::CKXVariant(const VARIANT& variant, LCID lcid, DWORD langid)
    : m_lcid(lcid), m_langid(langid), m_Type(mtNone)
{
    VariantInit(&m_vtVal);
    Assign(variant);
}

CKXVariant::CKXVariant(const CKXVariant& other)
    : m_lcid(other.m_lcid), m_langid(other.m_langid), m_Type(mtNone)
{
    VariantInit(&m_vtVal);
    *this = other;
}

CKXVariant& CKXVariant::operator=(const CKXVariant& other)
{
    if (this == &other) return *this;
    Variant copy;
    const HRESULT hr = VariantCopy(&copy, &other.m_vtVal);
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    if (FAILED(hr)) RaiseErrorWithSystemText(m_langid, hr, KXE_CATEGORICAL_UPDATE);  // only an array copy fails otherwise
    Commit(copy, other.m_Type);
    m_lcid = other.m_lcid;
    m_langid = other.m_langid;
    return *this;
}

CKXVariant::~CKXVariant() { VariantClear(&m_vtVal); }

void CKXVariant::Commit(VARIANT& value, DataTypeConstants type)
{
    RaiseErrorWithSystemText(m_langid, VariantClear(&m_vtVal), KXE_CLEAR_VALUE);
    std::memcpy(static_cast<void*>(&m_vtVal), &value, sizeof(VARIANT));
    VariantInit(&value);
    m_Type = type;
}

void CKXVariant::Assign(const VARIANT& variant)
{
    // VT_I2 and VT_R4 are widened (plain conversion, no locale); the type is
    // decided before anything changes, so an unsupported VARTYPE leaves this
    // value as it was.
    const VARTYPE widened = variant.vt == VT_I2 ? VARTYPE(VT_I4) : variant.vt == VT_R4 ? VARTYPE(VT_R8) : variant.vt;
    const DataTypeConstants type = KXTypeFromVt(widened);
    Variant copy;
    const HRESULT hr = widened != variant.vt ? VariantChangeType(&copy, &variant, 0, widened)
                                             : VariantCopy(&copy, &variant);
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    if (FAILED(hr)) RaiseErrorWithSystemText(m_langid, hr, KXE_CATEGORICAL_UPDATE);  // only an array copy fails otherwise
    Commit(copy, type);
}

void CKXVariant::Clear()
{
    RaiseErrorWithSystemText(m_langid, VariantClear(&m_vtVal), KXE_CLEAR_VALUE);
    m_Type = mtNone;
}

const OLECHAR* CKXVariant::AsText() const
{
    if (m_Type == mtText) {
        const BSTR text = HeldText(m_vtVal);
        m_strText.assign(text ? text : u"", text ? SysStringLen(text) : 0);
        return m_strText.c_str();
    }
    // Conversion errors other than a failed OLE conversion (which gives
    // "####" by itself) are caught: the text serves error messages, which
    // must not fail in turn. The reader plug-in's choice, taken for both.
    try {
        CKXVariant temp(mtNone, m_lcid, m_langid);
        temp.ChangeVt(temp, *this, VT_BSTR, KX_SOURCE_LOCALE);
        const BSTR text = HeldText(temp.m_vtVal);
        m_strText.assign(text ? text : u"", text ? SysStringLen(text) : 0);
    } catch (const CKXError&) {
        m_strText = u"####";
    }
    return m_strText.c_str();
}

std::string CKXVariant::AsAnsiText() const { return WideToAnsi(AsText()); }

bool CKXVariant::IsMissingValue() const
{
    if (m_vtVal.vt != VT_ERROR) return false;
    // Any other VT_ERROR content is a programming error; release builds
    // answer "not missing".
    return KX_CHECK(m_vtVal.scode == DISP_E_PARAMNOTFOUND, "VT_ERROR other than the missing marker");
}

VARIANT CKXVariant::MissingValue() noexcept
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

DataTypeConstants CKXVariant::KXTypeFromVt(VARTYPE vt) const
{
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR: return mtNone;
    case VT_I4: return mtLong;
    case VT_BSTR:
    case VT_BSTR | VT_BYREF: return mtText;
    case VT_ARRAY | VT_VARIANT:
    case VT_ARRAY | VT_VARIANT | VT_BYREF: return mtCategorical;
    case VT_UI1 | VT_BYREF:
        KX_CHECK(false, "mtObject not supported");  // release builds take it as it is
        return mtObject;
    case VT_DATE: return mtDate;
    case VT_R8: return mtDouble;
    case VT_BOOL: return mtBoolean;
    default: break;
    }
    RaiseError(m_langid, E_INVALIDARG, KXE_UNKNOWN_DATA_TYPE);
    return mtNone;  // not reached: RaiseError throws for a failure
}

VARTYPE CKXVariant::VtFromKXType(DataTypeConstants type) const
{
    switch (type) {
    case mtNone: return VT_EMPTY;
    case mtLong: return VT_I4;
    case mtText: return VT_BSTR;
    case mtCategorical: return VT_ARRAY | VT_VARIANT;
    case mtObject: return VT_BYREF | VT_UI1;
    case mtDate: return VT_DATE;
    case mtDouble: return VT_R8;
    case mtBoolean: return VT_BOOL;
    case mtLevel: break;
    }
    RaiseError(m_langid, E_INVALIDARG, KXE_UNKNOWN_DATA_TYPE);
    return VT_EMPTY;  // not reached
}

const char16_t* CKXVariant::TypeName(LONG type) noexcept
{
    switch (type) {
    case mtNone: return u"None";
    case mtLong: return u"Long";
    case mtText: return u"Text";
    case mtCategorical: return u"Categorical";
    case mtObject: return u"Object";
    case mtDate: return u"Date";
    case mtDouble: return u"Double";
    case mtBoolean: return u"Boolean";
    default: break;
    }
    KX_CHECK(false, "type without a name");
    return u"---";
}

BSTR CKXVariant::Text() const
{
    if (m_Type != mtText) KX_PROGRAMMING_ERROR("Text() of a value that is not mtText");
    return HeldText(m_vtVal);
}

SAFEARRAY* CKXVariant::Categorical() const
{
    if (m_Type != mtCategorical) KX_PROGRAMMING_ERROR("Categorical() of a value that is not mtCategorical");
    return (m_vtVal.vt & VT_BYREF) ? (m_vtVal.pparray ? *m_vtVal.pparray : nullptr) : m_vtVal.parray;
}

SAFEARRAY* CKXVariant::AsCategorical()
{
    if (m_Type == mtCategorical) return Categorical();
    CKXVariant temp(mtNone, m_lcid, m_langid);
    ChangeType(temp, *this, mtCategorical, KX_SOURCE_LOCALE);
    comvector copy;
    copy.Attach(temp.m_vtVal.parray);
    VariantInit(&temp.m_vtVal);
    temp.m_Type = mtNone;
    m_vecCategorical = std::move(copy);
    return m_vecCategorical.get();
}

void CKXVariant::RaiseMismatch(HRESULT hr, const CKXVariant& src, LONG type) const
{
    CKXError error(m_langid, hr);
    error.SetMessage(KXE_TYPE_MISMATCH, src.AsText(), TypeName(src.m_Type), TypeName(type));
    throw error;
}

void CKXVariant::RaiseCategorical(HRESULT hr) const
{
    RaiseErrorWithSystemText(m_langid, hr, KXE_CATEGORICAL_UPDATE);
    throw CKXError(m_langid, E_UNEXPECTED);  // not reached: callers pass failures
}

void CKXVariant::ChangeVt(CKXVariant& dest, const CKXVariant& src, VARTYPE vt, LCID lcid)
{
    if (lcid == KX_SOURCE_LOCALE) lcid = src.m_lcid;
    ChangeType(dest, src, KXTypeFromVt(vt), lcid);
}

void CKXVariant::ChangeType(CKXVariant& dest, const CKXVariant& src, DataTypeConstants type, LCID lcid)
{
    // 1. Nothing to do in place.
    if (type == src.m_Type && &dest == &src) return;
    // 2.
    if (lcid == KX_SOURCE_LOCALE) lcid = src.m_lcid;
    // 3.
    if (type == mtNone) {
        dest.Clear();
        return;
    }
    // 4. An empty text converts as the empty value.
    if (src.m_Type == mtText) {
        const BSTR text = HeldText(src.m_vtVal);
        if (SysStringLen(text) == 0) {
            dest.Clear();
            ChangeType(dest, dest, type, lcid);
            return;
        }
    }
    // 5., 6. Categorical sets.
    if (type == mtCategorical) {
        ToCategorical(dest, src);
        return;
    }
    if (src.m_Type == mtCategorical) {
        FromCategorical(dest, src, type);
        return;
    }
    // 7. Booleans count as 1 and 0, never as the OLE true (-1).
    if (src.m_Type == mtBoolean && (type == mtLong || type == mtDouble)) {
        const bool truth = src.m_vtVal.boolVal != VARIANT_FALSE;
        Variant result = type == mtLong ? Variant::Long(truth ? 1 : 0) : Variant::Double(truth ? 1.0 : 0.0);
        dest.Commit(result, type);
        return;
    }
    // 8. OLE Automation.
    const VARTYPE vt = VtFromKXType(type);
    Variant result;
    const HRESULT hr = VariantChangeTypeEx(&result, &src.m_vtVal, lcid, VARIANT_ALPHABOOL, vt);
    if (FAILED(hr)) {
        if (type != mtText) RaiseMismatch(hr, src, type);
        result.vt = VT_BSTR;
        result.bstrVal = SysAllocString(u"####");
        if (!result.bstrVal) throw std::bad_alloc();
    }
    dest.Commit(result, type);
}
