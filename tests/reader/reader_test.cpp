// Opening a survey with the reader: the connection properties, every failure
// of the open with its message, HRESULT and origin, the data file's name, and
// what Uninitialize and a second Initialize leave behind.
#include "tests/reader/reader_support.h"

#include <unistd.h>

namespace readertest {

std::string ReaderTest::AsText(const VARIANT& v)
{
    if (v.vt == (VT_ARRAY | VT_VARIANT)) {  // a categorical set: VT_I4 elements
        SafeArrayAccess cells(v.parray);
        std::string text = "{";
        for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i)
            text += (i ? "," : "") + AsText(cells.data<VARIANT>()[i]);
        return text + "}";
    }
    if (v.vt == VT_BOOL) return v.boolVal ? "True" : "False";
    Variant out;
    EXPECT_EQ(S_OK, VariantChangeTypeEx(&out, &v, 0, 0, VT_BSTR));
    return out.vt == VT_BSTR ? Text(out.bstrVal) : "?";
}

namespace {

const std::string kNotInitialized =
    "DSC not initialized.  Unable to complete operation on unintialized connection.";
const std::string kOneVariable = Definition(Var("single", "Q1", "1", "1", Codes({"1", "2"})));

struct OpenFailure {
    const char* what;
    std::string xml;       // the definition file's content
    bool writeData;        // whether the .asc file is there
    HRESULT hr;
    std::string description;
};

TEST_F(ReaderTest, OpenFailuresGiveTheirMessageAndResult)
{
    const OpenFailure cases[] = {
        {"root element not bvd", "<survey><record/></survey>", true, E_FAIL,
         "XML file not recognized - survey tag found, when expecting bvd"},
        {"no survey element", "<bvd><other/></bvd>", true, static_cast<HRESULT>(0xC0021801),
         "XML file not recognized - expected <survey> tag found, when expecting "},
        {"survey of only a comment", "<bvd><survey><!-- none --></survey></bvd>", true,
         static_cast<HRESULT>(0xC0021801), "XML file not recognized - expected <record> tag found, when expecting "},
        {"empty survey", "<bvd><survey/></bvd>", true, static_cast<HRESULT>(0xC0021801),
         "XML file not recognized - expected <record> tag found, when expecting "},
        {"data file missing", kOneVariable, false, static_cast<HRESULT>(0xC0021800), ""},
        {"missing type", Definition("<variable><name>A</name><position start=\"1\"/></variable>"), true,
         DISP_E_TYPEMISMATCH, "An error occurred loading record: Type mismatch."},
        {"missing start", Definition("<variable type=\"single\"><name>A</name><position finish=\"1\"/></variable>"),
         true, DISP_E_TYPEMISMATCH, "An error occurred loading record: Type mismatch."},
        {"missing code",
         Definition("<variable type=\"single\"><name>A</name><position start=\"1\"/><values><value/></values>"
                    "</variable>"),
         true, DISP_E_TYPEMISMATCH, "An error occurred loading record: Type mismatch."},
        {"names equal after rewriting", Definition(Var("single", "Q.1", "1", "1") + Var("single", "q_1", "2", "2")),
         true, DISP_E_BADINDEX, "An error occurred loading record: Invalid index."},
        {"a variable named dscserial", Definition(Var("quantity", "DSCserial", "1", "2")), true, DISP_E_BADINDEX,
         "An error occurred loading record: Invalid index."},
    };
    for (const OpenFailure& c : cases) {
        SCOPED_TRACE(c.what);
        Write(Path("f.xml"), c.xml);
        std::filesystem::remove(Path("f.asc"));
        if (c.writeData) Write(Path("f.asc"), "1\n");
        ComPtr<ISource> source = NewSource();
        EXPECT_EQ(c.hr, Initialize(source.get(), Path("f.xml")));
        const Reported r = TakeError();
        const std::string expected =
            c.description.empty() ? "XML Load Error: Cannot open corresponding .asc file - " + Path("f.asc")
                                  : c.description;
        EXPECT_EQ(expected, r.description);
        EXPECT_EQ("Bvdreader.Source.1", r.source);
        EXPECT_EQ(IID_ISource, r.guid);
        // The source stays initialized, without tables.
        ComPtr<ITables> tables;
        ASSERT_EQ(S_OK, source->get_Tables(tables.put()));
        LONG count = -1;
        EXPECT_EQ(S_OK, tables->get_Count(&count));
        EXPECT_EQ(0, count);
    }
}

TEST_F(ReaderTest, FileChecksComeBeforeTheLoad)
{
    ComPtr<ISource> source = NewSource();
    EXPECT_EQ(E_FAIL, Initialize(source.get(), ""));
    EXPECT_EQ("Location property missing.  The Location property must be set for the bvdreader DSC.",
              TakeError().description);

    EXPECT_EQ(E_FAIL, Initialize(source.get(), Path("absent.xml")));
    EXPECT_EQ("XML Load Error: Cannot open xml file - ", TakeError().description);

    // A definition file the parser rejects: its reason and the offending line.
    const std::string broken = Survey("<bvd><survey>\n<record></survey></bvd>\n", "");
    EXPECT_EQ(static_cast<HRESULT>(0xC0021800), Initialize(source.get(), broken));
    const std::string description = TakeError().description;
    EXPECT_EQ(0u, description.rfind("XML Load Error: ", 0)) << description;
    EXPECT_NE(std::string::npos, description.find("<record></survey></bvd>")) << description;
}

// The data file is named from the last full stop of the whole path, so a
// file without extension in a folder with one names it after the folder.
TEST_F(ReaderTest, DataFileNamedFromTheLastFullStop)
{
    Write(Path("wave.2/data"), kOneVariable);
    Write(Path("wave.asc"), "2\n");
    ComPtr<ISource> source = Open(Path("wave.2/data"));
    ComPtr<ICommand> command = Command(source.get());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"1", "{2}"}}), ReadAll(command.get()));
}

