#include "platform/findfile.h"

#include <windows.h>

#include <mutex>
#include <set>

#include "platform/ansi_win.h"
#include "platform/handle_win.h"

// The system's own search: its order (sorted on NTFS, creation order on FAT), hidden files and,
// for patterns that match them, "." and "..", all as FindFirstFileA returns them. Handles are
// checked against those still open, so that a stale or made-up one is refused, not used.

namespace platform {
namespace {

void Fill(const WIN32_FIND_DATAA& found, FindData* data)
{
    data->fileName = win::AnsiToUtf8(found.cFileName);
    data->isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::mutex& OpenMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::set<FindHandle>& OpenSearches()
{
    static std::set<FindHandle> searches;
    return searches;
}

bool IsOpen(FindHandle handle)
{
    const std::lock_guard lock(OpenMutex());
    return OpenSearches().count(handle) != 0;
}

}  // namespace

FindHandle FindFirstFileA(const std::string& pattern, FindData* data)
{
    if (data == nullptr || pattern.empty()) return kInvalidFindHandle;
    WIN32_FIND_DATAA found{};
    const HANDLE handle = ::FindFirstFileA(win::Utf8ToAnsi(pattern).c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE) return kInvalidFindHandle;
    Fill(found, data);
    const FindHandle result = win::FromHandle(handle);
    const std::lock_guard lock(OpenMutex());
    OpenSearches().insert(result);
    return result;
}

bool FindNextFileA(FindHandle handle, FindData* data)
{
    if (data == nullptr || !IsOpen(handle)) return false;
    WIN32_FIND_DATAA found{};
    if (!::FindNextFileA(win::AsHandle(handle), &found)) return false;
    Fill(found, data);
    return true;
}

bool FindClose(FindHandle handle)
{
    {
        const std::lock_guard lock(OpenMutex());
        if (OpenSearches().erase(handle) == 0) return false;
    }
    return ::FindClose(win::AsHandle(handle)) != 0;
}

}  // namespace platform
