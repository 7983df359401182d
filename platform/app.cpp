#include "platform/app.h"
#include "platform/app_internal.h"

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

}  // namespace

std::string AppDirectory()
{
    const std::lock_guard lock(DirectoryMutex());
    auto& directory = DirectoryOverride();
    if (!directory) directory = internal::ExecutableDirectory();
    return *directory;
}

void SetAppDirectory(std::string directory)
{
    const std::lock_guard lock(DirectoryMutex());
    DirectoryOverride() = internal::WithoutTrailingSeparators(std::move(directory));
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    // The application directory never ends in a separator; the root folder is the empty text.
    return directory + PathSeparator() + name;
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
        return;
    }
    // Ends at once, without running destructors or exit handlers, once the streams are out.
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace platform
