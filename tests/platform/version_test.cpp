// Module file versions: the record a module carries, read back from the file;
// files without one; damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/version.h"
#include "platform/version_resource.h"
#include "platform/win32.h"
#include "tests/platform/temp_registry.h"

// This test program carries a version of its own, with 16-bit extremes.
BVD_FILE_VERSION(1, 0, 65535, 7);

namespace {

// "a.b.c.d" as the plug-ins format it, or the failure's last error.
struct Result {
    std::string text;
    DWORD error = ERROR_SUCCESS;
};

Result ReadVersion(const std::string& path)
{
    const std::u16string wide = Utf8ToUtf16(path);
    DWORD handle = 99;
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (size == 0) return {"", GetLastError()};
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(wide.c_str(), handle, size, block.data())) return {"", GetLastError()};
    void* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\", &fixed, &length)) return {"", ERROR_INVALID_DATA};
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed, sizeof info);
    EXPECT_EQ(info.dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(info.dwProductVersionMS, info.dwFileVersionMS);
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                  HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
    return {text, ERROR_SUCCESS};
}

std::vector<char> Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <class T>
void Put(std::vector<char>& bytes, size_t at, T value)
{
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

}  // namespace

TEST(Version, ReadBackFromTheModuleFile)
{
    const Result server = ReadVersion(BVD_TEST_SERVER);
    EXPECT_EQ(server.error, ERROR_SUCCESS);
    EXPECT_EQ(server.text, BVD_TEST_FILE_VERSION);  // the project version
    const Result self = ReadVersion("/proc/self/exe");
    EXPECT_EQ(self.error, ERROR_SUCCESS);
    EXPECT_EQ(self.text, "1.0.65535.7");
    // The narrow form reads the same file.
    DWORD handle = 0;
    EXPECT_EQ(GetFileVersionInfoSizeA(BVD_TEST_SERVER, &handle),
              GetFileVersionInfoSizeW(Utf8ToUtf16(BVD_TEST_SERVER).c_str(), &handle));
}

TEST(Version, FilesWithoutAVersion)
{
    TempRegistry tmp;  // a folder of our own
    const std::string text = tmp.Dir() + "/text.so";
    std::ofstream(text) << "not an image at all, but long enough to hold an ELF header if it were one.....";
    const struct {
        const char* what;
        std::string path;
        DWORD error;
    } cases[] = {
        {"library without a record", BVD_TEST_NOENTRY, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"missing file", tmp.Dir() + "/missing.so", ERROR_FILE_NOT_FOUND},
        {"text file", text, ERROR_BAD_FORMAT},
        {"folder", tmp.Dir(), ERROR_BAD_FORMAT},
        {"empty path", "", ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        const Result r = ReadVersion(c.path);
        EXPECT_EQ(r.text, "") << c.what;
        EXPECT_EQ(r.error, c.error) << c.what;
    }
}

TEST(Version, BlockConventions)
{
    const std::u16string path = Utf8ToUtf16(BVD_TEST_SERVER);
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, sizeof(VS_FIXEDFILEINFO));
    std::vector<unsigned char> block(size);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(GetFileVersionInfoW(path.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* p = nullptr;
    UINT len = 0;
    EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\FileVersion", &p, &len));
    EXPECT_FALSE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &p, &len));
    // Not a block.
    std::vector<unsigned char> zeros(size, 0);
    EXPECT_FALSE(VerQueryValueW(zeros.data(), u"\\", &p, &len));
}

// Damaged copies of the test server: every size read from the file is checked.
TEST(Version, DamagedFilesGiveErrors)
{
    const std::vector<char> original = Slurp(BVD_TEST_SERVER);
    ASSERT_GT(original.size(), 64u);
    ASSERT_EQ(original[4], 2) << "the test expects a 64-bit ELF file";
    uint64_t shoff;
    std::memcpy(&shoff, original.data() + 0x28, 8);
    const size_t magicAt = std::string_view(original.data(), original.size())
                               .find(std::string_view(kBvdVersionMagic, sizeof kBvdVersionMagic));
    ASSERT_NE(magicAt, std::string_view::npos);

    TempRegistry tmp;
    const std::string path = tmp.Dir() + "/damaged.so";
    const struct {
        const char* what;
        void (*damage)(std::vector<char>&, uint64_t shoff, size_t magicAt);
        DWORD error;
    } cases[] = {
        {"cut before the section headers",
         [](std::vector<char>& b, uint64_t off, size_t) { b.resize(off + 10); }, ERROR_BAD_FORMAT},
        {"cut inside the header", [](std::vector<char>& b, uint64_t, size_t) { b.resize(40); }, ERROR_BAD_FORMAT},
        {"section headers far away",
         [](std::vector<char>& b, uint64_t, size_t) { Put<uint64_t>(b, 0x28, 0xFFFFFFFFFFFFFF00ull); },
         ERROR_BAD_FORMAT},
        {"too many sections", [](std::vector<char>& b, uint64_t, size_t) { Put<uint16_t>(b, 0x3C, 0xFFFE); },
         ERROR_BAD_FORMAT},
        {"section entries too small", [](std::vector<char>& b, uint64_t, size_t) { Put<uint16_t>(b, 0x3A, 16); },
         ERROR_BAD_FORMAT},
        {"name table index out of range",
         [](std::vector<char>& b, uint64_t, size_t) { Put<uint16_t>(b, 0x3E, 0xFFF0); }, ERROR_BAD_FORMAT},
        {"extended count that is absurd",
         [](std::vector<char>& b, uint64_t off, size_t) {
             Put<uint16_t>(b, 0x3C, 0);
             Put<uint64_t>(b, off + 32, 0x7FFFFFFFFFFFull);  // section 0's size
         },
         ERROR_BAD_FORMAT},
        {"unknown ELF class", [](std::vector<char>& b, uint64_t, size_t) { b[4] = 9; }, ERROR_BAD_FORMAT},
        {"record with a broken mark", [](std::vector<char>& b, uint64_t, size_t at) { b[at] = 'X'; },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"record with a broken signature",
         [](std::vector<char>& b, uint64_t, size_t at) { Put<uint32_t>(b, at + 16, 0x12345678u); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const auto& c : cases) {
        std::vector<char> bytes = original;
        c.damage(bytes, shoff, magicAt);
        Write(path, bytes);
        const Result r = ReadVersion(path);
        EXPECT_EQ(r.error, c.error) << c.what;
        EXPECT_EQ(r.text, "") << c.what;
    }
    // The undamaged copy reads.
    Write(path, original);
    EXPECT_EQ(ReadVersion(path).text, BVD_TEST_FILE_VERSION);
}
