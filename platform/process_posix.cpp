#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/app.h"
#include "platform/cmdline.h"
#include "platform/deadline.h"
#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

int Fd(NativeHandle handle) { return static_cast<int>(handle); }

// A program started with some of 0, 1, 2 closed would get pipe ends there, and the child's
// standard streams would then be set up over them.
bool MoveAboveStandardDescriptors(UniqueHandle& descriptor)
{
    if (descriptor.get() > STDERR_FILENO) return true;
    const int moved = ::fcntl(Fd(descriptor.get()), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0) return false;
    descriptor.reset(moved);
    return true;
}

std::mutex uncollectedMutex;
std::vector<pid_t> uncollected;

// True when the child has been collected or can no longer be (SIGCHLD ignored by the caller
// makes the system collect children itself). How it ended goes to *end when it was collected.
bool TryCollect(pid_t pid, std::optional<ChildEnd>* end = nullptr)
{
    for (;;) {
        int status = 0;
        const pid_t result = ::waitpid(pid, &status, WNOHANG);
        if (result == pid) {
            if (end != nullptr && WIFEXITED(status)) *end = ChildEnd{WEXITSTATUS(status), false};
            if (end != nullptr && WIFSIGNALED(status)) *end = ChildEnd{WTERMSIG(status), true};
            return true;
        }
        if (result == 0) return false;
        if (errno == EINTR) continue;
        return true;
    }
}

// True when the child has ended; it stays uncollected, so its id and group id stay reserved.
bool HasExited(pid_t pid, int pidfd)
{
    if (pidfd >= 0) {
        pollfd entry{pidfd, POLLIN, 0};
        for (;;) {
            const int ready = ::poll(&entry, 1, 0);
            if (ready >= 0) return ready > 0;
            if (errno != EINTR) return false;
        }
    }
    siginfo_t info{};
    for (;;) {
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == pid;
        if (errno != EINTR) return true;
    }
}

// Sleeps until the child ends or the deadline passes, without collecting it.
void AwaitExit(pid_t pid, int pidfd, Clock::time_point deadline)
{
    while (!HasExited(pid, pidfd)) {
        const int left = RemainingMs(deadline);
        if (left <= 0) return;
        if (pidfd >= 0) {
            pollfd entry{pidfd, POLLIN, 0};
            ::poll(&entry, 1, left);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

SearchFolders CurrentSearchFolders()
{
    // The folder of the program's file, as CreateProcessA searches it: a test's SetAppDirectory
    // does not move it.
    static const std::string applicationDirectory = ExecutableDirectory();
    SearchFolders folders;
    folders.applicationDirectory = applicationDirectory;
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) != nullptr) folders.currentDirectory = buffer;
    if (const char* path = ::getenv("PATH")) {
        for (const std::string_view folder : text::Split(path, ':')) folders.path.emplace_back(folder);
    }
    return folders;
}

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { ::posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    SpawnAttributes() { ::posix_spawnattr_init(&attributes); }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};

int ConnectStream(posix_spawn_file_actions_t* actions, NativeHandle target, int stream, int mode)
{
    if (target == kNoHandle) return ::posix_spawn_file_actions_addopen(actions, stream, "/dev/null", mode, 0);
    return ::posix_spawn_file_actions_adddup2(actions, Fd(target), stream);
}

}  // namespace

struct ChildProcess::Impl {
    pid_t pid = -1;
    UniqueHandle pidfd;  // none where the kernel offers none; then waiting falls back to polling
    bool collected = false;
    std::optional<ChildEnd> end;

    ~Impl()
    {
        pidfd.reset();
        if (!collected && !TryCollect(pid)) {
            std::lock_guard lock(uncollectedMutex);
            uncollected.push_back(pid);
        }
    }
};

ChildProcess::ChildProcess() = default;
ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;
ChildProcess::~ChildProcess() = default;

std::int64_t ChildProcess::id() const { return impl_ ? impl_->pid : -1; }

bool ChildProcess::WaitForEnd(int maxWaitMs)
{
    if (!impl_) return true;
    if (impl_->collected) return true;
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxWaitMs > 0 ? maxWaitMs : 0);
    AwaitExit(impl_->pid, Fd(impl_->pidfd.get()), deadline);
    impl_->collected = TryCollect(impl_->pid, &impl_->end);
    return impl_->collected;
}

std::optional<ChildEnd> ChildProcess::End() const { return impl_ ? impl_->end : std::nullopt; }

