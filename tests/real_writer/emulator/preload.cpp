// Preloaded into the recording tool (LD_PRELOAD): the device nodes of the configured units open
// to a placeholder descriptor, and the SCSI generic ioctls on it reach the emulated unit. Every
// other call goes to the C library unchanged, errno included. The configuration is read once,
// on the first call of any function below; a configuration that cannot be read is reported on
// standard error and leaves the process with no emulated unit, so the tool then fails as on a
// machine without a writer.
//
// cdrdao 1.2.4 opens the node with open, not the fortified __open_2 family (nm -D
// /usr/bin/cdrdao), and never stats it; openat and fstat are covered for other programs.
//
// The fortified inline wrappers of <fcntl.h> would clash with the definitions of open below.
#undef _FORTIFY_SOURCE

#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "unit_config.h"
#include "writer_unit.h"

#define EXPORTED extern "C" __attribute__((visibility("default")))

namespace writer_emulator {

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using CloseFunction = int (*)(int);
using IoctlFunction = int (*)(int, unsigned long, ...);
using FstatFunction = int (*)(int, struct stat*);

template <class Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The C library's own functions, looked up once.
struct Libc {
    OpenFunction open = Next<OpenFunction>("open");
    OpenFunction open64 = Next<OpenFunction>("open64");
    OpenAtFunction openat = Next<OpenAtFunction>("openat");
    OpenAtFunction openat64 = Next<OpenAtFunction>("openat64");
    CloseFunction close = Next<CloseFunction>("close");
    IoctlFunction ioctl = Next<IoctlFunction>("ioctl");
    FstatFunction fstat = Next<FstatFunction>("fstat");
};

const Libc& Real()
{
    static const Libc libc;
    return libc;
}

// The largest transfer the emulated host adapter takes, as a block queue's maximum.
constexpr int kMaxTransfer = 128 * 1024;
constexpr int kSgVersion = 30536;

struct Descriptor {
    std::size_t unit;
    bool exclusive;
};

class Emulator {
public:
    static Emulator& Instance()
    {
        static Emulator* emulator = new Emulator;  // never destroyed: hooks may run during exit
        return *emulator;
    }

    // The unit whose node is path, or -1.
    int FindNode(const char* path) const;
    int Open(std::size_t unit, int flags);
    // True when fd was ours (it is then forgotten); the caller closes it either way.
    bool Forget(int fd);
    // False when fd is not ours; otherwise the call's result in *result (errno set on failure).
    bool Ioctl(int fd, unsigned long request, void* argument, int* result);
    bool Stat(int fd, struct stat* buffer) const;

private:
    Emulator();
    void Trace(const std::string& node, const std::string& line);
    int ScsiCommand(std::size_t unit, sg_io_hdr_t* header);
    // The other ioctls of the sg interface: the errno of a failure, or 0.
    int SgIoctl(std::size_t unit, unsigned long request, int* value, int* result);

    std::vector<std::unique_ptr<WriterUnit>> units_;
    std::vector<int> reservedSize_;
    std::vector<int> timeout_;
    std::map<int, Descriptor> descriptors_;
    int traceFd_ = -1;
    mutable std::mutex mutex_;
};

// The file's text; *error is the errno of a failure, 0 on success.
std::string ReadWholeFile(const char* path, int* error)
{
    std::string text;
    const int fd = Real().open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return text;
    }
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    *error = n == 0 ? 0 : errno;
    Real().close(fd);
    return text;
}

void SayOnStandardError(const std::string& text)
{
    const std::string line = "tessaline writer emulator: " + text + "\n";
    (void)!::write(2, line.data(), line.size());
}

