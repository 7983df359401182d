#include "platform/profile.h"

#include "platform/text.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TrimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// True when candidate equals the already folded name without regard to case; ASCII names,
// the usual case, are compared without building a folded copy.
bool NameMatches(std::string_view candidate, std::string_view folded)
{
    bool ascii = true;
    for (const char c : candidate) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) return text::FoldCase(candidate) == folded;
    if (candidate.size() != folded.size()) return false;
    for (std::size_t i = 0; i < candidate.size(); ++i) {
        char c = candidate[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        if (c != folded[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key)
{
    const std::string wantedSection = text::FoldCase(TrimSpaces(section));
    const std::string wantedKey = text::FoldCase(TrimSpaces(key));
    bool inSection = false;
    text::LineReader lines(text);
    std::string_view line;
    while (lines.Next(&line)) {
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            // Only the first section of a name is searched; a header without ']' still counts.
            if (inSection) return std::nullopt;
            std::string_view name = line.substr(1);
            const std::size_t close = name.find(']');
            if (close != std::string_view::npos) name = name.substr(0, close);
            inSection = NameMatches(TrimBlanks(name), wantedSection);
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (!NameMatches(TrimBlanks(line.substr(0, equals)), wantedKey)) continue;
        std::string_view value = TrimBlanks(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

}  // namespace platform
