#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/mdlMain.h"
#include "settings/mdlMainTesting.h"
#include "settings/mdlRegistry.h"
#include "test_folder.h"

namespace {

using storetest::StoreFolder;

class LanguageTest : public testing::Test {
protected:
    void SetUp() override
    {
        mdlMain::ResetForTesting();
        platform::SetUiHooks({[this](const std::string& text, platform::MessageIcon icon) {
                                  messages_.push_back(text);
                                  icon_ = icon;
                              },
                              [this](int status) { endStatus_ = status; }});
    }
    void TearDown() override { platform::SetUiHooks({}); }

    void AddLanguage(const std::string& fileName, const std::string& contents = "[Velthorn]\n")
    {
        folder_.Write("app/Lang/" + fileName, contents);
    }
    void StoreIndex(const std::string& values)
    {
        folder_.WriteStore("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorvane\\Input_Setting\\Language]\n" +
                           values);
    }
    std::string LangPath(const std::string& fileName) const { return folder_ / ("app/Lang/" + fileName); }

    StoreFolder folder_;
    std::vector<std::string> messages_;
    platform::MessageIcon icon_ = platform::MessageIcon::None;
    int endStatus_ = -1;
};

TEST_F(LanguageTest, OneFileAndNoStoredIndex)
{
    AddLanguage("de.ini");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::LangCount, 1);
    EXPECT_EQ(mdlMain::LangNames[0], "de");
    EXPECT_EQ(mdlMain::LangFilePath, LangPath("de.ini"));
    EXPECT_TRUE(messages_.empty());
}

struct IndexCase {
    const char* name;
    int files;
    std::string stored;  // value line of the language key
    std::string expected;
};

void PrintTo(const IndexCase& c, std::ostream* out) { *out << c.name; }

class LanguageIndex : public LanguageTest, public testing::WithParamInterface<IndexCase> {};

TEST_P(LanguageIndex, PicksTheFileOfTheListing)
{
    for (int i = 0; i < GetParam().files; ++i)
        AddLanguage(std::string(1, static_cast<char>('a' + i)) + ".ini");
    StoreIndex(GetParam().stored);
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::LangFilePath, LangPath(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, LanguageIndex,
                         testing::Values(IndexCase{"third", 3, "@=\"2\"\n", "c.ini"},
                                         IndexCase{"pastTheEnd", 3, "@=\"3\"\n", "a.ini"},
                                         IndexCase{"halfWithOneFile", 1, "@=\"0.5\"\n", "a.ini"},
                                         IndexCase{"oneAndAHalfGoesToEven", 3, "@=\"1.5\"\n", "c.ini"},
                                         IndexCase{"halfGoesToEvenZero", 3, "@=\"0.5\"\n", "a.ini"},
                                         IndexCase{"blanksAround", 3, "@=\" 1 \"\n", "b.ini"},
                                         IndexCase{"empty", 3, "@=\"\"\n", "a.ini"},
                                         IndexCase{"notANumber", 3, "@=\"two\"\n", "a.ini"},
                                         IndexCase{"negative", 3, "@=\"-1\"\n", "a.ini"},
                                         IndexCase{"dword", 3, "@=dword:00000001\n", "b.ini"},
                                         IndexCase{"withoutNul", 3, "@=hex(1):32\n", "c.ini"},
                                         IndexCase{"otherValueOnly", 3, "\"x\"=\"2\"\n", "a.ini"}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(LanguageTest, NameIsEverythingBeforeTheLastDot)
{
    AddLanguage("en.us.ini", "[Velthorn]\n2000=Wizard\n");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::LangNames[0], "en.us");
    EXPECT_EQ(mdlMain::LangFilePath, folder_ / "app/Lang/en.us.ini");
    EXPECT_EQ(mdlMain::GetLangString("2000", ""), "Wizard");
}

TEST_F(LanguageTest, ListsAtMost21EntriesSortedAndCountsFolders)
{
    for (int i = 0; i < 30; ++i)
        AddLanguage("lang" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".ini");
    std::filesystem::create_directories(folder_ / "app/Lang/Lang05x.ini");
    AddLanguage("readme.txt");
    StoreIndex("@=\"20\"\n");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::LangCount, 21);
    EXPECT_EQ(mdlMain::LangNames[5], "lang05");
    EXPECT_EQ(mdlMain::LangNames[6], "Lang05x");
    EXPECT_EQ(mdlMain::LangNames[20], "lang19");
    EXPECT_EQ(mdlMain::LangFilePath, LangPath("lang19.ini"));
}

TEST_F(LanguageTest, AFolderNamedLikeALanguageFileCounts)
{
    std::filesystem::create_directories(folder_ / "app/Lang/x.ini");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::LangCount, 1);
    EXPECT_EQ(mdlMain::GetLangString("2000", "d"), "d");
}

TEST_F(LanguageTest, NoLanguageFileTellsTheUserAndEndsTheProgram)
{
    folder_.Write("app/Lang/readme.txt", "");
    EXPECT_THROW(mdlMain::LoadLanguage(), platform::ProgramEnded);
    EXPECT_EQ(messages_, std::vector<std::string>{"No Language files found"});
    EXPECT_EQ(icon_, platform::MessageIcon::Information);
    EXPECT_EQ(endStatus_, 1);
    EXPECT_TRUE(mdlMain::LangFilePath.empty());
}

TEST(LanguageDeathTest, WithoutHooksTheProgramEndsWithStatus1)
{
    StoreFolder folder;
    mdlMain::ResetForTesting();
    EXPECT_EXIT(mdlMain::LoadLanguage(), testing::ExitedWithCode(1), "No Language files found");
}

