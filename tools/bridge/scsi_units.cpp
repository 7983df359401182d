#include "tools/bridge/scsi_units.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>

#include "platform/text.h"

namespace bridge {
namespace {

namespace fs = std::filesystem;
namespace text = platform::text;

constexpr int kTypeCdDvd = 5;

bool ParseNumber(std::string_view digits, int& value)
{
    if (digits.empty()) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= 0;
}

// "host:channel:target:lun", the name of a SCSI device's folder.
bool ParseHctl(std::string_view name, ScsiUnit& unit)
{
    const std::vector<std::string_view> parts = text::Split(name, ':');
    return parts.size() == 4 && ParseNumber(parts[0], unit.host) && ParseNumber(parts[1], unit.channel) &&
           ParseNumber(parts[2], unit.target) && ParseNumber(parts[3], unit.lun);
}

bool IsCdDvdUnit(const fs::path& folder)
{
    std::ifstream file(folder / "type");
    int type = -1;
    return static_cast<bool>(file >> type) && type == kTypeCdDvd;
}

// The unit's block device: the one entry of its block/ folder (older kernels: a link named
// block:<name>).
std::optional<std::string> BlockDeviceOf(const fs::path& folder)
{
    std::error_code error;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder / "block", error))
        names.push_back(entry.path().filename().string());
    if (names.empty()) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("block:", 0) == 0) names.push_back(name.substr(6));
        }
    }
    if (names.size() != 1 || names.front().empty()) return std::nullopt;
    return "/dev/" + names.front();
}

std::string NodeName(const std::string& node)
{
    const std::size_t slash = node.rfind('/');
    return slash == std::string::npos ? node : node.substr(slash + 1);
}

bool IsBlockDeviceName(std::string_view name)
{
    if (name.size() < 3 || name.substr(0, 2) != "sr") return false;
    return std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::vector<ScsiUnit> ReadScsiUnits(const std::string& root)
{
    std::vector<ScsiUnit> units;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
        ScsiUnit unit;
        // Hosts and targets have folders of their own here too; only devices are named H:C:T:L.
        if (!ParseHctl(entry.path().filename().string(), unit)) continue;
        if (!IsCdDvdUnit(entry.path())) continue;
        const std::optional<std::string> node = BlockDeviceOf(entry.path());
        if (!node) continue;
        unit.node = *node;
        units.push_back(std::move(unit));
    }
    std::sort(units.begin(), units.end(), [](const ScsiUnit& a, const ScsiUnit& b) {
        return std::tie(a.host, a.channel, a.target, a.lun) < std::tie(b.host, b.channel, b.target, b.lun);
    });
    return units;
}

std::vector<std::string> UnitAddresses(const std::vector<ScsiUnit>& units)
{
    std::vector<std::string> own;
    own.reserve(units.size());
    for (const ScsiUnit& unit : units)
        own.push_back(std::to_string(unit.host) + ',' + std::to_string(unit.target) + ',' +
                      std::to_string(unit.lun));
    std::vector<std::string> addresses;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const bool shared = std::count(own.begin(), own.end(), own[i]) > 1;
        if (own[i].size() <= kAddressWidth && !shared) {
            addresses.push_back(own[i]);
            continue;
        }
        std::string address = NodeName(units[i].node);
        if (address.size() > kAddressWidth) {
            address = "u";
            address += std::to_string(i);
        }
        addresses.push_back(std::move(address));
    }
    return addresses;
}

std::optional<std::string> NodeForAddress(const std::vector<ScsiUnit>& units, std::string_view address)
{
    const std::string_view wanted = text::Trim(address);
    if (wanted.empty()) return std::nullopt;
    const std::vector<std::string> addresses = UnitAddresses(units);
    for (std::size_t i = 0; i < units.size(); ++i)
        if (addresses[i] == wanted) return units[i].node;
    if (wanted.front() == '/') return std::string(wanted);
    if (IsBlockDeviceName(wanted)) return "/dev/" + std::string(wanted);
    return std::nullopt;
}

}  // namespace bridge
