#include "tools/bridge/bridge.h"

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

// "CD-R empty           : yes" in the disk-info report: the tool could tell from the disc
// whether anything is written on it.
bool ReportsDiscState(std::string_view report)
{
    text::LineReader lines(report);
    std::string_view line;
    while (lines.Next(&line)) {
        if (line.rfind("CD-R empty", 0) != 0) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return false;
        const std::string_view value = text::Trim(line.substr(colon + 1));
        return value == "yes" || value == "no";
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
    ScanAnswer answer;
    answer.listing = std::string(kScanHeading) + '\n';
    text::LineReader lines(toolAnswer);
    std::string_view line;
    while (lines.Next(&line)) {
        const std::optional<ScannedUnit> unit = ParseScanLine(line);
        if (!unit) {
            if (!text::Trim(line, " \t\r").empty()) answer.otherLines.append(line).append("\n");
            continue;
        }
        std::string address;
        for (std::size_t i = 0; i < units.size(); ++i)
            if (units[i].node == unit->node) address = addresses[i];
        // A unit that left sysfs between the tool's look and ours is listed by its device name.
        if (address.empty()) {
            const std::size_t slash = unit->node.rfind('/');
            address = unit->node.substr(slash + 1).substr(0, kAddressWidth);
        }
        address.resize(kAddressWidth, ' ');
        answer.listing += address + "  " + unit->description + '\n';
    }
    return answer;
}

bool IsNotReadyLine(std::string_view line) { return ContainsIgnoringCase(line, "Unit not ready"); }

std::optional<std::string> ProbeRefusal(const ToolOutcome& outcome)
{
    if (!outcome.started) return "cdrdao could not be started";
    if (outcome.stopped) return "the unit is not ready (is there a disc in it?)";
    if (outcome.signal != 0) return "cdrdao was ended by signal " + std::to_string(outcome.signal);
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
