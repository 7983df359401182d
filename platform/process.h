// Child processes and the pipe that carries their output, without any window toolkit. POSIX
// uses pipe2, posix_spawn, poll and waitpid; Windows uses CreatePipe, DuplicateHandle,
// CreateProcessA, PeekNamedPipe and ReadFile. Handles are plain integers here so that no
// system header leaks into the code that uses this layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/handle.h"

namespace platform {

// An anonymous pipe for one child's output. The read end is ours alone and never inherited;
// the write end reaches a child only through StartProcess, so no other child started at the
// same time can hold it. The caller closes its write end right after the start.
struct OutputPipe {
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
};

// False when the system refuses a pipe.
bool CreateOutputPipe(OutputPipe& pipe);

enum class ReadStatus {
    Data,       // size bytes were read
    NoDataYet,  // nothing there now; the writers are still open
    End,        // every holder of the write end has closed it
    Failed,     // any other failure; ends the output like End
};

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::size_t size = 0;
};

// Reads what the pipe holds, at most capacity bytes, without waiting.
ReadResult ReadAvailable(NativeHandle readEnd, char* buffer, std::size_t capacity);

// Waits at most maxWaitMs (0: not at all) until the read end has data or has broken. True
// when reading would not block.
bool WaitReadable(NativeHandle readEnd, int maxWaitMs);

struct StartOptions {
    std::string commandLine;                  // one Windows-style command line, never run by a shell
    NativeHandle standardOutput = kNoHandle;  // kNoHandle: the null device
    NativeHandle standardError = kNoHandle;   // kNoHandle: the null device
    // The child's current directory; empty: the caller's. The program itself is found as
    // CreateProcessA finds it, from the caller's current directory.
    std::string workingDirectory;
};

// How a child ended.
struct ChildEnd {
    int exitCode = 0;      // its exit status; on POSIX the signal's number when a signal ended it
    bool crashed = false;  // a signal (POSIX) or an exception nothing handled (Windows) ended it
};

// A started child. It runs in a group of its own (a job object on Windows), with the caller's environment and
// current directory, standard input from the null device, and no other handle of ours. Destroying a child
// that still runs never waits for it: it is reaped later by ReapEndedChildren.
class ChildProcess {
public:
    struct Impl;

    ChildProcess();
    explicit ChildProcess(std::unique_ptr<Impl> impl);
    ChildProcess(ChildProcess&&) noexcept;
    ChildProcess& operator=(ChildProcess&&) noexcept;
    ~ChildProcess();

    bool started() const { return impl_ != nullptr; }
    // The system's process id, or -1.
    std::int64_t id() const;
    // Waits at most maxWaitMs for the child to end and collects it. True when it has ended.
    bool WaitForEnd(int maxWaitMs);
    // How the child ended, once WaitForEnd has seen it end; nothing before, or when the system
    // collected it itself (SIGCHLD ignored).
    std::optional<ChildEnd> End() const;
    // Ends the child's whole group: asks politely first, and forces the end once the child
    // has gone or graceMs have passed, whichever comes first. Returns once the group is gone,
    // or after a short while at most; a child not collected by then is left to
    // ReapEndedChildren.
    void TerminateGroup(int graceMs);

private:
    std::unique_ptr<Impl> impl_;
};

enum class StartStatus {
    Started,
    NotFound,  // no program file matches the command line
    Failed,    // the program was found but could not be run
};

struct StartResult {
    StartStatus status = StartStatus::Failed;
    ChildProcess child;
    int systemError = 0;  // errno or GetLastError of the failure
};

// Resolves the command line's program the way CreateProcessA does and starts it.
StartResult StartProcess(const StartOptions& options);

// Keeps the system's timer at 1 ms steps while it lives, so that waits for a child end on time
// (Windows, where the default step is 15.6 ms; nothing elsewhere). Held only while a child is
// waited for: a fast timer costs the whole system power.
class FineTimer {
public:
    FineTimer();
    ~FineTimer();  // NOLINT(performance-trivially-destructible): gives the step back on Windows
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;

private:
    bool held_ = false;
};

// How many FineTimers hold the fine step now: 0 whenever no child is waited for (always 0 where
// there is nothing to hold).
int FineTimersHeld();

// Collects every child that was left running by a destroyed ChildProcess and has ended
// since. Never waits.
void ReapEndedChildren();

// How many children are still waiting to be collected by ReapEndedChildren.
std::size_t UncollectedChildCount();

}  // namespace platform
