// Inputs the fuzzers found, kept as tests of the module they broke.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/cmdline.h"

namespace {

// fuzz_cmdline: a NUL inside the program's name made the resolver look up the name cut at the
// NUL, and hand back a path with a NUL in it, so the file it checked was not the one named and
// the arguments after the NUL were still passed. The command line now ends at its first NUL.
TEST(FuzzFindings, ACommandLineEndsAtItsFirstNul)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-nul-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path root = pattern;
    std::filesystem::create_directories(root / "cwd");
    std::filesystem::create_directories(root / "app");
    std::ofstream(root / "cwd/local.exe") << "x";
    const platform::SearchFolders folders{(root / "app").string(), (root / "cwd").string(), {}};

    for (const std::string& line :
         {std::string("local.exe\0\x04\x8f/.exe onpath", 23), std::string("local.exe\0 more arguments", 25),
          std::string("local\0/../x.exe", 15)}) {
        const auto resolved = platform::ResolveCommandLine(line, folders);
        ASSERT_TRUE(resolved.has_value());
        EXPECT_EQ(resolved->programFile, (root / "cwd/local.exe").string());
        EXPECT_EQ(resolved->programFile.find('\0'), std::string::npos);
        EXPECT_EQ(resolved->argv, std::vector<std::string>{line.substr(0, line.find('\0'))});
    }
    EXPECT_FALSE(platform::FindProgramFile(std::string("local.exe\0/x", 12), folders).has_value());
    EXPECT_FALSE(platform::ResolveCommandLine(std::string("\0local.exe", 10), folders).has_value());
    std::filesystem::remove_all(root);
}

}  // namespace
