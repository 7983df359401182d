// The window events while a tool runs, message boxes, and the ways a program ends: at once,
// through a failure, or by an exception that escapes an event handler.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "ui_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using uitest::Hwnd;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A click posted to the window from another thread, the way a user's click arrives.
void PostClick(ui::Form& form, const char* button)
{
    HWND hwnd = Hwnd(form.Find(button));
    ::PostMessageW(Hwnd(form), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
}

TEST(RunWindowEvents, AnEventArrivingWhileThePipeIsSilentRunsDuringTheWait)
{
    auto form = ui::CreateForm(uitest::SmallDesign());
    form->Show();
    std::atomic<double> clickedAt{-1};
    const Clock::time_point start = Clock::now();
    form->OnClick("cmdOk", [&] { clickedAt = SecondsSince(start); });
    uitest::Pipe pipe;
    std::atomic<double> postedAt{-1};
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        postedAt = SecondsSince(start);
        PostClick(*form, "cmdOk");
    });
    ui::RunWindowEvents(reinterpret_cast<std::intptr_t>(pipe.read), 3000);
    user.join();
    ASSERT_GE(clickedAt.load(), 0.0) << "the click did not run while the pipe was waited on";
    EXPECT_LT(clickedAt - postedAt, 1.0);
}

TEST(RunWindowEvents, ReturnsOnceThePipeHasDataOrBreaks)
{
    uitest::Pipe pipe;
    std::thread tool([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        DWORD written = 0;
        ::WriteFile(pipe.write, "x", 1, &written, nullptr);
    });
    Clock::time_point start = Clock::now();
    ui::RunWindowEvents(reinterpret_cast<std::intptr_t>(pipe.read), 30000);
    tool.join();
    EXPECT_LT(SecondsSince(start), 10.0);
    DWORD available = 0;
    ASSERT_TRUE(::PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(available, 1u);

    uitest::Pipe broken;
    ::CloseHandle(broken.write);
    broken.write = nullptr;
    start = Clock::now();
    ui::RunWindowEvents(reinterpret_cast<std::intptr_t>(broken.read), 30000);
    EXPECT_LT(SecondsSince(start), 10.0);
}

TEST(RunWindowEvents, WaitsAsLongAsAskedWhenNothingHappensAndNotAtAllForZero)
{
    uitest::Pipe pipe;
    Clock::time_point start = Clock::now();
    ui::RunWindowEvents(reinterpret_cast<std::intptr_t>(pipe.read), 300);
    const double waited = SecondsSince(start);
    EXPECT_GE(waited, 0.28);
    EXPECT_LT(waited, 10.0);

    auto form = ui::CreateForm(uitest::SmallDesign());
    int clicks = 0;
    form->OnClick("cmdOk", [&] { ++clicks; });
    PostClick(*form, "cmdOk");
    ui::RunWindowEvents(reinterpret_cast<std::intptr_t>(pipe.read), 0);
    EXPECT_EQ(clicks, 1);
}

struct SeenBox {
    std::string text;
    platform::MessageIcon icon = platform::MessageIcon::None;
    std::wstring caption;
    bool hasOk = false;
    bool hasCancel = false;
    bool ownerEnabled = true;
};

TEST(MessageBoxes, TheObserverSeesTheBoxAsShownAndClosesIt)
{
    auto form = ui::CreateForm(uitest::SmallDesign());
    form->Show();
    std::vector<SeenBox> seen;
    ui::SetMessageBoxObserver([&](const std::string& text, platform::MessageIcon icon) {
        SeenBox box;
        box.text = text;
        box.icon = icon;
        HWND hwnd = ::FindWindowW(L"#32770", nullptr);
        box.caption = uitest::WindowText(hwnd);
        box.hasOk = ::GetDlgItem(hwnd, IDOK) != nullptr;
        box.hasCancel = ::GetDlgItem(hwnd, IDCANCEL) != nullptr;
        box.ownerEnabled = ::IsWindowEnabled(Hwnd(*form)) != FALSE;
        seen.push_back(box);
        return true;
    });
    ui::ShowMessage("Select your CD writer", platform::MessageIcon::Information);
    ui::ShowMessage("Tessaline is damaged", platform::MessageIcon::None);
    ui::ShowMessage("The skin file is damaged", platform::MessageIcon::Critical);
    ui::SetMessageBoxObserver({});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "Select your CD writer");
    EXPECT_EQ(seen[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(seen[1].icon, platform::MessageIcon::None);
    EXPECT_EQ(seen[2].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(seen[0].caption, L"Tessaline");
    EXPECT_TRUE(seen[0].hasOk);
    EXPECT_FALSE(seen[0].hasCancel);
    // Modal to the window on view: it takes no clicks while the box is up, and does again after.
    EXPECT_FALSE(seen[0].ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(Hwnd(*form)));
}

TEST(MessageBoxes, TextGoesThroughTheAnsiCodePage)
{
    std::string seen;
    ui::SetMessageBoxObserver([&](const std::string& text, platform::MessageIcon) {
        seen = text;
        return true;
    });
    ui::ShowMessage("Le pilote g\xC3\xA9n\xC3\xA9rique a \xC3\xA9t\xC3\xA9 enregistr\xC3\xA9.",
                    platform::MessageIcon::Information);
    ui::SetMessageBoxObserver({});
    if (::GetACP() == 1252)
        EXPECT_EQ(seen, "Le pilote g\xC3\xA9n\xC3\xA9rique a \xC3\xA9t\xC3\xA9 enregistr\xC3\xA9.");
    else
        EXPECT_EQ(seen.substr(0, 9), "Le pilote");
}

TEST(MessageBoxes, AnObserversFailureComesBackOnceTheBoxIsClosed)
{
    ui::SetMessageBoxObserver([](const std::string&, platform::MessageIcon) -> bool {
        throw std::runtime_error("observer failed");
    });
    EXPECT_THROW(ui::ShowMessage("x", platform::MessageIcon::None), std::runtime_error);
    ui::SetMessageBoxObserver({});
}

// ----- The ways a program ends, each in a child process of its own -----

void InstallProgramHooks()
{
    platform::SetUiHooks(
        {[](const std::string& text, platform::MessageIcon icon) { ui::ShowMessage(text, icon); },
         [](int status) { ui::EndNow(status); }});
}

const bool kScenarios = [] {
    uitest::RegisterChildScenario("end-now", [](const std::vector<std::string>&) -> int { ui::EndNow(7); });
    uitest::RegisterChildScenario("fail", [](const std::vector<std::string>&) -> int {
        InstallProgramHooks();
        ui::Fail("The skin cannot be applied.");
    });
    uitest::RegisterChildScenario("throwing-handler", [](const std::vector<std::string>&) -> int {
        InstallProgramHooks();
        auto form = ui::CreateForm(uitest::SmallDesign());
        form->OnClick("cmdOk", [] { throw std::runtime_error("The handler broke."); });
        form->Show();
        ::SendMessageW(Hwnd(form->Find("cmdOk")), BM_CLICK, 0, 0);
        return 0;  // never reached: the failure ends the program
    });
    uitest::RegisterChildScenario("close-ends", [](const std::vector<std::string>&) -> int {
        InstallProgramHooks();
        auto form = ui::CreateForm(uitest::SmallDesign());
        form->OnCloseRequest([] { platform::EndProgram(3); });
        form->Show();
        ::PostMessageW(Hwnd(*form), WM_CLOSE, 0, 0);
        uitest::RunEventsUntil([] { return false; });
        return 0;  // the close request never came
    });
    return true;
}();

TEST(ProgramEnd, EndNowEndsWithTheStatusAndNoBox)
{
    const uitest::ChildOutcome outcome = uitest::RunChild("end-now");
    EXPECT_EQ(outcome.status, 7);
    EXPECT_EQ(outcome.messages, "");
}

TEST(ProgramEnd, AFailureShowsItsMessageWithTheErrorIconAndEndsWithOne)
{
    const uitest::ChildOutcome outcome = uitest::RunChild("fail");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "2|The skin cannot be applied.\n");
}

TEST(ProgramEnd, AnExceptionFromAHandlerNeverCrossesWindowsItEndsThroughAFailure)
{
    const uitest::ChildOutcome outcome = uitest::RunChild("throwing-handler");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "2|The handler broke.\n");
}

TEST(ProgramEnd, TheCloseBoxHandlerDecidesTheEnd)
{
    const uitest::ChildOutcome outcome = uitest::RunChild("close-ends");
    EXPECT_EQ(outcome.status, 3);
    EXPECT_EQ(outcome.messages, "");
}

}  // namespace
