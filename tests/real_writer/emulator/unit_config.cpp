#include "unit_config.h"

#include <cstdio>
#include <set>
#include <sstream>

namespace writer_emulator {

namespace {

struct NamedDisc {
    Disc value;
    const char* name;
};
constexpr NamedDisc kDiscs[] = {{Disc::BlankCdR, "blank-cd-r"},
                                {Disc::BlankCdRw, "blank-cd-rw"},
                                {Disc::Closed, "closed"},
                                {Disc::None, "none"}};

struct NamedAccess {
    Access value;
    const char* name;
};
constexpr NamedAccess kAccesses[] = {
    {Access::Open, "open"}, {Access::Busy, "busy"}, {Access::Denied, "denied"}};

struct NamedCommandSet {
    CommandSet value;
    const char* name;
};
constexpr NamedCommandSet kCommandSets[] = {{CommandSet::Mmc, "mmc"},
                                            {CommandSet::PhilipsCdd, "philips-cdd"}};

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

template <class Table, class Value>
bool Lookup(const Table& table, const std::string& name, Value* value)
{
    for (const auto& entry : table) {
        if (name == entry.name) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

bool ParseAddress(const std::string& text, UnitConfig* unit)
{
    int fields[4] = {};
    char end = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d:%d%c", &fields[0], &fields[1], &fields[2], &fields[3], &end) != 4)
        return false;
    for (const int field : fields)
        if (field < 0 || field > 255) return false;
    unit->host = fields[0];
    unit->channel = fields[1];
    unit->target = fields[2];
    unit->lun = fields[3];
    return true;
}

std::string AddressOf(const UnitConfig& unit)
{
    return std::to_string(unit.host) + ":" + std::to_string(unit.channel) + ":" +
           std::to_string(unit.target) + ":" + std::to_string(unit.lun);
}

// Applies "key = value" to the unit; the reason in *why when the key or the value is wrong.
bool ApplyField(const std::string& key, const std::string& value, UnitConfig* unit, std::string* why)
{
    if (key == "node") {
        if (value.empty() || value[0] != '/') {
            *why = "node must be an absolute path";
            return false;
        }
        unit->node = value;
    } else if (key == "address") {
        if (!ParseAddress(value, unit)) {
            *why = "address must be host:channel:target:lun";
            return false;
        }
    } else if (key == "vendor" || key == "product" || key == "revision") {
        const std::size_t limit = key == "vendor" ? 8 : key == "product" ? 16 : 4;
        if (value.size() > limit) {
            *why = key + " longer than " + std::to_string(limit) + " characters";
            return false;
        }
        (key == "vendor" ? unit->vendor : key == "product" ? unit->product : unit->revision) = value;
    } else if (key == "disc") {
        if (!Lookup(kDiscs, value, &unit->disc)) {
            *why = "unknown disc " + value;
            return false;
        }
    } else if (key == "access") {
        if (!Lookup(kAccesses, value, &unit->access)) {
            *why = "unknown access " + value;
            return false;
        }
    } else if (key == "commands") {
        if (!Lookup(kCommandSets, value, &unit->commands)) {
            *why = "unknown command set " + value;
            return false;
        }
    } else {
        *why = "unknown key " + key;
        return false;
    }
    return true;
}

}  // namespace

const char* DiscName(Disc disc)
{
    for (const auto& entry : kDiscs)
        if (entry.value == disc) return entry.name;
    return "?";
}

const char* AccessName(Access access)
{
    for (const auto& entry : kAccesses)
        if (entry.value == access) return entry.name;
    return "?";
}

const char* CommandSetName(CommandSet commands)
{
    for (const auto& entry : kCommandSets)
        if (entry.value == commands) return entry.name;
    return "?";
}

std::string FormatUnits(const std::vector<UnitConfig>& units)
{
    std::ostringstream text;
    text << "# Units of the emulated CD writer, one section each.\n";
    for (const auto& unit : units) {
        text << "\n[unit]\n"
             << "node = " << unit.node << "\n"
             << "address = " << AddressOf(unit) << "\n"
             << "vendor = " << unit.vendor << "\n"
             << "product = " << unit.product << "\n"
             << "revision = " << unit.revision << "\n"
             << "disc = " << DiscName(unit.disc) << "\n"
             << "access = " << AccessName(unit.access) << "\n"
             << "commands = " << CommandSetName(unit.commands) << "\n";
    }
    return text.str();
}

bool ParseUnits(const std::string& text, std::vector<UnitConfig>* units, std::string* why)
{
    units->clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    const auto fail = [&](const std::string& what) {
        *why = "line " + std::to_string(number) + ": " + what;
        units->clear();
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        line = Trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        if (line == "[unit]") {
            units->emplace_back();
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) return fail("expected key = value");
        if (units->empty()) return fail("a field before the first [unit]");
        std::string problem;
        if (!ApplyField(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)), &units->back(),
                        &problem))
            return fail(problem);
    }
    std::set<std::string> nodes;
    std::set<std::string> addresses;
    for (const auto& unit : *units) {
        const bool newNode = nodes.insert(unit.node).second;
        if (!newNode || !addresses.insert(AddressOf(unit)).second) {
            *why = newNode ? "two units at " + AddressOf(unit) : "two units on " + unit.node;
            units->clear();
            return false;
        }
    }
    return true;
}

}  // namespace writer_emulator
