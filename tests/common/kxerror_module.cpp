// The message table of a module that embeds the library: registered for that
// module while it is loaded, withdrawn when it unloads.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/KxError.h"
#include "platform/win32.h"

namespace {

// FormatMessageW of `code` from `module`'s table: the text, or empty with
// the reason in *error.
std::u16string FromModule(HMODULE module, DWORD code, DWORD* error)
{
    char16_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER, module, code, 0,
                                   reinterpret_cast<char16_t*>(&text), 0, nullptr, 0);
    *error = n ? 0 : GetLastError();
    std::u16string out = n ? std::u16string(text, n) : std::u16string();
    LocalFree(text);
    return out;
}

TEST(KxModuleResources, RegisteredWhileTheModuleIsLoaded)
{
    void* library = dlopen(BVD_KX_TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto handle = reinterpret_cast<HMODULE (*)()>(dlsym(library, "KxTestModuleHandle"));
    auto message = reinterpret_cast<int (*)(DWORD, char16_t*, int)>(dlsym(library, "KxTestModuleMessage"));
    ASSERT_TRUE(handle && message);

    const HMODULE module = handle();
    EXPECT_NE(module, KxResourceModule()) << "each module registers its own copy";
    EXPECT_TRUE(std::filesystem::equivalent(ModulePath(module), BVD_KX_TEST_MODULE));

    char16_t text[200];
    EXPECT_GT(message(1031, text, 200), 0);
    EXPECT_EQ(Utf16ToUtf8(text), "Location property missing.  The Location property must be set for the bvdwriter DSC.");
    DWORD error = 0;
    EXPECT_EQ(Utf16ToUtf8(FromModule(module, KXE_NO_LODEX_DOCUMENT, &error)), "No Lodex Document given");

    ASSERT_EQ(dlclose(library), 0);
    ASSERT_EQ(dlopen(BVD_KX_TEST_MODULE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the module stayed loaded";
    EXPECT_EQ(FromModule(module, KXE_NO_LODEX_DOCUMENT, &error), u"");
    EXPECT_EQ(error, ERROR_RESOURCE_DATA_NOT_FOUND) << "withdrawn at unload";
    // The program's own registration is untouched.
    EXPECT_EQ(Utf16ToUtf8(FromModule(KxResourceModule(), KXE_NO_LODEX_DOCUMENT, &error)), "No Lodex Document given");
}

}  // namespace
