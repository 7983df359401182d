#include "wizard/driver_probe.h"

#include <gtest/gtest.h>

using namespace DriverProbe;

using Lines = std::vector<std::string>;

struct ScanCase {
    const char* output;
    Lines lines;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.output)); }

class ScanSplit : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanSplit, ListsThePiecesBetweenTheFirstAndTheLast)
{
    EXPECT_EQ(SplitScanOutput(GetParam().output), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(BusScan, ScanSplit,
                         testing::Values(ScanCase{"head\nA\nB\n", {"A", "B"}}, ScanCase{"head\nA\nB", {"A"}},
                                         ScanCase{"head\r\nA\r\nB\r\n", {"A\r", "B\r"}}, ScanCase{"", {}},
                                         ScanCase{"no line feed", {}}, ScanCase{"head\n", {}},
                                         ScanCase{"head\nA\n\nB\n", {"A", "", "B"}},
                                         ScanCase{"\n\n\n", {"", ""}},
                                         ScanCase{"head\n  1,0,0  spaced  \n", {"  1,0,0  spaced  "}}));

TEST(WriterChoice, RefusesEmptyAndTheNoAdapterLineOnly)
{
    EXPECT_TRUE(IsRefusedWriterChoice(""));
    EXPECT_TRUE(IsRefusedWriterChoice("Could not find any host adapters"));
    EXPECT_TRUE(IsRefusedWriterChoice("   could NOT find any HOST adapters  "));
    EXPECT_FALSE(IsRefusedWriterChoice("Could not find any host adapters."));
    EXPECT_FALSE(IsRefusedWriterChoice("Could not find any host adapters\r"));
    EXPECT_FALSE(IsRefusedWriterChoice("\tCould not find any host adapters"));
    EXPECT_FALSE(IsRefusedWriterChoice(" "));
    EXPECT_FALSE(IsRefusedWriterChoice("1,0,0  Writer"));
}

TEST(WriterLine, AddressIsFiveCharactersAndDescriptionStartsAtTheEighth)
{
    EXPECT_EQ(DeviceAddressOf("1,0,0  Virtual Writer\r"), "1,0,0");
    EXPECT_EQ(WriterDescriptionOf("1,0,0  Virtual Writer\r"), "Virtual Writer\r");
    EXPECT_EQ(DeviceAddressOf("abc"), "abc");
    EXPECT_EQ(WriterDescriptionOf("1,0,0: "), "");
    EXPECT_EQ(WriterDescriptionOf("abc"), "");
    // Characters, not bytes: a writer named in another script keeps its letters whole.
    EXPECT_EQ(DeviceAddressOf("é,0,0  x"), "é,0,0");
    EXPECT_EQ(WriterDescriptionOf("1,0,0  Ünïcode"), "Ünïcode");
    EXPECT_EQ(WriterDescriptionOf("ééééééé"), "");
    EXPECT_EQ(WriterDescriptionOf("éééééééa"), "a");
}

TEST(CommandLines, SpellTheToolAndTheOptionsAsTheToolExpects)
{
    const std::string dir = "/opt/my apps/tessaline";
    EXPECT_EQ(ScanBusCommandLine(dir, '/'), "\"/opt/my apps/tessaline/Burn.exe\" scanbus -v 0");
    EXPECT_EQ(ScanBusCommandLine("C:\\Program Files\\Tessaline", '\\'),
              "\"C:\\Program Files\\Tessaline\\Burn.exe\" scanbus -v 0");
    EXPECT_EQ(ProbeCommandLine(dir, '/', 1, "1,0,0", "(default)"),
              "\"/opt/my apps/tessaline/Burn.exe\" disk-info --device 1,0,0 -v 0");
    EXPECT_EQ(ProbeCommandLine(dir, '/', 4, "1,0,0", "cdd2600"),
              "\"/opt/my apps/tessaline/Burn\" Disk-info --device 1,0,0 --driver cdd2600 -v 0");
    EXPECT_EQ(SimulateCommandLine(dir, '/', 1, "1,0,0", "(default)"),
              "\"/opt/my apps/tessaline/Burn\" simulate --device 1,0,0 -n --reload --eject test.cue");
    EXPECT_EQ(SimulateCommandLine(dir, '\\', 5, "1,0,0", "plextor"),
              "\"/opt/my apps/tessaline\\burn\" simulate --device 1,0,0 --driver plextor -n "
              "--reload --eject test.cue");
}

TEST(CommandLines, AllDriversRefusedSimulateWithTheLastDriverTried)
{
    const int n = static_cast<int>(kDriverTable.size());
    EXPECT_EQ(SimulationEntry(1, n), 0);
    EXPECT_EQ(SimulationEntry(2, n), 1);
    EXPECT_EQ(SimulationEntry(n, n), n - 1);
    EXPECT_EQ(SimulationEntry(n + 1, n), n - 1);  // every probe refused
    EXPECT_EQ(SimulationEntry(1, 0), -1);
    const int entry = SimulationEntry(n + 1, n);
    EXPECT_EQ(SimulateCommandLine("/opt/my apps/tessaline", '/', n + 1, "1,0,0", kDriverTable[entry]),
              "\"/opt/my apps/tessaline/burn\" simulate --device 1,0,0 --driver yamaha-cdr10x -n --reload "
              "--eject test.cue");
}

TEST(Answers, PhrasesAreFoundWithoutRegardToCase)
{
    EXPECT_TRUE(IsDriverRefused("...\nCANNOT READ DRIVER\n"));
    EXPECT_TRUE(IsDriverRefused("cannot read driver"));
    EXPECT_FALSE(IsDriverRefused(""));
    EXPECT_FALSE(IsDriverRefused("Cannot read drive"));
    EXPECT_TRUE(ContainsPhrase("xxCannot", "cannot"));
    EXPECT_FALSE(ContainsPhrase("Canno", "cannot"));
}

struct SimCase {
    const char* answer;
    std::int16_t code;
};
void PrintTo(const SimCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.answer)); }

