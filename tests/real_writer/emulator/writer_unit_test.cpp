// The emulated unit on its own, with the commands cdrdao never sends wrong: what each firmware
// refuses, the unit attention after a load, all-or-nothing mode pages, cue sheets and the order
// of writes, and the configuration file.
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unit_config.h"
#include "writer_unit.h"

namespace {

using writer_emulator::CommandSet;
using writer_emulator::Direction;
using writer_emulator::Disc;
using writer_emulator::ScsiCommand;
using writer_emulator::ScsiResult;
using writer_emulator::UnitConfig;
using writer_emulator::WriterUnit;
using Bytes = std::vector<std::uint8_t>;

struct Answer {
    ScsiResult result;
    Bytes data;

    bool good() const { return result.status == writer_emulator::kStatusGood; }
    // "key/ASC/ASCQ" as the trace writes it, "" when the command succeeded.
    std::string sense() const
    {
        if (good()) return "";
        char text[16];
        std::snprintf(text, sizeof text, "%X/%02X/%02X", result.senseKey(), result.asc(), result.ascq());
        return text;
    }
};

// Sends a CDB with data out (when out is not empty) or room for inLength bytes in.
Answer Send(WriterUnit& unit, Bytes cdb, Bytes out = {}, std::size_t inLength = 0)
{
    Answer answer;
    answer.data.assign(inLength, 0);
    ScsiCommand command;
    command.cdb = cdb.data();
    command.cdbLength = cdb.size();
    if (!out.empty()) {
        command.direction = Direction::ToDevice;
        command.data = out.data();
        command.dataLength = out.size();
    } else if (inLength > 0) {
        command.direction = Direction::FromDevice;
        command.data = answer.data.data();
        command.dataLength = inLength;
    }
    answer.result = unit.Execute(command);
    answer.data.resize(answer.result.transferred);
    return answer;
}

WriterUnit MakeUnit(CommandSet commands, Disc disc = Disc::BlankCdR)
{
    UnitConfig config;
    config.vendor = "TSLN";
    config.product = "TEST";
    config.revision = "1.00";
    config.commands = commands;
    config.disc = disc;
    return WriterUnit(config);
}

// MODE SELECT(10) of one page, with an empty header.
Answer SelectPage(WriterUnit& unit, const Bytes& page)
{
    Bytes list(8, 0);
    list.insert(list.end(), page.begin(), page.end());
    return Send(unit, {0x55, 0x10, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(list.size()), 0}, list);
}

Bytes WriteParameters(WriterUnit& unit)
{
    const Answer sense = Send(unit, {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 255, 0}, {}, 255);
    return Bytes(sense.data.begin() + 8, sense.data.end());
}

// Session-at-once with or without the test-write bit.
void SelectSessionAtOnce(WriterUnit& unit, bool testWrite)
{
    Bytes page = WriteParameters(unit);
    page[2] = static_cast<std::uint8_t>(0x02 | (testWrite ? 0x10 : 0));
    page[4] = 0;
    ASSERT_TRUE(SelectPage(unit, page).good());
}

Answer SendCueSheet(WriterUnit& unit, const Bytes& sheet)
{
    return Send(unit, {0x5D, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(sheet.size()), 0}, sheet);
}

constexpr std::size_t kAudioBlock = 2352;

// One audio track of 300 blocks, as cdrdao's generic-mmc driver lays it out.
const Bytes kCueSheet = {0x01, 0x00, 0x00, 0x01, 0, 0, 0, 0,   // lead-in
                         0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0,   // track 1, pre-gap at 00:00:00
                         0x01, 0x01, 0x01, 0x00, 0, 0, 2, 0,   // index 1 at 00:02:00
                         0x01, 0xAA, 0x01, 0x01, 0, 0, 6, 0};  // lead-out at 00:06:00

Answer Write10(WriterUnit& unit, std::int32_t lba, std::uint16_t blocks, std::size_t bytes)
{
    const auto address = static_cast<std::uint32_t>(lba);
    return Send(unit,
                {0x2A, 0, static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
                 static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), 0,
                 static_cast<std::uint8_t>(blocks >> 8), static_cast<std::uint8_t>(blocks), 0},
                Bytes(bytes, 0));
}

