// The bridge's reading of the wizard's command lines and of cdrdao's answers, and its runs of a
// tool, without a CD unit; the bridge against the real tool and an emulated writer is
// wizard_real_writer_test.cpp.
#include <gtest/gtest.h>

#include <signal.h>

#include "store/test_folder.h"
#include "tools/bridge/bridge.h"
#include "tools/bridge/scsi_units.h"
#include "tools/bridge/tool_process.h"

namespace {

using bridge::ScsiUnit;

ScsiUnit Unit(int host, int channel, int target, int lun, const char* node)
{
    return ScsiUnit{host, channel, target, lun, node};
}

TEST(BridgeRequestTest, TakesTheWizardsLinesInAnySpellingAndMapsTheDevice)
{
    bridge::Request request;
    std::string error;
    ASSERT_TRUE(bridge::ParseRequest({"Disk-info", "--device", "1,0,0", "--driver", "cdd2600", "-v", "0"},
                                     request, error));
    EXPECT_EQ(request.command, bridge::Command::DiskInfo);
    EXPECT_EQ(request.driver, "cdd2600");
    EXPECT_EQ(
        bridge::ToolArguments(request, "/dev/sr0"),
        (std::vector<std::string>{"disk-info", "--device", "/dev/sr0", "--driver", "cdd2600", "-v", "0"}));

    ASSERT_TRUE(bridge::ParseRequest({"DISK-INFO", "--device", "1,0,0", "-v", "0"}, request, error));
    EXPECT_EQ(request.driver, "");
    ASSERT_TRUE(bridge::ParseRequest(
        {"simulate", "--device", "sr12 ", "-n", "--reload", "--eject", "test.cue"}, request, error));
    EXPECT_EQ(bridge::ToolArguments(request, "/dev/sr12"),
              (std::vector<std::string>{"simulate", "--device", "/dev/sr12", "-n", "--reload", "--eject",
                                        "test.cue"}));

    EXPECT_FALSE(bridge::ParseRequest({}, request, error));
    EXPECT_FALSE(bridge::ParseRequest({"blank", "--device", "1,0,0"}, request, error));
    EXPECT_EQ(error, "unknown command 'blank'");
    EXPECT_FALSE(bridge::ParseRequest({"disk-info", "-v", "0"}, request, error));
    EXPECT_EQ(error, "--device is missing");
    EXPECT_FALSE(bridge::ParseRequest({"simulate", "--device", "1,0,0", "--driver"}, request, error));
    EXPECT_EQ(error, "--driver needs a value");
}

TEST(BridgeScanTest, ReadsTheToolsFixedWidthFieldsEvenWithCommasInside)
{
    auto unit = bridge::ParseScanLine("/dev/sr0 : HL-DT-ST, DVDRAM GH24NSD1 , LG00");
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->node, "/dev/sr0");
    EXPECT_EQ(unit->description, "HL-DT-ST DVDRAM GH24NSD1 LG00");
    unit = bridge::ParseScanLine("/dev/sr1 : A,B     , CD-RW, 52X      , 1.0 \r");
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->description, "A,B CD-RW, 52X 1.0");
    // Another shape is split at its commas; what is no unit is no unit.
    unit = bridge::ParseScanLine("/dev/sr2 : PLEXTOR,PX-W4012A,1.07");
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->description, "PLEXTOR PX-W4012A 1.07");
    EXPECT_FALSE(bridge::ParseScanLine("ERROR: Unable to access sysfs filesystem at /sys/bus/scsi/devices"));
    EXPECT_FALSE(bridge::ParseScanLine(""));
}

