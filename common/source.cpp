// The source: construction, the initialized rule, Initialize's skeleton,
// CreateCommand and the commands' back pointers.
#include "common/source.h"

#include <algorithm>

#include "common/KxError.h"
#include "common/plugin.h"
#include "common/properties.h"

namespace {
const CLSID& SourceClsid() { return bvd::ThisPlugin().classes.source; }

bool SameNoCase(const char16_t* a, const char16_t* b)
{
    return !IsLessBstrNoCase(a, b) && !IsLessBstrNoCase(b, a);
}
}  // namespace

CSource::~CSource()
{
    // Commands the host still holds lose their source here.
    CKXLock lock(m_cs);
    for (CCommand* command : m_LiveCommands) command->m_pSource = nullptr;
    m_LiveCommands.clear();
}

HRESULT CSource::FinalConstruct()
{
    return KxBoundary(SourceClsid(), IID_ISource, [&]() -> HRESULT {
        m_Name = BStr(std::u16string_view(bvd::ThisPlugin().name));
        HRESULT hr = m_Tables.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Tables");
        hr = m_Commands.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Commands");
        hr = m_Properties.Create(m_Ctx);
        RaiseErrorWithSystemText(m_Ctx.langid, hr, KXE_CREATE_FAILED, u"Properties");
        return bvd::BuildCapabilities(*m_Properties, m_Ctx);
    });
}

HRESULT CSource::CheckInitialized()
{
    if (m_bInitialized) return S_OK;
    return ReportNewError(m_Ctx.langid, E_FAIL, SourceClsid(), IID_ISource, KXE_NOT_INITIALIZED);
}

HRESULT CSource::get_Name(BSTR* pVal) { return bvd::CopyBstr(m_Name.get(), pVal); }

HRESULT CSource::get_Tables(ITables** pVal)
{
    if (const HRESULT hr = CheckInitialized(); FAILED(hr)) return hr;
    return bvd::CopyInterface(m_Tables.Interface(), pVal);
}

HRESULT CSource::get_Commands(ICommands** pVal)
{
    if (const HRESULT hr = CheckInitialized(); FAILED(hr)) return hr;
    return bvd::CopyInterface(m_Commands.Interface(), pVal);
}

HRESULT CSource::get_Properties(IProperties** pVal) { return bvd::CopyInterface(m_Properties.Interface(), pVal); }

void CSource::UpdateContext(const char16_t* name, const VARIANT& value, LONG type)
{
    if (SameNoCase(name, u"QX Input Locale")) {
        if (KX_CHECK(type == cdLong && value.vt == VT_I4, "QX Input Locale is not a long"))
            m_Ctx.lcid = static_cast<LCID>(value.lVal);
    } else if (SameNoCase(name, u"QX Output Locale")) {
        if (KX_CHECK(type == cdLong && value.vt == VT_I4, "QX Output Locale is not a long"))
            m_Ctx.langid = static_cast<DWORD>(value.lVal);
    } else if (SameNoCase(name, u"QX Lodex Document")) {
        // Taken only when both the VARIANT and the property say IUnknown.
        if (type == cdIUnknown && value.vt == VT_UNKNOWN) m_Ctx.document = ComPtr<IUnknown>(value.punkVal);
    }
}

void CSource::ReadConnection(IProperties* properties, BStr& location)
{
    location = BStr();
    for (const char16_t* name : {u"QX Input Locale", u"QX Output Locale", u"QX Lodex Document"}) {
        Variant value;
        LONG type = cdLong;
        if (SUCCEEDED(bvd::ReadConnectionProperty(properties, name, &value, &type))) UpdateContext(name, value, type);
    }
    if (bvd::ThisPlugin().readsCategoryValues) {
        m_Ctx.categoryValues = 0;
        Variant value;
        LONG type = cdLong;
        if (SUCCEEDED(bvd::ReadConnectionProperty(properties, u"QX Category Values", &value, &type)) &&
            KX_CHECK(type == cdLong && value.vt == VT_I4, "QX Category Values is not a long"))
            m_Ctx.categoryValues = value.lVal;
    }
    Variant value;
    LONG type = cdString;
    if (SUCCEEDED(bvd::ReadConnectionProperty(properties, u"Location", &value, &type)) &&
        KX_CHECK(type == cdString && value.vt == VT_BSTR, "Location is not a string")) {
        location = BStr::Adopt(std::exchange(value.bstrVal, nullptr));
        value.vt = VT_EMPTY;
    }
}

