#pragma once
// CKXVariant: the typed value of the object model. A VARIANT together with
// its DataTypeConstants type, the locale its conversions use and the
// language its errors are formatted in. Conversions follow the OLE
// Automation rules (VariantChangeTypeEx with VARIANT_ALPHABOOL) and add the
// categorical sets, which that routine does not know.
//
// VARIANT forms of the types:
//   mtNone         VT_EMPTY (also accepts VT_NULL and VT_ERROR)
//   mtLong         VT_I4
//   mtText         VT_BSTR (also VT_BSTR|VT_BYREF)
//   mtCategorical  VT_ARRAY|VT_VARIANT (also with VT_BYREF): VT_I4 elements
//   mtObject       VT_UI1|VT_BYREF (accepted with a debug assertion)
//   mtDate         VT_DATE
//   mtDouble       VT_R8
//   mtBoolean      VT_BOOL
//   mtLevel        none (level values live beside the value)
//
// Errors are CKXError (KxError.h) in the language of the value whose
// operation raises them. Texts are wide, as everywhere in the object model.
#include <string>

#include "common/comvector.h"
#include "common/constants.h"
#include "platform/variant.h"

// The `lcid` of ChangeType and ChangeVt that stands for the source's locale.
inline constexpr LCID KX_SOURCE_LOCALE = static_cast<LCID>(-1);

class CKXVariant {
public:
    // A value of `type`: mtNone is VT_EMPTY, mtCategorical the empty set, any
    // other type VT_EMPTY converted to it (0, empty text, date 0, false).
    explicit CKXVariant(DataTypeConstants type = mtNone, LCID lcid = 0, DWORD langid = 0);
    // mtText holding a copy of `text` (VT_ERROR with E_OUTOFMEMORY, type
    // mtNone, when it cannot be allocated).
    CKXVariant(const OLECHAR* text, LCID lcid, DWORD langid);
    // Assign(variant).
    CKXVariant(const VARIANT& variant, LCID lcid, DWORD langid);
    // Copies the VARIANT, the type and both locales.
    CKXVariant(const CKXVariant& other);
    CKXVariant& operator=(const CKXVariant& other);

    // Clears the VARIANT; releases both caches.
    virtual ~CKXVariant();
    // Clears `dest`, makes it mtCategorical and hands it the array of
    // `array` (which is left empty).
    virtual void AttachCategorical(CKXVariant& dest, comvector& array);
    // Converts `src` into `dest` as `type`; `lcid` KX_SOURCE_LOCALE is the
    // locale of `src`. `dest` may be `src`. On failure `dest` is unchanged.
    virtual void ChangeType(CKXVariant& dest, const CKXVariant& src, DataTypeConstants type, LCID lcid);
    // ChangeType to the type of `vt`.
    virtual void ChangeVt(CKXVariant& dest, const CKXVariant& src, VARTYPE vt, LCID lcid);
    // Negative, 0 or positive as this value is less than, equal to or
    // greater than `other`.
    virtual int Compare(const CKXVariant& other);
    // Any value to a categorical set.
    virtual void ToCategorical(CKXVariant& dest, const CKXVariant& src);
    // A categorical set to `type`.
    virtual void FromCategorical(CKXVariant& dest, const CKXVariant& src, DataTypeConstants type);
    // Whether every element of `left` occurs in `right`, `right` having more
    // elements (or as many, when `allowEqual`).
    virtual bool IsSubset(const CKXVariant& left, const CKXVariant& right, bool allowEqual);

    // Copies `variant`, widening VT_I2 to VT_I4 and VT_R4 to VT_R8; an
    // unsupported VARTYPE raises 0xC0021004 and leaves the value unchanged.
    void Assign(const VARIANT& variant);
    // VT_EMPTY, mtNone (0xC0021006 when clearing fails).
    void Clear();
    // The value as text (for mtText the text itself), "####" when it has
    // none. The text lives until the next AsText call or destruction.
    const OLECHAR* AsText() const;
    // The same in the ANSI code page.
    std::string AsAnsiText() const;
    // The missing marker: VT_ERROR with DISP_E_PARAMNOTFOUND.
    bool IsMissingValue() const;
    static VARIANT MissingValue() noexcept;

    // The type of a VARTYPE (0xC0021004 for one that has none).
    DataTypeConstants KXTypeFromVt(VARTYPE vt) const;
    // The VARTYPE of a type (0xC0021004 for mtLevel and unknown numbers).
    VARTYPE VtFromKXType(DataTypeConstants type) const;
    // "None", "Long", ... "Boolean"; "---" for any other number.
    static const char16_t* TypeName(LONG type) noexcept;

    // In-place conversion: ChangeType(*this, *this, type, KX_SOURCE_LOCALE).
    void ChangeType(DataTypeConstants type) { ChangeType(*this, *this, type, KX_SOURCE_LOCALE); }

    DataTypeConstants Type() const noexcept { return m_Type; }
    const VARIANT& Value() const noexcept { return m_vtVal; }
    LCID Locale() const noexcept { return m_lcid; }
    DWORD Language() const noexcept { return m_langid; }
    void SetLocales(LCID lcid, DWORD langid) noexcept { m_lcid = lcid; m_langid = langid; }

    // The text of an mtText value, through a reference if it is one (null
    // for a null BSTR); the array of an mtCategorical value, likewise. On a
    // value of another type both are programming errors.
    BSTR Text() const;
    SAFEARRAY* Categorical() const;
    // The value as a categorical set: its own array when categorical,
    // otherwise a converted copy kept in the categorical cache.
    SAFEARRAY* AsCategorical();

protected:
    LCID m_lcid;
    DWORD m_langid;
    VARIANT m_vtVal;
    DataTypeConstants m_Type;
    mutable std::u16string m_strText;  // the text cache
    comvector m_vecCategorical;         // the categorical cache

private:
    // Replaces the held VARIANT by `value` (taken over) with type `type`.
    void Commit(VARIANT& value, DataTypeConstants type);
    [[noreturn]] void RaiseMismatch(HRESULT hr, const CKXVariant& src, LONG type) const;
    [[noreturn]] void RaiseCategorical(HRESULT hr) const;
    int CompareSame(const CKXVariant& left, const CKXVariant& right) const;
};
