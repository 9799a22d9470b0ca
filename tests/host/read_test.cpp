// `bvd read` end to end: the program run with a temporary registry into which
// it registered the plug-ins of this build. The cells themselves are tested
// as functions in read_cells.cpp.
#include <sys/wait.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/host/lodex_support.h"

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

const std::string kData = BVD_TEST_DATA_DIR "/host/read/";
const std::string kMixed = kData + "mixed.xml";

class BvdReadTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, Run("register").status) << last_.err; }

    // Runs the program with the test's registry (BVD_REGISTRY is inherited).
    Result Run(const std::string& args)
    {
        const std::string out = tmp_.Dir() + "/stdout", err = tmp_.Dir() + "/stderr";
        const std::string command = Quote(BVD_PROGRAM) + " " + args + " >" + Quote(out) + " 2>" + Quote(err);
        const int raw = std::system(command.c_str());
        last_ = Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
        return last_;
    }
    std::string File(const std::string& name) const { return tmp_.Dir() + "/" + name; }
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

    TempRegistry registry_;
    TempDir tmp_;
    Result last_;
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

}  // namespace
