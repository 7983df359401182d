#include <filesystem>

#include <gtest/gtest.h>

#include "platform/findfile.h"
#include "test_folder.h"

namespace {

using storetest::TestFolder;

[[maybe_unused]] std::vector<std::pair<std::string, bool>> FindAll(const std::string& pattern)
{
    std::vector<std::pair<std::string, bool>> found;
    platform::FindData data;
    const platform::FindHandle handle = platform::FindFirstFileA(pattern, &data);
    if (handle == platform::kInvalidFindHandle) return found;
    do {
        found.emplace_back(data.fileName, data.isDirectory);
    } while (platform::FindNextFileA(handle, &data));
    EXPECT_FALSE(platform::FindNextFileA(handle, &data));
    EXPECT_TRUE(platform::FindClose(handle));
    EXPECT_FALSE(platform::FindClose(handle));
    return found;
}

#ifndef _WIN32
TEST(FindFile, MatchesWithoutCaseAndSortsByNameWithoutCase)
{
    TestFolder folder;
    for (const char* name : {"b.ini", "A.INI", "c.Ini", "notes.txt", "d.ini.bak", ".hidden.ini", "ini"}) {
        folder.Write(std::string("Lang/") + name, "");
    }
    std::filesystem::create_directory(folder / "Lang/x.ini");
    const std::vector<std::pair<std::string, bool>> expected = {
        {"A.INI", false}, {"b.ini", false}, {"c.Ini", false}, {"x.ini", true}};
    EXPECT_EQ(FindAll(folder / "Lang/*.ini"), expected);
}

TEST(FindFile, WildcardsMatchWholeCharacters)
{
    TestFolder folder;
    for (const char* name : {"\xC3\xA9.ini", "ab.ini", "abc.ini", "a.b.ini"}) folder.Write(name, "");
    EXPECT_EQ(FindAll(folder / "?.ini"),
              (std::vector<std::pair<std::string, bool>>{{"\xC3\xA9.ini", false}}));
    EXPECT_EQ(FindAll(folder / "a*b*.ini"), (std::vector<std::pair<std::string, bool>>{
                                                {"a.b.ini", false}, {"ab.ini", false}, {"abc.ini", false}}));
    EXPECT_EQ(FindAll(folder / "AB?.INI"), (std::vector<std::pair<std::string, bool>>{{"abc.ini", false}}));
}

#endif

TEST(FindFile, FailsWithoutAMatchOrAFolder)
{
    TestFolder folder;
    folder.Write("a.txt", "");
    platform::FindData data;
    EXPECT_EQ(platform::FindFirstFileA(folder / "*.ini", &data), platform::kInvalidFindHandle);
    EXPECT_EQ(platform::FindFirstFileA(folder / "missing/*.ini", &data), platform::kInvalidFindHandle);
    EXPECT_EQ(platform::FindFirstFileA(folder / "a.txt/*", &data), platform::kInvalidFindHandle);
    EXPECT_FALSE(platform::FindNextFileA(12345, &data));
}

}  // namespace
