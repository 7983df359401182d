// The language file changed under the running program: every lookup reads it anew, so a text
// edited, a file cut short in the middle of a character or a line, removed, replaced by a folder
// or rewritten while another process keeps rewriting it gives either a text of the file or the
// default, and never a broken one.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/app.h"
#include "platform/text.h"
#include "settings/mdlMain.h"
#include "settings/mdlMainTesting.h"
#include "test_folder.h"
#include "test_policy.h"

namespace {

using storetest::StoreFolder;

const std::string kFile = "[Velthorn]\n2000=Tessaline caf\xC3\xA9\n2005=&Next >\n";

class LanguageFaults : public testing::Test {
public:
    void SetUp() override
    {
        mdlMain::ResetForTesting();
        platform::SetUiHooks({[](const std::string&, platform::MessageIcon) {}, [](int) {}});
        folder.Write("app/Lang/English.ini", kFile);
        ASSERT_TRUE(mdlMain::LoadLanguage());
        ASSERT_EQ(mdlMain::GetLangString("2000", "default"), "Tessaline caf\xC3\xA9");
    }
    void TearDown() override { platform::SetUiHooks({}); }

    void Replace(const std::string& contents) const { folder.Write("app/Lang/English.ini", contents); }
    std::string Path() const { return folder / "app/Lang/English.ini"; }

    StoreFolder folder;
};

struct Change {
    const char* name;
    std::function<void(LanguageFaults&)> apply;
    std::string text2000;  // what key 2000 gives afterwards
};

void PrintTo(const Change& c, std::ostream* out) { *out << c.name; }

class LanguageChanges : public LanguageFaults, public testing::WithParamInterface<Change> {};

TEST_P(LanguageChanges, GiveTheNewTextOrTheDefault)
{
    GetParam().apply(*this);
    const std::string text = mdlMain::GetLangString("2000", "default");
    EXPECT_EQ(text, GetParam().text2000);
    EXPECT_TRUE(platform::text::IsValidUtf8(text));
    EXPECT_EQ(mdlMain::GetLangString("2999", "fallback"), "fallback");
}

INSTANTIATE_TEST_SUITE_P(
    Table, LanguageChanges,
    testing::Values(
        Change{"edited", [](LanguageFaults& fixture) { fixture.Replace("[Velthorn]\n2000=Edited\n"); },
               "Edited"},
        Change{"emptied", [](LanguageFaults& fixture) { fixture.Replace(""); }, "default"},
        // Cut inside the two bytes of the last letter: the rest is no longer UTF-8 and reads as
        // Windows-1252, one character a byte.
        Change{"cutInsideACharacter", [](LanguageFaults& fixture) { fixture.Replace(kFile.substr(0, 30)); },
               "Tessaline caf\xC3\x83"},
        Change{"cutInsideTheKey", [](LanguageFaults& fixture) { fixture.Replace(kFile.substr(0, 13)); },
               "default"},
        Change{"cutInsideTheSection", [](LanguageFaults& fixture) { fixture.Replace(kFile.substr(0, 5)); },
               "default"},
        Change{"removed", [](LanguageFaults& fixture) { std::filesystem::remove(fixture.Path()); },
               "default"},
        Change{"folderInItsPlace",
               [](LanguageFaults& fixture) {
                   std::filesystem::remove(fixture.Path());
                   std::filesystem::create_directory(fixture.Path());
               },
               "default"},
        Change{"binaryGarbage",
               [](LanguageFaults& fixture) { fixture.Replace(std::string("\0\xff\xfe\x00[\x01\x02", 7)); },
               "default"},
        Change{"hugeText",
               [](LanguageFaults& fixture) {
                   fixture.Replace("[Velthorn]\n2000=" + std::string(5'000'000, 'x') + "\n");
               },
               std::string(254, 'x')},
        Change{
            "renamedAway",
            [](LanguageFaults& fixture) { std::filesystem::rename(fixture.Path(), fixture.Path() + ".old"); },
            "default"}),
    [](const auto& test) { return std::string(test.param.name); });

// Another process rewrites the file in place (truncate, then write) without pause, as an editor
// saving it might. A read can then meet a half-written file, or the start of one version and the
// end of the other; whatever it meets, the lookup gives valid text of at most 254 characters made
// of the file's own bytes, or the default.
TEST_F(LanguageFaults, LookupsWhileAnotherProcessRewritesTheFileStayWellFormed)
{
    const std::string first = "[Velthorn]\n2000=" + std::string(300, 'a') + "\n";
    const std::string second = "[Velthorn]\n2000=" + std::string(200, 'b') + "\n";
    Replace(first);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        for (long i = 1;; ++i) Replace(i % 2 == 0 ? first : second);
    }
    int lookups = 0;
    int broken = 0;
    int defaults = 0;
    int whole = 0;
    // Two seconds of lookups, and on until one has met a whole file, however busy the machine.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    const auto giveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(test_policy::kFaultTimeoutMs);
    while (std::chrono::steady_clock::now() < end ||
           (whole == 0 && std::chrono::steady_clock::now() < giveUp)) {
        const std::string text = mdlMain::GetLangString("2000", "default");
        ++lookups;
        if (text == "default")
            ++defaults;
        else if (text == std::string(254, 'a') || text == std::string(200, 'b'))
            ++whole;
        else if (text.size() > 254 || text.find_first_not_of("ab") != std::string::npos) {
            ++broken;
        }
    }
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    EXPECT_EQ(broken, 0) << "texts with bytes the file never held, or too long";
    EXPECT_GT(whole, 0);
    std::cout << "[ figures  ] " << lookups << " lookups while the file was rewritten: " << whole
              << " whole texts, " << defaults << " defaults, " << lookups - whole - defaults
              << " cut or mixed by a half-written file, " << broken << " broken\n";
}

}  // namespace
