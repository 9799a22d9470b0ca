#pragma once
// The conversion table behind VariantChangeTypeEx (changetype_targets.cpp).
#include "platform/types.h"
#include "platform/variant.h"

namespace oleconv::changetype {

// The scalar types a VARIANT can carry (15 is unassigned).
constexpr bool IsValidVariantType(VARTYPE base)
{
    return (base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT)) && base != 15;
}

// Converts the value `src` (never VT_BYREF) into `out` as `vt`; `out` is
// written only on success.
HRESULT Convert(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out);

}  // namespace oleconv::changetype
