// Version information read from a module file: the ".bvd_version" section
// (version_resource.h) found through the ELF section headers.
//
// Both ELF classes and byte orders are read. Every offset, size and count
// taken from the file is checked against the file's size before it is used,
// and the tables read are capped, so a damaged or hostile file gives an
// error, never a wild read or a huge allocation.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/version.h"
#include "platform/version_resource.h"
#include "platform/win32.h"

namespace {

// The block GetFileVersionInfoW hands out.
struct VersionBlock {
    char magic[8];
    DWORD size;
    DWORD reserved;
    VS_FIXEDFILEINFO info;
};
constexpr char kBlockMagic[8] = {'B', 'V', 'D', 'V', 'B', 'L', 'K', '1'};

constexpr uint64_t kMaxTable = 16u << 20;  // section headers or names beyond this: not ours

class File {
public:
    explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Open() const { return fd_ >= 0; }
    uint64_t Size() const
    {
        struct stat st;
        return ::fstat(fd_, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }
    // Reads exactly `n` bytes at `offset`, which the caller has bounded.
    bool ReadAt(uint64_t offset, void* out, size_t n) const
    {
        auto* p = static_cast<char*>(out);
        while (n > 0) {
            const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
            if (got <= 0) return false;
            p += got;
            n -= static_cast<size_t>(got);
            offset += static_cast<uint64_t>(got);
        }
        return true;
    }

private:
    int fd_;
};

// Fields of the file's byte order from a byte buffer.
struct Decoder {
    bool bigEndian = false;
    uint64_t Get(const unsigned char* p, int bytes) const
    {
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(p[bigEndian ? bytes - 1 - i : i]) << (8 * i);
        return v;
    }
};

// Where the fields sit in the two ELF classes.
struct Layout {
    size_t headerSize, shoff, shoffBytes, shentsize, shnum, shstrndx;
    size_t entrySize, nameAt, typeAt, offsetAt, sizeAt, linkAt, wordBytes;
};
constexpr Layout kElf32{52, 0x20, 4, 0x2E, 0x30, 0x32, 40, 0, 4, 16, 20, 24, 4};
constexpr Layout kElf64{64, 0x28, 8, 0x3A, 0x3C, 0x3E, 64, 0, 4, 24, 32, 40, 8};

constexpr uint32_t kShtNobits = 8;
constexpr uint32_t kShnXindex = 0xFFFF;

struct Section {
    uint32_t name, type, link;
    uint64_t offset, size;
};

bool InFile(uint64_t offset, uint64_t size, uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

// Finds the version record's section and reads the record. A Win32 code.
DWORD ReadRecord(const std::string& path, BvdVersionRecord* record)
{
    File file(path);
    if (!file.Open()) return ERROR_FILE_NOT_FOUND;
    const uint64_t fileSize = file.Size();

    unsigned char header[64];
    if (fileSize < 52 || !file.ReadAt(0, header, fileSize < 64 ? 52 : 64)) return ERROR_BAD_FORMAT;
    if (std::memcmp(header, "\x7F" "ELF", 4) != 0) return ERROR_BAD_FORMAT;
    if ((header[4] != 1 && header[4] != 2) || (header[5] != 1 && header[5] != 2)) return ERROR_BAD_FORMAT;
    const Layout& L = header[4] == 1 ? kElf32 : kElf64;
    if (fileSize < L.headerSize) return ERROR_BAD_FORMAT;
    const Decoder d{header[5] == 2};

    const uint64_t shoff = d.Get(header + L.shoff, static_cast<int>(L.shoffBytes));
    const uint64_t entSize = d.Get(header + L.shentsize, 2);
    uint64_t count = d.Get(header + L.shnum, 2);
    uint64_t strIndex = d.Get(header + L.shstrndx, 2);
    if (shoff == 0) return ERROR_RESOURCE_TYPE_NOT_FOUND;  // no section headers at all
    if (entSize < L.entrySize || !InFile(shoff, entSize, fileSize)) return ERROR_BAD_FORMAT;

    auto readSection = [&](const unsigned char* e) {
        return Section{static_cast<uint32_t>(d.Get(e + L.nameAt, 4)), static_cast<uint32_t>(d.Get(e + L.typeAt, 4)),
                       static_cast<uint32_t>(d.Get(e + L.linkAt, 4)),
                       d.Get(e + L.offsetAt, static_cast<int>(L.wordBytes)),
                       d.Get(e + L.sizeAt, static_cast<int>(L.wordBytes))};
    };
    // Extended numbering: the real count and name-table index sit in section 0.
    if (count == 0 || strIndex == kShnXindex) {
        std::vector<unsigned char> first(entSize);
        if (!file.ReadAt(shoff, first.data(), first.size())) return ERROR_BAD_FORMAT;
        const Section s0 = readSection(first.data());
        if (count == 0) count = s0.size;
        if (strIndex == kShnXindex) strIndex = s0.link;
    }
    if (count > fileSize / entSize || count * entSize > kMaxTable || !InFile(shoff, count * entSize, fileSize) ||
        strIndex >= count)
        return ERROR_BAD_FORMAT;

    std::vector<unsigned char> table(count * entSize);
    if (!file.ReadAt(shoff, table.data(), table.size())) return ERROR_BAD_FORMAT;
    const Section names = readSection(table.data() + strIndex * entSize);
    if (names.type == kShtNobits || names.size > kMaxTable || !InFile(names.offset, names.size, fileSize))
        return ERROR_BAD_FORMAT;
    std::vector<char> strings(names.size);
    if (!file.ReadAt(names.offset, strings.data(), strings.size())) return ERROR_BAD_FORMAT;

    const std::string_view wanted(kBvdVersionSection);
    for (uint64_t i = 0; i < count; ++i) {
        const Section s = readSection(table.data() + i * entSize);
        if (s.name >= strings.size()) continue;
        const size_t room = strings.size() - s.name;
        const std::string_view name(strings.data() + s.name, strnlen(strings.data() + s.name, room));
        if (name != wanted || name.size() == room) continue;  // unterminated names do not match
        if (s.type == kShtNobits || s.size != sizeof(BvdVersionRecord) || !InFile(s.offset, s.size, fileSize))
            return ERROR_RESOURCE_DATA_NOT_FOUND;
        unsigned char raw[sizeof(BvdVersionRecord)];
        if (!file.ReadAt(s.offset, raw, sizeof raw)) return ERROR_RESOURCE_DATA_NOT_FOUND;
        if (std::memcmp(raw, kBvdVersionMagic, sizeof kBvdVersionMagic) != 0) return ERROR_RESOURCE_DATA_NOT_FOUND;
        DWORD fields[6];
        for (int f = 0; f < 6; ++f) fields[f] = static_cast<DWORD>(d.Get(raw + 16 + 4 * f, 4));
        if (fields[0] != VS_FFI_SIGNATURE) return ERROR_RESOURCE_DATA_NOT_FOUND;
        std::memcpy(record->magic, raw, sizeof record->magic);
        record->signature = fields[0];
        record->strucVersion = fields[1];
        record->fileVersionMS = fields[2];
        record->fileVersionLS = fields[3];
        record->productVersionMS = fields[4];
        record->productVersionLS = fields[5];
        return ERROR_SUCCESS;
    }
    return ERROR_RESOURCE_TYPE_NOT_FOUND;
}

DWORD ReadBlock(const char16_t* path, VersionBlock* block)
{
    if (!path || !*path) return ERROR_INVALID_PARAMETER;
    BvdVersionRecord record;
    if (const DWORD err = ReadRecord(Utf16ToUtf8(path), &record); err != ERROR_SUCCESS) return err;
    *block = VersionBlock{};
    std::memcpy(block->magic, kBlockMagic, sizeof kBlockMagic);
    block->size = sizeof(VersionBlock);
    VS_FIXEDFILEINFO& info = block->info;
    info.dwSignature = record.signature;
    info.dwStrucVersion = record.strucVersion;
    info.dwFileVersionMS = record.fileVersionMS;
    info.dwFileVersionLS = record.fileVersionLS;
    info.dwProductVersionMS = record.productVersionMS;
    info.dwProductVersionLS = record.productVersionLS;
    info.dwFileOS = VOS_UNKNOWN;
    info.dwFileType = VFT_DLL;
    return ERROR_SUCCESS;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(const char16_t* path, DWORD* handle)
{
    if (handle) *handle = 0;
    VersionBlock block;
    if (const DWORD err = ReadBlock(path, &block); err != ERROR_SUCCESS) {
        SetLastError(err);
        return 0;
    }
    return sizeof(VersionBlock);
}

BOOL GetFileVersionInfoW(const char16_t* path, DWORD, DWORD length, void* data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    VersionBlock block;
    if (const DWORD err = ReadBlock(path, &block); err != ERROR_SUCCESS) {
        SetLastError(err);
        return FALSE;
    }
    if (length < sizeof block) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, &block, sizeof block);
    return TRUE;
}

BOOL VerQueryValueW(const void* block, const char16_t* subBlock, void** buffer, UINT* length)
{
    if (!block || !subBlock || !buffer || !length) return FALSE;
    auto* b = static_cast<const VersionBlock*>(block);
    if (std::memcmp(b->magic, kBlockMagic, sizeof kBlockMagic) != 0 || b->size != sizeof(VersionBlock)) return FALSE;
    if (std::u16string_view(subBlock) != u"\\") return FALSE;
    *buffer = const_cast<VS_FIXEDFILEINFO*>(&b->info);
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle)
{
    const std::u16string wide = path ? AnsiToWide(path) : std::u16string();
    return GetFileVersionInfoSizeW(path ? wide.c_str() : nullptr, handle);
}

BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD length, void* data)
{
    const std::u16string wide = path ? AnsiToWide(path) : std::u16string();
    return GetFileVersionInfoW(path ? wide.c_str() : nullptr, handle, length, data);
}
