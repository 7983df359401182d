// Burn.exe on Linux: the bridge from the wizard to the recording tool that the system ships,
// cdrdao. It takes the wizard's three command lines and answers them the way the wizard reads
// answers, on standard error:
//  - scanbus: a heading, then one line per CD or DVD unit the tool finds, starting with the
//    unit's five-character address;
//  - disk-info: "Cannot read driver" unless the tool could work the unit with that driver and
//    read the disc's state, so that only a driver that did is ever taken as working;
//  - simulate: the tool's simulated write on the unit, its messages passed through.
// The tool's own messages pass through on standard error (those of the bus scan, which are no
// units, on standard output).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/bridge/bridge.h"
#include "tools/bridge/scsi_units.h"
#include "tools/bridge/tool_process.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNoUnit = 3;
constexpr int kExitNoTool = 127;

void Say(std::FILE* stream, const std::string& line)
{
    std::fputs((line + '\n').c_str(), stream);
    std::fflush(stream);
}

// With TESSALINE_BURN_LOG set, one line per command line received and one per run of the tool,
// appended, as the stand-in tool logs: what the wizard asked and what was asked of cdrdao.
void Log(const std::string& line)
{
    const char* logPath = std::getenv("TESSALINE_BURN_LOG");
    if (logPath == nullptr || *logPath == '\0') return;
    std::ofstream log(logPath, std::ios::app | std::ios::binary);
    log << line << '\n';
}

std::string Joined(const std::string& first, const std::vector<std::string>& rest)
{
    std::string line = first;
    for (const std::string& word : rest) line += ' ' + word;
    return line;
}

int ScanBus(const std::string& tool, const bridge::Request& request)
{
    const std::vector<std::string> arguments = bridge::ToolArguments(request, "");
    Log("  runs: " + Joined(tool, arguments));
    bridge::ToolStreams streams;
    streams.passStandardError = false;
    const bridge::ToolOutcome outcome = bridge::RunTool(tool, arguments, streams);
    const bridge::ScanAnswer answer = bridge::TranslateScan(outcome.standardError, bridge::ReadScsiUnits());
    std::fputs(answer.otherLines.c_str(), stdout);
    std::fflush(stdout);
    std::fputs(answer.listing.c_str(), stderr);
    std::fflush(stderr);
    return outcome.exitStatus >= 0 ? outcome.exitStatus : 1;
}

int Probe(const std::string& tool, const bridge::Request& request, const std::string& node)
{
    const std::vector<std::string> arguments = bridge::ToolArguments(request, node);
    Log("  runs: " + Joined(tool, arguments));
    bridge::ToolStreams streams;
    streams.stopOnLine = bridge::IsNotReadyLine;
    const bridge::ToolOutcome outcome = bridge::RunTool(tool, arguments, streams);
    if (const auto refusal = bridge::ProbeRefusal(outcome)) {
        Say(stderr, bridge::RefusalLine(request.driver, *refusal));
        return 1;
    }
    return 0;
}

int Simulate(const std::string& tool, const bridge::Request& request, const std::string& node)
{
    const std::vector<std::string> arguments = bridge::ToolArguments(request, node);
    Log("  runs: " + Joined(tool, arguments));
    const bridge::ToolOutcome outcome = bridge::RunTool(tool, arguments, bridge::ToolStreams{});
    if (!outcome.started) {
        Say(stderr, "Burn: " + tool + " could not be started");
        return kExitNoTool;
    }
    if (outcome.signal != 0) {
        Say(stderr, "Burn: cdrdao was ended by signal " + std::to_string(outcome.signal));
        return 1;
    }
    return outcome.exitStatus;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    Log(Joined(argc > 0 ? argv[0] : "Burn.exe", arguments));

    bridge::Request request;
    std::string error;
    if (!bridge::ParseRequest(arguments, request, error)) {
        Say(stderr, "Burn: " + error);
        Say(stderr,
            "usage: Burn.exe scanbus -v 0\n"
            "       Burn.exe disk-info --device <address> [--driver <name>] -v 0\n"
            "       Burn.exe simulate --device <address> [--driver <name>] -n --reload --eject test.cue");
        return kExitUsage;
    }
    const bool probe = request.command == bridge::Command::DiskInfo;

    const std::optional<std::string> tool = bridge::FindOnPath(bridge::kToolName);
    if (!tool) {
        Say(stderr, "Burn: the recording tool cdrdao was not found on PATH; install the package cdrdao");
        if (probe) Say(stderr, bridge::RefusalLine(request.driver, "cdrdao is not installed"));
        return kExitNoTool;
    }
    if (request.command == bridge::Command::ScanBus) return ScanBus(*tool, request);

    const std::string address = request.arguments[*request.deviceValue];
    const std::optional<std::string> node = bridge::NodeForAddress(bridge::ReadScsiUnits(), address);
    if (!node) {
        Say(stderr, "Burn: no CD or DVD unit has the address '" + address + "'");
        if (probe) Say(stderr, bridge::RefusalLine(request.driver, "no such unit"));
        return kExitNoUnit;
    }
    return probe ? Probe(*tool, request, *node) : Simulate(*tool, request, *node);
}
