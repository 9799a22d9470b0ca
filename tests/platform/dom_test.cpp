// The DOM as the plug-ins walk a definition file: creation, the document's
// children, local names, child lists with non-elements, the element test,
// attributes, text content, white space, and nodes outliving their document.
#include "dom_helpers.h"

using namespace domtest;

namespace {

// The fixture's second variable (<VARIABLE>); a search by name, case ignored,
// finds the first one (<x:variable>).
ComPtr<IXMLDOMNode> SecondVariable(IXMLDOMDocument* doc)
{
    auto record = ChildElement(ChildElement(Root(doc).get(), "survey").get(), "record");
    if (!record) return nullptr;
    auto variables = Children(record.get());
    return variables.size() == 2 ? variables[1] : nullptr;
}

}  // namespace

TEST(DomDocument, CreatorGivesADocumentThatIsANodeButNoElement)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(CreateDOMDocumentInstance(nullptr, IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_NE(QueryAs<IXMLDOMDocument>(unknown.get()), nullptr);
    EXPECT_NE(QueryAs<IXMLDOMNode>(unknown.get()), nullptr);
    void* element = &unknown;
    EXPECT_EQ(unknown->QueryInterface(IID_IXMLDOMElement, &element), E_NOINTERFACE);
    EXPECT_EQ(element, nullptr);

    void* aggregated = &unknown;
    EXPECT_EQ(CreateDOMDocumentInstance(unknown.get(), IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);
    EXPECT_EQ(CreateDOMDocumentInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST(DomDocument, EmptyDocumentHasNoElementAndNoChildren)
{
    auto doc = NewDocument();
    ComPtr<IXMLDOMElement> root;
    EXPECT_EQ(doc->get_documentElement(root.put()), S_FALSE);
    EXPECT_EQ(root, nullptr);
    ComPtr<IXMLDOMNode> first;
    EXPECT_EQ(doc->get_firstChild(first.put()), S_FALSE);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(Children(doc.get()).size(), 0u);
    EXPECT_EQ(TypeOf(doc.get()), NODE_DOCUMENT);
    EXPECT_EQ(NodeName(doc.get()), "#document");

    ErrorReport none = ParseErrorOf(doc.get());
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.reason, "");
}

TEST(DomDocument, LoadTakesAStringVariantOnly)
{
    auto doc = NewDocument();
    const std::string path = DataPath("definition.xml");
    BStr bpath = BStr::FromUtf8(path);
    VARIANT_BOOL ok = 7;

    VARIANT byRef{};
    BSTR held = bpath.get();
    byRef.vt = VT_BSTR | VT_BYREF;
    byRef.pbstrVal = &held;
    EXPECT_EQ(doc->load(byRef, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(BaseName(Root(doc.get()).get()), "BVD");

    VARIANT number{};
    number.vt = VT_I4;
    number.lVal = 3;
    ok = 7;
    EXPECT_EQ(doc->load(number, &ok), E_INVALIDARG);
    EXPECT_EQ(ok, VARIANT_FALSE);

    VARIANT text{};
    text.vt = VT_BSTR;
    text.bstrVal = bpath.get();
    EXPECT_EQ(doc->load(text, nullptr), E_POINTER);
}

TEST(DomDocument, DocumentChildrenInOrderWithTheRootAfterComments)
{
    auto doc = LoadFixture("definition.xml");
    auto children = Children(doc.get());
    std::vector<DOMNodeType> types;
    for (auto& c : children) types.push_back(TypeOf(c.get()));
    EXPECT_EQ(types, (std::vector<DOMNodeType>{NODE_COMMENT, NODE_DOCUMENT_TYPE, NODE_PROCESSING_INSTRUCTION,
                                               NODE_ELEMENT}));
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(NodeName(children[2].get()), "writer");
    EXPECT_EQ(BaseName(children[2].get()), "writer");

    // The metadata plug-in's rule: first child if it is an element, else the
    // document element.
    ComPtr<IXMLDOMNode> first;
    ASSERT_EQ(doc->get_firstChild(first.put()), S_OK);
    EXPECT_FALSE(IsElement(first.get()));
    auto root = Root(doc.get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(BaseName(root.get()), "BVD");
    EXPECT_EQ(TypeOf(root.get()), NODE_ELEMENT);
    EXPECT_TRUE(IsElement(children[3].get()));
    EXPECT_EQ(BaseName(children[3].get()), "BVD");
}

TEST(DomDocument, WalkToVariablesByLocalNamePassingOverNonElements)
{
    auto doc = LoadFixture("definition.xml");
    auto root = Root(doc.get());
    ASSERT_NE(root, nullptr);

    // Blank text between elements is not part of the tree.
    std::vector<std::string> rootChildren;
    for (auto& c : Children(root.get())) rootChildren.push_back(NodeName(c.get()));
    EXPECT_EQ(rootChildren, (std::vector<std::string>{"date", "origin", "survey"}));

    auto survey = ChildElement(root.get(), "survey");
    ASSERT_NE(survey, nullptr);
    auto surveyChildren = Children(survey.get());
    ASSERT_EQ(surveyChildren.size(), 3u);
    EXPECT_EQ(TypeOf(surveyChildren[0].get()), NODE_COMMENT);
    EXPECT_EQ(TypeOf(surveyChildren[1].get()), NODE_PROCESSING_INSTRUCTION);
    EXPECT_FALSE(IsElement(surveyChildren[0].get()));
    EXPECT_FALSE(IsElement(surveyChildren[1].get()));
    EXPECT_TRUE(IsElement(surveyChildren[2].get()));

    auto record = ChildElement(survey.get(), "record");
    ASSERT_NE(record, nullptr);
    auto variables = Children(record.get());
    ASSERT_EQ(variables.size(), 2u);
    EXPECT_EQ(NodeName(variables[0].get()), "x:variable");
    EXPECT_EQ(BaseName(variables[0].get()), "variable");
    EXPECT_EQ(NodeName(variables[1].get()), "VARIABLE");
    EXPECT_EQ(BaseName(variables[1].get()), "VARIABLE");

    // Indexes outside the list give nothing.
    ComPtr<IXMLDOMNodeList> list;
    ASSERT_EQ(record->get_childNodes(list.put()), S_OK);
    for (LONG bad : {-1L, 2L, 1000L}) {
        ComPtr<IXMLDOMNode> item;
        EXPECT_EQ(list->get_item(bad, item.put()), S_FALSE) << bad;
        EXPECT_EQ(item, nullptr);
    }
}

TEST(DomDocument, SiblingsAndLastChildFollowDocumentOrder)
{
    auto doc = LoadFixture("definition.xml");
    auto survey = ChildElement(Root(doc.get()).get(), "survey");
    ASSERT_NE(survey, nullptr);
    ComPtr<IXMLDOMNode> node;
    ASSERT_EQ(survey->get_firstChild(node.put()), S_OK);
    std::vector<DOMNodeType> forward;
    while (node) {
        forward.push_back(TypeOf(node.get()));
        ComPtr<IXMLDOMNode> next;
        node->get_nextSibling(next.put());
        node = next;
    }
    EXPECT_EQ(forward, (std::vector<DOMNodeType>{NODE_COMMENT, NODE_PROCESSING_INSTRUCTION, NODE_ELEMENT}));

    ASSERT_EQ(survey->get_lastChild(node.put()), S_OK);
    EXPECT_EQ(NodeName(node.get()), "record");
    ComPtr<IXMLDOMNode> previous;
    EXPECT_EQ(node->get_previousSibling(previous.put()), S_OK);
    EXPECT_EQ(TypeOf(previous.get()), NODE_PROCESSING_INSTRUCTION);
}

TEST(DomDocument, AttributesPresentEmptyAndAbsent)
{
    auto doc = LoadFixture("definition.xml");
    auto root = Root(doc.get());
    auto record = ChildElement(ChildElement(root.get(), "survey").get(), "record");
    auto variable = ChildElement(record.get(), "variable");
    ASSERT_NE(variable, nullptr);

    EXPECT_EQ(Attribute(variable.get(), u"type"), u"single");
    EXPECT_EQ(Attribute(variable.get(), u"ident"), u"1");
    EXPECT_EQ(Attribute(variable.get(), u"note"), u"");
    EXPECT_EQ(Attribute(variable.get(), u"missing"), std::nullopt);
    EXPECT_EQ(Attribute(variable.get(), u"TYPE"), std::nullopt);  // names are compared exactly
    EXPECT_EQ(Attribute(record.get(), u"ident"), u"A");
    EXPECT_EQ(Attribute(root.get(), u"version"), u"1.1");
    EXPECT_EQ(Attribute(root.get(), u"xmlns:x"), u"urn:brevid-test");

    auto position = ChildElement(variable.get(), "position");
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(Attribute(position.get(), u"start"), u"1");
    EXPECT_EQ(Attribute(position.get(), u"finish"), u"2");

    OutVariant value;
    EXPECT_EQ(variable->getAttribute(nullptr, &value), E_INVALIDARG);
    BStr name(u"type");
    EXPECT_EQ(variable->getAttribute(name.get(), nullptr), E_POINTER);
}

TEST(DomDocument, TextIsTrimmedWithEntitiesAndCdataResolved)
{
    auto doc = LoadFixture("definition.xml");
    auto root = Root(doc.get());
    auto variables = Children(ChildElement(ChildElement(root.get(), "survey").get(), "record").get());
    ASSERT_EQ(variables.size(), 2u);
    auto first = variables[0].get();
    auto second = variables[1].get();

    EXPECT_EQ(Text(ChildElement(first, "name").get()), u"Q1");
    EXPECT_EQ(Text(ChildElement(first, "label").get()), u"Age & group <years> \u00E9t\u00E9");
    EXPECT_EQ(Text(ChildElement(root.get(), "origin").get()), u"Norvane & Co (survey desk)");

    auto values = Children(ChildElement(first, "values").get());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(Text(values[0].get()), u"Young");
    EXPECT_EQ(Text(values[1].get()), u"Old <60+>");
    auto cdata = Children(values[1].get());
    ASSERT_EQ(cdata.size(), 1u);
    EXPECT_EQ(TypeOf(cdata[0].get()), NODE_CDATA_SECTION);

    // Text of descendants only: comments and processing instructions are left out.
    auto spread = ChildElement(second, "spread");
    ASSERT_NE(spread, nullptr);
    EXPECT_EQ(Text(spread.get()), u"one two three");
    std::vector<DOMNodeType> types;
    for (auto& c : Children(spread.get())) types.push_back(TypeOf(c.get()));
    EXPECT_EQ(types, (std::vector<DOMNodeType>{NODE_TEXT, NODE_COMMENT, NODE_ELEMENT, NODE_PROCESSING_INSTRUCTION,
                                               NODE_TEXT}));
}

TEST(DomDocument, WhiteSpaceOnlyTextIsDroppedUnlessPreserved)
{
    auto doc = LoadFixture("definition.xml");
    auto second = SecondVariable(doc.get());
    ASSERT_NE(second, nullptr);

    auto values = ChildElement(second.get(), "values");
    ASSERT_NE(values, nullptr);
    VARIANT_BOOL has = 7;
    EXPECT_EQ(values->hasChildNodes(&has), S_FALSE);
    EXPECT_EQ(has, VARIANT_FALSE);
    EXPECT_EQ(Children(values.get()).size(), 0u);
    ComPtr<IXMLDOMNode> none;
    EXPECT_EQ(values->get_firstChild(none.put()), S_FALSE);
    EXPECT_EQ(none, nullptr);

    auto size = ChildElement(second.get(), "size");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->hasChildNodes(&has), S_OK);
    EXPECT_EQ(has, VARIANT_TRUE);
    EXPECT_EQ(Text(size.get()), u"");
}

TEST(DomDocument, NonElementNodesHaveNoBaseNameAndCarryTheirValue)
{
    auto doc = LoadFixture("definition.xml");
    auto variable = SecondVariable(doc.get());
    ASSERT_NE(variable, nullptr);
    auto parts = Children(ChildElement(variable.get(), "spread").get());
    ASSERT_EQ(parts.size(), 5u);

    struct Expect {
        const char* nodeName;
        bool hasBaseName;
        std::u16string value;
    };
    const Expect expected[] = {
        {"#text", false, u" one "}, {"#comment", false, u" skipped "}, {"b", true, u""},
        {"pi", true, u"skipped"},   {"#text", false, u" three "},
    };
    for (size_t i = 0; i < parts.size(); ++i) {
        SCOPED_TRACE(i);
        IXMLDOMNode* node = parts[i].get();
        EXPECT_EQ(NodeName(node), expected[i].nodeName);
        BStr base;
        const HRESULT hr = node->get_baseName(base.put());
        if (expected[i].hasBaseName) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_NE(base.get(), nullptr);
        } else {
            EXPECT_EQ(hr, S_FALSE);
            EXPECT_EQ(base.get(), nullptr);
        }
        OutVariant value;
        node->get_nodeValue(&value);
        if (TypeOf(node) == NODE_ELEMENT) {
            EXPECT_EQ(value.vt, VT_NULL);
        } else {
            ASSERT_EQ(value.vt, VT_BSTR);
            EXPECT_EQ(std::u16string(value.bstrVal, SysStringLen(value.bstrVal)), expected[i].value);
        }
    }
}

TEST(DomLifetime, HeldElementAndListKeepTheTreeAfterTheDocumentIsGone)
{
    ComPtr<IXMLDOMElement> root;
    ComPtr<IXMLDOMNodeList> list;
    {
        auto doc = LoadFixture("definition.xml");
        root = Root(doc.get());
        auto survey = ChildElement(root.get(), "survey");
        ASSERT_NE(survey, nullptr);
        ASSERT_EQ(survey->get_childNodes(list.put()), S_OK);
    }  // the document and every other reference are released here

    EXPECT_EQ(BaseName(root.get()), "BVD");
    EXPECT_EQ(Text(ChildElement(root.get(), "date").get()), u"1 May 2024");
    root = nullptr;  // the list alone now holds the tree

    LONG length = 0;
    ASSERT_EQ(list->get_length(&length), S_OK);
    ASSERT_EQ(length, 3);
    ComPtr<IXMLDOMNode> record;
    ASSERT_EQ(list->get_item(2, record.put()), S_OK);
    list = nullptr;
    auto variable = ChildElement(record.get(), "variable");
    ASSERT_NE(variable, nullptr);
    EXPECT_EQ(Attribute(variable.get(), u"type"), u"single");
}

TEST(DomLifetime, ReloadLeavesNodesOfTheEarlierTreeIntact)
{
    auto doc = LoadFixture("definition.xml");
    auto oldRoot = Root(doc.get());

    LoadResult r = LoadPath(doc.get(), DataPath("utf8.xml"));
    ASSERT_EQ(r.ok, VARIANT_TRUE);
    EXPECT_EQ(BaseName(Root(doc.get()).get()), "bvd");
    EXPECT_EQ(BaseName(oldRoot.get()), "BVD");

    // A failed load empties the document; earlier nodes stay usable.
    r = LoadPath(doc.get(), DataPath("malformed.xml"));
    EXPECT_EQ(r.hr, S_FALSE);
    ComPtr<IXMLDOMElement> none;
    EXPECT_EQ(doc->get_documentElement(none.put()), S_FALSE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(Children(doc.get()).size(), 0u);
    EXPECT_EQ(Text(ChildElement(oldRoot.get(), "date").get()), u"1 May 2024");
}
