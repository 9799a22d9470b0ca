// The document: languages, context, data sources and variables, and its JSON
// form on disk.
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/lodex_objects.h"
#include "platform/bstr.h"

namespace lodex {
namespace {

// The HRESULT for a file that could not be opened, from errno.
HRESULT FileError(int error)
{
    switch (error) {
    case ENOENT: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EISDIR: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    default: return E_FAIL;
    }
}

template <class T>
HRESULT ItemAt(const std::vector<ComPtr<T>>& list, const Index& at, ComPtr<T>* out)
{
    if (at.position < 0 || static_cast<size_t>(at.position) >= list.size()) return DISP_E_BADINDEX;
    *out = list[static_cast<size_t>(at.position)];
    return S_OK;
}

}  // namespace

HRESULT LodexDocument::AddLanguage(BSTR language)
{
    LODEX_FAULT("ILodexDocument.AddLanguage");
    const std::u16string text = FromBstr(language);
    if (text.empty()) return E_INVALIDARG;
    std::lock_guard lock(m_);
    for (const auto& l : s_.languages)
        if (EqualNoCase(l, text)) return S_OK;  // kept once
    s_.languages.push_back(text);
    return S_OK;
}

HRESULT LodexDocument::get_Context(BSTR* context)
{
    LODEX_FAULT("ILodexDocument.get_Context");
    std::lock_guard lock(m_);
    return CopyOut(s_.context, context);
}

HRESULT LodexDocument::put_Context(BSTR context)
{
    LODEX_FAULT("ILodexDocument.put_Context");
    std::lock_guard lock(m_);
    s_.context = FromBstr(context);
    return S_OK;
}

HRESULT LodexDocument::AddDataSource(ILodexDataSource* source, LONG index)
{
    LODEX_FAULT("ILodexDocument.AddDataSource");
    if (!source) return E_POINTER;
    const ComPtr<LodexDataSource> own = Unwrap<LodexDataSource>(source);
    if (!own) return E_INVALIDARG;
    std::lock_guard lock(m_);
    size_t at = 0;
    if (const HRESULT hr = InsertPosition(index, s_.sources.size(), &at); FAILED(hr)) return hr;
    if (!own->Claim()) return E_INVALIDARG;  // already in a document
    s_.sources.insert(s_.sources.begin() + static_cast<std::ptrdiff_t>(at), own);
    return S_OK;
}

HRESULT LodexDocument::get_DataSourceCount(LONG* count)
{
    LODEX_FAULT("ILodexDocument.get_DataSourceCount");
    if (!count) return E_POINTER;
    std::lock_guard lock(m_);
    *count = static_cast<LONG>(s_.sources.size());
    return S_OK;
}

HRESULT LodexDocument::get_DataSource(VARIANT index, ILodexDataSource** source)
{
    LODEX_FAULT("ILodexDocument.get_DataSource");
    if (!source) return E_POINTER;
    *source = nullptr;
    Index at;
    if (const HRESULT hr = ReadIndex(index, &at); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    ComPtr<LodexDataSource> found;
    if (at.byName) {
        for (const auto& s : s_.sources)
            if (const auto name = s->Get().name; name && EqualNoCase(*name, at.name)) {
                found = s;
                break;
            }
        if (!found) return DISP_E_BADINDEX;
    } else if (const HRESULT hr = ItemAt(s_.sources, at, &found); FAILED(hr)) {
        return hr;
    }
    return ComPtr<ILodexDataSource>(found.get()).CopyTo(source);
}

HRESULT LodexDocument::AddVariable(ILodexVariable* variable, LONG index)
{
    LODEX_FAULT("ILodexDocument.AddVariable");
    if (!variable) return E_POINTER;
    const ComPtr<LodexVariable> own = Unwrap<LodexVariable>(variable);
    if (!own) return E_INVALIDARG;
    std::lock_guard lock(m_);
    size_t at = 0;
    if (const HRESULT hr = InsertPosition(index, s_.variables.size(), &at); FAILED(hr)) return hr;
    if (!own->Claim(s_.numbering)) return E_INVALIDARG;  // already in a document
    s_.variables.insert(s_.variables.begin() + static_cast<std::ptrdiff_t>(at), own);
    return S_OK;
}

HRESULT LodexDocument::get_VariableCount(LONG* count)
{
    LODEX_FAULT("ILodexDocument.get_VariableCount");
    if (!count) return E_POINTER;
    std::lock_guard lock(m_);
    *count = static_cast<LONG>(s_.variables.size());
    return S_OK;
}

HRESULT LodexDocument::get_Variable(VARIANT index, ILodexVariable** variable)
{
    LODEX_FAULT("ILodexDocument.get_Variable");
    if (!variable) return E_POINTER;
    *variable = nullptr;
    Index at;
    if (const HRESULT hr = ReadIndex(index, &at); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    ComPtr<LodexVariable> found;
    if (at.byName) {
        for (const auto& v : s_.variables)
            if (const auto name = v->Name(); name && EqualNoCase(*name, at.name)) {
                found = v;
                break;
            }
        if (!found) return DISP_E_BADINDEX;
    } else if (const HRESULT hr = ItemAt(s_.variables, at, &found); FAILED(hr)) {
        return hr;
    }
    return ComPtr<ILodexVariable>(found.get()).CopyTo(variable);
}

HRESULT LodexDocument::ToJson(BSTR* text)
{
    LODEX_FAULT("ILodexDocument.ToJson");
    if (!text) return E_POINTER;
    *text = nullptr;
    State copy;
    {
        std::lock_guard lock(m_);
        copy = s_;
    }
    try {
        *text = BStr::FromUtf8(DocumentToJson(copy)).Detach();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT LodexDocument::Save(BSTR path)
{
    LODEX_FAULT("ILodexDocument.Save");
    const std::string file = Utf16ToUtf8(FromBstr(path));
    if (file.empty()) return E_INVALIDARG;
    State copy;
    {
        std::lock_guard lock(m_);
        copy = s_;
    }
    const std::string json = DocumentToJson(copy) + "\n";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return FileError(errno);
    out << json;
    out.close();
    return out ? S_OK : E_FAIL;
}

HRESULT LodexDocument::Load(BSTR path)
{
    LODEX_FAULT("ILodexDocument.Load");
    const std::string file = Utf16ToUtf8(FromBstr(path));
    if (file.empty()) return E_INVALIDARG;
    std::ifstream in(file, std::ios::binary);
    if (!in) return FileError(errno);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return E_FAIL;
    // The new content is built completely before it replaces the old one, so
    // a failed load leaves the document as it was.
    State loaded;
    if (const HRESULT hr = DocumentFromJson(text.str(), &loaded); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    s_ = std::move(loaded);
    return S_OK;
}

}  // namespace lodex
