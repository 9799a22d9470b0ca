// Handler of the recorded VariantChangeTypeEx cases. Every row also runs in
// place (dest == src) and must give the same result; on failure both the
// separate destination and the in-place variant must be left as they were.
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "platform/bstr.h"
#include "platform/variant.h"
#include "tests/platform/oleconv_vectors.h"

namespace {

struct Source {
    VARTYPE vt = VT_EMPTY;
    std::string value;  // after the ':'; empty when none
    bool hasValue = false;
    bool nullReference = false;
};

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(' ');
    const size_t e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool ParseChangeFlags(const std::string& text, USHORT* out)
{
    static const std::map<std::string, USHORT> names = {
        {"0", 0}, {"VARIANT_NOVALUEPROP", VARIANT_NOVALUEPROP}, {"VARIANT_ALPHABOOL", VARIANT_ALPHABOOL},
        {"VARIANT_NOUSEROVERRIDE", VARIANT_NOUSEROVERRIDE}, {"VARIANT_LOCALBOOL", VARIANT_LOCALBOOL},
        {"VARIANT_USE_NLS", VARIANT_USE_NLS},
    };
    *out = 0;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, '|');) {
        auto it = names.find(part);
        if (it == names.end()) return false;
        *out |= it->second;
    }
    return true;
}

bool ParseSource(const std::string& text, Source* out)
{
    std::string t = Trim(text);
    if (const size_t p = t.find(" (null pointer)"); p != std::string::npos) {
        out->nullReference = true;
        t = t.substr(0, p);
    }
    const size_t colon = t.find(':');
    if (colon != std::string::npos) {
        out->value = t.substr(colon + 1);
        out->hasValue = true;
        t = t.substr(0, colon);
    }
    return ParseVarTypeName(t, &out->vt);
}

// "VT_I4", "vt 0x3847", "{VT_VOID,VT_HRESULT}", "{all other vartypes, e.g. VT_VOID,...}";
// "(destination vt = 0xff)" gives the destination's starting type.
bool ParseTargets(const std::string& text, std::vector<VARTYPE>* targets, VARTYPE* destVt)
{
    std::string t = Trim(text);
    if (const size_t p = t.find(" (destination vt = "); p != std::string::npos) {
        if (!ParseVarTypeName(t.substr(p + 19, t.find(')', p) - p - 19), destVt)) return false;
        t = t.substr(0, p);
    }
    if (t.empty() || t[0] != '{') {
        VARTYPE vt = 0;
        if (!ParseVarTypeName(t, &vt)) return false;
        targets->push_back(vt);
        return true;
    }
    t = t.substr(1, t.find('}') - 1);
    if (const size_t eg = t.find("e.g. "); eg != std::string::npos) t = t.substr(eg + 5);
    std::istringstream in(t);
    for (std::string name; std::getline(in, name, ',');) {
        VARTYPE vt = 0;
        if (!ParseVarTypeName(name, &vt)) return false;
        targets->push_back(vt);
    }
    return !targets->empty();
}

bool MakeSource(const Source& s, VARIANT* v)
{
    VariantInit(v);
    v->vt = s.vt;
    if (s.nullReference) {
        v->byref = nullptr;
        return true;
    }
    if (!s.hasValue) return true;
    double d = 0;
    switch (s.vt) {
    case VT_BSTR: v->bstrVal = BStr(UnescapeText(s.value)).Detach(); return true;
    case VT_R4: if (!ParseNumberCell(s.value, &d)) return false; v->fltVal = static_cast<float>(d); return true;
    case VT_R8: if (!ParseNumberCell(s.value, &d)) return false; v->dblVal = d; return true;
    case VT_DATE: if (!ParseNumberCell(s.value, &d)) return false; v->date = d; return true;
    default: {
        std::istringstream in(s.value);
        long long i = 0;
        if (!(in >> i)) return false;
        v->llVal = i;  // little-endian: the narrow members read the low bytes
        if (s.vt == VT_I2 || s.vt == VT_BOOL || s.vt == VT_UI2) v->llVal = static_cast<uint16_t>(i);
        return true;
    }
    }
}

// The types the platform converts; rows that succeed only with others (VT_CY,
// VT_DECIMAL) are skipped.
bool Supported(VARTYPE vt)
{
    switch (vt & VT_TYPEMASK) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_DATE: case VT_BSTR:
    case VT_BOOL: case VT_ERROR: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: return true;
    default: return false;
    }
}

std::string Snapshot(const VARIANT& v)
{
    std::string bytes(reinterpret_cast<const char*>(&v), sizeof v);
    return bytes;
}

std::string RunOne(const VectorRow& row, const Source& source, VARTYPE target, VARTYPE destVt, USHORT flags,
                   HRESULT want)
{
    const LCID lcid = ParseLcid(row.lcid);
    std::string why;

    VARIANT src;
    if (!MakeSource(source, &src)) return "unreadable source value";
    VARIANT dest;
    std::memset(&dest, 0x5A, sizeof dest);
    dest.vt = destVt;
    const std::string before = Snapshot(dest);
    const HRESULT hr = VariantChangeTypeEx(&dest, &src, lcid, flags, target);
    if (hr != want) why = "returned " + HresultName(hr) + ", expected " + row.expectedHr;
    else if (SUCCEEDED(hr)) why = MatchVariant(row.expectedOutput, dest);
    else if (Snapshot(dest) != before) why = "destination changed on failure";
    if (SUCCEEDED(hr)) VariantClear(&dest);

    // In place, unless the row is about the destination's own type.
    if (why.empty() && destVt == VT_EMPTY) {
        const std::string original = Snapshot(src);
        const HRESULT inPlace = VariantChangeTypeEx(&src, &src, lcid, flags, target);
        if (inPlace != want) why = "in place returned " + HresultName(inPlace);
        else if (SUCCEEDED(inPlace)) {
            const std::string m = MatchVariant(row.expectedOutput, src);
            if (!m.empty()) why = "in place: " + m;
        } else if (Snapshot(src) != original) why = "in place: source changed on failure";
    }
    if (!source.nullReference) VariantClear(&src);
    return why;
}

RowOutcome ChangeType(const VectorRow& row)
{
    const size_t arrow = row.input.find(" -> ");
    if (arrow == std::string::npos) return RowOutcome::Failed("unreadable input");
    Source source;
    std::vector<VARTYPE> targets;
    VARTYPE destVt = VT_EMPTY;
    USHORT flags = 0;
    if (!ParseSource(row.input.substr(0, arrow), &source) ||
        !ParseTargets(row.input.substr(arrow + 4), &targets, &destVt) || !ParseChangeFlags(row.flags, &flags))
        return RowOutcome::Failed("unreadable row");
    HRESULT want = 0;
    if (!ParseHresultName(row.expectedHr, &want)) return RowOutcome::Failed("unknown HRESULT " + row.expectedHr);
    if (SUCCEEDED(want) && (!Supported(source.vt) || !Supported(targets[0])))
        return RowOutcome::Skipped("needs VT_CY / VT_DECIMAL");

    std::string failures;
    for (VARTYPE target : targets) {
        const std::string why = RunOne(row, source, target, destVt, flags, want);
        if (!why.empty()) failures += "[" + VarTypeToString(target) + "] " + why + " ";
    }
    return failures.empty() ? RowOutcome::Passed() : RowOutcome::Failed(failures);
}

const VectorHandler kHandler{"VariantChangeTypeEx", ChangeType};

}  // namespace
