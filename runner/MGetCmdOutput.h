// Runs one command line as a hidden child process with its standard output, standard error or
// both connected to one pipe, and returns everything that came through the pipe. While it
// waits, window events keep running through the event hook that the window layer installs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/numbered_error.h"

namespace MGetCmdOutput {

// Raised for a call that captures neither stream (number 5, invalid procedure call).
struct InvalidCallError : platform::NumberedError {
    InvalidCallError() : NumberedError(kInvalidCall) {}
};

enum class RunStatus {
    Finished,    // the pipe broke: every holder of its write end has closed it
    NotStarted,  // the pipe could not be made or the program could not be started
    Stopped,     // StopRunningCommand ended it
    TimedOut,    // it ran past the time limit, and its whole group was ended
    Crashed,     // a signal (POSIX) or an exception nothing handled (Windows) ended it
};

struct CmdOutput {
    std::string text;  // UTF-8; what came through the pipe until the end, whatever the status
    RunStatus status = RunStatus::NotStarted;
};

struct RunOptions {
    std::string workingDirectory;  // the child's current directory; empty: the caller's
    int timeLimitMs = 0;           // 0: none
};

// The empty text when nothing could be started; throws InvalidCallError when neither stream
// is captured. The child runs in the caller's current directory, without a time limit.
std::string GetCmdOutput(const std::string& commandLine, bool captureStdout, bool captureStderr,
                         bool translateFromOem);

// The same run, telling the caller how it ended, in the given directory and within the given
// time.
CmdOutput RunCmd(const std::string& commandLine, bool captureStdout, bool captureStderr,
                 bool translateFromOem, const RunOptions& options = {});

// Runs pending window events. Called with maxWaitMs 0 before each read (run what is pending,
// return at once) and with a positive maxWaitMs while the child is silent: then it may also
// wait, for at most maxWaitMs, until readHandle (the pipe's read end: a file descriptor on
// POSIX, a HANDLE on Windows) has data or a window event arrives.
using EventHook = std::function<void(std::intptr_t readHandle, int maxWaitMs)>;
void SetEventHook(EventHook hook);

// Ends the running command, if any: its whole process group is terminated, then killed after
// a short grace; the running call returns promptly with the text read so far. Meant to be
// called from a window event handler run by the event hook.
void StopRunningCommand();
bool IsCommandRunning();

}  // namespace MGetCmdOutput
