// The OLE DB error-records object.
//
//   records_: [ oldest ... newest ]      record number n = records_[size-1-n]
//
// Each record keeps its basic information, a copy of its parameters and a
// reference on its custom error object. The texts of a record come from the
// custom object's IErrorInfo; a record without one has no texts.
#include "platform/errorrecords.h"

#include <mutex>
#include <new>
#include <vector>

#include "platform/builtin.h"
#include "platform/com_create.h"
#include "platform/comobject.h"
#include "platform/variant.h"

namespace {

struct Record {
    ERRORINFO basic;
    DWORD lookupId;
    DWORD dynamicId;
    std::vector<Variant> args;  // in DISPPARAMS order (last argument first)
    std::vector<DISPID> named;
    ComPtr<IUnknown> custom;
};

// What IErrorInfo reports about one record.
struct RecordView {
    IID iid{};
    ComPtr<IErrorInfo> texts;  // the custom object's IErrorInfo, or null
};

HRESULT NullText(BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_OK;
}

// IErrorInfo over a record view; shared by the records object (for its top
// record) and by the per-record objects of IErrorRecords::GetErrorInfo.
struct ViewReader {
    static HRESULT Guid(const RecordView& v, GUID* out)
    {
        if (!out) return E_POINTER;
        *out = v.iid;
        return S_OK;
    }
    static HRESULT Source(const RecordView& v, BSTR* out)
    {
        return v.texts ? v.texts->GetSource(out) : NullText(out);
    }
    static HRESULT Description(const RecordView& v, BSTR* out)
    {
        return v.texts ? v.texts->GetDescription(out) : NullText(out);
    }
    static HRESULT HelpFile(const RecordView& v, BSTR* out)
    {
        return v.texts ? v.texts->GetHelpFile(out) : NullText(out);
    }
    static HRESULT HelpContext(const RecordView& v, DWORD* out)
    {
        if (v.texts) return v.texts->GetHelpContext(out);
        if (!out) return E_POINTER;
        *out = 0;
        return S_OK;
    }
};

RecordView ViewOf(const Record& r)
{
    return RecordView{r.basic.iid, QueryAs<IErrorInfo>(r.custom.get())};
}

// The IErrorInfo of one record, as handed out by GetErrorInfo(n).
class RecordErrorInfo final : public ComObject<IErrorInfo> {
public:
    explicit RecordErrorInfo(RecordView view) : view_(std::move(view)) {}
    HRESULT GetGUID(GUID* out) override { return ViewReader::Guid(view_, out); }
    HRESULT GetSource(BSTR* out) override { return ViewReader::Source(view_, out); }
    HRESULT GetDescription(BSTR* out) override { return ViewReader::Description(view_, out); }
    HRESULT GetHelpFile(BSTR* out) override { return ViewReader::HelpFile(view_, out); }
    HRESULT GetHelpContext(DWORD* out) override { return ViewReader::HelpContext(view_, out); }

private:
    RecordView view_;
};

class ErrorRecords final : public ComObject<IErrorRecords, IErrorInfo> {
public:
    HRESULT AddErrorRecord(ERRORINFO* info, DWORD lookupId, DISPPARAMS* params, IUnknown* custom,
                           DWORD dynamicId) override
    {
        if (!info) return E_INVALIDARG;
        if (params && ((params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs)))
            return E_INVALIDARG;
        try {
            Record r{*info, lookupId, dynamicId, {}, {}, ComPtr<IUnknown>(custom)};
            if (params) {
                r.args.reserve(params->cArgs);
                for (UINT i = 0; i < params->cArgs; ++i) r.args.emplace_back(params->rgvarg[i]);
                r.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
            }
            std::lock_guard lock(mutex_);
            records_.push_back(std::move(r));
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;  // a parameter that could not be copied
        }
    }

    HRESULT GetBasicErrorInfo(ULONG n, ERRORINFO* out) override
    {
        if (!out) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        const Record* r = At(n);
        if (!r) return DB_E_BADRECORDNUM;
        *out = r->basic;
        return S_OK;
    }

