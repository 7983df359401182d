// The program's access to its settings below HKEY_CURRENT_USER. Each operation opens its key,
// uses it and closes it; no handle stays open between calls.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/numbered_error.h"
#include "platform/registry.h"

namespace mdlRegistry {

// A value handed to the registry: a text or a number (a number is written as its decimal text
// for REG_SZ).
using RegValue = std::variant<std::string, std::int64_t>;

// Thrown by SetKeyValue for REG_DWORD data that is not a number (type mismatch, 13) or does not
// fit 32 bits (overflow, 6).
struct ConversionError : platform::NumberedError {
    using NumberedError::NumberedError;
};

// Writes one value below HKEY_CURRENT_USER, creating the key when missing. Returns the status
// of the write (0 for success), so that the caller can tell the user when nothing was stored.
platform::RegStatus SetRegistryValue(const std::string& keyPath, const std::string& valueName,
                                     const RegValue& value, std::int32_t valueType);

// Reads one value as text; every failure gives defaultText. A value name "*" is the unnamed value.
std::string QueryRegistryValue(platform::RegKey root, const std::string& keyPath,
                               const std::string& valueName, const std::string& defaultText);

platform::RegStatus SetKeyValue(platform::RegKey key, const std::string& valueName, std::int32_t valueType,
                                const RegValue& value);

// Creates the key and every missing key above it; the status of the creation.
platform::RegStatus CreateNewKey(const std::string& keyPath, platform::RegKey root);

std::string TrimKeyPath(const std::string& keyPath);

}  // namespace mdlRegistry
