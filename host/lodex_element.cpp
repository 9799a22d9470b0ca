// Element (category) and data-source objects: plain property holders.
#include "host/lodex_objects.h"

namespace lodex {

// ---- Element

HRESULT LodexElement::get_Name(BSTR* value)
{
    LODEX_FAULT("ILodexElement.get_Name");
    std::lock_guard lock(m_);
    return CopyOut(s_.name, value);
}

HRESULT LodexElement::put_Name(BSTR value)
{
    LODEX_FAULT("ILodexElement.put_Name");
    std::lock_guard lock(m_);
    s_.name = FromBstr(value);
    return S_OK;
}

HRESULT LodexElement::get_Label(BSTR* value)
{
    LODEX_FAULT("ILodexElement.get_Label");
    std::lock_guard lock(m_);
    return CopyOut(s_.label, value);
}

HRESULT LodexElement::put_Label(BSTR value)
{
    LODEX_FAULT("ILodexElement.put_Label");
    std::lock_guard lock(m_);
    s_.label = FromBstr(value);
    return S_OK;
}

HRESULT LodexElement::get_Value(LONG* value)
{
    LODEX_FAULT("ILodexElement.get_Value");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    *value = s_.value;
    return S_OK;
}

HRESULT LodexElement::get_Type(LONG* value)
{
    LODEX_FAULT("ILodexElement.get_Type");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    *value = s_.type;
    return S_OK;
}

HRESULT LodexElement::put_Type(LONG value)
{
    LODEX_FAULT("ILodexElement.put_Type");
    std::lock_guard lock(m_);
    s_.type = value;
    return S_OK;
}

HRESULT LodexElement::get_Flag(LONG* value)
{
    LODEX_FAULT("ILodexElement.get_Flag");
    if (!value) return E_POINTER;
    std::lock_guard lock(m_);
    *value = s_.flag;
    return S_OK;
}

HRESULT LodexElement::put_Flag(LONG value)
{
    LODEX_FAULT("ILodexElement.put_Flag");
    std::lock_guard lock(m_);
    s_.flag = value;
    return S_OK;
}

bool LodexElement::Claim()
{
    std::lock_guard lock(m_);
    if (claimed_) return false;
    claimed_ = true;
    return true;
}

void LodexElement::SetValue(LONG value)
{
    std::lock_guard lock(m_);
    s_.value = value;
}

LodexElement::State LodexElement::Get() const
{
    std::lock_guard lock(m_);
    return s_;
}

void LodexElement::Set(State state)
{
    std::lock_guard lock(m_);
    s_ = std::move(state);
}

// ---- Data source

#define LODEX_TEXT_PROPERTY(Class, Iface, Prop, field)     \
    HRESULT Class::get_##Prop(BSTR* value)                 \
    {                                                      \
        LODEX_FAULT(#Iface ".get_" #Prop);                 \
        std::lock_guard lock(m_);                          \
        return CopyOut(s_.field, value);                   \
    }                                                      \
    HRESULT Class::put_##Prop(BSTR value)                  \
    {                                                      \
        LODEX_FAULT(#Iface ".put_" #Prop);                 \
        std::lock_guard lock(m_);                          \
        s_.field = FromBstr(value);                        \
        return S_OK;                                       \
    }

LODEX_TEXT_PROPERTY(LodexDataSource, ILodexDataSource, Location, location)
LODEX_TEXT_PROPERTY(LodexDataSource, ILodexDataSource, CdscName, cdscName)
LODEX_TEXT_PROPERTY(LodexDataSource, ILodexDataSource, Name, name)
LODEX_TEXT_PROPERTY(LodexDataSource, ILodexDataSource, Project, project)

#undef LODEX_TEXT_PROPERTY

bool LodexDataSource::Claim()
{
    std::lock_guard lock(m_);
    if (claimed_) return false;
    claimed_ = true;
    return true;
}

LodexDataSource::State LodexDataSource::Get() const
{
    std::lock_guard lock(m_);
    return s_;
}

void LodexDataSource::Set(State state)
{
    std::lock_guard lock(m_);
    s_ = std::move(state);
}

}  // namespace lodex
