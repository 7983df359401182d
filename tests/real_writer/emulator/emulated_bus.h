// The test side of the emulated CD writer: a private view of /sys/bus/scsi showing the chosen
// units, the emulator's configuration, and a folder with a `cdrdao` that runs the system's
// cdrdao with the emulator preloaded. Only that tool gets the preload: the test process and the
// programs it starts (built with AddressSanitizer, which must be the first library loaded) keep
// their own environment.
//
//   int main(int argc, char** argv) {
//       std::string why;
//       const bool onBus = emulated_bus::EnterPrivateBus(&why);  // first, before any thread
//       testing::InitGoogleTest(&argc, argv);
//       ...
//   }
//   auto bus = emulated_bus::Bus::Create(&why);                   // nullptr: cdrdao missing
//   bus->Show({unit}, &why);                                      // sysfs + configuration
//   run "cdrdao disk-info --device /dev/sr0" with PATH=bus->PathWithTool()
//   for (const auto& entry : bus->ReadTrace()) ...                // what cdrdao sent
//
// A child process needs only PATH with ToolFolder() first, and to be started from the process
// that entered the private bus (the mount namespace is inherited).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "unit_config.h"

namespace emulated_bus {

using writer_emulator::Access;
using writer_emulator::CommandSet;
using writer_emulator::Disc;
using Unit = writer_emulator::UnitConfig;

// Enters a mount namespace of this process's own (a user namespace too when not root), keeps
// its mounts from reaching the rest of the system and puts an empty tmpfs over /sys/bus. Call it
// at the very start of main(): a user namespace cannot be entered once threads exist. False,
// with the reason in *why, when the system refuses.
bool EnterPrivateBus(std::string* why);

// The emulator library built with these tests.
std::string EmulatorLibrary();

// One line of the emulator's trace: "pid=... node=... op=... key=value ... result=...".
struct TraceEntry {
    long pid = 0;
    std::string node;
    std::string op;                             // "WRITE(10)", "open", "ioctl", "OPCODE_0xE6"
    std::map<std::string, std::string> fields;  // the rest, result and sense included

    // The field's value, or "" when the line has none.
    std::string Field(const std::string& key) const;
};

class Bus {
public:
    // A bus in a new temporary folder; nullptr, with the reason in *why, when no cdrdao is on
    // PATH or the folder cannot be made. Show() needs EnterPrivateBus() to have succeeded.
    static std::unique_ptr<Bus> Create(std::string* why);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // Shows exactly these units: rewrites /sys/bus/scsi and the configuration, and empties the
    // trace. May be called again to change the set between two runs of the tool.
    bool Show(const std::vector<Unit>& units, std::string* why);

    // The folder holding the `cdrdao` wrapper, and PATH with that folder first.
    const std::string& ToolFolder() const { return toolFolder_; }
    std::string PathWithTool() const;
    // The system's cdrdao that the wrapper runs.
    const std::string& RealTool() const { return realTool_; }

    const std::string& TracePath() const { return tracePath_; }
    std::vector<TraceEntry> ReadTrace() const;
    void ClearTrace() const;

private:
    Bus() = default;

    std::string folder_;
    std::string toolFolder_;
    std::string configPath_;
    std::string tracePath_;
    std::string realTool_;
    bool shown_ = false;  // whether /sys/bus/scsi holds this bus's units
};

}  // namespace emulated_bus
