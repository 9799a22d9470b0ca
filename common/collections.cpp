// The host's schema operations on tables and columns.
#include "common/collections.h"

HRESULT CTables::Append(ITable* item)
{
    if (!bvd::ThisPlugin().hostAppendsSchema) return E_NOTIMPL;  // the reader builds its schema alone
    return AppendItem(item);
}

HRESULT CTables::Delete(VARIANT) { return E_NOTIMPL; }

HRESULT CColumns::Append(IColumn* item)
{
    if (!bvd::ThisPlugin().hostAppendsSchema) return E_NOTIMPL;
    return AppendItem(item);
}

HRESULT CColumns::Delete(VARIANT) { return E_NOTIMPL; }
