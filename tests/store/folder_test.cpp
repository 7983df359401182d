#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/folder.h"
#include "test_folder.h"

namespace {

using storetest::TestFolder;

TEST(FolderEntries, ListsEveryNameButTheDots)
{
    TestFolder folder;
    folder.Write("a.ini", "");
    folder.Write(".hidden", "");
    std::filesystem::create_directory(folder / "sub");
    std::vector<std::string> names = platform::FolderEntries(folder.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a.ini", "sub"}));
    EXPECT_TRUE(platform::FolderEntries(folder / "missing").empty());
    EXPECT_TRUE(platform::FolderEntries(folder / "a.ini").empty());
}

#ifndef _WIN32
// Names that differ only in case can live side by side here, as they cannot on Windows.
TEST(FindEntryIgnoringCase, TakesTheFirstInByteOrderThatTheCallerAccepts)
{
    TestFolder folder;
    for (const char* name : {"burn.EXE", "Burn.exe", "BURN.exe",
                             "\xC3\x89"
                             "crire.ini",
                             "other.exe"})
        folder.Write(name, "");
    std::filesystem::create_directory(folder / "BURN.EXE");

    EXPECT_EQ(platform::FindEntryIgnoringCase(folder.Path(), "burn.exe"), "BURN.EXE");
    const auto files = [](const std::string& path) { return std::filesystem::is_regular_file(path); };
    EXPECT_EQ(platform::FindEntryIgnoringCase(folder.Path(), "burn.exe", files), "BURN.exe");
    EXPECT_EQ(platform::FindEntryIgnoringCase(folder.Path(), "\xC3\xA9"
                                                             "CRIRE.INI"),
              "\xC3\x89"
              "crire.ini");
    EXPECT_EQ(platform::FindEntryIgnoringCase(folder.Path(), "burn"), std::nullopt);
    EXPECT_EQ(platform::FindEntryIgnoringCase(folder / "missing", "burn.exe"), std::nullopt);
}
#endif

}  // namespace
