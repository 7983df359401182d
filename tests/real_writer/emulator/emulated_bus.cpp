#include "emulated_bus.h"

#include <linux/magic.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace emulated_bus {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScsiBus = "/sys/bus/scsi";

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// A user namespace maps the caller to root inside it, so that it may mount there.
bool MapToRoot(uid_t uid, gid_t gid, std::string* why)
{
    if (!WriteFile("/proc/self/setgroups", "deny") ||
        !WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) {
        *why = SystemError("cannot map the user into the new user namespace");
        return false;
    }
    return true;
}

// The text a sysfs attribute of a SCSI device holds: the INQUIRY field, padded with spaces to
// its width, and a line feed.
std::string Padded(const std::string& text, std::size_t width)
{
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field + "\n";
}

// True when /sys/bus is the tmpfs of EnterPrivateBus, never the system's sysfs.
bool OnPrivateBus()
{
    struct statfs bus {};
    return ::statfs("/sys/bus", &bus) == 0 && bus.f_type == TMPFS_MAGIC;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The first executable cdrdao on PATH outside the given folder.
std::string FindTool(const std::string& skip)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty() || folder == skip) continue;
        const fs::path candidate = fs::path(folder) / "cdrdao";
        if (::access(candidate.c_str(), X_OK) == 0) return fs::absolute(candidate).string();
    }
    return {};
}

}  // namespace

bool EnterPrivateBus(std::string* why)
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWNS) != 0) {
        const std::string plain = SystemError("unshare(CLONE_NEWNS)");
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            *why = plain + "; " + SystemError("unshare(CLONE_NEWUSER | CLONE_NEWNS)");
            return false;
        }
        if (!MapToRoot(uid, gid, why)) return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        *why = SystemError("cannot make the mounts private");
        return false;
    }
    // sysfs cannot be written, and this machine may have no /sys/bus/scsi at all.
    if (::mount("tessaline-bus", "/sys/bus", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "mode=0755") != 0) {
        *why = SystemError("cannot mount a tmpfs over /sys/bus");
        return false;
    }
    return true;
}

std::string EmulatorLibrary() { return TESSALINE_WRITER_EMULATOR; }

std::string TraceEntry::Field(const std::string& key) const
{
    const auto found = fields.find(key);
    return found != fields.end() ? found->second : std::string();
}

std::unique_ptr<Bus> Bus::Create(std::string* why)
{
    std::unique_ptr<Bus> bus(new Bus);
    std::string pattern = (fs::temp_directory_path() / "tessaline-bus-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        *why = SystemError("cannot make a temporary folder");
        return nullptr;
    }
    bus->folder_ = pattern;
    bus->toolFolder_ = pattern + "/bin";
    bus->configPath_ = pattern + "/units.conf";
    bus->tracePath_ = pattern + "/trace.log";
    bus->realTool_ = FindTool(bus->toolFolder_);
    if (bus->realTool_.empty()) {
        *why = "no cdrdao on PATH (apt-get install cdrdao)";
        return nullptr;
    }
    std::error_code error;
    fs::create_directories(bus->toolFolder_, error);
    fs::create_directories(pattern + "/home", error);
    // The user's ~/.cdrdao could name another device or driver: the tool gets an empty home.
    const std::string wrapper = "#!/bin/sh\n"
                                "# cdrdao against the emulated CD writer of the tests.\n"
                                "LD_PRELOAD=" +
                                ShellQuoted(EmulatorLibrary()) + "\n" + writer_emulator::kConfigVariable +
                                "=" + ShellQuoted(bus->configPath_) + "\n" + writer_emulator::kTraceVariable +
                                "=" + ShellQuoted(bus->tracePath_) + "\n" +
                                "HOME=" + ShellQuoted(pattern + "/home") + "\n" + "export LD_PRELOAD " +
                                writer_emulator::kConfigVariable + " " + writer_emulator::kTraceVariable +
                                " HOME\n" + "exec " + ShellQuoted(bus->realTool_) + " \"$@\"\n";
    const fs::path tool = fs::path(bus->toolFolder_) / "cdrdao";
    if (!WriteFile(tool, wrapper) || ::chmod(tool.c_str(), 0755) != 0) {
        *why = SystemError("cannot write " + tool.string());
        return nullptr;
    }
    return bus;
}

Bus::~Bus()
{
    std::error_code error;
    if (shown_ && OnPrivateBus()) fs::remove_all(kScsiBus, error);
    fs::remove_all(folder_, error);
}

bool Bus::Show(const std::vector<Unit>& units, std::string* why)
{
    if (!OnPrivateBus()) {
        *why = "/sys/bus is not the private bus (EnterPrivateBus first)";
        return false;
    }
    std::error_code error;
    fs::remove_all(kScsiBus, error);
    shown_ = true;
    const fs::path devices = fs::path(kScsiBus) / "devices";
    if (!fs::create_directories(devices, error)) {
        *why = "cannot make " + devices.string() + ": " + error.message();
        return false;
    }
    for (const Unit& unit : units) {
        const std::string target = std::to_string(unit.host) + ":" + std::to_string(unit.channel) + ":" +
                                   std::to_string(unit.target);
        const fs::path device = devices / (target + ":" + std::to_string(unit.lun));
        const std::string block = fs::path(unit.node).filename().string();
        // Beside the devices the kernel lists their host and target, which have no type.
        fs::create_directories(devices / ("host" + std::to_string(unit.host)), error);
        fs::create_directories(devices / ("target" + target), error);
        if (!fs::create_directories(device / "block" / block, error) || !WriteFile(device / "type", "5\n") ||
            !WriteFile(device / "vendor", Padded(unit.vendor, 8)) ||
            !WriteFile(device / "model", Padded(unit.product, 16)) ||
            !WriteFile(device / "rev", Padded(unit.revision, 4))) {
            *why = "cannot write " + device.string();
            return false;
        }
    }
    const std::string staged = configPath_ + ".new";
    if (!WriteFile(staged, writer_emulator::FormatUnits(units)) ||
        ::rename(staged.c_str(), configPath_.c_str()) != 0) {
        *why = SystemError("cannot write " + configPath_);
        return false;
    }
    ClearTrace();
    return true;
}

std::string Bus::PathWithTool() const
{
    const char* path = std::getenv("PATH");
    return toolFolder_ + ":" + (path != nullptr ? path : "/usr/bin:/bin");
}

std::vector<TraceEntry> Bus::ReadTrace() const
{
    std::vector<TraceEntry> entries;
    std::ifstream in(tracePath_);
    std::string line;
    while (std::getline(in, line)) {
        TraceEntry entry;
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            const auto equals = word.find('=');
            if (equals == std::string::npos) continue;
            const std::string key = word.substr(0, equals);
            const std::string value = word.substr(equals + 1);
            if (key == "pid")
                entry.pid = std::atol(value.c_str());
            else if (key == "node")
                entry.node = value;
            else if (key == "op")
                entry.op = value;
            else
                entry.fields[key] = value;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

void Bus::ClearTrace() const { WriteFile(tracePath_, ""); }

}  // namespace emulated_bus
