#pragma once
// ComError: the exception of the platform's COM support (the role of the
// original's `_com_error`): an HRESULT and, optionally, the error object that
// came with it.
#include <string>

#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/errorinfo.h"
#include "platform/export.h"

class PLATFORM_API ComError {
public:
    // Takes over the caller's reference on `info` unless `addRef` is true, as
    // the original does.
    explicit ComError(HRESULT hr, IErrorInfo* info = nullptr, bool addRef = false) noexcept;
    ComError(const ComError& other) noexcept;
    ComError& operator=(const ComError& other) noexcept;
    virtual ~ComError();

    HRESULT Error() const noexcept { return hr_; }
    // The HRESULT's place in the IDispatch range 0x80040200..0x8004FFFF, or 0.
    WORD WCode() const noexcept;
    // The error object with a reference added for the caller, or null.
    IErrorInfo* ErrorInfo() const noexcept;

    // The error object's texts and help (null/0 without one).
    BStr Description() const;
    BStr Source() const;
    BStr HelpFile() const;
    DWORD HelpContext() const;
    GUID Guid() const;

    // The system text of the HRESULT without its trailing CR LF; for an
    // HRESULT of the IDispatch range without system text "IDispatch error #N"
    // (N = HRESULT - 0x80040200); otherwise "Unknown error 0x%0lX". Kept in
    // the object, like the original's.
    const char16_t* ErrorMessage() const;

private:
    HRESULT hr_;
    ComPtr<IErrorInfo> info_;
    mutable std::u16string message_;
};

// The message ComError::ErrorMessage gives for `hr`.
PLATFORM_API std::u16string ComErrorMessage(HRESULT hr);

// Throw a ComError for `hr`. The Ex form attaches the thread's error object
// when `object` says (ISupportErrorInfo) that `riid` reports errors that way.
[[noreturn]] PLATFORM_API void ComIssueError(HRESULT hr);
[[noreturn]] PLATFORM_API void ComIssueErrorEx(HRESULT hr, IUnknown* object, REFIID riid);
