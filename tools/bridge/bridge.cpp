#include "tools/bridge/bridge.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/text.h"

namespace bridge {
namespace {

namespace text = platform::text;

struct CommandName {
    Command command;
    const char* name;
};
constexpr CommandName kCommands[] = {
    {Command::ScanBus, "scanbus"},
    {Command::DiskInfo, "disk-info"},
    {Command::Simulate, "simulate"},
};

// Blanks trimmed at both ends and runs of blanks inside made one space.
std::string Tidy(std::string_view field)
{
    std::string tidy;
    for (char c : text::Trim(field, " \t\r\n")) {
        if (text::IsBlank(c, " \t\r\n")) {
            if (!tidy.empty() && tidy.back() != ' ') tidy += ' ';
        } else {
            tidy += c;
        }
    }
    return tidy;
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string joined;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += part;
    }
    return joined;
}

// The value of a field of the disk-info report ("Total Capacity       : 79:57:74 (359849
// blocks, ...)"); nothing when the report has no such line.
std::optional<std::string_view> ReportField(std::string_view report, std::string_view name)
{
    text::LineReader lines(report);
    std::string_view line;
    while (lines.Next(&line)) {
        if (line.rfind(name, 0) != 0) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        return text::Trim(line.substr(colon + 1));
    }
    return std::nullopt;
}

// The number of blocks in "79:57:74 (359849 blocks, 702/807 MB)"; 0 when there is none.
long BlocksOf(std::string_view capacity)
{
    const std::size_t open = capacity.find('(');
    if (open == std::string_view::npos) return 0;
    long blocks = 0;
    for (std::size_t i = open + 1; i < capacity.size() && capacity[i] >= '0' && capacity[i] <= '9'; ++i)
        blocks = blocks * 10 + (capacity[i] - '0');
    return blocks;
}

// True when the disk-info report shows what only the unit can tell about its disc: for a blank
// disc its capacity, for a written one its sessions. A driver that sent the unit nothing, or
// commands it refused, still prints "CD-R empty" with a value of its own (plextor and toshiba
// say "no" on every disc, teac-cdr55 "yes" with a capacity of 0 blocks), so that line alone
// proves nothing.
bool ReportsDiscState(std::string_view report)
{
    const std::optional<std::string_view> empty = ReportField(report, "CD-R empty");
    if (empty == "yes") {
        const std::optional<std::string_view> capacity = ReportField(report, "Total Capacity");
        return capacity && BlocksOf(*capacity) > 0;
    }
    if (empty == "no") {
        const std::optional<std::string_view> sessions = ReportField(report, "Sessions");
        return ReportField(report, "Appendable") && sessions && !sessions->empty() && *sessions != "0";
    }
    return false;
}

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle)
{
    return text::AsciiLowerCase(haystack).find(text::AsciiLowerCase(needle)) != std::string::npos;
}

}  // namespace

bool ParseRequest(const std::vector<std::string>& arguments, Request& request, std::string& error)
{
    request = Request{};
    if (arguments.empty()) {
        error = "no command";
        return false;
    }
    bool known = false;
    for (const CommandName& command : kCommands) {
        if (text::EqualsIgnoringAsciiCase(arguments.front(), command.name)) {
            request.command = command.command;
            known = true;
        }
    }
    if (!known) {
        error = "unknown command '" + arguments.front() + "'";
        return false;
    }
    request.arguments = arguments;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const bool device = arguments[i] == "--device";
        if (!device && arguments[i] != "--driver") continue;
        if (i + 1 >= arguments.size()) {
            error = arguments[i] + " needs a value";
            return false;
        }
        if (device)
            request.deviceValue = i + 1;
        else
            request.driver = arguments[i + 1];
        ++i;
    }
    if (request.command != Command::ScanBus && !request.deviceValue) {
        error = "--device is missing";
        return false;
    }
    return true;
}

std::vector<std::string> ToolArguments(const Request& request, const std::string& node)
{
    std::vector<std::string> arguments = request.arguments;
    for (const CommandName& command : kCommands)
        if (command.command == request.command) arguments.front() = command.name;
    if (request.deviceValue) arguments[*request.deviceValue] = node;
    return arguments;
}

