// The host's connection-property collection.
#include "host/datasource/connection_properties.h"

#include <new>
#include <vector>

#include "common/collection.h"
#include "common/datasource_dispatch.h"
#include "platform/comobject.h"
#include "platform/enumvariant.h"

namespace bvdhost {
namespace {

class HostProperty final : public ComObject<DispatchImpl<IProperty>> {
public:
    explicit HostProperty(const ConnectionProperty& p) : name_(p.name), type_(p.type), value_(p.value) {}

    HRESULT get_Name(BSTR* pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        return *pVal ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT get_Type(LONG* pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = type_;
        return S_OK;
    }
    HRESULT get_Value(VARIANT* pVal) override
    {
        if (!pVal) return E_POINTER;
        VariantInit(pVal);
        return VariantCopy(pVal, &value_);
    }
    // The host's own property: its value may change.
    HRESULT put_Value(VARIANT newVal) override { return VariantCopy(&value_, &newVal); }
    HRESULT get_Attributes(LONG* pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = 0;
        return S_OK;
    }

private:
    std::u16string name_;
    PropertyTypeConstants type_;
    Variant value_;
};

class HostProperties final : public ComObject<DispatchImpl<IProperties>> {
public:
    std::vector<ComPtr<IProperty>> items;
    std::vector<std::u16string> names;

    HRESULT get_Item(VARIANT index, IProperty** pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = nullptr;
        const bvd::CollectionIndex at = bvd::ReadCollectionIndex(index);
        size_t found = items.size();
        if (at.kind == bvd::CollectionIndex::Position) {
            found = at.position;
        } else if (at.kind == bvd::CollectionIndex::Name) {
            for (size_t i = 0; i < names.size(); ++i)
                if (Same(names[i].c_str(), at.name)) found = i;
        } else {
            return E_INVALIDARG;
        }
        if (found >= items.size()) return DISP_E_BADINDEX;
        return items[found].CopyTo(pVal);
    }
    HRESULT get_Count(LONG* pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = static_cast<LONG>(items.size());
        return S_OK;
    }
    HRESULT get__NewEnum(IUnknown** pVal) override
    {
        if (!pVal) return E_POINTER;
        *pVal = nullptr;
        std::vector<VARIANT> snapshot(items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            snapshot[i].vt = VT_DISPATCH;
            snapshot[i].pdispVal = items[i].get();
        }
        IEnumVARIANT* enumerator = nullptr;
        const HRESULT hr = CreateVariantEnumerator(snapshot.data(), static_cast<ULONG>(snapshot.size()), &enumerator);
        *pVal = enumerator;
        return hr;
    }

    static bool Same(const OLECHAR* a, const OLECHAR* b) { return !IsLessBstrNoCase(a, b) && !IsLessBstrNoCase(b, a); }
};

}  // namespace

ConnectionProperty TextProperty(std::u16string name, std::u16string_view text)
{
    ConnectionProperty p{std::move(name), cdString, Variant()};
    p.value.vt = VT_BSTR;
    p.value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!p.value.bstrVal) throw std::bad_alloc();
    return p;
}

ConnectionProperty LongProperty(std::u16string name, LONG value)
{
    return {std::move(name), cdLong, Variant::Long(value)};
}

ConnectionProperty UnknownProperty(std::u16string name, IUnknown* object)
{
    ConnectionProperty p{std::move(name), cdIUnknown, Variant()};
    p.value.vt = VT_UNKNOWN;
    p.value.punkVal = object;
    if (object) object->AddRef();
    return p;
}

HRESULT CreateConnectionProperties(std::span<const ConnectionProperty> items, IProperties** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        auto properties = MakeCom<HostProperties>();
        for (const ConnectionProperty& item : items) {
            for (const std::u16string& name : properties->names)
                if (HostProperties::Same(name.c_str(), item.name.c_str())) return E_INVALIDARG;
            properties->items.push_back(ComPtr<IProperty>(MakeCom<HostProperty>(item).get()));
            properties->names.push_back(item.name);
        }
        *out = properties.Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace bvdhost
