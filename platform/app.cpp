#include "platform/app.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

namespace platform {
namespace {

std::mutex& HooksMutex()
{
    static std::mutex mutex;
    return mutex;
}

UiHooks& Hooks()
{
    static UiHooks hooks;
    return hooks;
}

std::mutex& DirectoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::optional<std::string>& DirectoryOverride()
{
    static std::optional<std::string> directory;
    return directory;
}

bool IsSeparator(char c) { return c == '/' || c == PathSeparator(); }

std::size_t LastSeparator(const std::string& path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return i - 1;
    }
    return std::string::npos;
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (!path.empty() && IsSeparator(path.back())) path.pop_back();
    return path;
}

}  // namespace

std::string AppDirectory()
{
    const std::lock_guard lock(DirectoryMutex());
    auto& directory = DirectoryOverride();
    if (!directory) {
        std::string found = ExecutableDirectory();
        directory = found.empty() ? std::string(".") : WithoutTrailingSeparators(std::move(found));
    }
    return *directory;
}

void SetAppDirectory(std::string directory)
{
    const std::lock_guard lock(DirectoryMutex());
    DirectoryOverride() = WithoutTrailingSeparators(std::move(directory));
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    // The application directory never ends in a separator: its root folder is the empty text.
    if (!directory.empty() && IsSeparator(directory.back())) return directory + name;
    return directory + PathSeparator() + name;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    if (separator == std::string::npos) return ".";
    return path.substr(0, separator == 0 ? 1 : separator);
}

std::string NameOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

void SetUiHooks(UiHooks hooks)
{
    const std::lock_guard lock(HooksMutex());
    Hooks() = std::move(hooks);
}

void ShowMessage(const std::string& text, MessageIcon icon)
{
    std::function<void(const std::string&, MessageIcon)> hook;
    {
        const std::lock_guard lock(HooksMutex());
        hook = Hooks().showMessage;
    }
    if (hook) {
        hook(text, icon);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", kAppTitle, text.c_str());
    std::fflush(stderr);
}

void EndProgram(int status)
{
    std::function<void(int)> hook;
    {
        const std::lock_guard lock(HooksMutex());
        hook = Hooks().endProgram;
    }
    if (hook) {
        hook(status);
        throw ProgramEnded{status};
    }
    // Ends at once, without running destructors or exit handlers, once the streams are out.
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace platform
