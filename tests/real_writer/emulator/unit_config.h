// The emulated units as a text file: the test side writes it, the emulator preloaded into the
// recording tool reads it when the tool starts. One section a unit:
//
//   [unit]
//   node = /dev/sr0            device node the tool opens
//   address = 1:0:0:0          SCSI host:channel:target:lun shown in sysfs
//   vendor = TESSALIN          at most 8 characters
//   product = CDRW 4012        at most 16 characters
//   revision = 1.00            at most 4 characters
//   disc = blank-cd-r          blank-cd-r, blank-cd-rw, closed or none
//   access = open              open, busy (the exclusive open fails) or denied (every open fails)
//   commands = mmc             mmc or philips-cdd (see writer_unit.h)
//
// Blank lines and lines starting with '#' are ignored. Plain C++ and no library of the project,
// since the emulator is built without the sanitizers the rest of the tests may carry.
#pragma once

#include <string>
#include <vector>

namespace writer_emulator {

// Environment variables read by the emulator: the configuration above, and the file it appends
// one line per command to (no trace when unset).
inline constexpr const char* kConfigVariable = "TESSALINE_WRITER_CONFIG";
inline constexpr const char* kTraceVariable = "TESSALINE_WRITER_TRACE";

enum class Disc { BlankCdR, BlankCdRw, Closed, None };
enum class Access { Open, Busy, Denied };
// The command set the unit's firmware answers; everything outside it is an invalid operation code.
enum class CommandSet { Mmc, PhilipsCdd };

struct UnitConfig {
    std::string node = "/dev/sr0";
    int host = 0;
    int channel = 0;
    int target = 0;
    int lun = 0;
    std::string vendor;
    std::string product;
    std::string revision;
    Disc disc = Disc::BlankCdR;
    Access access = Access::Open;
    CommandSet commands = CommandSet::Mmc;
};

const char* DiscName(Disc disc);
const char* AccessName(Access access);
const char* CommandSetName(CommandSet commands);

// The text of a configuration holding these units.
std::string FormatUnits(const std::vector<UnitConfig>& units);

// Reads a configuration. False, with the line and what is wrong in *why, when a line is not
// understood, a field is too long, or two units share a node or an address.
bool ParseUnits(const std::string& text, std::vector<UnitConfig>* units, std::string* why);

}  // namespace writer_emulator
