// Test helper that misbehaves on purpose, one way per first argument:
//   flood N         writes N bytes of text lines to standard error, 64 KiB at a time, then
//                   "flood done\n"
//   binary N SEED   writes N pseudo-random bytes (every byte value, invalid UTF-8 included) to
//                   standard error, then "binary done\n"
//   die-after N     writes N bytes to standard error, then kills itself with SIGKILL
//   close-early MS  writes "before close\n", closes standard error, then runs on for MS ms
//   detach MS       starts a grandchild that closes every inherited descriptor and lives for
//                   MS ms; writes "grandchild=PID\n" and ends at once
//   fds             writes the list of its open descriptors to standard error
//   quick           writes "quick\n" and ends
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void Say(const std::string& text) { WriteAll(2, text.data(), text.size()); }

std::string Block(std::size_t size)
{
    std::string block;
    block.reserve(size);
    for (std::size_t i = 0; block.size() < size; ++i)
        block += "filler line " + std::to_string(i) + " of the flood\n";
    block.resize(size);
    return block;
}

void Flood(std::size_t total)
{
    const std::string block = Block(std::size_t{64} * 1024);
    while (total > 0) {
        const std::size_t n = total < block.size() ? total : block.size();
        WriteAll(2, block.data(), n);
        total -= n;
    }
}

std::string OpenDescriptors()
{
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return "?";
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) continue;
        list += (list.empty() ? "" : ",") + std::string(entry->d_name);
    }
    ::closedir(dir);
    return list;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const std::string mode = argv[1];
    const std::size_t number = argc >= 3 ? std::strtoull(argv[2], nullptr, 10) : 0;
    if (mode == "flood") {
        Flood(number);
        Say("flood done\n");
    } else if (mode == "binary") {
        unsigned state = argc >= 4 ? static_cast<unsigned>(std::atoi(argv[3])) : 1u;
        std::string bytes(number, '\0');
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 16);
        }
        WriteAll(2, bytes.data(), bytes.size());
        Say("binary done\n");
    } else if (mode == "die-after") {
        Flood(number);
        ::raise(SIGKILL);
    } else if (mode == "close-early") {
        Say("before close\n");
        ::close(2);
        ::usleep(static_cast<useconds_t>(number * 1000));
    } else if (mode == "detach") {
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            for (int fd = 0; fd < 1024; ++fd) ::close(fd);
            ::usleep(static_cast<useconds_t>(number * 1000));
            ::_exit(0);
        }
        Say("grandchild=" + std::to_string(grandchild) + "\n");
    } else if (mode == "fds") {
        Say("fds=" + OpenDescriptors() + "\n");
    } else if (mode == "quick") {
        Say("quick\n");
    } else {
        return 2;
    }
    return 0;
}
