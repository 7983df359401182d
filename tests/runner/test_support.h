// Small fixtures shared by the runner's tests: temporary folders, environment variables,
// the current directory, and looking at other processes (through /proc on POSIX).
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "argument_quoting.h"

namespace testing_support {

class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            auto candidate =
                std::filesystem::temp_directory_path() / ("tessaline-runner-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
        }
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

#ifdef _WIN32
// The C runtime of Windows keeps the process environment, which children inherit, up to date.
inline void SetEnv(const char* name, const std::string& value) { ::_putenv_s(name, value.c_str()); }
inline void UnsetEnv(const char* name) { ::_putenv_s(name, ""); }
#else
inline void SetEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
inline void UnsetEnv(const char* name) { ::unsetenv(name); }
#endif

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        SetEnv(name, value);
    }
    ~ScopedEnv()
    {
        if (old_)
            SetEnv(name_, *old_);
        else
            UnsetEnv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& dir) : old_(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~ScopedCurrentDir() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The file's bytes; empty when it cannot be read. A file of /proc whose process ended between
// the open and the read fails the read (ESRCH), which the standard library throws from.
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    try {
        return std::string(std::istreambuf_iterator<char>(in), {});
    } catch (const std::exception&) {
        return {};
    }
}

// A command line for program and arguments, each quoted as needed.
inline std::string CommandLine(const std::string& program, std::initializer_list<std::string> arguments)
{
    std::string line = QuoteArgument(program);
    for (const std::string& argument : arguments) line += " " + QuoteArgument(argument);
    return line;
}

#ifdef _WIN32
inline bool IsRunning(long pid)
{
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}
#endif

#ifndef _WIN32
// The state letter of a process ('R', 'S', 'Z', ...), or 0 when it no longer exists.
inline char ProcessState(long pid)
{
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

struct ChildProcessEntry {
    long pid;
    char state;        // as ProcessState gives it
    std::string name;  // the program's name, as /proc/<pid>/stat gives it
};

// The processes whose parent is this process, zombies included.
inline std::vector<ChildProcessEntry> ChildrenOfThisProcess()
{
    std::vector<ChildProcessEntry> children;
    const long self = ::getpid();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = ReadFile(entry.path().string() + "/stat");
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 2 >= stat.size()) continue;
        std::istringstream rest(stat.substr(close + 2));
        char state = 0;
        long parent = 0;
        rest >> state >> parent;
        if (parent == self)
            children.push_back({std::atol(name.c_str()), state, stat.substr(open + 1, close - open - 1)});
    }
    return children;
}

inline bool HasEnded(long pid)
{
    const char state = ProcessState(pid);
    return state == 0 || state == 'Z' || state == 'X';
}

inline bool IsRunning(long pid) { return !HasEnded(pid); }

inline std::size_t OpenDescriptorCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}
#endif

}  // namespace testing_support