#ifndef _WIN32
TEST_F(LanguageTest, LooksUpTextsWithDefaultsAndCutsThemTo254Characters)
{
    AddLanguage("en.ini", "[Velthorn]\n2000=Brimcott\n2002=" + std::string(300, 'y') + "\n2003=\xC3\xA9" +
                              std::string(299, 'z') + "\n2104=first\n2105=second\n");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::GetLangString("2000", ""), "Brimcott");
    EXPECT_EQ(mdlMain::GetLangString("2002", ""), std::string(254, 'y'));
    EXPECT_EQ(mdlMain::GetLangString("2003", ""), "\xC3\xA9" + std::string(253, 'z'));
    EXPECT_EQ(mdlMain::GetLangString("2103", ""), "");
    EXPECT_EQ(mdlMain::GetLangString("2103", "Application is corrupted. Please Reinstall it."),
              "Application is corrupted. Please Reinstall it.");
    EXPECT_EQ(mdlMain::GetLangString("2104", "") + mdlMain::GetLangString("2105", ""), "firstsecond");
}

#endif

TEST_F(LanguageTest, AnUpperCaseExtensionIsStillRead)
{
    AddLanguage("FR.INI", "[Velthorn]\n2000=Assistant\n");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::LangFilePath, LangPath("FR.ini"));
    EXPECT_EQ(mdlMain::GetLangString("2000", ""), "Assistant");
}

TEST_F(LanguageTest, BadLanguageFilesGiveDefaults)
{
    AddLanguage("a.ini", "");
    AddLanguage("b.ini", std::string("\0\xFF[Velthorn\0\n2000", 17));
    AddLanguage("c.ini", "[Velthorn]\n2000=cut sho");
    for (const char* index : {"0", "1"}) {
        mdlMain::ResetForTesting();
        StoreIndex(std::string("@=\"") + index + "\"\n");
        ASSERT_TRUE(mdlMain::LoadLanguage());
        EXPECT_EQ(mdlMain::GetLangString("2000", "d"), "d");
    }
    StoreIndex("@=\"2\"\n");
    ASSERT_TRUE(mdlMain::LoadLanguage());
    EXPECT_EQ(mdlMain::GetLangString("2000", "d"), "cut sho");
}

}  // namespace

// The shipped language files read letter for letter through the platform's reader; on Windows
// that is the system's own, which takes a file without a byte-order mark in the ANSI code page.
TEST_F(LanguageTest, ShippedLanguagesKeepTheirAccents)
{
    struct Shipped {
        const char* file;
        const char* key;
        const char* text;
    };
    const Shipped shipped[] = {
        {"French.ini", "2002", "Graveurs de CD trouvés sur cet ordinateur :"},
        {"German.ini", "2006", "< &Zurück"},
        {"German.ini", "2107",
         "Der Brenner ist nicht bereit. Legen Sie eine leere CD ein und klicken Sie dann auf „Zurück“ und "
         "„Weiter“."},
        {"Spanish.ini", "2006", "< &Atrás"},
    };
    for (const Shipped& language : shipped) {
        SCOPED_TRACE(language.file);
        std::filesystem::remove_all(folder_ / "app/Lang");
        std::filesystem::create_directories(folder_ / "app/Lang");
        std::filesystem::copy_file(std::filesystem::path(TESSALINE_SOURCE_DIR) / "lang" / language.file,
                                   folder_ / ("app/Lang/" + std::string(language.file)));
        mdlMain::ResetForTesting();
        ASSERT_TRUE(mdlMain::LoadLanguage());
        EXPECT_EQ(mdlMain::GetLangString(language.key, ""), language.text);
    }
}

// Each platform ships its own set (lang/ for Windows, lang/linux/ for Linux). The sets hold the
// same keys and the same texts, line for line, but for the hint that tells the user what to do on
// the system, which differs.
TEST(ShippedLanguageSets, DifferOnlyInThePlatformHint)
{
    const std::filesystem::path lang = std::filesystem::path(TESSALINE_SOURCE_DIR) / "lang";
    // The lines of a UTF-16LE file, as raw bytes: enough to compare them and to read the ASCII key.
    auto lines = [](const std::filesystem::path& file) {
        const std::string bytes = storetest::ReadFile(file.string());
        const std::string crlf("\r\0\n\0", 4);
        std::vector<std::string> split;
        for (std::size_t at = 2; at <= bytes.size();) {
            const std::size_t end = std::min(bytes.find(crlf, at), bytes.size());
            split.push_back(bytes.substr(at, end - at));
            at = end + crlf.size();
        }
        return split;
    };
    auto keyOf = [](const std::string& line) {
        std::string key;
        for (std::size_t i = 0; i + 1 < line.size() && line[i] != '=' && line[i + 1] == '\0'; i += 2)
            key += line[i];
        return key;
    };
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(lang)) {
        if (entry.path().extension() != ".ini") continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<std::string> windows = lines(entry.path());
        const std::vector<std::string> onLinux = lines(lang / "linux" / entry.path().filename());
        ASSERT_EQ(windows.size(), onLinux.size());
        ASSERT_GT(windows.size(), 18u);
        for (std::size_t i = 1; i < windows.size(); ++i) {  // the first line is the file's comment
            EXPECT_EQ(keyOf(windows[i]), keyOf(onLinux[i])) << "line " << i + 1;
            if (keyOf(windows[i]) == "2201")
                EXPECT_NE(windows[i], onLinux[i]);
            else
                EXPECT_EQ(windows[i], onLinux[i]) << "line " << i + 1 << ", key " << keyOf(windows[i]);
        }
    }
    EXPECT_EQ(files, 4);
}
