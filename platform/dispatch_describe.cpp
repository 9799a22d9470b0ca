// Interface descriptions: their checks, and names to dispatch ids.
#include <algorithm>
#include <string>

#include "platform/dispatch_internal.h"

namespace dispatch_internal {

namespace {

char16_t Fold(char16_t c)
{
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    // Latin-1 capitals À..Þ, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    return c;
}

}  // namespace

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

const DispMember* FindByName(const DispInterface& desc, std::u16string_view name)
{
    for (const DispMember& m : desc.members)
        if (SameName(m.name, name)) return &m;
    return nullptr;
}

const DispMember* FindById(const DispInterface& desc, DISPID id)
{
    for (const DispMember& m : desc.members)
        if (m.id == id) return &m;
    return nullptr;
}

DISPID FindParam(const DispInterface& desc, DISPID id, std::u16string_view name)
{
    for (const DispMember& m : desc.members) {
        if (m.id != id) continue;
        for (size_t k = 0; k < m.params.size(); ++k)
            if (SameName(m.params[k].name, name)) return static_cast<DISPID>(k);
    }
    return DISPID_UNKNOWN;
}

}  // namespace dispatch_internal

using namespace dispatch_internal;

namespace {

bool Accepts(DispShapeKind shape, VARTYPE vt)
{
    switch (shape) {
    case DispShapeKind::Int8: return vt == VT_I1;
    case DispShapeKind::Int16: return vt == VT_I2 || vt == VT_BOOL;
    case DispShapeKind::Int32: return vt == VT_I4 || vt == VT_INT || vt == VT_ERROR;
    case DispShapeKind::UInt8: return vt == VT_UI1;
    case DispShapeKind::UInt16: return vt == VT_UI2;
    case DispShapeKind::UInt32: return vt == VT_UI4 || vt == VT_UINT;
    case DispShapeKind::Real32: return vt == VT_R4;
    case DispShapeKind::Real64: return vt == VT_R8 || vt == VT_DATE;
    case DispShapeKind::Text: return vt == VT_BSTR;
    case DispShapeKind::Variant: return vt == VT_VARIANT;
    case DispShapeKind::Unknown: return vt == VT_UNKNOWN;
    case DispShapeKind::Dispatch: return vt == VT_DISPATCH;
    case DispShapeKind::Interface: return vt == VT_UNKNOWN;
    case DispShapeKind::DispatchInterface: return vt == VT_DISPATCH || vt == VT_UNKNOWN;
    case DispShapeKind::Unsupported: return false;
    }
    return false;
}

bool IsInterfaceType(VARTYPE vt) { return vt == VT_UNKNOWN || vt == VT_DISPATCH || vt == VT_VARIANT; }

bool IsPut(DispKind kind) { return kind == DispKind::PropertyPut || kind == DispKind::PropertyPutRef; }

const char* KindName(DispKind kind)
{
    switch (kind) {
    case DispKind::Method: return "method";
    case DispKind::PropertyGet: return "propget";
    case DispKind::PropertyPut: return "propput";
    case DispKind::PropertyPutRef: return "propputref";
    }
    return "?";
}

class Checker {
public:
    explicit Checker(const DispInterface& desc) : desc_(desc) {}

    void Run()
    {
        if (desc_.name.empty()) Fail("an interface without a name");
        for (const DispMember& m : desc_.members) CheckMember(m);
        for (size_t i = 0; i < desc_.members.size(); ++i)
            for (size_t j = i + 1; j < desc_.members.size(); ++j) CheckPair(desc_.members[i], desc_.members[j]);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::logic_error(Utf16ToUtf8(desc_.name) + ": " + what);
    }
    std::string Label(const DispMember& m) const { return Utf16ToUtf8(m.name) + " (" + KindName(m.kind) + ")"; }
    [[noreturn]] void Fail(const DispMember& m, const std::string& what) const { Fail(Label(m) + ": " + what); }

