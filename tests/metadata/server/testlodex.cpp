// The test Lodex component: document, data source, variable and element.
#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/comobject.h"
#include "platform/registrar.h"
#include "platform/win32.h"
#include "tests/metadata/server/testlodex.h"

namespace {

std::atomic<LONG> gLocks{0};

struct Failure {
    LONG occurrence;
    HRESULT hr;
    LONG seen = 0;
};

struct State {
    std::mutex mutex;
    std::map<std::u16string, Failure> failures;
    std::u16string log;
    std::map<std::u16string, LONG> created;
};
State& TheState()
{
    static State s;
    return s;
}

// Logs the call and answers the failure planned for it, if any.
HRESULT Call(const std::u16string& object, const std::u16string& operation, std::u16string_view argument = {})
{
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    const size_t dot = object.find(u'#');
    const std::u16string cls = object.substr(0, dot);
    HRESULT hr = S_OK;
    if (auto it = s.failures.find(cls + u"." + operation); it != s.failures.end()) {
        ++it->second.seen;
        if (it->second.occurrence == 0 || it->second.occurrence == it->second.seen) hr = it->second.hr;
    }
    s.log += object + u"." + operation;
    if (!argument.empty()) s.log += u" " + std::u16string(argument);
    if (FAILED(hr)) s.log += u" FAILED";
    s.log += u"\n";
    return hr;
}

std::u16string NextName(const std::u16string& cls)
{
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    return cls + u"#" + Utf8ToUtf16(std::to_string(++s.created[cls]));
}

std::u16string Text(BSTR b) { return b ? std::u16string(b, SysStringLen(b)) : std::u16string(); }

std::u16string VariantText(const VARIANT& v)
{
    if (v.vt == VT_I4) return u"I4:" + Utf8ToUtf16(std::to_string(v.lVal));
    if (v.vt == VT_R8) return u"R8:" + Utf8ToUtf16(std::to_string(v.dblVal));
    return u"VT:" + Utf8ToUtf16(std::to_string(v.vt));
}

HRESULT OutText(const std::u16string& text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

struct Counted {
    Counted() { ++gLocks; }
    ~Counted() { --gLocks; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};

template <class T>
void Insert(std::vector<ComPtr<T>>& list, T* item, LONG index)
{
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        list.emplace_back(item);
    else
        list.insert(list.begin() + index, ComPtr<T>(item));
}

class DataSource final : public ComObject<ILodexDataSource>, Counted {
public:
    HRESULT get_Location(BSTR* v) override { return OutText(location_, v); }
    HRESULT put_Location(BSTR v) override { return Set(u"put_Location", location_, v); }
    HRESULT get_CdscName(BSTR* v) override { return OutText(cdsc_, v); }
    HRESULT put_CdscName(BSTR v) override { return Set(u"put_CdscName", cdsc_, v); }
    HRESULT get_Name(BSTR* v) override { return OutText(name_, v); }
    HRESULT put_Name(BSTR v) override { return Set(u"put_Name", name_, v); }
    HRESULT get_Project(BSTR* v) override { return OutText(project_, v); }
    HRESULT put_Project(BSTR v) override { return Set(u"put_Project", project_, v); }

private:
    HRESULT Set(const char16_t* op, std::u16string& field, BSTR v)
    {
        if (const HRESULT hr = Call(id_, op, Text(v)); FAILED(hr)) return hr;
        field = Text(v);
        return S_OK;
    }
    std::u16string id_ = NextName(u"DataSource");
    std::u16string location_, cdsc_, name_, project_;
};

class Element final : public ComObject<ILodexElement>, Counted {
public:
    HRESULT get_Name(BSTR* v) override { return OutText(name_, v); }
    HRESULT put_Name(BSTR v) override { return Set(u"put_Name", name_, v); }
    HRESULT get_Label(BSTR* v) override { return OutText(label_, v); }
    HRESULT put_Label(BSTR v) override { return Set(u"put_Label", label_, v); }
    HRESULT get_Value(LONG* v) override { return v ? (*v = 0, S_OK) : E_POINTER; }
    HRESULT get_Type(LONG* v) override { return v ? (*v = type_, S_OK) : E_POINTER; }
    HRESULT put_Type(LONG v) override { return SetLong(u"put_Type", type_, v); }
    HRESULT get_Flag(LONG* v) override { return v ? (*v = flag_, S_OK) : E_POINTER; }
    HRESULT put_Flag(LONG v) override { return SetLong(u"put_Flag", flag_, v); }

    const std::u16string& Id() const { return id_; }

private:
    HRESULT Set(const char16_t* op, std::u16string& field, BSTR v)
    {
        if (const HRESULT hr = Call(id_, op, Text(v)); FAILED(hr)) return hr;
        field = Text(v);
        return S_OK;
    }
    HRESULT SetLong(const char16_t* op, LONG& field, LONG v)
    {
        if (const HRESULT hr = Call(id_, op, Utf8ToUtf16(std::to_string(v))); FAILED(hr)) return hr;
        field = v;
        return S_OK;
    }
    std::u16string id_ = NextName(u"Element");
    std::u16string name_, label_;
    LONG type_ = -1, flag_ = -1;  // "never set" is told apart from 0
};

class Variable final : public ComObject<ILodexVariable>, Counted {
public:
    HRESULT get_Name(BSTR* v) override { return OutText(name_, v); }
    HRESULT put_Name(BSTR v) override { return Set(u"put_Name", name_, v); }
    HRESULT get_Label(BSTR* v) override { return OutText(label_, v); }
    HRESULT put_Label(BSTR v) override { return Set(u"put_Label", label_, v); }
    HRESULT get_DataType(LONG* v) override
    {
        if (!v) return E_POINTER;
        if (const HRESULT hr = Call(id_, u"get_DataType"); FAILED(hr)) return hr;
        *v = type_;
        return S_OK;
    }
    HRESULT put_DataType(LONG v) override
    {
        if (const HRESULT hr = Call(id_, u"put_DataType", Utf8ToUtf16(std::to_string(v))); FAILED(hr)) return hr;
        type_ = v;
        return S_OK;
    }
    HRESULT get_LowerBound(VARIANT* v) override { return v ? VariantCopy(v, &lower_) : E_POINTER; }
    HRESULT put_LowerBound(VARIANT v) override { return SetBound(u"put_LowerBound", lower_, v); }
    HRESULT get_UpperBound(VARIANT* v) override { return v ? VariantCopy(v, &upper_) : E_POINTER; }
    HRESULT put_UpperBound(VARIANT v) override { return SetBound(u"put_UpperBound", upper_, v); }
    HRESULT get_MaxResponses(VARIANT* v) override { return v ? VariantCopy(v, &upper_) : E_POINTER; }
    HRESULT put_MaxResponses(VARIANT) override { return E_NOTIMPL; }
    HRESULT AddElement(ILodexElement* element, LONG index) override
    {
        if (!element) return E_POINTER;
        const auto* e = static_cast<Element*>(element);  // only this component's elements are added
        if (const HRESULT hr = Call(id_, u"AddElement", e->Id() + u" " + Utf8ToUtf16(std::to_string(index)));
            FAILED(hr))
            return hr;
        Insert(elements_, element, index);
        return S_OK;
    }
    HRESULT get_CategoryCount(LONG, LONG* count) override
    {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(elements_.size());
        return S_OK;
    }
    HRESULT get_Category(LONG, VARIANT index, ILodexElement** element) override
    {
        if (!element) return E_POINTER;
        *element = nullptr;
        if (index.vt != VT_I4 || index.lVal < 0 || static_cast<size_t>(index.lVal) >= elements_.size())
            return DISP_E_BADINDEX;
        return elements_[static_cast<size_t>(index.lVal)].CopyTo(element);
    }

    const std::u16string& Id() const { return id_; }

private:
    HRESULT Set(const char16_t* op, std::u16string& field, BSTR v)
    {
        if (const HRESULT hr = Call(id_, op, Text(v)); FAILED(hr)) return hr;
        field = Text(v);
        return S_OK;
    }
    HRESULT SetBound(const char16_t* op, Variant& field, const VARIANT& v)
    {
        if (const HRESULT hr = Call(id_, op, VariantText(v)); FAILED(hr)) return hr;
        field = Variant(v);
        return S_OK;
    }
    std::u16string id_ = NextName(u"Variable");
    std::u16string name_, label_;
    LONG type_ = 0;
    Variant lower_, upper_;
    std::vector<ComPtr<ILodexElement>> elements_;
};

class Document final : public ComObject<ILodexDocument, ITestLodexControl>, Counted {
public:
    HRESULT AddLanguage(BSTR language) override { return Call(id_, u"AddLanguage", Text(language)); }
    HRESULT get_Context(BSTR* v) override { return OutText(context_, v); }
    HRESULT put_Context(BSTR v) override
    {
        if (const HRESULT hr = Call(id_, u"put_Context", Text(v)); FAILED(hr)) return hr;
        context_ = Text(v);
        return S_OK;
    }
    HRESULT AddDataSource(ILodexDataSource* source, LONG index) override
    {
        if (!source) return E_POINTER;
        if (const HRESULT hr = Call(id_, u"AddDataSource", Utf8ToUtf16(std::to_string(index))); FAILED(hr)) return hr;
        Insert(sources_, source, index);
        return S_OK;
    }
    HRESULT get_DataSourceCount(LONG* count) override
    {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(sources_.size());
        return S_OK;
    }
    HRESULT get_DataSource(VARIANT index, ILodexDataSource** source) override
    {
        if (!source) return E_POINTER;
        *source = nullptr;
        if (index.vt != VT_I4 || index.lVal < 0 || static_cast<size_t>(index.lVal) >= sources_.size())
            return DISP_E_BADINDEX;
        return sources_[static_cast<size_t>(index.lVal)].CopyTo(source);
    }
    HRESULT AddVariable(ILodexVariable* variable, LONG index) override
    {
        if (!variable) return E_POINTER;
        const auto* v = static_cast<Variable*>(variable);
        if (const HRESULT hr = Call(id_, u"AddVariable", v->Id() + u" " + Utf8ToUtf16(std::to_string(index)));
            FAILED(hr))
            return hr;
        Insert(variables_, variable, index);
        return S_OK;
    }
    HRESULT get_VariableCount(LONG* count) override
    {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(variables_.size());
        return S_OK;
    }
    HRESULT get_Variable(VARIANT index, ILodexVariable** variable) override
    {
        if (!variable) return E_POINTER;
        *variable = nullptr;
        if (index.vt != VT_I4 || index.lVal < 0 || static_cast<size_t>(index.lVal) >= variables_.size())
            return DISP_E_BADINDEX;
        return variables_[static_cast<size_t>(index.lVal)].CopyTo(variable);
    }
    HRESULT Save(BSTR) override { return E_NOTIMPL; }
    HRESULT Load(BSTR) override { return E_NOTIMPL; }

    HRESULT FailCall(LPCOLESTR operation, LONG occurrence, HRESULT hr) override
    {
        if (!operation) return E_INVALIDARG;
        State& s = TheState();
        std::lock_guard lock(s.mutex);
        s.failures[operation] = Failure{occurrence, hr};
        return S_OK;
    }
    HRESULT Reset() override
    {
        State& s = TheState();
        std::lock_guard lock(s.mutex);
        s.failures.clear();
        s.log.clear();
        s.created.clear();
        return S_OK;
    }
    HRESULT GetLog(BSTR* log) override
    {
        State& s = TheState();
        std::lock_guard lock(s.mutex);
        return OutText(s.log, log);
    }

private:
    std::u16string id_ = NextName(u"Document");
    std::u16string context_;
    std::vector<ComPtr<ILodexDataSource>> sources_;
    std::vector<ComPtr<ILodexVariable>> variables_;
};

template <class T>
class Factory final : public ComObject<IClassFactory> {
public:
    explicit Factory(const char16_t* name) : name_(name) {}
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        // Documents are the tests' own: their creation is not logged.
        if (std::u16string_view(name_) != u"Document")
            if (const HRESULT hr = Call(u"Create", name_); FAILED(hr)) return hr;
        try {
            return MakeCom<T>()->QueryInterface(riid, ppv);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT LockServer(BOOL lock) override
    {
        lock ? ++gLocks : --gLocks;
        return S_OK;
    }

private:
    const char16_t* name_;
};

template <class T>
HRESULT Serve(const char16_t* name, REFIID riid, void** ppv)
{
    try {
        return MakeCom<Factory<T>>(name)->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::u16string Script()
{
    std::u16string s = u"HKCR\n{\n NoRemove CLSID\n {\n";
    for (const CLSID* clsid : {&CLSID_LodexDocument, &CLSID_LodexDataSource, &CLSID_LodexVariable, &CLSID_LodexElement}) {
        s += u"  ForceRemove " + Utf8ToUtf16(GuidToString(*clsid)) + u" = s 'Test Lodex'\n  {\n";
        s += u"   InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Both' }\n  }\n";
    }
    return s + u" }\n}\n";
}

HRESULT RunScript(bool registering)
{
    ComPtr<IRegistrar> registrar;
    if (const HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar,
                                            registrar.put_void());
        FAILED(hr))
        return hr;
    const std::string path = ModulePath(ModuleFromAddress(reinterpret_cast<const void*>(&RunScript)));
    if (const HRESULT hr = registrar->AddReplacement(u"MODULE", Utf8ToUtf16(path).c_str()); FAILED(hr)) return hr;
    const std::u16string script = Script();
    return registering ? registrar->StringRegister(script.c_str()) : registrar->StringUnregister(script.c_str());
}

}  // namespace

BVD_SERVER_ENTRY HRESULT DllCanUnloadNow() { return gLocks.load() == 0 ? S_OK : S_FALSE; }

BVD_SERVER_ENTRY HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid == CLSID_LodexDocument) return Serve<Document>(u"Document", riid, ppv);
    if (clsid == CLSID_LodexDataSource) return Serve<DataSource>(u"DataSource", riid, ppv);
    if (clsid == CLSID_LodexVariable) return Serve<Variable>(u"Variable", riid, ppv);
    if (clsid == CLSID_LodexElement) return Serve<Element>(u"Element", riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

BVD_SERVER_ENTRY HRESULT DllRegisterServer() { return RunScript(true); }
BVD_SERVER_ENTRY HRESULT DllUnregisterServer() { return RunScript(false); }
