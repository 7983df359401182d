// Application-wide services: the application directory, the title, message boxes and the end
// of the program. The core has no window toolkit, so the window layer installs hooks for the
// message box and the end of the program; until it does, messages go to standard error.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform {

inline constexpr const char* kAppTitle = "Tessaline";

// The folder that holds the running program, symbolic links resolved, without a trailing
// separator (the root folder is the empty text); "." when it cannot be told. Computed once from
// ExecutableDirectory; tests may point it elsewhere with SetAppDirectory.
std::string AppDirectory();
void SetAppDirectory(std::string directory);

// The folder of the running program's file as the system tells it, symbolic links resolved,
// without a trailing separator except for the POSIX root folder "/"; empty when it cannot be
// told. Never overridden by SetAppDirectory.
std::string ExecutableDirectory();

// The separator used where the program joins a folder and a name.
char PathSeparator();
// directory, the separator and name; no separator is added after one that directory ends with.
std::string JoinPath(const std::string& directory, const std::string& name);
// The folder part of path, up to its last separator ('/', and on Windows '\\' too): "." when
// path has no separator, the separator alone for a name right below the root ("/x" gives "/").
std::string FolderOf(const std::string& path);
// What follows the last separator of path; all of it when it has none.
std::string NameOf(const std::string& path);

// The value of an environment variable as UTF-8 (converted from the ANSI code page on Windows);
// nothing when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

// True when path names an existing ordinary file: not a folder, a device, a dangling link,
// nor a hidden file.
bool IsOrdinaryFile(const std::string& path);

enum class MessageIcon { None, Information, Critical };

struct UiHooks {
    // Shows a modal message box with one OK button and the application title as caption.
    std::function<void(const std::string& text, MessageIcon icon)> showMessage;
    // Ends the program with the given exit status. The real hook never returns; a test hook may
    // record the request and return, and EndProgram then throws ProgramEnded.
    std::function<void(int status)> endProgram;
};

// What EndProgram throws when a test's hook returned: the caller's work ends there, as the
// program would. The window runtime stops the event handler that ended the program with it.
struct ProgramEnded {
    int status;
};

void SetUiHooks(UiHooks hooks);
void ShowMessage(const std::string& text, MessageIcon icon);
// Never returns: the hook ends the program, or throws ProgramEnded after a test's hook.
[[noreturn]] void EndProgram(int status);

// Ends the process as a crash does (SIGSEGV on POSIX, an access violation nothing handles on
// Windows), without an error box or a debugger: for test programs and the stand-in tool, which
// play a tool that dies.
[[noreturn]] void EndAsCrash();

enum class FileReadStatus { Ok, Missing, NotAFile, Failed };

// Reads a whole file into *contents (left empty unless Ok). Missing: no such file or folder;
// NotAFile: a folder, device or other non-regular file; Failed: any other error.
FileReadStatus ReadWholeFile(const std::string& path, std::string* contents);

}  // namespace platform
