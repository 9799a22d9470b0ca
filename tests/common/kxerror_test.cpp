// CKXError: the message table, its fallbacks, system and COM error texts,
// the raising helpers and the boundary helper.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "common/KxError.h"
#include "platform/bstr.h"
#include "platform/win32.h"
#include "tests/platform/temp_registry.h"

namespace {

std::string Utf8(const std::u16string& s) { return Utf16ToUtf8(s); }

// Every code of the table, with its inserts, formatted as the plug-ins raise it.
struct MessageCase {
    KxMessage code;
    std::vector<std::u16string> inserts;
    const char16_t* expected;
};

const MessageCase kMessageCases[] = {
    {KXE_CREATE_FAILED, {u"Data Bindings"}, u"Failed to create 'Data Bindings'"},
    {KXE_CATEGORICAL_UPDATE, {}, u"An error occurred updating the categorical safe array variable"},
    {KXE_UNKNOWN_DATA_TYPE, {}, u"Unknown data type requested"},
    {KXE_TYPE_MISMATCH, {u"abc", u"Text", u"Long"}, u"Type mismatch error, converting 'abc' from Text to Long"},
    {KXE_CLEAR_VALUE, {}, u"Error clearing a value"},
    {KXE_UNSUPPORTED_CATEGORICAL, {}, u"Unsupported categorical value data type"},
    {KXE_NOT_INITIALIZED, {}, u"DSC not initialized.  Unable to complete operation on unintialized connection."},
    {KXE_TABLE_EXISTS, {}, u"Table already exists.  Unable to modify the table definition once created."},
    {KXE_COLUMN_EXISTS, {}, u"Column already exists.  Unable to modify the column definition once created."},
    {KXE_LOCATION_MISSING, {u"bvdreader"},
     u"Location property missing.  The Location property must be set for the bvdreader DSC."},
    {KXE_TABLE_NAME_EXISTS, {u"vdata"}, u"The table 'vdata' already exists"},
    {KXE_COLUMN_NAME_EXISTS, {u"q1"}, u"The column 'q1' already exists"},
    {KXE_NO_DATA_BINDINGS, {}, u"Unable to complete command operation as there are no data bindings"},
    {KXE_COMMAND_CLOSED, {}, u"The command has been closed and is no longer available for use"},
    {KXE_UNABLE_TO_CREATE, {u"/tmp/survey.asc"}, u"Unable to create /tmp/survey.asc\r\n"},
    {KXE_VARIABLE_NOT_IN_LODEX, {u"age"}, u"The variable 'age' does not exist in the Lodex"},
    {KXE_NO_LODEX_DOCUMENT, {}, u"No Lodex Document given"},
    {KXE_XML_LOAD, {u"Invalid at the top level", u"line 3"}, u"XML Load Error: Invalid at the top level - line 3"},
    {KXE_XML_NOT_RECOGNIZED, {u"svy", u"bvd"}, u"XML file not recognized - svy tag found, when expecting bvd"},
    {KXE_XML_UNABLE_TO_LOAD, {}, u"Unable to load the the XML file"},
    {KXE_XML_LOADING, {u"record"}, u"An error occurred loading record"},
};

std::u16string Formatted(DWORD language, const MessageCase& c)
{
    std::vector<FormatInsert> inserts;
    for (const auto& s : c.inserts) inserts.push_back(FormatInsert::Str(s.c_str()));
    CKXError error(language, E_FAIL);
    switch (inserts.size()) {
    case 0: error.SetMessage(c.code); break;
    case 1: error.SetMessage(c.code, inserts[0]); break;
    case 2: error.SetMessage(c.code, inserts[0], inserts[1]); break;
    default: error.SetMessage(c.code, inserts[0], inserts[1], inserts[2]); break;
    }
    return error.GetDescription();
}

TEST(KxMessages, EveryCodeGivesItsTextInEveryLanguage)
{
    // 1033 is the table's language; 1031 is absent and falls back to the
    // table's English; 0 is the default search order.
    for (DWORD language : {1033u, 1031u, 0u})
        for (const auto& c : kMessageCases)
            EXPECT_EQ(Utf8(Formatted(language, c)), Utf8(c.expected))
                << "code 0x" << std::hex << c.code << " language " << std::dec << language;
}

TEST(KxMessages, TheTableHoldsExactlyTheRaisedCodes)
{
    std::set<DWORD> tested;
    for (const auto& c : kMessageCases) tested.insert(c.code);
    std::set<DWORD> table(kAllKxMessages.begin(), kAllKxMessages.end());
    EXPECT_EQ(tested, table);
    EXPECT_EQ(table.size(), kAllKxMessages.size()) << "a code is listed twice";
    // Stored as the message compiler leaves them.
    EXPECT_EQ(Utf8(KxStoredMessageText(KXE_NOT_INITIALIZED)),
              "DSC not initialized.  Unable to complete operation on unintialized connection.%0\r\n");
    EXPECT_EQ(Utf8(KxStoredMessageText(KXE_UNABLE_TO_CREATE)), "Unable to create %1!s!\r\n");
    EXPECT_EQ(KxStoredMessageText(0xC0029999), nullptr);
}

TEST(KxMessages, InsertsOfEveryKind)
{
    CKXError error(0, E_FAIL);
    const std::string ansi = "caf\xE9";  // Windows-1252
    error.SetMessage(KXE_XML_LOAD, ansi, std::u16string(u"\u20AC"));
    EXPECT_EQ(Utf8(error.GetDescription()), "XML Load Error: caf\xC3\xA9 - \xE2\x82\xAC");
    error.SetMessage(KXE_TYPE_MISMATCH, "a", u"b", std::u16string_view(u"cd").substr(1));
    EXPECT_EQ(Utf8(error.GetDescription()), "Type mismatch error, converting 'a' from b to d");
}

TEST(KxMessagesDeathTest, UnknownCodeGivesTheFallbackText)
{
    EXPECT_DEBUG_DEATH(
        {
            CKXError error(1033, E_FAIL);
            error.SetMessage(0xC0029999u);
            EXPECT_EQ(Utf8(error.GetDescription()), "Unable to format error message, ID: 0xc0029999");
            EXPECT_EQ(error.GetHResult(), E_FAIL);
        },
        "Unable to format error message");
}

TEST(KxMessagesDeathTest, MissingInsertGivesTheFallbackText)
{
    EXPECT_DEBUG_DEATH(
        {
            CKXError error(0, E_FAIL);
            error.SetMessage(KXE_TABLE_NAME_EXISTS);
            EXPECT_EQ(Utf8(error.GetDescription()), "Unable to format error message, ID: 0xc0021504");
        },
        "Unable to format error message");
}

// A module whose resources have no message table: the string table is used,
// the entry named by the code.
TEST(KxMessages, StringTableWhenTheModuleHasNoMessageTable)
{
    static const StringTableEntry kStrings[] = {
        {static_cast<UINT>(KXE_TABLE_NAME_EXISTS), 1033, u"String table: '%1!s!'"},
        {100, 1033, u"Brevid"},
    };
    const ModuleResources stringsOnly{nullptr, 0, kStrings, std::size(kStrings)};
    RegisterModuleResources(KxResourceModule(), &stringsOnly);
    CKXError error(1031, E_FAIL);
    error.SetMessage(KXE_TABLE_NAME_EXISTS, u"vdata");
    // Back to the module's own registration (message table and strings).
    KxSetModuleStrings(kStrings);
    EXPECT_EQ(Utf8(error.GetDescription()), "String table: 'vdata'");

    // With the message table back, messages come from it and the string
    // table serves LoadString.
    error.SetMessage(KXE_TABLE_NAME_EXISTS, u"vdata");
    EXPECT_EQ(Utf8(error.GetDescription()), "The table 'vdata' already exists");
    char16_t text[16];
    EXPECT_EQ(LoadStringW(KxResourceModule(), 100, text, 16), 6);
    EXPECT_EQ(std::u16string(text), u"Brevid");
    KxSetModuleStrings({});
    EXPECT_EQ(LoadStringW(KxResourceModule(), 100, text, 16), 0);
}

TEST(KxErrorDeathTest, EmptyDescriptionGivesTheDefaultDescription)
{
    EXPECT_DEBUG_DEATH(
        {
            CKXError error(0, E_FAIL);
            const std::string expected = "Unspecified error in module: " + ModulePath(nullptr);
            EXPECT_EQ(Utf8(error.GetDescription()), expected);
            EXPECT_NE(ModulePath(nullptr), "");
        },
        "error without description");
}

TEST(KxError, SystemText)
{
    struct Case {
        DWORD language;
        HRESULT hr;
        const char* expected;
    };
    const Case cases[] = {
        {1033, E_OUTOFMEMORY,
         "Failed to create 'Tables': Not enough memory resources are available to complete this operation.\r\n"},
        // A language the system table lacks: English.
        {1031, DISP_E_TYPEMISMATCH, "Failed to create 'Tables': Type mismatch.\r\n"},
        // No system text.
        {0, hr_(0x8004D00A), "Failed to create 'Tables': WIN32 error 0x8004d00a"},
        {1033, hr_(0xC0021234), "Failed to create 'Tables': WIN32 error 0xc0021234"},
    };
    for (const auto& c : cases) {
        CKXError error(c.language, E_FAIL);
        error.SetMessageAndSystemText(c.hr, KXE_CREATE_FAILED, u"Tables");
        EXPECT_EQ(Utf8(error.GetDescription()), c.expected) << std::hex << c.hr;
        EXPECT_EQ(error.GetHResult(), E_FAIL) << "the HRESULT is the error's own";
    }
}

TEST(KxError, SystemTextOfTheLastError)
{
    CKXError error(0, E_FAIL);
    error.SetMessage(KXE_UNABLE_TO_CREATE, u"x.asc");
    SetLastError(ERROR_FILE_NOT_FOUND);
    error.AppendSystemText(0);
    EXPECT_EQ(Utf8(error.GetDescription()), "Unable to create x.asc\r\nThe system cannot find the file specified.\r\n");
}

TEST(KxError, RaiseOnlyOnFailure)
{
    EXPECT_NO_THROW(RaiseError(0, S_OK, KXE_CLEAR_VALUE));
    EXPECT_NO_THROW(RaiseError(0, S_FALSE, KXE_CLEAR_VALUE));
    EXPECT_NO_THROW(RaiseErrorWithSystemText(0, S_FALSE, KXE_CREATE_FAILED, u"Value"));
    try {
        RaiseError(1033, DISP_E_BADINDEX, KXE_COLUMN_NAME_EXISTS, u"q1");
        FAIL() << "no throw";
    } catch (CKXError& e) {
        EXPECT_EQ(e.GetHResult(), DISP_E_BADINDEX);
        EXPECT_EQ(e.GetLanguage(), 1033u);
        EXPECT_EQ(Utf8(e.GetDescription()), "The column 'q1' already exists");
        // Errors are thrown by value: a copy carries everything.
        CKXError copy = e;
        EXPECT_EQ(copy.GetHResult(), DISP_E_BADINDEX);
        EXPECT_EQ(copy.GetDescription(), e.GetDescription());
    }
    try {
        RaiseErrorWithSystemText(0, E_OUTOFMEMORY, KXE_CREATE_FAILED, u"Value");
        FAIL() << "no throw";
    } catch (CKXError& e) {
        EXPECT_EQ(e.GetHResult(), E_OUTOFMEMORY);
        EXPECT_EQ(Utf8(e.GetDescription()),
                  "Failed to create 'Value': Not enough memory resources are available to complete this "
                  "operation.\r\n");
    }
}

// ---- COM errors

ComPtr<IErrorInfo> MakeErrorInfo(const char16_t* description)
{
    ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(CreateErrorInfo(create.put()), S_OK);
    if (description) create->SetDescription(const_cast<LPOLESTR>(description));
    return QueryAs<IErrorInfo>(create.get());
}

class KxComErrorText : public ::testing::Test {
protected:
    void SetUp() override { SetErrorInfo(0, nullptr); }
    void TearDown() override { SetErrorInfo(0, nullptr); }

