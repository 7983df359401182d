// A private application directory for one test of the window or of the whole program, on either
// platform: the stand-in tool, the shipped skin, cue sheet and audio file, a language file and a
// scenario of the test's own, in a folder with blanks in its name; the settings store emptied
// before and after (its own folder on POSIX, the real HKEY_CURRENT_USER\Software\Quorvane on
// Windows); the command runner's event hook; and, for tests in this process, hooks that record
// the message boxes and the end of the program. Header only, with neither a test framework nor a
// toolkit, so that every window test can use it.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/app.h"
#include "platform/profile.h"
#include "runner/MGetCmdOutput.h"
#include "runner/test_support.h"
#include "settings/mdlMain.h"
#include "settings/mdlMainTesting.h"
#include "settings/mdlRegistry.h"
#include "wizard/frmSelectDriver.h"
#include "wizard/ui/ui.h"

namespace window_test {

namespace fs = std::filesystem;

// A path from its UTF-8 text, and back.
inline fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
inline std::string TextOf(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

using testing_support::ReadFile;

inline void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << bytes)) throw std::runtime_error("cannot write " + TextOf(path));
}

// The value of an environment variable, set for the process and the children it starts.
inline void SetEnvironment(const char* name, const std::optional<std::string>& value)
{
    if (value)
        testing_support::SetEnv(name, *value);
    else
        testing_support::UnsetEnv(name);
}

#ifdef _WIN32
inline int ProcessId() { return static_cast<int>(::GetCurrentProcessId()); }
inline void KeepToMyself(const fs::path&, bool) {}

