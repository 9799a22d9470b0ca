// The document's JSON form:
//   {"languages":["ENG"], "context":"ANALYSIS",
//    "datasources":[{"location":..., "cdscName":..., "name":..., "project":...}],
//    "variables":[{"name":..., "label":..., "dataType":N, "lowerBound":..., "upperBound":...,
//                  "maxResponses":..., "categories":[{"name":..., "label":..., "value":N}]}]}
// A text never set is null; a bound never set is null; a VT_I4 bound is an
// integer and a VT_R8 bound a number with a decimal point (10.0), so a load
// gives back the same types. "maxResponses" is what the variable answers;
// when it differs from what the variable would answer by itself, the load
// sets it. An element's two numeric settings appear as "type" and "flag"
// when they are not 0.
#include <limits>

#include <nlohmann/json.hpp>

#include "host/lodex_objects.h"
#include "platform/bstr.h"

namespace lodex {
namespace {

using json = nlohmann::ordered_json;

json TextJson(const Text& t) { return t ? json(Utf16ToUtf8(*t)) : json(nullptr); }

json ValueJson(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I4: return json(v.lVal);
    case VT_R8: return json(v.dblVal);
    case VT_BSTR: return json(Utf16ToUtf8(FromBstr(v.bstrVal)));
    default: return json(nullptr);
    }
}

// A JSON string or null into a text; anything else is a shape error.
Text ReadText(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::nullopt;
    return Utf8ToUtf16(it->get<std::string>());
}

LONG ReadLong(const json& value)
{
    if (!value.is_number_integer()) throw std::invalid_argument("not an integer");
    if (value.is_number_unsigned() && value.get<uint64_t>() > uint64_t(std::numeric_limits<LONG>::max()))
        throw std::out_of_range("not a 32-bit integer");
    const auto n = value.get<int64_t>();
    if (n < std::numeric_limits<LONG>::min() || n > std::numeric_limits<LONG>::max())
        throw std::out_of_range("not a 32-bit integer");
    return static_cast<LONG>(n);
}

LONG ReadLong(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? 0 : ReadLong(*it);
}

Variant ReadValue(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return Variant();
    if (it->is_number_integer()) return Variant::Long(ReadLong(*it));
    if (it->is_number_float()) return Variant::Double(it->get<double>());
    if (it->is_string()) return Variant::Text(Utf8ToUtf16(it->get<std::string>()));
    throw std::invalid_argument("not a value");
}

const json& ListOf(const json& object, const char* key)
{
    static const json empty = json::array();
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return empty;
    if (!it->is_array()) throw std::invalid_argument("not a list");
    return *it;
}

json VariableJson(const LodexVariable::State& v)
{
    json categories = json::array();
    for (const auto& e : v.elements) {
        const LodexElement::State s = e->Get();
        json c{{"name", TextJson(s.name)}, {"label", TextJson(s.label)}, {"value", s.value}};
        if (s.type != 0) c["type"] = s.type;
        if (s.flag != 0) c["flag"] = s.flag;
        categories.push_back(std::move(c));
    }
    return json{{"name", TextJson(v.name)},
                {"label", TextJson(v.label)},
                {"dataType", v.dataType},
                {"lowerBound", ValueJson(v.lower)},
                {"upperBound", ValueJson(v.upper)},
                {"maxResponses", ValueJson(LodexVariable::EffectiveMaxResponses(v))},
                {"categories", std::move(categories)}};
}

ComPtr<LodexVariable> VariableFromJson(const json& j, LONG* highest)
{
    if (!j.is_object()) throw std::invalid_argument("variable is not an object");
    LodexVariable::State s;
    s.name = ReadText(j, "name");
    s.label = ReadText(j, "label");
    s.dataType = ReadLong(j, "dataType");
    s.lower = ReadValue(j, "lowerBound");
    s.upper = ReadValue(j, "upperBound");
    if (s.lower.vt == VT_BSTR || s.upper.vt == VT_BSTR) throw std::invalid_argument("a bound is a number");
    // Explicit only when the variable would not answer it by itself.
    const auto max = j.find("maxResponses");
    const json given = max == j.end() ? json(nullptr) : *max;
    if (given != ValueJson(LodexVariable::EffectiveMaxResponses(s))) {
        s.maxResponses = ReadValue(j, "maxResponses");
        if (s.maxResponses.vt == VT_R8) throw std::invalid_argument("maximum answers is an integer");
    }
    for (const json& c : ListOf(j, "categories")) {
        if (!c.is_object()) throw std::invalid_argument("category is not an object");
        LodexElement::State e;
        e.name = ReadText(c, "name");
        e.label = ReadText(c, "label");
        e.value = ReadLong(c, "value");
        e.type = ReadLong(c, "type");
        e.flag = ReadLong(c, "flag");
        if (e.value > *highest) *highest = e.value;
        auto element = MakeCom<LodexElement>();
        element->Set(std::move(e));
        element->Claim();
        s.elements.push_back(std::move(element));
    }
    auto variable = MakeCom<LodexVariable>();
    variable->Set(std::move(s));
    return variable;
}

}  // namespace

std::string DocumentToJson(const LodexDocument::State& state)
{
    json languages = json::array();
    for (const auto& l : state.languages) languages.push_back(Utf16ToUtf8(l));
    json sources = json::array();
    for (const auto& d : state.sources) {
        const LodexDataSource::State s = d->Get();
        sources.push_back(json{{"location", TextJson(s.location)},
                               {"cdscName", TextJson(s.cdscName)},
                               {"name", TextJson(s.name)},
                               {"project", TextJson(s.project)}});
    }
    json variables = json::array();
    for (const auto& v : state.variables) variables.push_back(VariableJson(v->Get()));
    const json doc{{"languages", std::move(languages)},
                   {"context", TextJson(state.context)},
                   {"datasources", std::move(sources)},
                   {"variables", std::move(variables)}};
    return doc.dump(2, ' ', false, json::error_handler_t::replace);
}

HRESULT DocumentFromJson(std::string_view text, LodexDocument::State* out)
{
    try {
        const json doc = json::parse(text);
        if (!doc.is_object()) return E_INVALIDARG;
        LodexDocument::State s;
        for (const json& l : ListOf(doc, "languages")) s.languages.push_back(Utf8ToUtf16(l.get<std::string>()));
        s.context = ReadText(doc, "context");
        for (const json& d : ListOf(doc, "datasources")) {
            if (!d.is_object()) return E_INVALIDARG;
            auto source = MakeCom<LodexDataSource>();
            source->Set({ReadText(d, "location"), ReadText(d, "cdscName"), ReadText(d, "name"),
                         ReadText(d, "project")});
            source->Claim();
            s.sources.push_back(std::move(source));
        }
        LONG highest = 0;
        for (const json& v : ListOf(doc, "variables")) {
            auto variable = VariableFromJson(v, &highest);
            variable->ClaimAsLoaded(s.numbering);
            s.variables.push_back(std::move(variable));
        }
        // Categories added later continue after the highest value loaded.
        s.numbering->next.store(highest == std::numeric_limits<LONG>::max() ? highest : highest + 1);
        *out = std::move(s);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_INVALIDARG;
    }
}

}  // namespace lodex
