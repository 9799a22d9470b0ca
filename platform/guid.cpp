// GUID text forms.
#include "platform/guid.h"

#include <cstdio>
#include <cstring>

#include "platform/bstr.h"

bool GuidLess::operator()(const GUID& a, const GUID& b) const noexcept
{
    if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
    if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
    if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
    return std::memcmp(a.Data4, b.Data4, sizeof a.Data4) < 0;
}

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos].
bool ReadHex(const std::string& text, size_t pos, int digits, uint32_t* out)
{
    uint32_t v = 0;
    for (int i = 0; i < digits; ++i) {
        const int h = HexValue(text[pos + i]);
        if (h < 0) return false;
        v = (v << 4) | static_cast<uint32_t>(h);
    }
    *out = v;
    return true;
}

}  // namespace

bool GuidFromString(const std::string& text, GUID* out)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-')
        return false;
    GUID g{};
    uint32_t v;
    if (!ReadHex(text, 1, 8, &v)) return false;
    g.Data1 = v;
    if (!ReadHex(text, 10, 4, &v)) return false;
    g.Data2 = static_cast<uint16_t>(v);
    if (!ReadHex(text, 15, 4, &v)) return false;
    g.Data3 = static_cast<uint16_t>(v);
    static constexpr size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, kBytePos[i], 2, &v)) return false;
        g.Data4[i] = static_cast<uint8_t>(v);
    }
    *out = g;
    return true;
}

std::string GuidToString(REFGUID g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out)
{
    if (!out) return E_POINTER;
    if (!text) return CO_E_CLASSSTRING;
    std::u16string_view view(text);
    if (view.size() != 38) return CO_E_CLASSSTRING;
    return GuidFromString(Utf16ToUtf8(view), out) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR text, IID* out)
{
    const HRESULT hr = CLSIDFromString(text, out);
    return hr == CO_E_CLASSSTRING ? E_INVALIDARG : hr;
}

int StringFromGUID2(REFGUID guid, LPOLESTR out, int cchMax)
{
    if (!out || cchMax < 39) return 0;
    const std::string s = GuidToString(guid);
    for (size_t i = 0; i < s.size(); ++i) out[i] = static_cast<OLECHAR>(s[i]);
    out[s.size()] = 0;
    return 39;
}
