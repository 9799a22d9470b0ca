// The module parts a case-data plug-in is made of, read back: the type
// library's coclasses with their creatable marks, its interfaces and enums,
// and the object map, which has a class factory for every class whatever the
// type library says.
#include "common/casedata_module.h"
#include "tests/common/datasource_support.h"

namespace {

constexpr GUID kLibId{0x7e570100, 0x1d5c, 0x4e00, {0x80, 0, 0, 0, 0, 0, 1, 0}};

const bvd::CaseDataTexts kTexts{u"Bvdtest", u"Test CDSC ", u"Test CDSC Source", u"XML", 1, 0,
                                u"Test Data Source Component", kLibId, u"BVDTESTLib", u"Test CDSC 1.0 Type Library"};

const DispInterface* DescribeColumn() { return &DescribeDispatch(static_cast<const IColumn*>(nullptr)); }

TEST(CaseDataTypeLibrary, CoclassesInterfacesAndCreatableMarks)
{
    const bvd::CaseDataModuleParts parts(kTexts, dstest::kReaderLike, bvd::CaseDataClassCreators<CSource, CColumn>(),
                                         &DescribeColumn);
    const bvd::ModuleDefinition definition = parts.Definition();
    ASSERT_NE(definition.typeLib, nullptr);
    const bvd::TypeLibDescription& lib = *definition.typeLib;
    EXPECT_TRUE(lib.libid == kLibId);
    EXPECT_EQ(std::u16string(lib.name), u"BVDTESTLib");
    EXPECT_EQ(std::u16string(lib.help), u"Test CDSC 1.0 Type Library");
    EXPECT_EQ(lib.major, 1);
    EXPECT_EQ(lib.minor, 0);
    EXPECT_EQ(lib.lcid, 1033u);

    // Object-map order; the type library's names have no blank.
    const auto& c = dstest::kReaderLike.classes;
    const struct {
        const char16_t* name;
        const CLSID& clsid;
        const IID& iid;
        bool creatable;
        const char16_t* registryDescription;
    } classes[] = {
        {u"Source", c.source, IID_ISource, true, u"Test CDSC Source Class"},
        {u"Table", c.table, IID_ITable, true, u"Test CDSC Table Class"},
        {u"Tables", c.tables, IID_ITables, true, u"Test CDSC Tables Class"},
        {u"Column", c.column, IID_IColumn, true, u"Test CDSC Column Class"},
        {u"Columns", c.columns, IID_IColumns, true, u"Test CDSC Columns Class"},
        {u"Command", c.command, IID_ICommand, false, u"Test CDSC Command Class"},
        {u"Commands", c.commands, IID_ICommands, false, u"Test CDSC Commands Class"},
        {u"DataBinding", c.dataBinding, IID_IDataBinding, true, u"Test CDSC Data Binding Class"},
        {u"DataBindings", c.dataBindings, IID_IDataBindings, false, u"Test CDSC Data Bindings Class"},
        {u"Value", c.value, IID_IValue, false, u"Test CDSC Value Class"},
        {u"Property", c.property, IID_IProperty, false, u"Test CDSC Property Class"},
        {u"Properties", c.properties, IID_IProperties, false, u"Test CDSC Properties Class"},
        {u"ValueAttributes", c.valueAttributes, IID_IValueAttributes, false, u"Test CDSC ValueAttributes Class"},
        {u"ValueAttribute", c.valueAttribute, IID_IValueAttribute, false, u"Test CDSC ValueAttribute Class"},
    };
    ASSERT_EQ(lib.coclasses.size(), std::size(classes));
    ASSERT_EQ(definition.objects.size(), std::size(classes));
    for (std::size_t i = 0; i < std::size(classes); ++i) {
        const auto& expected = classes[i];
        const std::string what = Utf16ToUtf8(expected.name);
        const bvd::TypeLibCoclass& coclass = lib.coclasses[i];
        EXPECT_EQ(std::u16string(coclass.name), expected.name);
        EXPECT_TRUE(coclass.clsid == expected.clsid) << what;
        EXPECT_EQ(coclass.creatable, expected.creatable) << what;
        EXPECT_EQ(std::u16string(coclass.help), u"Test CDSC " + std::u16string(expected.name) + u" Class");
        ASSERT_EQ(coclass.interfaces.size(), 1u) << what;
        EXPECT_TRUE(coclass.interfaces[0] == expected.iid) << what << ": its one interface is the default";
        EXPECT_EQ(bvd::FindTypeLibCoclass(lib, expected.clsid), &coclass) << what;

        const bvd::TypeLibInterface* itf = bvd::FindTypeLibInterface(lib, expected.iid);
        ASSERT_NE(itf, nullptr) << what;
        ASSERT_NE(itf->describe, nullptr) << what << ": dual";
        EXPECT_EQ(std::u16string(itf->name), std::u16string(itf->describe()->name)) << what;

        // Every class, creatable or not, has a class factory and can be
        // aggregated.
        const bvd::ObjectEntry& entry = definition.objects[i];
        EXPECT_TRUE(entry.clsid == expected.clsid) << what;
        EXPECT_NE(entry.createFactory, nullptr) << what;
        EXPECT_NE(entry.createInstance, nullptr) << what;
        EXPECT_NE(entry.createAggregated, nullptr) << what;
        EXPECT_NE(entry.script, nullptr) << what;
        EXPECT_EQ(std::u16string(entry.description), expected.registryDescription) << what;
    }
    EXPECT_EQ(lib.interfaces.size(), 14u);

    // The enums of the data-source interfaces; DataTypeConstants alone has a
    // GUID.
    const char16_t* enums[] = {u"DataTypeConstants", u"TableTypeConstants", u"SortOrderConstants",
                               u"BindingTypeConstants", u"PropertyTypeConstants"};
    ASSERT_EQ(lib.enums.size(), std::size(enums));
    for (std::size_t i = 0; i < std::size(enums); ++i) {
        EXPECT_EQ(std::u16string(lib.enums[i].name), enums[i]);
        EXPECT_EQ(lib.enums[i].guid != nullptr, i == 0) << Utf16ToUtf8(enums[i]);
    }
    EXPECT_TRUE(*lib.enums[0].guid == bvd::GUID_DataTypeConstants);
}

// The object map's creator of a class that the type library does not mark
// creatable still makes it: a Command, through its class factory.
TEST(CaseDataTypeLibrary, NotCreatableClassesHaveWorkingFactories)
{
    const bvd::CaseDataModuleParts parts(kTexts, dstest::kReaderLike, bvd::CaseDataClassCreators<CSource, CColumn>(),
                                         &DescribeColumn);
    const bvd::ModuleDefinition definition = parts.Definition();
    for (const bvd::ObjectEntry& entry : definition.objects) {
        const bvd::TypeLibCoclass* coclass = bvd::FindTypeLibCoclass(*definition.typeLib, entry.clsid);
        ASSERT_NE(coclass, nullptr);
        if (coclass->creatable) continue;
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(entry.createFactory(entry, IID_IClassFactory, factory.put_void()), S_OK);
        ComPtr<IDispatch> object;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.put_void()), S_OK)
            << Utf16ToUtf8(coclass->name);
        EXPECT_TRUE(object) << Utf16ToUtf8(coclass->name);
    }
}

}  // namespace
