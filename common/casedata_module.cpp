// The shared module parts of the case-data plug-ins: registry scripts, type
// library and object map.
#include "common/casedata_module.h"

#include "common/KxError.h"
#include "common/KxMessages.h"
#include "common/datasource_dispatch.h"

namespace bvd {
namespace {

std::u16string GuidText(const GUID& guid) { return Utf8ToUtf16(GuidToString(guid)); }

// The registry's name of a class: the data bindings with a blank.
std::u16string RegistryName(std::size_t index)
{
    const std::u16string name = kCaseDataClassNames[index];
    if (name == u"DataBinding") return u"Data Binding";
    if (name == u"DataBindings") return u"Data Bindings";
    return name;
}

template <class I>
const DispInterface* Describe()
{
    return &DescribeDispatch(static_cast<const I*>(nullptr));
}

constexpr TypeLibEnum kEnums[] = {
    {u"DataTypeConstants", &GUID_DataTypeConstants}, {u"TableTypeConstants", nullptr},
    {u"SortOrderConstants", nullptr},                {u"BindingTypeConstants", nullptr},
    {u"PropertyTypeConstants", nullptr},
};

// Which classes the type library marks creatable (object-map order); the
// object map has a class factory for every class all the same.
constexpr std::array<bool, kCaseDataClassCount> kCreatable{true,  true,  true,  true,  true,  false, false,
                                                           true,  false, false, false, false, false, false};

}  // namespace

std::array<CLSID, kCaseDataClassCount> CaseDataClassIds(const DataSourceClasses& c)
{
    return {c.source,       c.table, c.tables,   c.column,     c.columns,         c.command,        c.commands,
            c.dataBinding, c.dataBindings, c.value, c.property, c.properties, c.valueAttributes, c.valueAttribute};
}

std::u16string CaseDataClassScript(const CaseDataTexts& texts, const CLSID& clsid, std::size_t index)
{
    const std::u16string progId = std::u16string(texts.progIdPrefix) + u"." + kCaseDataClassNames[index];
    const std::u16string versioned = progId + u".1";
    const std::u16string description = std::u16string(texts.classPrefix) + RegistryName(index) + u" Class";
    const std::u16string id = GuidText(clsid);
    const std::u16string category = GuidText(CATID_QxComponents);
    const bool source = index == 0;

    std::u16string s = u"HKCR\n{\n";
    s += u"    " + versioned + u" = s '" + description + u"'\n    {\n        CLSID = s '" + id + u"'\n    }\n";
    s += u"    " + progId + u" = s '" + description + u"'\n    {\n        CLSID = s '" + id + u"'\n";
    s += u"        CurVer = s '" + versioned + u"'\n";
    if (source) {
        s += u"        Description = s '" + std::u16string(texts.sourceDescription) + u"'\n        {\n";
        s += u"            val Title = s 'Brevid XML Data'\n";
        s += u"            val Filter = s 'Brevid XML Files|*.xml'\n";
        if (texts.defaultExtension)
            s += u"            val DefaultExtension = s '" + std::u16string(texts.defaultExtension) + u"'\n";
        s += u"            val CanRead = d " + Utf8ToUtf16(std::to_string(texts.canRead)) + u"\n";
        s += u"            val CanWrite = d " + Utf8ToUtf16(std::to_string(texts.canWrite)) + u"\n";
        s += u"            val SourceType = d 0\n        }\n";
    }
    s += u"    }\n";
    s += u"    NoRemove CLSID\n    {\n";
    s += u"        ForceRemove " + id + u" = s '" + description + u"'\n        {\n";
    s += u"            ProgID = s '" + versioned + u"'\n";
    s += u"            VersionIndependentProgID = s '" + progId + u"'\n";
    s += u"            Programmable\n";
    s += u"            InprocServer32 = s '%MODULE%'\n            {\n                val ThreadingModel = s 'Both'\n"
         u"            }\n";
    s += u"            TypeLib = s '" + GuidText(texts.libid) + u"'\n";
    if (source) s += u"            'Implemented Categories'\n            {\n                " + category + u"\n            }\n";
    s += u"        }\n    }\n";
    if (source) {
        // The category and the keys above the plug-in's provider key are
        // shared with the other components: never removed. The provider key
        // stays too (bvdmeta writes its Metadata value into the reader's);
        // removal takes only the Casedata value away.
        s += u"    NoRemove 'Component Categories'\n    {\n        NoRemove " + category + u"\n        {\n";
        s += u"            val '400' = s 'Norvane QX Components'\n        }\n    }\n";
    }
    s += u"}\n";
    if (source) {
        s += u"HKLM\n{\n    NoRemove SOFTWARE\n    {\n        NoRemove Norvane\n        {\n";
        s += u"            NoRemove 'QX Data Providers'\n            {\n";
        s += u"                NoRemove " + std::u16string(texts.progIdPrefix) + u" = s '" +
             texts.providerDescription + u"'\n                {\n";
        s += u"                    val Casedata = s '" + progId + u"'\n                }\n";
        s += u"            }\n        }\n    }\n}\n";
    }
    return s;
}

CaseDataModuleParts::CaseDataModuleParts(const CaseDataTexts& texts, const DataSourcePlugin& plugin,
                                         const std::array<CaseDataCreators, kCaseDataClassCount>& creators,
                                         const DispInterface* (*describeColumn)())
    : plugin_(plugin),
      coclassInterfaces_{{{IID_ISource}, {IID_ITable}, {IID_ITables}, {IID_IColumn}, {IID_IColumns},
                          {IID_ICommand}, {IID_ICommands}, {IID_IDataBinding}, {IID_IDataBindings},
                          {IID_IValue}, {IID_IProperty}, {IID_IProperties}, {IID_IValueAttributes},
                          {IID_IValueAttribute}}},
      interfaces_{{{IID_ISource, u"ISource", u"ISource Interface", &Describe<ISource>},
                   {IID_ITable, u"ITable", u"ITable Interface", &Describe<ITable>},
                   {IID_ITables, u"ITables", u"ITables Interface", &Describe<ITables>},
                   {IID_IColumn, u"IColumn", u"IColumn Interface", describeColumn},
                   {IID_IColumns, u"IColumns", u"IColumns Interface", &Describe<IColumns>},
                   {IID_ICommand, u"ICommand", u"ICommand Interface", &Describe<ICommand>},
                   {IID_ICommands, u"ICommands", u"ICommands Interface", &Describe<ICommands>},
                   {IID_IDataBinding, u"IDataBinding", u"IDataBinding Interface", &Describe<IDataBinding>},
                   {IID_IDataBindings, u"IDataBindings", u"IDataBindings Interface", &Describe<IDataBindings>},
                   {IID_IValue, u"IValue", u"IValue Interface", &Describe<IValue>},
                   {IID_IProperty, u"IProperty", u"IProperty Interface", &Describe<IProperty>},
                   {IID_IProperties, u"IProperties", u"IProperties Interface", &Describe<IProperties>},
                   {IID_IValueAttributes, u"IValueAttributes", u"IValueAttributes Interface",
                    &Describe<IValueAttributes>},
                   {IID_IValueAttribute, u"IValueAttribute", u"IValueAttribute Interface",
                    &Describe<IValueAttribute>}}},
      typeLib_{texts.libid, texts.libName, texts.libHelp, 1, 0, 1033, {}, {}, kEnums}
{
    const auto ids = CaseDataClassIds(plugin.classes);
    for (std::size_t i = 0; i < kCaseDataClassCount; ++i) {
        scripts_[i] = CaseDataClassScript(texts, ids[i], i);
        descriptions_[i] = std::u16string(texts.classPrefix) + RegistryName(i) + u" Class";
        helps_[i] = std::u16string(texts.classPrefix) + kCaseDataClassNames[i] + u" Class";
        coclasses_[i] = {ids[i], kCaseDataClassNames[i], helps_[i].c_str(), kCreatable[i], coclassInterfaces_[i]};
        objects_[i] = {ids[i], scripts_[i].c_str(), &CreateClassFactory, creators[i].plain, creators[i].aggregated,
                       descriptions_[i].c_str()};
    }
    typeLib_.coclasses = coclasses_;
    typeLib_.interfaces = interfaces_;
}

ModuleDefinition CaseDataModuleParts::Definition() const
{
    return {objects_, &typeLib_, plugin_.name, 0x0409, &KxSetModuleStrings};
}

void RaiseOpenNotImplemented(LANGID language)
{
    CKXError error(language, E_NOTIMPL);
    error.AppendSystemText(static_cast<DWORD>(E_NOTIMPL));
    throw error;
}

}  // namespace bvd
