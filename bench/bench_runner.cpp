// Measures the command runner against a plain POSIX read loop, QProcess and a bare
// posix_spawn, and how responsive the window stays while a child is silent. Prints figures;
// it is not a test and asserts nothing.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "runner/MGetCmdOutput.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr long long kStreamBytes = 100LL * 1024 * 1024;
constexpr int kCalls = 1000;

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

void Throughput()
{
    const std::string count = std::to_string(kStreamBytes);
    const std::string line = std::string(BENCH_CHILD) + " stream " + count;
    std::size_t sizes[4] = {};
    const double runner =
        BestOf3([&] { sizes[0] = MGetCmdOutput::GetCmdOutput(line, false, true, false).size(); });
    const double plain = BestOf3([&] { sizes[1] = PlainRun({BENCH_CHILD, "stream", count}).size(); });
    const double qprocess = BestOf3([&] {
        QProcess process;
        process.start(BENCH_CHILD, {"stream", QString::fromStdString(count)});
        process.waitForFinished(-1);
        sizes[2] = static_cast<std::size_t>(process.readAllStandardError().size());
    });
    MGetCmdOutput::SetEventHook([](std::intptr_t, int) { QCoreApplication::processEvents(); });
    const double hooked =
        BestOf3([&] { sizes[3] = MGetCmdOutput::GetCmdOutput(line, false, true, false).size(); });
    MGetCmdOutput::SetEventHook(nullptr);

    const double mb = static_cast<double>(kStreamBytes) / (1024.0 * 1024.0);
    std::printf("Reading %.0f MB (bytes read: %zu %zu %zu %zu)\n", mb, sizes[0], sizes[1], sizes[2],
                sizes[3]);
    std::printf("  GetCmdOutput, no hook      %7.3f s  %7.0f MB/s\n", runner, mb / runner);
    std::printf("  GetCmdOutput, Qt hook      %7.3f s  %7.0f MB/s\n", hooked, mb / hooked);
    std::printf("  plain 1024-byte read loop  %7.3f s  %7.0f MB/s\n", plain, mb / plain);
    std::printf("  QProcess                   %7.3f s  %7.0f MB/s\n", qprocess, mb / qprocess);
    std::printf("  ratio runner / plain loop  %7.2f   (aim <= 1.5)\n", runner / plain);
    std::printf("  ratio runner / QProcess    %7.2f   (aim <= 1.0)\n", runner / qprocess);
    std::printf("  ratio hooked / plain loop  %7.2f\n", hooked / plain);
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
    explicit TimedEvent(long long at) : QEvent(QEvent::User), postedAt(at) {}
    long long postedAt;
};

class DelayReceiver : public QObject {
public:
    double longestDelayMs = 0;
    double totalDelayMs = 0;
    int delivered = 0;

    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User) return QObject::event(e);
        const auto now = Clock::now().time_since_epoch().count();
        const double delay = static_cast<double>(now - static_cast<TimedEvent*>(e)->postedAt) / 1e6;
        longestDelayMs = std::max(longestDelayMs, delay);
        totalDelayMs += delay;
        ++delivered;
        return true;
    }
};

void Responsiveness()
{
    DelayReceiver receiver;
    std::vector<Clock::time_point> calls;
    calls.reserve(4096);
    MGetCmdOutput::SetEventHook([&](std::intptr_t readEnd, int maxWaitMs) {
        calls.push_back(Clock::now());
        if (maxWaitMs == 0) {
            QCoreApplication::processEvents();
            return;
        }
        QEventLoop loop;
        QSocketNotifier notifier(static_cast<qintptr>(readEnd), QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QTimer::singleShot(maxWaitMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    });

    // Window events arrive from another thread every 7 ms, as a timer of the system would post them.
    std::atomic<bool> done{false};
    std::thread poster([&] {
        auto next = Clock::now();
        while (!done) {
            next += std::chrono::milliseconds(7);
            std::this_thread::sleep_until(next);
            QCoreApplication::postEvent(&receiver, new TimedEvent(Clock::now().time_since_epoch().count()));
        }
    });
    const auto start = Clock::now();
    const std::string text =
        MGetCmdOutput::GetCmdOutput(std::string(BENCH_CHILD) + " silent 2000", false, true, false);
    const double elapsed = Ms(Clock::now() - start);
    done = true;
    poster.join();
    QCoreApplication::processEvents();
    MGetCmdOutput::SetEventHook(nullptr);

    double longestGap = 0;
    for (std::size_t i = 1; i < calls.size(); ++i)
        longestGap = std::max(longestGap, Ms(calls[i] - calls[i - 1]));
    std::printf("A child silent for 2 s (call took %.0f ms, output %s)\n", elapsed,
                text == "start\nend\n" ? "complete" : "WRONG");
    std::printf("  event-hook calls           %7zu\n", calls.size());
    std::printf("  longest gap between calls  %7.2f ms  (aim < 25)\n", longestGap);
    std::printf("  posted events delivered    %7d\n", receiver.delivered);
    std::printf("  longest event delay        %7.2f ms  (aim < 25)\n", receiver.longestDelayMs);
    std::printf("  mean event delay           %7.2f ms\n",
                receiver.delivered ? receiver.totalDelayMs / receiver.delivered : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Throughput();
    PerCallOverhead();
    Responsiveness();
    return 0;
}
