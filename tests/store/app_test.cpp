#ifndef _WIN32
#include <unistd.h>
#endif

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/app.h"
#include "test_folder.h"

namespace {

using storetest::TestFolder;

#ifndef _WIN32
TEST(AppDirectoryDeathTest, IsTheFolderOfTheRunningProgramWithLinksResolved)
{
    char resolved[PATH_MAX];
    ASSERT_NE(realpath("/proc/self/exe", resolved), nullptr);
    const std::string expected = std::filesystem::path(resolved).parent_path().string();
    // A fresh process, so that no other test's SetAppDirectory is in force.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string directory = platform::AppDirectory();
            std::fprintf(stderr, "[%s]", directory.c_str());
            std::_Exit(directory == expected ? 0 : 1);
        },
        testing::ExitedWithCode(0), "\\[" + expected + "\\]");
}

TEST(AppDirectory, SetAppDirectoryDropsTrailingSeparators)
{
    platform::SetAppDirectory("/opt/tessaline//");
    EXPECT_EQ(platform::AppDirectory(), "/opt/tessaline");
    EXPECT_EQ(platform::JoinPath(platform::AppDirectory(), "Lang"), "/opt/tessaline/Lang");
    // The root folder is the empty text, so that joining never doubles the separator.
    platform::SetAppDirectory("/");
    EXPECT_EQ(platform::JoinPath(platform::AppDirectory(), "Burn.exe"), "/Burn.exe");
}

TEST(ExecutableDirectory, IsTheProgramsFolderWhateverTheApplicationDirectory)
{
    char resolved[PATH_MAX];
    ASSERT_NE(realpath("/proc/self/exe", resolved), nullptr);
    platform::SetAppDirectory("/somewhere/else");
    EXPECT_EQ(platform::ExecutableDirectory(), std::filesystem::path(resolved).parent_path().string());
}

TEST(Paths, SplitAtTheLastSlashAndJoinWithOne)
{
    EXPECT_EQ(platform::FolderOf("/opt/tessaline/Lang/English.ini"), "/opt/tessaline/Lang");
    EXPECT_EQ(platform::FolderOf("/Burn.exe"), "/");
    EXPECT_EQ(platform::FolderOf("Burn.exe"), ".");
    EXPECT_EQ(platform::FolderOf("Lang\\x.ini"), ".");  // a backslash is part of a POSIX name
    EXPECT_EQ(platform::NameOf("/opt/tessaline/Lang/English.ini"), "English.ini");
    EXPECT_EQ(platform::NameOf("Burn.exe"), "Burn.exe");
    EXPECT_EQ(platform::NameOf("/opt/"), "");
    EXPECT_EQ(platform::JoinPath("/opt/tessaline", "Lang"), "/opt/tessaline/Lang");
    EXPECT_EQ(platform::JoinPath("/", "Burn.exe"), "/Burn.exe");
    EXPECT_EQ(platform::JoinPath("/opt/", "Burn.exe"), "/opt/Burn.exe");
}

TEST(IsOrdinaryFile, OnlyExistingRegularVisibleFiles)
{
    TestFolder folder;
    const std::string file = folder.Write("skin.skn", "x");
    folder.Write(".hidden", "x");
    std::filesystem::create_directory(folder / "dir.skn");
    std::filesystem::create_symlink(file, folder / "link.skn");
    std::filesystem::create_symlink(folder / "gone", folder / "dangling.skn");

    EXPECT_TRUE(platform::IsOrdinaryFile(file));
    EXPECT_TRUE(platform::IsOrdinaryFile(folder / "link.skn"));
    EXPECT_FALSE(platform::IsOrdinaryFile(folder / "dangling.skn"));
    EXPECT_FALSE(platform::IsOrdinaryFile(folder / "dir.skn"));
    EXPECT_FALSE(platform::IsOrdinaryFile(folder / ".hidden"));
    EXPECT_FALSE(platform::IsOrdinaryFile(folder / "missing"));
    EXPECT_FALSE(platform::IsOrdinaryFile("/dev/null"));
    EXPECT_FALSE(platform::IsOrdinaryFile(""));
}
#else
TEST(Paths, SplitAtTheLastSeparatorOfEitherKindAndJoinWithABackslash)
{
    EXPECT_EQ(platform::FolderOf("C:\\Program Files\\Tessaline\\Burn.exe"), "C:\\Program Files\\Tessaline");
    EXPECT_EQ(platform::FolderOf("C:\\Tessaline/Lang/English.ini"), "C:\\Tessaline/Lang");
    EXPECT_EQ(platform::NameOf("C:\\Tessaline/Lang\\English.ini"), "English.ini");
    EXPECT_EQ(platform::JoinPath("C:\\Tessaline", "Lang"), "C:\\Tessaline\\Lang");
    EXPECT_EQ(platform::JoinPath("C:\\", "Burn.exe"), "C:\\Burn.exe");
}
#endif

TEST(EnvironmentVariable, GivesTheValueOrNothing)
{
#ifdef _WIN32
    ::_putenv_s("TESSALINE_TEST_VARIABLE", "set to a value");
#else
    ::setenv("TESSALINE_TEST_VARIABLE", "set to a value", 1);
#endif
    EXPECT_EQ(platform::EnvironmentVariable("TESSALINE_TEST_VARIABLE"), "set to a value");
    EXPECT_EQ(platform::EnvironmentVariable("TESSALINE_TEST_VARIABLE_NEVER_SET"), std::nullopt);
}

TEST(UiHooksDeathTest, WithoutHooksTheMessageGoesToStandardErrorAndTheProgramEnds)
{
    EXPECT_EXIT(
        {
            platform::ShowMessage("No skin", platform::MessageIcon::Critical);
            platform::EndProgram(4);
        },
        testing::ExitedWithCode(4), "Tessaline: No skin");
}

}  // namespace
