#pragma once
// The ordered collections of the object model.
//
//   CCollection<T>             items in insertion order, one reference each;
//                              reached by position (VT_I4, VT_I2).
//   CNameCollection<T, Less>   adds a name map ordered by Less (names unique
//                              under it); reached by name (VT_BSTR) too.
//   CNameNoCaseCollection<T>   CNameCollection with IsLessBstrNoCase.
//
// T is an item interface derived from IDispatch. The operations return
// HRESULTs only (E_INVALIDARG, DISP_E_BADINDEX, E_OUTOFMEMORY); they take no
// lock: the COM collection classes (collections.h) lock around them.
#include <algorithm>
#include <map>
#include <new>
#include <vector>

#include "common/KxAssert.h"
#include "platform/bstr.h"
#include "platform/dispatch.h"
#include "platform/enumvariant.h"

// True when `a` is below `b` in the C runtime's case-insensitive comparison
// (each character lower-cased first). A null BSTR is the empty text.
bool IsLessBstrNoCase(const OLECHAR* a, const OLECHAR* b) noexcept;

struct IsLessBstrNoCaseFn {
    bool operator()(const BStr& a, const BStr& b) const noexcept { return IsLessBstrNoCase(a.get(), b.get()); }
};

namespace bvd {

// How a VARIANT index selects: a position (VT_I4, VT_I2 sign-extended), a
// name (VT_BSTR), or nothing (any other type; no coercion is tried).
struct CollectionIndex {
    enum Kind { Position, Name, Invalid } kind = Invalid;
    ULONG position = 0;  // compared unsigned: negative positions are too large
    BSTR name = nullptr;
};
CollectionIndex ReadCollectionIndex(const VARIANT& index) noexcept;

}  // namespace bvd

template <class T>
class CCollection {
public:
    CCollection() = default;
    CCollection(const CCollection&) = delete;
    CCollection& operator=(const CCollection&) = delete;
    virtual ~CCollection() { ReleaseAll(); }

    // A snapshot enumerator: VT_DISPATCH items in order, copied into the
    // enumerator; later changes are not seen.
    virtual HRESULT _NewEnum(IUnknown** ppEnum)
    {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        try {
            std::vector<VARIANT> snapshot(m_Collection.size());
            for (size_t i = 0; i < m_Collection.size(); ++i) {
                snapshot[i].vt = VT_DISPATCH;
                snapshot[i].pdispVal = static_cast<IDispatch*>(m_Collection[i]);  // the enumerator adds its own
            }
            IEnumVARIANT* enumerator = nullptr;
            const HRESULT hr = CreateVariantEnumerator(snapshot.data(), static_cast<ULONG>(snapshot.size()),
                                                       &enumerator);
            if (FAILED(hr)) return hr;
            *ppEnum = enumerator;
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // By position only (the named form adds names).
    virtual HRESULT Delete(VARIANT index)
    {
        const bvd::CollectionIndex at = bvd::ReadCollectionIndex(index);
        if (at.kind != bvd::CollectionIndex::Position) return E_INVALIDARG;
        if (at.position >= m_Collection.size()) return DISP_E_BADINDEX;
        T* item = m_Collection[at.position];
        m_Collection.erase(m_Collection.begin() + at.position);
        item->Release();
        return S_OK;
    }

    virtual HRESULT Item(VARIANT index, T** item)
    {
        if (!item) return E_POINTER;
        *item = nullptr;
        const bvd::CollectionIndex at = bvd::ReadCollectionIndex(index);
        if (at.kind != bvd::CollectionIndex::Position) return E_INVALIDARG;
        if (at.position >= m_Collection.size()) return DISP_E_BADINDEX;
        *item = m_Collection[at.position];
        (*item)->AddRef();
        return S_OK;
    }

    virtual HRESULT Count(LONG* count)
    {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(m_Collection.size());
        return S_OK;
    }

    virtual HRESULT Append(T* item)
    {
        if (!item) return E_POINTER;
        try {
            m_Collection.push_back(item);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        item->AddRef();
        return S_OK;
    }

    // The item's name (a new BSTR); only named collections ask.
    virtual HRESULT GetName(T* item, BSTR* name) = 0;

    // Releases every item (named collections empty their map too).
    virtual void RemoveAll() { ReleaseAll(); }

protected:
    void ReleaseAll() noexcept
    {
        std::vector<T*> items;
        items.swap(m_Collection);
        for (T* item : items) item->Release();
    }

    std::vector<T*> m_Collection;  // one reference per entry
};

template <class T, class Less>
class CNameCollection : public CCollection<T> {
public:
    HRESULT Delete(VARIANT index) override
    {
        const bvd::CollectionIndex at = bvd::ReadCollectionIndex(index);
        if (at.kind == bvd::CollectionIndex::Name) {
            try {
                auto found = m_NameLookup.find(BStr(NameView(at.name)));
                if (found == m_NameLookup.end()) return DISP_E_BADINDEX;
                T* item = found->second;
                auto& items = this->m_Collection;
                auto pos = std::find(items.begin(), items.end(), item);
                if (KX_CHECK(pos != items.end(), "named item missing from the collection")) items.erase(pos);
                m_NameLookup.erase(found);
                item->Release();
                return S_OK;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        }
        if (at.kind != bvd::CollectionIndex::Position) return E_INVALIDARG;
        // By position: the item's entry leaves the map first. It is found by
        // the item, not by the item's current name: names are fixed at
        // Append, and an item renamed since (or one that cannot tell its
        // name) must not leave an entry behind pointing at a released item.
        T* item = nullptr;
        if (const HRESULT hr = CCollection<T>::Item(index, &item); FAILED(hr)) return hr;
        const auto entry = std::find_if(m_NameLookup.begin(), m_NameLookup.end(),
                                        [item](const auto& named) { return named.second == item; });
        if (KX_CHECK(entry != m_NameLookup.end(), "item missing from the name map")) m_NameLookup.erase(entry);
        item->Release();
        return CCollection<T>::Delete(index);
    }

    HRESULT Item(VARIANT index, T** item) override
    {
        const bvd::CollectionIndex at = bvd::ReadCollectionIndex(index);
        if (at.kind != bvd::CollectionIndex::Name) return CCollection<T>::Item(index, item);
        if (!item) return E_POINTER;
        *item = nullptr;
        try {
            auto found = m_NameLookup.find(BStr(NameView(at.name)));
            if (found == m_NameLookup.end()) return DISP_E_BADINDEX;
            *item = found->second;
            (*item)->AddRef();
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // The name is taken first; a name already present (under Less) is
    // DISP_E_BADINDEX and nothing is added.
    HRESULT Append(T* item) override
    {
        if (!item) return E_POINTER;
        BStr name;
        if (const HRESULT hr = this->GetName(item, name.put()); FAILED(hr)) return hr;
        try {
            if (m_NameLookup.contains(name)) return DISP_E_BADINDEX;
            auto inserted = m_NameLookup.emplace(std::move(name), item).first;
            if (const HRESULT hr = CCollection<T>::Append(item); FAILED(hr)) {
                m_NameLookup.erase(inserted);
                return hr;
            }
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    void RemoveAll() override
    {
        m_NameLookup.clear();
        CCollection<T>::RemoveAll();
    }

protected:
    static std::u16string_view NameView(BSTR s) noexcept
    {
        return s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view();
    }

    std::map<BStr, T*, Less> m_NameLookup;  // names fixed at Append; no references
};

template <class T>
using CNameNoCaseCollection = CNameCollection<T, IsLessBstrNoCaseFn>;
