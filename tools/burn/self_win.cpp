#include "tools/burn/self.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <vector>

namespace burn {
namespace {

// The scenario decides the line ends; the C runtime's text mode would turn every "\n" into "\r\n".
const bool binaryStreams = [] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();

}  // namespace

// In the ANSI code page, as the C runtime's narrow file functions take it.
std::string ExecutableDirectory()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            const std::string path(buffer.data(), length);
            const std::size_t slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash);
        }
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace burn