TEST(BridgeScanTest, ListsEveryUnitUnderItsOwnAddressInAddressOrderAfterAHeading)
{
    const std::vector<ScsiUnit> units = {Unit(1, 0, 0, 0, "/dev/sr0"), Unit(3, 0, 0, 0, "/dev/sr1")};
    const bridge::ScanAnswer answer = bridge::TranslateScan("/dev/sr1 : QUORVANE, CDRW-5210       , 1.04\n"
                                                            "WARNING: something the tool says\n"
                                                            "/dev/sr0 : HL-DT-ST, DVDRAM GH24NSD1 , LG00\n",
                                                            units);
    EXPECT_EQ(answer.listing, std::string(bridge::kScanHeading) +
                                  "\n1,0,0  HL-DT-ST DVDRAM GH24NSD1 LG00\n3,0,0  QUORVANE CDRW-5210 1.04\n");
    EXPECT_EQ(answer.otherLines, "WARNING: something the tool says\n");
    EXPECT_EQ(bridge::TranslateScan("", units).listing, std::string(bridge::kScanHeading) + "\n");
}

TEST(BridgeAddressTest, WideOrSharedAddressesFallBackToTheDeviceNameAndMapBack)
{
    const std::vector<ScsiUnit> units = {Unit(1, 0, 0, 0, "/dev/sr0"), Unit(2, 0, 1, 0, "/dev/sr1"),
                                         Unit(2, 1, 1, 0, "/dev/sr2"), Unit(12, 0, 0, 0, "/dev/sr10"),
                                         Unit(13, 0, 0, 0, "/dev/sr123456")};
    const std::vector<std::string> addresses = bridge::UnitAddresses(units);
    EXPECT_EQ(addresses, (std::vector<std::string>{"1,0,0", "sr1", "sr2", "sr10", "u4"}));
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::string padded = addresses[i];
        padded.resize(bridge::kAddressWidth, ' ');
        EXPECT_EQ(bridge::NodeForAddress(units, padded), units[i].node) << addresses[i];
    }
    EXPECT_EQ(bridge::NodeForAddress(units, "/dev/cdrom"), "/dev/cdrom");
    EXPECT_EQ(bridge::NodeForAddress({}, "sr3"), "/dev/sr3");
    EXPECT_FALSE(bridge::NodeForAddress(units, "4,0,0"));
    EXPECT_FALSE(bridge::NodeForAddress(units, "     "));
}

TEST(BridgeSysfsTest, FindsTheCdUnitsWithABlockDeviceInAddressOrder)
{
    const storetest::TestFolder root;
    const auto device = [&](const std::string& name, const std::string& type, const std::string& block) {
        root.Write(name + "/type", type);
        if (!block.empty()) root.Write(name + "/" + block + "/dev", "11:0\n");
    };
    device("3:0:0:0", "5\n", "block/sr1");
    device("1:0:0:0", "5\n", "block/sr0");
    device("0:0:0:0", "0\n", "block/sda");  // a disk
    device("4:0:0:0", "5\n", "");           // no block device (yet)
    device("5:0:2:0", "5\n", "block:sr7");  // older kernels
    root.Write("host0/uevent", "");
    root.Write("target1:0:0/uevent", "");

    const std::vector<ScsiUnit> units = bridge::ReadScsiUnits(root.Path());
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0].node, "/dev/sr0");
    EXPECT_EQ(units[1].node, "/dev/sr1");
    EXPECT_EQ(units[2].node, "/dev/sr7");
    EXPECT_EQ(units[2].target, 2);
    EXPECT_TRUE(bridge::ReadScsiUnits(root / "missing").empty());
}

// Reports as cdrdao 1.2.4 prints them (docs/real-writer.md has where each comes from).
constexpr const char* kBlankRead =
    "CD-RW                : no\nTotal Capacity       : 79:57:74 (359849 blocks, 702/807 MB)\n"
    "CD-R medium          : Taiyo Yuden Company Limited\nRecording Speed      : n/a\nCD-R empty           : "
    "yes\n";
constexpr const char* kClosedRead =
    "CD-RW                : no\nTotal Capacity       : n/a\nCD-R empty           : no\n"
    "Toc Type             : CD-DA or CD-ROM\nSessions             : 1\nLast Track           : 1\n"
    "Appendable           : no\n";
