#pragma once
// The connection properties a host hands to ISource::Initialize: a property
// collection of the host's own, each item an IProperty of any
// PropertyTypeConstants type. Names are unique without regard to case; the
// collection answers Item by position (VT_I2, VT_I4) and by name (VT_BSTR).
#include <span>
#include <string>

#include "common/constants.h"
#include "contracts/datasource.h"
#include "platform/variant.h"

namespace bvdhost {

struct ConnectionProperty {
    std::u16string name;
    PropertyTypeConstants type;
    Variant value;
};

ConnectionProperty TextProperty(std::u16string name, std::u16string_view text);
ConnectionProperty LongProperty(std::u16string name, LONG value);
ConnectionProperty UnknownProperty(std::u16string name, IUnknown* object);

// E_INVALIDARG when two names are equal without regard to case.
HRESULT CreateConnectionProperties(std::span<const ConnectionProperty> items, IProperties** out);

}  // namespace bvdhost
