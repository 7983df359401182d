// Waiting against a deadline of the steady clock.
#pragma once

#include <chrono>

namespace platform {

// Whole milliseconds left before deadline; 0 once it has passed.
inline int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace platform
