// The recording tool misbehaving: killed in the middle of its output, flooding standard error,
// writing binary bytes, closing its output early, leaving a grandchild behind, ending before the
// runner reads. None of it crashes or hangs the runner, and after a thousand runs no descriptor
// and no process is left behind.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/process.h"
#include "platform/text.h"
#include "runner/MGetCmdOutput.h"
#include "test_policy.h"
#include "test_support.h"
#include "wizard/driver_probe.h"

namespace {

using MGetCmdOutput::RunCmd;
using MGetCmdOutput::RunStatus;

std::string Helper(const std::string& arguments) { return "\"" FAULT_HELPER "\" " + arguments; }

long StatusField(const char* name)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name, 0) == 0) return std::atol(line.c_str() + std::strlen(name));
    return -1;
}

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Processes whose parent is this process, zombies included.
std::vector<long> Children()
{
    std::vector<long> children;
    for (const auto& child : testing_support::ChildrenOfThisProcess()) children.push_back(child.pid);
    return children;
}

bool Alive(long pid)
{
    const char state = testing_support::ProcessState(pid);
    return state != 0 && state != 'Z';
}

class ToolFaults : public testing::Test {
protected:
    void SetUp() override { MGetCmdOutput::SetEventHook({}); }
    void TearDown() override
    {
        MGetCmdOutput::SetEventHook({});
        platform::ReapEndedChildren();
    }
};

TEST_F(ToolFaults, AToolKilledInTheMiddleOfItsOutputGivesWhatItWrote)
{
    const auto run = RunCmd(Helper("die-after 300000"), false, true, false);
    // The helper ends itself with SIGKILL: told apart from a tool that ended on its own.
    EXPECT_EQ(run.status, RunStatus::Crashed);
    EXPECT_EQ(run.text.size(), 300000u);
    EXPECT_EQ(run.text.rfind("filler line 0 of the flood\n", 0), 0u);
    // Its partial answer holds no refusal phrase: the wizard goes by the status, and a probe that
    // crashed accepts no driver.
    EXPECT_FALSE(DriverProbe::IsDriverRefused(run.text));
}

// 200 MB on standard error: the text is kept whole, memory grows by less than three times its
// size, and the work grows in proportion to it (processor time, which a busy machine does not
// stretch). Measured in a child process, so that the peak belongs to this run alone.
TEST_F(ToolFaults, TwoHundredMegabytesOfOutputAreReadInBoundedMemoryAndLinearTime)
{
    constexpr std::size_t kSmall = 50u << 20;
    constexpr std::size_t kLarge = 200u << 20;
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        double figures[5] = {};
        std::size_t sizes[2] = {kSmall, kLarge};
        for (int i = 0; i < 2; ++i) {
            std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from now
            const long before = StatusField("VmRSS:");
            const double start = test_policy::ProcessorSeconds();
            auto run = RunCmd(Helper("flood " + std::to_string(sizes[i])), false, true, false);
            figures[i] = test_policy::ProcessorSeconds() - start;
            const bool whole =
                run.text.size() == sizes[i] + 11 && run.text.compare(sizes[i], 11, "flood done\n") == 0;
            if (!whole) _exit(3);
            if (i == 1) {
                figures[2] = static_cast<double>(StatusField("VmHWM:") - before) * 1024.0;
                figures[3] = static_cast<double>(run.text.size());
            }
        }
        (void)!write(report[1], figures, sizeof figures);
        _exit(0);
    }
    close(report[1]);
    double figures[5] = {};
    const ssize_t got = read(report[0], figures, sizeof figures);
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the text did not come back whole";
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof figures));
    const double growth = figures[2];
    EXPECT_LT(growth, 3.0 * figures[3]) << "peak memory grew by " << growth / (1 << 20) << " MiB";
    // Four times the text in at most eight times the work; a cost that grows with the square of
    // the size takes sixteen times or more.
    EXPECT_LT(figures[1], 8.0 * figures[0] + 0.5);
    std::cout << "[ figures  ] 50 MiB read with " << figures[0] << " s of processor time, 200 MiB with "
              << figures[1] << " s; peak memory growth " << growth / (1 << 20) << " MiB for "
              << figures[3] / (1 << 20) << " MiB of text (" << growth / figures[3] << "x)\n";
}

TEST_F(ToolFaults, BinaryOutputAndInvalidUtf8BecomeValidTextAndThePhraseIsStillFound)
{
    for (const int seed : {1, 2, 3, 4}) {
        const auto run = RunCmd(Helper("binary 100000 " + std::to_string(seed)), false, true, false);
        EXPECT_TRUE(platform::text::IsValidUtf8(run.text));
        EXPECT_TRUE(run.text.size() >= 100000u / 2) << run.text.size();
        EXPECT_EQ(run.text.substr(run.text.size() - 12), "binary done\n");
        // The same bytes decoded at once: reading in chunks changes nothing.
        std::string bytes(100000, '\0');
        unsigned state = static_cast<unsigned>(seed);
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 16);
        }
        std::string expected;
        platform::Utf8StreamDecoder decoder;
        decoder.Feed(bytes + "binary done\n", expected);
        decoder.Finish(expected);
        EXPECT_EQ(run.text, expected) << "seed " << seed;
        EXPECT_GE(DriverProbe::ClassifySimulation(run.text), 1);
    }
}

