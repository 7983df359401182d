// Windows command lines on every platform: how one command-line text names a program and
// splits into its arguments, the way CreateProcessA and the C runtime read it. Windows does
// this itself; POSIX uses it to turn the text into a program file and an argument vector.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits text into arguments by the C runtime's rules: blanks (space, tab) separate, double
// quotes group, backslashes are literal unless they precede a quote, and "" inside quotes is
// a literal quote that keeps the quoted part open.
std::vector<std::string> SplitArguments(std::string_view text);

// One way of reading the program item of a command line: the program's name (quotes removed)
// and where the arguments begin.
struct ProgramCandidate {
    std::string name;
    std::size_t argumentsOffset = 0;

    bool operator==(const ProgramCandidate&) const = default;
};

// The readings CreateProcessA tries, in its order. A quoted first item gives one candidate,
// the text up to the next quote. Otherwise every prefix that ends at the end of a word is a
// candidate, shortest first, so "C:\Program Files\App.exe x" tries "C:\Program" before
// "C:\Program Files\App.exe". Leading blanks are skipped; an empty line gives none.
std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine);

// Where a program named without a folder is looked for, in this order.
struct SearchFolders {
    std::string applicationDirectory;
    std::string currentDirectory;
    std::vector<std::string> path;
};

// The regular file a program name stands for, or nothing. Backslashes and slashes both
// separate folders; ".exe" is added when the file name has no extension (a trailing period
// means "no extension, add none"); the file name is matched without regard to letter case
// within its folder (FindEntryIgnoringCase), an exact match first. A name without a folder is
// looked for in the search folders; a relative name with a folder is taken from the current
// directory.
std::optional<std::string> FindProgramFile(std::string_view name, const SearchFolders& folders);

// A command line turned into what a POSIX start needs. argv[0] is the program item as it
// was written (so the child sees the spelling that named it), followed by the arguments.
struct ResolvedCommand {
    std::string programFile;
    std::vector<std::string> argv;
};

// Tries the candidates in order and takes the first whose program file exists; nothing when
// none does. The command line ends at its first NUL, as it does for CreateProcessA.
std::optional<ResolvedCommand> ResolveCommandLine(std::string_view commandLine, const SearchFolders& folders);

}  // namespace platform
