// The error object of CreateErrorInfo and the per-thread error slot.
#include "platform/errorinfo.h"

#include <mutex>
#include <new>

#include "platform/bstr.h"
#include "platform/comobject.h"

namespace {

// Copies `text` into a new BSTR for an [out] argument; a null text stays null.
HRESULT CopyOut(const BStr& text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!text.get()) return S_OK;
    *out = SysAllocStringLen(text.get(), text.length());
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CopyIn(LPCOLESTR text, BStr& into)
{
    if (!text) {
        into = BStr();
        return S_OK;
    }
    BSTR copy = SysAllocString(text);
    if (!copy) return E_OUTOFMEMORY;
    into = BStr::Adopt(copy);
    return S_OK;
}

class ErrorObject final : public ComObject<IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT GetGUID(GUID* out) override
    {
        if (!out) return E_POINTER;
        std::lock_guard lock(mutex_);
        *out = guid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* out) override { return Read(source_, out); }
    HRESULT GetDescription(BSTR* out) override { return Read(description_, out); }
    HRESULT GetHelpFile(BSTR* out) override { return Read(helpFile_, out); }
    HRESULT GetHelpContext(DWORD* out) override
    {
        if (!out) return E_POINTER;
        std::lock_guard lock(mutex_);
        *out = helpContext_;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID guid) override
    {
        std::lock_guard lock(mutex_);
        guid_ = guid;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR text) override { return Write(text, source_); }
    HRESULT SetDescription(LPOLESTR text) override { return Write(text, description_); }
    HRESULT SetHelpFile(LPOLESTR text) override { return Write(text, helpFile_); }
    HRESULT SetHelpContext(DWORD context) override
    {
        std::lock_guard lock(mutex_);
        helpContext_ = context;
        return S_OK;
    }

private:
    HRESULT Read(const BStr& field, BSTR* out)
    {
        std::lock_guard lock(mutex_);
        return CopyOut(field, out);
    }
    HRESULT Write(LPCOLESTR text, BStr& field)
    {
        std::lock_guard lock(mutex_);
        return CopyIn(text, field);
    }

    std::mutex mutex_;
    GUID guid_{};
    BStr source_;
    BStr description_;
    BStr helpFile_;
    DWORD helpContext_ = 0;
};

// The calling thread's error object. Released when the thread ends.
thread_local ComPtr<IErrorInfo> t_errorInfo;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** out)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    try {
        ComPtr<ErrorObject> object = MakeCom<ErrorObject>();
        *out = static_cast<ICreateErrorInfo*>(object.get());
        (*out)->AddRef();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info)
{
    if (reserved != 0) return E_INVALIDARG;
    // The old object is released after the slot holds the new one, so that a
    // destructor calling back into SetErrorInfo sees a consistent slot.
    ComPtr<IErrorInfo> old = std::move(t_errorInfo);
    t_errorInfo = ComPtr<IErrorInfo>(info);
    return S_OK;
}

HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** out)
{
    if (reserved != 0 || !out) return E_INVALIDARG;
    *out = t_errorInfo.Detach();
    return *out ? S_OK : S_FALSE;
}
