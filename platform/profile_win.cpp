#include "platform/profile.h"

#include <windows.h>

#include <vector>

#include "platform/ansi_win.h"
#include "platform/text.h"

// The system's reader itself: the file is read in the ANSI code page (a UTF-16LE file with its
// BOM too), nSize counts bytes of that code page, and a UTF-8 BOM is not skipped on Windows.

namespace platform {

std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                       const std::string& defaultText, std::string* returned,
                                       std::uint32_t nSize, const std::string& fileName)
{
    if (nSize == 0 || returned == nullptr) return 0;
    std::vector<char> buffer(nSize, '\0');
    const DWORD copied = ::GetPrivateProfileStringA(
        win::Utf8ToAnsi(section).c_str(), win::Utf8ToAnsi(key).c_str(), win::Utf8ToAnsi(defaultText).c_str(),
        buffer.data(), static_cast<DWORD>(nSize), win::Utf8ToAnsi(fileName).c_str());
    *returned = win::AnsiToUtf8(std::string_view(buffer.data(), copied < nSize ? copied : nSize - 1));
    return static_cast<std::uint32_t>(text::CountUtf8Chars(*returned));
}

}  // namespace platform
