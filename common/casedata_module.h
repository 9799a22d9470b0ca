#pragma once
// The module of a case-data plug-in (bvdreader, bvdwriter): the fourteen
// classes in object-map order, each with its registry script, the type
// library over the fourteen dual interfaces and the enums, and the module
// definition that BVD_MODULE_ENTRY_POINTS serves. A plug-in names its texts
// and its own Source and Column classes; everything else is shared.
#include <array>
#include <string>

#include "common/collections.h"
#include "common/command.h"
#include "common/module.h"
#include "common/plugin.h"
#include "common/properties.h"
#include "common/source.h"
#include "common/table.h"
#include "common/value.h"

namespace bvd {

// The host's component category, in which every case-data Source class is.
inline constexpr GUID CATID_QxComponents{0x5c1f0a2e, 0x8d43, 0x4b7a, {0x9e, 0x61, 0x2f, 0xc4, 0x70, 0x13, 0xab, 0x58}};

inline constexpr std::size_t kCaseDataClassCount = 14;

// The registry's and the type library's texts of one plug-in.
struct CaseDataTexts {
    const char16_t* progIdPrefix;        // "Bvdreader"
    const char16_t* classPrefix;         // "Norvane QX Brevid CDSC ", before "<name> Class"
    const char16_t* sourceDescription;   // the Description subkey under the Source ProgID
    const char16_t* defaultExtension;    // null: no DefaultExtension value
    DWORD canRead;
    DWORD canWrite;
    const char16_t* providerDescription; // the key under QX Data Providers
    GUID libid;
    const char16_t* libName;             // "BVDREADERLib"
    const char16_t* libHelp;
};

// The class names in object-map order, as the ProgIDs and the type library
// have them.
inline constexpr std::array<const char16_t*, kCaseDataClassCount> kCaseDataClassNames{
    u"Source",   u"Table",        u"Tables", u"Column",   u"Columns",    u"Command",         u"Commands",
    u"DataBinding", u"DataBindings", u"Value", u"Property", u"Properties", u"ValueAttributes", u"ValueAttribute"};

// The CLSIDs of a plug-in's classes in object-map order.
std::array<CLSID, kCaseDataClassCount> CaseDataClassIds(const DataSourceClasses& classes);

// The registry script of class `index` (object-map order); the Source class
// (index 0) adds its Description subkey, its category and the data-provider
// key of the plug-in.
std::u16string CaseDataClassScript(const CaseDataTexts& texts, const CLSID& clsid, std::size_t index);

// The instance creators of the fourteen classes; a plug-in passes its own
// Source, Column and Command classes.
struct CaseDataCreators {
    InstanceCreator plain;
    InstanceCreator aggregated;
};

template <class TSource, class TColumn, class TCommand = CCommand>
std::array<CaseDataCreators, kCaseDataClassCount> CaseDataClassCreators()
{
    return {{{&CreateInstance<TSource>, &CreateAggregated<TSource>},
             {&CreateInstance<CTable>, &CreateAggregated<CTable>},
             {&CreateInstance<CTables>, &CreateAggregated<CTables>},
             {&CreateInstance<TColumn>, &CreateAggregated<TColumn>},
             {&CreateInstance<CColumns>, &CreateAggregated<CColumns>},
             {&CreateInstance<TCommand>, &CreateAggregated<TCommand>},
             {&CreateInstance<CCommands>, &CreateAggregated<CCommands>},
             {&CreateInstance<CDataBinding>, &CreateAggregated<CDataBinding>},
             {&CreateInstance<CDataBindings>, &CreateAggregated<CDataBindings>},
             {&CreateInstance<CValue>, &CreateAggregated<CValue>},
             {&CreateInstance<CProperty>, &CreateAggregated<CProperty>},
             {&CreateInstance<CProperties>, &CreateAggregated<CProperties>},
             {&CreateInstance<CValueAttributes>, &CreateAggregated<CValueAttributes>},
             {&CreateInstance<CValueAttribute>, &CreateAggregated<CValueAttribute>}}};
}

// Everything a case-data module definition points at, kept together for the
// module's lifetime. `describeColumn` describes the plug-in's IColumn (the
// reader's goes on past the standard members).
class CaseDataModuleParts {
public:
    CaseDataModuleParts(const CaseDataTexts& texts, const DataSourcePlugin& plugin,
                        const std::array<CaseDataCreators, kCaseDataClassCount>& creators,
                        const DispInterface* (*describeColumn)());
    CaseDataModuleParts(const CaseDataModuleParts&) = delete;
    CaseDataModuleParts& operator=(const CaseDataModuleParts&) = delete;

    ModuleDefinition Definition() const;

private:
    const DataSourcePlugin& plugin_;
    std::array<std::u16string, kCaseDataClassCount> scripts_;
    std::array<std::u16string, kCaseDataClassCount> descriptions_;
    std::array<std::u16string, kCaseDataClassCount> helps_;
    std::array<std::array<IID, 1>, kCaseDataClassCount> coclassInterfaces_;
    std::array<TypeLibCoclass, kCaseDataClassCount> coclasses_;
    std::array<TypeLibInterface, kCaseDataClassCount> interfaces_;
    std::array<ObjectEntry, kCaseDataClassCount> objects_;
    TypeLibDescription typeLib_;
};

// The open hook of a plug-in whose survey opening is not there yet: raises
// E_NOTIMPL with the system's text, so Initialize reports it.
[[noreturn]] void RaiseOpenNotImplemented(LANGID language);

}  // namespace bvd
