// Values: the Value put and Type put paths, and value attributes.
#include "common/value.h"

#include "common/KxError.h"
#include "common/plugin.h"

namespace {
const CLSID& ValueClsid() { return bvd::ThisPlugin().classes.value; }
}  // namespace

HRESULT CValue::FinalConstruct()
{
    return KxBoundary(ValueClsid(), IID_IValue, [&]() -> HRESULT {
        const HRESULT hr = m_Attributes.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"ValueAttributes");
        return S_OK;
    });
}

HRESULT CValue::get_Value(VARIANT_BOOL, VARIANT* pVal)
{
    if (!pVal) return E_POINTER;
    VariantInit(pVal);
    if (m_Type == mtLevel) {
        pVal->vt = VT_UNKNOWN;
        pVal->punkVal = m_Level.get();
        if (pVal->punkVal) pVal->punkVal->AddRef();
        return S_OK;
    }
    return VariantCopy(pVal, &m_Value.Value());
}

void CValue::PutValue(const VARIANT& v)
{
    if (v.vt == VT_UNKNOWN) {
        (void)KX_CHECK(v.punkVal != nullptr, "level value without an object");
        m_Type = mtLevel;
        m_Level = ComPtr<IUnknown>(v.punkVal);
        m_Value.Clear();
        return;
    }
    m_Level.Reset();
    const DataTypeConstants t = m_Value.KXTypeFromVt(v.vt);
    if (m_Type == t) {
        m_Value.Assign(v);
    } else if (m_Type == mtNone) {
        m_Value.Assign(v);
        m_Type = m_Value.Type();
    } else if (t == mtNone) {  // empty, null or the missing marker
        m_Value.Clear();
        m_Type = mtNone;
    } else {
        // Converted to the declared type: a column declared mtLong that
        // receives the text 42 holds the long 42.
        CKXVariant converted(v, m_Value.Locale(), m_Value.Language());
        converted.ChangeType(m_Type);
        m_Value = converted;
    }
}

HRESULT CValue::put_Value(VARIANT_BOOL IsDirty, VARIANT newVal)
{
    return KxBoundary(ValueClsid(), IID_IValue, [&]() -> HRESULT {
        PutValue(newVal);
        if (IsDirty == VARIANT_TRUE) m_bDirty = VARIANT_TRUE;
        return S_OK;
    });
}

HRESULT CValue::get_Type(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Type;
    return S_OK;
}

HRESULT CValue::put_Type(LONG newVal)
{
    return KxBoundary(ValueClsid(), IID_IValue, [&]() -> HRESULT {
        const auto t = static_cast<DataTypeConstants>(newVal);
        if (t == mtLevel) {
            m_Type = mtLevel;
            return S_OK;
        }
        if (m_Type == mtLevel) m_Level.Reset();
        m_Value.ChangeType(t);
        m_Type = m_Value.Type();
        return S_OK;
    });
}

HRESULT CValue::get_Attributes(IValueAttributes** pVal) { return bvd::CopyInterface(m_Attributes.Interface(), pVal); }

HRESULT CValue::get_IsDirty(VARIANT_BOOL* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_bDirty;
    return S_OK;
}

HRESULT CValue::put_IsDirty(VARIANT_BOOL newVal)
{
    (void)KX_CHECK(newVal == VARIANT_TRUE || newVal == VARIANT_FALSE, "IsDirty neither true nor false");
    m_bDirty = newVal;  // stored as given
    return S_OK;
}

HRESULT CValue::Clear()
{
    return KxBoundary(ValueClsid(), IID_IValue, [&]() -> HRESULT {
        m_Value.Clear();  // the declared type stays
        return S_OK;
    });
}

HRESULT CValue::GetChunk(LONG, VARIANT*) { return E_NOTIMPL; }

HRESULT CValue::AppendChunk(VARIANT) { return E_NOTIMPL; }

HRESULT CValueAttribute::get_Name(BSTR* pVal) { return bvd::CopyBstr(m_Name.get(), pVal); }

HRESULT CValueAttribute::get_Value(VARIANT* pVal)
{
    if (!pVal) return E_POINTER;
    VariantInit(pVal);
    return VariantCopy(pVal, &m_Value);
}

HRESULT CValueAttribute::Set(const char16_t* name, const VARIANT& value)
{
    try {
        m_Name = BStr(std::u16string_view(name ? name : u""));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return VariantCopy(&m_Value, &value);
}
