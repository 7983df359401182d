#include <gtest/gtest.h>

#include "platform/regfile.h"

namespace {

using namespace platform::regfile;

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const Value* ValueAt(const Document& document, const std::string& path, const std::string& name)
{
    const auto names = SplitKeyPath(path);
    const Key* key = names ? FindKey(document, *names) : nullptr;
    return key == nullptr ? nullptr : key->FindValue(name);
}

struct ValueCase {
    const char* name;
    std::string text;  // after the header and a key line [HKEY_CURRENT_USER\K]
    std::string valueName;
    std::uint32_t type;
    std::string data;
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.name; }

class ReadsValue : public testing::TestWithParam<ValueCase> {};

TEST_P(ReadsValue, WithItsTypeAndBytes)
{
    const auto& c = GetParam();
    ParseError error;
    const auto document =
        Parse("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n" + c.text, &error);
    ASSERT_TRUE(document) << error.line << ": " << error.message;
    const Value* value = ValueAt(*document, "HKEY_CURRENT_USER\\K", c.valueName);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, Bytes(c.data));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadsValue,
    testing::Values(
        ValueCase{"unnamed", "@=\"2\"\n", "", 1, std::string("2\0", 2)},
        ValueCase{"emptyNameIsUnnamed", "\"\"=\"x\"\n", "", 1, std::string("x\0", 2)},
        ValueCase{"escapes", "\"a\\\\b\"=\"say \\\"hi\\\"\"\n", "a\\b", 1, std::string("say \"hi\"\0", 9)},
        ValueCase{"blanksEverywhere", "\t@  =  \"  in  \"  \n", "", 1, std::string("  in  \0", 7)},
        ValueCase{"commentAfterData", "@=\"v\";note\n", "", 1, std::string("v\0", 2)},
        ValueCase{"semicolonInsideText", "@=\";not\"\n", "", 1, std::string(";not\0", 5)},
        ValueCase{"dword", "\"n\"=dword:0000000c\n", "n", 4, std::string("\x0c\0\0\0", 4)},
        ValueCase{"shortDword", "\"n\"=DWORD:  1f\n", "n", 4, std::string("\x1f\0\0\0", 4)},
        ValueCase{"binary", "\"b\"=hex:00,ff,10\n", "b", 3, std::string("\0\xff\x10", 3)},
        ValueCase{"typedHex", "\"t\"=hex(abcd):01\n", "t", 0xabcd, "\x01"},
        ValueCase{"emptyHexText", "\"t\"=hex(1):\n", "t", 1, ""},
        ValueCase{"continued", "\"c\"=hex(2):41,\\\n  ; between\n\n  42,00\n", "c", 2,
                  std::string("AB\0", 3)},
        ValueCase{"continuedWithComment", "\"c\"=hex:01,\\;x\n  02\n", "c", 3, "\x01\x02"},
        ValueCase{"laterLineWins", "@=\"1\"\n@=\"2\"\n", "", 1, std::string("2\0", 2)}),
    [](const auto& test) { return std::string(test.param.name); });

struct InvalidCase {
    const char* name;
    std::string text;
};

void PrintTo(const InvalidCase& c, std::ostream* out) { *out << c.name; }

class RejectsText : public testing::TestWithParam<InvalidCase> {};

TEST_P(RejectsText, AsAWhole) { EXPECT_FALSE(Parse(GetParam().text)); }

const std::string kHead = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n";

