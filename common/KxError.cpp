// CKXError: message formatting, system and COM error texts.
#include "common/KxError.h"

#include <cstdio>
#include <memory>

#include "common/KxAssert.h"
#include "platform/win32.h"

namespace {

// A text FormatMessage allocated.
struct LocalFreeDeleter {
    void operator()(char16_t* p) const noexcept { LocalFree(p); }
};
using LocalText = std::unique_ptr<char16_t, LocalFreeDeleter>;

// FormatMessageW into an allocated buffer; null with the reason in
// GetLastError() when nothing was produced.
LocalText Format(DWORD flags, const void* source, DWORD id, DWORD language, const KxInserts& inserts)
{
    char16_t* text = nullptr;
    const DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, source, id, language,
                                   reinterpret_cast<char16_t*>(&text), 0, inserts.data(), inserts.size());
    LocalText owned(text);
    return n ? std::move(owned) : nullptr;
}

std::u16string Printf(const char* format, uint32_t value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return AnsiToWide(buffer);
}

}  // namespace

CKXComError::~CKXComError() = default;

void KxInserts::Add(const char* s)
{
    if (!s) {
        inserts_.push_back(FormatInsert::Str(s));
        return;
    }
    Keep(AnsiToWide(s));
}

CKXError::~CKXError() = default;

void CKXError::SetMessage(DWORD code, const KxInserts& inserts)
{
    const HMODULE module = KxResourceModule();
    LocalText text = Format(FORMAT_MESSAGE_FROM_HMODULE, module, code, m_dwLanguage, inserts);
    if (!text && GetLastError() == ERROR_RESOURCE_TYPE_NOT_FOUND) {
        // A module without a message table: its string table, by the code.
        const char16_t* format = nullptr;
        if (LoadStringW(module, code, reinterpret_cast<char16_t*>(&format), 0) > 0)
            text = Format(FORMAT_MESSAGE_FROM_STRING, format, 0, 0, inserts);
    }
    if (!text && GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND)
        text = Format(FORMAT_MESSAGE_FROM_HMODULE, module, code, 0, inserts);
    if (text) {
        m_strDescription = text.get();
        return;
    }
    KX_CHECK(false, "Unable to format error message");
    m_strDescription = Printf("Unable to format error message, ID: 0x%08x", code);
}

void CKXError::SetMessageAndSystemText(HRESULT hr, DWORD code, const KxInserts& inserts)
{
    SetMessage(code, inserts);
    if (!m_strDescription.empty()) m_strDescription += u": ";
    AppendSystemText(static_cast<DWORD>(hr));
}

void CKXError::AppendSystemText(DWORD code)
{
    if (code == 0) code = GetLastError();
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const KxInserts none;
    LocalText text = Format(flags, nullptr, code, m_dwLanguage, none);
    if (!text && GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND) text = Format(flags, nullptr, code, 0, none);
    if (text)
        m_strDescription += text.get();
    else
        m_strDescription += Printf("WIN32 error 0x%08x", code);
}

void CKXError::SetMessageAndComError(const CKXComError& error, DWORD code, const KxInserts& inserts)
{
    SetMessage(code, inserts);
    AppendComError(error);
    m_hr = error.Error();
}

void CKXError::AppendComError(const CKXComError& error)
{
    std::u16string text(error.Description().view());
    if (text.empty()) {
        // The thread's current error object; taking it clears the thread's slot.
        ComPtr<IErrorInfo> current;
        if (GetErrorInfo(0, current.put()) == S_OK && current) {
            BStr description;
            if (SUCCEEDED(current->GetDescription(description.put()))) text = description.view();
        }
    }
    if (text.empty()) {
        const char16_t* message = error.ErrorMessage();
        if (message) text = message;
    }
    if (text.empty()) text = Printf("%#08X", static_cast<uint32_t>(error.Error()));
    if (!m_strDescription.empty()) m_strDescription += u": ";
    m_strDescription += text;
}

const std::u16string& CKXError::GetDescription()
{
    if (!KX_CHECK(!m_strDescription.empty(), "error without description")) {
        if (m_strDefaultDescription.empty())
            m_strDefaultDescription =
                u"Unspecified error in module: " + Utf8ToUtf16(ModulePath(KxResourceModule()));
        return m_strDefaultDescription;
    }
    return m_strDescription;
}

void RaiseError(DWORD language, HRESULT hr, DWORD code, const KxInserts& inserts)
{
    if (!FAILED(hr)) return;
    CKXError error(language, hr);
    error.SetMessage(code, inserts);
    throw error;
}

void RaiseErrorWithSystemText(DWORD language, HRESULT hr, DWORD code, const KxInserts& inserts)
{
    if (!FAILED(hr)) return;
    CKXError error(language, hr);
    error.SetMessageAndSystemText(hr, code, inserts);
    throw error;
}

void RaiseComError(DWORD language, const ComError& error, DWORD code, const KxInserts& inserts)
{
    CKXError raised(language, error.Error());
    raised.SetMessageAndComError(CKXComError(error), code, inserts);
    throw raised;
}
