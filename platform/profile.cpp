#include "platform/profile.h"

#include "platform/text.h"

namespace platform {
namespace {

// Blanks around names and values in an INI file.
constexpr std::string_view kIniBlanks = " \t\v";

// True when candidate equals the already folded name without regard to case; ASCII names,
// the usual case, are compared without building a folded copy (the fold of ASCII is its
// upper case, so the two comparisons agree).
bool NameMatches(std::string_view candidate, std::string_view folded)
{
    for (const char c : candidate) {
        if (static_cast<unsigned char>(c) >= 0x80) return text::FoldCase(candidate) == folded;
    }
    return text::EqualsIgnoringAsciiCase(candidate, folded);
}

}  // namespace

std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key)
{
    const std::string wantedSection = text::FoldCase(text::Trim(section, " "));
    const std::string wantedKey = text::FoldCase(text::Trim(key, " "));
    bool inSection = false;
    text::LineReader lines(text);
    std::string_view line;
    while (lines.Next(&line)) {
        line = text::TrimLeft(line, kIniBlanks);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            // Only the first section of a name is searched; a header without ']' still counts.
            if (inSection) return std::nullopt;
            std::string_view name = line.substr(1);
            const std::size_t close = name.find(']');
            if (close != std::string_view::npos) name = name.substr(0, close);
            inSection = NameMatches(text::Trim(name, kIniBlanks), wantedSection);
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (!NameMatches(text::Trim(line.substr(0, equals), kIniBlanks), wantedKey)) continue;
        std::string_view value = text::Trim(line.substr(equals + 1), kIniBlanks);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

}  // namespace platform
