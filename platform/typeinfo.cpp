// The ITypeInfo of a described interface: names, ids, documentation and
// Invoke. The binary type records of the original are not offered.
#include <new>

#include "platform/comobject.h"
#include "platform/dispatch_internal.h"

using namespace dispatch_internal;

namespace {

HRESULT CopyOut(const std::u16string& text, BSTR* out)
{
    if (!out) return S_OK;  // every [out] of GetDocumentation is optional
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

class DescribedTypeInfo final : public ComObject<ITypeInfo> {
public:
    explicit DescribedTypeInfo(const DispInterface& desc) : desc_(desc) {}

    HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override
    {
        if (!names || !count) return E_INVALIDARG;
        *count = 0;
        const DispMember* m = FindById(desc_, memid);
        if (!m) return TYPE_E_ELEMENTNOTFOUND;
        // The member's name, then its parameters' names.
        UINT n = 0;
        auto add = [&](const std::u16string& text) {
            if (n >= maxNames) return S_OK;
            names[n] = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!names[n]) return E_OUTOFMEMORY;
            ++n;
            return S_OK;
        };
        HRESULT hr = add(m->name);
        for (size_t k = 0; SUCCEEDED(hr) && k < m->params.size(); ++k) hr = add(m->params[k].name);
        if (FAILED(hr)) {
            for (UINT i = 0; i < n; ++i) SysFreeString(names[i]);
            return hr;
        }
        *count = n;
        return S_OK;
    }

    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override
    {
        return DispatchGetIDsOfNames(desc_, names, count, ids);
    }

    HRESULT Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override
    {
        if (!instance) return E_INVALIDARG;
        return DispatchInvoke(desc_, instance, memid, flags, params, result, excepInfo, argErr);
    }

    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override
    {
        const std::u16string* n = &desc_.name;
        const std::u16string* h = &desc_.help;
        if (memid != MEMBERID_NIL) {
            const DispMember* m = FindById(desc_, memid);
            if (!m) return TYPE_E_ELEMENTNOTFOUND;
            n = &m->name;
            h = &m->help;
        }
        if (name) *name = nullptr;
        if (doc) *doc = nullptr;
        if (helpFile) *helpFile = nullptr;  // no help files
        if (helpContext) *helpContext = 0;
        if (HRESULT hr = CopyOut(*n, name); FAILED(hr)) return hr;
        if (HRESULT hr = CopyOut(*h, doc); FAILED(hr)) {
            if (name) {
                SysFreeString(*name);
                *name = nullptr;
            }
            return hr;
        }
        return S_OK;
    }

    HRESULT GetTypeAttr(TYPEATTR**) override { return E_NOTIMPL; }
    HRESULT GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    HRESULT GetFuncDesc(UINT, FUNCDESC**) override { return E_NOTIMPL; }
    HRESULT GetVarDesc(UINT, VARDESC**) override { return E_NOTIMPL; }
    HRESULT GetRefTypeOfImplType(UINT, HREFTYPE*) override { return E_NOTIMPL; }
    HRESULT GetImplTypeFlags(UINT, INT*) override { return E_NOTIMPL; }
    HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
    HRESULT GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void**) override { return E_NOTIMPL; }
    HRESULT CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
    HRESULT GetContainingTypeLib(ITypeLib**, UINT*) override { return E_NOTIMPL; }
    void ReleaseTypeAttr(TYPEATTR*) override {}
    void ReleaseFuncDesc(FUNCDESC*) override {}
    void ReleaseVarDesc(VARDESC*) override {}

private:
    const DispInterface& desc_;
};

}  // namespace

HRESULT CreateDispTypeInfo(const DispInterface& desc, ITypeInfo** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        *out = MakeCom<DescribedTypeInfo>(desc).Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
