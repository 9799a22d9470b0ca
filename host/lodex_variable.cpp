// The variable: name, label, data type, bounds, maximum answers and its
// elements (categories).
#include "host/lodex_objects.h"
#include "platform/bstr.h"

namespace lodex {
namespace {

constexpr LONG kCategorical = 3;  // mtCategorical

// A bound as stored: VT_EMPTY (cleared), VT_I4 or VT_R8.
HRESULT NormalizeBound(const VARIANT& in, Variant* out)
{
    Variant v;
    if (FAILED(VariantCopyInd(&v, &in))) return E_INVALIDARG;
    switch (v.vt) {
    case VT_EMPTY: *out = Variant(); return S_OK;
    case VT_I2: *out = Variant::Long(v.iVal); return S_OK;
    case VT_I4: *out = Variant::Long(v.lVal); return S_OK;
    case VT_R4: *out = Variant::Double(v.fltVal); return S_OK;
    case VT_R8: *out = Variant::Double(v.dblVal); return S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

// Maximum answers as stored: VT_EMPTY (not set), VT_I4, or a text that a
// reader takes as a decimal integer.
HRESULT NormalizeMax(const VARIANT& in, Variant* out)
{
    Variant v;
    if (FAILED(VariantCopyInd(&v, &in))) return E_INVALIDARG;
    switch (v.vt) {
    case VT_EMPTY: *out = Variant(); return S_OK;
    case VT_I2: *out = Variant::Long(v.iVal); return S_OK;
    case VT_I4: *out = Variant::Long(v.lVal); return S_OK;
    case VT_BSTR: *out = v; return S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace

HRESULT LodexVariable::get_Name(BSTR* value)
{
    LODEX_FAULT("ILodexVariable.get_Name");
    std::lock_guard lock(m_);
    return CopyOut(s_.name, value);
}

HRESULT LodexVariable::put_Name(BSTR value)
{
    LODEX_FAULT("ILodexVariable.put_Name");
    std::lock_guard lock(m_);
    s_.name = FromBstr(value);
    return S_OK;
}

HRESULT LodexVariable::get_Label(BSTR* value)
{
    LODEX_FAULT("ILodexVariable.get_Label");
    std::lock_guard lock(m_);
    return CopyOut(s_.label, value);
}

HRESULT LodexVariable::put_Label(BSTR value)
{
    LODEX_FAULT("ILodexVariable.put_Label");
    std::lock_guard lock(m_);
    s_.label = FromBstr(value);
    return S_OK;
}

HRESULT LodexVariable::get_DataType(LONG* value)
{
    LODEX_FAULT("ILodexVariable.get_DataType");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    *value = s_.dataType;
    return S_OK;
}

HRESULT LodexVariable::put_DataType(LONG value)
{
    LODEX_FAULT("ILodexVariable.put_DataType");
    std::lock_guard lock(m_);
    s_.dataType = value;
    return S_OK;
}

HRESULT LodexVariable::get_LowerBound(VARIANT* value)
{
    LODEX_FAULT("ILodexVariable.get_LowerBound");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    VariantInit(value);
    return VariantCopy(value, &s_.lower);
}

HRESULT LodexVariable::put_LowerBound(VARIANT value)
{
    LODEX_FAULT("ILodexVariable.put_LowerBound");
    Variant bound;
    if (const HRESULT hr = NormalizeBound(value, &bound); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    s_.lower = bound;
    return S_OK;
}

HRESULT LodexVariable::get_UpperBound(VARIANT* value)
{
    LODEX_FAULT("ILodexVariable.get_UpperBound");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    VariantInit(value);
    return VariantCopy(value, &s_.upper);
}

HRESULT LodexVariable::put_UpperBound(VARIANT value)
{
    LODEX_FAULT("ILodexVariable.put_UpperBound");
    Variant bound;
    if (const HRESULT hr = NormalizeBound(value, &bound); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    s_.upper = bound;
    return S_OK;
}

Variant LodexVariable::EffectiveMaxResponses(const State& s)
{
    if (s.maxResponses.vt != VT_EMPTY) return s.maxResponses;
    if (s.dataType == kCategorical) return s.upper;
    return Variant();
}

HRESULT LodexVariable::get_MaxResponses(VARIANT* value)
{
    LODEX_FAULT("ILodexVariable.get_MaxResponses");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    VariantInit(value);
    const Variant effective = EffectiveMaxResponses(s_);
    return VariantCopy(value, &effective);
}

HRESULT LodexVariable::put_MaxResponses(VARIANT value)
{
    LODEX_FAULT("ILodexVariable.put_MaxResponses");
    Variant max;
    if (const HRESULT hr = NormalizeMax(value, &max); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    s_.maxResponses = max;
    return S_OK;
}

HRESULT LodexVariable::AddElement(ILodexElement* element, LONG index)
{
    LODEX_FAULT("ILodexVariable.AddElement");
    if (!element) return E_POINTER;
    const ComPtr<LodexElement> own = Unwrap<LodexElement>(element);
    if (!own) return E_INVALIDARG;  // not an element of this component
    std::lock_guard lock(m_);
    size_t at = 0;
    if (const HRESULT hr = InsertPosition(index, s_.elements.size(), &at); FAILED(hr)) return hr;
    if (!own->Claim()) return E_INVALIDARG;  // already in a variable
    // In a document the element takes the next category number at once.
    if (numbering_) own->SetValue(numbering_->next.fetch_add(1));
    s_.elements.insert(s_.elements.begin() + static_cast<std::ptrdiff_t>(at), own);
    return S_OK;
}

std::vector<ComPtr<LodexElement>> LodexVariable::Selected(LONG filter) const
{
    if (filter == -1) return s_.elements;
    std::vector<ComPtr<LodexElement>> out;
    for (const auto& e : s_.elements)
        if (e->Get().type == filter) out.push_back(e);
    return out;
}

HRESULT LodexVariable::get_CategoryCount(LONG filter, LONG* count)
{
    LODEX_FAULT("ILodexVariable.get_CategoryCount");
    if (!count) return E_POINTER;
    if (filter < -1) return E_INVALIDARG;
    std::lock_guard lock(m_);
    *count = static_cast<LONG>(Selected(filter).size());
    return S_OK;
}

HRESULT LodexVariable::get_Category(LONG filter, VARIANT index, ILodexElement** element)
{
    LODEX_FAULT("ILodexVariable.get_Category");
    if (!element) return E_POINTER;
    *element = nullptr;
    if (filter < -1) return E_INVALIDARG;
    Index at;
    if (const HRESULT hr = ReadIndex(index, &at); FAILED(hr)) return hr;
    std::lock_guard lock(m_);
    const auto list = Selected(filter);
    if (!at.byName) {
        if (at.position < 0 || static_cast<size_t>(at.position) >= list.size()) return DISP_E_BADINDEX;
        return ComPtr<ILodexElement>(list[static_cast<size_t>(at.position)].get()).CopyTo(element);
    }
    for (const auto& e : list) {
        const LodexElement::State s = e->Get();
        if (s.name && EqualNoCase(*s.name, at.name)) return ComPtr<ILodexElement>(e.get()).CopyTo(element);
    }
    return DISP_E_BADINDEX;
}

bool LodexVariable::Claim(const std::shared_ptr<Numbering>& numbering)
{
    std::lock_guard lock(m_);
    if (numbering_) return false;
    numbering_ = numbering;
    for (const auto& e : s_.elements) e->SetValue(numbering_->next.fetch_add(1));
    return true;
}

void LodexVariable::ClaimAsLoaded(const std::shared_ptr<Numbering>& numbering)
{
    std::lock_guard lock(m_);
    numbering_ = numbering;
}

Text LodexVariable::Name() const
{
    std::lock_guard lock(m_);
    return s_.name;
}

LodexVariable::State LodexVariable::Get() const
{
    std::lock_guard lock(m_);
    return s_;
}

void LodexVariable::Set(State state)
{
    std::lock_guard lock(m_);
    s_ = std::move(state);
}

}  // namespace lodex