    static std::string Appended(const CKXComError& com, const char16_t* start = u"")
    {
        CKXError error(0, E_FAIL);
        if (*start) error.SetMessage(KXE_XML_LOADING, start);
        error.AppendComError(com);
        return Utf8(error.GetDescription());
    }
};

TEST_F(KxComErrorText, TheFourSourcesInTheirOrder)
{
    // 1. The COM error's own error object wins over the thread's.
    SetErrorInfo(0, MakeErrorInfo(u"thread text").get());
    EXPECT_EQ(Appended(CKXComError(E_FAIL, MakeErrorInfo(u"own text").get(), true), u"survey"),
              "An error occurred loading survey: own text");

    // 2. The thread's error object, which reading takes away.
    EXPECT_EQ(Appended(CKXComError(E_FAIL, MakeErrorInfo(nullptr).get(), true), u"survey"),
              "An error occurred loading survey: thread text");
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);

    // 3. The COM support's message: system text without its line end, the
    //    IDispatch range, unknown codes.
    EXPECT_EQ(Appended(CKXComError(E_FAIL)), "Unspecified error");
    EXPECT_EQ(Appended(CKXComError(hr_(0x80040201))), "IDispatch error #1");
    EXPECT_EQ(Appended(CKXComError(hr_(0x80040201)), u"record"), "An error occurred loading record: IDispatch error #1");
    EXPECT_EQ(Appended(CKXComError(hr_(0x80001234))), "Unknown error 0x80001234");
    // 4. (the HRESULT as "%#08X") is what remains when the support's message
    //    is empty, which the platform's COM support never leaves it.
}

