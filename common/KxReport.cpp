// ReportError: an error published as an OLE DB error record on the calling
// thread's error-records object.
#include <memory>

#include "common/KxError.h"
#include "platform/com_create.h"
#include "platform/errorrecords.h"

namespace {

struct TaskMemDeleter {
    void operator()(OLECHAR* p) const noexcept { CoTaskMemFree(p); }
};

HRESULT Publish(const std::u16string& description, HRESULT hr, REFCLSID clsid, REFIID iid)
{
    // 1. The source: the class's ProgID. Without one nothing is published.
    OLECHAR* rawProgId = nullptr;
    HRESULT step = ProgIDFromCLSID(clsid, &rawProgId);
    std::unique_ptr<OLECHAR, TaskMemDeleter> progId(rawProgId);
    if (FAILED(step)) return step;

    // 2. The error object with description and source (no GUID, no help).
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(step = CreateErrorInfo(create.put()))) return step;
    if (FAILED(step = create->SetDescription(const_cast<LPOLESTR>(description.c_str())))) return step;
    if (FAILED(step = create->SetSource(progId.get()))) return step;
    ComPtr<IErrorInfo> info;
    if (FAILED(step = create.As(&info))) return step;

    // 3. The thread's current error object (taken from the thread).
    ComPtr<IErrorInfo> current;
    if (FAILED(step = GetErrorInfo(0, current.put()))) return step;

    // 4. The record.
    ERRORINFO record{hr, 1, clsid, iid, 0};

    // 5. The records object: the current one when it is one; otherwise a new
    //    one, which first takes a current plain error object as a record.
    ComPtr<IErrorRecords> records;
    if (current) current.As(&records);
    if (!records) {
        ComPtr<IUnknown> object;
        if (FAILED(step = CoCreateInstance(CLSID_EXTENDEDERRORINFO, nullptr, CLSCTX_ALL, IID_IUnknown,
                                           object.put_void())))
            return step;
        if (FAILED(step = object.As(&records))) return step;
        if (current && FAILED(step = records->AddErrorRecord(&record, 1, nullptr, current.get(), 0))) return step;
    }

    // 6. Our record, with the error object of step 2.
    if (FAILED(step = records->AddErrorRecord(&record, 1, nullptr, info.get(), 0))) return step;

    // 7. The records object becomes the thread's error object.
    ComPtr<IErrorInfo> published;
    if (FAILED(step = records.As(&published))) return step;
    if (FAILED(step = SetErrorInfo(0, published.get()))) return step;
    return hr;
}

}  // namespace

HRESULT ReportError(const std::u16string& description, HRESULT hr, REFCLSID clsid, REFIID iid) noexcept
{
    try {
        return Publish(description, hr, clsid, iid);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ReportError(CKXError& error, REFCLSID clsid, REFIID iid) noexcept
{
    try {
        return ReportError(error.GetDescription(), error.GetHResult(), clsid, iid);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