// A symbolic link at link to target, which need not exist.
inline void MakeLink(const std::string& target, const std::string& link)
{
    if (!::CreateSymbolicLinkW(PathOf(link).c_str(), PathOf(target).c_str(),
                               SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        throw std::runtime_error("cannot make the link " + link + " (system error " +
                                 std::to_string(::GetLastError()) + ")");
}

// The settings live in the real registry: the program's key is removed before and after.
inline void ForgetSettings(const fs::path&) { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvane"); }

// A volatile key cannot hold a lasting one: the driver's key cannot be made below it.
inline void BlockDriverKey(const fs::path&)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quorvane\\Output_Setting", 0, nullptr,
                          REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot make a volatile key");
    ::RegCloseKey(key);
}
#else
inline int ProcessId() { return static_cast<int>(::getpid()); }
// Files of the folder are the user's own, the tool can be run.
inline void KeepToMyself(const fs::path& file, bool program) { ::chmod(file.c_str(), program ? 0700 : 0600); }

// A symbolic link at link to target, which need not exist.
inline void MakeLink(const std::string& target, const std::string& link)
{
    fs::create_symlink(PathOf(target), PathOf(link));
}

// The settings live below the test's own configuration folder, which XDG_CONFIG_HOME names.
inline void ForgetSettings(const fs::path& configHome)
{
    std::error_code ignored;
    fs::remove_all(configHome / "Tessaline", ignored);
}

// The store's folder cannot be made: where it would be stands an ordinary file.
inline void BlockDriverKey(const fs::path& configHome)
{
    fs::create_directories(configHome);
    WriteBytes(configHome / "Tessaline", "x");
}
#endif

// The shipped language file of this platform, by its name ("English.ini"): lang/ holds the
// Windows texts, lang/linux/ the Linux ones.
inline std::string ShippedLanguageFile(const std::string& language)
{
#ifdef _WIN32
    return std::string(TESSALINE_SOURCE_DIR) + "/lang/" + language;
#else
    return std::string(TESSALINE_SOURCE_DIR) + "/lang/linux/" + language;
#endif
}

struct RecordedMessage {
    std::string text;
    platform::MessageIcon icon;
};

class AppFolder {
public:
    // language: the shipped language file to install as the only language ("English.ini", ...).
    explicit AppFolder(const std::string& language = "English.ini")
    {
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = fs::temp_directory_path() /
                ("tessaline window " + std::to_string(ProcessId()) + "-" + std::to_string(tick));
        const fs::path app = root_ / "app dir with blanks";
        fs::create_directories(app / "Lang");
        dir = TextOf(app);
        CopyIn(TESSALINE_BURN, "Burn.exe");
        CopyIn(Source("skin/winaqua.skn"), "winaqua.skn");
        CopyIn(Source("tools/burn/test.cue"), "test.cue");
        CopyIn(Source("tools/burn/test.wav"), "test.wav");
        CopyIn(ShippedLanguageFile(language), "Lang/" + language);

        savedConfigHome_ = platform::EnvironmentVariable("XDG_CONFIG_HOME");
        SetEnvironment("XDG_CONFIG_HOME", TextOf(ConfigHome()));
        ForgetSettings(ConfigHome());
        SetEnvironment("TESSALINE_BURN_SCENARIO", TextOf(root_ / "scenario.ini"));
        SetEnvironment("TESSALINE_BURN_LOG", TextOf(root_ / "burn.log"));
        platform::SetAppDirectory(dir);
        fs::current_path(app);
        mdlMain::ResetForTesting();
        SelectedWriter.clear();
        DeviceAddress.clear();
        ResultMessage.clear();
        MGetCmdOutput::SetEventHook(ui::RunWindowEvents);
        WriteScenario(kTwoWriters);
    }

    ~AppFolder()
    {
        platform::SetUiHooks({});
        MGetCmdOutput::SetEventHook({});
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        SetEnvironment("TESSALINE_BURN_SCENARIO", std::nullopt);
        SetEnvironment("TESSALINE_BURN_LOG", std::nullopt);
        ForgetSettings(ConfigHome());
        SetEnvironment("XDG_CONFIG_HOME", savedConfigHome_);
        fs::remove_all(root_, ignored);
    }

    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;

    static constexpr const char* kTwoWriters =
        "[writer]\naddress = 1,0,0\ndescription = First Writer\ndrivers = generic-mmc\n"
        "simulate = finished successfully\n"
        "[writer]\naddress = 2,0,0\ndescription = Second Writer\ndrivers = plextor\n"
        "simulate = not appendable\n";

    // Hooks that record message boxes and the end of the program, for tests in this process:
    // the end of the program then throws platform::ProgramEnded where it was asked for.
    void RecordProgramHooks()
    {
        platform::SetUiHooks({[this](const std::string& text, platform::MessageIcon icon) {
                                  messages.push_back({text, icon});
                              },
                              [this](int status) { endStatuses.push_back(status); }});
    }

    void WriteScenario(const std::string& text) const { WriteBytes(root_ / "scenario.ini", text); }

    // Replaces the language file with one in which every text names its own key ("T2000", ...).
    void WriteKeyNamedLanguage(const std::vector<std::string>& keys,
                               const std::string& file = "English.ini") const
    {
        std::string text = "[Velthorn]\n";
        for (const std::string& key : keys) text += key + "=T" + key + "\n";
        Write("Lang/" + file, text);
    }

    // A file of the application directory, by its name there ("Lang/English.ini").
    std::string Path(const std::string& name) const { return TextOf(PathOf(dir) / PathOf(name)); }
    void Write(const std::string& name, const std::string& bytes) const
    {
        WriteBytes(PathOf(Path(name)), bytes);
    }
    void Remove(const std::string& name) const
    {
        std::error_code ignored;
        fs::remove_all(PathOf(Path(name)), ignored);
    }

    // A command line as the wizard builds it: the tool's folder, its separator and the rest.
    std::string Command(const std::string& rest) const { return platform::JoinPath(dir, rest); }

    // The command lines the tool received, one a run.
    std::vector<std::string> ToolCommands() const
    {
        std::ifstream log(root_ / "burn.log", std::ios::binary);
        std::vector<std::string> commands;
        for (std::string line; std::getline(log, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) commands.push_back(line);
        }
        return commands;
    }

    // The driver stored in the registry, as the program reads it; "<none>" when there is none.
    static std::string DriverValue()
    {
        return mdlRegistry::QueryRegistryValue(platform::kHkeyCurrentUser,
                                               std::string(mdlMain::kSettingsKey) + mdlMain::kDriverKey, "*",
                                               "<none>");
    }

    // From now on the driver's setting cannot be written; forgetting the settings unblocks it.
    void BlockDriverStore() const { BlockDriverKey(ConfigHome()); }
    void ForgetStoredSettings() const { ForgetSettings(ConfigHome()); }

    // The folder of the settings store on POSIX (XDG_CONFIG_HOME), and the store file in it.
    fs::path ConfigHome() const { return root_ / "config"; }
    fs::path StoreFile() const { return ConfigHome() / "Tessaline" / "user.reg"; }
    const fs::path& Root() const { return root_; }

    // The environment a child running the program needs: the tool's scenario and log, the
    // settings store.
    std::vector<std::pair<std::string, std::string>> ChildEnvironment() const
    {
        return {{"TESSALINE_BURN_SCENARIO", TextOf(root_ / "scenario.ini")},
                {"TESSALINE_BURN_LOG", TextOf(root_ / "burn.log")},
                {"XDG_CONFIG_HOME", TextOf(ConfigHome())}};
    }

    std::string dir;  // the application directory, UTF-8
    std::vector<RecordedMessage> messages;
    std::vector<int> endStatuses;

private:
    static std::string Source(const std::string& name)
    {
        return std::string(TESSALINE_SOURCE_DIR) + "/" + name;
    }
    void CopyIn(const std::string& from, const std::string& name) const
    {
        fs::copy_file(PathOf(from), PathOf(Path(name)), fs::copy_options::overwrite_existing);
        KeepToMyself(PathOf(Path(name)), name == "Burn.exe");
    }

    fs::path root_;
    std::optional<std::string> savedConfigHome_;
};

// The text of a key of a shipped language file, as the program reads it.
inline std::string ShippedText(const char* key, const std::string& language = "English.ini")
{
    std::string text;
    platform::GetPrivateProfileStringA(mdlMain::kLanguageSection, key, "", &text, 255,
                                       ShippedLanguageFile(language));
    return text;
}

// Runs body and gives the status of the end of the program that it asked for (a fixture's
// RecordProgramHooks must be in place); -1 when it returned instead.
template <class Body>
int EndOf(Body&& body)
{
    try {
        body();
    } catch (const platform::ProgramEnded& end) {
        return end.status;
    }
    return -1;
}

}  // namespace window_test
