#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "runner/MGetCmdOutput.h"
#include "test_policy.h"
#include "test_support.h"

namespace {

using namespace MGetCmdOutput;
using testing_support::CommandLine;
using Clock = std::chrono::steady_clock;

[[maybe_unused]] long Milliseconds(Clock::duration d)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

std::string Write(std::initializer_list<std::string> actions) { return CommandLine(WRITE_HELPER, actions); }

[[maybe_unused]] long NumberAfter(const std::string& text, const std::string& key)
{
    const std::size_t at = text.find(key);
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + key.size());
}

// How many bytes wait in the pipe behind readEnd, as the system counts them.
#ifdef _WIN32
std::size_t BytesWaiting(std::intptr_t readEnd)
{
    DWORD available = 0;
    if (!::PeekNamedPipe(reinterpret_cast<HANDLE>(readEnd), nullptr, 0, nullptr, &available, nullptr))
        return 0;
    return available;
}
#else
std::size_t BytesWaiting(std::intptr_t readEnd)
{
    int available = 0;
    if (::ioctl(static_cast<int>(readEnd), FIONREAD, &available) != 0) return 0;
    return static_cast<std::size_t>(available);
}
#endif

class RunnerTest : public ::testing::Test {
protected:
    void TearDown() override { SetEventHook(nullptr); }
};

TEST_F(RunnerTest, CapturingNeitherStreamIsAnInvalidCall)
{
    testing_support::TempDir dir;
    testing_support::ScopedEnv log("TESSALINE_BURN_LOG", (dir.path() / "log").string());
    try {
        RunCmd(CommandLine(BURN_EXE, {"scanbus"}), false, false, false);
        FAIL() << "no error raised";
    } catch (const InvalidCallError& error) {
        EXPECT_EQ(error.number, 5);
        EXPECT_STREQ(error.what(), "Invalid procedure call or argument");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "log"));  // nothing was started
}

