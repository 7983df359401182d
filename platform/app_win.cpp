#include "platform/app.h"

#include <windows.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/ansi_win.h"
#include "platform/handle_win.h"

namespace platform {

// The module's own path, grown until it fits: GetModuleFileNameA cuts long paths silently.
std::string ExecutableDirectory()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return FolderOf(win::AnsiToUtf8(std::string_view(buffer.data(), length)));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

char PathSeparator() { return '\\'; }

// The C runtime's copy of the environment, which _putenv_s keeps in step with the process's.
std::optional<std::string> EnvironmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return win::AnsiToUtf8(value);
}

// Hidden and system are file attributes here; a device name such as NUL or CON is not a disk file.
bool IsOrdinaryFile(const std::string& path)
{
    if (path.empty()) return false;
    const std::string ansi = win::Utf8ToAnsi(path);
    const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD kNotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    if ((attributes & kNotOrdinary) != 0) return false;
    const UniqueHandle file(
        win::FromHandle(::CreateFileA(ansi.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    return file.valid() && ::GetFileType(win::AsHandle(file.get())) == FILE_TYPE_DISK;
}

FileReadStatus ReadWholeFile(const std::string& path, std::string* contents)
{
    contents->clear();
    const std::string ansi = win::Utf8ToAnsi(path);
    const UniqueHandle opened(win::FromHandle(
        ::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    const HANDLE file = win::AsHandle(opened.get());
    if (!opened.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            return FileReadStatus::Missing;
        const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return FileReadStatus::NotAFile;
        return FileReadStatus::Failed;
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) return FileReadStatus::NotAFile;
    std::string data;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0)
        data.reserve(static_cast<std::size_t>(size.QuadPart));
    std::vector<char> chunk(65536);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return FileReadStatus::Failed;
        if (got == 0) break;
        data.append(chunk.data(), got);
    }
    *contents = std::move(data);
    return FileReadStatus::Ok;
}

void EndAsCrash()
{
    // No error box and no debugger: the process ends with the exception's code.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
    ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}

}  // namespace platform
