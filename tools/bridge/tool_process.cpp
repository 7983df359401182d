#include "tools/bridge/tool_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/handle.h"
#include "platform/text.h"

namespace bridge {
namespace {

using platform::UniqueHandle;

int Fd(const UniqueHandle& handle) { return static_cast<int>(handle.get()); }

void WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

struct Pipe {
    UniqueHandle readEnd;
    UniqueHandle writeEnd;

    bool Open()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        readEnd.reset(fds[0]);
        writeEnd.reset(fds[1]);
        return true;
    }
};

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void BecomeTool(const std::string& program, std::vector<char*>& argv, pid_t parent, int out,
                             int err, int failureReport)
{
    // The tool must not outlive the bridge, whoever ends it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int null = open("/dev/null", O_RDONLY);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 ||
        dup2(err, STDERR_FILENO) < 0)
        _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(program.c_str(), argv.data());
    const int error = errno;
    WriteAll(failureReport, std::string_view(reinterpret_cast<const char*>(&error), sizeof error));
    _exit(127);
}

// Cuts a stream into lines as it arrives; a line ends at a line feed or a carriage return (the
// tool redraws its progress line with carriage returns).
class LineSplitter {
public:
    template <class OnLine>
    void Feed(std::string_view bytes, OnLine onLine)
    {
        for (char c : bytes) {
            if (c == '\n' || c == '\r') {
                onLine(std::string_view(pending_));
                pending_.clear();
            } else {
                pending_ += c;
            }
        }
    }
    template <class OnLine>
    void Finish(OnLine onLine)
    {
        if (!pending_.empty()) onLine(std::string_view(pending_));
        pending_.clear();
    }

private:
    std::string pending_;
};

}  // namespace

std::optional<std::string> FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr || *path == '\0') path = "/usr/local/bin:/usr/bin:/bin";
    for (std::string_view folder : platform::text::Split(path, ':')) {
        if (folder.empty()) folder = ".";
        const std::string candidate = std::string(folder) + '/' + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

ToolOutcome RunTool(const std::string& program, const std::vector<std::string>& arguments,
                    const ToolStreams& streams)
{
    ToolOutcome outcome;
    Pipe out, err, failure;
    if (!out.Open() || !err.Open() || !failure.Open()) return outcome;

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) return outcome;
    if (child == 0)
        BecomeTool(program, argv, parent, Fd(out.writeEnd), Fd(err.writeEnd), Fd(failure.writeEnd));
    out.writeEnd.reset();
    err.writeEnd.reset();
    failure.writeEnd.reset();

    int execError = 0;
    const bool execFailed = read(Fd(failure.readEnd), &execError, sizeof execError) == sizeof execError;
    outcome.started = !execFailed;

    LineSplitter errLines;
    bool stop = false;
    const auto onErrLine = [&](std::string_view line) {
        if (!stop && streams.stopOnLine && streams.stopOnLine(line)) stop = true;
    };
    pollfd fds[2] = {{Fd(out.readEnd), POLLIN, 0}, {Fd(err.readEnd), POLLIN, 0}};
    int open = 2;
    char buffer[4096];
    while (open > 0 && !stop) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
                continue;
            }
            const std::string_view bytes(buffer, static_cast<std::size_t>(got));
            if (i == 0) {
                outcome.standardOutput.append(bytes);
                if (streams.passStandardOutput) WriteAll(STDOUT_FILENO, bytes);
            } else {
                outcome.standardError.append(bytes);
                if (streams.passStandardError) WriteAll(STDERR_FILENO, bytes);
                errLines.Feed(bytes, onErrLine);
            }
        }
    }
    if (!stop) errLines.Finish(onErrLine);
    if (stop) {
        kill(child, SIGKILL);
        outcome.stopped = true;
    }

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status))
        outcome.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status) && !stop)
        outcome.signal = WTERMSIG(status);
    return outcome;
}

}  // namespace bridge