// The tool runs on for a minute after closing its output, unless the test ends it earlier.
TEST_F(ToolFaults, AToolThatClosesItsOutputEarlyIsNotWaitedFor)
{
    const auto run = RunCmd(Helper("close-early 60000"), false, true, false);
    EXPECT_EQ(run.text, "before close\n");
    EXPECT_EQ(run.status, RunStatus::Finished);
    // The tool runs on unwaited and is collected once it has ended.
    std::vector<long> running;
    for (const long pid : Children())
        if (Alive(pid)) running.push_back(pid);
    ASSERT_EQ(running.size(), 1u) << "the runner waited for the tool to end";
    EXPECT_EQ(platform::UncollectedChildCount(), 1u);
    kill(static_cast<pid_t>(running[0]), SIGTERM);
    EXPECT_TRUE(test_policy::Eventually([] {
        platform::ReapEndedChildren();
        return platform::UncollectedChildCount() == 0;
    }));
    EXPECT_TRUE(Children().empty());
}

// The grandchild lives for a minute, unless the test ends it earlier.
TEST_F(ToolFaults, AGrandchildThatOutlivesTheToolWithoutItsOutputDoesNotHoldTheRunner)
{
    const auto run = RunCmd(Helper("detach 60000"), false, true, false);
    const std::size_t equals = run.text.find('=');
    ASSERT_NE(equals, std::string::npos) << run.text;
    const long grandchild = std::atol(run.text.c_str() + equals + 1);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(Alive(grandchild)) << "the grandchild should still be running";
    // A tool that has ended is collected at once, or by a later call when it took longer to end.
    EXPECT_TRUE(test_policy::Eventually([] {
        platform::ReapEndedChildren();
        return Children().empty();
    })) << "the tool itself is collected";
    kill(static_cast<pid_t>(grandchild), SIGKILL);
}

TEST_F(ToolFaults, AToolThatEndsBeforeTheRunnerReadsLosesNothing)
{
    // The first read happens only after the tool has written everything and ended: the first
    // call of the hook waits until the tool is a zombie.
    bool first = true;
    bool endedBeforeTheFirstRead = false;
    MGetCmdOutput::SetEventHook([&](std::intptr_t, int) {
        if (first) {
            endedBeforeTheFirstRead = test_policy::Eventually([] {
                const auto children = testing_support::ChildrenOfThisProcess();
                return !children.empty() && std::all_of(children.begin(), children.end(),
                                                        [](const auto& child) { return child.state == 'Z'; });
            });
        }
        first = false;
    });
    const auto run = RunCmd(Helper("flood 60000"), false, true, false);
    EXPECT_TRUE(endedBeforeTheFirstRead);
    EXPECT_EQ(run.text.size(), 60000u + 11);
    EXPECT_EQ(run.status, RunStatus::Finished);
}

TEST_F(ToolFaults, AThousandRunsLeaveNoDescriptorAndNoProcessBehind)
{
    constexpr int kRuns = 1000;
    RunCmd(Helper("quick"), false, true, false);  // first-use allocations of the runner
    const std::size_t descriptorsBefore = OpenDescriptors();
    int answered = 0;
    for (int i = 0; i < kRuns; ++i)
        if (RunCmd(Helper("quick"), false, true, false).text == "quick\n") ++answered;
    // The last tool may have taken longer to end than the runner waits; a later call collects it.
    test_policy::Eventually([] {
        platform::ReapEndedChildren();
        return Children().empty();
    });
    const std::size_t descriptorsAfter = OpenDescriptors();
    const std::vector<long> children = Children();
    EXPECT_EQ(answered, kRuns);
    EXPECT_EQ(descriptorsAfter, descriptorsBefore);
    EXPECT_TRUE(children.empty()) << children.size() << " processes left";
    EXPECT_EQ(platform::UncollectedChildCount(), 0u);
    std::cout << "[ figures  ] " << kRuns << " runs: descriptors before " << descriptorsBefore << ", after "
              << descriptorsAfter << "; processes left " << children.size() << "\n";
}

// Descriptors of ours that are inheritable (no close-on-exec) still do not reach the tool.
TEST_F(ToolFaults, TheToolSeesOnlyItsThreeStandardDescriptors)
{
    std::vector<int> leaked;
    leaked.reserve(20);
    for (int i = 0; i < 20; ++i) leaked.push_back(open("/dev/null", O_RDONLY));
    int extra[2];
    ASSERT_EQ(pipe(extra), 0);
    const auto run = RunCmd(Helper("fds"), false, true, false);
    for (const int fd : leaked) close(fd);
    close(extra[0]);
    close(extra[1]);
    EXPECT_EQ(run.text, "fds=0,1,2\n");
}

}  // namespace