void ChildProcess::TerminateGroup(int graceMs)
{
    // Once collected, the group id may belong to someone else: it is never signalled then.
    if (!impl_ || impl_->collected) return;
    const pid_t group = impl_->pid;
    ::kill(-group, SIGTERM);
    AwaitExit(impl_->pid, Fd(impl_->pidfd.get()), Clock::now() + std::chrono::milliseconds(graceMs));
    ::kill(-group, SIGKILL);
    WaitForEnd(100);
    // Signals are acted on asynchronously; give the rest of the group a moment to go, so the
    // caller gets control back with the group ended. Zombies still count as members, so the
    // wait stays bounded where nobody collects them.
    const auto deadline = Clock::now() + std::chrono::milliseconds(100);
    while (::kill(-group, 0) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool CreateOutputPipe(OutputPipe& pipe)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    UniqueHandle readEnd(fds[0]);
    UniqueHandle writeEnd(fds[1]);
    if (!MoveAboveStandardDescriptors(readEnd) || !MoveAboveStandardDescriptors(writeEnd)) return false;
    const int readFd = Fd(readEnd.get());
    const int flags = ::fcntl(readFd, F_GETFL);
    if (flags < 0 || ::fcntl(readFd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    pipe.readEnd = std::move(readEnd);
    pipe.writeEnd = std::move(writeEnd);
    return true;
}

ReadResult ReadAvailable(NativeHandle readEnd, char* buffer, std::size_t capacity)
{
    for (;;) {
        const ssize_t n = ::read(Fd(readEnd), buffer, capacity);
        if (n > 0) return {ReadStatus::Data, static_cast<std::size_t>(n)};
        if (n == 0) return {ReadStatus::End, 0};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {ReadStatus::NoDataYet, 0};
        return {ReadStatus::Failed, 0};
    }
}

bool WaitReadable(NativeHandle readEnd, int maxWaitMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxWaitMs > 0 ? maxWaitMs : 0);
    pollfd entry{Fd(readEnd), POLLIN, 0};
    int timeout = maxWaitMs > 0 ? maxWaitMs : 0;
    for (;;) {
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return true;  // let the read report the failure
        timeout = RemainingMs(deadline);
    }
}

StartResult StartProcess(const StartOptions& options)
{
    StartResult result;
    std::optional<ResolvedCommand> command = ResolveCommandLine(options.commandLine, CurrentSearchFolders());
    if (!command) {
        result.status = StartStatus::NotFound;
        result.systemError = ENOENT;
        return result;
    }

    SpawnActions actions;
    int error = ::posix_spawn_file_actions_addopen(&actions.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (error == 0) error = ConnectStream(&actions.actions, options.standardOutput, STDOUT_FILENO, O_WRONLY);
    if (error == 0) error = ConnectStream(&actions.actions, options.standardError, STDERR_FILENO, O_WRONLY);
    if (error == 0) error = ::posix_spawn_file_actions_addclosefrom_np(&actions.actions, STDERR_FILENO + 1);
    if (error == 0 && !options.workingDirectory.empty())
        error = ::posix_spawn_file_actions_addchdir_np(&actions.actions, options.workingDirectory.c_str());

    // The child starts with default signal handling and nothing blocked: an ignored SIGPIPE or
    // a blocked SIGTERM of ours must not be passed on.
    SpawnAttributes attributes;
    sigset_t all;
    sigset_t none;
    ::sigfillset(&all);
    ::sigdelset(&all, SIGKILL);
    ::sigdelset(&all, SIGSTOP);
    ::sigemptyset(&none);
    if (error == 0)
        error = ::posix_spawnattr_setflags(
            &attributes.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (error == 0) error = ::posix_spawnattr_setpgroup(&attributes.attributes, 0);
    if (error == 0) error = ::posix_spawnattr_setsigdefault(&attributes.attributes, &all);
    if (error == 0) error = ::posix_spawnattr_setsigmask(&attributes.attributes, &none);
    if (error != 0) {
        result.systemError = error;
        return result;
    }

    std::vector<char*> argv;
    argv.reserve(command->argv.size() + 1);
    for (std::string& argument : command->argv) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    error = ::posix_spawn(&pid, command->programFile.c_str(), &actions.actions, &attributes.attributes,
                          argv.data(), environ);
    if (error != 0) {
        result.systemError = error;
        return result;
    }

    auto impl = std::make_unique<ChildProcess::Impl>();
    impl->pid = pid;
    // Called directly: glibc 2.36's <sys/pidfd.h> cannot be used from C++.
    impl->pidfd.reset(static_cast<NativeHandle>(::syscall(SYS_pidfd_open, pid, 0)));
    result.child = ChildProcess(std::move(impl));
    result.status = StartStatus::Started;
    return result;
}

FineTimer::FineTimer() = default;
FineTimer::~FineTimer() = default;
int FineTimersHeld() { return 0; }

void ReapEndedChildren()
{
    std::lock_guard lock(uncollectedMutex);
    std::erase_if(uncollected, [](pid_t pid) { return TryCollect(pid); });
}

std::size_t UncollectedChildCount()
{
    std::lock_guard lock(uncollectedMutex);
    return uncollected.size();
}

}  // namespace platform
