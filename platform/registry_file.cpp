// The registry file on disk: where it is, reading it, and the protocol that
// makes every change durable and safe against other processes.
//
// A change runs as one transaction:
//   1. open "<file>.lock" (created when missing) and take an exclusive flock;
//   2. read and parse the current file (a missing file is an empty registry);
//   3. apply the change in memory;
//   4. write the whole text to "<file>.tmp", fsync it, rename it over the file
//      and fsync the folder, so that the change survives a crash once the call
//      has returned and a reader sees either the old or the new file whole;
//   5. release the lock (closing the lock file).
// Readers take no lock: the rename replaces the file atomically.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/registry.h"
#include "platform/registry_store.h"

namespace {

// A registry this large is not ours: refuse it rather than read it.
constexpr off_t kMaxFileSize = 64 << 20;

class Fd {
public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const noexcept { return fd_; }
    // Closes now, reporting the failure that a deferred close would hide.
    bool Close() noexcept
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// mkdir -p.
bool MakeFolders(const std::string& dir)
{
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = ParentOf(dir);
    if (parent != dir && !MakeFolders(parent)) return false;
    return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

DWORD ReadFile(const std::string& path, regstore::Tree* tree)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            *tree = regstore::Tree();
            return ERROR_SUCCESS;
        }
        return ERROR_CANTREAD;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) return ERROR_CANTREAD;
    if (st.st_size > kMaxFileSize) return ERROR_BADDB;
    std::string text;
    char buf[65536];
    while (true) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ERROR_CANTREAD;
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
        if (text.size() > static_cast<size_t>(kMaxFileSize)) return ERROR_BADDB;
    }
    std::string error;
    return regstore::Parse(text, tree, &error) ? ERROR_SUCCESS : ERROR_BADDB;
}

DWORD WriteFile(const std::string& path, const regstore::Tree& tree)
{
    const std::string tmp = path + ".tmp";
    const std::string text = regstore::Serialize(tree);
    {
        Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (fd.get() < 0) return ERROR_CANTWRITE;
        if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0 || !fd.Close()) {
            ::unlink(tmp.c_str());
            return ERROR_CANTWRITE;
        }
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return ERROR_CANTWRITE;
    }
    Fd dir(::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0) return ERROR_CANTWRITE;
    return ERROR_SUCCESS;
}

}  // namespace

std::string RegistryFilePath()
{
    if (const char* explicitPath = std::getenv("BVD_REGISTRY"); explicitPath && *explicitPath) return explicitPath;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::string(data) + "/bvd/registry";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/bvd/registry";
}

namespace regstore {

DWORD Read(Tree* tree)
{
    return ReadFile(RegistryFilePath(), tree);
}

DWORD Modify(const std::function<DWORD(Tree& tree, bool& changed)>& change)
{
    const std::string path = RegistryFilePath();
    if (!MakeFolders(ParentOf(path))) return ERROR_CANTWRITE;
    Fd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.get() < 0) return ERROR_CANTOPEN;
    while (::flock(lock.get(), LOCK_EX) != 0)
        if (errno != EINTR) return ERROR_CANTOPEN;
    // The lock goes with the descriptor when `lock` closes.

    Tree tree;
    if (const DWORD err = ReadFile(path, &tree); err != ERROR_SUCCESS) return err;
    bool changed = false;
    const DWORD result = change(tree, changed);
    if (result != ERROR_SUCCESS || !changed) return result;
    return WriteFile(path, tree);
}

}  // namespace regstore
