#pragma once
// The classes of the Lodex component: document, variable, element (category)
// and data source. Each object guards its state with its own mutex; a
// document locks a variable it adds, and a variable locks an element it adds,
// never the other way round.
//
// Category values are numbered document-wide: a document owns one counter
// (Numbering), which every variable in it shares. A variable numbers its
// elements from it when it enters the document, and every element added to it
// later takes the next number at once.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/lodex.h"
#include "contracts/lodex_host.h"
#include "platform/comobject.h"

namespace lodex {

// ---- Module state (lodex_module.cpp)

// Objects alive and server locks, for DllCanUnloadNow.
void ModuleLock();
void ModuleUnlock();

// Every object counts in the module's lock count while it lives.
struct Counted {
    Counted() { ModuleLock(); }
    ~Counted() { ModuleUnlock(); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};

// ---- Faults armed through ILodexFaults (lodex_faults.cpp)

// S_OK, or the failure armed for this call of `operation`.
HRESULT CheckFault(std::u16string_view operation);
HRESULT ArmFault(LPCOLESTR operation, LONG occurrence, HRESULT result);
void ClearFaults();

#define LODEX_FAULT(operation)                                                   \
    do {                                                                         \
        if (const HRESULT fault_ = ::lodex::CheckFault(u"" operation); FAILED(fault_)) \
            return fault_;                                                       \
    } while (0)

// The common base: reference counting, QueryInterface for the class's own
// interface, ILodexFaults, and the component's private "self" identity that
// lets one object reach the C++ object behind another one's interface.
template <class Interface, class Self>
class LodexObject : public ComObject<Interface, ILodexFaults>, Counted {
public:
    HRESULT FailOperation(LPCOLESTR operation, LONG occurrence, HRESULT result) override
    {
        return ArmFault(operation, occurrence, result);
    }
    HRESULT ClearFaults() override
    {
        ::lodex::ClearFaults();
        return S_OK;
    }

protected:
    void* QueryExtra(REFIID riid) override
    {
        return riid == Self::kSelfIid ? static_cast<Self*>(this) : nullptr;
    }
};

// The object of the component behind `p`, or null when `p` is null or comes
// from somewhere else.
template <class T, class I>
ComPtr<T> Unwrap(I* p)
{
    return ImplementationOf<T>(p, T::kSelfIid);
}

// ---- Shared helpers (lodex_common.cpp)

using Text = std::optional<std::u16string>;  // nullopt: never set

std::u16string FromBstr(BSTR value);
// A copy of `text` in a new BSTR (the empty text when never set).
HRESULT CopyOut(const Text& text, BSTR* out);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);

// An index argument: a 0-based position or a name.
struct Index {
    bool byName = false;
    int64_t position = 0;
    std::u16string name;
};
// E_INVALIDARG when the VARIANT is neither an integer nor a text.
HRESULT ReadIndex(const VARIANT& index, Index* out);
// Where an add with `index` inserts into a list of `count`: -1 the end,
// 0..count before that position; DISP_E_BADINDEX otherwise.
HRESULT InsertPosition(LONG index, size_t count, size_t* at);

struct Numbering {
    std::atomic<LONG> next{1};
};

// ---- The classes

class LodexElement final : public LodexObject<ILodexElement, LodexElement> {
public:
    static constexpr IID kSelfIid{0x1d0e5c61, 0x7a2b, 0x4f39, {0x9e, 0x44, 0x2c, 0x51, 0x8a, 0x06, 0xd3, 0x71}};

    struct State {
        Text name, label;
        LONG value = 0, type = 0, flag = 0;
    };

    HRESULT get_Name(BSTR* value) override;
    HRESULT put_Name(BSTR value) override;
    HRESULT get_Label(BSTR* value) override;
    HRESULT put_Label(BSTR value) override;
    HRESULT get_Value(LONG* value) override;
    HRESULT get_Type(LONG* value) override;
    HRESULT put_Type(LONG value) override;
    HRESULT get_Flag(LONG* value) override;
    HRESULT put_Flag(LONG value) override;

    // Marks the element as a variable's; false when it already belongs to one.
    bool Claim();
    void SetValue(LONG value);
    State Get() const;
    void Set(State state);

private:
    mutable std::mutex m_;
    State s_;
    bool claimed_ = false;
};

class LodexDataSource final : public LodexObject<ILodexDataSource, LodexDataSource> {
public:
    static constexpr IID kSelfIid{0x1d0e5c62, 0x7a2b, 0x4f39, {0x9e, 0x44, 0x2c, 0x51, 0x8a, 0x06, 0xd3, 0x71}};

    struct State {
        Text location, cdscName, name, project;
    };

    HRESULT get_Location(BSTR* value) override;
    HRESULT put_Location(BSTR value) override;
    HRESULT get_CdscName(BSTR* value) override;
    HRESULT put_CdscName(BSTR value) override;
    HRESULT get_Name(BSTR* value) override;
    HRESULT put_Name(BSTR value) override;
    HRESULT get_Project(BSTR* value) override;
    HRESULT put_Project(BSTR value) override;

