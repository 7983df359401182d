// The wizard from page 1 to Finish on both runtimes, driven as a user drives it: Next and Back
// pressed, the driver probe against the stand-in tool, the registry record, the simulated write
// and the result texts; the close box while the tool runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app_folder.h"
#include "driver.h"
#include "process_support.h"
#include "runner/MGetCmdOutput.h"
#include "test_policy.h"

namespace window_test {
namespace {

const std::vector<std::string> kResultKeys = {"2003", "2005", "2007", "2102", "2103", "2104", "2105", "2106",
                                              "2107", "2108", "2109", "2110", "2111", "2200", "2201"};

std::string Writer(const std::string& address, const std::string& drivers, const std::string& extra = "")
{
    return "[writer]\naddress = " + address + "\ndescription = Writer " + address + "\ndrivers = " + drivers +
           "\n" + extra;
}

std::vector<float> ProgressOf(std::initializer_list<int> values)
{
    std::vector<float> widths;
    for (int v : values) widths.push_back(static_cast<float>(v * 3420.0 / 130.0));
    return widths;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class Flow : public testing::Test {
protected:
    void SetUp() override
    {
        fx.RecordProgramHooks();
        fx.WriteKeyNamedLanguage(kResultKeys);
    }

    // Start-up, the window on view, and every width the progress bar is given from then on.
    void Open(frmSelectDriver& form)
    {
        form.Form_Load();
        form.Window().Show();
        ASSERT_TRUE(Activate(form.Window()));
        form.OnProgressChanged = [this](float width) { widths.push_back(width); };
    }

    AppFolder fx;
    std::vector<float> widths;
};

TEST_F(Flow, TheFirstProbeAcceptedRunsOneProbeAndTheDefaultSimulation)
{
    fx.WriteScenario(Writer("1,0,0", "(default)", "simulate = finished successfully\n"));
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);

    EXPECT_EQ(widths, ProgressOf({0, 15, 130}));
    EXPECT_EQ(fx.DriverValue(), "0");
    EXPECT_EQ(form.lbDrivername.Caption(), "(default)");
    const std::vector<std::string> commands = fx.ToolCommands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_TRUE(EndsWith(commands[1], "Burn.exe disk-info --device 1,0,0 -v 0")) << commands[1];
    EXPECT_TRUE(EndsWith(commands[2], "Burn simulate --device 1,0,0 -n --reload --eject test.cue"))
        << commands[2];
    EXPECT_EQ(form.LbFooter.Caption(), "T2102");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2110");
    EXPECT_EQ(ResultMessage, "T2110");
    EXPECT_EQ(form.ProgressWidthTwips(), 3420.0f);
    EXPECT_TRUE(fx.messages.empty());
}

TEST_F(Flow, TheFourthProbeAcceptedAfterThreeRefusals)
{
    fx.WriteScenario(Writer("1,0,0", "cdd2600", "simulate = finished successfully\n"));
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);

    EXPECT_EQ(widths, ProgressOf({0, 10, 20, 30, 45, 130}));
    EXPECT_EQ(fx.DriverValue(), "3");
    EXPECT_EQ(form.lbDrivername.Caption(), "cdd2600");
    const std::vector<std::string> expected = {
        fx.Command("Burn.exe scanbus -v 0"),
        fx.Command("Burn.exe disk-info --device 1,0,0 -v 0"),
        fx.Command("Burn Disk-info --device 1,0,0 --driver generic-mmc -v 0"),
        fx.Command("Burn Disk-info --device 1,0,0 --driver generic-mmc-raw -v 0"),
        fx.Command("Burn Disk-info --device 1,0,0 --driver cdd2600 -v 0"),
        fx.Command("burn simulate --device 1,0,0 --driver cdd2600 -n --reload --eject test.cue"),
    };
    EXPECT_EQ(fx.ToolCommands(), expected);
    EXPECT_EQ(form.lberrorDisp.Caption(), "Writer 1,0,0");
    EXPECT_EQ(form.lbCurrentCD.Caption(), "Writer 1,0,0");
    EXPECT_EQ(form.lbhead.Caption(), "T2003");
    EXPECT_EQ(form.cmdNext.Caption(), "T2007");
    EXPECT_TRUE(form.cmdNext.Enabled());
    EXPECT_TRUE(form.cmdBack.Enabled());
    EXPECT_EQ(form.CurrentPage, 2);
    EXPECT_FALSE(form.fraPage1.Visible());
    EXPECT_TRUE(form.fraPage2.Visible());
    EXPECT_EQ(Geometry(form.fraPage2), Geometry(form.fraPage1));
    EXPECT_EQ(form.cmbdriverList1.ListCount(), 13);
}

TEST_F(Flow, AllThirteenRefused)
{
    fx.WriteScenario(Writer("1,0,0", "nothing-we-know", "simulate = finished successfully\n"));
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);

