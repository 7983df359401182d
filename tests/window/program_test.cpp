// The whole program, started as a child of this test program on both runtimes, from page 1 to
// Finish and with bad input: no language folder, a missing or damaged skin, a missing tool, a
// driver setting that cannot be written. Every start-up failure ends the same way: its message,
// then exit status 1. A scripted user in the child presses the keys and buttons, as a user would,
// once the window takes input.
#include <gtest/gtest.h>

#include <sstream>

#include "app_folder.h"
#include "driver.h"
#include "process_support.h"
#include "wizard/wizard_app.h"

namespace window_test {
namespace {

const bool kScenario = [] {
    RegisterChildScenario("program", [](const std::vector<std::string>& arguments) -> int {
        platform::SetAppDirectory(arguments.at(0));
        fs::current_path(PathOf(arguments.at(0)));
        std::vector<std::string> steps;
        std::stringstream list(arguments.size() > 1 ? arguments[1] : std::string());
        for (std::string step; std::getline(list, step, ',');) steps.push_back(step);
        StartScriptedUser(steps);
        char name[] = "tessaline";
        char* argv[] = {name, nullptr};
        return WizardApp::Run(1, argv);
    });
    return true;
}();

class WholeProgram : public testing::Test {
protected:
    ChildOutcome Run(const std::string& steps = "")
    {
        return RunChild("program", {fx.dir, steps}, fx.ChildEnvironment());
    }

    AppFolder fx;
};

TEST_F(WholeProgram, RunsFromPageOneToFinishAndStoresTheDriver)
{
    const ChildOutcome outcome = Run("enter,finish");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(fx.DriverValue(), "1");
    EXPECT_EQ(fx.ToolCommands().size(), 4u);
}

TEST_F(WholeProgram, NoLanguageFolderEndsWithItsMessage)
{
    fx.Remove("Lang");
    const ChildOutcome outcome = Run();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "1|No Language files found\n");
    EXPECT_TRUE(fx.ToolCommands().empty());
}

TEST_F(WholeProgram, AMissingSkinEndsWithTheLanguagesText)
{
    fx.Remove("winaqua.skn");
    const ChildOutcome outcome = Run();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "0|" + ShippedText("2103") + "\n");
    EXPECT_EQ(ShippedText("2103"), "Tessaline is damaged: a file it needs is missing. Please reinstall it.");
    EXPECT_TRUE(fx.ToolCommands().empty());
}

TEST_F(WholeProgram, ADamagedSkinEndsNamingTheFileAndLine)
{
    fx.Write("winaqua.skn", ReadFile(PathOf(fx.Path("winaqua.skn"))) + "this is not a skin line\n");
    const ChildOutcome outcome = Run();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages.substr(0, 2), "2|") << outcome.messages;
    EXPECT_NE(outcome.messages.find(fx.Path("winaqua.skn")), std::string::npos) << outcome.messages;
    EXPECT_NE(outcome.messages.find("line"), std::string::npos) << outcome.messages;
    EXPECT_TRUE(fx.ToolCommands().empty());
}

TEST_F(WholeProgram, AMissingToolLeavesTheListEmptyAndNextAsksForAWriter)
{
    fx.Remove("Burn.exe");
    const ChildOutcome outcome = Run("enter,close");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.messages, "1|Select your CD writer\n");
}

TEST_F(WholeProgram, ADriverSettingThatCannotBeWrittenIsReportedAndTheTestGoesOn)
{
    fx.BlockDriverStore();
    const ChildOutcome outcome = Run("enter,finish");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.messages, "1|The driver setting could not be saved.\n");
    EXPECT_EQ(fx.DriverValue(), "<none>");
    const std::vector<std::string> commands = fx.ToolCommands();
    ASSERT_FALSE(commands.empty());
    EXPECT_NE(commands.back().find(" simulate "), std::string::npos);
}

}  // namespace
}  // namespace window_test
