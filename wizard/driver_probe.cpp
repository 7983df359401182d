#include "wizard/driver_probe.h"

#include <cmath>

#include "platform/text.h"

namespace DriverProbe {
namespace {

// The first n characters (code points) of a UTF-8 text, all of it when shorter.
std::string_view LeftCharacters(std::string_view text, std::size_t n)
{
    return text.substr(0, platform::text::Utf8PrefixBytes(text, n));
}

}  // namespace

std::vector<std::string> SplitScanOutput(std::string_view scanOutput)
{
    const std::vector<std::string_view> pieces = platform::text::Split(scanOutput, '\n');
    std::vector<std::string> lines;
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) lines.emplace_back(pieces[i]);
    return lines;
}

bool IsRefusedWriterChoice(std::string_view writerLine)
{
    return writerLine.empty() ||
           platform::text::EqualsIgnoringAsciiCase(platform::text::Trim(writerLine, " "), kNoAdapterPhrase);
}

std::string DeviceAddressOf(std::string_view writerLine)
{
    return std::string(LeftCharacters(writerLine, 5));
}

std::string WriterDescriptionOf(std::string_view writerLine)
{
    std::string_view head = LeftCharacters(writerLine, 7);
    return std::string(writerLine.substr(head.size()));
}

std::string QuotedTool(const std::string& appDirectory, char separator, std::string_view toolName)
{
    std::string quoted = "\"";
    quoted += appDirectory;
    quoted += separator;
    quoted += toolName;
    quoted += '"';
    return quoted;
}

std::string ScanBusCommandLine(const std::string& appDirectory, char separator)
{
    return QuotedTool(appDirectory, separator, "Burn.exe") + " scanbus -v 0";
}

std::string ProbeCommandLine(const std::string& appDirectory, char separator, int probe,
                             std::string_view deviceAddress, std::string_view driver)
{
    std::string line;
    if (probe == 1) {
        line = QuotedTool(appDirectory, separator, "Burn.exe") + " ";
        line += "disk-info --device ";
        line += deviceAddress;
        line += " -v 0";
    } else {
        line = QuotedTool(appDirectory, separator, "Burn") + " ";
        line += "Disk-info --device ";
        line += deviceAddress;
        line += " --driver ";
        line += driver;
        line += " -v 0";
    }
    return line;
}

std::string SimulateCommandLine(const std::string& appDirectory, char separator, int probe,
                                std::string_view deviceAddress, std::string_view driver)
{
    std::string line;
    if (probe == 1) {
        line = QuotedTool(appDirectory, separator, "Burn") + " ";
        line += "simulate --device ";
        line += deviceAddress;
        line += " -n --reload --eject ";
        line += "test.cue";
    } else {
        line = QuotedTool(appDirectory, separator, "burn") + " simulate --device ";
        line += deviceAddress;
        line += " --driver ";
        line += driver;
        line += " -n --reload ";
        line += "--eject test.cue";
    }
    return line;
}

// When every driver was refused, the probes stopped one past the table. The simulated write
// then names the last driver tried rather than none: with an empty name the tool would take
// the next option, "-n", for the driver.
int SimulationEntry(int probe, int tableSize)
{
    if (probe - 1 >= tableSize) return tableSize - 1;
    return probe > 1 ? probe - 1 : 0;
}

bool ContainsPhrase(std::string_view text, std::string_view phrase)
{
    if (phrase.empty()) return true;
    if (text.size() < phrase.size()) return false;
    const char first = platform::text::AsciiLower(phrase.front());
    for (std::size_t i = 0; i + phrase.size() <= text.size(); ++i) {
        if (platform::text::AsciiLower(text[i]) != first) continue;
        if (platform::text::EqualsIgnoringAsciiCase(text.substr(i, phrase.size()), phrase)) return true;
    }
    return false;
}

bool IsDriverRefused(std::string_view probeAnswer) { return ContainsPhrase(probeAnswer, kRefusalPhrase); }

std::int16_t ClassifySimulation(std::string_view simulateAnswer)
{
    struct Row {
        const char* phrase;
        std::int16_t code;
    };
    static constexpr Row kRows[] = {
        {"finished successfully", 2}, {"Cannot open toc file", 3},  {"I/O error", 4},
        {"not appendable", 5},        {"ERROR: Unit not ready", 6}, {"Simulation failed", 7},
    };
    for (const Row& row : kRows)
        if (ContainsPhrase(simulateAnswer, row.phrase)) return row.code;
    return 1;
}

ResultKeys ResultKeysOf(std::int16_t resultCode, bool settingSaved)
{
    switch (resultCode) {
    case 2: return {{"2102"}, {settingSaved ? "2110" : kNotSavedKey}};
    case 3: return {{"2103"}, {"2103"}};
    case 4: return {{"2104", "2105"}, {"2104", "2105"}};
    case 5: return {{"2106", "2105"}, {"2106", "2105"}};
    case 6: return {{"2107"}, {"2107"}};
    case 7: return {{"2108"}, {"2104"}};
    default: return {{"2109"}, {"2109"}};
    }
}

std::optional<float> ProgressWidthTwips(std::int32_t maximum, double value)
{
    if (maximum == 0) return std::nullopt;
    const double width = value * kProgressFullTwips / static_cast<double>(maximum);
    if (!std::isfinite(width) || width < 0.0 || width > 1.0e7) return std::nullopt;
    return static_cast<float>(width);
}

}  // namespace DriverProbe
