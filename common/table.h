#pragma once
// Tables and columns: names, types and places in the schema, editable until
// the plug-in marks them created (then a put fails with 0xC0021501 or
// 0xC0021502, E_FAIL). Parent pointers are not counted; the Lodex object is.
#include "common/KxError.h"
#include "common/collections.h"
#include "common/comobjectptr.h"
#include "common/constants.h"
#include "common/parent_link.h"
#include "common/plugin.h"

class CTable : public bvd::ModelObject<ITable> {
public:
    ~CTable() override;
    HRESULT FinalConstruct();

    HRESULT get_Name(BSTR* pVal) override;
    HRESULT put_Name(BSTR newVal) override;
    HRESULT get_Columns(IColumns** pVal) override;
    HRESULT get_Children(ITables** pVal) override;
    HRESULT get_Type(LONG* pVal) override;
    HRESULT put_Type(LONG newVal) override;
    HRESULT get_Parent(ITable** pVal) override;
    HRESULT putref_Parent(ITable* newVal) override;
    HRESULT get_Level(LONG* pVal) override;
    HRESULT put_Level(LONG newVal) override;
    HRESULT get_LodexObject(IUnknown** pVal) override;
    HRESULT putref_LodexObject(IUnknown* newVal) override;

    // Set by the plug-in when the table is defined.
    void SetCreated(bool created) noexcept { m_bCreated = created; }
    bool IsCreated() const noexcept { return m_bCreated; }
    CColumns& Columns() { return *m_Columns; }
    const BStr& Name() const noexcept { return m_Name; }

    // The links that point at `table` when it is one of this module's
    // tables, else null.
    static bvd::ParentLinks* LinksOf(ITable* table) noexcept;

protected:
    // The created rule: S_OK, or the reported error's HRESULT.
    HRESULT CheckNotCreated();
    void* QueryExtra(REFIID riid) override;

    bvd::ParentLinks m_ParentLinks;  // first member: cleared before anything else goes
    BStr m_Name;
    CCtxObjectPtr<CColumns, IColumns> m_Columns;
    CCtxObjectPtr<CTables, ITables> m_Children;
    TableTypeConstants m_Type = cdVDATA;
    bvd::ParentLink m_Parent;  // not counted
    LONG m_Level = 0;
    ComPtr<IUnknown> m_LodexObject;
    bool m_bCreated = false;
};

namespace bvd {

// The standard members of a column on interface I (IColumn, or a plug-in's
// longer IColumn with the same IID).
template <class I>
class ColumnImpl : public ModelObject<I> {
public:
    HRESULT get_Name(BSTR* pVal) override { return CopyBstr(m_Name.get(), pVal); }
    HRESULT put_Name(BSTR newVal) override
    {
        if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
        BStr name(newVal ? std::u16string_view(newVal, SysStringLen(newVal)) : std::u16string_view());
        if (newVal && !name.get()) return E_OUTOFMEMORY;
        m_Name = std::move(name);
        return S_OK;
    }
    HRESULT get_Type(LONG* pVal) override { return Get(m_Type, pVal); }
    HRESULT put_Type(LONG newVal) override { return Put(m_Type, static_cast<DataTypeConstants>(newVal)); }
    HRESULT get_Size(LONG* pVal) override { return Get(m_Size, pVal); }
    HRESULT put_Size(LONG newVal) override { return Put(m_Size, newVal); }
    HRESULT get_Parent(ITable** pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = m_Parent.Get();
        return S_OK;
    }
    HRESULT putref_Parent(ITable* newVal) override
    {
        if (newVal) {
            if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
        }
        try {
            m_Parent.Set(newVal, CTable::LinksOf(newVal));  // null clears it, even on a created column
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    HRESULT get_SortOrder(LONG* pVal) override { return Get(m_SortOrder, pVal); }
    HRESULT put_SortOrder(LONG newVal) override { return Put(m_SortOrder, static_cast<SortOrderConstants>(newVal)); }
    HRESULT get_LodexObject(IUnknown** pVal) override { return CopyInterface(m_LodexObject.get(), pVal); }
    HRESULT putref_LodexObject(IUnknown* newVal) override
    {
        ComPtr<IUnknown> object;
        if (newVal) {
            if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
            if (const HRESULT hr = newVal->QueryInterface(IID_IUnknown, object.put_void()); FAILED(hr)) return hr;
        }
        m_LodexObject = std::move(object);
        return S_OK;
    }

    void SetCreated(bool created) noexcept { m_bCreated = created; }
    bool IsCreated() const noexcept { return m_bCreated; }
    const BStr& Name() const noexcept { return m_Name; }
    DataTypeConstants Type() const noexcept { return m_Type; }

protected:
    HRESULT CheckNotCreated()
    {
        if (!m_bCreated) return S_OK;
        return ReportNewError(this->m_Ctx.langid, E_FAIL, ThisPlugin().classes.column, uuidof<I>(),
                              KXE_COLUMN_EXISTS);
    }
    template <class V>
    static HRESULT Get(V value, LONG* pVal)
    {
        if (!pVal) return E_POINTER;
        *pVal = value;
        return S_OK;
    }
    template <class V>
    HRESULT Put(V& member, V value)
    {
        if (const HRESULT hr = CheckNotCreated(); FAILED(hr)) return hr;
        member = value;
        return S_OK;
    }

    BStr m_Name;
    DataTypeConstants m_Type = mtNone;
    LONG m_Size = 0;
    SortOrderConstants m_SortOrder = cdUndefined;
    ParentLink m_Parent;  // not counted
    ComPtr<IUnknown> m_LodexObject;
    bool m_bCreated = false;
};

}  // namespace bvd

class CColumn : public bvd::ColumnImpl<IColumn> {};
