#include "runner/MGetCmdOutput.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <utility>

#include "platform/codepage.h"
#include "platform/process.h"

namespace MGetCmdOutput {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadSize = 1024;
// Longest wait inside one call of the event hook while the child is silent; below 20 ms so
// that the hook's own timer latency still keeps window events within 20 ms of each other.
constexpr int kSilentWaitMs = 16;
// How long a stopped child may take to end on its own before it is killed.
constexpr int kStopGraceMs = 150;
// A child that has closed its output is normally ending; it gets this long to end, so that
// the call can tell how it ended (a crash), and is otherwise collected by a later call. Window
// events keep running meanwhile.
constexpr int kEndWaitMs = 2000;

EventHook& InstalledHook()
{
    static EventHook hook;
    return hook;
}

std::atomic<int> runningCalls{0};
std::atomic<unsigned> stopGeneration{0};

// A running call; StopRunningCommand stops every call running at that moment, nested ones
// started from the event hook included.
class RunningCall {
public:
    RunningCall() : generation_(stopGeneration.load()) { ++runningCalls; }
    ~RunningCall() { --runningCalls; }
    RunningCall(const RunningCall&) = delete;
    RunningCall& operator=(const RunningCall&) = delete;

    bool StopRequested() const { return stopGeneration.load() != generation_; }

private:
    unsigned generation_;
};

void WaitWhileSilent(platform::NativeHandle readEnd, const EventHook& hook, const RunningCall& call)
{
    if (!hook) {
        platform::WaitReadable(readEnd, kSilentWaitMs);
        return;
    }
    const Clock::time_point start = Clock::now();
    hook(readEnd, kSilentWaitMs);
    if (call.StopRequested()) return;
    // A hook that returned early without data on the pipe must not turn this into a busy loop.
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (spent.count() < kSilentWaitMs)
        platform::WaitReadable(readEnd, kSilentWaitMs - static_cast<int>(spent.count()));
}

// Waits a while for a child whose output has ended to end too, running window events, and
// says whether it has; a stop request or the time limit end the wait.
bool AwaitEnd(platform::ChildProcess& child, platform::NativeHandle readEnd, const EventHook& hook,
              const RunningCall& call, Clock::time_point limit)
{
    const Clock::time_point deadline = std::min(limit, Clock::now() + std::chrono::milliseconds(kEndWaitMs));
    for (;;) {
        if (child.WaitForEnd(hook ? 0 : kSilentWaitMs)) return true;
        if (call.StopRequested() || Clock::now() >= deadline) return false;
        if (hook) {
            hook(readEnd, 0);
            child.WaitForEnd(kSilentWaitMs);
        }
    }
}

}  // namespace

CmdOutput RunCmd(const std::string& commandLine, bool captureStdout, bool captureStderr,
                 bool translateFromOem, const RunOptions& runOptions)
{
    if (!captureStdout && !captureStderr) throw InvalidCallError();

    platform::ReapEndedChildren();
    CmdOutput result;

    platform::OutputPipe pipe;
    if (!platform::CreateOutputPipe(pipe)) return result;

    platform::StartOptions options;
    options.commandLine = commandLine;
    options.workingDirectory = runOptions.workingDirectory;
    if (captureStdout) options.standardOutput = pipe.writeEnd.get();
    if (captureStderr) options.standardError = pipe.writeEnd.get();
    platform::StartResult started = platform::StartProcess(options);
    pipe.writeEnd.reset();
    if (started.status != platform::StartStatus::Started) return result;

    const platform::FineTimer fineTimer;
    const Clock::time_point limit = runOptions.timeLimitMs > 0
                                        ? Clock::now() + std::chrono::milliseconds(runOptions.timeLimitMs)
                                        : Clock::time_point::max();
    const EventHook hook = InstalledHook();
    const RunningCall call;
    const platform::NativeHandle readEnd = pipe.readEnd.get();
    platform::ConsoleOutputDecoder decoder(translateFromOem);
    char buffer[kReadSize];
    RunStatus ending = RunStatus::Finished;
    try {
        for (;;) {
            if (hook) hook(readEnd, 0);
            if (call.StopRequested()) {
                ending = RunStatus::Stopped;
                break;
            }
            if (Clock::now() >= limit) {
                ending = RunStatus::TimedOut;
                break;
            }
            const platform::ReadResult read = platform::ReadAvailable(readEnd, buffer, kReadSize);
            if (read.status == platform::ReadStatus::Data) {
                decoder.Feed(std::string_view(buffer, read.size), result.text);
                continue;
            }
            if (read.status != platform::ReadStatus::NoDataYet) break;
            WaitWhileSilent(readEnd, hook, call);
        }
        if (ending == RunStatus::Finished && !AwaitEnd(started.child, readEnd, hook, call, limit)) {
            // Still running with its output closed: left to a later call, unless stopped or late.
            if (call.StopRequested()) ending = RunStatus::Stopped;
            if (Clock::now() >= limit) ending = RunStatus::TimedOut;
        }
    } catch (...) {
        // An event handler failed: the call ends, and so does its child.
        pipe.readEnd.reset();
        started.child.TerminateGroup(kStopGraceMs);
        throw;
    }
    decoder.Finish(result.text);

    pipe.readEnd.reset();
    if (ending != RunStatus::Finished) {
        started.child.TerminateGroup(kStopGraceMs);
    } else if (const std::optional<platform::ChildEnd> end = started.child.End(); end && end->crashed) {
        ending = RunStatus::Crashed;
    }
    result.status = ending;
    return result;
}

std::string GetCmdOutput(const std::string& commandLine, bool captureStdout, bool captureStderr,
                         bool translateFromOem)
{
    return RunCmd(commandLine, captureStdout, captureStderr, translateFromOem).text;
}

void SetEventHook(EventHook hook) { InstalledHook() = std::move(hook); }

void StopRunningCommand()
{
    if (runningCalls.load() > 0) ++stopGeneration;
}

bool IsCommandRunning() { return runningCalls.load() > 0; }

}  // namespace MGetCmdOutput