class Simulation : public testing::TestWithParam<SimCase> {};

TEST_P(Simulation, TheFirstRowOfTheResultTableWins)
{
    EXPECT_EQ(ClassifySimulation(GetParam().answer), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    ResultTable, Simulation,
    testing::Values(SimCase{"", 1}, SimCase{"all quiet", 1}, SimCase{"Write finished successfully.", 2},
                    SimCase{"I/O error\nfinished successfully", 2},
                    SimCase{"cannot open TOC file test.cue", 3}, SimCase{"SCSI I/O ERROR", 4},
                    SimCase{"not appendable; Simulation failed", 5}, SimCase{"error: unit not ready", 6},
                    SimCase{"Simulation failed", 7}, SimCase{"Unit not ready", 1}));

TEST(ResultTexts, FooterAndMessageDifferOnlyForCodesTwoAndSeven)
{
    for (std::int16_t code = 1; code <= 7; ++code) {
        ResultKeys keys = ResultKeysOf(code);
        if (code == 2 || code == 7)
            EXPECT_NE(keys.footer, keys.message) << code;
        else
            EXPECT_EQ(keys.footer, keys.message) << code;
    }
    EXPECT_EQ(ResultKeysOf(7).message, std::vector<std::string>{"2104"});
    EXPECT_EQ(ResultKeysOf(5).footer.size(), 2u);
}

TEST(Progress, WidthIsProportionalAndFailuresKeepTheBar)
{
    EXPECT_FLOAT_EQ(*ProgressWidthTwips(130, 0), 0.0f);
    EXPECT_NEAR(*ProgressWidthTwips(130, 10), 263.077, 1e-3);
    EXPECT_NEAR(*ProgressWidthTwips(130, 15), 394.615, 1e-3);
    EXPECT_FLOAT_EQ(*ProgressWidthTwips(130, 65), 1710.0f);
    EXPECT_FLOAT_EQ(*ProgressWidthTwips(130, 130), 3420.0f);
    EXPECT_NEAR(*ProgressWidthTwips(130, 135), 3551.538, 1e-3);
    // value * 3420 needs more than 16 bits and must not wrap.
    EXPECT_FLOAT_EQ(*ProgressWidthTwips(32767, 32767), 3420.0f);
    EXPECT_FALSE(ProgressWidthTwips(0, 10).has_value());
    EXPECT_FALSE(ProgressWidthTwips(130, -5).has_value());
}

TEST(DriverTable, HoldsThirteenNamesWithTheDefaultFirst)
{
    EXPECT_STREQ(kDriverTable[0], "(default)");
    EXPECT_STREQ(kDriverTable[3], "cdd2600");
    EXPECT_STREQ(kDriverTable[12], "yamaha-cdr10x");
}
