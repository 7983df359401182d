// INI text lookup with the behaviour of GetPrivateProfileStringA (see docs/). On POSIX the
// file is read anew on every call, as UTF-8 (BOM allowed), UTF-16LE with BOM, or Windows-1252
// when it is not valid UTF-8; the text comes back as UTF-8 and nSize counts characters. On
// Windows it is the system's reader, which reads the ANSI code page (a UTF-8 BOM is not
// skipped) and counts nSize in its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Copies the text of key in section (or the default, its trailing spaces removed) into
// *returned, cut to at most nSize - 1 characters, and returns the number of characters copied.
std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                       const std::string& defaultText, std::string* returned,
                                       std::uint32_t nSize, const std::string& fileName);

// The lookup itself, over the decoded (UTF-8) text of a file: the value of the first key named
// key in the first section named section, blanks and one pair of matching quotes removed.
// nullopt when the section or the key is absent. Pure, so that it can be fuzzed.
std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key);

}  // namespace platform
