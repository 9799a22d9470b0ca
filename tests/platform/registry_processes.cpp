// Two processes changing the registry at once lose nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/bstr.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"

namespace {

constexpr int kWrites = 150;

// Each writer puts values into a key of its own and into one shared key, and
// creates keys under a shared parent, so that every change is a
// read-modify-write of the same file.
bool WriteMany(const std::u16string& who)
{
    for (int i = 0; i < kWrites; ++i) {
        const std::u16string n = Utf8ToUtf16(std::to_string(i));
        if (RegWriteString(HKEY_CLASSES_ROOT, u"Own\\" + who, u"v" + n, who + n) != ERROR_SUCCESS) return false;
        if (RegWriteDword(HKEY_LOCAL_MACHINE, u"Shared", who + n, static_cast<DWORD>(i)) != ERROR_SUCCESS)
            return false;
        if (i % 10 == 0 && RegWriteString(HKEY_CLASSES_ROOT, u"Keys\\" + who + n, u"", n) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

}  // namespace

TEST(RegistryProcesses, ConcurrentWritersLoseNothing)
{
    TempRegistry reg;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(WriteMany(u"child") ? 0 : 1);
    const bool parentOk = WriteMany(u"parent");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(parentOk);

    int missing = 0;
    for (const std::u16string who : {u"child", u"parent"}) {
        for (int i = 0; i < kWrites; ++i) {
            const std::u16string n = Utf8ToUtf16(std::to_string(i));
            if (RegReadString(HKEY_CLASSES_ROOT, u"Own\\" + who, u"v" + n) != who + n) ++missing;
            if (RegReadDword(HKEY_LOCAL_MACHINE, u"Shared", who + n) != static_cast<DWORD>(i)) ++missing;
            if (i % 10 == 0 && RegReadString(HKEY_CLASSES_ROOT, u"Keys\\" + who + n) != n) ++missing;
        }
    }
    EXPECT_EQ(missing, 0);
    // The file is whole: it parses, and no temporary file is left beside it.
    RegKey shared;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Shared", 0, KEY_READ, shared.put()), ERROR_SUCCESS);
    DWORD count = 0;
    char16_t name[64];
    for (DWORD len = 64; RegEnumValueW(shared.get(), count, name, &len, nullptr, nullptr, nullptr, nullptr) ==
                         ERROR_SUCCESS;
         len = 64)
        ++count;
    EXPECT_EQ(count, 2u * kWrites);
    EXPECT_FALSE(std::filesystem::exists(reg.File() + ".tmp"));
}