std::optional<ScannedUnit> ParseScanLine(std::string_view line)
{
    line = text::TrimRight(line, " \t\r");
    const std::size_t colon = line.find(" : ");
    if (colon == std::string_view::npos || colon == 0 || line.front() != '/') return std::nullopt;
    ScannedUnit unit;
    unit.node = std::string(line.substr(0, colon));
    const std::string_view fields = line.substr(colon + 3);
    // The tool prints each field at the width the unit reports it, so a comma inside a name
    // cannot be taken for a separator; an answer of another shape is split at the commas.
    constexpr std::size_t kVendor = 8, kProduct = 16;
    if (fields.size() > kVendor + 2 + kProduct + 2 && fields.substr(kVendor, 2) == ", " &&
        fields.substr(kVendor + 2 + kProduct, 2) == ", ") {
        unit.description =
            Joined({Tidy(fields.substr(0, kVendor)), Tidy(fields.substr(kVendor + 2, kProduct)),
                    Tidy(fields.substr(kVendor + 2 + kProduct + 2))});
    } else {
        std::vector<std::string> parts;
        for (std::string_view part : text::Split(fields, ',')) parts.push_back(Tidy(part));
        unit.description = Joined(parts);
    }
    return unit;
}

ScanAnswer TranslateScan(std::string_view toolAnswer, const std::vector<ScsiUnit>& units)
{
    const std::vector<std::string> addresses = UnitAddresses(units);
    // Each line with its unit's place in address order; the tool lists them in the order of
    // the names of their sysfs folders, where "12:0:0:0" comes before "1:0:0:0".
    std::vector<std::pair<std::size_t, std::string>> lines;
    ScanAnswer answer;
    text::LineReader reader(toolAnswer);
    std::string_view line;
    while (reader.Next(&line)) {
        const std::optional<ScannedUnit> unit = ParseScanLine(line);
        if (!unit) {
            if (!text::Trim(line, " \t\r").empty()) answer.otherLines.append(line).append("\n");
            continue;
        }
        std::size_t place = units.size();
        for (std::size_t i = 0; i < units.size(); ++i)
            if (units[i].node == unit->node) place = i;
        // A unit that left sysfs between the tool's look and ours is listed by its device name, last.
        std::string address = place < units.size()
                                  ? addresses[place]
                                  : unit->node.substr(unit->node.rfind('/') + 1).substr(0, kAddressWidth);
        address.resize(kAddressWidth, ' ');
        lines.emplace_back(place, address + "  " + unit->description + '\n');
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    answer.listing = std::string(kScanHeading) + '\n';
    for (const auto& [place, text] : lines) answer.listing += text;
    return answer;
}

bool IsNotReadyLine(std::string_view line) { return ContainsIgnoringCase(line, "Unit not ready"); }

std::optional<std::string> ProbeRefusal(const ToolOutcome& outcome)
{
    if (!outcome.started) return "cdrdao could not be started";
    if (outcome.stopped) return "the unit is not ready (is there a disc in it?)";
    if (outcome.signal != 0) return "cdrdao was ended by signal " + std::to_string(outcome.signal);
    // cdrdao falls back to reading alone when the unit is in use by another program or the user
    // may not write to it; a simulated write, like a real one, then cannot be made.
    if (ContainsIgnoringCase(outcome.standardError, "Only read commands are supported"))
        return "cdrdao could open the unit for reading only (another program uses it, or you may not write "
               "to it)";
    if (outcome.exitStatus != 0)
        return "cdrdao could not work the unit with it (exit status " + std::to_string(outcome.exitStatus) +
               ")";
    if (!ReportsDiscState(outcome.standardOutput)) return "cdrdao could not read the disc's state with it";
    return std::nullopt;
}

std::string RefusalLine(std::string_view driver, std::string_view reason)
{
    std::string line = kRefusalPhrase;
    line += ' ';
    line += driver.empty() ? std::string_view("(default)") : driver;
    line += ": ";
    line += reason;
    return line;
}

}  // namespace bridge
