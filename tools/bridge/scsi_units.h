// The CD and DVD units that the kernel's SCSI layer shows in sysfs, and the five-character
// addresses the bridge lists them under. The address is the unit's own: its SCSI host, target
// and lun, which stay the same from one scan to the next, unlike the order of the units.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bridge {

inline constexpr const char* kSysfsScsiDevices = "/sys/bus/scsi/devices";

struct ScsiUnit {
    int host = 0;
    int channel = 0;
    int target = 0;
    int lun = 0;
    std::string node;  // its block device: "/dev/sr0"
};

// Every unit below root (a folder laid out as /sys/bus/scsi/devices) of peripheral type 5, the
// CD and DVD units, that has a block device; ordered by host, channel, target and lun. An
// unreadable root gives no unit.
std::vector<ScsiUnit> ReadScsiUnits(const std::string& root = kSysfsScsiDevices);

inline constexpr std::size_t kAddressWidth = 5;

// The address of each unit, in the order of units: "host,target,lun" (the channel left out, as
// it is 0 on every bus that carries CD units) where that fits five characters and no other unit
// has it; otherwise the name of its block device ("sr12"); and where even that is too long,
// "u" and the unit's position. Never longer than five characters; no two are equal.
std::vector<std::string> UnitAddresses(const std::vector<ScsiUnit>& units);

// The device node for an address as the wizard passes it after --device (blanks around it
// ignored): the node of the unit listed under it, the text itself when it is a path ("/dev/sr0"),
// "/dev/srN" for a unit named by its block device; nothing when no unit has that address.
std::optional<std::string> NodeForAddress(const std::vector<ScsiUnit>& units, std::string_view address);

}  // namespace bridge
