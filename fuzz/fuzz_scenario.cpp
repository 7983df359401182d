// The stand-in tool's scenario file: a text either fails with a message naming a line, or gives
// writers with unique addresses that the tool can find again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "tools/burn/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    burn::Scenario scenario;
    std::string error;
    if (!burn::ParseScenario(text, scenario, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(error.empty());
    for (const burn::Writer& writer : scenario.writers) {
        FUZZ_CHECK(!writer.address.empty());
        FUZZ_CHECK(writer.address.find(' ') == std::string::npos);
        FUZZ_CHECK(scenario.FindWriter(writer.address) == &writer);
        for (const std::string& driver : writer.drivers) FUZZ_CHECK(writer.Accepts(driver));
    }
    return 0;
}
