#pragma once
// Values and their (always empty) attributes. A value holds a CKXVariant and
// its declared type; Value put converts what the host or a cursor hands it to
// the declared type (or takes the type from it), Type put converts in place.
#include "common/KxVariant.h"
#include "common/collections.h"
#include "common/comobjectptr.h"

class CValue : public bvd::ModelObject<IValue> {
public:
    HRESULT FinalConstruct();

    HRESULT get_Value(VARIANT_BOOL IsDirty, VARIANT* pVal) override;
    HRESULT put_Value(VARIANT_BOOL IsDirty, VARIANT newVal) override;
    HRESULT get_Type(LONG* pVal) override;
    HRESULT put_Type(LONG newVal) override;
    HRESULT get_Attributes(IValueAttributes** pVal) override;
    HRESULT get_IsDirty(VARIANT_BOOL* pVal) override;
    HRESULT put_IsDirty(VARIANT_BOOL newVal) override;
    HRESULT Clear() override;
    HRESULT GetChunk(LONG size, VARIANT* pVal) override;
    HRESULT AppendChunk(VARIANT data) override;

    // The datum, for the plug-in's cursors.
    CKXVariant& Data() noexcept { return m_Value; }
    DataTypeConstants DeclaredType() const noexcept { return m_Type; }

private:
    void PutValue(const VARIANT& v);

    CKXVariant m_Value;
    ComPtr<IUnknown> m_Level;  // the sub-table object of an mtLevel value
    DataTypeConstants m_Type = mtNone;
    CCtxObjectPtr<CValueAttributes, IValueAttributes> m_Attributes;
    VARIANT_BOOL m_bDirty = VARIANT_FALSE;
};

class CValueAttribute : public bvd::ModelObject<IValueAttribute> {
public:
    HRESULT get_Name(BSTR* pVal) override;
    HRESULT get_Value(VARIANT* pVal) override;

    // The plug-in's own set-up (nothing in either plug-in makes attributes).
    HRESULT Set(const char16_t* name, const VARIANT& value);

private:
    BStr m_Name;
    Variant m_Value;
};
