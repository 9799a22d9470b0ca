// `bvd read` end to end: the program run with a temporary registry into which
// it registered the plug-ins of this build. The cells themselves are tested
// as functions in read_cells.cpp.
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/host/program_support.h"

namespace {

using programtest::Quote;
using programtest::Result;
using programtest::Slurp;

const std::string kData = BVD_TEST_DATA_DIR "/host/read/";
const std::string kMixed = kData + "mixed.xml";

class BvdReadTest : public programtest::ProgramTest {
protected:
    // The names in the temporary folder besides the captured streams.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tmp_.Dir())) {
            const std::string name = entry.path().filename().string();
            if (name != "stdout" && name != "stderr") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(BvdReadTest, HelpListsTheOptions)
{
    const Result r = Run("read --help");
    EXPECT_EQ(0, r.status);
    for (const char* word : {"survey", "--codes", "--columns", "--format", "--output", "--force"})
        EXPECT_NE(std::string::npos, r.out.find(word)) << word;
    EXPECT_NE(std::string::npos, Run("--help").out.find("read"));
}

TEST_F(BvdReadTest, RefusedBeforeReading)
{
    // Neither an unknown format nor an existing output file reaches the reader.
    Result r = Run("read --format xml " + Quote(kMixed));
    EXPECT_NE(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("--format")) << r.err;
    EXPECT_EQ("", r.out);

    const std::string out = File("records.csv");
    std::ofstream(out) << "keep me";
    r = Run("read -o " + Quote(out) + " " + Quote(kMixed));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("bvd: " + out + " exists already (use --force to overwrite it) (HRESULT_FROM_WIN32(ERROR_FILE_EXISTS))\n",
              r.err);
    EXPECT_EQ("keep me", Slurp(out));

    ASSERT_EQ(0, Run("register --unregister").status) << last_.err;
    r = Run("read " + Quote(kMixed));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("bvd: no case-data component is registered for Bvdreader (run 'bvd register' first)\n", r.err);
    EXPECT_EQ("", r.out);
}

const std::string kMixedCsv =
    "dscserial,id,region,media,income,note,member\n"
    "1,1,{1},\"{4,6}\",1250.5,Oak street  ,True\n"
    "2,2,{},{},0,            ,False\n"
    "3,3,{3},\"{5,6,7}\",980.75,\"say \"\"hi\"\", ok\",True\n";

TEST_F(BvdReadTest, CsvHasAHeaderAndOneRowPerRecord)
{
    // Category numbers (the single variable's codes 10, 20, 30 are 1, 2, 3; the
    // multiple one's 1 to 4 are 4 to 7), doubles as the conversion writes them,
    // blanks kept, quotes only where needed.
    Result r = Run("read " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_EQ(kMixedCsv, r.out);

    r = Run("read --format csv --codes " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("dscserial,id,region,media,income,note,member\n"
              "1,1,{10},\"{1,3}\",1250.5,Oak street  ,True\n"
              "2,2,{},{},0,            ,False\n"
              "3,3,{30},\"{2,3,4}\",980.75,\"say \"\"hi\"\", ok\",True\n",
              r.out);
}

TEST_F(BvdReadTest, JsonLinesKeepTypesAndTheTableOrder)
{
    Result r = Run("read --format jsonl " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_EQ("{\"dscserial\":1,\"id\":1,\"region\":[1],\"media\":[4,6],\"income\":1250.5,"
              "\"note\":\"Oak street  \",\"member\":true}\n"
              "{\"dscserial\":2,\"id\":2,\"region\":[],\"media\":[],\"income\":0.0,"
              "\"note\":\"            \",\"member\":false}\n"
              "{\"dscserial\":3,\"id\":3,\"region\":[3],\"media\":[5,6,7],\"income\":980.75,"
              "\"note\":\"say \\\"hi\\\", ok\",\"member\":true}\n",
              r.out);

    r = Run("read --format jsonl --codes --columns media,REGION " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("{\"region\":[10],\"media\":[1,3]}\n{\"region\":[],\"media\":[]}\n{\"region\":[30],\"media\":[2,3,4]}\n",
              r.out);
}

TEST_F(BvdReadTest, TextsAreWrittenInUtf8)
{
    // The data file's bytes are ISO-8859-1 characters; the output is UTF-8 in both formats.
    const std::string survey = File("town.xml");
    std::ofstream(survey) << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                             "<bvd version=\"1.1\"><survey><record ident=\"A\">\n"
                             "<variable ident=\"1\" type=\"character\"><name>town</name>"
                             "<position start=\"1\" finish=\"8\"/></variable>\n"
                             "</record></survey></bvd>\n";
    std::ofstream(File("town.asc"), std::ios::binary) << "Z\xFCrich\n\xC9vian, \n";
    Result r = Run("read --columns town " + Quote(survey));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("town\nZürich\n\"Évian, \"\n", r.out);
    r = Run("read --format jsonl --columns town " + Quote(survey));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("{\"town\":\"Zürich\"}\n{\"town\":\"Évian, \"}\n", r.out);
}

TEST_F(BvdReadTest, ColumnsAreChosenWithoutRegardToCaseAndKeepTheTableOrder)
{
    Result r = Run("read --columns MEMBER,Region,region --columns dscSerial " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("dscserial,region,member\n1,{1},True\n2,{},False\n3,{3},True\n", r.out);

    // An unknown name stops the command before anything is read or written.
    const std::string out = File("rows.csv");
    r = Run("read --columns region,nosuch -o " + Quote(out) + " " + Quote(kMixed));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("bvd: " + kMixed + " has no column nosuch (DISP_E_BADINDEX)\n", r.err);
    EXPECT_EQ(std::vector<std::string>{}, Files());

    r = Run("read --columns '' " + Quote(kMixed));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("bvd: --columns holds an empty column name\n", r.err);
}

TEST_F(BvdReadTest, AFailingInitializeSaysWhatTheReaderSaid)
{
    // The definition file without its data file.
    const std::string survey = File("mixed.xml");
    std::filesystem::copy_file(kMixed, survey);
    const std::string out = File("rows.csv");
    Result r = Run("read -o " + Quote(out) + " " + Quote(survey));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("bvd: XML Load Error: Cannot open corresponding .asc file - " + File("mixed.asc") + "\n", r.err);
    EXPECT_EQ(std::vector<std::string>{"mixed.xml"}, Files());  // no output, no temporary file
}

TEST_F(BvdReadTest, AFailingRecordEndsTheReadAfterTheRecordsBeforeIt)
{
    // Record 3 holds "x" in its logical field; record 4 is never read.
    const std::string survey = kData + "badflag.xml";
    const std::string rows = "dscserial,id,region,media,income,note,member\n"
                             "1,1,{1},\"{4,6}\",1250.5,Oak street  ,True\n"
                             "2,2,{},{},0,            ,False\n";
    const std::string error = "error: record 3: Type mismatch error, converting 'x' from Text to Boolean\n";
    Result r = Run("read " + Quote(survey));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(rows, r.out);
    EXPECT_EQ(error, r.err);

    // Into a file: the rows before the failure are kept under the file's name.
    const std::string out = File("rows.jsonl");
    r = Run("read --format jsonl --columns id,member -o " + Quote(out) + " " + Quote(survey));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(error, r.err);
    EXPECT_EQ(std::vector<std::string>{"rows.jsonl"}, Files());
    EXPECT_EQ("{\"id\":1,\"member\":true}\n{\"id\":2,\"member\":false}\n", Slurp(out));
}

TEST_F(BvdReadTest, OutputFileIsReplacedOnlyWithForce)
{
    const std::string out = File("rows.csv");
    Result r = Run("read -o " + Quote(out) + " " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(kMixedCsv, Slurp(out));

    r = Run("read --format jsonl -o " + Quote(out) + " " + Quote(kMixed));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(kMixedCsv, Slurp(out));

    r = Run("read --columns id --force -o " + Quote(out) + " " + Quote(kMixed));
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("id\n1\n2\n3\n", Slurp(out));
    EXPECT_EQ(std::vector<std::string>{"rows.csv"}, Files());

    r = Run("read -o " + Quote(File("no/rows.csv")) + " " + Quote(kMixed));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("bvd: cannot write " + File("no/rows.csv") + " (HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))\n", r.err);
}

TEST_F(BvdReadTest, CategoryNumbersAreTheCategoryValuesOfTheMetadata)
{
    // For each categorical variable: the codes of its categories in file order
    // (from the fixture), paired with the values `bvd info` gives the same
    // categories, must turn each record's codes into the numbers it reads.
    const Result info = Run("info --json " + Quote(kMixed));
    ASSERT_EQ(0, info.status) << info.err;
    const auto document = nlohmann::json::parse(info.out);
    const Result numbers = Run("read --format jsonl " + Quote(kMixed));
    const Result codes = Run("read --format jsonl --codes " + Quote(kMixed));
    ASSERT_EQ(0, numbers.status) << numbers.err;
    ASSERT_EQ(0, codes.status) << codes.err;
    std::istringstream numberLines(numbers.out), codeLines(codes.out);

    const std::map<std::string, std::vector<int>> fileCodes{{"region", {10, 20, 30}}, {"media", {1, 2, 3, 4}}};
    std::map<std::string, std::map<int, int>> valueOfCode;
    for (const auto& variable : document["variables"]) {
        const std::string name = variable["name"];
        if (!fileCodes.contains(name)) continue;
        const auto& categories = variable["categories"];
        ASSERT_EQ(fileCodes.at(name).size(), categories.size()) << name;
        for (size_t i = 0; i < categories.size(); ++i)
            valueOfCode[name][fileCodes.at(name)[i]] = categories[i]["value"].get<int>();
    }
    ASSERT_EQ(2u, valueOfCode.size());

    int records = 0;
    std::string numberLine, codeLine;
    while (std::getline(numberLines, numberLine) && std::getline(codeLines, codeLine)) {
        ++records;
        const auto read = nlohmann::json::parse(numberLine), coded = nlohmann::json::parse(codeLine);
        for (const auto& [name, values] : valueOfCode) {
            std::vector<int> expected;
            for (const int code : coded[name].get<std::vector<int>>()) expected.push_back(values.at(code));
            EXPECT_EQ(expected, read[name].get<std::vector<int>>()) << name << " in record " << records;
        }
    }
    EXPECT_EQ(3, records);
}

}  // namespace
