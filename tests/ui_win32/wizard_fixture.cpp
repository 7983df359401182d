#include "wizard_fixture.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ansi_win.h"
#include "runner/MGetCmdOutput.h"
#include "settings/mdlMainTesting.h"
#include "wizard/frmSelectDriver.h"
#include "wizard/ui/ui.h"

namespace uitest {
namespace {

namespace fs = std::filesystem;
using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

const std::string kSource = TESSALINE_SOURCE_DIR;

void CopyInto(const std::string& from, const fs::path& to)
{
    fs::copy_file(fs::path(Utf8ToWide(from)), to, fs::copy_options::overwrite_existing);
}

void ForgetSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvane"); }

void SetEnv(const char* name, const std::string& value)
{
    ::SetEnvironmentVariableW(Utf8ToWide(name).c_str(), value.empty() ? nullptr : Utf8ToWide(value).c_str());
}

}  // namespace

AppFolder::AppFolder(const std::string& language)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path root = fs::path(temp) / (L"tessaline ui " + std::to_wstring(::GetCurrentProcessId()) +
                                            L"-" + std::to_wstring(::GetTickCount64()));
    const fs::path app = root / L"app dir with blanks";
    fs::create_directories(app / L"Lang");
    root_ = WideToUtf8(root.wstring());
    dir = WideToUtf8(app.wstring());
    CopyInto(TESSALINE_BURN, app / L"Burn.exe");
    CopyInto(kSource + "/skin/winaqua.skn", app / L"winaqua.skn");
    CopyInto(kSource + "/tools/burn/test.cue", app / L"test.cue");
    CopyInto(kSource + "/tools/burn/test.wav", app / L"test.wav");
    CopyInto(kSource + "/lang/" + language, app / L"Lang" / Utf8ToWide(language));

    ForgetSettings();
    SetEnv("TESSALINE_BURN_SCENARIO", root_ + "\\scenario.ini");
    SetEnv("TESSALINE_BURN_LOG", root_ + "\\burn.log");
    platform::SetAppDirectory(dir);
    ::SetCurrentDirectoryW(app.c_str());
    mdlMain::ResetForTesting();
    SelectedWriter.clear();
    DeviceAddress.clear();
    ResultMessage.clear();
    MGetCmdOutput::SetEventHook(ui::RunWindowEvents);
    WriteScenario(kTwoWriters);
}

AppFolder::~AppFolder()
{
    platform::SetUiHooks({});
    MGetCmdOutput::SetEventHook({});
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    ::SetCurrentDirectoryW(temp);
    SetEnv("TESSALINE_BURN_SCENARIO", "");
    SetEnv("TESSALINE_BURN_LOG", "");
    ForgetSettings();
    std::error_code ignored;
    fs::remove_all(fs::path(Utf8ToWide(root_)), ignored);
}

void AppFolder::RecordProgramHooks()
{
    platform::SetUiHooks({[this](const std::string& text, platform::MessageIcon icon) {
                              messages.push_back({text, icon});
                          },
                          [this](int status) { endStatuses.push_back(status); }});
}

void AppFolder::WriteScenario(const std::string& text) const
{
    std::ofstream(fs::path(Utf8ToWide(root_)) / L"scenario.ini", std::ios::binary) << text;
}

void AppFolder::Remove(const std::string& name) const
{
    std::error_code ignored;
    fs::remove_all(fs::path(Utf8ToWide(dir)) / Utf8ToWide(name), ignored);
}

std::vector<std::string> AppFolder::ToolCommands() const
{
    std::ifstream log(fs::path(Utf8ToWide(root_)) / L"burn.log", std::ios::binary);
    std::vector<std::string> commands;
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) commands.push_back(line);
    }
    return commands;
}

std::string AppFolder::DriverValue() const
{
    char value[64] = {};
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorvane\\Output_Setting\\Driver", nullptr,
                       RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<none>";
    return value;
}

std::vector<std::pair<std::string, std::string>> AppFolder::ChildEnvironment() const
{
    return {{"TESSALINE_BURN_SCENARIO", root_ + "\\scenario.ini"},
            {"TESSALINE_BURN_LOG", root_ + "\\burn.log"}};
}

std::string EnglishText(const char* key)
{
    char text[512] = {};
    const std::string file = kSource + "/lang/English.ini";
    ::GetPrivateProfileStringA("Velthorn", key, "", text, sizeof text, file.c_str());
    return text;
}

}  // namespace uitest
