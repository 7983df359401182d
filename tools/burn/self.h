// Where the running stand-in tool lives, so that it finds its scenario file beside itself.
#pragma once

#include <string>

namespace burn {

// The folder of the running program without a trailing separator; empty when unknown.
std::string ExecutableDirectory();

}  // namespace burn