    EXPECT_EQ(widths, ProgressOf({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 130}));
    EXPECT_EQ(fx.DriverValue(), "<none>");
    EXPECT_EQ(form.lbDrivername.Caption(), "");
    const std::vector<std::string> commands = fx.ToolCommands();
    ASSERT_EQ(commands.size(), 15u);
    EXPECT_EQ(commands.back(),
              fx.Command("burn simulate --device 1,0,0 --driver yamaha-cdr10x -n --reload --eject test.cue"));
    // The writer refuses the last driver for the simulated write too: no outcome phrase.
    EXPECT_EQ(form.lbSuccess.Caption(), "T2109");
}

TEST_F(Flow, AToolMissingAtProbeTimeRecordsNothing)
{
    frmSelectDriver form;
    Open(form);
    fx.Remove("Burn.exe");
    Click(form.cmdNext);
    EXPECT_EQ(fx.ToolCommands().size(), 1u);  // the bus scan only
    EXPECT_EQ(fx.DriverValue(), "<none>");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2109");
    EXPECT_EQ(widths, ProgressOf({0, 130}));
    EXPECT_TRUE(form.cmdNext.Enabled());
}

struct ResultCase {
    const char* name;
    const char* simulate;
    const char* footer;
    const char* message;
};

void PrintTo(const ResultCase& c, std::ostream* out) { *out << c.name; }

class ResultCodes : public Flow, public testing::WithParamInterface<ResultCase> {};

TEST_P(ResultCodes, ShowTheirTexts)
{
    fx.WriteScenario(Writer("1,0,0", "generic-mmc", std::string("simulate = ") + GetParam().simulate + "\n"));
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);
    EXPECT_EQ(form.LbFooter.Caption(), GetParam().footer);
    EXPECT_EQ(form.lbSuccess.Caption(), GetParam().message);
    // Two lines: the label shows its text on two lines.
    if (std::string(GetParam().message).find('\n') != std::string::npos) {
        EXPECT_GE(LinesShown(form.lbSuccess), 2);
    }
    EXPECT_EQ(fx.DriverValue(), "1");
}