HRESULT CSource::Initialize(IProperties* properties)
{
    return KxBoundary(SourceClsid(), IID_ISource, [&]() -> HRESULT {
        if (bvd::ThisPlugin().initializedBeforeOpen) m_bInitialized = true;
        BStr location;
        ReadConnection(properties, location);
        if (!location.get())
            return ReportNewError(m_Ctx.langid, E_FAIL, SourceClsid(), IID_ISource, KXE_LOCATION_MISSING,
                                  bvd::ThisPlugin().name);
        Open(location);
        m_bInitialized = true;
        return S_OK;
    });
}

HRESULT CSource::Uninitialize()
{
    m_bInitialized = false;
    return OnUninitialize();
}

void CSource::Open(const BStr&) {}

HRESULT CSource::OnUninitialize() { return S_OK; }

HRESULT CSource::MakeCommand(const CCtx& ctx, CCtxObjectPtr<CCommand, ICommand>& command)
{
    return command.Create(ctx);
}

HRESULT CSource::OnCommandCreated(CCommand&) { return S_OK; }

HRESULT CSource::CreateCommand(ICommand** pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (const HRESULT hr = CheckInitialized(); FAILED(hr)) return hr;
    return KxBoundary(SourceClsid(), IID_ISource, [&]() -> HRESULT {
        CCtxObjectPtr<CCommand, ICommand> command;
        if (const HRESULT hr = MakeCommand(m_Ctx, command); FAILED(hr))
            return ReportNewErrorWithSystemText(m_Ctx.langid, hr, SourceClsid(), IID_ISource, KXE_CREATE_FAILED,
                                                u"Command");
        {
            CKXLock lock(m_cs);
            m_LiveCommands.push_back(command.GetObject());
            command->m_pSource = this;
        }
        if (const HRESULT hr = m_Commands->AppendItem(command.Interface()); FAILED(hr)) return hr;
        if (const HRESULT hr = OnCommandCreated(*command); FAILED(hr)) {
            m_Commands->RemoveItem(command.Interface());  // a command that failed is not one of ours
            return hr;
        }
        *pVal = command.Interface();
        (*pVal)->AddRef();
        return S_OK;
    });
}

HRESULT CSource::BeginTrans() { return E_NOTIMPL; }
HRESULT CSource::CommitTrans() { return E_NOTIMPL; }
HRESULT CSource::RollbackTrans() { return E_NOTIMPL; }

HRESULT CSource::NotifyPropertyChange(IProperty* property)
{
    if (!property) return E_POINTER;
    return KxBoundary(SourceClsid(), IID_ISource, [&]() -> HRESULT {
        BStr name;
        Variant value;
        LONG type = cdLong;
        if (const HRESULT hr = property->get_Name(name.put()); FAILED(hr)) return hr;
        if (const HRESULT hr = property->get_Value(&value); FAILED(hr)) return hr;
        if (const HRESULT hr = property->get_Type(&type); FAILED(hr)) return hr;
        if (name.get()) UpdateContext(name.get(), value, type);
        return S_OK;
    });
}

HRESULT CSource::RemoveCommand(CCommand* command) { return m_Commands->RemoveItem(command); }

void CSource::ForgetCommand(CCommand* command) noexcept
{
    CKXLock lock(m_cs);
    std::erase(m_LiveCommands, command);
}