std::string DiscStatus(WriterUnit& unit)
{
    const Answer info = Send(unit, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, {}, 34);
    return info.result.details;
}

TEST(WriterUnit, EachFirmwareRefusesTheCommandsOfTheOtherSet)
{
    WriterUnit mmc = MakeUnit(CommandSet::Mmc);
    for (const int opcode : {0xE2, 0xE7, 0xED, 0xEE}) {
        const Answer answer = Send(mmc, {static_cast<std::uint8_t>(opcode), 0, 0, 0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(answer.sense(), "5/20/00") << std::hex << opcode;
        EXPECT_EQ(answer.result.sense[0], 0x70);  // fixed format, current error
        EXPECT_EQ(answer.result.sense[7], 10);    // additional length
    }
    WriterUnit philips = MakeUnit(CommandSet::PhilipsCdd);
    for (const int opcode : {0x46, 0x4A, 0x51, 0x52, 0x5C, 0x5D, 0xBB})
        EXPECT_EQ(Send(philips, {static_cast<std::uint8_t>(opcode), 0, 0, 0, 0, 0, 0, 0, 0, 0}).sense(),
                  "5/20/00")
            << std::hex << opcode;
    // No capabilities page, and READ TOC's format field of MMC is a reserved byte there.
    EXPECT_EQ(Send(philips, {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 8, 0}, {}, 8).sense(), "5/24/00");
    EXPECT_EQ(Send(philips, {0x43, 0, 0x04, 0, 0, 0, 0, 0, 28, 0}, {}, 28).sense(), "5/24/00");
}

TEST(WriterUnit, ALoadPostsOneUnitAttentionThatInquiryLeavesPending)
{
    WriterUnit unit = MakeUnit(CommandSet::Mmc);
    EXPECT_TRUE(Send(unit, {0x1E, 0, 0, 0, 1, 0}).good());  // prevent removal
    EXPECT_EQ(Send(unit, {0x1B, 0, 0, 0, 0x02, 0}).sense(), "5/53/02");
    EXPECT_TRUE(Send(unit, {0x1E, 0, 0, 0, 0, 0}).good());
    EXPECT_TRUE(Send(unit, {0x1B, 0, 0, 0, 0x02, 0}).good());  // eject
    EXPECT_EQ(Send(unit, {0x00, 0, 0, 0, 0, 0}).sense(), "2/3A/02");
    EXPECT_TRUE(Send(unit, {0x1B, 0, 0, 0, 0x03, 0}).good());  // load
    EXPECT_TRUE(Send(unit, {0x12, 0, 0, 0, 36, 0}, {}, 36).good());
    EXPECT_EQ(Send(unit, {0x00, 0, 0, 0, 0, 0}).sense(), "6/28/00");
    EXPECT_TRUE(Send(unit, {0x00, 0, 0, 0, 0, 0}).good());
}

TEST(WriterUnit, AModeSelectWithOneForbiddenChangeChangesNothing)
{
    WriterUnit unit = MakeUnit(CommandSet::Mmc);
    Bytes write = WriteParameters(unit);
    ASSERT_EQ(write.size(), 52u);
    write[2] = 0x12;  // session-at-once, test write: allowed
    const Answer capabilities = Send(unit, {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 255, 0}, {}, 255);
    Bytes page2A(capabilities.data.begin() + 8, capabilities.data.end());
    page2A[3] = 0x00;  // the write capabilities are not changeable
    Bytes both = write;
    both.insert(both.end(), page2A.begin(), page2A.end());
    const Answer refused = SelectPage(unit, both);
    EXPECT_EQ(refused.sense(), "5/26/00");
    EXPECT_EQ(refused.result.sense[15], 0x80);  // field pointer into the parameter list
    EXPECT_EQ((refused.result.sense[16] << 8) | refused.result.sense[17], 8 + 52 + 3);
    EXPECT_EQ(WriteParameters(unit)[2], 0x01) << "the allowed change of page 05 was applied";
    EXPECT_TRUE(SelectPage(unit, write).good());
    EXPECT_EQ(WriteParameters(unit)[2], 0x12);
}

struct CueCase {
    const char* name;
    std::size_t at;  // byte of kCueSheet to change
    std::uint8_t value;
};

void PrintTo(const CueCase& cue, std::ostream* out) { *out << cue.name; }

class CueSheets : public testing::TestWithParam<CueCase> {};

TEST_P(CueSheets, AMalformedCueSheetIsRefused)
{
    WriterUnit unit = MakeUnit(CommandSet::Mmc);
    SelectSessionAtOnce(unit, true);
    Bytes sheet = kCueSheet;
    sheet[GetParam().at] = GetParam().value;
    EXPECT_EQ(SendCueSheet(unit, sheet).sense(), "5/26/00");
    // Nothing was laid out, so no write may start.
    EXPECT_EQ(Write10(unit, -150, 1, 2352).sense(), "5/2C/00");
}

INSTANTIATE_TEST_SUITE_P(
    WriterUnit, CueSheets,
    testing::Values(CueCase{"LeadInNotFirst", 1, 0x01}, CueCase{"TrackTwoWithoutOne", 9, 0x02},
                    CueCase{"IndexOneMissing", 18, 0x02}, CueCase{"TimeGoesBack", 30, 1},
                    CueCase{"SecondsOutOfRange", 22, 60}, CueCase{"UnknownDataForm", 11, 0x05},
                    CueCase{"ReservedSubChannelForm", 19, 0x80}, CueCase{"LeadOutBeyondTheDisc", 29, 81},
                    CueCase{"LeadOutNotLast", 25, 0x02}),
    [](const testing::TestParamInfo<CueCase>& tested) { return tested.param.name; });

TEST(WriterUnit, WritesFollowTheCueSheetAndATestWriteLeavesTheDiscBlank)
{
    WriterUnit unit = MakeUnit(CommandSet::Mmc);
    EXPECT_EQ(SendCueSheet(unit, kCueSheet).sense(), "5/2C/00");  // still track-at-once
    SelectSessionAtOnce(unit, true);
    ASSERT_TRUE(SendCueSheet(unit, kCueSheet).good()) << SendCueSheet(unit, kCueSheet).sense();
    EXPECT_EQ(Write10(unit, 0, 10, 10 * kAudioBlock).sense(), "5/21/02");  // the pre-gap comes first
    EXPECT_EQ(Write10(unit, -150, 10, 10 * std::size_t{2048}).sense(), "5/24/00");
    for (std::int32_t lba = -150; lba < 300; lba += 50)
        ASSERT_TRUE(Write10(unit, lba, 50, 50 * kAudioBlock).good()) << lba;
    EXPECT_EQ(Write10(unit, 300, 1, 2352).sense(), "5/21/00");  // the lead-out is the drive's
    const Answer flush = Send(unit, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(flush.result.details, "session=complete blocks=450 test_write=1");
    EXPECT_EQ(DiscStatus(unit), "status=blank");
}

TEST(WriterUnit, ARealWriteClosesTheDiscWithTheWrittenTrack)
{
    WriterUnit unit = MakeUnit(CommandSet::Mmc);
    SelectSessionAtOnce(unit, false);
    ASSERT_TRUE(SendCueSheet(unit, kCueSheet).good());
    ASSERT_TRUE(Write10(unit, -150, 450, 450 * kAudioBlock).good());
    EXPECT_TRUE(Send(unit, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).good());
    EXPECT_EQ(DiscStatus(unit), "status=complete");
    const Answer toc = Send(unit, {0x43, 0, 0, 0, 0, 0, 0, 0, 20, 0}, {}, 20);
    ASSERT_TRUE(toc.good());
    ASSERT_EQ(toc.data.size(), 20u);
    EXPECT_EQ(toc.data[3], 1);                           // last track
    EXPECT_EQ(toc.data[14], 0xAA);                       // then the lead-out,
    EXPECT_EQ((toc.data[18] << 8) | toc.data[19], 300);  // after the 300 blocks
    EXPECT_EQ(SendCueSheet(unit, kCueSheet).sense(), "5/21/02");
}

TEST(WriterUnit, ThePhilipsUnitWritesOnlyAfterWriteSession)
{
    WriterUnit unit = MakeUnit(CommandSet::PhilipsCdd);
    EXPECT_EQ(Write10(unit, 0, 1, 2048).sense(), "5/2C/00");
    const Answer session = Send(unit, {0xEE, 0, 0, 0, 0, 0, 0, 0, 4, 0}, {}, 4);
    ASSERT_TRUE(session.good());
    EXPECT_EQ((session.data[0] << 8) | session.data[1], 11700);  // lead-in from 97:24:00
    EXPECT_EQ((session.data[2] << 8) | session.data[3], 6750);
}

struct ConfigCase {
    const char* name;
    const char* text;
    const char* why;
};

void PrintTo(const ConfigCase& config, std::ostream* out) { *out << config.name; }

class ConfigFiles : public testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigFiles, AnInvalidConfigurationSaysWhichLine)
{
    std::vector<UnitConfig> units;
    std::string why;
    EXPECT_FALSE(writer_emulator::ParseUnits(GetParam().text, &units, &why));
    EXPECT_EQ(why, GetParam().why);
    EXPECT_TRUE(units.empty());
}

INSTANTIATE_TEST_SUITE_P(
    UnitConfig, ConfigFiles,
    testing::Values(ConfigCase{"VendorTooLong", "[unit]\nvendor = TESSALINE\n",
                               "line 2: vendor longer than 8 characters"},
                    ConfigCase{"FieldBeforeUnit", "node = /dev/sr0\n",
                               "line 1: a field before the first [unit]"},
                    ConfigCase{"UnknownDisc", "[unit]\n\ndisc = dvd\n", "line 3: unknown disc dvd"},
                    ConfigCase{"BadAddress", "[unit]\naddress = 1:2:3\n",
                               "line 2: address must be host:channel:target:lun"},
                    ConfigCase{"SameNodeTwice", "[unit]\naddress = 0:0:0:0\n[unit]\naddress = 0:0:1:0\n",
                               "two units on /dev/sr0"}),
    [](const testing::TestParamInfo<ConfigCase>& tested) { return tested.param.name; });

TEST(UnitConfig, WhatIsFormattedIsReadBack)
{
    UnitConfig first;
    first.vendor = "TSLN";
    first.product = "CDRW 4012 X";
    first.revision = "1.0";
    UnitConfig second = first;
    second.node = "/dev/sr1";
    second.host = 3;
    second.channel = 1;
    second.target = 5;
    second.lun = 2;
    second.disc = Disc::Closed;
    second.access = writer_emulator::Access::Busy;
    second.commands = CommandSet::PhilipsCdd;
    std::vector<UnitConfig> units;
    std::string why;
    ASSERT_TRUE(writer_emulator::ParseUnits(writer_emulator::FormatUnits({first, second}), &units, &why))
        << why;
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(writer_emulator::FormatUnits(units), writer_emulator::FormatUnits({first, second}));
    EXPECT_EQ(units[1].product, "CDRW 4012 X");
    EXPECT_EQ(units[1].lun, 2);
    EXPECT_EQ(units[1].commands, CommandSet::PhilipsCdd);
}

}  // namespace
