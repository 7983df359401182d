// The runner on the real Win32 calls: what a child inherits, the job that a stop ends, handles
// that stay balanced, and output read in the ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/process.h"
#include "runner/MGetCmdOutput.h"
#include "test_policy.h"
#include "test_support.h"

namespace {

using namespace MGetCmdOutput;
using testing_support::CommandLine;
using Clock = std::chrono::steady_clock;

long Milliseconds(Clock::duration d)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

long NumberAfter(const std::string& text, const std::string& key)
{
    const std::size_t at = text.find(key);
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + key.size());
}

std::string Write(std::initializer_list<std::string> actions) { return CommandLine(WRITE_HELPER, actions); }

bool EndsWithin(long pid, int ms)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (testing_support::IsRunning(pid)) {
        if (Clock::now() > deadline) return false;
        ::Sleep(5);
    }
    return true;
}

// Wine ignores the list of handles a child may inherit and hands it every inheritable one.
bool RunningOnWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

DWORD HandleCount()
{
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

class RunnerWinTest : public ::testing::Test {
protected:
    void TearDown() override { SetEventHook(nullptr); }
};

// The system's fine timer step costs power: it is held while a child is waited for, and given
// back as soon as the run ends.
TEST_F(RunnerWinTest, HoldsTheFineTimerOnlyWhileAChildIsWaitedFor)
{
    EXPECT_EQ(platform::FineTimersHeld(), 0);
    int heldDuringTheRun = -1;
    SetEventHook([&](platform::NativeHandle, int) { heldDuringTheRun = platform::FineTimersHeld(); });
    const CmdOutput out = RunCmd(Write({"err:first", "sleep:100", "err:second"}), false, true, false);
    EXPECT_EQ(out.text, "firstsecond");
    EXPECT_EQ(heldDuringTheRun, 1);
    EXPECT_EQ(platform::FineTimersHeld(), 0);
}

// Stopped once the child's line of ids has been read, when child and grandchild both run.
TEST_F(RunnerWinTest, StopEndsTheChildAndWhatItStartedPromptly)
{
    Clock::time_point stopAt{};
    bool idsRead = false;
    const auto start = Clock::now();
    SetEventHook([&](std::intptr_t readEnd, int maxWaitMs) {
        if (maxWaitMs != 0) return;  // only calls right before a read
        if (stopAt == Clock::time_point{} &&
            (idsRead || Milliseconds(Clock::now() - start) > test_policy::kFaultTimeoutMs)) {
            stopAt = Clock::now();
            StopRunningCommand();
        }
        // The line is written at once, so the read after this call takes all of it.
        DWORD waiting = 0;
        idsRead = idsRead || (::PeekNamedPipe(reinterpret_cast<HANDLE>(readEnd), nullptr, 0, nullptr,
                                              &waiting, nullptr) &&
                              waiting > 0);
    });
    const CmdOutput out = RunCmd(CommandLine(SPAWN_HELPER, {"forever"}), false, true, false);
    EXPECT_EQ(out.status, RunStatus::Stopped);
    EXPECT_LT(Milliseconds(Clock::now() - stopAt), test_policy::kFaultTimeoutMs);
    const long child = NumberAfter(out.text, "child=");
    const long grandchild = NumberAfter(out.text, "grandchild=");
    ASSERT_GT(child, 0) << out.text;
    ASSERT_GT(grandchild, 0) << out.text;
    EXPECT_TRUE(EndsWithin(child, test_policy::kFaultTimeoutMs));
    EXPECT_TRUE(EndsWithin(grandchild, test_policy::kFaultTimeoutMs)) << "the grandchild escaped the job";
}

TEST_F(RunnerWinTest, ChildGetsTheNullDeviceAndNoOtherHandleOfOurs)
{
    testing_support::TempDir dir;
    testing_support::ScopedEnv env("TESSALINE_TEST_VALUE", "seen by the child");
    testing_support::ScopedCurrentDir cwd(dir.path());
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE stray = ::CreateEventA(&inheritable, TRUE, FALSE, nullptr);
    ASSERT_NE(stray, nullptr);
    const std::string handleArgument = "--handle=" + std::to_string(reinterpret_cast<std::uintptr_t>(stray));
    const std::string report = GetCmdOutput(
        CommandLine(REPORT_HELPER, {"a b", "c\"d", handleArgument}) + " \\\\srv\\x", false, true, false);
    ::CloseHandle(stray);
    char current[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(report, "stdin=null stdout=null stderr=pipe\ncwd=" + std::string(current, length) +
                          "\nenv=seen by the child\narg=" REPORT_HELPER "\narg=a b\narg=c\"d\nhandle=" +
                          (RunningOnWine() ? "inherited" : "absent") +
                          "\n"
                          "arg=\\\\srv\\x\n");
    EXPECT_NE(
        GetCmdOutput(CommandLine(REPORT_HELPER, {}), true, true, false).find("stdout=pipe stderr=pipe\n"),
        std::string::npos);
}

TEST_F(RunnerWinTest, LeavesNoHandleOpen)
{
    RunCmd(Write({}), true, true, false);  // first use sets up what the system keeps for good
    const DWORD before = HandleCount();
    for (int i = 0; i < 200; ++i) ASSERT_EQ(RunCmd(Write({}), true, true, false).status, RunStatus::Finished);
    EXPECT_TRUE(RunCmd("C:\\nonexistent\\tool.exe", false, true, false).status == RunStatus::NotStarted);
    EXPECT_EQ(HandleCount(), before);
}

// The child runs on until the test lets it end: the call returns without waiting for it.
TEST_F(RunnerWinTest, AChildThatClosesItsOutputEarlyKeepsRunningWithoutBeingWaitedFor)
{
    testing_support::TempDir dir;
    const std::string go = (dir.path() / "go").string();
    const long pid =
        NumberAfter(GetCmdOutput(Write({"pid", "close", "wait:" + go}), false, true, false), "pid=");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(testing_support::IsRunning(pid));
    testing_support::WriteFile(go, "");
    EXPECT_TRUE(EndsWithin(pid, test_policy::kFaultTimeoutMs));
}

// Console output is text in the ANSI code page; the console (OEM) code page only when asked.
TEST_F(RunnerWinTest, DecodesTheAnsiCodePageAndTranslatesFromTheOemCodePageWhenAsked)
{
    if (::GetACP() != 1252 || ::GetOEMCP() != 437) SKIP_OR_FAIL_UNDER_CI("needs code pages 1252 and 437");
    const std::string line = Write({"hex:err:8294"});
    EXPECT_EQ(GetCmdOutput(line, false, true, true), "\xC3\xA9\xC3\xB6");           // é ö
    EXPECT_EQ(GetCmdOutput(line, false, true, false), "\xE2\x80\x9A\xE2\x80\x9D");  // ‚ ”
    EXPECT_EQ(GetCmdOutput(Write({"hex:err:41E9", "sleep:50", "hex:err:80"}), false, true, false),
              "A\xC3\xA9\xE2\x82\xAC");  // A é €
}

}  // namespace
