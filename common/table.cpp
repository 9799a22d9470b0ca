// Tables: construction of their two collections and the created rule.
#include "common/table.h"

CTable::~CTable()
{
    // Links to this table answer null from here on.
    m_ParentLinks.ClearAll();
}

HRESULT CTable::FinalConstruct()
{
    return KxBoundary(bvd::ThisPlugin().classes.table, IID_ITable, [&]() -> HRESULT {
        HRESULT hr = m_Columns.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Columns");
        hr = m_Children.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Tables");
        return S_OK;
    });
}

HRESULT CTable::CheckNotCreated()
{
    if (!m_bCreated) return S_OK;
    return ReportNewError(m_Ctx.langid, E_FAIL, bvd::ThisPlugin().classes.table, IID_ITable, KXE_TABLE_EXISTS);
}

HRESULT CTable::get_Name(BSTR* pVal) { return bvd::CopyBstr(m_Name.get(), pVal); }

HRESULT CTable::put_Name(BSTR newVal)
{
    if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
    BStr name(newVal ? std::u16string_view(newVal, SysStringLen(newVal)) : std::u16string_view());
    if (newVal && !name.get()) return E_OUTOFMEMORY;
    m_Name = std::move(name);
    return S_OK;
}

HRESULT CTable::get_Columns(IColumns** pVal) { return bvd::CopyInterface(m_Columns.Interface(), pVal); }

HRESULT CTable::get_Children(ITables** pVal) { return bvd::CopyInterface(m_Children.Interface(), pVal); }

HRESULT CTable::get_Type(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Type;
    return S_OK;
}

HRESULT CTable::put_Type(LONG newVal)
{
    if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
    m_Type = static_cast<TableTypeConstants>(newVal);
    return S_OK;
}

HRESULT CTable::get_Parent(ITable** pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Parent.Get();
    return S_OK;
}

HRESULT CTable::putref_Parent(ITable* newVal)
{
    if (newVal) {
        if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
    }
    try {
        m_Parent.Set(newVal, LinksOf(newVal));  // null clears it, even on a created table
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// A table answers its own class identifier with itself: how a table or
// column of this module tells this module's tables from other components'.
void* CTable::QueryExtra(REFIID riid) { return riid == bvd::ThisPlugin().classes.table ? this : nullptr; }

bvd::ParentLinks* CTable::LinksOf(ITable* table) noexcept
{
    // The caller's own reference keeps the table beyond this one.
    const ComPtr<CTable> self = ImplementationOf<CTable>(table, bvd::ThisPlugin().classes.table);
    return self ? &self->m_ParentLinks : nullptr;
}

HRESULT CTable::get_Level(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Level;
    return S_OK;
}

HRESULT CTable::put_Level(LONG newVal)
{
    if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
    m_Level = newVal;
    return S_OK;
}

HRESULT CTable::get_LodexObject(IUnknown** pVal) { return bvd::CopyInterface(m_LodexObject.get(), pVal); }

HRESULT CTable::putref_LodexObject(IUnknown* newVal)
{
    ComPtr<IUnknown> object;
    if (newVal) {
        if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
        if (const HRESULT hr = newVal->QueryInterface(IID_IUnknown, object.put_void()); FAILED(hr)) return hr;
    }
    m_LodexObject = std::move(object);
    return S_OK;
}
