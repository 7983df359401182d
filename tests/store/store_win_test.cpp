// The store's services on the real Win32 calls, where they differ from the POSIX layer: paths
// with backslashes, the file attributes, the system's INI reader and the real registry, with
// text converted between UTF-8 and the ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/app.h"
#include "platform/findfile.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "settings/mdlMain.h"
#include "settings/mdlMainTesting.h"
#include "settings/mdlRegistry.h"
#include "test_folder.h"
#include "test_policy.h"

namespace {

using storetest::StoreFolder;
using storetest::TestFolder;

bool HasAnsi1252() { return ::GetACP() == 1252; }

TEST(AppDirectoryWin, IsTheFolderOfTheModuleJoinedWithBackslashes)
{
    char module[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string expected = std::filesystem::path(std::string(module, length)).parent_path().string();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string directory = platform::AppDirectory();
            std::fprintf(stderr, "[%s]", directory.c_str());
            std::_Exit(directory == expected ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    platform::SetAppDirectory("C:\\Program Files\\Tessaline\\\\");
    EXPECT_EQ(platform::AppDirectory(), "C:\\Program Files\\Tessaline");
    EXPECT_EQ(platform::JoinPath(platform::AppDirectory(), "Lang"), "C:\\Program Files\\Tessaline\\Lang");
}

TEST(IsOrdinaryFileWin, OnlyExistingVisibleDiskFiles)
{
    TestFolder folder;
    const std::string file = folder.Write("skin.skn", "x");
    const std::string hidden = folder.Write("hidden.skn", "x");
    ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string system = folder.Write("system.skn", "x");
    ASSERT_TRUE(::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_NE(::GetFileAttributesA(system.c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u);
    const std::string readOnly = folder.Write("read-only.skn", "x");
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    std::filesystem::create_directory(folder / "dir.skn");
    EXPECT_TRUE(platform::IsOrdinaryFile(file));
    EXPECT_TRUE(platform::IsOrdinaryFile(readOnly));
    EXPECT_FALSE(platform::IsOrdinaryFile(hidden));
    EXPECT_FALSE(platform::IsOrdinaryFile(system));
    EXPECT_FALSE(platform::IsOrdinaryFile(folder / "dir.skn"));
    EXPECT_FALSE(platform::IsOrdinaryFile(folder / "missing"));
    EXPECT_FALSE(platform::IsOrdinaryFile("NUL"));
    EXPECT_FALSE(platform::IsOrdinaryFile(""));
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can be removed
}

std::string Get(const std::string& file, const std::string& key, const std::string& defaultText,
                std::uint32_t size = 255, std::uint32_t* count = nullptr)
{
    std::string out = "untouched";
    const std::uint32_t n =
        platform::GetPrivateProfileStringA("Velthorn", key, defaultText, &out, size, file);
    if (count != nullptr) *count = n;
    return out;
}

// The system reads the file in the ANSI code page and hands back UTF-8 through our layer.
TEST(GetPrivateProfileStringWin, ReadsAnsiAndUtf16AndCountsCharacters)
{
    if (!HasAnsi1252()) SKIP_OR_FAIL_UNDER_CI("needs the ANSI code page 1252");
    TestFolder folder;
    EXPECT_EQ(Get(folder.Write("ansi.ini", "[Velthorn]\nk=caf\xE9 \x80\n"), "k", ""),
              "caf\xC3\xA9 \xE2\x82\xAC");
    const std::string utf16("\xFF\xFE[\0V\0e\0l\0t\0h\0o\0r\0n\0]\0\r\0\n\0k\0=\0\xE9\0", 32);
    EXPECT_EQ(Get(folder.Write("utf16.ini", utf16), "k", ""), "\xC3\xA9");
    std::uint32_t count = 0;
    const std::string file = folder.Write("cut.ini", "[Velthorn]\nk=\xE9\xE8\xEA"
                                                     "abc\n");
    EXPECT_EQ(Get(file, "k", "", 3, &count), "\xC3\xA9\xC3\xA8");
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(Get(file, "k", "", 0, &count), "untouched");
    EXPECT_EQ(Get(file, "missing", "one two  "), "one two");
    EXPECT_EQ(Get(folder / "none.ini", "k", "caf\xC3\xA9"), "caf\xC3\xA9");
}

// UTF-8 language files are read byte for byte as ANSI text, a BOM included: the first section
// header is then not "[Velthorn]" on Windows (Wine skips the BOM, Windows does not).
TEST(GetPrivateProfileStringWin, ReadsUtf8AsAnsiBytes)
{
    if (!HasAnsi1252()) SKIP_OR_FAIL_UNDER_CI("needs the ANSI code page 1252");
    TestFolder folder;
    EXPECT_EQ(Get(folder.Write("utf8.ini", "[Velthorn]\nk=\xC3\xA9\n"), "k", ""), "\xC3\x83\xC2\xA9");  // Ã©
}

// Text values cross in the ANSI code page; the sizes the layer reports are those of UTF-8.
TEST(RegistryWin, TextValuesRoundTripThroughTheAnsiCodePage)
{
    if (!HasAnsi1252()) SKIP_OR_FAIL_UNDER_CI("needs the ANSI code page 1252");
    StoreFolder folder;
    ASSERT_EQ(
        mdlRegistry::SetRegistryValue("Software\\Q", "caf\xC3\xA9", std::string("\xC3\xA9t\xC3\xA9"), 1),
        platform::kErrorSuccess);
    HKEY raw = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Q", 0, KEY_READ, &raw), ERROR_SUCCESS);
    char data[16] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    EXPECT_EQ(::RegQueryValueExA(raw, "caf\xE9", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    EXPECT_EQ(std::string(data, size), std::string("\xE9t\xE9\0", 4));

    platform::RegKey key = 0;
    ASSERT_EQ(platform::RegOpenKeyExA(platform::kHkeyCurrentUser, "Software\\Q", 0, platform::kKeyRead, &key),
              platform::kErrorSuccess);
    std::uint32_t length = 0;
    EXPECT_EQ(platform::RegQueryValueExA(key, "caf\xC3\xA9", nullptr, nullptr, nullptr, &length),
              platform::kErrorSuccess);
    platform::RegCloseKey(key);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(mdlRegistry::QueryRegistryValue(platform::kHkeyCurrentUser, "Software\\Q", "caf\xC3\xA9", "d"),
              "\xC3\xA9t\xC3\xA9");
}

TEST(RegistryWin, PathsWithALeadingBackslashAreRefusedAndWritesReportFailures)
{
    StoreFolder folder;
    EXPECT_EQ(mdlRegistry::SetRegistryValue("\\Software\\Q", "", std::string("x"), 1),
              platform::kErrorBadPathname);
    EXPECT_EQ(mdlRegistry::QueryRegistryValue(platform::kHkeyCurrentUser, "Software\\Q", "", "<default>"),
              "<default>");
    // A key name longer than the system allows can be neither created nor opened.
    EXPECT_NE(mdlRegistry::SetRegistryValue("Software\\Q\\" + std::string(300, 'k'), "", std::string("x"), 1),
              platform::kErrorSuccess);
}

// Names beginning with a dot are ordinary on Windows; the pattern matches without regard to case.
TEST(FindFileWin, ListsEveryMatchTheSystemReturns)
{
    TestFolder folder;
    for (const char* name : {"b.ini", "A.INI", ".dot.ini", "notes.txt"})
        folder.Write(std::string("Lang/") + name, "");
    std::filesystem::create_directory(folder / "Lang/x.ini");
    std::vector<std::pair<std::string, bool>> found;
    platform::FindData data;
    const platform::FindHandle handle = platform::FindFirstFileA(folder / "Lang/*.ini", &data);
    ASSERT_NE(handle, platform::kInvalidFindHandle);
    do {
        found.emplace_back(data.fileName, data.isDirectory);
    } while (platform::FindNextFileA(handle, &data));
    EXPECT_TRUE(platform::FindClose(handle));
    EXPECT_FALSE(platform::FindClose(handle));
    EXPECT_FALSE(platform::FindNextFileA(handle, &data));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::pair<std::string, bool>>{
                         {".dot.ini", false}, {"A.INI", false}, {"b.ini", false}, {"x.ini", true}}));
}

// Language files are ANSI text there; a text is cut to 254 bytes of it, one character each.
TEST(LanguageWin, CutsAnsiTextsTo254Characters)
{
    if (!HasAnsi1252()) SKIP_OR_FAIL_UNDER_CI("needs the ANSI code page 1252");
    StoreFolder folder;
    mdlMain::ResetForTesting();
    folder.Write("app/Lang/en.ini", "[Velthorn]\n2003=\xE9" + std::string(299, 'z') + "\n");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::GetLangString("2003", ""), "\xC3\xA9" + std::string(253, 'z'));
}

}  // namespace