    void CheckMember(const DispMember& m) const
    {
        if (m.name.empty()) Fail("a member without a name");
        if (!m.thunk) Fail(m, "no call");
        if (m.params.size() != m.shapes.size())
            Fail(m, "describes " + std::to_string(m.params.size()) + " parameters, the C++ member has " +
                        std::to_string(m.shapes.size()));
        const size_t n = m.params.size();
        for (size_t k = 0; k < n; ++k) CheckParam(m, k);

        const bool hasRetVal = n > 0 && m.params.back().IsRetVal();
        if (m.kind == DispKind::PropertyGet && !hasRetVal) Fail(m, "a property get needs a retval parameter");
        if (IsPut(m.kind)) {
            if (n == 0) Fail(m, "a property put needs the value parameter");
            const DispParam& value = m.params.back();
            if (value.flags != PARAMFLAG_FIN) Fail(m, "the value of a put must be a plain [in] parameter");
            if (m.kind == DispKind::PropertyPutRef && !IsInterfaceType(value.vt))
                Fail(m, "the value of a putref must be an object or a VARIANT");
        }
        // Positional parameters: optional ones only at the end.
        const size_t positional = n - (hasRetVal || IsPut(m.kind) ? 1 : 0);
        bool optionalSeen = false;
        for (size_t k = 0; k < positional; ++k) {
            if (m.params[k].IsOptional())
                optionalSeen = true;
            else if (optionalSeen)
                Fail(m, "required parameter " + Utf16ToUtf8(m.params[k].name) + " after an optional one");
        }
    }

    void CheckParam(const DispMember& m, size_t k) const
    {
        const DispParam& p = m.params[k];
        const DispShape& shape = m.shapes[k];
        const std::string what = "parameter " + std::to_string(k) + " (" + Utf16ToUtf8(p.name) + ")";
        if (shape.kind == DispShapeKind::Unsupported) Fail(m, what + " has a C++ type the dispatcher cannot carry");
        if (!Accepts(shape.kind, p.vt))
            Fail(m, what + " is declared " + VarTypeToString(p.vt) + ", which its C++ type cannot hold");
        if (p.IsOut() != shape.pointer)
            Fail(m, what + (shape.pointer ? " is a C++ out-pointer but not declared [out]"
                                          : " is declared [out] but is not a C++ out-pointer"));
        if (!(p.flags & (PARAMFLAG_FIN | PARAMFLAG_FOUT))) Fail(m, what + " is neither [in] nor [out]");
        if (p.IsRetVal()) {
            if (k + 1 != m.params.size()) Fail(m, what + ": retval must be the last parameter");
            if (m.kind != DispKind::Method && m.kind != DispKind::PropertyGet) Fail(m, what + ": retval on a put");
            if (p.flags & PARAMFLAG_FIN) Fail(m, what + ": retval cannot be [in]");
        }
        const bool hasDefault = (p.flags & PARAMFLAG_FHASDEFAULT) != 0;
        if (hasDefault != (p.def.vt != VT_EMPTY)) Fail(m, what + ": default flag and default value disagree");
        if (hasDefault && !(p.flags & PARAMFLAG_FIN)) Fail(m, what + ": a default on a pure [out] parameter");
        if ((p.flags & PARAMFLAG_FOPT) && !hasDefault && p.vt != VT_VARIANT)
            Fail(m, what + ": optional without a default must be a VARIANT");
    }

    void CheckPair(const DispMember& a, const DispMember& b) const
    {
        if (a.id == b.id) {
            if (!SameName(a.name, b.name)) Fail(Label(a) + " and " + Label(b) + " share a dispatch id");
            if (a.kind == b.kind) Fail(Label(a) + " is described twice");
            if (a.kind == DispKind::Method || b.kind == DispKind::Method)
                Fail(Label(a) + " and " + Label(b) + ": a method cannot share its id");
        } else if (SameName(a.name, b.name)) {
            Fail(Label(a) + " and " + Label(b) + " have one name but two dispatch ids");
        }
    }

    const DispInterface& desc_;
};

}  // namespace

void ValidateDispInterface(const DispInterface& desc) { Checker(desc).Run(); }

HRESULT DispatchGetIDsOfNames(const DispInterface& desc, LPOLESTR* names, UINT count, DISPID* ids)
{
    if (count == 0) return S_OK;
    if (!names || !ids) return E_INVALIDARG;
    HRESULT hr = S_OK;
    const DispMember* member = names[0] ? FindByName(desc, names[0]) : nullptr;
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    if (!member) hr = DISP_E_UNKNOWNNAME;
    // Further names are the member's parameters, numbered by position.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = member && names[i] ? FindParam(desc, member->id, names[i]) : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}