    bool Claim();
    State Get() const;
    void Set(State state);

private:
    mutable std::mutex m_;
    State s_;
    bool claimed_ = false;
};

class LodexVariable final : public LodexObject<ILodexVariable, LodexVariable> {
public:
    static constexpr IID kSelfIid{0x1d0e5c63, 0x7a2b, 0x4f39, {0x9e, 0x44, 0x2c, 0x51, 0x8a, 0x06, 0xd3, 0x71}};

    struct State {
        Text name, label;
        LONG dataType = 0;
        Variant lower, upper;  // VT_EMPTY, VT_I4 or VT_R8
        Variant maxResponses;  // VT_EMPTY (not set), VT_I4 or VT_BSTR
        std::vector<ComPtr<LodexElement>> elements;
    };

    HRESULT get_Name(BSTR* value) override;
    HRESULT put_Name(BSTR value) override;
    HRESULT get_Label(BSTR* value) override;
    HRESULT put_Label(BSTR value) override;
    HRESULT get_DataType(LONG* value) override;
    HRESULT put_DataType(LONG value) override;
    HRESULT get_LowerBound(VARIANT* value) override;
    HRESULT put_LowerBound(VARIANT value) override;
    HRESULT get_UpperBound(VARIANT* value) override;
    HRESULT put_UpperBound(VARIANT value) override;
    HRESULT get_MaxResponses(VARIANT* value) override;
    HRESULT put_MaxResponses(VARIANT value) override;
    HRESULT AddElement(ILodexElement* element, LONG index) override;
    HRESULT get_CategoryCount(LONG filter, LONG* count) override;
    HRESULT get_Category(LONG filter, VARIANT index, ILodexElement** element) override;

    // Joins the document that owns `numbering`, numbering the elements it
    // holds in their order; false when the variable is in a document already.
    bool Claim(const std::shared_ptr<Numbering>& numbering);
    // Joins a document with the element values it has (a loaded document).
    void ClaimAsLoaded(const std::shared_ptr<Numbering>& numbering);
    Text Name() const;
    State Get() const;
    void Set(State state);
    // The maximum answers the variable gives: the one set, else a
    // categorical variable's upper bound, else VT_EMPTY.
    static Variant EffectiveMaxResponses(const State& s);

private:
    std::vector<ComPtr<LodexElement>> Selected(LONG filter) const;  // under m_

    mutable std::mutex m_;
    State s_;
    std::shared_ptr<Numbering> numbering_;  // null until the variable is in a document
};

class LodexDocument final : public LodexObject<ILodexDocument, LodexDocument>, public ILodexDocumentJson {
public:
    static constexpr IID kSelfIid{0x1d0e5c64, 0x7a2b, 0x4f39, {0x9e, 0x44, 0x2c, 0x51, 0x8a, 0x06, 0xd3, 0x71}};

    struct State {
        std::vector<std::u16string> languages;
        Text context;
        std::vector<ComPtr<LodexDataSource>> sources;
        std::vector<ComPtr<LodexVariable>> variables;
        std::shared_ptr<Numbering> numbering = std::make_shared<Numbering>();
    };

    HRESULT AddLanguage(BSTR language) override;
    HRESULT get_Context(BSTR* context) override;
    HRESULT put_Context(BSTR context) override;
    HRESULT AddDataSource(ILodexDataSource* source, LONG index) override;
    HRESULT get_DataSourceCount(LONG* count) override;
    HRESULT get_DataSource(VARIANT index, ILodexDataSource** source) override;
    HRESULT AddVariable(ILodexVariable* variable, LONG index) override;
    HRESULT get_VariableCount(LONG* count) override;
    HRESULT get_Variable(VARIANT index, ILodexVariable** variable) override;
    HRESULT Save(BSTR path) override;
    HRESULT Load(BSTR path) override;
    HRESULT ToJson(BSTR* text) override;

    // IUnknown of the JSON interface: the object's own.
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Base::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return Base::AddRef(); }
    ULONG Release() override { return Base::Release(); }

protected:
    void* QueryExtra(REFIID riid) override
    {
        if (riid == ILodexDocumentJson::kIid) return static_cast<ILodexDocumentJson*>(this);
        return Base::QueryExtra(riid);
    }

private:
    using Base = LodexObject<ILodexDocument, LodexDocument>;

    mutable std::mutex m_;
    State s_;
};

// ---- JSON form (lodex_json.cpp)

std::string DocumentToJson(const LodexDocument::State& state);
// Builds a new document state from JSON text; E_INVALIDARG when the text is
// not JSON of the document's shape.
HRESULT DocumentFromJson(std::string_view text, LodexDocument::State* out);

}  // namespace lodex
