#include "platform/cmdline.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool IsOrdinaryFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string JoinFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// An exact match wins; otherwise the first name in byte order that differs only in ASCII
// letter case, so the choice does not depend on the order in which the folder lists files.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& fileName)
{
    const std::string exact = JoinFolder(folder, fileName);
    if (IsOrdinaryFile(exact)) return exact;

    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error);
    if (error) return std::nullopt;
    std::optional<std::string> best;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        std::string entry = it->path().filename().string();
        if (!EqualsIgnoringAsciiCase(entry, fileName)) continue;
        if (best && entry >= *best) continue;
        if (IsOrdinaryFile(it->path())) best = std::move(entry);
    }
    if (!best) return std::nullopt;
    return JoinFolder(folder, *best);
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
