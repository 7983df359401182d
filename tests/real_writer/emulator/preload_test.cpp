// The preloaded library called directly, through dlopen, the way cdrdao calls it: the node of a
// unit opens to a descriptor of its own, the sg ioctls answer as the kernel's do, and everything
// else reaches the C library. One process loads the library once, so one test covers it all.
#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "emulated_bus.h"
#include "unit_config.h"

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using CloseFunction = int (*)(int);
using IoctlFunction = int (*)(int, unsigned long, ...);
using FstatFunction = int (*)(int, struct stat*);

struct Sg {
    sg_io_hdr_t header{};
    unsigned char cdb[6] = {};
    unsigned char data[96] = {};
    unsigned char sense[32] = {};
};

// A six-byte command reading up to 96 bytes, with room for maxSense bytes of sense data.
Sg Command(std::initializer_list<unsigned char> cdb, unsigned char maxSense)
{
    Sg sg;
    std::copy(cdb.begin(), cdb.end(), sg.cdb);
    sg.header.interface_id = 'S';
    sg.header.cmdp = sg.cdb;
    sg.header.cmd_len = 6;
    sg.header.dxfer_direction = SG_DXFER_FROM_DEV;
    sg.header.dxferp = sg.data;
    sg.header.dxfer_len = sizeof sg.data;
    sg.header.sbp = sg.sense;
    sg.header.mx_sb_len = maxSense;
    return sg;
}

TEST(Preload, UnitNodesOpenToTheEmulatorAndEverythingElseReachesTheCLibrary)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("tessaline-preload-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    writer_emulator::UnitConfig idle;
    idle.node = "/dev/tessaline-test0";
    idle.vendor = "TSLN";
    idle.product = "CDRW 4012";
    idle.revision = "1.02";
    writer_emulator::UnitConfig held = idle;
    held.node = "/dev/tessaline-test1";
    held.target = 1;
    held.access = writer_emulator::Access::Busy;
    std::ofstream(folder / "units.conf") << writer_emulator::FormatUnits({idle, held});
    ::setenv(writer_emulator::kConfigVariable, (folder / "units.conf").c_str(), 1);
    ::setenv(writer_emulator::kTraceVariable, (folder / "trace.log").c_str(), 1);
    void* library = ::dlopen(emulated_bus::EmulatorLibrary().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    const auto open = reinterpret_cast<OpenFunction>(::dlsym(library, "open"));
    const auto close = reinterpret_cast<CloseFunction>(::dlsym(library, "close"));
    const auto ioctl = reinterpret_cast<IoctlFunction>(::dlsym(library, "ioctl"));
    const auto fstat = reinterpret_cast<FstatFunction>(::dlsym(library, "fstat"));
    ASSERT_TRUE(open != nullptr && close != nullptr && ioctl != nullptr && fstat != nullptr);

    const int fd = open("/dev/tessaline-test0", O_RDWR | O_NONBLOCK | O_EXCL);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(open("/dev/tessaline-test0", O_RDWR | O_NONBLOCK | O_EXCL), -1);
    EXPECT_EQ(errno, EBUSY) << "one exclusive open at a time";
    const int shared = open("/dev/tessaline-test0", O_RDONLY | O_NONBLOCK);
    EXPECT_GE(shared, 0);
    struct stat status {};
    ASSERT_EQ(fstat(fd, &status), 0);
    EXPECT_TRUE(S_ISBLK(status.st_mode));

    int value = 0;
    ASSERT_EQ(ioctl(fd, SG_GET_VERSION_NUM, &value), 0);
    EXPECT_GE(value, 30000);
    value = 1 << 20;
    ASSERT_EQ(ioctl(fd, SG_SET_RESERVED_SIZE, &value), 0);
    ASSERT_EQ(ioctl(fd, SG_GET_RESERVED_SIZE, &value), 0);
    EXPECT_EQ(value, 128 * 1024) << "the reserved size is capped at the largest transfer";
    EXPECT_EQ(ioctl(fd, 0x5309UL /* CDROMEJECT */, nullptr), -1);
    EXPECT_EQ(errno, ENOTTY);

    Sg inquiry = Command({0x12, 0, 0, 0, 96, 0}, 32);
    ASSERT_EQ(ioctl(fd, SG_IO, &inquiry.header), 0);
    EXPECT_EQ(inquiry.header.status, 0);
    EXPECT_EQ(inquiry.header.resid, 96 - 36);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.data) + 8, 24), "TSLN    CDRW 4012       ");
    Sg unknown = Command({0xE6, 0, 0, 0, 0, 0}, 16);
    ASSERT_EQ(ioctl(fd, SG_IO, &unknown.header), 0);
    EXPECT_EQ(unknown.header.status, 2);
    EXPECT_EQ(unknown.header.driver_status, 0x08);
    EXPECT_EQ(unknown.header.sb_len_wr, 16) << "at most mx_sb_len bytes of sense";
    EXPECT_EQ(unknown.sense[2], 0x05);
    EXPECT_EQ(unknown.sense[12], 0x20);
    Sg foreign = Command({0x00, 0, 0, 0, 0, 0}, 16);
    foreign.header.interface_id = 'Q';
    EXPECT_EQ(ioctl(fd, SG_IO, &foreign.header), -1);
    EXPECT_EQ(errno, ENOSYS);

    // A closed descriptor is forgotten: its number reaches the C library again.
    EXPECT_EQ(close(fd), 0);
    EXPECT_EQ(ioctl(fd, SG_GET_VERSION_NUM, &value), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(close(shared), 0);

    EXPECT_EQ(open("/dev/tessaline-test1", O_RDWR | O_NONBLOCK | O_EXCL), -1);
    EXPECT_EQ(errno, EBUSY) << "held by another program";
    const int readOnly = open("/dev/tessaline-test1", O_RDONLY | O_NONBLOCK);
    EXPECT_GE(readOnly, 0);
    close(readOnly);

    const int null = open("/dev/null", O_RDONLY);
    ASSERT_GE(null, 0);
    ASSERT_EQ(fstat(null, &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    close(null);

    std::ifstream trace(folder / "trace.log");
    std::stringstream lines;
    lines << trace.rdbuf();
    EXPECT_NE(lines.str().find("node=/dev/tessaline-test0 op=INQUIRY allocation=96 result=GOOD"),
              std::string::npos)
        << lines.str();
    EXPECT_NE(
        lines.str().find("node=/dev/tessaline-test1 op=open flags=O_RDWR|O_NONBLOCK|O_EXCL result=EBUSY"),
        std::string::npos);
    std::filesystem::remove_all(folder);
}

}  // namespace
