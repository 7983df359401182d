#include "wizard/frmSelectDriver.h"

#include <optional>
#include <vector>

#include "platform/app.h"
#include "runner/MGetCmdOutput.h"
#include "settings/mdlMain.h"
#include "settings/mdlRegistry.h"
#include "wizard/driver_probe.h"
#include "wizard/form_design.h"

std::string SelectedWriter;
std::string DeviceAddress;
std::string ResultMessage;

namespace {

// A text of the language file; only the newer "not saved" text has an English default, for
// language files made before it.
std::string Lang(const std::string& key)
{
    return mdlMain::GetLangString(key, key == DriverProbe::kNotSavedKey ? DriverProbe::kNotSavedDefault : "");
}

std::string JoinedTexts(const std::vector<std::string>& keys)
{
    std::string joined;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += Lang(keys[i]);
    }
    return joined;
}

// Start-up cannot go on: the user is told why, and the program ends.
[[noreturn]] void EndStartUp(const std::string& message, platform::MessageIcon icon)
{
    platform::ShowMessage(message, icon);
    platform::EndProgram(1);
}

}  // namespace

frmSelectDriver::frmSelectDriver() : m_form(frmSelectDriverDesign())
{
    BindControls(m_form, *this);
    cmdNext.OnClick([this] { cmdNext_Click(); });
    cmdBack.OnClick([this] { cmdBack_Click(); });
    m_form.OnCloseRequest([this] { Form_CloseRequest(); });
    cmbDriverList.SetFocus();
}

frmSelectDriver::~frmSelectDriver() = default;

void frmSelectDriver::Form_Load()
{
    // Ends the program itself when there is no language file.
    mdlMain::LoadLanguage();

    const std::string skinPath = platform::JoinPath(platform::AppDirectory(), "winaqua.skn");
    if (!platform::IsOrdinaryFile(skinPath))
        EndStartUp(mdlMain::GetLangString("2103", "Application is corrupted. Please Reinstall it."),
                   platform::MessageIcon::None);
    try {
        skn.LoadSkinFile(skinPath);
    } catch (const skin::SkinError& error) {
        EndStartUp(error.what(), platform::MessageIcon::Critical);
    }
    skn.ApplySkin(m_form);

    m_form.SetCaption(Lang("2000"));
    Label1.SetCaption(Lang("2002"));
    lb1.SetCaption(Lang("2200"));
    lb2.SetCaption(Lang("2201"));
    cmdBack.SetCaption(Lang("2006"));
    cmdNext.SetCaption(Lang("2005"));

    ScanBus();
    if (cmbDriverList.ListCount() > 0) cmbDriverList.SetListIndex(0);
    CurrentPage = 1;
}

void frmSelectDriver::ScanBus()
{
    const std::string appDirectory = platform::AppDirectory();
    const std::string command = DriverProbe::ScanBusCommandLine(appDirectory, platform::PathSeparator());
    // A tool that hangs is ended at the time limit; what it printed until then is the answer.
    ScanOutput = MGetCmdOutput::RunCmd(command, false, true, false, {appDirectory, ScanTimeLimitMs}).text;
    for (const std::string& line : DriverProbe::SplitScanOutput(ScanOutput)) cmbDriverList.AddItem(line);
}

void frmSelectDriver::cmdNext_Click()
{
    if (CurrentPage == 1) {
        const std::string writer = cmbDriverList.Text();
        if (DriverProbe::IsRefusedWriterChoice(writer)) {
            platform::ShowMessage("Select your CD writer", platform::MessageIcon::Information);
            cmbDriverList.SetFocus();
            return;
        }
        DeviceAddress = DriverProbe::DeviceAddressOf(writer);
        SelectedWriter = writer;
        CurrentPage = 2;
        fraPage1.SetVisible(false);
        fraPage2.Move(fraPage1.Bounds());
        fraPage2.SetVisible(true);
        cmdBack.SetEnabled(false);
        cmdNext.SetEnabled(false);
        EnterTestPage();
        if (Abandoned()) platform::EndProgram(0);
        cmdBack.SetEnabled(true);
        cmdNext.SetEnabled(true);
    } else if (CurrentPage == 2) {
        platform::EndProgram(0);
    }
}

void frmSelectDriver::cmdBack_Click()
{
    if (CurrentPage != 2) return;
    CurrentPage = 1;
    fraPage1.SetVisible(true);
    fraPage2.SetVisible(false);
    cmdNext.SetCaption(Lang("2005"));
}

void frmSelectDriver::FillDriverList()
{
    // Emptied first, so that a second visit to page 2 probes the table once, not twice.
    cmbdriverList1.Clear();
    for (const char* driver : DriverProbe::kDriverTable) cmbdriverList1.AddItem(driver);
    lbCurrentCD.SetCaption(DriverProbe::WriterDescriptionOf(SelectedWriter));
}

