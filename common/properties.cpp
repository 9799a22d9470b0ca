// Property objects, the capability set and connection-property reading.
#include "common/properties.h"

#include <cstdio>
#include <vector>

#include "common/KxError.h"
#include "common/module.h"
#include "platform/version.h"

HRESULT CProperty::get_Name(BSTR* pVal) { return bvd::CopyBstr(m_Name.get(), pVal); }

HRESULT CProperty::get_Type(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Type;
    return S_OK;
}

HRESULT CProperty::get_Value(VARIANT* pVal)
{
    if (!pVal) return E_POINTER;
    VariantInit(pVal);
    return VariantCopy(pVal, &m_Value);
}

HRESULT CProperty::put_Value(VARIANT) { return (m_Attributes & 2) ? E_NOTIMPL : E_ACCESSDENIED; }

HRESULT CProperty::get_Attributes(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Attributes;
    return S_OK;
}

HRESULT CProperty::Set(const char16_t* name, PropertyTypeConstants type, const VARIANT& value, LONG attributes)
{
    try {
        m_Name = BStr(name ? std::u16string_view(name) : std::u16string_view());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (name && !m_Name.get()) return E_OUTOFMEMORY;
    if (const HRESULT hr = VariantCopy(&m_Value, &value); FAILED(hr)) return hr;
    m_Type = type;
    m_Attributes = attributes;
    return S_OK;
}

namespace bvd {
namespace {

HRESULT AddProperty(CProperties& properties, const CCtx& ctx, const char16_t* name, PropertyTypeConstants type,
                    const VARIANT& value, LONG attributes)
{
    CCtxObjectPtr<CProperty, IProperty> property;
    const HRESULT hr = property.Create(ctx);
    RaiseErrorWithSystemText(ctx.langid, hr, KXE_CREATE_FAILED, u"Property");
    if (const HRESULT set = property->Set(name, type, value, attributes); FAILED(set)) return set;
    return properties.AppendItem(property.Interface());
}

}  // namespace

std::u16string ThisModulePath()
{
    const std::string path = ModulePath(bvd::ThisModule());
    return Utf8ToUtf16(path);
}

std::u16string ModuleVersionText(const std::u16string& path)
{
    std::u16string text;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size > 0) {
        std::vector<BYTE> block(size);
        void* fixed = nullptr;
        UINT length = 0;
        if (GetFileVersionInfoW(path.c_str(), handle, size, block.data()) &&
            VerQueryValueW(block.data(), u"\\", &fixed, &length) && fixed && length >= sizeof(VS_FIXEDFILEINFO)) {
            const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%ld.%ld.%ld.%ld", static_cast<long>(info->dwFileVersionMS >> 16),
                          static_cast<long>(info->dwFileVersionMS & 0xFFFF),
                          static_cast<long>(info->dwFileVersionLS >> 16),
                          static_cast<long>(info->dwFileVersionLS & 0xFFFF));
            text = Utf8ToUtf16(buffer);
        }
    }
    // A module without a version resource: the original asserted here in
    // debug builds; we answer the placeholder in every build.
    if (text.empty()) text = u"?.?.?.?";
    return text;
}

HRESULT BuildCapabilities(CProperties& properties, const CCtx& ctx)
{
    for (const CapabilityRow* row = ThisPlugin().capabilities; row && row->name; ++row) {
        Variant value;
        switch (row->type) {
        case cdLong:
            value.vt = VT_I4;
            value.lVal = row->number;
            break;
        case cdBoolean:
            value.vt = VT_BOOL;
            value.boolVal = row->flag ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case cdString:
            value.vt = VT_BSTR;
            value.bstrVal = SysAllocString(row->text ? row->text : u"");
            if (!value.bstrVal) return E_OUTOFMEMORY;
            break;
        case cdDouble:
        case cdDate:
        case cdIUnknown:
        case cdIDispatch:
            KX_PROGRAMMING_ERROR("capability of a type the plug-ins do not create");
        }
        if (const HRESULT hr = AddProperty(properties, ctx, row->name, row->type, value, row->attributes); FAILED(hr))
            return hr;
    }
    Variant version;
    version.vt = VT_BSTR;
    version.bstrVal = SysAllocString(ModuleVersionText(ThisModulePath()).c_str());
    if (!version.bstrVal) return E_OUTOFMEMORY;
    return AddProperty(properties, ctx, u"Version", cdString, version, 1);
}

HRESULT ReadConnectionProperty(IProperties* properties, const char16_t* name, VARIANT* value, LONG* type)
{
    if (!properties) return E_POINTER;
    Variant index;
    index.vt = VT_BSTR;
    index.bstrVal = SysAllocString(name);
    if (!index.bstrVal) return E_OUTOFMEMORY;
    ComPtr<IProperty> property;
    if (const HRESULT hr = properties->get_Item(index, property.put()); FAILED(hr)) return hr;
    if (!property) return E_POINTER;
    if (const HRESULT hr = property->get_Value(value); FAILED(hr)) return hr;
    const HRESULT hr = property->get_Type(type);
    (void)KX_CHECK(SUCCEEDED(hr), "connection property without a type");
    return S_OK;
}

}  // namespace bvd
