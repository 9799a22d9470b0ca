// The registrar: scripts in registration and removal mode, marks, shared
// keys, replacements and script errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/registrar.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"

namespace {

ComPtr<IRegistrar> NewRegistrar()
{
    ComPtr<IRegistrar> r;
    EXPECT_EQ(CreateRegistrarInstance(nullptr, IID_IRegistrar, r.put_void()), S_OK);
    return r;
}

std::string ErrorText(IRegistrar* r)
{
    BStr text;
    EXPECT_EQ(r->GetErrorText(text.put()), S_OK);
    return text.ToUtf8();
}

constexpr const char16_t* kClsidPath = u"CLSID\\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}";
constexpr const char16_t* kProviders = u"SOFTWARE\\Norvane\\QX Data Providers";

// Shaped like a plug-in's class script.
constexpr const char16_t* kClassScript = uR"(
HKCR
{
    Test.Widget.1 = s 'Test Widget Class'
    {
        CLSID = s '{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}'
    }
    Test.Widget = s 'Test Widget Class'
    {
        CLSID = s '{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}'
        CurVer = s 'Test.Widget.1'
        Description = s 'Test Source'
        {
            val Title = s 'Brevid XML Data'
            val Filter = s 'Brevid XML Files|*.xml'
            val CanRead = d 1
            val CanWrite = d '0'
            val SourceType = d 0x10
        }
    }
    NoRemove CLSID
    {
        ForceRemove {6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36} = s 'Test Widget Class'
        {
            ProgID = s 'Test.Widget.1'
            VersionIndependentProgID = s 'Test.Widget'
            Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Both'
            }
            'Implemented Categories'
            {
                {C0FFEE00-0000-0000-0000-000000000001}
            }
        }
    }
    NoRemove 'Component Categories'
    {
        NoRemove {C0FFEE00-0000-0000-0000-000000000001}
        {
            val 400 = s 'Norvane QX Components'
        }
    }
}
HKLM
{
    NoRemove SOFTWARE
    {
        NoRemove Norvane
        {
            NoRemove 'QX Data Providers'
            {
                Bvdreader = s 'Norvane QX Brevid Data Source Component'
                {
                    val Casedata = s 'Test.Widget'
                }
            }
        }
    }
}
)";

// A second module's entry under the same data-provider key.
constexpr const char16_t* kMetaScript = uR"(
HKLM
{
    NoRemove SOFTWARE
    {
        NoRemove Norvane
        {
            NoRemove 'QX Data Providers'
            {
                Bvdreader
                {
                    val Metadata = s 'Bvdmeta.bvdMetadata'
                }
            }
        }
    }
}
)";

}  // namespace

TEST(Registrar, RegistersAndRemovesAClassScript)
{
    TempRegistry reg;
    ComPtr<IRegistrar> r = NewRegistrar();
    ASSERT_EQ(r->AddReplacement(u"Module", u"/opt/bvd/lib/libwidget.so"), S_OK);
    ASSERT_EQ(r->StringRegister(kClassScript), S_OK) << ErrorText(r.get());

    const std::u16string clsid = kClsidPath;
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Test.Widget.1"), u"Test Widget Class");
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Test.Widget\\CurVer"), u"Test.Widget.1");
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, clsid + u"\\ProgID"), u"Test.Widget.1");
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, clsid + u"\\InprocServer32"), u"/opt/bvd/lib/libwidget.so");
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, clsid + u"\\InprocServer32", u"ThreadingModel"), u"Both");
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, clsid + u"\\Programmable"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT,
                             clsid + u"\\Implemented Categories\\{C0FFEE00-0000-0000-0000-000000000001}"));
    EXPECT_EQ(RegReadDword(HKEY_CLASSES_ROOT, u"Test.Widget\\Description", u"CanRead"), 1u);
    EXPECT_EQ(RegReadDword(HKEY_CLASSES_ROOT, u"Test.Widget\\Description", u"CanWrite"), 0u);
    EXPECT_EQ(RegReadDword(HKEY_CLASSES_ROOT, u"Test.Widget\\Description", u"SourceType"), 16u);
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Component Categories\\{C0FFEE00-0000-0000-0000-000000000001}",
                            u"400"),
              u"Norvane QX Components");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, std::u16string(kProviders) + u"\\Bvdreader", u"Casedata"),
              u"Test.Widget");

    // Registering again changes nothing; a stray value under the ForceRemove
    // key goes, one beside it under the NoRemove key stays.
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, clsid, u"Stray", u"x"), ERROR_SUCCESS);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-00000000000A}", u"", u"other"),
              ERROR_SUCCESS);
    const std::string before = reg.Text();
    ASSERT_EQ(r->StringRegister(kClassScript), S_OK);
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, clsid, u"Stray"), std::nullopt);
    EXPECT_NE(reg.Text(), before);

    ASSERT_EQ(r->StringUnregister(kClassScript), S_OK) << ErrorText(r.get());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Widget"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Test.Widget.1"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-00000000000A}"), u"other");
    // Never-remove keys stay, with what the script named inside them gone.
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"Component Categories\\{C0FFEE00-0000-0000-0000-000000000001}"));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Component Categories\\{C0FFEE00-0000-0000-0000-000000000001}",
                            u"400"),
              std::nullopt);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProviders));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, std::u16string(kProviders) + u"\\Bvdreader"));
    // Removing what is not there is no error.
    EXPECT_EQ(r->StringUnregister(kClassScript), S_OK);
}