INSTANTIATE_TEST_SUITE_P(
    Table, RejectsText,
    testing::Values(InvalidCase{"empty", ""}, InvalidCase{"noHeader", "[HKEY_CURRENT_USER\\K]\n@=\"1\"\n"},
                    InvalidCase{"lowerCaseHeader", "regedit4\n"},
                    InvalidCase{"headerWithMore", "REGEDIT4 FOO\n"},
                    InvalidCase{"binary", std::string("\x7f\x45\x4c\x46\x02\x01\x01\0\0", 9)},
                    InvalidCase{"keyWithoutBracket", "REGEDIT4\n[HKEY_CURRENT_USER\\K\n"},
                    InvalidCase{"blankAfterBracket", "REGEDIT4\n[ HKEY_CURRENT_USER\\K]\n"},
                    InvalidCase{"doubledBackslash", "REGEDIT4\n[HKEY_CURRENT_USER\\\\K]\n"},
                    InvalidCase{"valueBeforeKey", "REGEDIT4\n@=\"1\"\n"},
                    InvalidCase{"unterminatedText", kHead + "@=\"abc\n"},
                    InvalidCase{"unterminatedName", kHead + "\"abc=\"1\"\n"},
                    InvalidCase{"unknownEscape", kHead + "@=\"a\\0\"\n"},
                    InvalidCase{"unquotedName", kHead + "abc=\"1\"\n"}, InvalidCase{"noData", kHead + "@=\n"},
                    InvalidCase{"hashAfterData", kHead + "@=\"1\" #x\n"},
                    InvalidCase{"nineDigitDword", kHead + "@=dword:123456789\n"},
                    InvalidCase{"dwordWithPrefix", kHead + "@=dword:0x12\n"},
                    InvalidCase{"oddHexDigits", kHead + "@=hex:abc\n"},
                    InvalidCase{"oneHexDigit", kHead + "@=hex:a,b\n"},
                    InvalidCase{"hexWithoutComma", kHead + "@=hex:aa bb\n"},
                    InvalidCase{"backslashWithoutComma", kHead + "@=hex:aa\\\n  bb\n"},
                    InvalidCase{"continuationStartsWithComma", kHead + "@=hex:aa,\\\n  ,bb\n"},
                    InvalidCase{"continuationCutOff", kHead + "@=hex:aa,\\\n"},
                    InvalidCase{"continuationSwallowsNextValue", kHead + "@=hex:aa,\\\n\"b\"=\"x\"\n"},
                    InvalidCase{"hexTypeTooLong", kHead + "@=hex(100000000):00\n"},
                    InvalidCase{"strayText", kHead + "what is this\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(RegParse, ReadsTheFormsWindowsWrites)
{
    // What the registry editor exports: UTF-16LE with BOM and CR LF, text values as UTF-16.
    const std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorvane\\Input_Setting\\"
        "Language]\r\n@=\"1\"\r\n\"e\"=hex(2):41,00,e9,00,00,00\r\n\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char c : utf8) {
        utf16.push_back(c == '\xe9' ? '\0' : c);
        utf16.push_back('\0');
    }
    const auto document = Parse(utf16);
    ASSERT_TRUE(document);
    const std::string key = "HKEY_CURRENT_USER\\SOFTWARE\\quorvane\\Input_Setting\\Language";
    ASSERT_NE(ValueAt(*document, key, ""), nullptr);
    EXPECT_EQ(ValueAt(*document, key, "")->data, Bytes(std::string("1\0", 2)));
    EXPECT_EQ(ValueAt(*document, key, "E")->data, Bytes(std::string("A\xC3\xA9\0", 4)));

    // REGEDIT4 files are in the ANSI code page, CR-only line ends are lines too.
    const auto ansi = Parse("REGEDIT4\r[HKEY_CURRENT_USER\\K]\r@=\"caf\xE9\"");
    ASSERT_TRUE(ansi);
    EXPECT_EQ(ValueAt(*ansi, "HKEY_CURRENT_USER\\K", "")->data, Bytes(std::string("caf\xC3\xA9\0", 6)));
}

TEST(RegParse, KeysMatchWithoutCaseAndKeepTheirFirstSpelling)
{
    const auto document = Parse("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorvane]\n\"A\"=\"1\"\n"
                                "[hkey_current_user\\SOFTWARE\\QUORVANE\\]\n\"a\"=\"2\"\n");
    ASSERT_TRUE(document);
    const auto& roots = document->top.SubKeys();
    ASSERT_EQ(roots.size(), 1u);
    const Key* key = roots[0]->FindSubKey("software")->FindSubKey("quorvane");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Name(), "Quorvane");
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(key->Values()[0]->name, "A");
    EXPECT_EQ(key->Values()[0]->data, Bytes(std::string("2\0", 2)));
}

TEST(RegParse, RemovalLinesRemoveKeysAndValues)
{
    const auto document = Parse(
        "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n@=\"1\"\n[HKEY_CURRENT_USER\\A\\C]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
        "\"x\"=-\n[-HKEY_CURRENT_USER\\A\\B]\n@=\"ignored\"\n");
    ASSERT_TRUE(document);
    EXPECT_EQ(FindKey(*document, {"HKEY_CURRENT_USER", "A", "B"}), nullptr);
    EXPECT_EQ(ValueAt(*document, "HKEY_CURRENT_USER\\A\\C", "x"), nullptr);
    EXPECT_NE(ValueAt(*document, "HKEY_CURRENT_USER\\A\\C", "y"), nullptr);
}

TEST(RegWrite, GivesTheExportLayout)
{
    Document document;
    Key& key = CreateKey(document, {"HKEY_CURRENT_USER", "Software", "Q"});
    key.SetValue("", 1, Bytes(std::string("C:\\x \"y\"\0", 9)));
    key.SetValue("n", 4, Bytes(std::string("\x0c\0\0\0", 4)));
    key.SetValue("raw", 1, Bytes("no nul"));
    key.SetValue("b", 3, Bytes(std::string("\x01\xab", 2)));
    key.SetValue("multi", 7, Bytes(std::string("a\0b\0\0", 5)));
    EXPECT_EQ(Write(document), "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software]\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Q]\n"
                               "@=\"C:\\\\x \\\"y\\\"\"\n"
                               "\"n\"=dword:0000000c\n"
                               "\"raw\"=hex(1):6e,6f,20,6e,75,6c\n"
                               "\"b\"=hex:01,ab\n"
                               "\"multi\"=hex(7):61,00,62,00,00\n\n");
}

TEST(RegWrite, LongListsBreakBefore80Columns)
{
    Document document;
    CreateKey(document, {"HKEY_CURRENT_USER", "K"}).SetValue("big", 3, std::vector<std::uint8_t>(200, 0x5a));
    const std::string text = Write(document);
    std::size_t start = 0;
    std::size_t lines = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        EXPECT_LE(end - start, 80u);
        start = end + 1;
        ++lines;
    }
    EXPECT_GT(lines, 8u);
    const auto back = Parse(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, document);
}

