// On both runtimes: the window events while a tool runs, message boxes, and the ways a program
// ends: through a failure, or by an exception that escapes an event handler.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "driver.h"
#include "process_support.h"
#include "small_design.h"
#include "test_policy.h"

namespace window_test {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(RunWindowEvents, AnEventArrivingWhileThePipeIsSilentRunsDuringTheWait)
{
    ui::Form form(SmallDesign());
    form.Show();
    std::atomic<double> clickedAt{-1};
    const Clock::time_point start = Clock::now();
    const ui::Button ok = form.Find<ui::Button>("cmdOk");
    Pipe pipe;
    // The click writes to the pipe, which ends the wait: it ran during it.
    form.Find<ui::Button>("cmdOk").OnClick([&] {
        clickedAt = SecondsSince(start);
        pipe.WriteByte();
    });
    std::atomic<double> postedAt{-1};
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        postedAt = SecondsSince(start);
        PostClick(ok);
    });
    ui::RunWindowEvents(pipe.ReadEnd(), test_policy::kFaultTimeoutMs);
    const double returnedAt = SecondsSince(start);
    user.join();
    ASSERT_GE(clickedAt.load(), 0.0) << "the click did not run while the pipe was waited on";
    EXPECT_GE(clickedAt.load(), postedAt.load());
    EXPECT_LT(returnedAt, test_policy::kFaultTimeoutMs / 1000.0);
}

TEST(RunWindowEvents, ReturnsOnceThePipeHasDataOrBreaks)
{
    Pipe pipe;
    std::thread tool([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pipe.WriteByte();
    });
    Clock::time_point start = Clock::now();
    ui::RunWindowEvents(pipe.ReadEnd(), 30000);
    tool.join();
    EXPECT_LT(SecondsSince(start), 10.0);
    EXPECT_EQ(pipe.Available(), 1u);

    Pipe broken;
    broken.CloseWriteEnd();
    start = Clock::now();
    ui::RunWindowEvents(broken.ReadEnd(), 30000);
    EXPECT_LT(SecondsSince(start), 10.0);
}

TEST(RunWindowEvents, WaitsAsLongAsAskedWhenNothingHappensAndNotAtAllForZero)
{
    Pipe pipe;
    const Clock::time_point start = Clock::now();
    ui::RunWindowEvents(pipe.ReadEnd(), 300);
    const double waited = SecondsSince(start);
    EXPECT_GE(waited, 0.28);
    EXPECT_LT(waited, 10.0);

    ui::Form form(SmallDesign());
    form.Show();
    int clicks = 0;
    const ui::Button ok = form.Find<ui::Button>("cmdOk");
    form.Find<ui::Button>("cmdOk").OnClick([&] { ++clicks; });
    PostClick(ok);
    ui::RunWindowEvents(pipe.ReadEnd(), 0);
    EXPECT_EQ(clicks, 1);
}

struct SeenBox {
    std::string text;
    platform::MessageIcon icon = platform::MessageIcon::None;
    MessageBoxView view;
    bool windowTakesInput = true;
};

TEST(MessageBoxes, TheObserverSeesTheBoxAsShownAndClosesIt)
{
    auto form = std::make_unique<ui::Form>(SmallDesign());
    form->Show();
    ASSERT_TRUE(Activate(*form));
    std::vector<SeenBox> seen;
    ui::SetMessageBoxObserver([&](const std::string& text, platform::MessageIcon icon) {
        SeenBox box;
        box.text = text;
        box.icon = icon;
        box.view = MessageBoxOnView();
        box.windowTakesInput = form != nullptr && TakesInput(*form);
        seen.push_back(box);
        return true;
    });
    ui::ShowMessage("Select your CD writer", platform::MessageIcon::Information);
    ui::ShowMessage("Tessaline is damaged", platform::MessageIcon::None);
    form.reset();  // before the window shows: a box of the whole program
    ui::ShowMessage("Le pilote g\xC3\xA9n\xC3\xA9rique est enregistr\xC3\xA9.",
                    platform::MessageIcon::Critical);
    ui::SetMessageBoxObserver({});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "Select your CD writer");
    EXPECT_EQ(seen[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(seen[1].icon, platform::MessageIcon::None);
    EXPECT_EQ(seen[2].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(seen[0].view.caption, "Tessaline");
    EXPECT_TRUE(seen[0].view.hasOk);
    EXPECT_FALSE(seen[0].view.hasCancel);
    // Modal: the window takes no input while the box is up.
    EXPECT_FALSE(seen[0].windowTakesInput);
    // The text as given (on Windows through the ANSI code page, 1252 in Wine's prefix: the accents
    // stay).
    EXPECT_EQ(seen[2].text, "Le pilote g\xC3\xA9n\xC3\xA9rique est enregistr\xC3\xA9.");
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

// A child that is a program of its own: the toolkit, and the hooks the program installs.
struct ChildProgram {
    ChildProgram()
    {
        platform::SetUiHooks({ui::ShowMessage, [](int status) { ui::EndNow(status); }});
    }
    int argc = 1;
    char name[8] = "program";
    char* argv[2] = {name, nullptr};
    ui::Application application{argc, argv};
};

const bool kScenarios = [] {
    RegisterChildScenario("fail", [](const std::vector<std::string>&) -> int {
        const ChildProgram program;
        ui::Fail("The skin cannot be applied.");
    });
    RegisterChildScenario("throwing-handler", [](const std::vector<std::string>&) -> int {
        const ChildProgram program;
        ui::Form form(SmallDesign());
        ui::Button ok = form.Find<ui::Button>("cmdOk");
        ok.OnClick([] { throw std::runtime_error("The handler broke."); });
        form.Show();
        Click(ok);
        return 0;  // never reached: the failure ends the program
    });
    RegisterChildScenario("unknown-failure", [](const std::vector<std::string>&) -> int {
        const ChildProgram program;
        ui::Form form(SmallDesign());
        form.OnCloseRequest([] { throw 42; });
        form.Show();
        PressCloseBox(form);
        return 0;  // never reached
    });
    return true;
}();

TEST(ProgramEnd, AFailureShowsItsMessageWithTheErrorIconAndEndsWithOne)
{
    const ChildOutcome outcome = RunChild("fail");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "2|The skin cannot be applied.\n");
}

TEST(ProgramEnd, AnExceptionFromAHandlerNeverCrossesTheToolkitItEndsThroughAFailure)
{
    const ChildOutcome outcome = RunChild("throwing-handler");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "2|The handler broke.\n");
}

TEST(ProgramEnd, AFailureThatIsNoExceptionClassIsAnUnexpectedError)
{
    const ChildOutcome outcome = RunChild("unknown-failure");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.messages, "2|An unexpected error occurred.\n");
}

}  // namespace
}  // namespace window_test
