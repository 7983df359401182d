// Runs a command on a computer with emulated CD writers: the units of a configuration file (the
// emulator's format, tests/real_writer/emulator/unit_config.h) are shown in a private view of
// /sys/bus/scsi, and the command gets PATH with a cdrdao that answers for them. For the checks
// of the installed package (scripts/package-deb.sh), which run the program as a user would.
//   with_emulated_writer <units file> <command> [arguments...]
// Exit status: the command's; 125 when the emulated bus cannot be set up (the reason on
// standard error), 127 when the command cannot be started.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "emulated_bus.h"

namespace {

constexpr int kExitNoBus = 125;
constexpr int kExitNotStarted = 127;

int Fail(const std::string& why)
{
    std::fprintf(stderr, "with_emulated_writer: %s\n", why.c_str());
    return kExitNoBus;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return Fail("usage: with_emulated_writer <units file> <command> [arguments...]");
    std::string why;
    if (!emulated_bus::EnterPrivateBus(&why)) return Fail("no private bus: " + why);

    std::ifstream file(argv[1], std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<emulated_bus::Unit> units;
    if (!file || !writer_emulator::ParseUnits(text.str(), &units, &why))
        return Fail(std::string(argv[1]) + ": " + why);

    const std::unique_ptr<emulated_bus::Bus> bus = emulated_bus::Bus::Create(&why);
    if (!bus) return Fail(why);
    if (!bus->Show(units, &why)) return Fail(why);
    setenv("PATH", bus->PathWithTool().c_str(), 1);

    // A child, not exec: the bus's folder is removed when the command has ended.
    const pid_t child = fork();
    if (child < 0) return Fail("cannot fork");
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(kExitNotStarted);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
