// File attributes, with non-ASCII names reaching the file system as UTF-8.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace {

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bvd-win32-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    // Creates a file whose name is given in UTF-8; returns its full path.
    std::string MakeFile(const std::string& name)
    {
        const std::string path = root_ + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }

    std::string root_;
};

TEST_F(TempFolder, AttributesOfFilesAndFolders)
{
    // "Größe €.txt": UTF-8 on disk; the narrow path spells it in Windows-1252.
    const std::string utf8Name = "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC.txt";
    const std::string file = MakeFile(utf8Name);
    const std::u16string wideFile = Utf8ToUtf16(file);
    EXPECT_EQ(GetFileAttributesW(wideFile.c_str()), FILE_ATTRIBUTE_NORMAL);
    const std::string ansiFile = root_ + "/Gr\xF6\xDF" "e \x80.txt";
    EXPECT_EQ(GetFileAttributesA(ansiFile.c_str()), FILE_ATTRIBUTE_NORMAL);

    const std::string folder = root_ + "/wave.2 \xC3\xA4";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_EQ(GetFileAttributesW(Utf8ToUtf16(folder).c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA((root_ + "/wave.2 \xE4").c_str()), FILE_ATTRIBUTE_DIRECTORY);

    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(GetFileAttributesW(wideFile.c_str()), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_EQ(GetFileAttributesW(Utf8ToUtf16(folder).c_str()), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
    ::chmod(folder.c_str(), 0755);
}

TEST_F(TempFolder, MissingFileOrFolder)
{
    MakeFile("plain");
    struct Case {
        std::string path;
        DWORD error;
    };
    const Case cases[] = {
        {root_ + "/absent.xml", ERROR_FILE_NOT_FOUND},
        {root_ + "/no folder/absent.xml", ERROR_PATH_NOT_FOUND},
        {root_ + "/plain/under a file", ERROR_PATH_NOT_FOUND},
        {"relative-name-that-is-not-here.xml", ERROR_FILE_NOT_FOUND},
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), INVALID_FILE_ATTRIBUTES) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesW(Utf8ToUtf16(c.path).c_str()), INVALID_FILE_ATTRIBUTES) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
    EXPECT_EQ(GetFileAttributesW(nullptr), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
