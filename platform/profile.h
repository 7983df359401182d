// INI text lookup with the behaviour of GetPrivateProfileStringA (see docs/). On POSIX the
// file is read anew on every call, as UTF-8 (BOM allowed), UTF-16LE with BOM, or Windows-1252
// when it is not valid UTF-8; the text comes back as UTF-8 and nSize counts characters.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Copies the text of key in section (or the default, its trailing spaces removed) into
// *returned, cut to at most nSize - 1 characters, and returns the number of characters copied.
std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                       const std::string& defaultText, std::string* returned,
                                       std::uint32_t nSize, const std::string& fileName);

}  // namespace platform
