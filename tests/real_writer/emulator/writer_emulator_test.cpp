// The system's cdrdao against the emulated CD writer, one group a state of the unit: what
// scanbus lists, what disk-info reads, what a simulation does, and that no WRITE ever goes out
// without the test-write bit. Without the private bus or cdrdao the tests are skipped (failed
// under CI=true).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulated_bus.h"
#include "test_policy.h"

extern char** environ;

namespace {

using emulated_bus::Access;
using emulated_bus::CommandSet;
using emulated_bus::Disc;
using emulated_bus::TraceEntry;
using emulated_bus::Unit;

std::string g_noPrivateBus;  // why main() could not enter the private bus; empty when it did

struct ToolRun {
    int status = -1;  // exit status, -1 when the tool did not end normally
    std::string out;
    std::string err;
};

// The first cdrdao on the given PATH, as a child process started with that PATH finds it.
std::string FindOnPath(const std::string& path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        std::string candidate = path.substr(start, end - start) + "/cdrdao";
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "cdrdao";
}

// Runs cdrdao with the bus's PATH, in folder.
ToolRun RunTool(const emulated_bus::Bus& bus, const std::vector<std::string>& arguments,
                const std::string& folder)
{
    ToolRun run;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> environment = {"PATH=" + bus.PathWithTool()};
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (std::strncmp(*variable, "PATH=", 5) != 0) environment.emplace_back(*variable);
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (auto& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> words = {"cdrdao"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, FindOnPath(bus.PathWithTool()).c_str(), &actions, nullptr,
                                    argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    // Both streams are read as they come, so that a full pipe never stalls the tool.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&run.out, &run.err};
    int open = spawned == 0 ? 2 : 0;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(streams, 2, 1000) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(streams[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                streams[i].fd = -1;
                --open;
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    if (spawned != 0) return run;
    if (open > 0) ::kill(child, SIGKILL);  // a hang: the test fails on the status
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

Unit MmcUnit(Disc disc)
{
    Unit unit;
    unit.node = "/dev/sr0";
    unit.host = 1;
    unit.vendor = "TSLN";
    unit.product = "CDRW 4012";
    unit.revision = "1.02";
    unit.disc = disc;
    return unit;
}

// A pre-MMC writer of the Philips CDD2600 family, under a name no driver table knows.
Unit PhilipsUnit(Disc disc)
{
    Unit unit = MmcUnit(disc);
    unit.product = "CDR 226";
    unit.revision = "2.10";
    unit.commands = CommandSet::PhilipsCdd;
    return unit;
}

std::vector<std::string> DiskInfo(const std::string& node, const std::string& driver)
{
    std::vector<std::string> arguments = {"disk-info", "--device", node};
    if (!driver.empty()) arguments.insert(arguments.end(), {"--driver", driver});
    arguments.insert(arguments.end(), {"-v", "0"});
    return arguments;
}

// cdrdao takes its options before the toc file: a "-v" after it is refused.
std::vector<std::string> Simulate(const std::string& driver)
{
    std::vector<std::string> arguments = {"simulate", "--device", "/dev/sr0"};
    if (!driver.empty()) arguments.insert(arguments.end(), {"--driver", driver});
    arguments.insert(arguments.end(), {"-n", "--reload", "--eject", "-v", "1", "test.cue"});
    return arguments;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

class RealWriter : public testing::Test {
protected:
    void SetUp() override
    {
        if (!g_noPrivateBus.empty()) SKIP_OR_FAIL_UNDER_CI("no private bus: " + g_noPrivateBus);
        std::string why;
        bus_ = emulated_bus::Bus::Create(&why);
        if (bus_ == nullptr) SKIP_OR_FAIL_UNDER_CI(why);
    }

    void Show(const std::vector<Unit>& units)
    {
        std::string why;
        ASSERT_TRUE(bus_->Show(units, &why)) << why;
    }

    ToolRun Cdrdao(const std::vector<std::string>& arguments, const std::string& folder = {})
    {
        return RunTool(*bus_, arguments, folder);
    }

    std::vector<TraceEntry> Commands(const std::string& op) const
    {
        std::vector<TraceEntry> found;
        for (auto& entry : bus_->ReadTrace())
            if (entry.op == op) found.push_back(entry);
        return found;
    }

    // Every WRITE the tool sent: all accepted, all with the test-write bit. The number of blocks.
    long CheckedTestWrites() const
    {
        long blocks = 0;
        for (const auto& write : Commands("WRITE(10)")) {
            EXPECT_EQ(write.Field("test_write"), "1") << "a real write at lba " << write.Field("lba");
            EXPECT_EQ(write.Field("result"), "GOOD") << write.Field("sense");
            blocks += std::atol(write.Field("blocks").c_str());
        }
        EXPECT_TRUE(Commands("WRITE(12)").empty());
        return blocks;
    }

    std::unique_ptr<emulated_bus::Bus> bus_;
};

using BlankDisc = RealWriter;
using NoDisc = RealWriter;
using ClosedDisc = RealWriter;
using BusyUnit = RealWriter;
using DeniedUnit = RealWriter;
using PartialUnit = RealWriter;
using TwoUnits = RealWriter;

TEST_F(BlankDisc, ScanbusListsTheUnitByNodeWithItsPaddedInquiryStrings)
{
    Show({MmcUnit(Disc::BlankCdR)});
    const ToolRun run = Cdrdao({"scanbus", "-v", "0"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("/dev/sr0 : TSLN    , CDRW 4012       , 1.02\n"), std::string::npos) << run.err;
}

TEST_F(BlankDisc, EveryMmcDriverReadsAnEmptyRecordableDisc)
{
    Show({MmcUnit(Disc::BlankCdR)});
    for (const std::string driver : {"", "generic-mmc", "generic-mmc-raw"}) {
        const ToolRun run = Cdrdao(DiskInfo("/dev/sr0", driver));
        EXPECT_EQ(run.status, 0) << driver << ": " << run.err;
        EXPECT_EQ(run.err, "") << driver;
        EXPECT_NE(run.out.find("CD-R empty           : yes"), std::string::npos) << driver << ": " << run.out;
        EXPECT_NE(run.out.find("Total Capacity       : 79:57:74 (359849 blocks"), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("CD-R medium          : Taiyo Yuden"), std::string::npos) << run.out;
    }
}

TEST_F(BlankDisc, ARewritableDiscIsReportedAsCdRw)
{
    Show({MmcUnit(Disc::BlankCdRw)});
    const ToolRun run = Cdrdao(DiskInfo("/dev/sr0", "generic-mmc"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("CD-RW                : yes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Recording Speed      : 2X - 8X"), std::string::npos) << run.out;
}

class BlankDiscSimulation : public RealWriter, public testing::WithParamInterface<const char*> {};

// The test disc is four seconds of audio: 300 blocks after the 150 of the first pre-gap, and
// when written raw, the lead-in and lead-out around them.
TEST_P(BlankDiscSimulation, SucceedsWithOnlyTestWritesAndLeavesTheDiscBlank)
{
    Show({MmcUnit(Disc::BlankCdR)});
    const std::string driver = GetParam();
    const ToolRun run = Cdrdao(Simulate(driver), TEST_DISC_DIR);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Simulation finished successfully."), std::string::npos) << run.err;
    const long blocks = CheckedTestWrites();
    EXPECT_EQ(blocks, driver == "generic-mmc-raw" ? 11700 + 150 + 300 + 6750 : 150 + 300);
    const auto flushes = Commands("SYNCHRONIZE_CACHE");
    ASSERT_FALSE(flushes.empty());
    EXPECT_EQ(flushes.front().Field("session"), "complete");
    EXPECT_EQ(Commands("READ_DISC_INFORMATION").back().Field("status"), "blank");
    ASSERT_FALSE(Commands("START_STOP_UNIT").empty());
    EXPECT_EQ(Commands("START_STOP_UNIT").back().Field("action"), "eject");
}

INSTANTIATE_TEST_SUITE_P(Drivers, BlankDiscSimulation, testing::Values("", "generic-mmc", "generic-mmc-raw"),
                         [](const testing::TestParamInfo<const char*>& tested) {
                             std::string name = *tested.param == '\0' ? "default" : tested.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

// cdrdao polls the unit ten times, three seconds apart, before it gives up.
TEST_F(NoDisc, DiskInfoRetriesThenGivesUp)
{
    Show({MmcUnit(Disc::None)});
    const ToolRun run = Cdrdao(DiskInfo("/dev/sr0", ""));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Count(run.err, "WARNING: Unit not ready, still trying...\n"), 10u) << run.err;
    EXPECT_NE(run.err.find("ERROR: Unit not ready, giving up.\n"), std::string::npos) << run.err;
    const auto polls = Commands("TEST_UNIT_READY");
    ASSERT_EQ(polls.size(), 10u);
    for (const auto& poll : polls) EXPECT_EQ(poll.Field("sense"), "2/3A/01");
}

TEST_F(ClosedDisc, DiskInfoReadsAFinalisedDisc)
{
    Show({MmcUnit(Disc::Closed)});
    const ToolRun run = Cdrdao(DiskInfo("/dev/sr0", ""));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("CD-R empty           : no"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Last Track           : 1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Appendable           : no"), std::string::npos) << run.out;
}

TEST_F(ClosedDisc, SimulationReloadsTheDiscThenRefusesIt)
{
    Show({MmcUnit(Disc::Closed)});
    const ToolRun run = Cdrdao(Simulate(""), TEST_DISC_DIR);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ERROR: Inserted disk is not empty and not appendable."), std::string::npos)
        << run.err;
    std::vector<std::string> tray;
    for (const auto& command : Commands("START_STOP_UNIT")) tray.push_back(command.Field("action"));
    EXPECT_EQ(tray, (std::vector<std::string>{"eject", "load"}));
    EXPECT_EQ(CheckedTestWrites(), 0);
    EXPECT_TRUE(Commands("SEND_CUE_SHEET").empty());
}

// cdrdao 1.2.4 takes a unit held by another program read-only, says so, and carries on.
TEST_F(BusyUnit, TheExclusiveOpenFailsAndCdrdaoFallsBackToReadOnly)
{
    Unit unit = MmcUnit(Disc::BlankCdR);
    unit.access = Access::Busy;
    Show({unit});
    const ToolRun run = Cdrdao(DiskInfo("/dev/sr0", ""));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "WARNING: SCSI device is currently in use. Only read commands are supported.\n");
    const auto opens = Commands("open");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].Field("flags"), "O_RDWR|O_NONBLOCK|O_EXCL");
    EXPECT_EQ(opens[0].Field("result"), "EBUSY");
    EXPECT_EQ(opens[1].Field("flags"), "O_RDONLY|O_NONBLOCK");
}

TEST_F(DeniedUnit, NoOpenSucceedsButScanbusStillListsTheUnit)
{
    Unit unit = MmcUnit(Disc::BlankCdR);
    unit.access = Access::Denied;
    Show({unit});
    const ToolRun info = Cdrdao(DiskInfo("/dev/sr0", ""));
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.err.find("ERROR: Unable to open SCSI device /dev/sr0: Permission denied.\n"),
              std::string::npos)
        << info.err;
    for (const auto& entry : bus_->ReadTrace()) EXPECT_EQ(entry.op, "open") << "a command reached the unit";
    const ToolRun simulation = Cdrdao(Simulate(""), TEST_DISC_DIR);
    EXPECT_EQ(simulation.status, 1);
    EXPECT_NE(simulation.err.find("ERROR: Unable to open SCSI device /dev/sr0"), std::string::npos);
    const ToolRun scan = Cdrdao({"scanbus", "-v", "0"});
    EXPECT_NE(scan.err.find("/dev/sr0 : TSLN"), std::string::npos) << scan.err;
}

TEST_F(PartialUnit, NeitherAutodetectionNorAnMmcDriverReadsTheDiscButTheCdd2600DriverDoes)
{
    Show({PhilipsUnit(Disc::BlankCdR)});
    const ToolRun detected = Cdrdao(DiskInfo("/dev/sr0", ""));
    EXPECT_EQ(detected.status, 1);
    EXPECT_NE(detected.err.find("ERROR: No driver found for 'TSLN CDR 226', available drivers:"),
              std::string::npos)
        << detected.err;
    const ToolRun mmc = Cdrdao(DiskInfo("/dev/sr0", "generic-mmc"));
    EXPECT_EQ(mmc.status, 0);
    EXPECT_NE(mmc.out.find("CD-R empty           : n/a"), std::string::npos) << mmc.out;
    const auto refused = Commands("OPCODE_0x51");  // READ DISC INFORMATION
    ASSERT_FALSE(refused.empty());
    EXPECT_EQ(refused.front().Field("sense"), "5/20/00");
    const ToolRun philips = Cdrdao(DiskInfo("/dev/sr0", "cdd2600"));
    EXPECT_EQ(philips.status, 0) << philips.err;
    EXPECT_NE(philips.out.find("CD-R empty           : yes"), std::string::npos) << philips.out;
    EXPECT_NE(philips.out.find("CD-R medium          : Taiyo Yuden"), std::string::npos) << philips.out;
}

TEST_F(PartialUnit, OnlyTheCdd2600DriverSimulates)
{
    Show({PhilipsUnit(Disc::BlankCdR)});
    const ToolRun mmc = Cdrdao(Simulate("generic-mmc"), TEST_DISC_DIR);
    EXPECT_EQ(mmc.status, 1);
    EXPECT_NE(mmc.err.find("exceeds capacity of CD-R (00:00:00, 0 blocks)"), std::string::npos) << mmc.err;
    EXPECT_EQ(CheckedTestWrites(), 0);
    bus_->ClearTrace();
    const ToolRun philips = Cdrdao(Simulate("cdd2600"), TEST_DISC_DIR);
    EXPECT_EQ(philips.status, 0) << philips.err;
    EXPECT_NE(philips.err.find("Simulation finished successfully."), std::string::npos) << philips.err;
    const auto sessions = Commands("WRITE_SESSION");
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].Field("dummy"), "1");
    EXPECT_EQ(CheckedTestWrites(), 11700 + 150 + 300 + 6750);
}

TEST_F(TwoUnits, EachNodeAnswersWithItsOwnUnit)
{
    Unit second = PhilipsUnit(Disc::Closed);
    second.node = "/dev/sr1";
    second.host = 2;
    second.target = 1;
    Show({MmcUnit(Disc::BlankCdR), second});
    const ToolRun scan = Cdrdao({"scanbus", "-v", "0"});
    EXPECT_NE(scan.err.find("/dev/sr0 : TSLN    , CDRW 4012       , 1.02\n"), std::string::npos) << scan.err;
    EXPECT_NE(scan.err.find("/dev/sr1 : TSLN    , CDR 226         , 2.10\n"), std::string::npos) << scan.err;
    const ToolRun first = Cdrdao(DiskInfo("/dev/sr0", ""));
    EXPECT_NE(first.out.find("CD-R empty           : yes"), std::string::npos) << first.out;
    const ToolRun closed = Cdrdao(DiskInfo("/dev/sr1", "cdd2600"));
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_NE(closed.out.find("CD-R empty           : no"), std::string::npos) << closed.out;
    for (const auto& entry : bus_->ReadTrace()) {
        if (entry.op == "OPCODE_0xEE") {
            EXPECT_EQ(entry.node, "/dev/sr0");  // only the MMC unit refuses it
        } else if (entry.op == "READ_SESSION_INFO") {
            EXPECT_EQ(entry.node, "/dev/sr1");
        }
    }
}

TEST_F(TwoUnits, ShowingAnotherSetReplacesTheFirst)
{
    Show({MmcUnit(Disc::BlankCdR)});
    EXPECT_NE(Cdrdao({"scanbus", "-v", "0"}).err.find("/dev/sr0 :"), std::string::npos);
    Unit other = PhilipsUnit(Disc::BlankCdR);
    other.node = "/dev/sr3";
    other.host = 4;
    Show({other});
    const ToolRun scan = Cdrdao({"scanbus", "-v", "0"});
    EXPECT_EQ(scan.err.find("/dev/sr0 :"), std::string::npos) << scan.err;
    EXPECT_NE(scan.err.find("/dev/sr3 : TSLN    , CDR 226"), std::string::npos) << scan.err;
    EXPECT_NE(Cdrdao(DiskInfo("/dev/sr3", "cdd2600")).out.find("CD-R empty           : yes"),
              std::string::npos);
}

}  // namespace

// The private bus is entered before GoogleTest or anything else can start a thread.
int main(int argc, char** argv)
{
    std::string why;
    if (!emulated_bus::EnterPrivateBus(&why)) g_noPrivateBus = why.empty() ? "unknown reason" : why;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
