#include "tools/burn/scenario.h"

#include <algorithm>
#include <charconv>
#include <type_traits>

#include "platform/text.h"

namespace burn {
namespace {

// Blanks around the parts of a line; the carriage return of a CR LF line end among them.
std::string_view Trim(std::string_view text) { return platform::text::Trim(text, " \t\r"); }

// A value in double quotes keeps its blanks; the quotes themselves are dropped.
std::string Unquote(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool ParseYesNo(std::string_view value, bool& out)
{
    if (value == "yes") {
        out = true;
        return true;
    }
    if (value == "no") {
        out = false;
        return true;
    }
    return false;
}

template <typename Number>
bool ParseCount(std::string_view value, Number& out)
{
    Number parsed{};
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (error != std::errc() || end != value.data() + value.size()) return false;
    if constexpr (std::is_signed_v<Number>)
        if (parsed < 0) return false;
    out = parsed;
    return true;
}

std::vector<std::string> SplitDrivers(std::string_view value)
{
    std::vector<std::string> drivers;
    for (const std::string_view piece : platform::text::Split(value, ',')) {
        const std::string_view item = Trim(piece);
        if (!item.empty()) drivers.emplace_back(item);
    }
    return drivers;
}

// Keys shared by the scan and the writers' subcommands; prefix is "" or "disk-info." etc.
bool SetBehaviour(std::string_view key, std::string_view prefix, std::string_view value, Behaviour& behaviour,
                  bool& known)
{
    known = false;
    if (key.substr(0, prefix.size()) != prefix) return true;
    key.remove_prefix(prefix.size());
    if (key == "delay-ms") {
        known = true;
        return ParseCount(value, behaviour.delayMs);
    }
    if (key == "extra-bytes") {
        known = true;
        return ParseCount(value, behaviour.extraBytes);
    }
    if (key == "stdout") {
        known = true;
        behaviour.standardOutput = Unquote(value);
        return true;
    }
    if (key == "crash") {
        known = true;
        return ParseYesNo(value, behaviour.crash);
    }
    return true;
}

}  // namespace

bool Writer::Accepts(std::string_view driver) const
{
    return std::find(drivers.begin(), drivers.end(), driver) != drivers.end();
}

const Writer* Scenario::FindWriter(std::string_view address) const
{
    for (const Writer& writer : writers)
        if (writer.address == address) return &writer;
    return nullptr;
}

const std::vector<std::string>& SimulationPhrases()
{
    static const std::vector<std::string> phrases = {
        "finished successfully", "Cannot open toc file",  "I/O error",
        "not appendable",        "ERROR: Unit not ready", "Simulation failed",
    };
    return phrases;
}

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error)
{
    enum class Section { None, Scan, Writer };
    Section section = Section::None;
    Scenario parsed;
    int lineNumber = 0;
    auto fail = [&](const std::string& message) {
        error = "line " + std::to_string(lineNumber) + ": " + message;
        return false;
    };
    auto finishWriter = [&]() {
        if (section != Section::Writer) return true;
        const Writer& writer = parsed.writers.back();
        if (writer.address.empty()) return fail("a [writer] section needs an address");
        for (std::size_t i = 0; i + 1 < parsed.writers.size(); ++i)
            if (parsed.writers[i].address == writer.address)
                return fail("the address " + writer.address + " is given twice");
        return true;
    };

    std::vector<std::string_view> lines = platform::text::Split(text, '\n');
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();  // the last line's line feed
    for (const std::string_view rawLine : lines) {
        ++lineNumber;
        const std::string_view line = Trim(rawLine);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;

        if (line.front() == '[') {
            if (!finishWriter()) return false;
            if (line == "[scan]") {
                section = Section::Scan;
            } else if (line == "[writer]") {
                section = Section::Writer;
                parsed.writers.emplace_back();
            } else {
                return fail("unknown section " + std::string(line));
            }
            continue;
        }

        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return fail("expected key = value");
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        const std::string badValue = "bad value for " + std::string(key);
        bool known = false;

        if (section == Section::Scan) {
            ScanOptions& scan = parsed.scan;
            if (key == "adapters") {
                if (!ParseYesNo(value, scan.adapters)) return fail(badValue);
            } else if (key == "heading") {
                scan.heading = Unquote(value);
            } else if (key == "line-end") {
                if (value != "lf" && value != "crlf") return fail(badValue);
                scan.crlf = value == "crlf";
            } else if (key == "final-line-feed") {
                if (!ParseYesNo(value, scan.finalLineFeed)) return fail(badValue);
            } else if (key == "extra-line") {
                scan.extraLines.push_back(Unquote(value));
            } else {
                if (!SetBehaviour(key, "", value, scan.behaviour, known)) return fail(badValue);
                if (!known) return fail("unknown key " + std::string(key));
            }
        } else if (section == Section::Writer) {
            Writer& writer = parsed.writers.back();
            if (key == "address") {
                if (value.empty() || value.find_first_of(" \t") != std::string_view::npos)
                    return fail(badValue);
                writer.address = std::string(value);
            } else if (key == "description") {
                writer.description = Unquote(value);
            } else if (key == "drivers") {
                writer.drivers = SplitDrivers(value);
            } else if (key == "simulate") {
                const auto& phrases = SimulationPhrases();
                if (value == "none")
                    writer.simulateOutcome.clear();
                else if (std::find(phrases.begin(), phrases.end(), value) != phrases.end())
                    writer.simulateOutcome = std::string(value);
                else
                    return fail(badValue);
            } else {
                if (!SetBehaviour(key, "disk-info.", value, writer.diskInfo, known)) return fail(badValue);
                if (!known && !SetBehaviour(key, "simulate.", value, writer.simulate, known))
                    return fail(badValue);
                if (!known) return fail("unknown key " + std::string(key));
            }
        } else {
            return fail("key outside a section");
        }
    }
    if (!finishWriter()) return false;
    scenario = std::move(parsed);
    return true;
}

}  // namespace burn
