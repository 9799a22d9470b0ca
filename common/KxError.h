#pragma once
// CKXError: the exception of the case-data plug-ins. It carries a message
// formatted from the module's message table (KxMessages.h) in a message
// language, and the HRESULT the host will see. At each COM boundary the error
// is published as error information (ReportError) and its HRESULT returned.
//
// Character width: texts are wide (UTF-16) throughout, in both plug-ins
// (the writer's width). Messages are formatted with FormatMessageW, and the
// description goes to the error object as it is, so no text is narrowed to
// the ANSI code page on the way.
#include <initializer_list>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/KxMessages.h"
#include "platform/comerror.h"
#include "platform/guid.h"
#include "platform/message.h"

// The platform's COM error (the role of `_com_error`) under a class of its own.
class CKXComError : public ComError {
public:
    using ComError::ComError;
    explicit CKXComError(const ComError& error) noexcept : ComError(error) {}
    ~CKXComError() override;
};

// The inserts of one message, built from plain values: wide text (pointer,
// std::u16string, view), narrow text in the ANSI code page (pointer,
// std::string; widened here), 32-bit signed or unsigned numbers.
class KxInserts {
public:
    KxInserts() = default;
    template <class... Args>
    explicit KxInserts(const Args&... args)
    {
        texts_.reserve(sizeof...(Args));  // the inserts point into these
        (Add(args), ...);
    }
    KxInserts(const KxInserts&) = delete;
    KxInserts& operator=(const KxInserts&) = delete;

    const FormatInsert* data() const noexcept { return inserts_.data(); }
    DWORD size() const noexcept { return static_cast<DWORD>(inserts_.size()); }

private:
    void Add(const char16_t* s) { inserts_.push_back(FormatInsert::Str(s)); }
    void Add(const std::u16string& s) { inserts_.push_back(FormatInsert::Str(s.c_str())); }
    void Add(std::u16string_view s) { Keep(std::u16string(s)); }
    void Add(const char* s);
    void Add(const std::string& s) { Add(s.c_str()); }
    void Add(int32_t n) { inserts_.push_back(FormatInsert::Long(n)); }
    void Add(uint32_t n) { inserts_.push_back(FormatInsert::ULong(n)); }
    void Add(const FormatInsert& insert) { inserts_.push_back(insert); }
    void Keep(std::u16string s)
    {
        texts_.push_back(std::move(s));
        inserts_.push_back(FormatInsert::Str(texts_.back().c_str()));
    }

    std::vector<std::u16string> texts_;
    std::vector<FormatInsert> inserts_;
};

class CKXError {
public:
    // `language` selects the message-table and system texts; 0 is the
    // system's default search order. The description starts empty.
    CKXError(DWORD language, HRESULT hr) noexcept : m_dwLanguage(language), m_hr(hr) {}
    CKXError(const CKXError&) = default;
    CKXError& operator=(const CKXError&) = default;
    virtual ~CKXError();

    // Replaces the description with the text of `code` filled with the
    // inserts. Falls back to the module's string table (no message table),
    // then to language 0 (language missing), and at last to "Unable to
    // format error message, ID: 0x%08x" (a debug assertion first).
    void SetMessage(DWORD code, const KxInserts& inserts = KxInserts());
    template <class... Args>
    void SetMessage(DWORD code, const Args&... args) { SetMessage(code, KxInserts(args...)); }

    // SetMessage, then ": " and the system text of `hr`.
    void SetMessageAndSystemText(HRESULT hr, DWORD code, const KxInserts& inserts = KxInserts());
    template <class... Args>
    void SetMessageAndSystemText(HRESULT hr, DWORD code, const Args&... args)
    {
        SetMessageAndSystemText(hr, code, KxInserts(args...));
    }

    // Appends the system's text for a Win32 error or HRESULT (0: the calling
    // thread's last Win32 error), with the system's own line ending; "WIN32
    // error 0x%08x" when the system has none.
    void AppendSystemText(DWORD code);

    // SetMessage, AppendComError, and the HRESULT becomes the COM error's.
    void SetMessageAndComError(const CKXComError& error, DWORD code, const KxInserts& inserts = KxInserts());
    template <class... Args>
    void SetMessageAndComError(const CKXComError& error, DWORD code, const Args&... args)
    {
        SetMessageAndComError(error, code, KxInserts(args...));
    }

