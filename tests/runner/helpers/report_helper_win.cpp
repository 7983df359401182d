// Test helper for Windows: reports to standard error what it inherited: where the standard
// handles lead, whether the handle value given as "--handle=N" is open here, the current
// directory, one environment variable and its arguments.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Target(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return "none";
    switch (::GetFileType(handle)) {
    case FILE_TYPE_CHAR: return "null";
    case FILE_TYPE_PIPE: return "pipe";
    default: return "other";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string report = "stdin=" + Target(STD_INPUT_HANDLE) + " stdout=" + Target(STD_OUTPUT_HANDLE) +
                         " stderr=" + Target(STD_ERROR_HANDLE) + "\n";
    char cwd[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, cwd);
    report += "cwd=" + std::string(cwd, length) + "\n";
    const char* env = std::getenv("TESSALINE_TEST_VALUE");
    report += std::string("env=") + (env ? env : "") + "\n";
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--handle=", 9) == 0) {
            const auto value = static_cast<std::uintptr_t>(std::strtoull(argv[i] + 9, nullptr, 10));
            DWORD flags = 0;
            const bool open = ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
            report += std::string("handle=") + (open ? "inherited" : "absent") + "\n";
            continue;
        }
        report += "arg=" + std::string(argv[i]) + "\n";
    }
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), report.data(), static_cast<DWORD>(report.size()), &written,
                nullptr);
    return 0;
}
