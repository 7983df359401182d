// ProcessorSeconds of test_policy.h on Windows, apart so that no includer of that header gets
// <windows.h> and its macros.
#include <windows.h>

#include "test_policy.h"

namespace test_policy {

double ProcessorSeconds()
{
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    const auto hundredNanoseconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (hundredNanoseconds(kernel) + hundredNanoseconds(user)) / 1e7;
}

}  // namespace test_policy
