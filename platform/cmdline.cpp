#include "platform/cmdline.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/app.h"
#include "platform/folder.h"
#include "platform/text.h"

namespace platform {
namespace {

using text::IsBlank;

// A program file may be hidden or start with a period: only the kind of file counts.
bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// An empty folder is the current directory.
std::string JoinFolder(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : JoinPath(folder, name);
}

// An exact match wins; otherwise the entry whose name differs only in letter case.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& fileName)
{
    const std::string exact = JoinFolder(folder, fileName);
    if (IsRegularFile(exact)) return exact;
    const std::optional<std::string> entry =
        FindEntryIgnoringCase(folder.empty() ? "." : folder, fileName, IsRegularFile);
    if (!entry) return std::nullopt;
    return JoinFolder(folder, *entry);
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view text)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = text.size();
    for (;;) {
        while (i < n && IsBlank(text[i])) ++i;
        if (i == n) break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(text[i]))) {
            const char c = text[i];
            if (c == '\\') {
                std::size_t count = 0;
                while (i < n && text[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < n && text[i] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(count, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine)
{
    std::vector<ProgramCandidate> candidates;
    std::size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
    if (start == commandLine.size()) return candidates;

    if (commandLine[start] == '"') {
        const std::size_t close = commandLine.find('"', start + 1);
        if (close == std::string_view::npos)
            candidates.push_back({std::string(commandLine.substr(start + 1)), commandLine.size()});
        else
            candidates.push_back({std::string(commandLine.substr(start + 1, close - start - 1)), close + 1});
        return candidates;
    }

    for (std::size_t i = start; i < commandLine.size(); ++i) {
        const bool wordEnds =
            !IsBlank(commandLine[i]) && (i + 1 == commandLine.size() || IsBlank(commandLine[i + 1]));
        if (wordEnds) candidates.push_back({std::string(commandLine.substr(start, i + 1 - start)), i + 1});
    }
    return candidates;
}

std::optional<std::string> FindProgramFile(std::string_view name, const SearchFolders& folders)
{
    // No file name holds a NUL; the system would cut the name there and find another file.
    if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');

    const std::size_t slash = path.rfind('/');
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (fileName.empty() || fileName == "." || fileName == "..") return std::nullopt;
    if (fileName.back() == '.') {
        while (!fileName.empty() && fileName.back() == '.') fileName.pop_back();
        if (fileName.empty()) return std::nullopt;
    } else if (fileName.find('.') == std::string::npos) {
        fileName += ".exe";
    }

    if (slash == std::string::npos) {
        std::vector<std::string> searched;
        if (!folders.applicationDirectory.empty()) searched.push_back(folders.applicationDirectory);
        searched.push_back(folders.currentDirectory);
        for (const std::string& folder : folders.path)
            searched.push_back(folder.empty() ? folders.currentDirectory : folder);
        for (const std::string& folder : searched)
            if (auto found = FindInFolder(folder, fileName)) return found;
        return std::nullopt;
    }

    std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (folder.front() != '/') folder = JoinFolder(folders.currentDirectory, folder);
    return FindInFolder(folder, fileName);
}

std::optional<ResolvedCommand> ResolveCommandLine(std::string_view commandLine, const SearchFolders& folders)
{
    // The text ends at its first NUL, as the C string handed to CreateProcessA does; past it the
    // program's name and the arguments would no longer be what the system sees.
    commandLine = commandLine.substr(0, commandLine.find('\0'));
    for (const ProgramCandidate& candidate : ProgramCandidates(commandLine)) {
        std::optional<std::string> file = FindProgramFile(candidate.name, folders);
        if (!file) continue;
        ResolvedCommand command;
        command.programFile = std::move(*file);
        command.argv.push_back(candidate.name);
        for (std::string& argument : SplitArguments(commandLine.substr(candidate.argumentsOffset)))
            command.argv.push_back(std::move(argument));
        return command;
    }
    return std::nullopt;
}

}  // namespace platform
