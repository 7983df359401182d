// Test helper with a grandchild, for Windows. "hold MS": the grandchild keeps the inherited
// standard error open for MS milliseconds after the child has ended. "forever [ignore-term]":
// child and grandchild report their ids and never end (there is nothing to ignore on Windows).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Say(const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}

// Starts this program again with the given arguments; it inherits our standard handles.
DWORD StartGrandchild(const std::string& arguments)
{
    char self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = "\"" + std::string(self, length) + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &process))
        return 0;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return process.dwProcessId;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "hold") == 0) {
        StartGrandchild(std::string("grandchild-hold ") + argv[2]);
        Say("child done\n");
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "grandchild-hold") == 0) {
        ::Sleep(static_cast<DWORD>(std::atol(argv[2])));
        Say("grandchild done\n");
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "grandchild-forever") == 0) {
        for (;;) ::Sleep(INFINITE);
    }
    if (argc >= 2 && std::strcmp(argv[1], "forever") == 0) {
        const DWORD grandchild = StartGrandchild("grandchild-forever");
        Say("child=" + std::to_string(::GetCurrentProcessId()) + " grandchild=" + std::to_string(grandchild) +
            "\n");
        for (;;) ::Sleep(INFINITE);
    }
    return 2;
}
