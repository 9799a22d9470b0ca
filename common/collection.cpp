// The collections' name comparison and index reading.
#include "common/collection.h"

#include <cwctype>

bool IsLessBstrNoCase(const OLECHAR* a, const OLECHAR* b) noexcept
{
    // As the C runtime's _wcsicmp: both characters lower-cased, then compared
    // as unsigned values; the shorter text is below when it is a prefix.
    const OLECHAR empty[] = {0};
    if (!a) a = empty;
    if (!b) b = empty;
    for (;; ++a, ++b) {
        const auto ca = static_cast<std::wint_t>(std::towlower(static_cast<std::wint_t>(*a)));
        const auto cb = static_cast<std::wint_t>(std::towlower(static_cast<std::wint_t>(*b)));
        if (ca != cb) return ca < cb;
        if (ca == 0) return false;
    }
}

namespace bvd {

CollectionIndex ReadCollectionIndex(const VARIANT& index) noexcept
{
    CollectionIndex at;
    switch (index.vt) {
    case VT_I4:
        at.kind = CollectionIndex::Position;
        at.position = static_cast<ULONG>(index.lVal);
        break;
    case VT_I2:
        at.kind = CollectionIndex::Position;
        at.position = static_cast<ULONG>(static_cast<LONG>(index.iVal));  // sign-extended
        break;
    case VT_BSTR:
        at.kind = CollectionIndex::Name;
        at.name = index.bstrVal;
        break;
    default:  // VT_R8, by-reference forms ...: no coercion
        break;
    }
    return at;
}

}  // namespace bvd
