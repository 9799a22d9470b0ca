#pragma once
// Properties: the source's capability set (what the plug-in can do, plus its
// version) and the reading of the connection properties the host hands to
// ISource::Initialize.
#include <string>

#include "common/collections.h"
#include "common/comobjectptr.h"
#include "common/constants.h"
#include "platform/variant.h"

class CProperty : public bvd::ModelObject<IProperty> {
public:
    HRESULT get_Name(BSTR* pVal) override;
    HRESULT get_Type(LONG* pVal) override;
    HRESULT get_Value(VARIANT* pVal) override;
    // Never changes the value: E_NOTIMPL when attribute bit 1 (value 2) is
    // set, E_ACCESSDENIED otherwise.
    HRESULT put_Value(VARIANT newVal) override;
    HRESULT get_Attributes(LONG* pVal) override;

    // The plug-in's own set-up; `value` is copied.
    HRESULT Set(const char16_t* name, PropertyTypeConstants type, const VARIANT& value, LONG attributes);

private:
    BStr m_Name;
    PropertyTypeConstants m_Type = cdLong;
    Variant m_Value;
    LONG m_Attributes = 0;
};

namespace bvd {

// The file version of the module file at `path` as "a.b.c.d", or "?.?.?.?"
// when the file has no version resource.
std::u16string ModuleVersionText(const std::u16string& path);

// The full path of the module this code is linked into (no length limit).
std::u16string ThisModulePath();

// Builds the capability set into `properties`: one read-only property per row
// of the plug-in's table, then "Version" from the module file. A creation
// failure raises 0xC0020001 ("Property") with the creation's HRESULT in
// `ctx`'s language; an Append failure is returned as is.
HRESULT BuildCapabilities(CProperties& properties, const CCtx& ctx);

// A connection property read from the host's collection: Item by name, then
// its Value and Type. A failing step's HRESULT is returned (the property
// counts as absent).
HRESULT ReadConnectionProperty(IProperties* properties, const char16_t* name, VARIANT* value, LONG* type);

}  // namespace bvd