TEST(Registrar, SharedKeyKeepsTheOtherModulesValue)
{
    const std::u16string key = std::u16string(kProviders) + u"\\Bvdreader";
    for (bool readerFirst : {true, false}) {
        SCOPED_TRACE(readerFirst ? "reader removed first" : "metadata removed first");
        TempRegistry reg;
        ComPtr<IRegistrar> r = NewRegistrar();
        r->AddReplacement(u"MODULE", u"/x.so");
        ASSERT_EQ(r->StringRegister(kClassScript), S_OK);
        ASSERT_EQ(r->StringRegister(kMetaScript), S_OK);
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key, u"Casedata"), u"Test.Widget");
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key, u"Metadata"), u"Bvdmeta.bvdMetadata");
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key), u"Norvane QX Brevid Data Source Component");

        ASSERT_EQ(r->StringUnregister(readerFirst ? kClassScript : kMetaScript), S_OK);
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, key));
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key, u"Casedata"),
                  readerFirst ? std::nullopt : std::optional<std::u16string>(u"Test.Widget"));
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key, u"Metadata"),
                  readerFirst ? std::optional<std::u16string>(u"Bvdmeta.bvdMetadata") : std::nullopt);

        ASSERT_EQ(r->StringUnregister(readerFirst ? kMetaScript : kClassScript), S_OK);
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, key));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProviders));
    }
}

TEST(Registrar, MarksDeleteAndForceRemove)
{
    TempRegistry reg;
    ComPtr<IRegistrar> r = NewRegistrar();
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Old\\Deep\\Deeper", u"v", u"x"), ERROR_SUCCESS);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Forced\\Child", u"v", u"x"), ERROR_SUCCESS);
    // Delete goes with its subtree at registration and is left alone at
    // removal; ForceRemove goes with its subtree at removal, whatever others
    // wrote in it.
    constexpr const char16_t* script = uR"(HKCR {
        Delete Old
        forceremove Forced { val Mine = d 7 }
    })";
    ASSERT_EQ(r->StringRegister(script), S_OK) << ErrorText(r.get());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Old"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Forced\\Child"));
    EXPECT_EQ(RegReadDword(HKEY_CLASSES_ROOT, u"Forced", u"Mine"), 7u);

    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Old", u"", u"back"), ERROR_SUCCESS);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Forced\\Other", u"", u"someone else's"), ERROR_SUCCESS);
    ASSERT_EQ(r->StringUnregister(script), S_OK);
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Old"), u"back");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Forced"));

    // An ordinary key that holds another module's subkey stays at removal.
    ASSERT_EQ(r->StringRegister(u"HKCR { Plain = s 'mine' { val A = s 'a' } }"), S_OK);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Plain\\Foreign", u"", u"f"), ERROR_SUCCESS);
    ASSERT_EQ(r->StringUnregister(u"HKCR { Plain = s 'mine' { val A = s 'a' } }"), S_OK);
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"Plain\\Foreign"));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Plain", u"A"), std::nullopt);
}

