// What the registry of each platform shares.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/registry.h"

namespace platform::internal {

// Hands a value that was found to a RegQueryValueExA caller as Windows does: its type when asked
// for; with data, its bytes when they fit in *cbData (a text with an uncounted NUL after it when
// there is room), else kErrorMoreData; *cbData is set to the value's size either way.
RegStatus HandOutValue(std::uint32_t storedType, std::string_view bytes, std::uint32_t* type,
                       std::uint8_t* data, std::uint32_t* cbData);

}  // namespace platform::internal
