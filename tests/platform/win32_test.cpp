// Last error per thread, critical sections, interlocked counters, local and
// UTC time, module handles and paths.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace {

TEST(LastError, EachThreadKeepsItsOwn)
{
    SetLastError(ERROR_ACCESS_DENIED);
    std::latch bothSet(2);
    DWORD seenByOther = 0;
    std::thread other([&] {
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);  // a new thread starts clean
        SetLastError(ERROR_INVALID_PARAMETER);
        bothSet.arrive_and_wait();
        seenByOther = GetLastError();
    });
    SetLastError(ERROR_FILE_NOT_FOUND);
    bothSet.arrive_and_wait();
    other.join();
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(seenByOther, ERROR_INVALID_PARAMETER);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // the owner may enter again
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);

    long counter = 0;  // plain on purpose: only the lock protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
                LeaveCriticalSection(&cs);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(counter, 80000);
    DeleteCriticalSection(&cs);
}

TEST(Interlocked, CountersAndExchanges)
{
    volatile LONG count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                InterlockedIncrement(&count);
                InterlockedIncrement(&count);
                InterlockedDecrement(&count);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(count, 80000);

    volatile LONG v = 1;
    EXPECT_EQ(InterlockedIncrement(&v), 2);  // the new value
    EXPECT_EQ(InterlockedDecrement(&v), 1);
    EXPECT_EQ(InterlockedDecrement(&v), 0);
    EXPECT_EQ(InterlockedDecrement(&v), -1);
    EXPECT_EQ(InterlockedExchange(&v, 7), -1);  // the old value
    EXPECT_EQ(InterlockedCompareExchange(&v, 9, 8), 7);  // no match: unchanged
    EXPECT_EQ(v, 7);
    EXPECT_EQ(InterlockedCompareExchange(&v, 9, 7), 7);
    EXPECT_EQ(v, 9);
}

TEST(Time, LocalAndSystemTimeAgreeWithTheClock)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t before = std::time(nullptr);
        SYSTEMTIME utc{}, local{};
        GetSystemTime(&utc);
        GetLocalTime(&local);
        const std::time_t after = std::time(nullptr);
        if (before != after) continue;  // a second boundary passed: measure again
        std::tm u{}, l{};
        ::gmtime_r(&before, &u);
        ::localtime_r(&before, &l);
        EXPECT_EQ(utc.wYear, u.tm_year + 1900);
        EXPECT_EQ(utc.wMonth, u.tm_mon + 1);
        EXPECT_EQ(utc.wDay, u.tm_mday);
        EXPECT_EQ(utc.wDayOfWeek, u.tm_wday);
        EXPECT_EQ(utc.wHour, u.tm_hour);
        EXPECT_EQ(utc.wMinute, u.tm_min);
        EXPECT_EQ(local.wDay, l.tm_mday);
        EXPECT_EQ(local.wDayOfWeek, l.tm_wday);
        EXPECT_EQ(local.wHour, l.tm_hour);
        EXPECT_LT(utc.wMilliseconds, 1000);
        EXPECT_LT(local.wMilliseconds, 1000);
        return;
    }
    FAIL() << "the clock never held still for a second";
}

void ProgramFunction() {}

std::string ProgramPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, n) : std::string();
}

TEST(Modules, HandlesAndPaths)
{
    const HMODULE platform = ModuleFromAddress(reinterpret_cast<const void*>(&GetLastError));
    const HMODULE program = ModuleFromAddress(reinterpret_cast<const void*>(&ProgramFunction));
    ASSERT_NE(platform, nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(platform, program);
    // Any address inside the library names the same module.
    EXPECT_EQ(ModuleFromAddress(reinterpret_cast<const void*>(&ModulePath)), platform);
    EXPECT_EQ(ModuleFromAddress(nullptr), nullptr);

    const std::string path = ModulePath(platform);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.rfind('/') + 1).rfind("libbvdplatform.so", 0), 0u) << path;
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    // The program: by its handle and by the null handle.
    EXPECT_EQ(ModulePath(program), ProgramPath());
    EXPECT_EQ(ModulePath(nullptr), ProgramPath());

    // The counted forms.
    char16_t wide[4096];
    const DWORD n = GetModuleFileNameW(platform, wide, 4096);
    EXPECT_EQ(n, path.size());
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(wide, n)), path);
    char narrow[4096];
    EXPECT_EQ(GetModuleFileNameA(nullptr, narrow, 4096), ProgramPath().size());
    EXPECT_EQ(std::string(narrow), ProgramPath());
    // Too small: cut, terminated, the buffer size returned.
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(platform, narrow, 5), 5u);
    EXPECT_EQ(std::string(narrow), path.substr(0, 4));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    // An address that is no module's start is no handle.
    SetLastError(0);
    EXPECT_EQ(ModulePath(reinterpret_cast<HMODULE>(reinterpret_cast<uintptr_t>(&GetLastError))), "");
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(reinterpret_cast<uintptr_t>(&GetLastError)), wide, 10), 0u);
}

}  // namespace
