// The language file reader: bytes of any encoding decoded to text, then the INI lookup. The
// input's first line names the section and key looked for, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/profile.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    std::string_view query = input.substr(0, lineEnd == std::string_view::npos ? 0 : lineEnd);
    const std::string_view bytes = lineEnd == std::string_view::npos ? input : input.substr(lineEnd + 1);
    const std::size_t equals = query.find('=');
    const std::string_view section = query.substr(0, equals);
    const std::string_view key = equals == std::string_view::npos ? "2000" : query.substr(equals + 1);

    platform::text::Encoding encoding{};
    const std::string text = platform::text::DecodeText(bytes, &encoding);
    FUZZ_CHECK(platform::text::IsValidUtf8(text));

    for (const std::string_view wanted : {section, std::string_view("Velthorn")}) {
        const auto found = platform::FindProfileString(text, wanted, key);
        if (!found) continue;
        // A value is one line of the file, never more.
        FUZZ_CHECK(found->find('\n') == std::string::npos && found->find('\r') == std::string::npos);
        FUZZ_CHECK(found->size() <= text.size());
        // Cutting to the reader's limit never splits a character.
        const std::size_t cut = platform::text::Utf8PrefixBytes(*found, 254);
        FUZZ_CHECK(platform::text::IsValidUtf8(std::string_view(*found).substr(0, cut)));
        FUZZ_CHECK(platform::text::CountUtf8Chars(std::string_view(*found).substr(0, cut)) <= 254);
    }
    // Letter case of the names does not matter.
    const std::string foldedSection = platform::text::FoldCase(section);
    const std::string foldedKey = platform::text::FoldCase(key);
    FUZZ_CHECK(platform::FindProfileString(text, section, key) ==
               platform::FindProfileString(text, foldedSection, foldedKey));
    return 0;
}
