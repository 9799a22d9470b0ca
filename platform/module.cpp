// Module handles and paths. A module handle is the load address of a shared
// object or of the program, as dladdr reports it (dli_fbase).
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/bstr.h"
#include "platform/message_tables.h"
#include "platform/win32.h"

namespace bvd::messages {

// The load address of the program: the first object dl_iterate_phdr visits is
// always the program; its image starts at the first loadable segment.
HMODULE ProgramModule()
{
    HMODULE base = nullptr;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            const long page = sysconf(_SC_PAGESIZE);
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type != PT_LOAD) continue;
                const auto vaddr = info->dlpi_phdr[i].p_vaddr & ~static_cast<ElfW(Addr)>(page - 1);
                *static_cast<HMODULE*>(data) = reinterpret_cast<HMODULE>(info->dlpi_addr + vaddr);
                break;
            }
            return 1;  // the program only
        },
        &base);
    return base;
}

}  // namespace bvd::messages

namespace {

using bvd::messages::ProgramModule;

std::string ReadLink(const char* link)
{
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(link, path.data(), path.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(static_cast<size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

struct FileCloser {
    void operator()(FILE* f) const noexcept { std::fclose(f); }
};

// The file mapped at `base`, from the process's memory map: used when the
// dynamic linker kept a relative name.
std::string MappedPath(const void* base)
{
    std::unique_ptr<FILE, FileCloser> maps(std::fopen("/proc/self/maps", "re"));
    if (!maps) return {};
    char* line = nullptr;
    size_t cap = 0;
    std::string found;
    while (::getline(&line, &cap, maps.get()) > 0) {
        unsigned long start = 0;
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%*x %*s %*s %*s %*s %n", &start, &pathAt) < 1 || pathAt == 0) continue;
        if (reinterpret_cast<const void*>(start) != base) continue;
        found = line + pathAt;
        while (!found.empty() && (found.back() == '\n' || found.back() == ' ')) found.pop_back();
        break;
    }
    std::free(line);
    return found;
}

template <typename Char>
DWORD CopyPath(const std::basic_string<Char>& path, Char* buffer, DWORD size)
{
    if (path.empty()) return 0;
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // As the original: a path that does not fit is cut, terminated, and the
    // full buffer size is returned with ERROR_INSUFFICIENT_BUFFER.
    if (path.size() >= size) {
        path.copy(buffer, size - 1);
        buffer[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    path.copy(buffer, path.size());
    buffer[path.size()] = 0;
    return static_cast<DWORD>(path.size());
}

}  // namespace

HMODULE ModuleFromAddress(const void* address)
{
    Dl_info info{};
    if (!address || !::dladdr(address, &info)) return nullptr;
    return info.dli_fbase;
}

std::string ModulePath(HMODULE module)
{
    const HMODULE program = ProgramModule();
    if (!module || module == program) return ReadLink("/proc/self/exe");
    Dl_info info{};
    if (!::dladdr(module, &info) || info.dli_fbase != module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return {};
    }
    if (info.dli_fname && info.dli_fname[0] == '/') return info.dli_fname;
    std::string path = MappedPath(module);
    if (path.empty()) SetLastError(ERROR_MOD_NOT_FOUND);
    return path;
}

DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size)
{
    return CopyPath(Utf8ToUtf16(ModulePath(module)), buffer, size);
}

// The narrow form answers in the ANSI code page, as every narrow text does.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size)
{
    return CopyPath(WideToAnsi(Utf8ToUtf16(ModulePath(module))), buffer, size);
}
