// Reading the tool's answers, checked against a plain reference: lower-case the whole answer,
// then look for each phrase in the table's order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text.h"
#include "wizard/driver_probe.h"

namespace {

using platform::text::AsciiLowerCase;

std::int16_t Reference(std::string_view answer)
{
    static const char* const kPhrases[] = {
        "finished successfully", "cannot open toc file",  "i/o error",
        "not appendable",        "error: unit not ready", "simulation failed"};
    const std::string lower = AsciiLowerCase(answer);
    for (std::int16_t i = 0; i < 6; ++i)
        if (lower.find(kPhrases[i]) != std::string::npos) return static_cast<std::int16_t>(i + 2);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const std::int16_t code = DriverProbe::ClassifySimulation(answer);
    FUZZ_CHECK(code >= 1 && code <= 7);
    FUZZ_CHECK(code == Reference(answer));
    FUZZ_CHECK(DriverProbe::IsDriverRefused(answer) ==
               (AsciiLowerCase(answer).find("cannot read driver") != std::string::npos));
    const DriverProbe::ResultKeys keys = DriverProbe::ResultKeysOf(code);
    FUZZ_CHECK(!keys.footer.empty() && !keys.message.empty());
    return 0;
}
