// Processes and pipes of the window tests on POSIX.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <thread>

#include "app_folder.h"
#include "process_support.h"

extern char** environ;

namespace window_test {

Pipe::Pipe()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    read_ = ends[0];
    write_ = ends[1];
}

Pipe::~Pipe()
{
    ::close(static_cast<int>(read_));
    CloseWriteEnd();
}

void Pipe::WriteByte()
{
    if (::write(static_cast<int>(write_), "x", 1) != 1) throw std::runtime_error("cannot write to the pipe");
}

void Pipe::CloseWriteEnd()
{
    if (write_ != platform::kNoHandle) ::close(static_cast<int>(write_));
    write_ = platform::kNoHandle;
}

std::size_t Pipe::Available() const
{
    int available = 0;
    ::ioctl(static_cast<int>(read_), FIONREAD, &available);
    return static_cast<std::size_t>(available);
}

int RunningTools()
{
    int count = 0;
    // Ended but not yet collected does not count: it runs no more.
    for (const testing_support::ChildProcessEntry& child : testing_support::ChildrenOfThisProcess())
        count += child.state != 'Z' && child.name == "Burn.exe";
    return count;
}

ChildOutcome RunChild(const std::string& scenario, const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& environment)
{
    const std::filesystem::path record =
        std::filesystem::temp_directory_path() /
        ("tessaline-messages-" + std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> words = {program, "--child", scenario, "--messages", record.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) variables[name] = value;
    std::vector<std::string> lines;
    lines.reserve(variables.size());
    for (const auto& [name, value] : variables) lines.push_back(name + "=" + value);
    std::vector<char*> envp;
    envp.reserve(lines.size() + 1);
    for (std::string& line : lines) envp.push_back(line.data());
    envp.push_back(nullptr);

    ChildOutcome outcome;
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return outcome;
    // A child that shows a box nobody closes, or hangs, fails the test here rather than never.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            status = 99 << 8;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    outcome.messages = ReadFile(record);
    std::error_code ignored;
    std::filesystem::remove(record, ignored);
    return outcome;
}

}  // namespace window_test