    // Appends (after ": " when the description is not empty) the first
    // non-empty of: the COM error's own description; the description of the
    // thread's current error object (which reading takes away); the COM
    // support's message for its HRESULT; the HRESULT as "%#08X".
    void AppendComError(const CKXComError& error);

    // The description; when it is empty (a debug assertion), the default
    // description "Unspecified error in module: " and the module's path.
    const std::u16string& GetDescription();
    HRESULT GetHResult() const noexcept { return m_hr; }
    DWORD GetLanguage() const noexcept { return m_dwLanguage; }

private:
    std::u16string m_strDescription;
    std::u16string m_strDefaultDescription;
    DWORD m_dwLanguage;
    HRESULT m_hr;
};

// Raising: nothing happens when `hr` is not a failure; otherwise a CKXError
// in `language` with `hr` and the message of `code` is thrown.
void RaiseError(DWORD language, HRESULT hr, DWORD code, const KxInserts& inserts = KxInserts());
template <class... Args>
void RaiseError(DWORD language, HRESULT hr, DWORD code, const Args&... args)
{
    if (FAILED(hr)) RaiseError(language, hr, code, KxInserts(args...));
}
// The same with ": " and the system text of `hr` after the message.
void RaiseErrorWithSystemText(DWORD language, HRESULT hr, DWORD code, const KxInserts& inserts = KxInserts());
template <class... Args>
void RaiseErrorWithSystemText(DWORD language, HRESULT hr, DWORD code, const Args&... args)
{
    if (FAILED(hr)) RaiseErrorWithSystemText(language, hr, code, KxInserts(args...));
}

// A COM error caught from a component called through the platform's COM
// support, raised as a CKXError: the message of `code`, ": " and the COM
// error's text, with the COM error's HRESULT.
void RaiseComError(DWORD language, const ComError& error, DWORD code, const KxInserts& inserts = KxInserts());
template <class... Args>
void RaiseComError(DWORD language, const ComError& error, DWORD code, const Args&... args)
{
    RaiseComError(language, error, code, KxInserts(args...));
}

// Publishes an error for the calling thread as an OLE DB error record (the
// class's ProgID as source, its CLSID, the interface of the failing method)
// on the thread's error-records object, and returns `hr`. When a publishing
// step fails, its failure code is returned instead.
HRESULT ReportError(const std::u16string& description, HRESULT hr, REFCLSID clsid, REFIID iid) noexcept;

// ReportError of a caught error (its description and HRESULT).
HRESULT ReportError(CKXError& error, REFCLSID clsid, REFIID iid) noexcept;

// A check made at the boundary itself: a new error in `language` with `hr`
// and the message of `code`, reported at once. The WithSystemText form adds
// ": " and the system text of `hr` (creation failures).
template <class... Args>
HRESULT ReportNewError(DWORD language, HRESULT hr, REFCLSID clsid, REFIID iid, DWORD code, const Args&... args) noexcept
{
    try {
        CKXError error(language, hr);
        error.SetMessage(code, args...);
        return ReportError(error, clsid, iid);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
template <class... Args>
HRESULT ReportNewErrorWithSystemText(DWORD language, HRESULT hr, REFCLSID clsid, REFIID iid, DWORD code,
                                     const Args&... args) noexcept
{
    try {
        CKXError error(language, hr);
        error.SetMessageAndSystemText(hr, code, args...);
        return ReportError(error, clsid, iid);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The boundary of every interface method: runs `body` (which returns the
// method's HRESULT) so that nothing escapes into the caller. A CKXError is
// reported with `clsid` and `iid` and its HRESULT returned; a COM error that
// was not turned into a CKXError gives its HRESULT; std::bad_alloc gives
// E_OUTOFMEMORY; anything else (programming errors in release builds
// included) E_UNEXPECTED.
template <class Body>
HRESULT KxBoundary(REFCLSID clsid, REFIID iid, Body&& body) noexcept
{
    try {
        return body();
    } catch (CKXError& error) {
        return ReportError(error, clsid, iid);
    } catch (const ComError& error) {
        return error.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