// Whatever was read, written back, reads back the same.
class RoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, KeepsTheDocument)
{
    const auto first = Parse(GetParam());
    ASSERT_TRUE(first);
    const std::string written = Write(*first);
    const auto second = Parse(written);
    ASSERT_TRUE(second) << written;
    EXPECT_EQ(*second, *first) << written;
    EXPECT_EQ(Write(*second), written);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, RoundTrip,
    testing::Values(
        std::string("REGEDIT4\n"),
        std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"k\"=\"v\"\n[HKEY_CURRENT_USER]\n@="
                    "\"root\"\n"),
        std::string("REGEDIT4\n[HKEY_CURRENT_USER\\A\\B\\C]\n[HKEY_CURRENT_USER\\A]\n"),
        std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B]\n[-HKEY_LOCAL_MACHINE\\A]\n"),
        std::string("REGEDIT4\n[HKEY_CURRENT_USER\\odd] name ]\n\"@\"=\"\"\n\"\\\"\"=hex(0):\n"),
        std::string("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"t\"=hex(1):61,00,62,00\n\"u\"=hex(1):ff,fe\n"
                    "\"d\"=hex(4):01,02\n\"e\"=hex(4):01,02,03,04\n"),
        std::string("\xEF\xBB\xBFREGEDIT4\n[HKEY_CURRENT_USER\\\xC3\xA9t\xC3\xA9]\n@=\"\xE2\x82\xAC\"\n"),
        std::string("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n@=\"tab\there\"\n\"x\"=-\n")));

TEST(KeyPaths, SplitAtBackslashes)
{
    EXPECT_EQ(SplitKeyPath(""), std::vector<std::string>{});
    EXPECT_EQ(SplitKeyPath("A\\B\\\\"), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(SplitKeyPath("\\A"));
    EXPECT_FALSE(SplitKeyPath("A\\\\B"));
}

}  // namespace
