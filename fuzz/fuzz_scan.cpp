// The bus scan's answer: the writer lines are the pieces between the first and the last line
// feed, untouched, and each splits into an address and a description that join back to it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text.h"
#include "wizard/driver_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    const auto lines = DriverProbe::SplitScanOutput(output);
    const auto feeds = static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
    FUZZ_CHECK(lines.size() == (feeds >= 2 ? feeds - 1 : 0));

    std::string middle;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].find('\n') == std::string::npos);
        middle += lines[i];
        middle += '\n';
    }
    if (!lines.empty()) {
        const std::size_t first = output.find('\n');
        const std::size_t last = output.rfind('\n');
        FUZZ_CHECK(output.substr(first + 1, last - first) == middle);
    }

    for (const std::string& line : lines) {
        const std::string address = DriverProbe::DeviceAddressOf(line);
        const std::string description = DriverProbe::WriterDescriptionOf(line);
        FUZZ_CHECK(line.rfind(address, 0) == 0);
        FUZZ_CHECK(line.size() >= description.size());
        FUZZ_CHECK(line.compare(line.size() - description.size(), description.size(), description) == 0);
        FUZZ_CHECK(platform::text::CountUtf8Chars(address) ==
                   std::min<std::size_t>(5, platform::text::CountUtf8Chars(line)));
        if (platform::text::CountUtf8Chars(line) <= 7) FUZZ_CHECK(description.empty());
        if (line.empty()) FUZZ_CHECK(DriverProbe::IsRefusedWriterChoice(line));
        // The command lines carry the address unchanged, inside the one line.
        const std::string probe = DriverProbe::ProbeCommandLine("/app", '/', 2, address, "plextor");
        FUZZ_CHECK(probe.find(" --device " + address + " --driver plextor -v 0") != std::string::npos);
    }
    return 0;
}
