#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

struct DecodeCase {
    std::string bytes;
    std::string expected;
};

const std::string kBad = "\xEF\xBF\xBD";

class Utf8DecoderTest : public ::testing::TestWithParam<DecodeCase> {};

std::string Decode(const std::vector<std::string>& chunks)
{
    platform::Utf8StreamDecoder decoder;
    std::string out;
    for (const std::string& chunk : chunks) decoder.Feed(chunk, out);
    decoder.Finish(out);
    return out;
}

// However the bytes are cut into chunks, the text is the same.
TEST_P(Utf8DecoderTest, GivesTheSameTextForEveryChunking)
{
    const std::string& bytes = GetParam().bytes;
    EXPECT_EQ(Decode({bytes}), GetParam().expected);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut)
        EXPECT_EQ(Decode({bytes.substr(0, cut), bytes.substr(cut)}), GetParam().expected) << "cut at " << cut;
    std::vector<std::string> single;
    for (char c : bytes) single.emplace_back(1, c);
    EXPECT_EQ(Decode(single), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Utf8DecoderTest,
    ::testing::Values(DecodeCase{"plain ascii", "plain ascii"}, DecodeCase{"caf\xC3\xA9", "caf\xC3\xA9"},
                      DecodeCase{"\xE2\x82\xAC\xF0\x9F\x98\x80", "\xE2\x82\xAC\xF0\x9F\x98\x80"},
                      DecodeCase{"a\x80z", "a" + kBad + "z"}, DecodeCase{"end\xC3", "end" + kBad},
                      DecodeCase{"\xC3"
                                 "A",
                                 kBad + "A"},
                      DecodeCase{"\xE2\x82"
                                 "A",
                                 kBad + "A"},
                      DecodeCase{"\xF0\x9F\x98", kBad}, DecodeCase{"\xE0\x80\x80", kBad + kBad + kBad},
                      DecodeCase{"\xED\xA0\x80", kBad + kBad + kBad}, DecodeCase{"\xC0\xAF", kBad + kBad},
                      DecodeCase{"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad}, DecodeCase{"\xFF", kBad}));

TEST(Cp437Test, MapsTheConsoleCodePage)
{
    std::string out;
    platform::AppendCp437AsUtf8("ok \x82\x94\xE1\x9C \xC4\xFF", out);
    EXPECT_EQ(out, "ok \xC3\xA9\xC3\xB6\xC3\x9F\xC2\xA3 \xE2\x94\x80\xC2\xA0");  // é ö ß £ ─ nbsp
}

}  // namespace
