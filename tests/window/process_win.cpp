// Processes and pipes of the window tests on Windows.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <tlhelp32.h>

#include <stdexcept>

#include "app_folder.h"
#include "platform/ansi_win.h"
#include "platform/handle_win.h"
#include "process_support.h"

namespace window_test {
namespace {

using platform::win::AsHandle;
using platform::win::FromHandle;
using platform::win::Utf8ToWide;

std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

std::wstring ThisProgram()
{
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

}  // namespace

Pipe::Pipe()
{
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!::CreatePipe(&read, &write, nullptr, 0)) throw std::runtime_error("no pipe");
    read_ = FromHandle(read);
    write_ = FromHandle(write);
}

Pipe::~Pipe()
{
    ::CloseHandle(AsHandle(read_));
    CloseWriteEnd();
}

void Pipe::WriteByte()
{
    DWORD written = 0;
    if (!::WriteFile(AsHandle(write_), "x", 1, &written, nullptr) || written != 1)
        throw std::runtime_error("cannot write to the pipe");
}

void Pipe::CloseWriteEnd()
{
    if (write_ != platform::kNoHandle) ::CloseHandle(AsHandle(write_));
    write_ = platform::kNoHandle;
}

std::size_t Pipe::Available() const
{
    DWORD available = 0;
    ::PeekNamedPipe(AsHandle(read_), nullptr, 0, nullptr, &available, nullptr);
    return available;
}

int RunningTools()
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        count += _wcsicmp(entry.szExeFile, L"Burn.exe") == 0 &&
                 entry.th32ParentProcessID == ::GetCurrentProcessId();
    ::CloseHandle(snapshot);
    return count;
}

ChildOutcome RunChild(const std::string& scenario, const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& environment)
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    wchar_t record[MAX_PATH];
    ::GetTempFileNameW(folder, L"msg", 0, record);

    std::wstring commandLine = Quoted(ThisProgram()) + L" --child " + Quoted(Utf8ToWide(scenario)) +
                               L" --messages " + Quoted(record);
    for (const std::string& argument : arguments) commandLine += L" " + Quoted(Utf8ToWide(argument));

    // The child inherits this process's environment: the values asked for are set for its start
    // and put back at once.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : environment) {
        saved.emplace_back(name, platform::EnvironmentVariable(name.c_str()));
        SetEnvironment(name.c_str(), value);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, &startup, &process);
    for (const auto& [name, value] : saved) SetEnvironment(name.c_str(), value);

    ChildOutcome outcome;
    if (!started) return outcome;
    // A child that shows a box nobody closes, or hangs, fails the test here rather than never.
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.hProcess, 99);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    outcome.status = static_cast<int>(status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    outcome.messages = ReadFile(record);
    ::DeleteFileW(record);
    return outcome;
}

}  // namespace window_test
