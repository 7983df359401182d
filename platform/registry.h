// The registry operations the settings module needs, with Windows' arguments and status codes.
// On Windows they are the advapi32 calls; on POSIX the HKEY_CURRENT_USER hive is a .reg text
// file (see RegistryStorePath) and key handles are entries of a table of ours.
// Text is UTF-8 and lengths are its byte counts on both; on Windows the text crosses into the
// system calls in the ANSI code page.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

using RegKey = std::uintptr_t;
using RegStatus = std::int32_t;

inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;

inline constexpr std::uint32_t kKeyAccess63 = 0x3F;  // query, set, create sub key, enumerate, notify, link
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kRegOptionNonVolatile = 0;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// REG_DWORD data: the number's four bytes, least significant first.
constexpr std::array<std::uint8_t, 4> DwordBytes(std::uint32_t number)
{
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}
constexpr std::uint32_t DwordFromBytes(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// The types whose data is text: it crosses the "A" calls in the ANSI code page, and a reader
// gets a NUL after it when the buffer has room.
constexpr bool IsTextType(std::uint32_t type)
{
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorPathNotFound = 3;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorWriteFault = 29;
inline constexpr RegStatus kErrorInvalidParameter = 87;
inline constexpr RegStatus kErrorDiskFull = 112;
inline constexpr RegStatus kErrorBadPathname = 161;
inline constexpr RegStatus kErrorMoreData = 234;
inline constexpr RegStatus kErrorRegistryCorrupt = 1015;
inline constexpr RegStatus kErrorKeyDeleted = 1018;

inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// valueName nullptr or "" is the key's unnamed value.
RegStatus RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                        RegKey* result);
RegStatus RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t reserved,
                          const char* className, std::uint32_t options, std::uint32_t access,
                          const void* security, RegKey* result, std::uint32_t* disposition);
RegStatus RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* cbData);
RegStatus RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t cbData);
RegStatus RegCloseKey(RegKey key);

// POSIX: $XDG_CONFIG_HOME/Tessaline/user.reg, or $HOME/.config/Tessaline/user.reg when
// XDG_CONFIG_HOME is unset or empty. Read anew on every call, so tests can move it. Windows: the
// empty text, as the settings are in the real registry.
std::string RegistryStorePath();

}  // namespace platform
