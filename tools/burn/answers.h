// The stand-in recording tool's command line and its answers. An answer is worked out as a
// list of steps (text to a stream, a pause) so that it can be checked without running the
// tool; main carries the steps out.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/burn/cue_sheet.h"
#include "tools/burn/scenario.h"

namespace burn {

enum class Command { ScanBus, DiskInfo, Simulate };

struct Invocation {
    Command command = Command::ScanBus;
    std::optional<std::string> device;
    std::optional<std::string> driver;  // absent: the writer's default driver
    std::optional<std::string> verbosity;
    bool noPause = false;
    bool reload = false;
    bool eject = false;
    std::string cueSheet;
};

// Parses the arguments after the program name. On a bad command line returns false and sets
// error to the reason.
bool ParseArguments(const std::vector<std::string>& arguments, Invocation& invocation, std::string& error);

struct Step {
    enum class Kind { StandardError, StandardOutput, Pause };
    Kind kind;
    std::string text;
    int pauseMs = 0;
};

struct Answer {
    std::vector<Step> steps;
    int exitStatus = 0;
    bool crash = false;  // the tool dies as a crash does once the steps are done
};

// Exit statuses: 0 done, 1 the simulated device or disc failed, 2 bad command line, 3 the
// scenario file could not be used.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitScenario = 3;

// The answer to a bad command line: the reason and the usage text on standard error.
Answer UsageAnswer(const std::string& reason);

// Checks the cue sheet named on the command line, with every audio file it names.
using CueSheetCheck = std::function<CueSheetReport(const std::string& cueSheet)>;

Answer AnswerFor(const Invocation& invocation, const Scenario& scenario, const CueSheetCheck& checkCueSheet);

// Filler text of exactly size bytes, in lines, ending with a line feed when size > 0.
std::string FillerText(std::size_t size);

}  // namespace burn