    HRESULT GetCustomErrorObject(ULONG n, REFIID riid, IUnknown** out) override
    {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        ComPtr<IUnknown> custom;
        {
            std::lock_guard lock(mutex_);
            const Record* r = At(n);
            if (!r) return DB_E_BADRECORDNUM;
            custom = r->custom;
        }
        if (!custom) return S_OK;
        return custom->QueryInterface(riid, reinterpret_cast<void**>(out));
    }

    HRESULT GetErrorInfo(ULONG n, LCID, IErrorInfo** out) override
    {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        RecordView view;
        {
            std::lock_guard lock(mutex_);
            const Record* r = At(n);
            if (!r) return DB_E_BADRECORDNUM;
            view = ViewOf(*r);
        }
        try {
            *out = MakeCom<RecordErrorInfo>(std::move(view)).Detach();
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    HRESULT GetErrorParameters(ULONG n, DISPPARAMS* out) override
    {
        if (!out) return E_INVALIDARG;
        *out = DISPPARAMS{};
        std::lock_guard lock(mutex_);
        const Record* r = At(n);
        if (!r) return DB_E_BADRECORDNUM;
        if (!r->args.empty()) {
            out->rgvarg = static_cast<VARIANTARG*>(CoTaskMemAlloc(r->args.size() * sizeof(VARIANTARG)));
            if (!out->rgvarg) return E_OUTOFMEMORY;
            for (const Variant& a : r->args) {
                VARIANTARG& slot = out->rgvarg[out->cArgs];
                VariantInit(&slot);
                if (HRESULT hr = VariantCopy(&slot, &a); FAILED(hr)) {
                    FreeErrorParameters(out);
                    return hr;
                }
                ++out->cArgs;
            }
        }
        if (!r->named.empty()) {
            out->rgdispidNamedArgs = static_cast<DISPID*>(CoTaskMemAlloc(r->named.size() * sizeof(DISPID)));
            if (!out->rgdispidNamedArgs) {
                FreeErrorParameters(out);
                return E_OUTOFMEMORY;
            }
            for (DISPID id : r->named) out->rgdispidNamedArgs[out->cNamedArgs++] = id;
        }
        return S_OK;
    }

    HRESULT GetRecordCount(ULONG* out) override
    {
        if (!out) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        *out = static_cast<ULONG>(records_.size());
        return S_OK;
    }

    // IErrorInfo: the top record (empty answers while there is none).
    HRESULT GetGUID(GUID* out) override { return ViewReader::Guid(Top(), out); }
    HRESULT GetSource(BSTR* out) override { return ViewReader::Source(Top(), out); }
    HRESULT GetDescription(BSTR* out) override { return ViewReader::Description(Top(), out); }
    HRESULT GetHelpFile(BSTR* out) override { return ViewReader::HelpFile(Top(), out); }
    HRESULT GetHelpContext(DWORD* out) override { return ViewReader::HelpContext(Top(), out); }

private:
    const Record* At(ULONG n) const
    {
        return n < records_.size() ? &records_[records_.size() - 1 - n] : nullptr;
    }
    RecordView Top()
    {
        std::lock_guard lock(mutex_);
        return records_.empty() ? RecordView{} : ViewOf(records_.back());
    }

    std::mutex mutex_;
    std::vector<Record> records_;
};

const BuiltinClass kErrorRecordsClass(CLSID_EXTENDEDERRORINFO, &CreateErrorRecordsObject);

}  // namespace

HRESULT CreateErrorRecordsObject(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
        ComPtr<ErrorRecords> object = MakeCom<ErrorRecords>();
        return object->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

void FreeErrorParameters(DISPPARAMS* params)
{
    if (!params) return;
    for (UINT i = 0; i < params->cArgs; ++i) VariantClear(&params->rgvarg[i]);
    CoTaskMemFree(params->rgvarg);
    CoTaskMemFree(params->rgdispidNamedArgs);
    *params = DISPPARAMS{};
}
