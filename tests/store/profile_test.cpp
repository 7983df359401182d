#include <filesystem>

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "test_folder.h"
#include "test_policy.h"

namespace {

using storetest::TestFolder;

struct LookupCase {
    const char* name;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

void PrintTo(const LookupCase& c, std::ostream* out) { *out << c.name; }

class ProfileLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookup, FollowsTheWindowsReader)
{
    const auto& c = GetParam();
    EXPECT_EQ(platform::FindProfileString(c.text, c.section, c.key), c.expected);
}

const std::optional<std::string> kAbsent;

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileLookup,
    testing::Values(LookupCase{"plain", "[Velthorn]\n2000=Wizard\n", "Velthorn", "2000", "Wizard"},
                    LookupCase{"crLf", "[Velthorn]\r\n2000=A\r\n2001=B\r\n", "Velthorn", "2001", "B"},
                    LookupCase{"crOnly", "[Velthorn]\r2000=A\r2001=B", "Velthorn", "2001", "B"},
                    LookupCase{"noFinalNewline", "[S]\nk=v", "S", "k", "v"},
                    LookupCase{"sectionCase", "[velTHORN]\nk=v\n", "VELTHORN", "k", "v"},
                    LookupCase{"keyCase", "[S]\nNaMe=Val\n", "S", "name", "Val"},
                    LookupCase{"blanksInHeader", "  [ S \t]\nk=v\n", "S", "k", "v"},
                    LookupCase{"blanksAroundKeyAndValue", "[S]\n \tk \v= \t two  words \t\n", "S", "k",
                               "two  words"},
                    LookupCase{"spacesAroundArguments", "[S]\nk=v\n", "  S ", " k  ", "v"},
                    LookupCase{"tabInKeyArgumentKept", "[S]\nk=v\n", "S", "k\t", kAbsent},
                    LookupCase{"tabInSectionArgumentKept", "[S]\nk=v\n", "\tS", "k", kAbsent},
                    LookupCase{"quotesRemoved", "[S]\nk=  \"  v  \"  \n", "S", "k", "  v  "},
                    LookupCase{"singleQuotes", "[S]\nk='v'\n", "S", "k", "v"},
                    LookupCase{"outerPairOnly", "[S]\nk='\"v\"'\n", "S", "k", "\"v\""},
                    LookupCase{"mismatchedQuotes", "[S]\nk=\"v'\n", "S", "k", "\"v'"},
                    LookupCase{"loneQuote", "[S]\nk=\"\n", "S", "k", "\""},
                    LookupCase{"semicolonInValue", "[S]\nk=;not a comment\n", "S", "k", ";not a comment"},
                    LookupCase{"commentLine", "[S]\n  ;k=v\nk=w\n", "S", "k", "w"},
                    LookupCase{"hashIsAKey", "[S]\n#k=v\n", "S", "#k", "v"},
                    LookupCase{"emptyValue", "[S]\nk=\n", "S", "k", ""},
                    LookupCase{"lineWithoutEquals", "[S]\nk\n", "S", "k", kAbsent},
                    LookupCase{"firstEqualsSplits", "[S]\nk=a=b\n", "S", "k", "a=b"},
                    LookupCase{"firstDuplicateKey", "[S]\nk=1\nk=2\n", "S", "k", "1"},
                    LookupCase{"firstDuplicateSection", "[S]\na=1\n[T]\n[S]\nk=2\n", "S", "k", kAbsent},
                    LookupCase{"headerWithoutBracket", "[S   \nk=v\n", "S", "k", "v"},
                    LookupCase{"textAfterBracket", "[S]k=v\n", "S", "k", kAbsent},
                    LookupCase{"firstBracketCloses", "[sec]whoops]\nk=v\n", "sec", "k", "v"},
                    LookupCase{"keysBeforeSections", "k=v\n[S]\n", "", "k", kAbsent},
                    LookupCase{"emptySection", "[]\nk=v\n", "", "k", "v"},
                    LookupCase{"emptyKeyName", "[S]\n=v\n", "S", "", "v"},
                    LookupCase{"otherSection", "[A]\nk=v\n[B]\n", "B", "k", kAbsent},
                    LookupCase{"unicodeCase", "[\xC3\x84]\n\xC3\xA9=v\n", "\xC3\xA4", "\xC3\x89", "v"}),
    [](const auto& test) { return std::string(test.param.name); });

std::string Get(const std::string& file, const std::string& key, const std::string& defaultText,
                std::uint32_t size = 255, std::uint32_t* count = nullptr)
{
    std::string out = "untouched";
    const std::uint32_t n =
        platform::GetPrivateProfileStringA("Velthorn", key, defaultText, &out, size, file);
    if (count != nullptr) *count = n;
    return out;
}

