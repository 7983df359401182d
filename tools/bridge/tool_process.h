// Runs the system's recording tool for the bridge. The tool stays in the bridge's own process
// group and is killed when the bridge dies, so that whoever ends the bridge (the wizard ends the
// group of the tool it started) ends the tool with it; and the bridge sees its two streams apart.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/bridge/bridge.h"

namespace bridge {

// The first executable file called name in the folders of PATH; nothing when there is none.
std::optional<std::string> FindOnPath(const std::string& name);

struct ToolStreams {
    bool passStandardError = true;   // copy the tool's standard error to ours as it comes
    bool passStandardOutput = true;  // the same for standard output
    // Called for every line of the tool's standard error; true ends the tool at once.
    std::function<bool(std::string_view line)> stopOnLine;
};

// Runs program (a path) with arguments, standard input from the null device, and waits for it
// to end. Both streams are kept in the outcome.
ToolOutcome RunTool(const std::string& program, const std::vector<std::string>& arguments,
                    const ToolStreams& streams);

}  // namespace bridge
