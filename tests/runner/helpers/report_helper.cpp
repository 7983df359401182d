// Test helper: reports to standard error what it inherited: open descriptors, where the
// standard streams lead, signal state, process group, current directory, one environment
// variable and its arguments.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

std::string OpenDescriptors()
{
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return "?";
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) continue;
        list += (list.empty() ? "" : ",") + std::string(entry->d_name);
    }
    ::closedir(dir);
    return list;
}

std::string Target(int fd)
{
    struct stat null {};
    struct stat seen {};
    if (::fstat(fd, &seen) != 0) return "closed";
    if (::stat("/dev/null", &null) == 0 && seen.st_rdev == null.st_rdev && S_ISCHR(seen.st_mode))
        return "null";
    return S_ISFIFO(seen.st_mode) ? "pipe" : "other";
}

}  // namespace

int main(int argc, char** argv)
{
    std::string report = "fds=" + OpenDescriptors() + "\n";
    report += "stdin=" + Target(0) + " stdout=" + Target(1) + " stderr=" + Target(2) + "\n";
    struct sigaction pipeAction {};
    ::sigaction(SIGPIPE, nullptr, &pipeAction);
    report += std::string("sigpipe=") + (pipeAction.sa_handler == SIG_DFL ? "default" : "changed") + "\n";
    sigset_t blocked;
    ::sigprocmask(SIG_BLOCK, nullptr, &blocked);
    report += std::string("usr1=") + (::sigismember(&blocked, SIGUSR1) ? "blocked" : "open") + "\n";
    report += std::string("group=") + (::getpgrp() == ::getpid() ? "own" : "shared") + "\n";
    char cwd[PATH_MAX];
    report += std::string("cwd=") + (::getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
    const char* env = std::getenv("TESSALINE_TEST_VALUE");
    report += std::string("env=") + (env ? env : "") + "\n";
    for (int i = 0; i < argc; ++i) report += "arg=" + std::string(argv[i]) + "\n";
    (void)!::write(2, report.data(), report.size());
    return 0;
}
