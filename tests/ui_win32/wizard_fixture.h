// A private application directory for a test of the real window or the whole program: the
// stand-in tool, the shipped skin and cue sheet, a language file and a scenario of the test's
// own, in a folder with blanks in its name; the settings key of the registry emptied before and
// after; the command runner's event hook; and, for tests in this process, hooks that record the
// message boxes and the end of the program.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/app.h"

namespace uitest {

struct RecordedMessage {
    std::string text;
    platform::MessageIcon icon;
};

class AppFolder {
public:
    // language: the file of lang/ to install as the only language ("English.ini", ...).
    explicit AppFolder(const std::string& language = "English.ini");
    ~AppFolder();
    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;

    static constexpr const char* kTwoWriters =
        "[writer]\naddress = 1,0,0\ndescription = First Writer\ndrivers = generic-mmc\n"
        "simulate = finished successfully\n"
        "[writer]\naddress = 2,0,0\ndescription = Second Writer\ndrivers = plextor\n"
        "simulate = not appendable\n";

    // Hooks that record message boxes and the end of the program, for tests in this process.
    void RecordProgramHooks();
    void WriteScenario(const std::string& text) const;
    void Remove(const std::string& name) const;
    // The command lines the tool received, one a run.
    std::vector<std::string> ToolCommands() const;
    // The driver stored in the registry, "<none>" when there is none.
    std::string DriverValue() const;
    // The environment a child running the program needs (the tool's scenario and log).
    std::vector<std::pair<std::string, std::string>> ChildEnvironment() const;

    std::string dir;  // the application directory, UTF-8
    std::vector<RecordedMessage> messages;
    std::vector<int> endStatuses;

private:
    std::string root_;
};

// The text of a key of the shipped English language file.
std::string EnglishText(const char* key);

}  // namespace uitest
