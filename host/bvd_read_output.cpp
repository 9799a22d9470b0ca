// The output file of `bvd read` (a temporary file renamed into place) and its
// progress line.
#include "host/bvd_read_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "formats/survey.h"
#include "host/bvd.h"
#include "platform/message.h"

namespace bvd {
namespace {

constexpr size_t kFlushSize = 1 << 16;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary file that a signal handler removes; empty when there is none.
char g_tempFile[PATH_MAX];
struct sigaction g_previous[std::size(kSignals)];

extern "C" void RemoveTempAndExit(int signal)
{
    if (g_tempFile[0]) ::unlink(g_tempFile);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void GuardTempFile(const std::string& temp)
{
    if (temp.size() >= sizeof g_tempFile) return;  // too long to keep: left to the destructor alone
    std::memcpy(g_tempFile, temp.c_str(), temp.size() + 1);
    struct sigaction action {};
    action.sa_handler = RemoveTempAndExit;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

void ReleaseTempFile()
{
    if (!g_tempFile[0]) return;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_tempFile[0] = '\0';
}

HRESULT ResultOf(int error)
{
    switch (error) {
    case ENOENT: case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES: case EPERM: case EISDIR: case EROFS: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    default: return E_FAIL;
    }
}

}  // namespace

Output::Output(std::string file) : file_(std::move(file))
{
    if (file_.empty()) return;
    const std::filesystem::path target(file_);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) Fail(errno);
    temp_ = pattern;
    GuardTempFile(temp_);
    // The permissions a newly created file gets (mkstemp makes it private).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    stream_.reset(::fdopen(fd, "wb"));
    if (!stream_) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp_.c_str());  // the destructor does not run for a constructor that throws
        ReleaseTempFile();
        Fail(error);
    }
}

Output::~Output()
{
    if (temp_.empty()) return;
    stream_.reset();
    ::unlink(temp_.c_str());
    ReleaseTempFile();
}

void Output::Fail(int error)
{
    const std::string what = file_.empty() ? "to standard output" : file_;
    const HRESULT hr = ResultOf(error);
    throw Failure("cannot write " + what + (hr == E_FAIL ? ": " + std::string(std::strerror(error)) : "") + " (" +
                  HResultName(hr) + ")");
}

void Output::Write(std::string_view text)
{
    pending_ += text;
    if (pending_.size() >= kFlushSize) Flush();
}

void Output::Flush()
{
    std::FILE* stream = file_.empty() ? stdout : stream_.get();
    if (!pending_.empty() && std::fwrite(pending_.data(), 1, pending_.size(), stream) != pending_.size())
        Fail(errno);
    pending_.clear();
    if (std::fflush(stream) != 0) Fail(errno);
}

void Output::Commit()
{
    Flush();
    if (file_.empty()) return;
    if (::fsync(::fileno(stream_.get())) != 0 && errno != EINVAL) Fail(errno);
    if (std::fclose(stream_.release()) != 0) Fail(errno);
    if (::rename(temp_.c_str(), file_.c_str()) != 0) Fail(errno);
    temp_.clear();
    ReleaseTempFile();
}

std::string DataFileOf(const std::string& survey) { return bvdformats::ReaderDataFilePath(survey); }

std::string ProgressText(long records, int percent)
{
    std::string text = std::to_string(records) + (records == 1 ? " record" : " records");
    if (percent >= 0) text += ", " + std::to_string(percent) + "% of the data file";
    return text;
}

Progress::Progress(std::string dataFile, bool wanted, std::chrono::milliseconds delay,
                   std::chrono::milliseconds interval)
    : enabled_(wanted && ::isatty(STDERR_FILENO) == 1),
      dataFile_(std::move(dataFile)),
      interval_(interval),
      next_(std::chrono::steady_clock::now() + delay)
{
}

Progress::~Progress() { Clear(); }

void Progress::Record(long records)
{
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + interval_;
    std::fprintf(stderr, "\r%s\x1b[K", ProgressText(records, Percent()).c_str());
    std::fflush(stderr);
    shown_ = true;
}

void Progress::Clear()
{
    if (!shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

// The reader's position in the data file, found through the descriptor that
// it opened in this process (Linux /proc), against the file's size; -1 when
// either is unknown.
int Progress::Percent()
{
    struct stat data {};
    if (::stat(dataFile_.c_str(), &data) != 0 || data.st_size <= 0) return -1;
    const auto isDataFile = [&data](const std::string& link) {
        struct stat open {};
        return ::stat(link.c_str(), &open) == 0 && open.st_dev == data.st_dev && open.st_ino == data.st_ino;
    };
    if (fd_ >= 0 && !isDataFile("/proc/self/fd/" + std::to_string(fd_))) fd_ = -1;
    if (fd_ < 0) {
        DIR* dir = ::opendir("/proc/self/fd");
        if (!dir) return -1;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.' && isDataFile(std::string("/proc/self/fd/") + entry->d_name)) {
                fd_ = std::atoi(entry->d_name);
                break;
            }
        }
        ::closedir(dir);
        if (fd_ < 0) return -1;
    }
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd_));
    std::string key;
    long long position = -1;
    while (info >> key) {
        if (key == "pos:") {
            info >> position;
            break;
        }
    }
    if (position < 0) return -1;
    return static_cast<int>(std::min<long long>(100, position * 100 / data.st_size));
}

}  // namespace bvd
