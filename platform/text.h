// Text helpers shared by the platform layer, the settings, the driver test and the stand-in tool:
// UTF-8 checks, counting and encoding; Windows-1252 and UTF-16LE to UTF-8; letter case, both
// ASCII and a simple fold for names that match without regard to case; blanks and trimming;
// splitting and lines. Pure functions over bytes; invalid input never fails, it is replaced
// (U+FFFD) or passed through as stated.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// ---- UTF-8

// U+FFFD, the replacement character, in UTF-8.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

inline bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// What a lead byte asks of the bytes after it in well-formed UTF-8: how many continuation bytes
// follow (0 for ASCII), and the range the first of them must lie in; any others lie in 0x80..0xBF.
// The ranges rule out overlong forms, surrogates and values above U+10FFFF.
struct Utf8Lead {
    int continuationBytes = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};
// Nothing for a byte that starts no character: a continuation byte, 0xC0, 0xC1 or 0xF5 to 0xFF.
std::optional<Utf8Lead> Utf8LeadOf(unsigned char byte);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// True when bytes is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Number of code points in valid UTF-8 text.
std::size_t CountUtf8Chars(std::string_view utf8);

// Byte length of the first maxChars code points of valid UTF-8 text (all of it when shorter).
std::size_t Utf8PrefixBytes(std::string_view utf8, std::size_t maxChars);

// ---- Other encodings

// Every byte is one character; the five bytes that Windows-1252 leaves undefined map to the C1
// control of the same number, as the Windows conversion does.
std::string Windows1252ToUtf8(std::string_view bytes);

// Little-endian UTF-16 without BOM; unpaired surrogates and an odd last byte become U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

enum class Encoding { Utf8, Utf8Bom, Utf16LeBom, Windows1252 };

// Decodes the contents of a text file: UTF-16LE when it starts with its BOM, UTF-8 (its BOM
// skipped) when valid, Windows-1252 otherwise. The result is UTF-8.
std::string DecodeText(std::string_view bytes, Encoding* detected = nullptr);

// ---- Letter case

// ASCII letters only; every other byte is kept. For keywords and phrases of a fixed spelling.
char AsciiLower(char c);
char AsciiUpper(char c);
std::string AsciiLowerCase(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Upper-cases ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters so that two names can
// be compared without regard to case, as Windows compares names of files, keys and sections;
// other characters and invalid bytes are kept as they are.
std::string FoldCase(std::string_view utf8);

// ---- Blanks, splitting, lines

// Which characters are blanks depends on what is read, so the readers name their set: space and
// tab by default (command lines, .reg files, numbers), with a vertical tab in INI files, with a
// carriage return in the stand-in tool's files, or the space alone.
inline constexpr std::string_view kSpaceAndTab = " \t";

bool IsBlank(char c, std::string_view blanks = kSpaceAndTab);
std::string_view TrimLeft(std::string_view text, std::string_view blanks = kSpaceAndTab);
std::string_view TrimRight(std::string_view text, std::string_view blanks = kSpaceAndTab);
std::string_view Trim(std::string_view text, std::string_view blanks = kSpaceAndTab);

// The pieces between the separators, empty ones included: n separators give n + 1 pieces.
std::vector<std::string_view> Split(std::string_view text, char separator);

// Cuts text into lines at CR LF, LF or a lone CR; the last line needs no line end.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view* line);
    std::size_t Number() const { return number_; }  // of the last line returned, from 1

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

}  // namespace platform::text
