#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "settings/mdlMain.h"
#include "settings/mdlRegistry.h"
#include "test_folder.h"

namespace {

using namespace platform;
using mdlRegistry::QueryRegistryValue;
using mdlRegistry::SetRegistryValue;
using storetest::StoreFolder;

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";

std::string StoreWith(const std::string& values)
{
    return std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Q]\n" + values;
}

std::string Query(const std::string& path, const std::string& name,
                  const std::string& defaultText = "<default>")
{
    return QueryRegistryValue(kHkeyCurrentUser, path, name, defaultText);
}

struct QueryCase {
    const char* name;
    std::string values;
    std::string keyPath;
    std::string valueName;
    std::string expected;
};

void PrintTo(const QueryCase& c, std::ostream* out) { *out << c.name; }

class QueryRegistry : public testing::TestWithParam<QueryCase> {};

TEST_P(QueryRegistry, GivesTheTextOrTheDefault)
{
    StoreFolder folder;
    folder.WriteStore(StoreWith(GetParam().values));
    EXPECT_EQ(Query(GetParam().keyPath, GetParam().valueName), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QueryRegistry,
    testing::Values(QueryCase{"missingKey", "@=\"1\"\n", "Software\\Other", "", "<default>"},
                    QueryCase{"missingValue", "\"x\"=\"1\"\n", "Software\\Q", "", "<default>"},
                    QueryCase{"emptyString", "@=\"\"\n", "Software\\Q", "", ""},
                    QueryCase{"zeroBytes", "@=hex(1):\n", "Software\\Q", "", "<default>"},
                    QueryCase{"oneDigit", "@=\"7\"\n", "Software\\Q", "", "7"},
                    QueryCase{"stringWithoutNul", "@=hex(1):34,32\n", "Software\\Q", "", "42"},
                    QueryCase{"dwordAsDecimal", "@=dword:0000012c\n", "Software\\Q", "", "300"},
                    QueryCase{"negativeDword", "@=dword:ffffffff\n", "Software\\Q", "", "-1"},
                    QueryCase{"starIsUnnamed", "@=\"u\"\n\"*\"=\"star\"\n", "Software\\Q", "*", "u"},
                    QueryCase{"namedValue", "\"Name\"=\"n\"\n", "Software\\Q", "name", "n"},
                    QueryCase{"trimmedPath", "@=\"t\"\n", "\\Software\\Q\\", "", "t"},
                    QueryCase{"onlyOneBackslashTrimmed", "@=\"t\"\n", "\\\\Software\\Q", "", "<default>"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(QueryRegistryValue, ASingleBackslashIsTheRoot)
{
    StoreFolder folder;
    folder.WriteStore(std::string(kHeader) + "[HKEY_CURRENT_USER]\n@=\"root\"\n");
    EXPECT_EQ(Query("\\", ""), "root");
    EXPECT_EQ(Query("", "*"), "root");
}

#ifndef _WIN32
TEST(QueryRegistryValue, FallsBackToReadAccessOnAReadOnlyStore)
{
    StoreFolder folder;
    chmod(folder.WriteStore(StoreWith("@=\"2\"\n")).c_str(), 0444);
    EXPECT_EQ(Query("Software\\Q", ""), "2");
}

#endif

TEST(SetRegistryValue, CreatesEveryMissingKeyAndWritesTheNumberAsText)
{
    StoreFolder folder;
    const std::string path = std::string(mdlMain::kSettingsKey) + mdlMain::kDriverKey;
    EXPECT_EQ(SetRegistryValue(path, "", std::int64_t{12}, 1), kErrorSuccess);
    RegKey key = 0;
    ASSERT_EQ(
        RegOpenKeyExA(kHkeyCurrentUser, "Software\\Quorvane\\Output_Setting\\Driver", 0, kKeyRead, &key),
        kErrorSuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), kErrorSuccess);
    RegCloseKey(key);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(Query(path, ""), "12");
    EXPECT_EQ(SetRegistryValue(path, "", std::int64_t{0}, 1), kErrorSuccess);
    EXPECT_EQ(Query(path, ""), "0");
}

#ifndef _WIN32
TEST(SetRegistryValue, UsesItsPathUntrimmedAndReportsFailures)
{
    StoreFolder folder;
    EXPECT_EQ(SetRegistryValue("\\Software\\Q", "", std::string("x"), 1), kErrorBadPathname);
    EXPECT_EQ(Query("Software\\Q", ""), "<default>");

    folder.WriteStore(StoreWith("@=\"old\"\n"));
    chmod(folder.StorePath().c_str(), 0444);
    EXPECT_EQ(SetRegistryValue("Software\\Q", "", std::string("new"), 1), kErrorAccessDenied);
    // The key cannot be created, and the caller learns why.
    EXPECT_EQ(SetRegistryValue("Software\\New", "", std::string("new"), 1), kErrorAccessDenied);
    EXPECT_EQ(folder.Store(), StoreWith("@=\"old\"\n"));
    chmod(folder.StorePath().c_str(), 0644);
    folder.WriteStore(StoreWith("@=\"unterminated\n"));
    EXPECT_EQ(SetRegistryValue("Software\\Q", "", std::string("new"), 1), kErrorRegistryCorrupt);
    EXPECT_EQ(folder.Store(), StoreWith("@=\"unterminated\n"));
}

#endif

TEST(SetKeyValue, WritesDwordsAndRaisesConversionErrors)
{
    StoreFolder folder;
    EXPECT_EQ(SetRegistryValue("Software\\Q", "d", std::string(" 1.5 "), 4), kErrorSuccess);
    EXPECT_EQ(Query("Software\\Q", "d"), "2");
    EXPECT_EQ(SetRegistryValue("Software\\Q", "d", std::int64_t{-7}, 4), kErrorSuccess);
    EXPECT_EQ(Query("Software\\Q", "d"), "-7");
    try {
        SetRegistryValue("Software\\Q", "d", std::string("abc"), 4);
        ADD_FAILURE() << "no conversion error";
    } catch (const mdlRegistry::ConversionError& error) {
        EXPECT_EQ(error.number, 13);
        EXPECT_STREQ(error.what(), "Type mismatch");
    }
    try {
        SetRegistryValue("Software\\Q", "d", std::int64_t{2147483648}, 4);
        ADD_FAILURE() << "no conversion error";
    } catch (const mdlRegistry::ConversionError& error) {
        EXPECT_EQ(error.number, 6);
        EXPECT_STREQ(error.what(), "Overflow");
    }
    EXPECT_EQ(Query("Software\\Q", "d"), "-7");
}

// The window's last-resort handler catches std::exception and shows what(): a type mismatch must
// reach it with its own message.
TEST(SetKeyValue, ConversionErrorsAreStandardExceptionsWithTheirMessage)
{
    StoreFolder folder;
    try {
        SetRegistryValue("Software\\Q", "d", std::string("12x"), 4);
        ADD_FAILURE() << "no conversion error";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Type mismatch");
    }
}

TEST(SetKeyValue, OtherTypesWriteNothing)
{
    StoreFolder folder;
    EXPECT_EQ(SetRegistryValue("Software\\Q", "b", std::string("x"), 3), kErrorSuccess);
    EXPECT_EQ(Query("Software\\Q", "b"), "<default>");
}

TEST(TrimKeyPath, RemovesOneBackslashAtEachEnd)
{
    EXPECT_EQ(mdlRegistry::TrimKeyPath("\\\\a\\b\\\\"), "\\a\\b\\");
    EXPECT_EQ(mdlRegistry::TrimKeyPath("\\a\\b\\"), "a\\b");
    EXPECT_EQ(mdlRegistry::TrimKeyPath("\\"), "");
    EXPECT_EQ(mdlRegistry::TrimKeyPath("a"), "a");
    EXPECT_EQ(mdlRegistry::TrimKeyPath(""), "");
}

}  // namespace