void frmSelectDriver::SetProgress(std::int32_t maximum, double value)
{
    // A width that cannot be computed or that the bar refuses leaves the bar as it is.
    const std::optional<float> width = DriverProbe::ProgressWidthTwips(maximum, value);
    if (!width) return;
    try {
        pBar.SetWidth(*width);
    } catch (const std::exception&) {
        return;
    }
    m_progressTwips = *width;
    if (OnProgressChanged) OnProgressChanged(*width);
}

void frmSelectDriver::TestDrivers(std::int16_t& TestResult)
{
    const std::string appDirectory = platform::AppDirectory();
    const char separator = platform::PathSeparator();
    // The tool runs in the application directory, where it finds the cue sheet, wherever the
    // wizard was started from.
    const MGetCmdOutput::RunOptions inAppDirectory{appDirectory, 0};
    m_settingSaved = true;

    SetProgress(DriverProbe::kProgressMaximum, 0);
    m_form.Refresh();

    const int n = cmbdriverList1.ListCount();
    std::int16_t i = 1;
    for (i = 1; i <= n; ++i) {
        const std::string driver = cmbdriverList1.List(i - 1);
        const MGetCmdOutput::CmdOutput answer = MGetCmdOutput::RunCmd(
            DriverProbe::ProbeCommandLine(appDirectory, separator, i, DeviceAddress, driver), false, true,
            false, inAppDirectory);
        if (Abandoned()) return;
        const bool refused = DriverProbe::IsDriverRefused(answer.text);
        if (answer.status == MGetCmdOutput::RunStatus::NotStarted ||
            (answer.status == MGetCmdOutput::RunStatus::Crashed && !refused)) {
            // The tool could not be started, or died before it answered: no driver was accepted,
            // so nothing is recorded or simulated.
            TestResult = 1;
            return;
        }
        if (refused) {
            SetProgress(DriverProbe::kProgressMaximum, 10 * i);
            m_form.Refresh();
            continue;
        }
        SetProgress(DriverProbe::kProgressMaximum, 10 * i + 5);
        m_form.Refresh();
        const platform::RegStatus status =
            mdlRegistry::SetRegistryValue(std::string(mdlMain::kSettingsKey) + mdlMain::kDriverKey, "",
                                          static_cast<std::int64_t>(i - 1), 1);
        if (status != platform::kErrorSuccess) {
            m_settingSaved = false;
            platform::ShowMessage(Lang(DriverProbe::kNotSavedKey), platform::MessageIcon::Information);
            if (Abandoned()) return;
        }
        lbDrivername.SetCaption(driver);
        break;
    }

    const int entry = DriverProbe::SimulationEntry(i, n);
    const std::string simulateDriver = entry >= 0 ? cmbdriverList1.List(entry) : std::string();
    const MGetCmdOutput::CmdOutput answer = MGetCmdOutput::RunCmd(
        DriverProbe::SimulateCommandLine(appDirectory, separator, i, DeviceAddress, simulateDriver), false,
        true, false, inAppDirectory);
    if (Abandoned()) return;
    TestResult = DriverProbe::ClassifySimulation(answer.text);
}

void frmSelectDriver::EnterTestPage()
{
    m_testRunning = true;
    FillDriverList();
    lberrorDisp.SetCaption(DriverProbe::WriterDescriptionOf(SelectedWriter));
    cmdNext.SetCaption(Lang("2007"));
    lbhead.SetCaption(Lang("2003"));
    m_form.Show();
    ShowTestResult();
    m_testRunning = false;
    if (Abandoned()) return;
    lbSuccess.SetCaption(ResultMessage);
}

void frmSelectDriver::ShowTestResult()
{
    std::int16_t TestResult = 0;
    TestDrivers(TestResult);
    if (Abandoned()) return;
    const DriverProbe::ResultKeys keys = DriverProbe::ResultKeysOf(TestResult, m_settingSaved);
    LbFooter.SetCaption(JoinedTexts(keys.footer));
    ResultMessage = JoinedTexts(keys.message);
    SetProgress(DriverProbe::kProgressMaximum, DriverProbe::kProgressMaximum);
    m_form.Refresh();
    cmdBack.SetEnabled(true);
    cmdNext.SetEnabled(true);
}

void frmSelectDriver::Form_CloseRequest()
{
    if (m_testRunning) {
        // Page 2's work notices this after the running tool has been stopped, and ends the program.
        m_closing = true;
        MGetCmdOutput::StopRunningCommand();
        return;
    }
    platform::EndProgram(0);
}
