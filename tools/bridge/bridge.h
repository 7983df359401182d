// The bridge between the wizard and the recording tool that the system ships (cdrdao): what the
// wizard asks (its three command lines), what the bridge asks the tool in turn, and what the
// tool's answers mean in the wizard's terms. Pure functions over text, so that they are checked
// without a tool; main runs the tool.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/bridge/scsi_units.h"

namespace bridge {

inline constexpr const char* kToolName = "cdrdao";

enum class Command { ScanBus, DiskInfo, Simulate };

// One of the wizard's command lines, after the program's name.
struct Request {
    Command command = Command::ScanBus;
    std::vector<std::string> arguments;      // as received, the command first
    std::optional<std::size_t> deviceValue;  // position in arguments of the value after --device
    std::string driver;                      // after --driver; empty: the tool's own choice
};

// The command is recognised in any letter case ("disk-info", "Disk-info"); disk-info and
// simulate need --device with a value. On a bad command line returns false with the reason.
bool ParseRequest(const std::vector<std::string>& arguments, Request& request, std::string& error);

// The tool's arguments for a request: the command in the tool's spelling, the device replaced
// by its node, everything else as the wizard gave it.
std::vector<std::string> ToolArguments(const Request& request, const std::string& node);

// ---- The bus scan

// One unit of the tool's bus scan: "/dev/sr0 : HL-DT-ST, DVDRAM GH24NSD1 , LG00", the vendor,
// product and revision padded to 8, 16 and 4 characters as the unit reports them.
struct ScannedUnit {
    std::string node;
    std::string description;  // vendor, product and revision, blanks trimmed, one space between
};
std::optional<ScannedUnit> ParseScanLine(std::string_view line);

inline constexpr const char* kScanHeading = "Burn: the CD and DVD units that cdrdao found";

// The wizard's list: the heading, then for every unit the tool found, in the order of their
// addresses, a line of its address padded to five characters, two blanks and its description,
// each ending with a line feed. Lines of the tool's answer that are not units are left for standard output.
struct ScanAnswer {
    std::string listing;
    std::string otherLines;
};
ScanAnswer TranslateScan(std::string_view toolAnswer, const std::vector<ScsiUnit>& units);

// ---- The probe

inline constexpr const char* kRefusalPhrase = "Cannot read driver";

// How one run of the tool ended.
struct ToolOutcome {
    bool started = false;
    bool stopped = false;  // ended by the bridge on a line of its standard error
    int exitStatus = -1;   // when it exited
    int signal = 0;        // when a signal ended it
    std::string standardOutput;
    std::string standardError;
};

// True for a line of the tool's standard error saying the unit is not ready. The tool says so
// and then tries again for half a minute; a probe does not wait for that.
bool IsNotReadyLine(std::string_view line);

// Why the tool could not work the unit with the driver of a disk-info run; nothing when it
// could: it opened the unit for writing, ran to the end, succeeded and reported what only the
// unit can tell about the disc (a blank disc's capacity, a written disc's sessions).
std::optional<std::string> ProbeRefusal(const ToolOutcome& outcome);

// The line the wizard reads as a refusal: "Cannot read driver <name>: <reason>".
std::string RefusalLine(std::string_view driver, std::string_view reason);

}  // namespace bridge
