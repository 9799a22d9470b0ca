#pragma once
// Shared by the generic IDispatch's sources: name comparison and member
// look-up in an interface description.
#include <string_view>

#include "platform/dispatch_impl.h"

namespace dispatch_internal {

// Names of members and parameters compare without regard to case (ASCII and
// Latin-1 letters), as the original's type libraries do.
bool SameName(std::u16string_view a, std::u16string_view b);

// The first member with this name (any kind), or null.
const DispMember* FindByName(const DispInterface& desc, std::u16string_view name);
// The first member with this dispatch id (any kind), or null.
const DispMember* FindById(const DispInterface& desc, DISPID id);
// The parameter's position in the members of `id` that have one by this
// name, or DISPID_UNKNOWN.
DISPID FindParam(const DispInterface& desc, DISPID id, std::u16string_view name);

}  // namespace dispatch_internal
