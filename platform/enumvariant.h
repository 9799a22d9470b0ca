#pragma once
// The IEnumVARIANT enumerator behind every `_NewEnum`: it works on its own
// copy of the items, so later changes to the collection are not seen.
#include "platform/dispatch.h"
#include "platform/export.h"

// Copies `count` items (deep copies: BSTRs duplicated, interfaces referenced)
// into a new enumerator positioned at the first item. `items` may be null
// when `count` is 0.
PLATFORM_API HRESULT CreateVariantEnumerator(const VARIANT* items, ULONG count, IEnumVARIANT** out);
