// Commands (generic part) and data bindings.
#include "common/command.h"

#include "common/KxError.h"
#include "common/plugin.h"
#include "common/source.h"

CCommand::~CCommand()
{
    if (m_pSource) m_pSource->ForgetCommand(this);
}

HRESULT CCommand::FinalConstruct()
{
    return KxBoundary(bvd::ThisPlugin().classes.command, IID_ICommand, [&]() -> HRESULT {
        const HRESULT hr = m_DataBindings.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Data Bindings");
        return S_OK;
    });
}

HRESULT CCommand::get_DataBindings(IDataBindings** pVal)
{
    return bvd::CopyInterface(m_DataBindings.Interface(), pVal);
}

HRESULT CCommand::get_EOF(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CCommand::get_BOF(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CCommand::get_Count(LONG*) { return E_NOTIMPL; }
HRESULT CCommand::get_Level(LONG*) { return E_NOTIMPL; }
HRESULT CCommand::get_WhereClause(IDispatch**) { return E_NOTIMPL; }
HRESULT CCommand::putref_WhereClause(IDispatch*) { return E_NOTIMPL; }
HRESULT CCommand::get_GroupByBindings(IDataBindings**) { return E_NOTIMPL; }
HRESULT CCommand::putref_GroupByBindings(IDataBindings*) { return E_NOTIMPL; }
HRESULT CCommand::get_HavingClause(IDispatch**) { return E_NOTIMPL; }
HRESULT CCommand::putref_HavingClause(IDispatch*) { return E_NOTIMPL; }
HRESULT CCommand::get_OrderByBindings(IDataBindings**) { return E_NOTIMPL; }
HRESULT CCommand::putref_OrderByBindings(IDataBindings*) { return E_NOTIMPL; }
HRESULT CCommand::MoveFirst() { return E_NOTIMPL; }
HRESULT CCommand::MoveLast() { return E_NOTIMPL; }
HRESULT CCommand::MoveNext() { return E_NOTIMPL; }
HRESULT CCommand::MovePrevious() { return E_NOTIMPL; }
HRESULT CCommand::Update() { return E_NOTIMPL; }
HRESULT CCommand::AddNew() { return E_NOTIMPL; }
HRESULT CCommand::Delete(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT CCommand::get_Properties(IProperties**) { return E_NOTIMPL; }
HRESULT CCommand::putref_Properties(IProperties*) { return E_NOTIMPL; }

HRESULT CCommand::Close()
{
    if (!m_pSource) return E_UNEXPECTED;  // the host released the source first
    const HRESULT hr = m_pSource->RemoveCommand(this);
    return hr == DISP_E_BADINDEX ? E_UNEXPECTED : hr;  // not among the source's commands
}

HRESULT CDataBinding::FinalConstruct()
{
    return KxBoundary(bvd::ThisPlugin().classes.dataBinding, IID_IDataBinding, [&]() -> HRESULT {
        CCtxObjectPtr<CValue, IValue> value;
        const HRESULT hr = value.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Value");
        // The binding's context is still the default one here, so values
        // convert with locale 0 and raise in language 0.
        value->Data().SetLocales(m_Ctx.lcid, m_Ctx.langid);
        m_Value = ComPtr<IValue>(value.Interface());
        return S_OK;
    });
}

HRESULT CDataBinding::get_Name(BSTR* pVal) { return bvd::CopyBstr(m_Name.get(), pVal); }

HRESULT CDataBinding::put_Name(BSTR newVal)
{
    BStr name(newVal ? std::u16string_view(newVal, SysStringLen(newVal)) : std::u16string_view());
    if (newVal && !name.get()) return E_OUTOFMEMORY;
    m_Name = std::move(name);
    return S_OK;
}

HRESULT CDataBinding::get_BindingType(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_BindingType;
    return S_OK;
}

HRESULT CDataBinding::put_BindingType(LONG newVal)
{
    m_BindingType = static_cast<BindingTypeConstants>(newVal);  // stored, not checked
    return S_OK;
}

HRESULT CDataBinding::get_Column(IColumn** pVal) { return bvd::CopyInterface(m_Column.get(), pVal); }

HRESULT CDataBinding::putref_Column(IColumn* newVal)
{
    m_Column = ComPtr<IColumn>(newVal);
    return S_OK;
}

HRESULT CDataBinding::get_Table(ITable** pVal) { return bvd::CopyInterface(m_Table.get(), pVal); }

HRESULT CDataBinding::putref_Table(ITable* newVal)
{
    m_Table = ComPtr<ITable>(newVal);
    return S_OK;
}

HRESULT CDataBinding::get_Expression(IDispatch**) { return E_NOTIMPL; }
HRESULT CDataBinding::putref_Expression(IDispatch*) { return E_NOTIMPL; }

HRESULT CDataBinding::get_Value(IValue** pVal) { return bvd::CopyInterface(m_Value.get(), pVal); }

HRESULT CDataBinding::putref_Value(IValue* newVal)
{
    if (!newVal) return E_POINTER;
    m_Value = ComPtr<IValue>(newVal);
    return S_OK;
}

HRESULT CDataBinding::get_SortOrder(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_SortOrder;
    return S_OK;
}

HRESULT CDataBinding::put_SortOrder(LONG newVal)
{
    m_SortOrder = static_cast<SortOrderConstants>(newVal);
    return S_OK;
}

HRESULT CDataBinding::get_Properties(IProperties**) { return E_NOTIMPL; }
HRESULT CDataBinding::putref_Properties(IProperties*) { return E_NOTIMPL; }
