// The driver test's own logic, kept free of the window toolkit so that it can be tested and
// fuzzed alone: the bus-scan lines, the writer line's parts, the tool's command lines, the
// reading of the tool's answers and the texts of each result code. Text is UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace DriverProbe {

// The candidate drivers, in probing order. Position 0 is the tool's default driver: it is never
// passed to the tool.
inline constexpr std::array<const char*, 13> kDriverTable = {
    "(default)",   "generic-mmc", "generic-mmc-raw", "cdd2600",    "plextor", "plextor-scan", "ricoh-mp6200",
    "sony-cdu920", "sony-cdu948", "taiyo-yuden",     "teac-cdr55", "toshiba", "yamaha-cdr10x"};

inline constexpr const char* kNoAdapterPhrase = "Could not find any host adapters";
inline constexpr const char* kRefusalPhrase = "Cannot read driver";
inline constexpr std::int32_t kProgressMaximum = 130;
// The bus scan's time limit: a real tool's scan takes seconds; one that hangs (a writer that does
// not answer) is ended with its children after this, and the wizard goes on with what it printed.
inline constexpr int kScanTimeLimitMs = 30000;
// The text told when the working driver's position could not be stored, and its English default.
inline constexpr const char* kNotSavedKey = "2111";
inline constexpr const char* kNotSavedDefault = "The driver setting could not be saved.";
inline constexpr double kProgressFullTwips = 3420.0;

// The writer lines of the bus scan's answer: split at every line feed, the first and the last
// piece dropped, nothing trimmed.
std::vector<std::string> SplitScanOutput(std::string_view scanOutput);

// True for an empty choice or the no-adapter line (spaces around it and letter case ignored).
bool IsRefusedWriterChoice(std::string_view writerLine);

// The first five characters of a writer line (all of it when shorter).
std::string DeviceAddressOf(std::string_view writerLine);
// The text from the eighth character on; empty for a line of seven characters or fewer.
std::string WriterDescriptionOf(std::string_view writerLine);

// The tool's path as it starts every command line: in double quotes, so that a folder with
// blanks cannot make the system start another program.
std::string QuotedTool(const std::string& appDirectory, char separator, std::string_view toolName);

// The bus scan that lists the writers.
std::string ScanBusCommandLine(const std::string& appDirectory, char separator);

// Probe number i (from 1): the first runs without a driver option, the others pass entry i - 1.
std::string ProbeCommandLine(const std::string& appDirectory, char separator, int probe,
                             std::string_view deviceAddress, std::string_view driver);
// The simulated write after the probes stopped at number probe: without a driver option when
// that was the first probe, otherwise with driver, the entry that SimulationEntry names.
std::string SimulateCommandLine(const std::string& appDirectory, char separator, int probe,
                                std::string_view deviceAddress, std::string_view driver);
// The position in a table of tableSize drivers whose name the simulated write passes when the
// probes stopped at number probe: probe - 1, kept inside the table (-1 for an empty table).
int SimulationEntry(int probe, int tableSize);

// Letter-case-insensitive search for an ASCII phrase.
bool ContainsPhrase(std::string_view text, std::string_view phrase);
bool IsDriverRefused(std::string_view probeAnswer);

// The result code 1..7 of the simulated write's answer: the first phrase of the result table
// that the answer holds, 1 when none.
std::int16_t ClassifySimulation(std::string_view simulateAnswer);

// The language keys of a result code: the footer and the result message, each one or two keys
// (two keys are joined with one line feed). When the working driver could not be stored
// (settingSaved false), the success message, which says it was saved, gives way to kNotSavedKey.
struct ResultKeys {
    std::vector<std::string> footer;
    std::vector<std::string> message;
};
ResultKeys ResultKeysOf(std::int16_t resultCode, bool settingSaved = true);

// The progress bar's width in twips for value of maximum; nothing when it cannot be computed
// (a maximum of 0, a negative or non-finite width), so the bar keeps its width.
std::optional<float> ProgressWidthTwips(std::int32_t maximum, double value);

}  // namespace DriverProbe