Emulator::Emulator()
{
    const char* trace = std::getenv(kTraceVariable);
    if (trace != nullptr && *trace != '\0') {
        traceFd_ = Real().open(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (traceFd_ < 0)
            SayOnStandardError(std::string("cannot append to ") + trace + ": " + std::strerror(errno));
    }
    const char* path = std::getenv(kConfigVariable);
    if (path == nullptr || *path == '\0') return;
    int error = 0;
    const std::string text = ReadWholeFile(path, &error);
    std::vector<UnitConfig> configs;
    std::string why;
    if (error != 0) {
        SayOnStandardError(std::string("cannot read ") + path + ": " + std::strerror(error));
        return;
    }
    if (!ParseUnits(text, &configs, &why)) {
        SayOnStandardError(std::string(path) + ": " + why);
        return;
    }
    for (auto& config : configs) units_.push_back(std::make_unique<WriterUnit>(std::move(config)));
    reservedSize_.assign(units_.size(), kMaxTransfer);
    timeout_.assign(units_.size(), 60 * 100);  // a minute in the kernel's clock ticks
}

// One line per event, written in one call so that lines of several processes never mix.
void Emulator::Trace(const std::string& node, const std::string& line)
{
    if (traceFd_ < 0) return;
    const std::string text = "pid=" + std::to_string(::getpid()) + " node=" + node + " " + line + "\n";
    (void)!::write(traceFd_, text.data(), text.size());
}

int Emulator::FindNode(const char* path) const
{
    if (path == nullptr) return -1;
    for (std::size_t i = 0; i < units_.size(); ++i)
        if (units_[i]->config().node == path) return static_cast<int>(i);
    return -1;
}

std::string OpenFlags(int flags)
{
    std::string text = (flags & O_ACCMODE) == O_RDONLY   ? "O_RDONLY"
                       : (flags & O_ACCMODE) == O_WRONLY ? "O_WRONLY"
                                                         : "O_RDWR";
    if ((flags & O_NONBLOCK) != 0) text += "|O_NONBLOCK";
    if ((flags & O_EXCL) != 0) text += "|O_EXCL";
    return text;
}

int Emulator::Open(std::size_t unit, int flags)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const UnitConfig& config = units_[unit]->config();
    const bool exclusive = (flags & O_EXCL) != 0;
    int error = 0;
    if (config.access == Access::Denied) {
        error = EACCES;
    } else if (exclusive && config.access == Access::Busy) {
        error = EBUSY;  // held by another program
    } else if (exclusive) {
        for (const auto& [fd, descriptor] : descriptors_)
            if (descriptor.unit == unit && descriptor.exclusive) error = EBUSY;
    }
    int fd = -1;
    if (error == 0) {
        // A real descriptor, so that the number stays ours until it is closed.
        fd = memfd_create(("tessaline-" + config.node.substr(config.node.rfind('/') + 1)).c_str(),
                          (flags & O_CLOEXEC) != 0 ? MFD_CLOEXEC : 0);
        if (fd < 0)
            error = errno;
        else
            descriptors_[fd] = {unit, exclusive};
    }
    Trace(config.node, "op=open flags=" + OpenFlags(flags) + " result=" +
                           (fd >= 0 ? "fd" + std::to_string(fd) : std::string(strerrorname_np(error))));
    if (fd < 0) errno = error;
    return fd;
}

bool Emulator::Forget(int fd)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = descriptors_.find(fd);
    if (found == descriptors_.end()) return false;
    Trace(units_[found->second.unit]->config().node, "op=close result=OK");
    descriptors_.erase(found);
    return true;
}

bool Emulator::Stat(int fd, struct stat* buffer) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = descriptors_.find(fd);
    if (found == descriptors_.end()) return false;
    const std::size_t unit = found->second.unit;
    std::memset(buffer, 0, sizeof *buffer);
    buffer->st_mode = S_IFBLK | 0660;
    buffer->st_rdev = makedev(11, static_cast<unsigned>(unit));  // the sr driver's major number
    buffer->st_blksize = 2048;
    buffer->st_nlink = 1;
    return true;
}

std::string IoctlName(unsigned long request)
{
    switch (request) {
    case SG_GET_VERSION_NUM: return "SG_GET_VERSION_NUM";
    case SG_SET_RESERVED_SIZE: return "SG_SET_RESERVED_SIZE";
    case SG_GET_RESERVED_SIZE: return "SG_GET_RESERVED_SIZE";
    case SG_EMULATED_HOST: return "SG_EMULATED_HOST";
    case SG_GET_TIMEOUT: return "SG_GET_TIMEOUT";
    case SG_SET_TIMEOUT: return "SG_SET_TIMEOUT";
    case SCSI_IOCTL_GET_IDLUN: return "SCSI_IOCTL_GET_IDLUN";
    case SCSI_IOCTL_GET_BUS_NUMBER: return "SCSI_IOCTL_GET_BUS_NUMBER";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "0x%lX", request);
        return text;
    }
    }
}