TEST(GetPrivateProfileString, DefaultsLoseTrailingSpacesOnly)
{
    TestFolder folder;
    const std::string file = folder.Write("en.ini", "[Velthorn]\nk=v\n");
    EXPECT_EQ(Get(file, "missing", "one two  "), "one two");
    EXPECT_EQ(Get(file, "missing", "  lead\t"), "  lead\t");
    EXPECT_EQ(Get(folder / "none.ini", "k", "def "), "def");
    EXPECT_EQ(Get(folder.Path(), "k", "dir"), "dir");
    EXPECT_EQ(Get("", "k", "noname"), "noname");
}

#ifndef _WIN32
TEST(GetPrivateProfileString, CutsToTheBufferByCharacters)
{
    TestFolder folder;
    // Four characters, nine bytes: é, €, a, 😀.
    const std::string file = folder.Write("en.ini", "[Velthorn]\nk=\xC3\xA9\xE2\x82\xAC"
                                                    "a\xF0\x9F\x98\x80\n");
    std::uint32_t count = 0;
    EXPECT_EQ(Get(file, "k", "", 255, &count), "\xC3\xA9\xE2\x82\xAC"
                                               "a\xF0\x9F\x98\x80");
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(Get(file, "k", "", 3, &count), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(Get(file, "k", "", 1, &count), "");
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(Get(file, "k", "", 0, &count), "untouched");
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(Get(file, "missing", "default", 4, &count), "def");
    EXPECT_EQ(count, 3u);
}

TEST(GetPrivateProfileString, ReadsEveryEncodingAsUtf8)
{
    TestFolder folder;
    EXPECT_EQ(Get(folder.Write("bom.ini", "\xEF\xBB\xBF[Velthorn]\nk=\xC3\xA9\n"), "k", ""), "\xC3\xA9");
    EXPECT_EQ(Get(folder.Write("ansi.ini", "[Velthorn]\nk=caf\xE9 \x80\n"), "k", ""),
              "caf\xC3\xA9 \xE2\x82\xAC");
    const std::string utf16("\xFF\xFE[\0V\0e\0l\0t\0h\0o\0r\0n\0]\0\r\0\n\0k\0=\0\xE9\0", 32);
    EXPECT_EQ(Get(folder.Write("utf16.ini", utf16), "k", ""), "\xC3\xA9");
}

#endif

TEST(GetPrivateProfileString, FindsTheFileWithoutRegardToCase)
{
    TestFolder folder;
    folder.Write("Lang/EN.INI", "[Velthorn]\nk=found\n");
    EXPECT_EQ(Get(folder / "Lang/EN.ini", "k", "default"), "found");
    EXPECT_EQ(Get(folder / "Lang/fr.ini", "k", "default"), "default");
}

TEST(GetPrivateProfileString, ReadsTheFileAnewOnEveryCall)
{
    TestFolder folder;
    const std::string file = folder.Write("en.ini", "[Velthorn]\nk=first\n");
    EXPECT_EQ(Get(file, "k", ""), "first");
    folder.Write("en.ini", "[Velthorn]\nk=second\n");
    EXPECT_EQ(Get(file, "k", ""), "second");
}

TEST(GetPrivateProfileString, BadFilesGiveTheDefault)
{
    TestFolder folder;
    EXPECT_EQ(Get(folder.Write("empty.ini", ""), "k", "d"), "d");
    EXPECT_EQ(Get(folder.Write("binary.ini", std::string("\0\x01\xFF\xFE\x7F=[", 7)), "k", "d"), "d");
    EXPECT_EQ(Get(folder.Write("cut.ini", "[Velthorn]\nk=trunc"), "k", "d"), "trunc");
    EXPECT_EQ(Get(folder.Write("cutHeader.ini", "[Velth"), "k", "d"), "d");
}

TEST(GetPrivateProfileString, ReadsA50MegabyteFileInLinearTime)
{
    TestFolder folder;
    std::string text = "[Other]\n";
    const std::string line = "1234=" + std::string(90, 'x') + "\n";
    while (text.size() < 50u * 1024 * 1024) text += line;
    text += "[Velthorn]\nk=last\n";
    const std::string file = folder.Write("huge.ini", text);
    const double start = test_policy::ProcessorSeconds();
    EXPECT_EQ(Get(file, "k", ""), "last");
    const double used = test_policy::ProcessorSeconds() - start;
    EXPECT_LT(used, 20.0);
    std::cout << "50 MB lookup: " << used << " s of processor time\n";
}

}  // namespace
