// Application-wide services: the application directory, the title, message boxes and the end
// of the program. The core has no window toolkit, so the window layer installs hooks for the
// message box and the end of the program; until it does, messages go to standard error.
#pragma once

#include <functional>
#include <string>

namespace platform {

inline constexpr const char* kAppTitle = "Tessaline";

// The folder that holds the running program, symbolic links resolved, without a trailing
// separator. Computed once; tests may point it elsewhere with SetAppDirectory.
std::string AppDirectory();
void SetAppDirectory(std::string directory);

// The separator used where the program joins the application directory and a name.
char PathSeparator();
std::string JoinPath(const std::string& directory, const std::string& name);

// True when path names an existing ordinary file: not a folder, a device, a dangling link,
// nor a hidden file.
bool IsOrdinaryFile(const std::string& path);

enum class MessageIcon { None, Information, Critical };

struct UiHooks {
    // Shows a modal message box with one OK button and the application title as caption.
    std::function<void(const std::string& text, MessageIcon icon)> showMessage;
    // Ends the program with the given exit status. The real hook never returns; a test hook
    // may record the request and return, so callers return right after calling EndProgram.
    std::function<void(int status)> endProgram;
};

void SetUiHooks(UiHooks hooks);
void ShowMessage(const std::string& text, MessageIcon icon);
void EndProgram(int status);

enum class FileReadStatus { Ok, Missing, NotAFile, Failed };

// Reads a whole file into *contents (left empty unless Ok). Missing: no such file or folder;
// NotAFile: a folder, device or other non-regular file; Failed: any other error.
FileReadStatus ReadWholeFile(const std::string& path, std::string* contents);

}  // namespace platform
