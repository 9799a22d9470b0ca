// ProgIDs and task memory.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/registry.h"

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid)
{
    if (!progId || !clsid) return E_INVALIDARG;
    try {
        const std::u16string_view name(progId);
        if (name.starts_with(u'{')) return SUCCEEDED(CLSIDFromString(progId, clsid)) ? S_OK : CO_E_CLASSSTRING;
        // A ProgID is one key name.
        if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return CO_E_CLASSSTRING;
        std::optional<std::u16string> text = RegReadString(HKEY_CLASSES_ROOT, std::u16string(name) + u"\\CLSID");
        CLSID found;
        if (!text || !GuidFromString(Utf16ToUtf8(*text), &found)) return CO_E_CLASSSTRING;
        *clsid = found;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId)
{
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    try {
        std::optional<std::u16string> text =
            RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\" + Utf8ToUtf16(GuidToString(clsid)) + u"\\ProgID");
        if (!text || text->empty()) return REGDB_E_CLASSNOTREG;
        auto* out = static_cast<OLECHAR*>(CoTaskMemAlloc((text->size() + 1) * sizeof(OLECHAR)));
        if (!out) return E_OUTOFMEMORY;
        std::memcpy(out, text->c_str(), (text->size() + 1) * sizeof(OLECHAR));
        *progId = out;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

void* CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }

void* CoTaskMemRealloc(void* block, size_t size) { return std::realloc(block, size ? size : 1); }

void CoTaskMemFree(void* block) { std::free(block); }
