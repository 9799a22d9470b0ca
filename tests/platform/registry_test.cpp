// The registry: values and keys through the file, the original's calling
// conventions and error codes, enumeration order, case-insensitive names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/registry.h"
#include "tests/platform/temp_registry.h"

namespace {

RegKey Create(HKEY root, const char16_t* path)
{
    RegKey key;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), &disposition),
              ERROR_SUCCESS);
    return key;
}

LONG SetSz(HKEY key, const char16_t* name, std::u16string_view text)
{
    const std::u16string t(text);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                          static_cast<DWORD>((t.size() + 1) * 2));
}

LONG SetDword(HKEY key, const char16_t* name, DWORD v)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
}

std::vector<std::u16string> SubkeyNames(HKEY key)
{
    std::vector<std::u16string> names;
    char16_t buf[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        const LONG err = RegEnumKeyExW(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr);
        if (err == ERROR_NO_MORE_ITEMS) break;
        EXPECT_EQ(err, ERROR_SUCCESS);
        if (err != ERROR_SUCCESS) break;
        names.emplace_back(buf, len);
    }
    return names;
}

std::vector<std::u16string> ValueNames(HKEY key)
{
    std::vector<std::u16string> names;
    char16_t buf[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        const LONG err = RegEnumValueW(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr);
        if (err == ERROR_NO_MORE_ITEMS) break;
        EXPECT_EQ(err, ERROR_SUCCESS);
        if (err != ERROR_SUCCESS) break;
        names.emplace_back(buf, len);
    }
    return names;
}

}  // namespace

TEST(Registry, RoundTripThroughTheFile)
{
    TempRegistry reg;
    {
        RegKey k = Create(HKEY_CLASSES_ROOT, u"CLSID\\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}");
        EXPECT_EQ(SetSz(k.get(), nullptr, u"Test Widget"), ERROR_SUCCESS);
        EXPECT_EQ(SetSz(k.get(), u"ThreadingModel", u"Both"), ERROR_SUCCESS);
        EXPECT_EQ(SetDword(k.get(), u"CanRead", 1), ERROR_SUCCESS);
        RegKey empty = Create(k.get(), u"Programmable");
        RegKey m = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane");
        EXPECT_EQ(SetDword(m.get(), u"Max", 0xFFFFFFFFu), ERROR_SUCCESS);
    }
    EXPECT_EQ(reg.Text(),
              "; bvd registry 1\n"
              "[HKEY_CLASSES_ROOT]\n"
              "[HKEY_CLASSES_ROOT\\CLSID]\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}]\n"
              "@=\"Test Widget\"\n"
              "\"ThreadingModel\"=\"Both\"\n"
              "\"CanRead\"=dword:00000001\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}\\Programmable]\n"
              "[HKEY_LOCAL_MACHINE]\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvane]\n"
              "\"Max\"=dword:FFFFFFFF\n");

    // Read back through the API, with the original's size conventions.
    RegKey k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}", 0, KEY_READ,
                            k.put()),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(k.get(), u"", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 24u);  // 11 characters and the zero
    char16_t small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 24u);
    char16_t text[32];
    size = sizeof text;
    ASSERT_EQ(RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), u"Test Widget");
    DWORD n = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueExW(k.get(), u"CanRead", nullptr, &type, reinterpret_cast<BYTE*>(&n), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane", u"Max"), 0xFFFFFFFFu);
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"CLSID\\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}", u"ThreadingModel"),
              u"Both");
    // A value of the other type does not read as this one.
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane", u"Max"), std::nullopt);
}

TEST(Registry, TextEscapesSurviveTheFile)
{
    TempRegistry reg;
    const std::u16string cases[] = {
        u"",
        u"quote \" backslash \\ tab \t",
        u"line one\nline two\r\n",
        u"caf\u00e9 \u20ac \U0001F600",
        std::u16string(u"lone \xD800 high and \xDC00 low"),
        std::u16string(u"bell \x07 and del \x7F"),
        u"[HKEY_CLASSES_ROOT\\fake]",
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::u16string name = u"v" + Utf8ToUtf16(std::to_string(i)) + u" \"odd\" name";
        ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"Escapes", name, cases[i]), ERROR_SUCCESS);
    }
    // One line per value, whatever the text holds.
    const std::string file = reg.Text();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4 + static_cast<long>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::u16string name = u"v" + Utf8ToUtf16(std::to_string(i)) + u" \"odd\" name";
        EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Escapes", name), cases[i]) << "case " << i;
    }
}

