// The COM error class and its message text.
#include "platform/comerror.h"

#include <cstdio>

#include "platform/message.h"

namespace {

inline constexpr HRESULT kDispatchErrorFirst = hr_(0x80040200);
inline constexpr HRESULT kDispatchErrorLast = hr_(0x8004FFFF);

BStr Text(IErrorInfo* info, HRESULT (IErrorInfo::*get)(BSTR*))
{
    BStr text;
    if (info) (info->*get)(text.put());
    return text;
}

std::u16string Ascii(const char* text)
{
    std::u16string out;
    for (; *text; ++text) out.push_back(static_cast<char16_t>(*text));
    return out;
}

}  // namespace

ComError::ComError(HRESULT hr, IErrorInfo* info, bool addRef) noexcept
    : hr_(hr), info_(addRef ? ComPtr<IErrorInfo>(info) : ComPtr<IErrorInfo>::Adopt(info))
{
}

ComError::ComError(const ComError& other) noexcept : hr_(other.hr_), info_(other.info_) {}

ComError& ComError::operator=(const ComError& other) noexcept
{
    if (this != &other) {
        hr_ = other.hr_;
        info_ = other.info_;
        message_.clear();
    }
    return *this;
}

ComError::~ComError() = default;

WORD ComError::WCode() const noexcept
{
    if (hr_ >= kDispatchErrorFirst && hr_ <= kDispatchErrorLast)
        return static_cast<WORD>(hr_ - kDispatchErrorFirst);
    return 0;
}

IErrorInfo* ComError::ErrorInfo() const noexcept
{
    if (info_) info_->AddRef();
    return info_.get();
}

BStr ComError::Description() const { return Text(info_.get(), &IErrorInfo::GetDescription); }
BStr ComError::Source() const { return Text(info_.get(), &IErrorInfo::GetSource); }
BStr ComError::HelpFile() const { return Text(info_.get(), &IErrorInfo::GetHelpFile); }

DWORD ComError::HelpContext() const
{
    DWORD context = 0;
    if (info_) info_->GetHelpContext(&context);
    return context;
}

GUID ComError::Guid() const
{
    GUID guid{};
    if (info_) info_->GetGUID(&guid);
    return guid;
}

const char16_t* ComError::ErrorMessage() const
{
    if (message_.empty()) message_ = ComErrorMessage(hr_);
    return message_.c_str();
}

std::u16string ComErrorMessage(HRESULT hr)
{
    char16_t* system = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(hr), MAKELANGID(0x00, 0x01) /* neutral, default */,
                                  reinterpret_cast<char16_t*>(&system), 0, nullptr, 0);
    if (length != 0 && system) {
        std::u16string text(system, length);
        LocalFree(system);
        // As the original: only a final CR LF pair is removed.
        if (text.size() > 1 && text[text.size() - 2] == u'\r' && text.back() == u'\n') text.resize(text.size() - 2);
        return text;
    }
    if (system) LocalFree(system);
    char buffer[40];
    if (hr >= kDispatchErrorFirst && hr <= kDispatchErrorLast)
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(hr - kDispatchErrorFirst));
    else
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0X", static_cast<unsigned>(hr));
    return Ascii(buffer);
}

void ComIssueError(HRESULT hr) { throw ComError(hr); }

void ComIssueErrorEx(HRESULT hr, IUnknown* object, REFIID riid)
{
    ComPtr<IErrorInfo> info;
    if (ComPtr<ISupportErrorInfo> support = QueryAs<ISupportErrorInfo>(object);
        support && support->InterfaceSupportsErrorInfo(riid) == S_OK)
        GetErrorInfo(0, info.put());
    throw ComError(hr, info.Detach());
}
