// Command lines: splitting and finding the program against a small fixed folder tree (created
// once in a temporary folder). Any argument, quoted as the tests quote, splits back to itself; a
// program that is found is an ordinary file whose name matches the candidate's without regard to
// case.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/app.h"
#include "platform/cmdline.h"
#include "platform/text.h"
#include "tests/runner/argument_quoting.h"

namespace {

using platform::text::FoldCase;
using testing_support::QuoteArgument;

platform::SearchFolders folders;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::filesystem::path root = pattern;
    for (const char* file : {"app dir/Burn.exe", "app dir/Helper.EXE", "app dir/sub/Tool.exe",
                             "cwd/local.exe", "cwd/noext", "cwd/dot.", "bin/onpath.exe", "bin/Burn.exe"}) {
        const std::filesystem::path path = root / file;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }
    std::filesystem::create_directories(root / "app dir/Folder.exe");
    folders.applicationDirectory = (root / "app dir").string();
    folders.currentDirectory = (root / "cwd").string();
    folders.path = {(root / "bin").string(), ""};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> arguments = platform::SplitArguments(line);
    for (const std::string& argument : arguments) {
        const std::string quoted = QuoteArgument(argument);
        const std::vector<std::string> back = platform::SplitArguments(quoted);
        FUZZ_CHECK(back.size() == 1 && back[0] == argument);
    }
    // Quoting each argument and joining them gives the same arguments again.
    std::string joined;
    for (const std::string& argument : arguments) joined += QuoteArgument(argument) + " ";
    FUZZ_CHECK(platform::SplitArguments(joined) == arguments);

    const std::vector<platform::ProgramCandidate> candidates = platform::ProgramCandidates(line);
    std::size_t lastOffset = 0;
    for (const platform::ProgramCandidate& candidate : candidates) {
        FUZZ_CHECK(candidate.argumentsOffset <= line.size());
        FUZZ_CHECK(candidate.argumentsOffset >= lastOffset);
        lastOffset = candidate.argumentsOffset;
    }

    // The program item is taken from the text itself, up to its first NUL: the name is a leading
    // part of it, with quotes removed.
    const std::vector<platform::ProgramCandidate> named =
        platform::ProgramCandidates(line.substr(0, line.find('\0')));
    if (const auto resolved = platform::ResolveCommandLine(line, folders)) {
        FUZZ_CHECK(platform::IsOrdinaryFile(resolved->programFile));
        FUZZ_CHECK(!resolved->argv.empty());
        const std::string fileName =
            FoldCase(std::filesystem::path(resolved->programFile).filename().string());
        bool found = false;
        for (const platform::ProgramCandidate& candidate : named) {
            std::string name = FoldCase(candidate.name);
            const std::size_t slash = name.find_last_of("/\\");
            if (slash != std::string::npos) name = name.substr(slash + 1);
            // A name ending in periods means "no extension": they are dropped and none is added.
            std::string bare = name;
            while (!bare.empty() && bare.back() == '.') bare.pop_back();
            if (fileName == name || fileName == name + ".EXE" || (bare != name && fileName == bare))
                found = true;
        }
        FUZZ_CHECK(found);
        for (const std::string& argument : resolved->argv)
            FUZZ_CHECK(argument.find('\0') == std::string::npos);
    }
    return 0;
}
