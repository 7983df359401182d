// What each platform's app file gives the shared one.
#pragma once

#include <string>

namespace platform::internal {

// The folder of the running program, without a trailing separator; "." when it cannot be told.
std::string ExecutableDirectory();
std::string WithoutTrailingSeparators(std::string path);

}  // namespace platform::internal
