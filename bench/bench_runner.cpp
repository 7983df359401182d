// Measures the command runner against a plain POSIX read loop, QProcess and a bare
// posix_spawn, and how responsive the window stays while a child is silent and when it is
// closed. The runner is measured with the window's own event hook, ui::RunWindowEvents,
// and QProcess the way a window uses it: driven by its signals in an event loop. Prints
// figures; it is not a test and asserts nothing.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "runner/MGetCmdOutput.h"
#include "wizard/ui/ui.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr long long kStreamBytes = 100LL * 1024 * 1024;
constexpr int kCalls = 1000;
constexpr int kCloses = 20;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The best of three runs, so that a moment of load on the machine does not count.
double BestOf3(const std::function<void()>& run)
{
    double best = 1e99;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, Seconds(Clock::now() - start));
    }
    return best;
}

// posix_spawn with standard error into a pipe, 1024-byte reads into a std::string, waitpid.
std::string PlainRun(std::vector<std::string> argv)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string text;
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fds[0]);
    if (error == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    }
    return text;
}

// Installs the window's own event hook for as long as it lives; each call's moment is noted in
// calls when given.
class WindowHook {
public:
    explicit WindowHook(std::vector<Clock::time_point>* calls = nullptr)
    {
        MGetCmdOutput::SetEventHook([calls](std::intptr_t readHandle, int maxWaitMs) {
            if (calls != nullptr) calls->push_back(Clock::now());
            ui::RunWindowEvents(readHandle, maxWaitMs);
        });
    }
    ~WindowHook() { MGetCmdOutput::SetEventHook(nullptr); }
    WindowHook(const WindowHook&) = delete;
    WindowHook& operator=(const WindowHook&) = delete;
};

// QProcess as a window drives it: standard error appended to a std::string at each
// readyReadStandardError, an event loop run until finished.
std::string QProcessRun(const QStringList& arguments)
{
    QProcess process;
    std::string text;
    const auto take = [&] {
        const QByteArray bytes = process.readAllStandardError();
        text.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
    QEventLoop loop;
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop, take);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) loop.quit();
    });
    process.start(QStringLiteral(BENCH_CHILD), arguments);
    if (process.state() != QProcess::NotRunning) loop.exec();
    take();
    return text;
}

void Throughput()
{
    const std::string count = std::to_string(kStreamBytes);
    const std::string line = std::string(BENCH_CHILD) + " stream " + count;
    std::size_t sizes[4] = {};
    const double runner =
        BestOf3([&] { sizes[0] = MGetCmdOutput::GetCmdOutput(line, false, true, false).size(); });
    double hooked = 0;
    {
        const WindowHook hook;
        hooked = BestOf3([&] { sizes[1] = MGetCmdOutput::GetCmdOutput(line, false, true, false).size(); });
    }
    const double plain = BestOf3([&] { sizes[2] = PlainRun({BENCH_CHILD, "stream", count}).size(); });
    const double qprocess = BestOf3([&] {
        sizes[3] = QProcessRun({QStringLiteral("stream"), QString::fromStdString(count)}).size();
    });

    const double mb = static_cast<double>(kStreamBytes) / (1024.0 * 1024.0);
    std::printf("Reading %.0f MB (bytes read: %zu %zu %zu %zu)\n", mb, sizes[0], sizes[1], sizes[2],
                sizes[3]);
    std::printf("  GetCmdOutput, no hook      %7.3f s  %7.0f MB/s\n", runner, mb / runner);
    std::printf("  GetCmdOutput, window hook  %7.3f s  %7.0f MB/s\n", hooked, mb / hooked);
    std::printf("  plain 1024-byte read loop  %7.3f s  %7.0f MB/s\n", plain, mb / plain);
    std::printf("  QProcess, event loop       %7.3f s  %7.0f MB/s\n", qprocess, mb / qprocess);
    std::printf("  ratio runner / plain loop  %7.2f   (aim <= 1.5)\n", runner / plain);
    std::printf("  ratio hooked / plain loop  %7.2f\n", hooked / plain);
    std::printf("  ratio hooked / QProcess    %7.2f   (aim <= 1.0; both run window events)\n",
                hooked / qprocess);
    std::printf("  ratio runner / QProcess    %7.2f\n", runner / qprocess);
}

void PerCallOverhead()
{
    const std::string line = std::string(BENCH_CHILD) + " nothing";
    const double runner = BestOf3([&] {
        for (int i = 0; i < kCalls; ++i) MGetCmdOutput::GetCmdOutput(line, false, true, false);
    });
    const double bare = BestOf3([&] {
        for (int i = 0; i < kCalls; ++i) PlainRun({BENCH_CHILD, "nothing"});
    });
    std::printf("%d runs of a trivial program\n", kCalls);
    std::printf("  GetCmdOutput               %7.1f us per call\n", runner * 1e6 / kCalls);
    std::printf("  bare posix_spawn+read+wait %7.1f us per call\n", bare * 1e6 / kCalls);
    std::printf("  ratio                      %7.2f   (aim <= 1.2)\n", runner / bare);
}

