#include <gtest/gtest.h>

#include "platform/cmdline.h"
#include "test_support.h"

namespace {

using Args = std::vector<std::string>;
using testing_support::QuoteArgument;

// A whole command line as a C runtime child reads it: the first item by argv[0]'s own rule
// (quoted: up to the next quote, no escapes; otherwise up to the first blank), the rest by
// SplitArguments. The reference the tables below pin.
Args SplitCommandLine(std::string_view commandLine)
{
    Args argv;
    if (commandLine.empty()) return argv;
    std::size_t rest = 0;
    if (commandLine.front() == '"') {
        const std::size_t close = commandLine.find('"', 1);
        if (close == std::string_view::npos) {
            argv.emplace_back(commandLine.substr(1));
            rest = commandLine.size();
        } else {
            argv.emplace_back(commandLine.substr(1, close - 1));
            rest = close + 1;
        }
    } else {
        std::size_t end = 0;
        while (end < commandLine.size() && commandLine[end] != ' ' && commandLine[end] != '\t') ++end;
        argv.emplace_back(commandLine.substr(0, end));
        rest = end;
    }
    for (std::string& argument : platform::SplitArguments(commandLine.substr(rest)))
        argv.push_back(std::move(argument));
    return argv;
}

struct SplitCase {
    std::string text;
    Args expected;
};

// Each case is named by its text: printed as raw bytes, its name would change from run to run.
void PrintTo(const SplitCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.text); }

class SplitArgumentsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitArgumentsTest, FollowsTheRuntimeRules)
{
    EXPECT_EQ(platform::SplitArguments(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitArgumentsTest,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"  \t ", {}}, SplitCase{"trailing   ", {"trailing"}},
                      SplitCase{"three\tfour\rfour\nfour", {"three", "four\rfour\nfour"}},
                      SplitCase{"arg\"one\"", {"argone"}},
                      SplitCase{R"(\"one \\"two" \\\"three \\\\"four" end)",
                                {"\"one", "\\two", "\\\"three", "\\\\four", "end"}},
                      SplitCase{R"("a\"b\\" c\" d)", {"a\"b\\", "c\"", "d"}},
                      SplitCase{"\"unclosed", {"unclosed"}}, SplitCase{"\"", {""}},
                      SplitCase{"a \"\" b", {"a", "", "b"}}, SplitCase{R"(a"b"" c d)", {"ab\" c d"}},
                      SplitCase{R"("two""quotes next)", {"two\"quotes next"}}, SplitCase{R"("""")", {"\""}},
                      SplitCase{R"(a\\b c\)", {"a\\\\b", "c\\"}},
                      SplitCase{"^ & | %VAR%", {"^", "&", "|", "%VAR%"}}));

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, ReadsTheFirstItemByItsOwnRule)
{
    EXPECT_EQ(SplitCommandLine(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitCommandLineTest,
                         ::testing::Values(SplitCase{R"("exe"arg" one" argtwo)",
                                                     {"exe", "arg one", "argtwo"}},
                                           SplitCase{R"(exe"file"path arg1)", {"exe\"file\"path", "arg1"}},
                                           SplitCase{R"(C:\dir\x.exe "a b")", {"C:\\dir\\x.exe", "a b"}},
                                           SplitCase{" leading", {"", "leading"}}));

TEST(ProgramCandidatesTest, UnquotedNameGrowsOneWordAtATime)
{
    using C = platform::ProgramCandidate;
    const std::string line = R"(C:\Program Files\App Dir\Tool.exe args)";
    EXPECT_EQ(platform::ProgramCandidates(line), (std::vector<C>{{R"(C:\Program)", 10},
                                                                 {R"(C:\Program Files\App)", 20},
                                                                 {R"(C:\Program Files\App Dir\Tool.exe)", 33},
                                                                 {line, line.size()}}));
    EXPECT_EQ(platform::ProgramCandidates("  tool  a"), (std::vector<C>{{"tool", 6}, {"tool  a", 9}}));
    EXPECT_EQ(platform::ProgramCandidates(R"("C:\A B\t.exe"x y)"), (std::vector<C>{{R"(C:\A B\t.exe)", 14}}));
    EXPECT_TRUE(platform::ProgramCandidates("   ").empty());
}

TEST(QuoteArgumentTest, SplittingGivesTheArgumentBack)
{
    for (const char* argument : {"plain", "", "two words", "tab\there", "q\"uote", "end\\", "sp ace\\",
                                 "\\\\\"", "a\\\\b", "\"\""}) {
        EXPECT_EQ(platform::SplitArguments(QuoteArgument(argument)), Args{argument}) << argument;
    }
    EXPECT_EQ(QuoteArgument("C:\\dir\\x"), "C:\\dir\\x");
}

#ifndef _WIN32
// The program lookup that stands in for CreateProcessA's on POSIX; Windows does its own.
class FindProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        using testing_support::WriteFile;
        WriteFile(root() / "My Apps/Tessaline/Burn.exe", "x");
        WriteFile(root() / "bin/tool.EXE", "x");
        WriteFile(root() / "bin/plain", "x");
        WriteFile(root() / "app/first.exe", "x");
        WriteFile(root() / "bin/first.exe", "x");
        WriteFile(root() / "bin/second.exe", "x");
        WriteFile(root() / "cwd/second.exe", "x");
        std::filesystem::create_directories(root() / "bin/dir.exe");
        folders.applicationDirectory = (root() / "app").string();
        folders.currentDirectory = (root() / "cwd").string();
        folders.path = {(root() / "bin").string()};
    }
    const std::filesystem::path& root() const { return dir.path(); }
    std::optional<std::string> Find(const std::string& name)
    {
        return platform::FindProgramFile(name, folders);
    }

    testing_support::TempDir dir;
    platform::SearchFolders folders;
};

TEST_F(FindProgramTest, AddsExeAndIgnoresLetterCaseOfTheFileName)
{
    const std::string tessaline = (root() / "My Apps/Tessaline").string();
    const std::string burn = tessaline + "/Burn.exe";
    EXPECT_EQ(Find(tessaline + "\\Burn.exe"), burn);
    EXPECT_EQ(Find(tessaline + "\\Burn"), burn);
    EXPECT_EQ(Find(tessaline + "\\burn"), burn);
    EXPECT_EQ(Find(tessaline + "/BURN.EXE"), burn);
    EXPECT_EQ(Find((root() / "bin\\tool").string()), (root() / "bin/tool.EXE").string());
    EXPECT_EQ(Find((root() / "bin/plain").string()), std::nullopt);  // becomes plain.exe
    EXPECT_EQ(Find((root() / "bin/plain.").string()), (root() / "bin/plain").string());
    EXPECT_EQ(Find((root() / "bin/dir").string()), std::nullopt);  // a folder
    EXPECT_EQ(Find(tessaline + "\\"), std::nullopt);
    // Letters beyond ASCII match without regard to case too, as on Windows.
    const std::string program = std::string("\xC3\x89") + "crire.exe";  // É
    testing_support::WriteFile(root() / "bin" / program, "x");
    EXPECT_EQ(Find(std::string("\xC3\xA9") + "CRIRE"), (root() / "bin" / program).string());  // é
}

TEST_F(FindProgramTest, BareNamesSearchApplicationDirectoryThenCurrentDirectoryThenPath)
{
    EXPECT_EQ(Find("first"), (root() / "app/first.exe").string());
    EXPECT_EQ(Find("SECOND"), (root() / "cwd/second.exe").string());
    EXPECT_EQ(Find("tool"), (root() / "bin/tool.EXE").string());
    EXPECT_EQ(Find("missing"), std::nullopt);
    folders.currentDirectory = root().string();
    EXPECT_EQ(Find("bin\\tool"), (root() / "bin/tool.EXE").string());  // relative to the current directory
}

TEST_F(FindProgramTest, UnquotedPathWithBlanksTakesTheFirstCandidateThatExists)
{
    const std::string line = (root() / "My Apps/Tessaline").string() + "\\Burn scanbus \"-v\" 0";
    auto command = platform::ResolveCommandLine(line, folders);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->programFile, (root() / "My Apps/Tessaline/Burn.exe").string());
    EXPECT_EQ(command->argv,
              (Args{(root() / "My Apps/Tessaline").string() + "\\Burn", "scanbus", "-v", "0"}));

    // A program planted at the shorter prefix wins, as on Windows; quoting the path avoids it.
    testing_support::WriteFile(root() / "My.exe", "x");
    command = platform::ResolveCommandLine(line, folders);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->programFile, (root() / "My.exe").string());
    EXPECT_EQ(command->argv[1], "Apps/Tessaline\\Burn");
    command = platform::ResolveCommandLine("\"" + (root() / "My Apps/Tessaline/Burn\" x").string(), folders);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->programFile, (root() / "My Apps/Tessaline/Burn.exe").string());
    EXPECT_FALSE(platform::ResolveCommandLine((root() / "nothing here").string(), folders));
}

#endif

}  // namespace
