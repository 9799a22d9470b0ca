// File attribute queries. Paths reach the file system as UTF-8 bytes.
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace {

// Windows tells a missing file in an existing folder (ERROR_FILE_NOT_FOUND)
// from a missing folder on the way (ERROR_PATH_NOT_FOUND).
DWORD MissingReason(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st{};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD AttributesOfUtf8(const std::string& path)
{
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        switch (errno) {
        case ENOENT: SetLastError(MissingReason(path)); break;
        case EACCES: SetLastError(ERROR_ACCESS_DENIED); break;
        default: SetLastError(ERROR_PATH_NOT_FOUND); break;  // ENOTDIR, ENAMETOOLONG, ELOOP
        }
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    // Read-only by the permission bits (not by access(), which lets root write
    // anything): nobody may write.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

DWORD GetFileAttributesW(const char16_t* path)
{
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOfUtf8(Utf16ToUtf8(path));
}

DWORD GetFileAttributesA(const char* path)
{
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOfUtf8(Utf16ToUtf8(AnsiToWide(path)));
}