// The length test counts the characters of the location as given: s.xml
// passes, a.xm does not.
TEST_F(ReaderTest, LocationOfFiveCharactersIsLongEnough)
{
    Write(Path("s.xml"), kOneVariable);
    Write(Path("s.asc"), "1\n");
    Write(Path("a.xm"), kOneVariable);
    const std::string previous = std::filesystem::current_path().string();
    ASSERT_EQ(0, ::chdir(Path("").c_str()));
    ComPtr<ISource> source = NewSource();
    const HRESULT five = Initialize(source.get(), "s.xml");
    const std::string fiveError = TakeError().description;
    const HRESULT four = Initialize(source.get(), "a.xm");
    const std::string fourError = TakeError().description;
    ASSERT_EQ(0, ::chdir(previous.c_str()));
    EXPECT_EQ(S_OK, five) << fiveError;
    EXPECT_EQ(static_cast<HRESULT>(0xC0021800), four);
    EXPECT_EQ("XML Load Error: Cannot open corresponding data file - a.xm", fourError);
}

TEST_F(ReaderTest, DefinitionFormsThatOpen)
{
    const std::string inner = "<survey><!-- first --><?note x?><record>" + Var("single", "Q1", "1", "1") +
                              "</record></survey>";
    const std::pair<const char*, std::string> cases[] = {
        {"root in capitals", "<BVD>" + inner + "</BVD>"},
        {"prefixed names", "<b:bvd xmlns:b=\"urn:x\"><b:SURVEY><b:Record>" + Var("single", "Q1", "1", "1") +
                               "</b:Record></b:SURVEY></b:bvd>"},
        {"comment before the root's survey", "<bvd><!-- c --><date>x</date>" + inner + "</bvd>"},
    };
    for (const auto& [what, xml] : cases) {
        SCOPED_TRACE(what);
        ComPtr<ISource> source = Open(Survey(xml, "1\n"));
        EXPECT_EQ(2u, Columns(source.get()).size());
    }
}

TEST_F(ReaderTest, SourceStateAcrossInitializeAndUninitialize)
{
    const std::string path = Survey(kOneVariable, "1\n2\n");
    ComPtr<ISource> source = NewSource();
    BStr name;
    ASSERT_EQ(S_OK, source->get_Name(name.put()));
    EXPECT_EQ("bvdreader", Text(name.get()));
    ComPtr<ICommand> refused;
    EXPECT_EQ(E_FAIL, source->CreateCommand(refused.put()));
    EXPECT_EQ(kNotInitialized, TakeError().description);

    ASSERT_EQ(S_OK, Initialize(source.get(), path, {bvdhost::LongProperty(u"QX Category Values", 1)}));
    ComPtr<ICommand> codes = Command(source.get());
    // A second Initialize without the setting puts it back to 0 for new commands.
    ASSERT_EQ(S_OK, Initialize(source.get(), path));
    ComPtr<ICommand> numbers = Command(source.get());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"1", "{1}"}, {"2", "{2}"}}), ReadAll(codes.get()));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"1", "{1}"}, {"2", "{2}"}}), ReadAll(numbers.get()));

    // Uninitialize closes nothing: a command goes on reading, Tables fails.
    ASSERT_EQ(S_OK, numbers->MoveFirst());
    EXPECT_EQ(E_NOTIMPL, source->Uninitialize());
    ComPtr<ITables> tables;
    EXPECT_EQ(E_FAIL, source->get_Tables(tables.put()));
    EXPECT_EQ(kNotInitialized, TakeError().description);
    ASSERT_EQ(S_OK, numbers->MoveNext());
    EXPECT_EQ((std::vector<std::string>{"2", "{2}"}), Row(numbers.get()));
    EXPECT_EQ(S_OK, Initialize(source.get(), path));
    EXPECT_EQ(S_OK, source->get_Tables(tables.put()));
}

}  // namespace
}  // namespace readertest
