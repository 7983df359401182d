// Directory search with a wildcard pattern, as FindFirstFileA / FindNextFileA / FindClose.
// On POSIX the file-name part of the pattern (* and ?) matches without regard to letter case,
// folders are returned too, and entries come sorted by name without regard to case. On Windows
// the search is the system's, in its order; names beginning with a dot are not hidden there.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FindData {
    std::string fileName;  // name only, no folder
    bool isDirectory = false;
};

using FindHandle = std::intptr_t;
inline constexpr FindHandle kInvalidFindHandle = -1;

FindHandle FindFirstFileA(const std::string& pattern, FindData* data);
bool FindNextFileA(FindHandle handle, FindData* data);
bool FindClose(FindHandle handle);

}  // namespace platform
