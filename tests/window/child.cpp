// The parts of the window tests' support that need no runtime of their own: the child
// scenarios, the record of a child's message boxes, and running the window events.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>

#include "app_folder.h"
#include "driver.h"
#include "process_support.h"
#include "test_policy.h"

namespace window_test {
namespace {

std::map<std::string, ChildScenario>& Scenarios()
{
    static std::map<std::string, ChildScenario> scenarios;
    return scenarios;
}

}  // namespace

void RecordMessageBoxesTo(const std::string& path)
{
    ui::SetMessageBoxObserver([path](const std::string& text, platform::MessageIcon icon) {
        std::ofstream file(PathOf(path), std::ios::binary | std::ios::app);
        file << static_cast<int>(icon) << '|' << text << '\n';
        return true;
    });
}

void RegisterChildScenario(const std::string& name, ChildScenario scenario)
{
    Scenarios()[name] = std::move(scenario);
}

int RunChildScenario(const std::string& name, const std::vector<std::string>& arguments)
{
    const auto found = Scenarios().find(name);
    if (found == Scenarios().end()) return 98;
    return found->second(arguments);
}

bool RunEventsUntil(const std::function<bool()>& done)
{
    static const Pipe silent;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(test_policy::kFaultTimeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ui::RunWindowEvents(silent.ReadEnd(), 10);
    }
    return true;
}

void RunEventsFor(int milliseconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    RunEventsUntil([&] { return std::chrono::steady_clock::now() >= until; });
}

int Pixels(ui::Form& form, double twips) { return static_cast<int>(std::lround(twips * Dpi(form) / 1440.0)); }

}  // namespace window_test
