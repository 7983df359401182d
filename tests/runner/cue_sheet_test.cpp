// The stand-in tool's check of the test disc: cue sheets, WAVE headers, track lengths, and the
// answers the tool gives for a disc a recorder would refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "runner/MGetCmdOutput.h"
#include "test_support.h"
#include "tools/burn/cue_sheet.h"
#include "tools/burn/scenario.h"

namespace {

using testing_support::WriteFile;

std::string Little(std::uint32_t value, int bytes)
{
    std::string text;
    for (int k = 0; k < bytes; ++k) text += static_cast<char>((value >> (8 * k)) & 0xFF);
    return text;
}

// A WAVE file's bytes: a format chunk of fmtSize bytes, then a data chunk that declares
// dataBytes and holds present bytes of silence (all of them when present is npos).
struct Wave {
    unsigned tag = 1;
    unsigned channels = 2;
    std::uint32_t rate = 44100;
    unsigned bits = 16;
    std::uint32_t dataBytes = 4 * 588;
    std::size_t present = std::string::npos;
    std::uint32_t fmtSize = 16;
    std::string before;  // chunks between the format and the data chunk
    bool dataFirst = false;

    std::string Bytes() const
    {
        const unsigned block = channels * bits / 8;
        std::string fmt = "fmt " + Little(fmtSize, 4) + Little(tag, 2) + Little(channels, 2) +
                          Little(rate, 4) + Little(rate * block, 4) + Little(block, 2) + Little(bits, 2);
        fmt.resize(8 + fmtSize, '\0');
        const std::string data =
            "data" + Little(dataBytes, 4) + std::string(std::min<std::size_t>(present, dataBytes), '\0');
        const std::string chunks = dataFirst ? data + fmt : fmt + before + data;
        return "RIFF" + Little(static_cast<std::uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
    }
};

constexpr std::uint32_t kSecond = 44100 * 4;  // bytes of one second of CD audio

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The wizard's result phrases that the text holds, found as the wizard finds them (any case).
std::vector<std::string> ResultPhrasesIn(const std::string& text)
{
    std::vector<std::string> found;
    for (const std::string& phrase : burn::SimulationPhrases())
        if (Lower(text).find(Lower(phrase)) != std::string::npos) found.push_back(phrase);
    return found;
}

struct ParseCase {
    std::string text;
    std::vector<std::int64_t> starts;  // INDEX 01 of every track, in frames
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << testing::PrintToString(c.text); }

class CueSheetParse : public testing::TestWithParam<ParseCase> {};

TEST_P(CueSheetParse, ReadsEveryTrack)
{
    std::vector<burn::CueFile> files;
    std::string error;
    ASSERT_TRUE(burn::ParseCueSheet(GetParam().text, files, error)) << error;
    std::vector<std::int64_t> starts;
    for (const burn::CueFile& file : files)
        for (const burn::CueTrack& track : file.tracks) starts.push_back(track.start);
    EXPECT_EQ(starts, GetParam().starts);
}

const char kOneTrack[] = "FILE \"test.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CueSheetParse,
    testing::Values(ParseCase{std::string("REM a disc\n") + kOneTrack, {0}},
                    // Two tracks with a pregap, in any letter case, CR LF and a BOM.
                    ParseCase{
                        "\xEF\xBB\xBFTITLE \"Test disc\"\r\nfile \"a b.wav\" wave\r\n track 01 audio\r\n"
                        " index 01 00:00:00\r\n TRACK 02 AUDIO\r\n PREGAP 00:02:00\r\n INDEX 00 00:05:00\r\n"
                        " INDEX 01 00:06:10\r\n INDEX 02 01:00:00\r\n",
                        {0, 6 * 75 + 10}},
                    ParseCase{"FILE a.wav WAVE\nTRACK 05 AUDIO\nINDEX 01 00:01:00\nFILE b.wav WAVE\n"
                              "TRACK 06 AUDIO\nINDEX 01 00:00:00\n",
                              {75, 0}}));

struct SyntaxCase {
    std::string text;
    std::string error;
};
void PrintTo(const SyntaxCase& c, std::ostream* os) { *os << testing::PrintToString(c.error); }

class CueSheetSyntax : public testing::TestWithParam<SyntaxCase> {};

TEST_P(CueSheetSyntax, NamesTheLineAtFault)
{
    std::vector<burn::CueFile> files;
    std::string error;
    EXPECT_FALSE(burn::ParseCueSheet(GetParam().text, files, error));
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

const char kTrack[] = "FILE a.wav WAVE\nTRACK 01 AUDIO\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CueSheetSyntax,
    testing::Values(
        SyntaxCase{"", "no FILE"},
        SyntaxCase{"REM\nFILE \"a.wav\" WAVE\n", "line 2: FILE \"a.wav\" has no TRACK"},
        SyntaxCase{"TRACK 01 AUDIO\n", "line 1: TRACK before any FILE"},
        SyntaxCase{"FILE \"a.wav WAVE\n", "line 1: a quote is not closed"},
        SyntaxCase{"FILE \"a.wav\"\n", "line 1: FILE needs a file name and a type"},
        SyntaxCase{"FILE a.bin BINARY\n", "line 1: file type BINARY is not supported"},
        SyntaxCase{"FILE a.wav WAVE\nTRACK 01 MODE1/2352\n", "line 2: track mode MODE1/2352"},
        SyntaxCase{"FILE a.wav WAVE\nTRACK 00 AUDIO\n", "line 2: TRACK needs a number"},
        SyntaxCase{std::string(kOneTrack) + "TRACK 03 AUDIO\n", "line 4: track 03 does not follow track 01"},
        SyntaxCase{std::string(kTrack) + "INDEX 00 00:00:00\nTRACK 02 AUDIO\n",
                   "line 2: track 01 has no INDEX 01"},
        SyntaxCase{kTrack, "line 2: track 01 has no INDEX 01"},
        SyntaxCase{"FILE a.wav WAVE\nINDEX 01 00:00:00\n", "line 2: INDEX before any TRACK"},
        SyntaxCase{std::string(kTrack) + "INDEX 01 00:60:00\n", "line 3: INDEX needs a number and a time"},
        SyntaxCase{std::string(kTrack) + "INDEX 01 00:00:75\n", "line 3: INDEX needs a number and a time"},
        SyntaxCase{std::string(kOneTrack) + "INDEX 01 00:09:00\n", "line 4: a second INDEX 01"},
        SyntaxCase{std::string(kTrack) + "INDEX 02 00:00:00\n", "line 3: INDEX 02 before INDEX 01"},
        SyntaxCase{std::string(kOneTrack) + "INDEX 00 00:01:00\n", "line 4: INDEX 00 after INDEX 01"},
        SyntaxCase{std::string(kTrack) + "INDEX 01 00:09:00\nTRACK 02 AUDIO\nINDEX 01 00:08:00\n",
                   "line 5: INDEX time 00:08:00 goes back"},
        SyntaxCase{std::string(kOneTrack) + "SPEED 4\n", "line 4: unknown command SPEED"}));

struct WaveCase {
    const char* name;
    std::string bytes;
    std::string error;  // empty: CD audio
};
void PrintTo(const WaveCase& c, std::ostream* os) { *os << c.name; }

class WaveHeader : public testing::TestWithParam<WaveCase> {};

TEST_P(WaveHeader, OnlyCdAudioPasses)
{
    std::istringstream in(GetParam().bytes);
    std::uint64_t dataBytes = 0;
    std::string error;
    const bool audio = burn::ReadCdAudio(in, GetParam().bytes.size(), dataBytes, error);
    EXPECT_EQ(audio, GetParam().error.empty()) << error;
    if (audio)
        EXPECT_EQ(dataBytes, 4u * 588u);
    else
        EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

Wave With(void (*change)(Wave&))
{
    Wave wave;
    change(wave);
    return wave;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WaveHeader,
    testing::Values(
        WaveCase{"cd audio", Wave{}.Bytes(), ""},
        WaveCase{"other chunks, odd size padded",
                 With([](Wave& w) { w.before = "LIST" + Little(3, 4) + std::string("abc\0", 4); }).Bytes(),
                 ""},
        WaveCase{"format chunk of 18 bytes", With([](Wave& w) { w.fmtSize = 18; }).Bytes(), ""},
        WaveCase{"empty file", "", "not a RIFF/WAVE file"},
        WaveCase{"not riff", "RIFX" + Wave{}.Bytes().substr(4), "not a RIFF/WAVE file"},
        WaveCase{"float samples", With([](Wave& w) { w.tag = 3; }).Bytes(), "not PCM (format tag 3)"},
        WaveCase{"48 kHz", With([](Wave& w) { w.rate = 48000; }).Bytes(), "48000 Hz, 16 bit, 2 channels"},
        WaveCase{"mono", With([](Wave& w) { w.channels = 1; }).Bytes(), "44100 Hz, 16 bit, 1 channel;"},
        WaveCase{"block size that does not fit", Wave{}.Bytes().replace(32, 2, Little(6, 2)),
                 "CD audio is 44100 Hz, 16 bit, 2 channels"},
        WaveCase{"half a sample frame", With([](Wave& w) { w.dataBytes = 4 * 588 + 2; }).Bytes(),
                 "(2354 bytes) is not a whole number of 4-byte sample frames"},
        WaveCase{"data cut short", With([](Wave& w) { w.present = 1000; }).Bytes(),
                 "holds 2352 bytes but the file ends after 1000"},
        WaveCase{"data before format", With([](Wave& w) { w.dataFirst = true; }).Bytes(),
                 "the data chunk comes before the format chunk"},
        WaveCase{"format chunk too short", With([](Wave& w) { w.fmtSize = 14; }).Bytes(), "too short"},
        WaveCase{"no data chunk", Wave{}.Bytes().substr(0, 36), "no data chunk"},
        WaveCase{"no format chunk", "RIFF" + Little(4, 4) + "WAVE", "no format chunk"}));

TEST(TrackLengths, EveryTrackLastsFourSecondsUpToTheNextOrTheEndOfItsAudio)
{
    auto check = [](std::vector<std::int64_t> starts, std::uint64_t dataBytes) {
        burn::CueFile file{"a.wav", 1, {}};
        for (std::size_t k = 0; k < starts.size(); ++k)
            file.tracks.push_back({static_cast<int>(k + 1), static_cast<int>(k + 2), starts[k]});
        std::string error;
        return burn::CheckTrackLengths(file, dataBytes, error) ? std::string("fits") : error;
    };
    EXPECT_EQ(check({0}, 4 * kSecond), "fits");
    EXPECT_EQ(check({0}, 4 * kSecond - 4),
              "line 2: track 01 is 00:03:74 long; an audio track must last at least 00:04:00");
    EXPECT_EQ(check({0}, kSecond),
              "line 2: track 01 is 00:01:00 long; an audio track must last at least 00:04:00");
    EXPECT_EQ(check({0, 300}, 8 * kSecond), "fits");
    EXPECT_EQ(check({0, 225}, 8 * kSecond),
              "line 2: track 01 is 00:03:00 long; an audio track must last at least 00:04:00");
    EXPECT_EQ(check({0, 300}, 7 * kSecond),
              "line 3: track 02 is 00:03:00 long; an audio track must last at least 00:04:00");
    EXPECT_EQ(check({75}, 4 * kSecond),
              "line 2: track 01 is 00:03:00 long; an audio track must last at least 00:04:00");
    EXPECT_EQ(check({0, 600}, 8 * kSecond),
              "line 3: track 02 starts at 00:08:00, after the end of \"a.wav\" (00:08:00)");
}

class CueSheetFiles : public testing::Test {
protected:
    burn::CueSheetReport Check(const std::string& sheet, const std::string& audio)
    {
        WriteFile(dir.path() / "disc.cue", sheet);
        WriteFile(dir.path() / "a b.wav", audio);
        return burn::CheckCueSheet(Cue());
    }
    std::string Cue() const { return (dir.path() / "disc.cue").string(); }
    testing_support::TempDir dir;
};

TEST_F(CueSheetFiles, AnUnreadableSheetCannotBeOpenedAndOtherFaultsNameNoResult)
{
    const std::string sheet = "FILE \"a b.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    Wave fourSeconds;
    fourSeconds.dataBytes = 4 * kSecond;
    EXPECT_EQ(Check(sheet, fourSeconds.Bytes()).status, burn::CueSheetStatus::Usable);
    EXPECT_EQ(burn::CheckCueSheet(BURN_DATA_DIR "/test.cue").status,
              burn::CueSheetStatus::Usable);  // the shipped one

    const burn::CueSheetReport missing = burn::CheckCueSheet((dir.path() / "none.cue").string());
    EXPECT_EQ(missing.status, burn::CueSheetStatus::Unreadable);
    EXPECT_EQ(missing.message, "Burn: Cannot open toc file " + (dir.path() / "none.cue").string() + "\n");
    const burn::CueSheetReport syntax = Check("FILE \"a b.wav\" WAVE\n  TRACK 1 DATA\n", fourSeconds.Bytes());
    EXPECT_EQ(syntax.status, burn::CueSheetStatus::Unreadable);
    EXPECT_EQ(syntax.message, "Burn: " + Cue() + ": line 2: track mode DATA is not supported (AUDIO)\n" +
                                  "Burn: Cannot open toc file " + Cue() + "\n");

    Wave oneSecond;
    oneSecond.dataBytes = kSecond;
    Wave mono = fourSeconds;
    mono.channels = 1;
    const std::string refused = "Burn: " + Cue() + ": the toc file is inconsistent, nothing was simulated\n";
    const struct {
        burn::CueSheetReport report;
        std::string message;
    } cases[] = {
        {Check(sheet, oneSecond.Bytes()),
         "Burn: " + Cue() +
             ": line 2: track 01 is 00:01:00 long; an audio track must last at least 00:04:00\n"},
        {Check(sheet, mono.Bytes()), "Burn: a b.wav: the audio is 44100 Hz, 16 bit, 1 channel; CD audio is "
                                     "44100 Hz, 16 bit, 2 channels\n"},
        {Check(sheet, "RIFF"), "Burn: a b.wav: not a RIFF/WAVE file\n"},
        {Check("FILE \"gone.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", fourSeconds.Bytes()),
         "Burn: " + Cue() + ": line 1: cannot open audio file \"gone.wav\"\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.report.status, burn::CueSheetStatus::Refused) << c.report.message;
        EXPECT_EQ(c.report.message, c.message + refused);
        EXPECT_TRUE(ResultPhrasesIn(c.report.message).empty()) << c.report.message;
    }
}

// The tool itself, given the one second of silence that a recorder refuses: no result phrase, so
// the wizard shows that the test gave no clear result.
TEST(BurnProcessTest, RefusesATrackShorterThanFourSecondsWithoutAResultPhrase)
{
    testing_support::TempDir dir;
    WriteFile(dir.path() / "s.ini",
              "[writer]\naddress=1,0,0\ndrivers=generic-mmc\nsimulate=finished successfully\n");
    WriteFile(dir.path() / "test.cue", kOneTrack);
    Wave oneSecond;
    oneSecond.dataBytes = kSecond;
    WriteFile(dir.path() / "test.wav", oneSecond.Bytes());
    testing_support::ScopedEnv scenario("TESSALINE_BURN_SCENARIO", (dir.path() / "s.ini").string());
    testing_support::ScopedCurrentDir cwd(dir.path());
    const std::string line =
        testing_support::CommandLine(BURN_EXE, {"simulate", "--device", "1,0,0", "--driver", "generic-mmc",
                                                "-n", "--reload", "--eject", "test.cue"});

    const std::string refused = MGetCmdOutput::GetCmdOutput(line, false, true, false);
    EXPECT_NE(refused.find("track 01 is 00:01:00 long"), std::string::npos) << refused;
    EXPECT_TRUE(ResultPhrasesIn(refused).empty()) << refused;

    Wave fourSeconds;
    fourSeconds.dataBytes = 4 * kSecond;
    WriteFile(dir.path() / "test.wav", fourSeconds.Bytes());
    const std::string accepted = MGetCmdOutput::GetCmdOutput(line, false, true, false);
    EXPECT_EQ(ResultPhrasesIn(accepted), std::vector<std::string>{"finished successfully"}) << accepted;
}

}  // namespace
