// The system message table and the names of HRESULTs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/hresult.h"
#include "tests/platform/message_support.h"

namespace {

struct SystemRow {
    int line;
    DWORD code;
    std::string name;
    std::string text;  // with CR LF
};

// tests/data/system-messages.tsv: code, symbolic name, text with "\r\n"
// written out as four characters.
std::vector<SystemRow> ReadSystemRows()
{
    std::ifstream in(BVD_TEST_DATA_DIR "/system-messages.tsv");
    std::vector<SystemRow> rows;
    std::string line;
    std::getline(in, line);  // heading
    for (int number = 2; std::getline(in, line); ++number) {
        std::istringstream fields(line);
        std::string code, name, text;
        std::getline(fields, code, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, text);
        for (size_t at; (at = text.find("\\r\\n")) != std::string::npos;) text.replace(at, 4, "\r\n");
        rows.push_back({number, static_cast<DWORD>(std::stoul(code, nullptr, 0)), name, text});
    }
    return rows;
}

TEST(SystemMessages, EveryRecordedTextExactly)
{
    const auto rows = ReadSystemRows();
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows) {
        EXPECT_EQ(FormatSystem(row.code, 0).text, row.text) << "system-messages.tsv line " << row.line;
        EXPECT_EQ(FormatSystem(row.code, 1033).text, row.text) << "system-messages.tsv line " << row.line;
        if (row.code >= 0x80000000u) {
            EXPECT_EQ(HResultName(static_cast<HRESULT>(row.code)), row.name) << "system-messages.tsv line " << row.line;
        }
    }
}

TEST(SystemMessages, LanguageAndLookupRules)
{
    // English only: another language is refused, and language 0 reads English
    // (the retry that appending a system text makes).
    Formatted r = FormatSystem(static_cast<DWORD>(E_FAIL), 1031);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(r.error, ERROR_RESOURCE_LANG_NOT_FOUND);

    // A Win32 error in HRESULT form reads the Win32 text.
    EXPECT_EQ(FormatSystem(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), 0).text,
              "The system cannot find the file specified.\r\n");
    EXPECT_EQ(FormatSystem(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)), 0).text,
              "No mapping for the Unicode character exists in the target multi-byte code page.\r\n");

    // Codes the other parts of the platform return.
    EXPECT_EQ(FormatSystem(static_cast<DWORD>(DISP_E_PARAMNOTOPTIONAL), 0).text, "Parameter not optional.\r\n");
    EXPECT_EQ(FormatSystem(static_cast<DWORD>(REGDB_E_KEYMISSING), 0).text,
              "Could not find the key in the registry\r\n");
    EXPECT_EQ(FormatSystem(static_cast<DWORD>(CO_E_DLLNOTFOUND), 0).text, "DLL for class not found\r\n");

    // No text: what "WIN32 error 0x%08x" stands in for.
    r = FormatSystem(0x8004D00A, 0);
    EXPECT_EQ(r.error, ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatSystem(static_cast<DWORD>(HRESULT_FROM_WIN32(9999)), 0).error, ERROR_MR_MID_NOT_FOUND);

    // Inserts of a system text are kept when ignored.
    EXPECT_EQ(FormatSystem(ERROR_MR_MID_NOT_FOUND, 0).text,
              "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n");
}

TEST(SystemMessages, NarrowFormAndCallerBuffer)
{
    char buffer[64];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(DISP_E_TYPEMISMATCH), 0, buffer, sizeof buffer, nullptr, 0);
    EXPECT_EQ(n, 16u);
    EXPECT_EQ(std::string(buffer), "Type mismatch.\r\n");
    // With the mask the system's line ending turns into a blank.
    char16_t wide[64];
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr,
                   static_cast<DWORD>(E_POINTER), 0, wide, 64, nullptr, 0);
    EXPECT_EQ(std::u16string(wide), u"Invalid pointer ");
}

TEST(HResultName, NamesWin32FormsAndHex)
{
    EXPECT_EQ(HResultName(S_OK), "S_OK");
    EXPECT_EQ(HResultName(S_FALSE), "S_FALSE");
    EXPECT_EQ(HResultName(DISP_E_UNKNOWNLCID), "DISP_E_UNKNOWNLCID");
    EXPECT_EQ(HResultName(CO_E_CLASSSTRING), "CO_E_CLASSSTRING");
    EXPECT_EQ(HResultName(E_INVALIDARG), "E_INVALIDARG");  // not HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER)
    EXPECT_EQ(HResultName(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)");
    EXPECT_EQ(HResultName(hr_(0x8004D00A)), "0x8004D00A");
    EXPECT_EQ(HResultName(2), "0x00000002");  // a success code, not ERROR_FILE_NOT_FOUND
}

}  // namespace