bool Emulator::Ioctl(int fd, unsigned long request, void* argument, int* result)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = descriptors_.find(fd);
    if (found == descriptors_.end()) return false;
    const std::size_t unit = found->second.unit;
    const UnitConfig& config = units_[unit]->config();
    if (request == SG_IO) {
        *result = ScsiCommand(unit, static_cast<sg_io_hdr_t*>(argument));
        return true;
    }
    *result = 0;
    const int error = SgIoctl(unit, request, static_cast<int*>(argument), result);
    Trace(config.node, "op=ioctl request=" + IoctlName(request) +
                           " result=" + (error != 0 ? std::string(strerrorname_np(error)) : "OK"));
    if (error != 0) {
        errno = error;
        *result = -1;
    }
    return true;
}

int Emulator::SgIoctl(std::size_t unit, unsigned long request, int* value, int* result)
{
    const UnitConfig& config = units_[unit]->config();
    // As in the kernel, an unknown request fails before its argument is looked at.
    switch (request) {
    case SG_GET_VERSION_NUM:
    case SG_SET_RESERVED_SIZE:
    case SG_GET_RESERVED_SIZE:
    case SG_EMULATED_HOST:
    case SG_SET_TIMEOUT:
    case SCSI_IOCTL_GET_IDLUN:
    case SCSI_IOCTL_GET_BUS_NUMBER:
        if (value == nullptr) return EFAULT;
        break;
    case SG_GET_TIMEOUT: break;
    default: return ENOTTY;
    }
    int error = 0;
    switch (request) {
    case SG_GET_VERSION_NUM: *value = kSgVersion; break;
    case SG_SET_RESERVED_SIZE:
        if (*value < 0)
            error = EINVAL;
        else
            reservedSize_[unit] = std::min(*value, kMaxTransfer);
        break;
    case SG_GET_RESERVED_SIZE: *value = reservedSize_[unit]; break;
    case SG_EMULATED_HOST: *value = 0; break;
    case SG_GET_TIMEOUT: *result = timeout_[unit]; break;
    case SG_SET_TIMEOUT:
        if (*value < 0)
            error = EINVAL;
        else
            timeout_[unit] = *value;
        break;
    case SCSI_IOCTL_GET_IDLUN:
        value[0] = (config.target & 0xff) | ((config.lun & 0xff) << 8) | ((config.channel & 0xff) << 16) |
                   ((config.host & 0xff) << 24);
        value[1] = config.host;
        break;
    case SCSI_IOCTL_GET_BUS_NUMBER: *value = config.host; break;
    default: break;
    }
    return error;
}

std::string SenseText(const ScsiResult& result)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X/%02X/%02X", result.senseKey(), result.asc(), result.ascq());
    return text;
}

int Emulator::ScsiCommand(std::size_t unit, sg_io_hdr_t* header)
{
    const std::string& node = units_[unit]->config().node;
    int error = 0;
    if (header == nullptr)
        error = EFAULT;
    else if (header->interface_id != 'S')
        error = ENOSYS;
    else if (header->cmdp == nullptr || header->cmd_len == 0 || header->cmd_len > 16 ||
             header->iovec_count != 0)
        error = EINVAL;
    else if (header->dxfer_len > static_cast<unsigned>(kMaxTransfer))
        error = EIO;
    if (error != 0) {
        Trace(node, "op=SG_IO result=" + std::string(strerrorname_np(error)));
        errno = error;
        return -1;
    }
    writer_emulator::ScsiCommand command;
    command.cdb = header->cmdp;
    command.cdbLength = header->cmd_len;
    command.data = static_cast<std::uint8_t*>(header->dxferp);
    command.dataLength = header->dxferp != nullptr ? header->dxfer_len : 0;
    switch (header->dxfer_direction) {
    case SG_DXFER_TO_DEV: command.direction = Direction::ToDevice; break;
    case SG_DXFER_FROM_DEV:
    case SG_DXFER_TO_FROM_DEV: command.direction = Direction::FromDevice; break;
    default: command.direction = Direction::None; break;
    }
    const ScsiResult result = units_[unit]->Execute(command);
    header->status = result.status;
    header->masked_status = static_cast<unsigned char>(result.status >> 1);
    header->msg_status = 0;
    header->host_status = 0;
    header->driver_status = result.status == kStatusCheckCondition ? 0x08 : 0;  // DRIVER_SENSE
    header->sb_len_wr = 0;
    if (result.status == kStatusCheckCondition && header->sbp != nullptr) {
        header->sb_len_wr =
            static_cast<unsigned char>(std::min<std::size_t>(header->mx_sb_len, kSenseLength));
        std::memcpy(header->sbp, result.sense.data(), header->sb_len_wr);
    }
    header->resid = static_cast<int>(command.dataLength - result.transferred);
    header->duration = 0;
    header->info = result.status == kStatusGood ? SG_INFO_OK : SG_INFO_CHECK;
    std::string line = "op=" + result.name;
    if (!result.details.empty()) line += " " + result.details;
    line +=
        result.status == kStatusGood ? " result=GOOD" : " result=CHECK_CONDITION sense=" + SenseText(result);
    Trace(node, line);
    return 0;
}

