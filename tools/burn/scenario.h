// What the stand-in recording tool pretends to find on the bus: the writers, what each one
// answers, and the shape of the bus scan's output. Read from a plain-text scenario file whose
// format is described in docs/burn-standin.md.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace burn {

// The name that stands for "no --driver option" in a writer's list of accepted drivers.
inline constexpr std::string_view kDefaultDriver = "(default)";

// Extra behaviour of one subcommand: a pause before the answer, filler text of an exact size
// on standard error, a line on standard output (empty: none), and a crash after the pause and
// the filler instead of the answer.
struct Behaviour {
    int delayMs = 0;
    std::size_t extraBytes = 0;
    std::string standardOutput;
    bool crash = false;
};

struct Writer {
    std::string address;  // what --device takes, e.g. "1,0,0"
    std::string description;
    std::vector<std::string> drivers;
    std::string simulateOutcome;  // one of the simulation phrases, or empty for none
    Behaviour diskInfo;
    Behaviour simulate;

    bool Accepts(std::string_view driver) const;
};

struct ScanOptions {
    bool adapters = true;  // false: no host adapter is found at all
    std::string heading = "Burn 1.0 (Tessaline stand-in recording tool): scanning the bus";
    bool crlf = false;
    bool finalLineFeed = true;
    std::vector<std::string> extraLines;  // printed after the writer lines, as given
    Behaviour behaviour;
};

struct Scenario {
    ScanOptions scan;
    std::vector<Writer> writers;

    const Writer* FindWriter(std::string_view address) const;
};

// The outcomes a writer's simulation can report.
const std::vector<std::string>& SimulationPhrases();

// Parses a scenario file's text. On failure returns false and sets error to a message that
// names the line.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);

}  // namespace burn