INSTANTIATE_TEST_SUITE_P(Table, ResultCodes,
                         testing::Values(ResultCase{"none1", "none", "T2109", "T2109"},
                                         ResultCase{"success2", "finished successfully", "T2102", "T2110"},
                                         ResultCase{"toc3", "Cannot open toc file", "T2103", "T2103"},
                                         ResultCase{"io4", "I/O error", "T2104\nT2105", "T2104\nT2105"},
                                         ResultCase{"appendable5", "not appendable", "T2106\nT2105",
                                                    "T2106\nT2105"},
                                         ResultCase{"notReady6", "ERROR: Unit not ready", "T2107", "T2107"},
                                         ResultCase{"failed7", "Simulation failed", "T2108", "T2104"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Flow, AMissingCueSheetIsCodeThree)
{
    fx.WriteScenario(Writer("1,0,0", "generic-mmc", "simulate = finished successfully\n"));
    fx.Remove("test.cue");
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);
    EXPECT_EQ(form.lbSuccess.Caption(), "T2103");
}

TEST_F(Flow, BackKeepsEverythingNextRerunsWithTheNewWriterFinishEnds)
{
    frmSelectDriver form;
    Open(form);
    SendClick(form.cmdBack);  // disabled on page 1: nothing happens
    EXPECT_EQ(form.CurrentPage, 1);
    Click(form.cmdNext);
    EXPECT_EQ(form.CurrentPage, 2);
    EXPECT_FALSE(OnView(form.fraPage1));
    EXPECT_TRUE(OnView(form.fraPage2));
    EXPECT_EQ(Geometry(form.fraPage2).top, Geometry(form.fraPage1).top);
    EXPECT_EQ(fx.DriverValue(), "1");
    EXPECT_EQ(form.lbDrivername.Caption(), "generic-mmc");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2110");
    EXPECT_EQ(form.lberrorDisp.Caption(), "First Writer");
    EXPECT_EQ(form.cmdNext.Caption(), "T2007");
    EXPECT_TRUE(form.cmdNext.Enabled());
    EXPECT_TRUE(form.cmdBack.Enabled());
    // The bar is full: its width in pixels is that of 3420 twips.
    EXPECT_EQ(Geometry(form.pBar).width, Pixels(form.Window(), 3420));
    const std::vector<std::string> commands = fx.ToolCommands();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_NE(commands[3].find("simulate --device 1,0,0 --driver generic-mmc -n --reload --eject test.cue"),
              std::string::npos)
        << commands[3];

    Click(form.cmdBack);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_TRUE(OnView(form.fraPage1));
    EXPECT_FALSE(OnView(form.fraPage2));
    EXPECT_EQ(form.cmdNext.Caption(), "T2005");
    EXPECT_EQ(form.cmbDriverList.ListIndex(), 0);
    EXPECT_EQ(form.lbSuccess.Caption(), "T2110");
    EXPECT_EQ(Geometry(form.fraPage2), Geometry(form.fraPage1));
    EXPECT_TRUE(form.cmdBack.Enabled());
    EXPECT_TRUE(form.cmdNext.Enabled());
    EXPECT_EQ(SelectedWriter, "1,0,0  First Writer");

    // The user picks the second writer: it works with plextor only and has no appendable disc.
    form.cmbDriverList.SetListIndex(1);
    Click(form.cmdNext);
    EXPECT_EQ(DeviceAddress, "2,0,0");
    EXPECT_EQ(fx.DriverValue(), "4");
    EXPECT_EQ(form.lbDrivername.Caption(), "plextor");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2106\nT2105");
    EXPECT_EQ(form.cmbdriverList1.ListCount(), 13);
    EXPECT_NE(fx.ToolCommands().back().find("--device 2,0,0 --driver plextor"), std::string::npos);

    EXPECT_TRUE(fx.endStatuses.empty());
    Click(form.cmdNext);  // Finish
    EXPECT_EQ(fx.endStatuses, std::vector<int>{0});
    EXPECT_TRUE(fx.messages.empty());
}

TEST_F(Flow, EnterInTheListStartsTheTestAndThenFinishes)
{
    frmSelectDriver form;
    Open(form);
    form.cmbDriverList.SetFocus();
    Press(form.Window(), Key::Enter);
    ASSERT_TRUE(RunEventsUntil([&] { return fx.DriverValue() == "1" && form.CurrentPage == 2; }));
    EXPECT_TRUE(RunEventsUntil([&] { return form.cmdNext.Enabled(); }));
    // With the buttons back, Enter is Finish.
    Press(form.Window(), Key::Enter);
    EXPECT_TRUE(RunEventsUntil([&] { return !fx.endStatuses.empty(); }));
    EXPECT_EQ(fx.endStatuses, std::vector<int>{0});
}

struct RefusedCase {
    const char* name;
    const char* scan;
    bool refused;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class Choices : public Flow, public testing::WithParamInterface<RefusedCase> {};

TEST_P(Choices, AreRefusedOrTaken)
{
    // Only the extra line is listed before the writers' when the writers are left out.
    fx.WriteScenario(std::string("[scan]\n") + GetParam().scan);
    frmSelectDriver form;
    Open(form);
    if (form.cmbDriverList.ListCount() > 0)
        form.cmbDriverList.SetListIndex(form.cmbDriverList.ListCount() - 1);
    form.cmdNext.SetFocus();
    Click(form.cmdNext);
    if (GetParam().refused) {
        ASSERT_EQ(fx.messages.size(), 1u);
        EXPECT_EQ(fx.messages[0].text, "Select your CD writer");
        EXPECT_EQ(fx.messages[0].icon, platform::MessageIcon::Information);
        EXPECT_EQ(form.CurrentPage, 1);
        EXPECT_EQ(FocusedControl(form.Window()), "cmbDriverList");
        EXPECT_EQ(fx.ToolCommands().size(), 1u);
        EXPECT_TRUE(OnView(form.fraPage1));
    } else {
        EXPECT_TRUE(fx.messages.empty());
        EXPECT_EQ(form.CurrentPage, 2);
        EXPECT_EQ(DeviceAddress, "Could");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Choices,
    testing::Values(
        RefusedCase{"noAdapter", "adapters = no\n", true},
        RefusedCase{"mixedCaseWithBlanks",
                    "extra-line =   could NOT find ANY host adapters   \nfinal-line-feed = yes\n", true},
        RefusedCase{"trailingFullStop", "extra-line = Could not find any host adapters.\n", false},
        RefusedCase{"emptyList", "final-line-feed = no\n", true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Flow, AFailedRegistryWriteIsReportedAndTheTestGoesOn)
{
    fx.BlockDriverStore();
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "T2111");  // in the user's language
    EXPECT_EQ(fx.messages[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(form.lbDrivername.Caption(), "generic-mmc");
    EXPECT_NE(fx.ToolCommands().back().find(" simulate "), std::string::npos);
    // The simulated write succeeded, but the page does not say that the setting was saved.
    EXPECT_EQ(form.LbFooter.Caption(), "T2102");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2111");

    // Back and Next with the store writable again: the new test saves, and says so.
    fx.ForgetStoredSettings();
    Click(form.cmdBack);
    Click(form.cmdNext);
    EXPECT_EQ(fx.DriverValue(), "1");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2110");
}

// A language file made before the "not saved" text gives its English default.
TEST_F(Flow, ALanguageFileWithoutTheNotSavedTextGivesItInEnglish)
{
    fx.WriteKeyNamedLanguage({"2102", "2110"});
    fx.BlockDriverStore();
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "The driver setting could not be saved.");
    EXPECT_EQ(form.lbSuccess.Caption(), "The driver setting could not be saved.");
}

// A probe whose tool died before it answered accepted nothing: nothing is stored or simulated.
TEST_F(Flow, AToolThatCrashesOnTheProbeIsNoAcceptedDriver)
{
    fx.WriteScenario(Writer("1,0,0", "generic-mmc", "disk-info.crash = yes\n"));
    frmSelectDriver form;
    Open(form);
    Click(form.cmdNext);
    EXPECT_EQ(fx.ToolCommands().size(), 2u);  // the scan and the first probe
    EXPECT_EQ(fx.DriverValue(), "<none>");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2109");
    EXPECT_EQ(form.lbDrivername.Caption(), "");
    EXPECT_EQ(widths, ProgressOf({0, 130}));
}

// Started from another folder (a terminal, a shortcut without a working folder), the tool still
// runs in the application directory, where it finds the cue sheet.
TEST_F(Flow, StartedFromAnotherFolderTheToolFindsItsFiles)
{
    fs::current_path(fx.Root());
    frmSelectDriver form;
    Open(form);
    EXPECT_EQ(form.cmbDriverList.ListCount(), 2);
    Click(form.cmdNext);
    EXPECT_EQ(fx.DriverValue(), "1");
    EXPECT_EQ(form.lbSuccess.Caption(), "T2110");
}

// A tool that never ends its bus scan (a writer that does not answer) is ended at the scan's time
// limit (with its whole process group, as the runner's tests check), and the window opens with
// what it printed: no writer, and the hint.
TEST_F(Flow, ABusScanThatNeverEndsIsEndedAtItsTimeLimit)
{
    fx.WriteScenario("[scan]\ndelay-ms = 100000000\n" + Writer("1,0,0", "generic-mmc"));
    frmSelectDriver form;
    form.ScanTimeLimitMs = 1000;
    const auto started = std::chrono::steady_clock::now();
    form.Form_Load();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(),
              test_policy::kFaultTimeoutMs);
    EXPECT_GE(took, std::chrono::milliseconds(1000));
    EXPECT_EQ(form.cmbDriverList.ListCount(), 0);
    EXPECT_EQ(form.lb2.Caption(), "T2201");
    EXPECT_TRUE(RunEventsUntil([] { return RunningTools() == 0; }));
    EXPECT_FALSE(MGetCmdOutput::IsCommandRunning());
}

TEST_F(Flow, ClosingDuringASilentProbeStopsTheToolAndEnds)
{
    fx.WriteScenario(Writer("1,0,0", "generic-mmc", "disk-info.delay-ms = 100000000\n"));
    frmSelectDriver form;
    Open(form);
    // The user's close box, once the tool has taken the first probe and is silent. How soon it is
    // handled is measured by bench/.
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> posted{false};
    Clock::time_point postedAt;
    std::thread user([&] {
        test_policy::Eventually([&] { return fx.ToolCommands().size() >= 2; });
        postedAt = Clock::now();
        posted = true;
        PostCloseBox(form.Window());
    });
    Click(form.cmdNext);
    const Clock::time_point returnedAt = Clock::now();
    user.join();

    ASSERT_TRUE(posted);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - postedAt).count(),
              test_policy::kFaultTimeoutMs);
    EXPECT_EQ(fx.endStatuses, std::vector<int>{0});
    EXPECT_EQ(fx.ToolCommands().size(), 2u);  // the scan and the first probe, nothing after it
    EXPECT_EQ(fx.DriverValue(), "<none>");
    EXPECT_FALSE(MGetCmdOutput::IsCommandRunning());
    EXPECT_TRUE(RunEventsUntil([] { return RunningTools() == 0; }));
    EXPECT_FALSE(form.Window().Shown());
}

TEST_F(Flow, TheButtonsStayDisabledWhileTheToolRuns)
{
    fx.WriteScenario(Writer("1,0,0", "generic-mmc", "disk-info.delay-ms = 150\n"));
    frmSelectDriver form;
    Open(form);
    int checks = 0;
    bool anyEnabled = false;
    MGetCmdOutput::SetEventHook([&](platform::NativeHandle readHandle, int wait) {
        ++checks;
        anyEnabled = anyEnabled || form.cmdNext.Enabled() || form.cmdBack.Enabled();
        ui::RunWindowEvents(readHandle, wait);
    });
    Click(form.cmdNext);
    EXPECT_GT(checks, 0);  // the hook runs before every read of every run
    EXPECT_FALSE(anyEnabled);
}

}  // namespace
}  // namespace window_test
