// How the tests wait and skip. A test asserts behaviour, never the machine's speed: something
// that only a fault can keep from happening is waited for up to kFaultTimeoutMs, far longer than
// any delay a slow or busy machine causes, and the figures of speed are left to bench/. A test
// that cannot run on this machine is skipped, except where every check must run (CI=true): there
// it fails, so that a check that did not run never passes. Where the time taken is what a test
// checks (a cost in proportion to the input), it counts processor time, not time on the clock.
#pragma once

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace test_policy {

inline constexpr int kFaultTimeoutMs = 20000;

// Checks condition every few milliseconds until it holds; false when it still does not after
// kFaultTimeoutMs.
template <class Condition>
bool Eventually(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFaultTimeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The processor time this process has used so far, in seconds: it grows with the work done, not
// with the time spent waiting for a processor on a busy machine.
#ifdef _WIN32
double ProcessorSeconds();  // test_policy_win.cpp
#else
inline double ProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
#endif

inline bool EveryCheckMustRun()
{
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace test_policy

// In a GoogleTest body: skips the test with the reason why, or fails it under CI=true.
#define SKIP_OR_FAIL_UNDER_CI(why)                                                                           \
    do {                                                                                                     \
        if (test_policy::EveryCheckMustRun())                                                                \
            GTEST_FAIL() << (why) << " (CI=true: every check must run)";                                     \
        else                                                                                                 \
            GTEST_SKIP() << (why);                                                                           \
    } while (false)
