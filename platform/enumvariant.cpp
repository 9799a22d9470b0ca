// IEnumVARIANT over a private array of VARIANTs.
//
// The array is filled once and never changed. A clone reads the same array
// through a reference on the enumerator that owns it, with a position of its
// own.
#include "platform/enumvariant.h"

#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "platform/comobject.h"
#include "platform/variant.h"

namespace {

// The copied items; cleared when the last enumerator reading them goes.
class Items {
public:
    Items() = default;
    Items(const Items&) = delete;
    Items& operator=(const Items&) = delete;
    ~Items()
    {
        for (VARIANT& v : values_) VariantClear(&v);
    }

    HRESULT Fill(const VARIANT* items, ULONG count)
    {
        values_.reserve(count);
        for (ULONG i = 0; i < count; ++i) {
            VARIANT& v = values_.emplace_back();
            VariantInit(&v);
            if (HRESULT hr = VariantCopy(&v, &items[i]); FAILED(hr)) return hr;
        }
        return S_OK;
    }
    ULONG size() const { return static_cast<ULONG>(values_.size()); }
    const VARIANT& operator[](ULONG i) const { return values_[i]; }

private:
    std::vector<VARIANT> values_;
};

class Enumerator final : public ComObject<IEnumVARIANT> {
public:
    // The enumerator that owns the items.
    explicit Enumerator(std::unique_ptr<Items> items) : items_(std::move(items)), view_(items_.get()) {}
    // A clone: reads the owner's items from `position` on.
    Enumerator(ComPtr<Enumerator> owner, ULONG position)
        : owner_(std::move(owner)), view_(owner_->view_), position_(position)
    {
    }

    HRESULT Next(ULONG celt, VARIANT* out, ULONG* fetched) override
    {
        if (!out || (!fetched && celt != 1)) return E_POINTER;
        if (fetched) *fetched = 0;
        ULONG start = position_.load();
        ULONG n = 0;
        for (; n < celt && start + n < view_->size(); ++n) {
            VariantInit(&out[n]);
            if (HRESULT hr = VariantCopy(&out[n], &(*view_)[start + n]); FAILED(hr)) {
                for (ULONG i = 0; i < n; ++i) VariantClear(&out[i]);
                return hr;
            }
        }
        position_ = start + n;
        if (fetched) *fetched = n;
        return n == celt ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG celt) override
    {
        ULONG start = position_.load();
        ULONG left = view_->size() - start;
        if (celt > left) {
            position_ = view_->size();
            return S_FALSE;
        }
        position_ = start + celt;
        return S_OK;
    }

    HRESULT Reset() override
    {
        position_ = 0;
        return S_OK;
    }

    HRESULT Clone(IEnumVARIANT** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            ComPtr<Enumerator> owner = owner_ ? owner_ : ComPtr<Enumerator>(this);
            ComPtr<Enumerator> clone = MakeCom<Enumerator>(std::move(owner), position_.load());
            *out = clone.Detach();
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

private:
    std::unique_ptr<Items> items_;  // set in the owner only
    ComPtr<Enumerator> owner_;      // set in clones only
    const Items* view_;
    std::atomic<ULONG> position_{0};
};

}  // namespace

HRESULT CreateVariantEnumerator(const VARIANT* items, ULONG count, IEnumVARIANT** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!items && count != 0) return E_INVALIDARG;
    try {
        auto copy = std::make_unique<Items>();
        if (HRESULT hr = copy->Fill(items, count); FAILED(hr)) return hr;
        ComPtr<Enumerator> e = MakeCom<Enumerator>(std::move(copy));
        *out = e.Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