// Opens path the emulated way when it names a unit; otherwise returns -2 to pass the call on.
int OpenEmulated(const char* path, int flags)
{
    const int saved = errno;
    Emulator& emulator = Emulator::Instance();
    const int unit = emulator.FindNode(path);
    errno = saved;
    if (unit < 0) return -2;
    return emulator.Open(static_cast<std::size_t>(unit), flags);
}

// openat resolves a relative path from its directory, which never names a unit.
int OpenEmulatedAt(const char* path, int flags)
{
    return path != nullptr && path[0] == '/' ? OpenEmulated(path, flags) : -2;
}

mode_t ModeArgument(int flags, std::va_list arguments)
{
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
        return static_cast<mode_t>(va_arg(arguments, int));
    return 0;
}

}  // namespace

}  // namespace writer_emulator

using writer_emulator::Emulator;
using writer_emulator::OpenEmulated;
using writer_emulator::Real;

EXPORTED int open(const char* path, int flags, ...)
{
    std::va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = writer_emulator::ModeArgument(flags, arguments);
    va_end(arguments);
    const int fd = OpenEmulated(path, flags);
    return fd != -2 ? fd : Real().open(path, flags, mode);
}

EXPORTED int open64(const char* path, int flags, ...)
{
    std::va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = writer_emulator::ModeArgument(flags, arguments);
    va_end(arguments);
    const int fd = OpenEmulated(path, flags);
    return fd != -2 ? fd : Real().open64(path, flags, mode);
}

EXPORTED int openat(int directory, const char* path, int flags, ...)
{
    std::va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = writer_emulator::ModeArgument(flags, arguments);
    va_end(arguments);
    const int fd = writer_emulator::OpenEmulatedAt(path, flags);
    return fd != -2 ? fd : Real().openat(directory, path, flags, mode);
}

EXPORTED int openat64(int directory, const char* path, int flags, ...)
{
    std::va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = writer_emulator::ModeArgument(flags, arguments);
    va_end(arguments);
    const int fd = writer_emulator::OpenEmulatedAt(path, flags);
    return fd != -2 ? fd : Real().openat64(directory, path, flags, mode);
}

EXPORTED int close(int fd)
{
    const int saved = errno;
    Emulator::Instance().Forget(fd);
    errno = saved;
    return Real().close(fd);
}

EXPORTED int ioctl(int fd, unsigned long request, ...) noexcept
{
    std::va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    const int saved = errno;
    int result = 0;
    if (Emulator::Instance().Ioctl(fd, request, argument, &result)) return result;
    errno = saved;
    return Real().ioctl(fd, request, argument);
}

EXPORTED int fstat(int fd, struct stat* buffer) noexcept
{
    const int saved = errno;
    if (Emulator::Instance().Stat(fd, buffer)) return 0;
    errno = saved;
    return Real().fstat(fd, buffer);
}

EXPORTED int fstat64(int fd, struct stat64* buffer) noexcept
{
    return fstat(fd, reinterpret_cast<struct stat*>(buffer));
}
