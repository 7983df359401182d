// The whole program, started as a child of this test program, with bad input: no language
// folder, a missing or damaged skin, a missing tool, a registry key that cannot be written. The
// messages and exit statuses are the Linux program's. A scripted user in the child presses the
// keys and buttons, as a user would, once the window takes input.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/wide_win.h"
#include "ui_test_support.h"
#include "wizard/ui/win32/runtime.h"
#include "wizard/wizard_app.h"
#include "wizard_fixture.h"

namespace {

using platform::win::Utf8ToWide;

// ----- The child: the program itself, with a scripted user -----

std::vector<std::string> g_steps;
std::size_t g_nextStep = 0;

// Each tick the user looks at the window and takes the next step once the window allows it:
// "enter" presses Enter, "finish" clicks Finish once it is there and enabled, "close" presses the
// close box.
void CALLBACK ScriptedUser(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_nextStep >= g_steps.size()) return;
    HWND form = ::FindWindowW(ui::win32::kFormClass, nullptr);
    if (form == nullptr || !::IsWindowVisible(form) || !::IsWindowEnabled(form)) return;
    HWND next = ::GetDlgItem(form, LOWORD(::SendMessageW(form, DM_GETDEFID, 0, 0)));
    const std::string& step = g_steps[g_nextStep];
    if (step == "enter" && ::IsWindowEnabled(next)) {
        ::PostMessageW(form, WM_KEYDOWN, VK_RETURN, 0);
    } else if (step == "finish" && ::IsWindowEnabled(next) && uitest::WindowText(next) == L"&Finish") {
        ::PostMessageW(next, BM_CLICK, 0, 0);
    } else if (step == "close") {
        ::PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        return;
    }
    ++g_nextStep;
}

const bool kScenario = [] {
    uitest::RegisterChildScenario("program", [](const std::vector<std::string>& arguments) -> int {
        platform::SetAppDirectory(arguments.at(0));
        ::SetCurrentDirectoryW(Utf8ToWide(arguments.at(0)).c_str());
        std::stringstream steps(arguments.size() > 1 ? arguments[1] : std::string());
        for (std::string step; std::getline(steps, step, ',');) g_steps.push_back(step);
        ::SetTimer(nullptr, 0, 50, ScriptedUser);
        char name[] = "tessaline.exe";
        char* argv[] = {name, nullptr};
        return WizardApp::Run(1, argv);
    });
    return true;
}();

// ----- The tests -----

class WholeProgram : public testing::Test {
protected:
    uitest::ChildOutcome Run(const std::string& steps = "")
    {
        return uitest::RunChild("program", {fx.dir, steps}, fx.ChildEnvironment());
    }

    uitest::AppFolder fx;
};

TEST_F(WholeProgram, RunsFromPageOneToFinishAndStoresTheDriver)
{
    const uitest::ChildOutcome outcome = Run("enter,finish");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(fx.DriverValue(), "1");
    EXPECT_EQ(fx.ToolCommands().size(), 4u);
}

TEST_F(WholeProgram, NoLanguageFolderEndsWithItsMessage)
{
    fx.Remove("Lang");
    const uitest::ChildOutcome outcome = Run();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "1|No Language files found\n");
    EXPECT_TRUE(fx.ToolCommands().empty());
}

TEST_F(WholeProgram, AMissingSkinEndsWithTheLanguagesText)
{
    fx.Remove("winaqua.skn");
    const uitest::ChildOutcome outcome = Run();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "0|" + uitest::EnglishText("2103") + "\n");
    EXPECT_TRUE(fx.ToolCommands().empty());
}

TEST_F(WholeProgram, ADamagedSkinEndsNamingTheFileAndLine)
{
    std::ofstream(std::filesystem::path(Utf8ToWide(fx.dir + "\\winaqua.skn")), std::ios::app)
        << "this is not a skin line\n";
    const uitest::ChildOutcome outcome = Run();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages.substr(0, 2), "2|") << outcome.messages;
    EXPECT_NE(outcome.messages.find(fx.dir + "\\winaqua.skn"), std::string::npos) << outcome.messages;
    EXPECT_NE(outcome.messages.find("line"), std::string::npos) << outcome.messages;
}

TEST_F(WholeProgram, AMissingToolLeavesTheListEmptyAndNextAsksForAWriter)
{
    fx.Remove("Burn.exe");
    const uitest::ChildOutcome outcome = Run("enter,close");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.messages, "1|Select your CD writer\n");
}

TEST_F(WholeProgram, ADriverKeyThatCannotBeWrittenIsReportedAndTheTestGoesOn)
{
    // A volatile key cannot hold a lasting one: the driver's key cannot be made below it.
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quorvane\\Output_Setting", 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    const uitest::ChildOutcome outcome = Run("enter,finish");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.messages, "1|The driver setting could not be saved.\n");
    EXPECT_EQ(fx.DriverValue(), "<none>");
    const std::vector<std::string> commands = fx.ToolCommands();
    ASSERT_FALSE(commands.empty());
    EXPECT_NE(commands.back().find(" simulate "), std::string::npos);
}

}  // namespace
