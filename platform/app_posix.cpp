#include "platform/app.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/handle.h"

namespace platform {

std::string ExecutableDirectory()
{
    // The kernel gives the program's path with every link resolved.
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
    return FolderOf(std::string(buffer, static_cast<std::size_t>(length)));
}

char PathSeparator() { return '/'; }

std::optional<std::string> EnvironmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

bool IsOrdinaryFile(const std::string& path)
{
    if (path.empty()) return false;
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size() || path[nameStart] == '.') return false;
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

FileReadStatus ReadWholeFile(const std::string& path, std::string* contents)
{
    contents->clear();
    const UniqueHandle file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid()) {
        if (errno == ENOENT || errno == ENOTDIR) return FileReadStatus::Missing;
        return errno == EISDIR ? FileReadStatus::NotAFile : FileReadStatus::Failed;
    }
    const int fd = static_cast<int>(file.get());
    struct stat info {};
    if (fstat(fd, &info) != 0) return FileReadStatus::Failed;
    if (!S_ISREG(info.st_mode)) return FileReadStatus::NotAFile;
    std::string data;
    data.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return FileReadStatus::Failed;
        }
        if (got == 0) break;
        data.append(chunk, static_cast<std::size_t>(got));
    }
    *contents = std::move(data);
    return FileReadStatus::Ok;
}

void EndAsCrash()
{
    // The default action, even where a sanitizer has put its own handler in place.
    ::signal(SIGSEGV, SIG_DFL);
    ::raise(SIGSEGV);
    std::abort();
}

}  // namespace platform