TEST(Registry, NamesIgnoreCaseAndKeepTheirOwn)
{
    TempRegistry reg;
    {
        RegKey k = Create(HKEY_CLASSES_ROOT, u"Bvdreader.Source");
        SetSz(k.get(), u"CurVer", u"one");
    }
    // Open and create find the existing key whatever the case.
    RegKey k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"BVDREADER.source", 0, KEY_READ, k.put()), ERROR_SUCCESS);
    RegKey again;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"bvdreader.SOURCE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              again.put(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    // Setting "CURVER" replaces "CurVer" and keeps its name.
    EXPECT_EQ(SetSz(again.get(), u"CURVER", u"two"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(k.get()), std::vector<std::u16string>{u"CurVer"});
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"bvdreader.source", u"curver"), u"two");
    RegKey root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, nullptr, 0, KEY_READ, root.put()), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::u16string>{u"Bvdreader.Source"});
    // Only ASCII letters fold.
    RegKey e = Create(HKEY_CLASSES_ROOT, u"\u00c9t\u00e9");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"\u00e9t\u00e9"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"\u00c9T\u00e9"));
}

TEST(Registry, EnumerationOrder)
{
    TempRegistry reg;
    RegKey k = Create(HKEY_LOCAL_MACHINE, u"Order");
    for (const char16_t* name : {u"gamma", u"Beta", u"alpha", u"Delta2", u"delta10"}) Create(k.get(), name);
    // Subkeys: alphabetical without regard to case.
    EXPECT_EQ(SubkeyNames(k.get()),
              (std::vector<std::u16string>{u"alpha", u"Beta", u"delta10", u"Delta2", u"gamma"}));
    // Values: the order first set; setting again keeps the place; the default
    // value enumerates with the empty name.
    SetSz(k.get(), u"zeta", u"1");
    SetDword(k.get(), u"Alpha", 2);
    SetSz(k.get(), nullptr, u"default");
    SetSz(k.get(), u"ZETA", u"3");
    EXPECT_EQ(ValueNames(k.get()), (std::vector<std::u16string>{u"zeta", u"Alpha", u""}));

    // The enumeration's buffer conventions.
    char16_t name[8];
    DWORD len = 4;  // "zeta" and its zero need 5
    EXPECT_EQ(RegEnumValueW(k.get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    len = 5;
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegEnumValueW(k.get(), 0, name, &len, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);  // "3" and its zero
    len = 5;
    EXPECT_EQ(RegEnumKeyExW(k.get(), 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Beta");
    len = 6;
    EXPECT_EQ(RegEnumKeyExW(k.get(), 2, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    len = 8;
    EXPECT_EQ(RegEnumKeyExW(k.get(), 5, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumValueW(k.get(), 3, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST(Registry, DeletingValuesKeysAndTrees)
{
    TempRegistry reg;
    RegKey top = Create(HKEY_CLASSES_ROOT, u"Top");
    RegKey mid = Create(top.get(), u"Mid\\Leaf");
    SetSz(top.get(), u"v", u"x");
    SetDword(mid.get(), u"n", 5);

    EXPECT_EQ(RegDeleteValueW(top.get(), u"V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(top.get(), u"v"), ERROR_FILE_NOT_FOUND);
    // A key with subkeys is not deleted by RegDeleteKey.
    EXPECT_EQ(RegDeleteKeyW(top.get(), u"Mid"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(top.get(), u"Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(top.get(), u"mid\\leaf"), ERROR_SUCCESS);
    // The handle to the deleted key says so.
    EXPECT_EQ(SetDword(mid.get(), u"n", 6), static_cast<LONG>(ERROR_KEY_DELETED));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(mid.get(), u"n", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"Top\\Mid"));

    Create(top.get(), u"Mid\\A\\B\\C");
    SetSz(top.get(), u"w", u"y");
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"top\\mid"), ERROR_SUCCESS);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, u"Top\\Mid"));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, u"Top", u"w"), u"y");
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Top\\Mid"), ERROR_FILE_NOT_FOUND);

    // A null subkey empties the key and keeps it.
    Create(top.get(), u"Again");
    EXPECT_EQ(RegDeleteTreeW(top.get(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, u"Top"));
    EXPECT_TRUE(SubkeyNames(top.get()).empty());
    EXPECT_TRUE(ValueNames(top.get()).empty());
    // A hive stays.
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);
}

TEST(Registry, RefusesWhatItCannotHold)
{
    TempRegistry reg;
    RegKey k = Create(HKEY_CLASSES_ROOT, u"K");
    RegKey out;
    const BYTE bytes[4] = {1, 2, 3, 4};
    struct {
        const char* what;
        LONG got;
        LONG want;
    } const cases[] = {
        {"binary value", RegSetValueExW(k.get(), u"b", 0, REG_BINARY, bytes, 4), ERROR_INVALID_PARAMETER},
        {"dword of 2 bytes", RegSetValueExW(k.get(), u"d", 0, REG_DWORD, bytes, 2), ERROR_INVALID_PARAMETER},
        {"odd text size", RegSetValueExW(k.get(), u"s", 0, REG_SZ, bytes, 3), ERROR_INVALID_PARAMETER},
        {"empty key name", RegCreateKeyExW(k.get(), u"a\\\\b", 0, nullptr, 0, 0, nullptr, out.put(), nullptr),
         ERROR_INVALID_PARAMETER},
        {"control character", RegCreateKeyExW(k.get(), u"a\nb", 0, nullptr, 0, 0, nullptr, out.put(), nullptr),
         ERROR_INVALID_PARAMETER},
        {"name of 256", RegCreateKeyExW(k.get(), std::u16string(256, u'x').c_str(), 0, nullptr, 0, 0, nullptr,
                                        out.put(), nullptr),
         ERROR_INVALID_PARAMETER},
        {"missing key", RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Nowhere", 0, KEY_READ, out.put()), ERROR_FILE_NOT_FOUND},
        {"unknown handle", RegOpenKeyExW(reinterpret_cast<HKEY>(uintptr_t{0x1234}), nullptr, 0, 0, out.put()),
         ERROR_INVALID_HANDLE},
        {"close unknown", RegCloseKey(reinterpret_cast<HKEY>(uintptr_t{0x1234})), ERROR_INVALID_HANDLE},
        {"missing value", RegDeleteValueW(k.get(), u"none"), ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    // A trailing '\' is allowed; the name of 255 is.
    EXPECT_EQ(RegCreateKeyExW(k.get(), u"trail\\", 0, nullptr, 0, 0, nullptr, out.put(), nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegCreateKeyExW(k.get(), std::u16string(255, u'x').c_str(), 0, nullptr, 0, 0, nullptr, out.put(),
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(k.get()), (std::vector<std::u16string>{u"trail", std::u16string(255, u'x')}));
}

TEST(Registry, CorruptFileIsReportedAndLeftAlone)
{
    TempRegistry reg;
    const char* bad = "; bvd registry 1\n[HKEY_CLASSES_ROOT]\n\"v\"=unquoted\n";
    std::ofstream(reg.File()) << bad;
    RegKey k;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"", 0, KEY_READ, k.put()), static_cast<LONG>(ERROR_BADDB));
    EXPECT_EQ(RegWriteString(HKEY_CLASSES_ROOT, u"X", u"", u"y"), static_cast<LONG>(ERROR_BADDB));
    EXPECT_EQ(reg.Text(), bad);
}

TEST(Registry, HandEditedFileIsAccepted)
{
    TempRegistry reg;
    // Comments, blank lines, CR LF endings and a section without its parent.
    std::ofstream(reg.File()) << "; edited by hand\r\n\r\n[hkey_local_machine\\A\\B]\r\n@=\"x\"\r\n"
                                 "\"n\"=dword:1f\r\n";
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, u"a\\b"), u"x");
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, u"A\\B", u"n"), 0x1Fu);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, u"A"));
}

TEST(Registry, FileLocation)
{
    const char* saved[] = {"BVD_REGISTRY", "XDG_DATA_HOME", "HOME"};
    std::vector<std::optional<std::string>> old;
    for (const char* v : saved)
        old.push_back(std::getenv(v) ? std::optional<std::string>(std::getenv(v)) : std::nullopt);

    ::setenv("BVD_REGISTRY", "/x/explicit", 1);
    ::setenv("XDG_DATA_HOME", "/x/data", 1);
    ::setenv("HOME", "/x/home", 1);
    EXPECT_EQ(RegistryFilePath(), "/x/explicit");
    ::unsetenv("BVD_REGISTRY");
    EXPECT_EQ(RegistryFilePath(), "/x/data/bvd/registry");
    ::setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(RegistryFilePath(), "/x/home/.local/share/bvd/registry");

    for (size_t i = 0; i < std::size(saved); ++i) {
        if (old[i])
            ::setenv(saved[i], old[i]->c_str(), 1);
        else
            ::unsetenv(saved[i]);
    }
}
