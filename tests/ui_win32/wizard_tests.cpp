// The real window on the Win32 runtime, in this process: its captions from the language file,
// its layout from the design, its states and keyboard on page 1, the page flow driven by button
// messages against the stand-in tool, and the close during a probe.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/wide_win.h"
#include "runner/MGetCmdOutput.h"
#include "ui_test_support.h"
#include "wizard/form_design.h"
#include "wizard/frmSelectDriver.h"
#include "wizard_fixture.h"

namespace {

using platform::win::Utf8ToWide;
using uitest::Hwnd;
using uitest::WindowText;

std::wstring Text(const char* key) { return Utf8ToWide(uitest::EnglishText(key)); }

bool Shown(ui::Control* control) { return ::IsWindowVisible(Hwnd(*control)) != FALSE; }

void Click(ui::Control* button) { ::SendMessageW(Hwnd(*button), BM_CLICK, 0, 0); }

// Copies of the stand-in tool that this process started and that still run.
int RunningTools()
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        count += _wcsicmp(entry.szExeFile, L"Burn.exe") == 0 &&
                 entry.th32ParentProcessID == ::GetCurrentProcessId();
    ::CloseHandle(snapshot);
    return count;
}

class WizardWindow : public testing::Test {
protected:
    void SetUp() override { fx->RecordProgramHooks(); }

    void Start(frmSelectDriver& view)
    {
        ASSERT_TRUE(view.Form_Load());
        view.Window().Show();
        ASSERT_TRUE(uitest::RunEventsUntil([&] { return ::GetActiveWindow() == Hwnd(view.Window()); }));
    }

    std::unique_ptr<uitest::AppFolder> fx = std::make_unique<uitest::AppFolder>();
};

