#pragma once
// The six collections the object model shows the host. Every method on the
// COM interface and every operation for the plug-in's own code (AppendItem,
// DeleteItem, ClearItems) runs under the collection's critical section.
//
//   class          item            named  host may
//   CTables        ITable          yes    Item Count _NewEnum; Append in the writer
//   CColumns       IColumn         yes    Item Count _NewEnum; Append in the writer
//   CCommands      ICommand        no     Item Count _NewEnum
//   CProperties    IProperty       yes    Item Count _NewEnum
//   CDataBindings  IDataBinding    no     Item Count Append Delete Clear _NewEnum
//   CValueAttributes IValueAttribute yes  Item Count _NewEnum
// ITables::Delete and IColumns::Delete are E_NOTIMPL in both plug-ins.
#include <type_traits>

#include "common/collection.h"
#include "common/critsec.h"
#include "common/model_object.h"
#include "common/plugin.h"

namespace bvd {

template <class I, class T, bool Named>
class CollectionObject
    : public ModelObject<I>,
      public std::conditional_t<Named, CNameNoCaseCollection<T>, CCollection<T>> {
public:
    using Items = std::conditional_t<Named, CNameNoCaseCollection<T>, CCollection<T>>;

    HRESULT get_Item(VARIANT index, T** pVal) override
    {
        CKXLock lock(m_cs);
        return Items::Item(index, pVal);
    }
    HRESULT get_Count(LONG* pVal) override
    {
        CKXLock lock(m_cs);
        return Items::Count(pVal);
    }
    HRESULT get__NewEnum(IUnknown** pVal) override
    {
        CKXLock lock(m_cs);
        return Items::_NewEnum(pVal);
    }

    // The plug-in's own operations.
    HRESULT AppendItem(T* item)
    {
        CKXLock lock(m_cs);
        return Items::Append(item);
    }
    HRESULT DeleteItem(VARIANT index)
    {
        CKXLock lock(m_cs);
        return Items::Delete(index);
    }
    HRESULT DeleteItem(LONG position)
    {
        VARIANT index;
        index.vt = VT_I4;
        index.lVal = position;
        return DeleteItem(index);
    }
    // Removes `item` (found by pointer); DISP_E_BADINDEX when it is absent.
    HRESULT RemoveItem(T* item)
    {
        CKXLock lock(m_cs);
        for (size_t i = 0; i < this->m_Collection.size(); ++i) {
            if (this->m_Collection[i] != item) continue;
            VARIANT index;
            index.vt = VT_I4;
            index.lVal = static_cast<LONG>(i);
            return Items::Delete(index);
        }
        return DISP_E_BADINDEX;
    }
    void ClearItems()
    {
        CKXLock lock(m_cs);
        Items::RemoveAll();
    }

    // A named item's Name property (a new BSTR).
    HRESULT GetName(T* item, BSTR* name) override
    {
        if constexpr (Named) {
            const HRESULT hr = item->get_Name(name);
            (void)KX_CHECK(SUCCEEDED(hr), "collection item without a name");
            return hr;
        } else {
            (void)item;
            (void)name;
            return E_NOTIMPL;
        }
    }

protected:
    CKXCriticalSection m_cs;
};

}  // namespace bvd

class CTables : public bvd::CollectionObject<ITables, ITable, true> {
public:
    HRESULT Append(ITable* item) override;
    HRESULT Delete(VARIANT index) override;
};

class CColumns : public bvd::CollectionObject<IColumns, IColumn, true> {
public:
    HRESULT Append(IColumn* item) override;
    HRESULT Delete(VARIANT index) override;
};

class CCommands : public bvd::CollectionObject<ICommands, ICommand, false> {};

class CProperties : public bvd::CollectionObject<IProperties, IProperty, true> {};

class CDataBindings : public bvd::CollectionObject<IDataBindings, IDataBinding, false> {
public:
    HRESULT Append(IDataBinding* item) override { return AppendItem(item); }
    HRESULT Delete(VARIANT index) override { return DeleteItem(index); }
    HRESULT Clear() override
    {
        ClearItems();
        return S_OK;
    }
};

class CValueAttributes : public bvd::CollectionObject<IValueAttributes, IValueAttribute, true> {};
