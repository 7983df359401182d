#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

using namespace platform::text;

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};

void PrintTo(const Utf8Case& c, std::ostream* out) { *out << c.name; }

class Utf8Validity : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, MatchesTheStandard) { EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(Table, Utf8Validity,
                         testing::Values(Utf8Case{"empty", "", true}, Utf8Case{"ascii", "abc", true},
                                         Utf8Case{"twoBytes", "\xC3\xA9", true},
                                         Utf8Case{"fourBytes", "\xF0\x9F\x98\x80", true},
                                         Utf8Case{"nul", std::string("a\0b", 3), true},
                                         Utf8Case{"overlongSlash", "\xC0\xAF", false},
                                         Utf8Case{"overlongThree", "\xE0\x80\xAF", false},
                                         Utf8Case{"surrogate", "\xED\xA0\x80", false},
                                         Utf8Case{"aboveMax", "\xF4\x90\x80\x80", false},
                                         Utf8Case{"cutShort", "ab\xE2\x82", false},
                                         Utf8Case{"loneContinuation", "\x80", false},
                                         Utf8Case{"latin1", "caf\xE9", false}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(Utf8Counting, CountsAndCutsByCodePoint)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a é € 😀
    EXPECT_EQ(CountUtf8Chars(text), 4u);
    EXPECT_EQ(Utf8PrefixBytes(text, 0), 0u);
    EXPECT_EQ(Utf8PrefixBytes(text, 2), 3u);
    EXPECT_EQ(Utf8PrefixBytes(text, 3), 6u);
    EXPECT_EQ(Utf8PrefixBytes(text, 9), text.size());
}

TEST(Windows1252, MapsTheHighHalfLikeWindows)
{
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");  // €
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");      // Ÿ
    EXPECT_EQ(Windows1252ToUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D");
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Windows1252ToUtf8("\xFF"), "\xC3\xBF");
}

TEST(Utf16Le, DecodesPairsAndReplacesBrokenUnits)
{
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0\xE9\0", 4)), "A\xC3\xA9");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8\x00\xDE", 4)), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xD8"
                                        "A\0",
                                        4)),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xDC", 2)), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0B", 3)), "A\xEF\xBF\xBD");
}

TEST(DecodeText, PicksTheEncodingFromBomAndValidity)
{
    Encoding encoding{};
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF[x]", &encoding), "[x]");
    EXPECT_EQ(encoding, Encoding::Utf8Bom);
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE[\0x\0]\0", 8), &encoding), "[x]");
    EXPECT_EQ(encoding, Encoding::Utf16LeBom);
    EXPECT_EQ(DecodeText("k=\xC3\xA9", &encoding), "k=\xC3\xA9");
    EXPECT_EQ(encoding, Encoding::Utf8);
    EXPECT_EQ(DecodeText("k=\xE9", &encoding), "k=\xC3\xA9");
    EXPECT_EQ(encoding, Encoding::Windows1252);
    // A UTF-8 BOM in front of bytes that are not UTF-8 is read as Windows-1252 text.
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xE9", &encoding), "\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9");
}

TEST(LineReader, EndsLinesAtCrLfLfAndLoneCr)
{
    LineReader lines("a\r\nb\n\rc\r\rd");
    std::string_view line;
    std::vector<std::string> got;
    while (lines.Next(&line)) got.emplace_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "", "c", "", "d"}));
    EXPECT_EQ(lines.Number(), 6u);
}

TEST(FoldCase, ComparesLettersOfSeveralScripts)
{
    EXPECT_EQ(FoldCase("Software\\Quorvane"), FoldCase("SOFTWARE\\quorvane"));
    EXPECT_EQ(FoldCase("\xC3\xA4\xC3\xB6\xC3\xBC"), FoldCase("\xC3\x84\xC3\x96\xC3\x9C"));  // äöü
    EXPECT_EQ(FoldCase("\xD0\xBF\xD1\x80\xD0\xB8"), FoldCase("\xD0\x9F\xD0\xA0\xD0\x98"));  // при
    EXPECT_EQ(FoldCase("\xCF\x89"), FoldCase("\xCE\xA9"));                                  // ω Ω
    EXPECT_EQ(FoldCase("\xC5\x82"), FoldCase("\xC5\x81"));                                  // ł Ł
    EXPECT_NE(FoldCase("a"), FoldCase("b"));
    EXPECT_NE(FoldCase("\xC3\xA9"), FoldCase("E"));
    EXPECT_EQ(FoldCase("x\xFFy"), "X\xFFY");
}

TEST(Utf8Encoding, WritesEachLengthAndLeadBytesBoundWhatFollows)
{
    std::string out;
    for (const char32_t cp : {U'A', U'\u00E9', U'\u20AC', U'\U0001F600'}) AppendUtf8(out, cp);
    EXPECT_EQ(out, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8LeadOf('A')->continuationBytes, 0);
    EXPECT_EQ(Utf8LeadOf(0xC2)->continuationBytes, 1);
    EXPECT_EQ(Utf8LeadOf(0xE0)->low, 0xA0);   // no overlong forms
    EXPECT_EQ(Utf8LeadOf(0xED)->high, 0x9F);  // no surrogates
    EXPECT_EQ(Utf8LeadOf(0xF4)->high, 0x8F);  // nothing above U+10FFFF
    EXPECT_EQ(Utf8LeadOf(0xF1)->continuationBytes, 3);
    for (const int byte : {0x80, 0xBF, 0xC0, 0xC1, 0xF5, 0xFF})
        EXPECT_FALSE(Utf8LeadOf(static_cast<unsigned char>(byte))) << byte;
}

TEST(AsciiCase, ChangesAsciiLettersOnly)
{
    EXPECT_EQ(AsciiLowerCase("DISK-Info \xC3\x89"), "disk-info \xC3\x89");
    EXPECT_EQ(AsciiUpper('q'), 'Q');
    EXPECT_EQ(AsciiUpper('@'), '@');
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Dword:", "dWORD:"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));  // É é
    EXPECT_FALSE(EqualsIgnoringAsciiCase("hex", "hex("));
}

TEST(Blanks, EachReaderNamesItsOwn)
{
    EXPECT_EQ(Trim(" \tx y\t "), "x y");
    EXPECT_EQ(Trim("\vx\r"), "\vx\r");
    EXPECT_EQ(Trim("\v x\v", " \t\v"), "x");
    EXPECT_EQ(Trim("x\r", " \t\r"), "x");
    EXPECT_EQ(Trim("\t x ", " "), "\t x");
    EXPECT_EQ(TrimLeft("  x  "), "x  ");
    EXPECT_EQ(TrimRight("  x  "), "  x");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_TRUE(IsBlank('\t'));
    EXPECT_FALSE(IsBlank('\0'));
}

TEST(Split, KeepsEveryPieceEmptyOnesIncluded)
{
    using Pieces = std::vector<std::string_view>;
    EXPECT_EQ(Split("", ','), Pieces{""});
    EXPECT_EQ(Split("a,,b,", ','), (Pieces{"a", "", "b", ""}));
    EXPECT_EQ(Split("/usr/bin::/bin", ':'), (Pieces{"/usr/bin", "", "/bin"}));
}

}  // namespace
