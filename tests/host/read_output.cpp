// Where `bvd read` writes: the output file that appears under its name only
// when complete, the data file a survey names, and the progress line that
// only a terminal gets.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/bvd.h"
#include "host/bvd_read_output.h"
#include "tests/host/lodex_support.h"

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReadOutput, TheFileAppearsUnderItsNameOnlyWhenCommitted)
{
    TempDir tmp;
    const std::string file = tmp.Dir() + "/rows.csv";
    {
        bvd::Output out(file);
        out.Write("a,b\n");
        out.Flush();
        const auto names = Names(tmp.Dir());
        ASSERT_EQ(1u, names.size());
        EXPECT_EQ(0u, names[0].rfind(".rows.csv.", 0)) << names[0];  // hidden, beside the target
        EXPECT_EQ("a,b\n", Slurp(tmp.Dir() + "/" + names[0]));
        out.Write(std::string(100000, 'x'));  // more than one buffer's worth
        out.Commit();
    }
    EXPECT_EQ(std::vector<std::string>{"rows.csv"}, Names(tmp.Dir()));
    EXPECT_EQ("a,b\n" + std::string(100000, 'x'), Slurp(file));
    // An ordinary file's permissions, not the temporary file's private ones.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(0, ::stat(file.c_str(), &st));
    EXPECT_EQ(0666 & ~mask, st.st_mode & 0777);
}

TEST(ReadOutput, WithoutCommitNothingIsLeftAndAnOldFileStays)
{
    TempDir tmp;
    const std::string file = tmp.Dir() + "/rows.csv";
    std::ofstream(file) << "old";
    {
        bvd::Output out(file);
        out.Write("new");
        out.Flush();
        EXPECT_EQ(2u, Names(tmp.Dir()).size());
    }
    EXPECT_EQ(std::vector<std::string>{"rows.csv"}, Names(tmp.Dir()));
    EXPECT_EQ("old", Slurp(file));

    // Committing replaces it.
    {
        bvd::Output out(file);
        out.Write("new");
        out.Commit();
    }
    EXPECT_EQ("new", Slurp(file));
}

TEST(ReadOutput, FailuresNameTheFile)
{
    TempDir tmp;
    const std::string missing = tmp.Dir() + "/no/rows.csv";
    try {
        bvd::Output out(missing);
        FAIL() << "no failure";
    } catch (const bvd::Failure& e) {
        EXPECT_EQ("cannot write " + missing + " (HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))", std::string(e.what()));
    }
    // A folder under the target name: the rename fails, and nothing is left.
    const std::string folder = tmp.Dir() + "/rows.csv";
    std::filesystem::create_directory(folder);
    bvd::Output out(folder);
    out.Write("x");
    try {
        out.Commit();
        FAIL() << "no failure";
    } catch (const bvd::Failure& e) {
        EXPECT_EQ("cannot write " + folder + " (E_ACCESSDENIED)", std::string(e.what()));
    }
}

TEST(ReadOutput, DataFileOfASurvey)
{
    const std::pair<const char*, const char*> cases[] = {
        {"survey.xml", "survey.asc"},
        {"dir/wave.2/survey.XML", "dir/wave.2/survey.asc"},
        {"wave.2/data", "wave.asc"},  // the last full stop of the whole path, as the reader does
        {"data", "data.asc"},
    };
    for (const auto& [survey, data] : cases) EXPECT_EQ(data, bvd::DataFileOf(survey)) << survey;
}

// Standard error replaced by another descriptor for the life of the object.
class StderrTo {
public:
    explicit StderrTo(int fd) : saved_(::dup(STDERR_FILENO)) { ::dup2(fd, STDERR_FILENO); }
    ~StderrTo()
    {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StderrTo(const StderrTo&) = delete;
    StderrTo& operator=(const StderrTo&) = delete;

private:
    int saved_;
};

std::string ReadAvailable(int fd)
{
    std::string text;
    char buffer[256];
    // What was written arrives at once: wait for it, then take what follows it directly.
    for (int wait = 200; ::poll(std::array<pollfd, 1>{pollfd{fd, POLLIN, 0}}.data(), 1, wait) > 0; wait = 10) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

TEST(ReadProgress, ATerminalSeesRecordsAndTheShareOfTheDataFileRead)
{
    TempDir tmp;
    const std::string data = tmp.Dir() + "/survey.asc";
    std::ofstream(data) << std::string(10000, 'x');
    // The data file opened in this process and read up to a quarter, as the reader would have it.
    const int reader = ::open(data.c_str(), O_RDONLY);
    ASSERT_LE(0, reader);
    ASSERT_EQ(2500, ::lseek(reader, 2500, SEEK_SET));

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_LE(0, master);
    ASSERT_EQ(0, ::grantpt(master));
    ASSERT_EQ(0, ::unlockpt(master));
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_LE(0, terminal);
    {
        StderrTo redirect(terminal);
        bvd::Progress progress(data, true, std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        progress.Record(7);
        EXPECT_EQ("\r7 records, 25% of the data file\x1b[K", ReadAvailable(master));
        ASSERT_EQ(10000, ::lseek(reader, 0, SEEK_END));
        progress.Record(1);
        EXPECT_EQ("\r1 record, 100% of the data file\x1b[K", ReadAvailable(master));
        progress.Clear();
        EXPECT_EQ("\r\x1b[K", ReadAvailable(master));
        progress.Clear();  // nothing shown, nothing to erase
        EXPECT_EQ("", ReadAvailable(master));

        // Without the data file open the share is unknown; the records still show.
        bvd::Progress other(tmp.Dir() + "/other.asc", true, std::chrono::milliseconds(0),
                            std::chrono::milliseconds(0));
        other.Record(3);
        EXPECT_EQ("\r3 records\x1b[K", ReadAvailable(master));
        // Not before its delay has passed.
        bvd::Progress patient(data, true, std::chrono::milliseconds(60000));
        patient.Record(3);
        EXPECT_EQ("", ReadAvailable(master));
        // Nor when not wanted (the rows go to the same terminal).
        bvd::Progress unwanted(data, false, std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        unwanted.Record(3);
        EXPECT_EQ("", ReadAvailable(master));
    }
    ::close(terminal);
    ::close(master);
    ::close(reader);
}

TEST(ReadProgress, NothingWhenStderrIsNoTerminal)
{
    TempDir tmp;
    const std::string log = tmp.Dir() + "/stderr";
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_LE(0, fd);
    {
        StderrTo redirect(fd);
        bvd::Progress progress(log, true, std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        progress.Record(1000);
        progress.Clear();
    }
    ::close(fd);
    EXPECT_EQ("", Slurp(log));
}

}  // namespace