TEST(Registrar, Replacements)
{
    TempRegistry reg;
    ComPtr<IRegistrar> r = NewRegistrar();
    // A replaced text with quotes, braces and blanks stays one name or text.
    ASSERT_EQ(r->AddReplacement(u"Module", u"/home/o'brien/my {lib}.so"), S_OK);
    ASSERT_EQ(r->AddReplacement(u"Name", u"first"), S_OK);
    ASSERT_EQ(r->AddReplacement(u"NAME", u"second"), S_OK);  // replaces, whatever the case
    ASSERT_EQ(r->StringRegister(uR"(HKCR { 'K %name%' = s '%module%' { val P = s '100%% of %Name%' } })"), S_OK)
        << ErrorText(r.get());
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"K second"), u"/home/o'brien/my {lib}.so");
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"K second", u"P"), u"100% of second");

    ASSERT_EQ(r->ClearReplacements(), S_OK);
    EXPECT_EQ(r->StringRegister(u"HKCR { X = s '%MODULE%' }"), DISP_E_EXCEPTION);
    EXPECT_EQ(ErrorText(r.get()), "line 1: unknown replacement %MODULE%");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"X"));
    EXPECT_EQ(r->AddReplacement(nullptr, u"x"), E_INVALIDARG);
}

TEST(Registrar, ScriptErrorsAreReportedAndChangeNothing)
{
    TempRegistry reg;
    ComPtr<IRegistrar> r = NewRegistrar();
    struct {
        const char16_t* script;
        const char* message;
    } const cases[] = {
        {u"HKCU { A }", "line 1: unsupported root key 'HKCU'"},
        {u"HKCR { A = s 'x' }\nHKCR {\n B = b '00' }", "line 3: unsupported value type 'b' (s and d are known)"},
        {u"HKCR { A = s unquoted }", "line 1: expected quoted text, found 'unquoted'"},
        {u"HKCR { A = d 12x }", "line 1: bad number '12x'"},
        {u"HKCR { A = d 4294967296 }", "line 1: number '4294967296' above 32 bits"},
        {u"HKCR { A { B }", "line 1: missing '}'"},
        {u"HKCR { 'A\\B' }", "line 1: '\\' in the key name quoted text (one key per name)"},
        {u"HKCR {\n\n 'open }", "line 3: unterminated quoted text"},
        {u"HKCR { val V = s 'x' }", "line 1: a value directly under a root key"},
        {u"HKCR { NoRemove ForceRemove A }", "line 1: a key with two marks"},
        {u"HKCR { A = s '50%' }", "line 1: '%' without its closing '%' (write %% for one)"},
        {u"HKCR { A { val = s 'x' } }", "line 1: expected a value name, found '='"},
        {u"HKCR A", "line 1: expected '{', found 'A'"},
        {u"HKCR { {6B0A9F52 } }", "line 1: white space inside a {...} name"},
        {u"HKCR { A } }", "line 1: expected a root key, found '}'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r->StringRegister(c.script), DISP_E_EXCEPTION) << c.message;
        EXPECT_EQ(ErrorText(r.get()), c.message);
        EXPECT_EQ(r->StringUnregister(c.script), DISP_E_EXCEPTION) << c.message;
    }
    // Nothing was written, not even the first root of a script that failed later.
    EXPECT_FALSE(std::filesystem::exists(reg.File()));
    // After a success the error text is gone.
    ASSERT_EQ(r->StringRegister(u"HKLM { A }"), S_OK);
    BStr text;
    EXPECT_EQ(r->GetErrorText(text.put()), S_OK);
    EXPECT_EQ(text.get(), nullptr);
}

TEST(Registrar, EmptyBlocksAndBracesAroundNames)
{
    TempRegistry reg;
    ComPtr<IRegistrar> r = NewRegistrar();
    // '{' opens a block when white space, a brace or a quote follows it.
    ASSERT_EQ(r->StringRegister(u"HKCR{'A'{}{B}={s '1'}\tC{'D'}}"), DISP_E_EXCEPTION);
    ASSERT_EQ(r->StringRegister(u"HKCR{ 'A'{} {B} = s '1' C{'D'} }"), S_OK) << ErrorText(r.get());
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"A"));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"{B}"), u"1");
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"C\\D"));
}

TEST(Registrar, RegistryFailureIsReturned)
{
    TempRegistry reg;
    std::ofstream(reg.File()) << "garbage\n";
    ComPtr<IRegistrar> r = NewRegistrar();
    EXPECT_EQ(r->StringRegister(u"HKCR { A }"), HRESULT_FROM_WIN32(ERROR_BADDB));
    EXPECT_NE(ErrorText(r.get()).find("could not be parsed"), std::string::npos);
}