// The helper writes its 3000 bytes in one write, which a pipe takes whole. The hook runs before
// every read, so once the whole output waits in the pipe, the fall of the bytes waiting from
// one call of the hook to the next is the size of the read between them.
TEST_F(RunnerTest, ReadsLargeOutputWholeInChunksOfAtMost1024Bytes)
{
    constexpr std::size_t kSize = 3000;
    std::vector<std::size_t> waiting;
    SetEventHook([&](std::intptr_t readEnd, int maxWaitMs) {
        if (maxWaitMs != 0) return;
        if (waiting.empty()) {
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            while (BytesWaiting(readEnd) < kSize && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        waiting.push_back(BytesWaiting(readEnd));
    });
    const CmdOutput out = RunCmd(Write({"bytes:err:" + std::to_string(kSize)}), false, true, false);
    std::string expected;
    for (std::size_t k = 0; k < kSize; ++k) expected += static_cast<char>('a' + k % 26);
    EXPECT_EQ(out.text, expected);
    EXPECT_EQ(out.status, RunStatus::Finished);

    ASSERT_FALSE(waiting.empty());
    ASSERT_EQ(waiting.front(), kSize) << "the output never waited whole in the pipe";
    std::vector<std::size_t> reads;
    for (std::size_t k = 1; k < waiting.size(); ++k) {
        ASSERT_LE(waiting[k], waiting[k - 1]) << "the pipe grew after the helper's only write";
        if (waiting[k] < waiting[k - 1]) reads.push_back(waiting[k - 1] - waiting[k]);
    }
    EXPECT_EQ(std::accumulate(reads.begin(), reads.end(), std::size_t{0}), kSize);
    for (std::size_t read : reads) EXPECT_LE(read, 1024u);
}

TEST_F(RunnerTest, CapturesOnlyTheStreamsAskedFor)
{
    const std::string line = Write({"out:OUT1 ", "err:ERR1 ", "out:OUT2 ", "err:ERR2"});
    EXPECT_EQ(GetCmdOutput(line, false, true, false), "ERR1 ERR2");
    EXPECT_EQ(GetCmdOutput(line, true, false, false), "OUT1 OUT2 ");
    EXPECT_EQ(GetCmdOutput(line, true, true, false), "OUT1 ERR1 OUT2 ERR2");
}

TEST_F(RunnerTest, TellsSilenceFromAFailedStart)
{
    const CmdOutput silent = RunCmd(Write({}), true, true, false);
    EXPECT_EQ(silent.text, "");
    EXPECT_EQ(silent.status, RunStatus::Finished);

    const CmdOutput missing = RunCmd("/nonexistent/folder/tool.exe scanbus", false, true, false);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(missing.status, RunStatus::NotStarted);

    testing_support::TempDir dir;
    testing_support::WriteFile(dir.path() / "notrunnable.exe", "just text\n");  // exists, cannot be executed
    EXPECT_EQ(RunCmd((dir.path() / "notrunnable.exe").string(), false, true, false).status,
              RunStatus::NotStarted);
}

TEST_F(RunnerTest, WaitsForAGrandchildThatHoldsTheOutput)
{
    const auto start = Clock::now();
    const std::string text = GetCmdOutput(CommandLine(SPAWN_HELPER, {"hold", "2000"}), false, true, false);
    EXPECT_GE(Milliseconds(Clock::now() - start), 1900);
    EXPECT_EQ(text, "child done\ngrandchild done\n");
}

#ifndef _WIN32
TEST_F(RunnerTest, KeepsACharacterSplitAcrossReadsWhole)
{
    EXPECT_EQ(
        GetCmdOutput(Write({"hex:err:41C3", "sleep:100", "hex:err:A9F09F", "sleep:100", "hex:err:9880"}),
                     false, true, false),
        "A\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(GetCmdOutput(Write({"hex:err:41FF42C3"}), false, true, false), "A\xEF\xBF\xBD"
                                                                             "B\xEF\xBF\xBD");
}

TEST_F(RunnerTest, TranslatesFromTheConsoleCodePageOnlyWhenAsked)
{
    const std::string line = Write({"hex:err:8294"});
    EXPECT_EQ(GetCmdOutput(line, false, true, true), "\xC3\xA9\xC3\xB6");
    EXPECT_EQ(GetCmdOutput(line, false, true, false), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

#endif

// The window must get its events at least every 20 ms, whether the hook waits or not: while the
// child is silent the hook is called again and again, never allowed to wait longer than that.
// The child stays silent until the hook has been called kSilentCalls times, so only a runner
// that stops calling the hook ends the silence any other way (the helper gives up after a
// minute). The gaps themselves are measured by bench/.
TEST_F(RunnerTest, KeepsCallingTheHookWhileTheChildIsSilent)
{
    constexpr std::size_t kSilentCalls = 20;
    for (const bool hookWaits : {true, false}) {
        testing_support::TempDir dir;
        const std::string go = (dir.path() / "go").string();
        std::vector<Clock::time_point> calls;
        int badWait = 0;
        SetEventHook([&](std::intptr_t readEnd, int maxWaitMs) {
            badWait += maxWaitMs < 0 || maxWaitMs > 20;
            if (maxWaitMs <= 0) return;
            calls.push_back(Clock::now());
            if (calls.size() == kSilentCalls) testing_support::WriteFile(go, "");
            if (hookWaits) platform::WaitReadable(readEnd, maxWaitMs);
        });
        EXPECT_EQ(GetCmdOutput(Write({"err:a", "wait:" + go, "err:b"}), false, true, false), "ab");
        ASSERT_GE(calls.size(), kSilentCalls) << "hook waits: " << hookWaits;
        EXPECT_EQ(badWait, 0);
        // No busy loop: each silent call is followed by a wait of 16 ms, in the hook or in the
        // runner. Half of it is counted: a Windows timer may end early, and the wait in which
        // the child's first byte comes is cut short.
        EXPECT_GE(Milliseconds(calls[kSilentCalls - 1] - calls[0]), static_cast<long>(kSilentCalls - 1) * 8)
            << "hook waits: " << hookWaits;
    }
}

#ifndef _WIN32
// Stopped once the child's line of ids has been read, when child and grandchild both run.
TEST_F(RunnerTest, StopEndsTheWholeGroupPromptly)
{
    for (const char* mode : {"", "ignore-term"}) {
        Clock::time_point stopAt{};
        bool runningInHook = false;
        bool idsRead = false;
        const auto start = Clock::now();
        SetEventHook([&](std::intptr_t readEnd, int maxWaitMs) {
            runningInHook = IsCommandRunning();
            if (maxWaitMs != 0) return;  // only calls right before a read
            if (stopAt == Clock::time_point{} &&
                (idsRead || Milliseconds(Clock::now() - start) > test_policy::kFaultTimeoutMs)) {
                stopAt = Clock::now();
                StopRunningCommand();
            }
            // The line is written at once, so the read after this call takes all of it.
            int waiting = 0;
            idsRead = idsRead || (::ioctl(static_cast<int>(readEnd), FIONREAD, &waiting) == 0 && waiting > 0);
        });
        const CmdOutput out = RunCmd(CommandLine(SPAWN_HELPER, {"forever", mode}), false, true, false);
        EXPECT_EQ(out.status, RunStatus::Stopped);
        EXPECT_LT(Milliseconds(Clock::now() - stopAt), test_policy::kFaultTimeoutMs) << mode;
        EXPECT_TRUE(runningInHook);
        EXPECT_FALSE(IsCommandRunning());
        const long child = NumberAfter(out.text, "child=");
        const long grandchild = NumberAfter(out.text, "grandchild=");
        ASSERT_GT(child, 0) << out.text;
        ASSERT_GT(grandchild, 0) << out.text;
        EXPECT_TRUE(test_policy::Eventually([&] {
            platform::ReapEndedChildren();
            return testing_support::ProcessState(child) == 0;
        })) << "child not collected";
        EXPECT_TRUE(test_policy::Eventually([&] { return testing_support::HasEnded(grandchild); }));
    }
}

#endif

// A tool that never ends (nor its own child) is ended with all it started once the time limit
// has passed; what it printed until then is kept.
TEST_F(RunnerTest, TheTimeLimitEndsTheWholeGroupAndKeepsWhatWasPrinted)
{
    RunOptions options;
    options.timeLimitMs = 300;
    const auto start = Clock::now();
    const CmdOutput out = RunCmd(CommandLine(SPAWN_HELPER, {"forever"}), false, true, false, options);
    EXPECT_EQ(out.status, RunStatus::TimedOut);
    EXPECT_LT(Milliseconds(Clock::now() - start), test_policy::kFaultTimeoutMs);
    const long child = NumberAfter(out.text, "child=");
    const long grandchild = NumberAfter(out.text, "grandchild=");
    ASSERT_GT(child, 0) << out.text;
    ASSERT_GT(grandchild, 0) << out.text;
    EXPECT_TRUE(test_policy::Eventually([&] {
        platform::ReapEndedChildren();
        return !testing_support::IsRunning(child) && !testing_support::IsRunning(grandchild);
    }));
    EXPECT_FALSE(IsCommandRunning());

    // A tool that ends in time is not touched.
    EXPECT_EQ(RunCmd(Write({"err:in time"}), false, true, false, options).status, RunStatus::Finished);
}

// A tool that died of a crash is told from one that ended, whatever its exit status.
TEST_F(RunnerTest, TellsAChildThatCrashedFromOneThatEnded)
{
    CmdOutput out = RunCmd(Write({"err:half an answer", "crash"}), false, true, false);
    EXPECT_EQ(out.status, RunStatus::Crashed);
    EXPECT_EQ(out.text, "half an answer");
    out = RunCmd(Write({"err:an answer", "exit:3"}), false, true, false);
    EXPECT_EQ(out.status, RunStatus::Finished);
    EXPECT_EQ(out.text, "an answer");
}

// The folder on the report helper's line "cwd=...".
std::filesystem::path FolderReported(const std::string& report)
{
    const std::size_t at = report.find("cwd=");
    if (at == std::string::npos) return {};
    return report.substr(at + 4, report.find_first_of("\r\n", at) - at - 4);
}

TEST_F(RunnerTest, StartsTheChildInTheFolderAskedFor)
{
    testing_support::TempDir dir;
    RunOptions options;
    options.workingDirectory = dir.path().string();
    const std::string report = RunCmd(CommandLine(REPORT_HELPER, {}), false, true, false, options).text;
    std::error_code error;
    EXPECT_TRUE(std::filesystem::equivalent(FolderReported(report), dir.path(), error)) << report;
    // Without a folder, the caller's.
    const std::string own = GetCmdOutput(CommandLine(REPORT_HELPER, {}), false, true, false);
    EXPECT_TRUE(std::filesystem::equivalent(FolderReported(own), std::filesystem::current_path(), error))
        << own;
}

TEST_F(RunnerTest, AFailingHookEndsTheChildAndPassesTheErrorOn)
{
    SetEventHook([](std::intptr_t, int maxWaitMs) {
        if (maxWaitMs > 0) throw std::runtime_error("window failed");
    });
    EXPECT_THROW(GetCmdOutput(CommandLine(SPAWN_HELPER, {"forever"}), false, true, false),
                 std::runtime_error);
    EXPECT_FALSE(IsCommandRunning());
}

#ifndef _WIN32
TEST_F(RunnerTest, LeaksNoDescriptorAndLeavesNoZombie)
{
    const std::size_t before = testing_support::OpenDescriptorCount();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(RunCmd(Write({}), true, true, false).status, RunStatus::Finished);
    EXPECT_EQ(testing_support::OpenDescriptorCount(), before);

    // Collected at once, or by a later call when the child took longer to end.
    const long pid = NumberAfter(GetCmdOutput(Write({"pid"}), false, true, false), "pid=");
    EXPECT_TRUE(test_policy::Eventually([&] {
        platform::ReapEndedChildren();
        return testing_support::ProcessState(pid) == 0;
    }));
}

// The child runs on until the test lets it end: the call returns without waiting for it.
TEST_F(RunnerTest, AChildThatClosesItsOutputEarlyIsCollectedLaterWithoutWaiting)
{
    testing_support::TempDir dir;
    const std::string go = (dir.path() / "go").string();
    const long pid =
        NumberAfter(GetCmdOutput(Write({"pid", "close", "wait:" + go}), false, true, false), "pid=");
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(testing_support::HasEnded(pid));
    testing_support::WriteFile(go, "");
    EXPECT_TRUE(test_policy::Eventually([&] { return testing_support::ProcessState(pid) == 'Z'; }));
    GetCmdOutput(Write({}), false, true, false);
    EXPECT_EQ(testing_support::ProcessState(pid), 0);
}

class SignalDisturbance {
public:
    SignalDisturbance()
    {
        struct sigaction tick {};
        tick.sa_handler = [](int) {};
        ::sigaction(SIGALRM, &tick, &oldAlarm_);  // no SA_RESTART: calls get EINTR
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &oldPipe_);
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        ::sigprocmask(SIG_BLOCK, &usr1, &oldMask_);
        itimerval every{{0, 3000}, {0, 3000}};
        ::setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~SignalDisturbance()
    {
        itimerval off{};
        ::setitimer(ITIMER_REAL, &off, nullptr);
        ::sigaction(SIGALRM, &oldAlarm_, nullptr);
        ::sigaction(SIGPIPE, &oldPipe_, nullptr);
        ::sigprocmask(SIG_SETMASK, &oldMask_, nullptr);
    }

private:
    struct sigaction oldAlarm_ {};
    struct sigaction oldPipe_ {};
    sigset_t oldMask_{};
};

TEST_F(RunnerTest, ChildInheritsOnlyItsStandardStreamsAndDefaultSignals)
{
    testing_support::TempDir dir;
    testing_support::ScopedEnv env("TESSALINE_TEST_VALUE", "seen by the child");
    testing_support::ScopedCurrentDir cwd(dir.path());
    const int stray = ::open("/dev/null", O_RDONLY);  // inheritable on purpose
    std::string report;
    {
        SignalDisturbance disturbance;
        report =
            GetCmdOutput(CommandLine(REPORT_HELPER, {"a b", "c\"d"}) + " \\\\srv\\x", false, true, false);
        EXPECT_EQ(GetCmdOutput(Write({"err:x", "sleep:200", "err:y"}), false, true, false), "xy");
    }
    ::close(stray);
    EXPECT_EQ(report, "fds=0,1,2\nstdin=null stdout=null stderr=pipe\nsigpipe=default\nusr1=open\ngroup=own\n"
                      "cwd=" +
                          std::filesystem::canonical(dir.path()).string() +
                          "\nenv=seen by the child\n"
                          "arg=" REPORT_HELPER "\narg=a b\narg=c\"d\narg=\\\\srv\\x\n");
}

TEST_F(RunnerTest, PipeEndsNeverLandOnFreeStandardDescriptors)
{
    const int savedIn = ::dup(0);
    const int savedErr = ::dup(2);
    ::close(0);
    ::close(2);
    const std::string report = GetCmdOutput(CommandLine(REPORT_HELPER, {}), true, true, false);
    ::dup2(savedIn, 0);
    ::dup2(savedErr, 2);
    ::close(savedIn);
    ::close(savedErr);
    EXPECT_NE(report.find("fds=0,1,2\nstdin=null stdout=pipe stderr=pipe\n"), std::string::npos) << report;
}

#endif

}  // namespace