TEST_F(WizardWindow, OpensOnPageOneWithTheLanguagesTextsAndTheDesignsLayout)
{
    frmSelectDriver view;
    Start(view);
    ui::Form& form = view.Window();
    EXPECT_EQ(WindowText(Hwnd(form)), Text("2000"));
    EXPECT_EQ(WindowText(Hwnd(*view.Label1)), Text("2002"));
    EXPECT_EQ(WindowText(Hwnd(*view.lb1)), Text("2200"));
    EXPECT_EQ(WindowText(Hwnd(*view.lb2)), Text("2201"));
    EXPECT_EQ(WindowText(Hwnd(*view.cmdNext)), Text("2005"));
    EXPECT_EQ(WindowText(Hwnd(*view.cmdBack)), Text("2006"));
    EXPECT_EQ(WindowText(Hwnd(*view.lbDriver)), L"Driver Name :");  // a design text no code replaces

    uitest::ExpectLaidOut(form, frmSelectDriverDesign(), ::GetDpiForWindow(Hwnd(form)));
    for (ui::Control* shown :
         {view.fraPage1, view.Label1, view.lb1, view.lb2, static_cast<ui::Control*>(view.cmbDriverList),
          view.Picture1, view.Frame2, view.cmdBack, view.cmdNext})
        EXPECT_TRUE(Shown(shown)) << shown->Name();
    for (ui::Control* hidden : {view.fraPage2, view.fraPage3, view.lbfootermsg, view.pBar, view.lbSuccess,
                                view.LbFooter, view.lbCurrentCD})
        EXPECT_FALSE(Shown(hidden)) << hidden->Name();
    EXPECT_FALSE(::IsWindowEnabled(Hwnd(*view.cmdBack)));
    EXPECT_TRUE(::IsWindowEnabled(Hwnd(*view.cmdNext)));

    HWND list = Hwnd(*view.cmbDriverList);
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(view.cmbDriverList->Text(), "1,0,0  First Writer");

    // The keyboard: the list has the focus, Tab goes to Next (Back is disabled) and back, and Next
    // is the default button, drawn through the skin.
    EXPECT_EQ(::GetFocus(), list);
    EXPECT_EQ(::GetNextDlgTabItem(Hwnd(form), list, FALSE), Hwnd(*view.cmdNext));
    EXPECT_EQ(::GetNextDlgTabItem(Hwnd(form), Hwnd(*view.cmdNext), FALSE), list);
    EXPECT_EQ(LOWORD(::SendMessageW(Hwnd(form), DM_GETDEFID, 0, 0)), ::GetDlgCtrlID(Hwnd(*view.cmdNext)));
    EXPECT_EQ(::GetWindowLongW(Hwnd(*view.cmdNext), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_TRUE(fx->messages.empty());
}

TEST_F(WizardWindow, NextTestsTheDriversBackReturnsFinishEnds)
{
    frmSelectDriver view;
    Start(view);
    Click(view.cmdNext);

    EXPECT_EQ(view.CurrentPage, 2);
    EXPECT_FALSE(Shown(view.fraPage1));
    EXPECT_TRUE(Shown(view.fraPage2));
    EXPECT_EQ(uitest::RectInParent(Hwnd(*view.fraPage2)).top, uitest::RectInParent(Hwnd(*view.fraPage1)).top);
    EXPECT_EQ(WindowText(Hwnd(*view.lbDrivername)), L"generic-mmc");
    EXPECT_EQ(WindowText(Hwnd(*view.lbSuccess)), Text("2110"));
    EXPECT_EQ(WindowText(Hwnd(*view.lberrorDisp)), L"First Writer");
    EXPECT_EQ(WindowText(Hwnd(*view.cmdNext)), Text("2007"));
    EXPECT_TRUE(::IsWindowEnabled(Hwnd(*view.cmdNext)));
    EXPECT_TRUE(::IsWindowEnabled(Hwnd(*view.cmdBack)));
    EXPECT_EQ(fx->DriverValue(), "1");
    // The bar is full: its width in pixels is that of 3420 twips.
    const RECT bar = uitest::RectInParent(Hwnd(*view.pBar));
    EXPECT_EQ(bar.right - bar.left,
              ::MulDiv(3420, static_cast<int>(::GetDpiForWindow(Hwnd(view.Window()))), 1440));
    const std::vector<std::string> commands = fx->ToolCommands();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_NE(commands[3].find("simulate --device 1,0,0 --driver generic-mmc -n --reload --eject test.cue"),
              std::string::npos)
        << commands[3];

    Click(view.cmdBack);
    EXPECT_EQ(view.CurrentPage, 1);
    EXPECT_TRUE(Shown(view.fraPage1));
    EXPECT_FALSE(Shown(view.fraPage2));
    EXPECT_EQ(WindowText(Hwnd(*view.cmdNext)), Text("2005"));

    // The user picks the second writer: it works with plextor only and has no appendable disc.
    ::SendMessageW(Hwnd(*view.cmbDriverList), CB_SETCURSEL, 1, 0);
    Click(view.cmdNext);
    EXPECT_EQ(fx->DriverValue(), "4");
    EXPECT_EQ(WindowText(Hwnd(*view.lbDrivername)), L"plextor");
    EXPECT_EQ(WindowText(Hwnd(*view.lbSuccess)), Text("2106") + L"\n" + Text("2105"));

    EXPECT_TRUE(fx->endStatuses.empty());
    Click(view.cmdNext);  // Finish
    EXPECT_EQ(fx->endStatuses, std::vector<int>{0});
    EXPECT_TRUE(fx->messages.empty());
}

TEST_F(WizardWindow, EnterInTheListStartsTheTest)
{
    frmSelectDriver view;
    Start(view);
    ::PostMessageW(Hwnd(*view.cmbDriverList), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(uitest::RunEventsUntil([&] { return fx->DriverValue() == "1" && view.CurrentPage == 2; }));
    EXPECT_TRUE(uitest::RunEventsUntil([&] { return ::IsWindowEnabled(Hwnd(*view.cmdNext)) != FALSE; }));
    // With the buttons back, Enter is Finish.
    ::PostMessageW(::GetFocus() != nullptr ? ::GetFocus() : Hwnd(view.Window()), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(uitest::RunEventsUntil([&] { return !fx->endStatuses.empty(); }));
    EXPECT_EQ(fx->endStatuses, std::vector<int>{0});
}

TEST_F(WizardWindow, ClosingDuringASilentProbeStopsTheToolAndEnds)
{
    fx->WriteScenario("[writer]\naddress = 1,0,0\ndescription = Slow\ndrivers = generic-mmc\n"
                      "disk-info.delay-ms = 20000\n");
    frmSelectDriver view;
    Start(view);
    HWND window = Hwnd(view.Window());
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> posted{false};
    Clock::time_point postedAt;
    // The close box, pressed while the tool is silent.
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        postedAt = Clock::now();
        posted = true;
        ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    Click(view.cmdNext);
    const Clock::time_point returnedAt = Clock::now();
    user.join();

    ASSERT_TRUE(posted);
    EXPECT_LT(std::chrono::duration<double>(returnedAt - postedAt).count(), 5.0);
    EXPECT_EQ(fx->endStatuses, std::vector<int>{0});
    EXPECT_EQ(fx->ToolCommands().size(), 2u);  // the scan and the first probe, nothing after it
    EXPECT_EQ(fx->DriverValue(), "<none>");
    EXPECT_FALSE(MGetCmdOutput::IsCommandRunning());
    EXPECT_TRUE(uitest::RunEventsUntil([] { return RunningTools() == 0; }));
    EXPECT_FALSE(::IsWindowVisible(window));
}

TEST(WizardLanguage, AccentedTextsReadByTheSystemShowAsWritten)
{
    uitest::AppFolder fx("French.ini");
    fx.RecordProgramHooks();
    frmSelectDriver view;
    ASSERT_TRUE(view.Form_Load());
    EXPECT_EQ(WindowText(Hwnd(*view.Label1)), L"Graveurs de CD trouv\u00e9s sur cet ordinateur :");
    EXPECT_EQ(WindowText(Hwnd(view.Window())), L"Assistant de pilote Tessaline");
}

}  // namespace
