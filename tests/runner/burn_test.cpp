#include <gtest/gtest.h>

#include "runner/MGetCmdOutput.h"
#include "test_support.h"
#include "tools/burn/answers.h"
#include "tools/burn/scenario.h"

namespace {

using testing_support::WriteFile;

struct ArgumentsCase {
    std::vector<std::string> arguments;
    std::string error;  // empty: accepted
};

class BurnArgumentsTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(BurnArgumentsTest, AcceptsTheWizardsLinesAndRefusesBadOnes)
{
    burn::Invocation invocation;
    std::string error;
    const bool ok = burn::ParseArguments(GetParam().arguments, invocation, error);
    EXPECT_EQ(ok, GetParam().error.empty()) << error;
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BurnArgumentsTest,
    ::testing::Values(
        ArgumentsCase{{"scanbus", "-v", "0"}, ""},
        ArgumentsCase{{"disk-info", "--device", "1,0,0", "-v", "0"}, ""},
        ArgumentsCase{{"Disk-info", "--device", "1,0,0", "--driver", "cdd2600", "-v", "0"}, ""},
        ArgumentsCase{{"simulate", "--device", "1,0,0", "-n", "--reload", "--eject", "test.cue"}, ""},
        ArgumentsCase{{}, "no command"}, ArgumentsCase{{"burn-it"}, "unknown command burn-it"},
        ArgumentsCase{{"disk-info", "--device"}, "--device needs a value"},
        ArgumentsCase{{"simulate", "--device", "1,0,0", "--driver", "-n", "test.cue"},
                      "--driver needs a value"},
        ArgumentsCase{{"disk-info", "-v", "0"}, "needs --device"},
        ArgumentsCase{{"simulate", "--device", "1,0,0"}, "needs a cue sheet"},
        ArgumentsCase{{"scanbus", "--device", "1,0,0"}, "does not go with"},
        ArgumentsCase{{"disk-info", "--device", "1,0,0", "--eject"}, "does not go with"},
        ArgumentsCase{{"scanbus", "--fast"}, "unknown option --fast"},
        ArgumentsCase{{"disk-info", "--device", "1", "--device", "2"}, "given twice"},
        ArgumentsCase{{"simulate", "--device", "1,0,0", "a.cue", "b.cue"}, "unexpected argument b.cue"}));

struct ScenarioErrorCase {
    std::string text;
    std::string error;
};

class ScenarioErrorTest : public ::testing::TestWithParam<ScenarioErrorCase> {};

TEST_P(ScenarioErrorTest, NamesTheLine)
{
    burn::Scenario scenario;
    std::string error;
    EXPECT_FALSE(burn::ParseScenario(GetParam().text, scenario, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScenarioErrorTest,
    ::testing::Values(
        ScenarioErrorCase{"adapters = no", "line 1: key outside a section"},
        ScenarioErrorCase{"[scan]\n\nline-end = cr", "line 3: bad value for line-end"},
        ScenarioErrorCase{"[disc]", "line 1: unknown section [disc]"},
        ScenarioErrorCase{"[writer]\naddress = 1,0,0\ncolour = red", "line 3: unknown key colour"},
        ScenarioErrorCase{"[writer]\nsimulate = done\n", "line 2: bad value for simulate"},
        ScenarioErrorCase{"[writer]\ndisk-info.delay-ms = -1", "line 2: bad value for disk-info.delay-ms"},
        ScenarioErrorCase{"[writer]\ndrivers = plextor\n[writer]",
                          "line 3: a [writer] section needs an address"},
        // A final line feed ends the last line and starts none.
        ScenarioErrorCase{"[writer]\ndrivers = plextor\n", "line 2: a [writer] section needs an address"},
        ScenarioErrorCase{"[writer]\naddress=1\n[writer]\naddress=1", "line 4: the address 1 is given twice"},
        ScenarioErrorCase{"[scan]\njust words", "line 2: expected key = value"}));

std::string ErrorText(const burn::Answer& answer)
{
    std::string text;
    for (const burn::Step& step : answer.steps)
        if (step.kind == burn::Step::Kind::StandardError) text += step.text;
    return text;
}

class BurnAnswerTest : public ::testing::Test {
protected:
    burn::Answer Answer(const std::vector<std::string>& arguments,
                        const burn::CueSheetReport& cueSheet = {burn::CueSheetStatus::Usable, {}})
    {
        burn::Invocation invocation;
        std::string error;
        EXPECT_TRUE(burn::ParseArguments(arguments, invocation, error)) << error;
        return burn::AnswerFor(invocation, scenario, [=](const std::string&) { return cueSheet; });
    }
    void Load(const std::string& text)
    {
        std::string error;
        ASSERT_TRUE(burn::ParseScenario(text, scenario, error)) << error;
    }
    burn::Scenario scenario;
};

TEST_F(BurnAnswerTest, ScanShapesFollowTheScenario)
{
    Load("[scan]\nheading = Scan\n[writer]\naddress = 1,0,0\ndescription = \" A "
         "\"\n[writer]\naddress=2,0,0\n");
    EXPECT_EQ(ErrorText(Answer({"scanbus"})), "Scan\n1,0,0   A \n2,0,0  \n");
    Load("[scan]\nheading = H\nline-end = crlf\nfinal-line-feed = no\nextra-line = "
         "raw\n[writer]\naddress=1,0,0\n"
         "description=W\n");
    EXPECT_EQ(ErrorText(Answer({"scanbus"})), "H\r\n1,0,0  W\r\nraw");
    Load("[scan]\nheading=H\nadapters = no\ndelay-ms = 30\nextra-bytes = 100\nstdout = busy\n");
    const burn::Answer none = Answer({"scanbus", "-v", "0"});
    EXPECT_EQ(ErrorText(none), "H\n" + burn::FillerText(100) + "Could not find any host adapters\n");
    EXPECT_EQ(none.exitStatus, burn::kExitFailure);
    ASSERT_EQ(none.steps.size(), 5u);
    EXPECT_EQ(none.steps[0].text, "busy\n");
    EXPECT_EQ(none.steps[2].pauseMs, 30);
}

TEST_F(BurnAnswerTest, ProbesAndSimulationsAnswerByDriver)
{
    Load("[writer]\naddress=1,0,0\ndrivers=(default), plextor\nsimulate=I/O error\n"
         "[writer]\naddress=1,1,0\ndrivers=generic-mmc\nsimulate=finished successfully\n"
         "[writer]\naddress=2,0,0\ndrivers=generic-mmc\nsimulate=none\n");
    auto refused = [](const burn::Answer& a) {
        return ErrorText(a).find("Cannot read driver") != std::string::npos;
    };
    EXPECT_FALSE(refused(Answer({"disk-info", "--device", "1,0,0"})));
    EXPECT_FALSE(refused(Answer({"Disk-info", "--device", "1,0,0", "--driver", "plextor"})));
    EXPECT_TRUE(refused(Answer({"Disk-info", "--device", "1,0,0", "--driver", "(default)"})));
    EXPECT_TRUE(refused(Answer({"disk-info", "--device", "1,1,0"})));
    EXPECT_EQ(Answer({"disk-info", "--device", "9,9,9"}).exitStatus, burn::kExitUsage);

    const std::vector<std::string> phrases = burn::SimulationPhrases();
    auto found = [&](const burn::Answer& a) {
        std::vector<std::string> seen;
        for (const std::string& phrase : phrases)
            if (ErrorText(a).find(phrase) != std::string::npos) seen.push_back(phrase);
        return seen;
    };
    const std::vector<std::string> cue = {"simulate", "--device", "1,0,0", "test.cue"};
    EXPECT_EQ(found(Answer(cue)), std::vector<std::string>{"I/O error"});
    const burn::Answer unreadable =
        Answer(cue, {burn::CueSheetStatus::Unreadable, "Burn: Cannot open toc file test.cue\n"});
    EXPECT_EQ(found(unreadable), std::vector<std::string>{"Cannot open toc file"});
    EXPECT_EQ(unreadable.exitStatus, burn::kExitFailure);
    // A disc the recorder refuses: the checker's lines and nothing else, whatever the writer's outcome.
    const burn::Answer refusedDisc =
        Answer(cue, {burn::CueSheetStatus::Refused, "Burn: track 01 is too short\n"});
    EXPECT_EQ(ErrorText(refusedDisc), "Burn: track 01 is too short\n");
    EXPECT_EQ(refusedDisc.exitStatus, burn::kExitFailure);
    EXPECT_EQ(
        found(Answer({"simulate", "--device", "1,1,0", "--driver", "generic-mmc", "-n", "--eject", "t.cue"})),
        std::vector<std::string>{"finished successfully"});
    EXPECT_TRUE(found(Answer({"simulate", "--device", "2,0,0", "--driver", "generic-mmc", "x.cue"})).empty());
    EXPECT_TRUE(refused(Answer({"simulate", "--device", "1,1,0", "x.cue"})));
}

TEST(BurnFilesTest, FillerHasTheExactSizeAndCueSheetsNeedTheirAudio)
{
    for (std::size_t size : {1u, 63u, 64u, 65u, 1000u}) {
        EXPECT_EQ(burn::FillerText(size).size(), size);
        EXPECT_EQ(burn::FillerText(size).back(), '\n');
    }
    testing_support::TempDir dir;
    const std::string cue = (dir.path() / "test.cue").string();
    EXPECT_EQ(burn::CheckCueSheet(cue).status, burn::CueSheetStatus::Unreadable);
    WriteFile(cue, "FILE \"a b.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(burn::CheckCueSheet(cue).status, burn::CueSheetStatus::Refused);
    WriteFile(dir.path() / "a b.wav", "RIFF");
    EXPECT_EQ(burn::CheckCueSheet(cue).status, burn::CueSheetStatus::Refused);
    std::filesystem::copy_file(std::filesystem::path(BURN_DATA_DIR) / "test.wav", dir.path() / "a b.wav",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(burn::CheckCueSheet(cue).status, burn::CueSheetStatus::Usable);
    EXPECT_EQ(burn::CheckCueSheet(BURN_DATA_DIR "/test.cue").status,
              burn::CueSheetStatus::Usable);  // the shipped one
}

// The tool installed in a folder with blanks, reached under the three spellings the wizard uses,
// with the shipped scenario.
TEST(BurnProcessTest, AnswersTheWizardsCommandLinesFromAFolderWithBlanks)
{
    testing_support::TempDir dir;
    const auto app = dir.path() / "My Apps" / "Tessaline";
    std::filesystem::create_directories(app);
    for (const char* file : {"Burn.exe", "burn-sim.ini", "test.cue", "test.wav"})
        std::filesystem::copy_file(std::filesystem::path(BURN_DATA_DIR) / file, app / file);
    testing_support::ScopedEnv log("TESSALINE_BURN_LOG", (dir.path() / "burn.log").string());
    testing_support::ScopedCurrentDir cwd(app);
    const std::string base = app.string();
    using MGetCmdOutput::GetCmdOutput;

    const std::string scan = GetCmdOutput(base + "\\Burn.exe scanbus -v 0", false, true, false);
    EXPECT_NE(scan.find("\n1,0,0  SIMULATED CDRW-5210 1.04\n1,1,0  SIMULATED PX-W4824 1.07\n"),
              std::string::npos)
        << scan;
    const std::vector<std::string> lines = {
        base + "\\Burn.exe disk-info --device 1,0,0 -v 0",
        base + "\\Burn Disk-info --device 1,0,0 --driver generic-mmc -v 0",
        base + "\\burn simulate --device 1,0,0 --driver generic-mmc -n --reload --eject test.cue",
        base + "\\Burn simulate --device 1,1,0 -n --reload --eject test.cue"};
    EXPECT_NE(GetCmdOutput(lines[0], false, true, false).find("Cannot read driver"), std::string::npos);
    EXPECT_EQ(GetCmdOutput(lines[1], false, true, false).find("Cannot read driver"), std::string::npos);
    EXPECT_NE(GetCmdOutput(lines[2], false, true, false).find("finished successfully"), std::string::npos);
    EXPECT_NE(GetCmdOutput(lines[3], false, true, false).find("Cannot read driver"), std::string::npos);
    EXPECT_EQ(testing_support::ReadFile(dir.path() / "burn.log"), base + "\\Burn.exe scanbus -v 0\n" +
                                                                      lines[0] + "\n" + lines[1] + "\n" +
                                                                      lines[2] + "\n" + lines[3] + "\n");

    std::filesystem::remove(app / "test.cue");
    EXPECT_NE(GetCmdOutput(lines[2], false, true, false).find("Cannot open toc file"), std::string::npos);
}

TEST(BurnProcessTest, ReadsTheScenarioNamedByTheEnvironment)
{
    testing_support::TempDir dir;
    WriteFile(dir.path() / "s.ini",
              "[scan]\nheading=H\nstdout=to standard output\n[writer]\naddress=3,0,0\n");
    const std::string line = testing_support::CommandLine(BURN_EXE, {"scanbus"});
    {
        testing_support::ScopedEnv scenario("TESSALINE_BURN_SCENARIO", (dir.path() / "s.ini").string());
        EXPECT_EQ(MGetCmdOutput::GetCmdOutput(line, false, true, false), "H\n3,0,0  \n");
        EXPECT_EQ(MGetCmdOutput::GetCmdOutput(line, true, true, false), "to standard output\nH\n3,0,0  \n");
    }
    for (const char* unreadable : {"none.ini", ""}) {
        // A missing file, and a folder, which is no scenario either rather than an empty one.
        testing_support::ScopedEnv named("TESSALINE_BURN_SCENARIO", (dir.path() / unreadable).string());
        EXPECT_NE(MGetCmdOutput::GetCmdOutput(line, false, true, false).find("cannot read the scenario file"),
                  std::string::npos)
            << unreadable;
    }
}

}  // namespace
