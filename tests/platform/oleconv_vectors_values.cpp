// Readers of typed cells shared by the handlers: HRESULT names, VARTYPE names
// and the comparison of a VARIANT with an expected "VT_XX:value" cell.
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/bstr.h"
#include "platform/hresult.h"
#include "tests/platform/oleconv_vectors.h"

namespace {

const std::map<std::string, VARTYPE>& VarTypeNames()
{
    static const std::map<std::string, VARTYPE> names = {
        {"VT_EMPTY", VT_EMPTY}, {"VT_NULL", VT_NULL}, {"VT_I2", VT_I2}, {"VT_I4", VT_I4}, {"VT_R4", VT_R4},
        {"VT_R8", VT_R8}, {"VT_CY", VT_CY}, {"VT_DATE", VT_DATE}, {"VT_BSTR", VT_BSTR},
        {"VT_DISPATCH", VT_DISPATCH}, {"VT_ERROR", VT_ERROR}, {"VT_BOOL", VT_BOOL}, {"VT_VARIANT", VT_VARIANT},
        {"VT_UNKNOWN", VT_UNKNOWN}, {"VT_DECIMAL", VT_DECIMAL}, {"VT_I1", VT_I1}, {"VT_UI1", VT_UI1},
        {"VT_UI2", VT_UI2}, {"VT_UI4", VT_UI4}, {"VT_I8", VT_I8}, {"VT_UI8", VT_UI8}, {"VT_INT", VT_INT},
        {"VT_UINT", VT_UINT}, {"VT_VOID", VT_VOID}, {"VT_HRESULT", VT_HRESULT}, {"VT_PTR", VT_PTR},
        {"VT_SAFEARRAY", VT_SAFEARRAY}, {"VT_CARRAY", VT_CARRAY}, {"VT_USERDEFINED", VT_USERDEFINED},
        {"VT_LPSTR", VT_LPSTR}, {"VT_LPWSTR", VT_LPWSTR}, {"VT_RECORD", VT_RECORD}, {"VT_INT_PTR", VT_INT_PTR},
        {"VT_UINT_PTR", VT_UINT_PTR}, {"VT_FILETIME", VT_FILETIME}, {"VT_BLOB", VT_BLOB},
        {"VT_STREAM", VT_STREAM}, {"VT_STORAGE", VT_STORAGE}, {"VT_STREAMED_OBJECT", VT_STREAMED_OBJECT},
        {"VT_STORED_OBJECT", VT_STORED_OBJECT}, {"VT_BLOB_OBJECT", VT_BLOB_OBJECT}, {"VT_CF", VT_CF},
        {"VT_CLSID", VT_CLSID}, {"VT_BSTR_BLOB", 0x0FFF}, {"VT_VECTOR", VT_VECTOR}, {"VT_ARRAY", VT_ARRAY},
        {"VT_BYREF", VT_BYREF},
    };
    return names;
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(' ');
    const size_t e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool ParseInteger(const std::string& text, long long* out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    *out = std::strtoll(text.c_str(), &end, 0);
    return *end == '\0' || *end == ' ';
}

bool ParseUnsigned(const std::string& text, unsigned long long* out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    *out = std::strtoull(text.c_str(), &end, 0);
    return *end == '\0' || *end == ' ';
}

// One alternative: "VT_XX", "VT_XX:value", "VT_XX (value not checked)".
std::string MatchOne(const std::string& expected, const VARIANT& v)
{
    const size_t colon = expected.find(':');
    std::string typeText = Trim(expected.substr(0, colon));
    if (const size_t paren = typeText.find(" ("); paren != std::string::npos) typeText = typeText.substr(0, paren);
    VARTYPE vt = 0;
    if (!ParseVarTypeName(typeText, &vt)) return "unreadable expected type '" + typeText + "'";
    if (v.vt != vt) return "type differs";
    if (colon == std::string::npos) return {};
    const std::string value = expected.substr(colon + 1);

    long long i = 0;
    unsigned long long u = 0;
    double d = 0;
    switch (vt) {
    case VT_I1: return ParseInteger(value, &i) && v.cVal == i ? "" : "value differs";
    case VT_I2: return ParseInteger(value, &i) && v.iVal == i ? "" : "value differs";
    case VT_BOOL: return ParseInteger(value, &i) && v.boolVal == i ? "" : "value differs";
    case VT_I4:
    case VT_INT: return ParseInteger(value, &i) && v.lVal == i ? "" : "value differs";
    case VT_I8: return ParseInteger(value, &i) && v.llVal == i ? "" : "value differs";
    case VT_UI1: return ParseUnsigned(value, &u) && v.bVal == u ? "" : "value differs";
    case VT_UI2: return ParseUnsigned(value, &u) && v.uiVal == u ? "" : "value differs";
    case VT_UI4:
    case VT_UINT: return ParseUnsigned(value, &u) && v.ulVal == u ? "" : "value differs";
    case VT_UI8: return ParseUnsigned(value, &u) && v.ullVal == u ? "" : "value differs";
    case VT_ERROR: return ParseInteger(value, &i) && v.scode == static_cast<SCODE>(i) ? "" : "value differs";
    case VT_R4: return ParseNumberCell(value, &d) && DoublesMatch(static_cast<float>(d), v.fltVal) ? "" : "value differs";
    case VT_R8: return ParseNumberCell(value, &d) && DoublesMatch(d, v.dblVal) ? "" : "value differs";
    case VT_DATE: return ParseNumberCell(value, &d) && DoublesMatch(d, v.date) ? "" : "value differs";
    case VT_BSTR: {
        const std::u16string want = UnescapeText(value);
        const std::u16string_view got = v.bstrVal ? std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal))
                                                  : std::u16string_view();
        return got == want ? "" : "text differs";
    }
    default: return "no comparison for " + typeText;
    }
}

}  // namespace

std::string HresultName(HRESULT hr)
{
    for (const char* name : {"S_OK", "S_FALSE", "DISP_E_TYPEMISMATCH", "DISP_E_BADVARTYPE", "DISP_E_OVERFLOW",
                             "E_INVALIDARG", "E_OUTOFMEMORY"}) {
        HRESULT known = 0;
        if (ParseHresultName(name, &known) && known == hr) return name;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return buf;
}

bool ParseVarTypeName(const std::string& raw, VARTYPE* out)
{
    std::string text = Trim(raw);
    if (text.rfind("vt ", 0) == 0) text = text.substr(3);
    if (text.rfind("0x", 0) == 0) {
        unsigned long long u = 0;
        if (!ParseUnsigned(text, &u)) return false;
        *out = static_cast<VARTYPE>(u);
        return true;
    }
    VARTYPE vt = 0;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        auto it = VarTypeNames().find(Trim(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (it == VarTypeNames().end()) return false;
        vt |= it->second;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    *out = vt;
    return true;
}

std::string MatchVariant(const std::string& expected, const VARIANT& actual)
{
    std::string firstMismatch;
    size_t start = 0;
    for (;;) {
        const size_t sep = expected.find(" or ", start);
        const std::string one = expected.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        const std::string why = MatchOne(one, actual);
        if (why.empty()) return {};
        if (firstMismatch.empty()) firstMismatch = why;
        if (sep == std::string::npos) break;
        start = sep + 4;
    }
    return firstMismatch + ": expected " + expected + ", got " + VariantToString(actual);
}
