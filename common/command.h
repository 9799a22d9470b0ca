#pragma once
// Commands and data bindings. A command holds a plain pointer back to the
// source that created it; the source clears it when it goes, and a command
// that needs its source then fails with E_UNEXPECTED. The cursor members are
// the plug-ins' (their defaults answer E_NOTIMPL); the clauses and the
// properties are E_NOTIMPL in both plug-ins.
#include "common/collections.h"
#include "common/comobjectptr.h"
#include "common/value.h"

class CSource;

class CCommand : public bvd::ModelObject<ICommand> {
public:
    ~CCommand() override;
    HRESULT FinalConstruct();

    HRESULT get_DataBindings(IDataBindings** pVal) override;
    HRESULT get_EOF(VARIANT_BOOL* pVal) override;
    HRESULT get_BOF(VARIANT_BOOL* pVal) override;
    HRESULT get_Count(LONG* pVal) override;
    HRESULT get_Level(LONG* pVal) override;
    HRESULT get_WhereClause(IDispatch** pVal) override;
    HRESULT putref_WhereClause(IDispatch* newVal) override;
    HRESULT get_GroupByBindings(IDataBindings** pVal) override;
    HRESULT putref_GroupByBindings(IDataBindings* newVal) override;
    HRESULT get_HavingClause(IDispatch** pVal) override;
    HRESULT putref_HavingClause(IDispatch* newVal) override;
    HRESULT get_OrderByBindings(IDataBindings** pVal) override;
    HRESULT putref_OrderByBindings(IDataBindings* newVal) override;
    HRESULT MoveFirst() override;
    HRESULT MoveLast() override;
    HRESULT MoveNext() override;
    HRESULT MovePrevious() override;
    HRESULT Update() override;
    HRESULT AddNew() override;
    HRESULT Delete(VARIANT_BOOL allRecords) override;
    // Removes the command from its source's commands collection (E_UNEXPECTED
    // when the source is gone). The plug-ins close their cursor first.
    HRESULT Close() override;
    HRESULT get_Properties(IProperties** pVal) override;
    HRESULT putref_Properties(IProperties* newVal) override;

    CDataBindings& DataBindings() { return *m_DataBindings; }
    // The source, or null once the host has released it.
    CSource* Source() const noexcept { return m_pSource; }

private:
    friend class CSource;
    CCtxObjectPtr<CDataBindings, IDataBindings> m_DataBindings;
    CSource* m_pSource = nullptr;  // not counted; set and cleared by the source
};

class CDataBinding : public bvd::ModelObject<IDataBinding> {
public:
    HRESULT FinalConstruct();

    HRESULT get_Name(BSTR* pVal) override;
    HRESULT put_Name(BSTR newVal) override;
    HRESULT get_BindingType(LONG* pVal) override;
    HRESULT put_BindingType(LONG newVal) override;
    HRESULT get_Column(IColumn** pVal) override;
    HRESULT putref_Column(IColumn* newVal) override;
    HRESULT get_Table(ITable** pVal) override;
    HRESULT putref_Table(ITable* newVal) override;
    HRESULT get_Expression(IDispatch** pVal) override;
    HRESULT putref_Expression(IDispatch* newVal) override;
    HRESULT get_Value(IValue** pVal) override;
    HRESULT putref_Value(IValue* newVal) override;
    HRESULT get_SortOrder(LONG* pVal) override;
    HRESULT put_SortOrder(LONG newVal) override;
    HRESULT get_Properties(IProperties** pVal) override;
    HRESULT putref_Properties(IProperties* newVal) override;

    IColumn* Column() const noexcept { return m_Column.get(); }
    IValue* Value() const noexcept { return m_Value.get(); }

private:
    BStr m_Name;
    BindingTypeConstants m_BindingType = cdBindingColumn;
    ComPtr<IColumn> m_Column;
    ComPtr<ITable> m_Table;
    ComPtr<IValue> m_Value;
    SortOrderConstants m_SortOrder = cdUndefined;
};