// plextor and toshiba send the unit nothing; teac-cdr55's command was refused; cdd2600 on an
// MMC unit; a driver whose commands were all refused.
constexpr const char* kNothingRead[] = {
    "CD-RW                : n/a\nTotal Capacity       : n/a\nCD-R empty           : no\n",
    "CD-RW                : no\nTotal Capacity       : 00:00:00 (0 blocks, 0/0 MB)\nCD-R empty           : "
    "yes\n",
    "Total Capacity       : 00:00:00 (0 blocks, 0/0 MB)\nCD-R empty           : no\n"
    "Toc Type             : CD-DA or CD-ROM\nSessions             : 0\nLast Track           : 0\n"
    "Appendable           : no\n",
    "CD-RW                : n/a\nTotal Capacity       : n/a\nCD-R empty           : n/a\n",
};

TEST(BridgeProbeTest, AcceptsOnlyARunThatEndedWellAndReadTheDiscFromTheUnit)
{
    bridge::ToolOutcome read;
    read.started = true;
    read.exitStatus = 0;
    read.standardOutput = kBlankRead;
    EXPECT_FALSE(bridge::ProbeRefusal(read));
    bridge::ToolOutcome closed = read;
    closed.standardOutput = kClosedRead;
    EXPECT_FALSE(bridge::ProbeRefusal(closed));
    for (const char* report : kNothingRead) {
        bridge::ToolOutcome unread = read;
        unread.standardOutput = report;
        EXPECT_TRUE(bridge::ProbeRefusal(unread)) << report;
    }

    bridge::ToolOutcome unread = read;
    unread.standardOutput = kNothingRead[3];
    bridge::ToolOutcome failed = read;
    failed.exitStatus = 1;
    bridge::ToolOutcome killed = read;
    killed.exitStatus = -1;
    killed.signal = SIGSEGV;
    bridge::ToolOutcome notReady = read;
    notReady.stopped = true;
    bridge::ToolOutcome readOnly = read;
    readOnly.standardError = "WARNING: SCSI device is currently in use. Only read commands are supported.\n";
    bridge::ToolOutcome notStarted;
    for (const bridge::ToolOutcome& outcome : {unread, failed, killed, notReady, readOnly, notStarted})
        EXPECT_TRUE(bridge::ProbeRefusal(outcome));
    EXPECT_NE(bridge::ProbeRefusal(notReady)->find("not ready"), std::string::npos);
    EXPECT_EQ(bridge::RefusalLine("", "why"), "Cannot read driver (default): why");
    EXPECT_TRUE(bridge::IsNotReadyLine("WARNING: Unit not ready, still trying..."));
}

TEST(BridgeToolTest, KeepsBothStreamsAndStopsTheToolOnAWatchedLine)
{
    bridge::ToolStreams quiet;
    quiet.passStandardError = false;
    quiet.passStandardOutput = false;
    bridge::ToolOutcome outcome = bridge::RunTool("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, quiet);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitStatus, 3);
    EXPECT_EQ(outcome.standardOutput, "out\n");
    EXPECT_EQ(outcome.standardError, "err\n");

    // A tool that would go on for a minute is ended at the line, not waited for.
    quiet.stopOnLine = bridge::IsNotReadyLine;
    outcome = bridge::RunTool("/bin/sh",
                              {"-c", "echo 'WARNING: Unit not ready, still trying...' >&2; sleep 60"}, quiet);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.signal, 0);

    quiet.stopOnLine = nullptr;
    outcome = bridge::RunTool("/bin/sh", {"-c", "kill -SEGV $$"}, quiet);
    EXPECT_EQ(outcome.signal, SIGSEGV);
    EXPECT_FALSE(bridge::RunTool("/nonexistent/cdrdao", {}, quiet).started);
}

}  // namespace