TEST_F(KxComErrorText, SetMessageAndComErrorTakesTheComHResult)
{
    const ComError thrown(DISP_E_EXCEPTION, MakeErrorInfo(u"Invalid at the top level of the document.").get(), true);
    CKXError error(1033, E_FAIL);
    error.SetMessageAndComError(CKXComError(thrown), KXE_XML_UNABLE_TO_LOAD);
    EXPECT_EQ(error.GetHResult(), DISP_E_EXCEPTION);
    EXPECT_EQ(Utf8(error.GetDescription()), "Unable to load the the XML file: Invalid at the top level of the document.");
}

TEST_F(KxComErrorText, CaughtComErrorsAreRaisedWithTheirText)
{
    try {
        try {
            ComIssueError(hr_(0x80040201));
        } catch (const ComError& caught) {
            RaiseComError(1031, caught, KXE_XML_LOADING, u"variable");
        }
        FAIL() << "no throw";
    } catch (CKXError& e) {
        EXPECT_EQ(e.GetHResult(), hr_(0x80040201));
        EXPECT_EQ(e.GetLanguage(), 1031u);
        EXPECT_EQ(Utf8(e.GetDescription()), "An error occurred loading variable: IDispatch error #1");
    }
}

// ---- The boundary helper

constexpr CLSID kUnregistered{0x0BAD0BAD, 0x0001, 0x0002, {9, 9, 9, 9, 9, 9, 9, 9}};

TEST(KxBoundary, NothingEscapes)
{
    const TempRegistry registry;
    EXPECT_EQ(KxBoundary(kUnregistered, IID_IUnknown, [] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(KxBoundary(kUnregistered, IID_IUnknown, []() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(KxBoundary(kUnregistered, IID_IUnknown, []() -> HRESULT { throw std::logic_error("x"); }),
              E_UNEXPECTED);
    EXPECT_EQ(KxBoundary(kUnregistered, IID_IUnknown, []() -> HRESULT { throw 42; }), E_UNEXPECTED);
    EXPECT_EQ(KxBoundary(kUnregistered, IID_IUnknown, []() -> HRESULT { throw CKXComError(DISP_E_OVERFLOW); }),
              DISP_E_OVERFLOW);
    // A CKXError goes to ReportError: with an unregistered class, its
    // failure code comes back.
    EXPECT_EQ(KxBoundary(kUnregistered, IID_IUnknown,
                         []() -> HRESULT {
                             RaiseError(0, E_FAIL, KXE_NOT_INITIALIZED);
                             return S_OK;
                         }),
              REGDB_E_CLASSNOTREG);
}

}  // namespace