struct TimedEvent : QEvent {
    explicit TimedEvent(Clock::time_point at) : QEvent(QEvent::User), postedAt(at) {}
    Clock::time_point postedAt;
};

class DelayReceiver : public QObject {
public:
    double longestDelayMs = 0;
    double totalDelayMs = 0;
    int delivered = 0;

    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User) return QObject::event(e);
        const double delay = Ms(Clock::now() - static_cast<TimedEvent*>(e)->postedAt);
        longestDelayMs = std::max(longestDelayMs, delay);
        totalDelayMs += delay;
        ++delivered;
        return true;
    }
};

// Runs run() while window events arrive from another thread every 7 ms, as a timer of the
// system would post them; the delay of each before it ran is noted.
void WhileEventsArrive(DelayReceiver& receiver, const std::function<void()>& run)
{
    std::atomic<bool> done{false};
    std::thread poster([&] {
        auto next = Clock::now();
        while (!done) {
            next += std::chrono::milliseconds(7);
            std::this_thread::sleep_until(next);
            QCoreApplication::postEvent(&receiver, new TimedEvent(Clock::now()));
        }
    });
    run();
    done = true;
    poster.join();
    QCoreApplication::processEvents();
}

void Responsiveness()
{
    const std::string line = std::string(BENCH_CHILD) + " silent 2000";
    std::vector<Clock::time_point> calls;
    calls.reserve(4096);
    DelayReceiver runnerEvents;
    std::string text;
    double elapsed = 0;
    {
        const WindowHook hook(&calls);
        WhileEventsArrive(runnerEvents, [&] {
            const auto start = Clock::now();
            text = MGetCmdOutput::GetCmdOutput(line, false, true, false);
            elapsed = Ms(Clock::now() - start);
        });
    }
    DelayReceiver qprocessEvents;
    std::string qprocessText;
    WhileEventsArrive(qprocessEvents, [&] {
        qprocessText = QProcessRun({QStringLiteral("silent"), QStringLiteral("2000")});
    });

    double longestGap = 0;
    for (std::size_t i = 1; i < calls.size(); ++i)
        longestGap = std::max(longestGap, Ms(calls[i] - calls[i - 1]));
    const auto mean = [](const DelayReceiver& r) { return r.delivered ? r.totalDelayMs / r.delivered : 0.0; };
    std::printf("A child silent for 2 s, window hook installed (call took %.0f ms, output %s)\n", elapsed,
                text == "start\nend\n" && qprocessText == text ? "complete" : "WRONG");
    std::printf("  event-hook calls           %7zu\n", calls.size());
    std::printf("  longest gap between calls  %7.2f ms  (aim < 25)\n", longestGap);
    std::printf("  posted events delivered    %7d   (QProcess, event loop: %d)\n", runnerEvents.delivered,
                qprocessEvents.delivered);
    std::printf("  longest event delay        %7.2f ms  (aim < 25; QProcess, event loop: %.2f ms)\n",
                runnerEvents.longestDelayMs, qprocessEvents.longestDelayMs);
    std::printf("  mean event delay           %7.2f ms  (QProcess, event loop: %.2f ms)\n",
                mean(runnerEvents), mean(qprocessEvents));
}

// Handles a close as the window does while its tool runs: stops the running command.
class CloseReceiver : public QObject {
public:
    Clock::time_point handledAt{};

    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::Close) return QObject::event(e);
        handledAt = Clock::now();
        MGetCmdOutput::StopRunningCommand();
        return true;
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A close posted from another thread 200 ms into a child's silence: how long until the window
// handles it, and until the call returns with the child's group ended.
void CloseHandling()
{
    const std::string line = std::string(BENCH_CHILD) + " silent 60000";
    const WindowHook hook;
    std::vector<double> handled;
    std::vector<double> returned;
    int stopped = 0;
    for (int i = 0; i < kCloses; ++i) {
        CloseReceiver receiver;
        Clock::time_point postedAt{};
        std::thread closer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            postedAt = Clock::now();
            QCoreApplication::postEvent(&receiver, new QCloseEvent);
        });
        const MGetCmdOutput::CmdOutput out = MGetCmdOutput::RunCmd(line, false, true, false);
        const Clock::time_point returnedAt = Clock::now();
        closer.join();
        stopped += out.status == MGetCmdOutput::RunStatus::Stopped;
        handled.push_back(Ms(receiver.handledAt - postedAt));
        returned.push_back(Ms(returnedAt - postedAt));
    }
    std::printf("%d closes while a child is silent, window hook installed (%d of them stopped the call)\n",
                kCloses, stopped);
    std::printf("  close handled after        %7.2f ms median, %.2f ms longest  (aim < 50)\n",
                Median(handled), *std::max_element(handled.begin(), handled.end()));
    std::printf("  call returned after        %7.2f ms median, %.2f ms longest  (aim < 400)\n",
                Median(returned), *std::max_element(returned.begin(), returned.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    // The window is never shown: without a platform named, the offscreen one serves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Throughput();
    PerCallOverhead();
    Responsiveness();
    CloseHandling();
    return 0;
}
