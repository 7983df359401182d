// Text encodings used by the file readers: UTF-8 checks and counting, Windows-1252 and UTF-16LE to
// UTF-8, and a simple letter-case fold for names that match without regard to case. Pure functions
// over bytes; invalid input never fails, it is replaced (U+FFFD) or passed through as stated.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::text {

// True when bytes is well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Number of code points in valid UTF-8 text.
std::size_t CountUtf8Chars(std::string_view utf8);

// Byte length of the first maxChars code points of valid UTF-8 text (all of it when shorter).
std::size_t Utf8PrefixBytes(std::string_view utf8, std::size_t maxChars);

// Every byte is one character; the five bytes that Windows-1252 leaves undefined map to the C1
// control of the same number, as the Windows conversion does.
std::string Windows1252ToUtf8(std::string_view bytes);

// Little-endian UTF-16 without BOM; unpaired surrogates and an odd last byte become U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

enum class Encoding { Utf8, Utf8Bom, Utf16LeBom, Windows1252 };

// Decodes the contents of a text file: UTF-16LE when it starts with its BOM, UTF-8 (its BOM
// skipped) when valid, Windows-1252 otherwise. The result is UTF-8.
std::string DecodeText(std::string_view bytes, Encoding* detected = nullptr);

// Upper-cases ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters so that two names can
// be compared without regard to case; other characters and invalid bytes are kept as they are.
std::string FoldCase(std::string_view utf8);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

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
