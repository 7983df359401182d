#include "platform/text.h"

#include <array>
#include <cstdint>

namespace platform::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at bytes[pos]. Returns its length in bytes, or 0 when the sequence
// there is not well-formed.
std::size_t DecodeOne(std::string_view bytes, std::size_t pos, char32_t* out)
{
    const auto b0 = static_cast<unsigned char>(bytes[pos]);
    if (b0 < 0x80) {
        *out = b0;
        return 1;
    }
    const std::optional<Utf8Lead> lead = Utf8LeadOf(b0);
    if (!lead) return 0;
    const auto length = static_cast<std::size_t>(lead->continuationBytes) + 1;
    if (bytes.size() - pos < length) return 0;
    char32_t cp = b0 & (0xFFu >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[pos + i]);
        if (b < (i == 1 ? lead->low : 0x80) || b > (i == 1 ? lead->high : 0xBF)) return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    *out = cp;
    return length;
}

// Windows-1252 0x80..0x9F; the undefined bytes keep their own number.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A code point above ASCII; FoldCase folds ASCII itself.
char32_t FoldOne(char32_t cp)
{
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
    if (cp == 0xFF) return 0x178;
    if ((cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177)) return cp & ~char32_t{1};
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) {
        return (cp % 2 == 0) ? cp - 1 : cp;
    }
    if (cp == 0x3C2) return 0x3A3;
    if (cp >= 0x3B1 && cp <= 0x3C9) return cp - 0x20;
    if (cp >= 0x430 && cp <= 0x44F) return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;
    return cp;
}

}  // namespace

std::optional<Utf8Lead> Utf8LeadOf(unsigned char byte)
{
    if (byte < 0x80) return Utf8Lead{0, 0x80, 0xBF};
    if (byte >= 0xC2 && byte <= 0xDF) return Utf8Lead{1, 0x80, 0xBF};
    if (byte == 0xE0) return Utf8Lead{2, 0xA0, 0xBF};  // no overlong forms
    if (byte == 0xED) return Utf8Lead{2, 0x80, 0x9F};  // no surrogates
    if (byte >= 0xE1 && byte <= 0xEF) return Utf8Lead{2, 0x80, 0xBF};
    if (byte == 0xF0) return Utf8Lead{3, 0x90, 0xBF};  // no overlong forms
    if (byte == 0xF4) return Utf8Lead{3, 0x80, 0x8F};  // nothing above U+10FFFF
    if (byte >= 0xF1 && byte <= 0xF3) return Utf8Lead{3, 0x80, 0xBF};
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = DecodeOne(bytes, pos, &cp);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

std::size_t CountUtf8Chars(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8) {
        if (!IsUtf8Continuation(c)) ++count;
    }
    return count;
}

std::size_t Utf8PrefixBytes(std::string_view utf8, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++pos) {
        if (!IsUtf8Continuation(utf8[pos])) {
            if (chars == maxChars) return pos;
            ++chars;
        }
    }
    return utf8.size();
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else if (b < 0xA0) {
            AppendUtf8(out, kCp1252High[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string Utf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
    }
    if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);
    return out;
}

std::string DecodeText(std::string_view bytes, Encoding* detected)
{
    Encoding encoding = Encoding::Utf8;
    std::string out;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        encoding = Encoding::Utf16LeBom;
        out = Utf16LeToUtf8(bytes.substr(2));
    } else if (bytes.starts_with("\xEF\xBB\xBF") && IsValidUtf8(bytes.substr(3))) {
        encoding = Encoding::Utf8Bom;
        out = std::string(bytes.substr(3));
    } else if (IsValidUtf8(bytes)) {
        out = std::string(bytes);
    } else {
        encoding = Encoding::Windows1252;
        out = Windows1252ToUtf8(bytes);
    }
    if (detected != nullptr) *detected = encoding;
    return out;
}

std::string FoldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out.push_back(AsciiUpper(utf8[pos]));
            ++pos;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = DecodeOne(utf8, pos, &cp);
        if (length == 0) {
            out.push_back(utf8[pos]);
            ++pos;
            continue;
        }
        AppendUtf8(out, FoldOne(cp));
        pos += length;
    }
    return out;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiLowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

bool IsBlank(char c, std::string_view blanks) { return blanks.find(c) != std::string_view::npos; }

std::string_view TrimLeft(std::string_view text, std::string_view blanks)
{
    while (!text.empty() && IsBlank(text.front(), blanks)) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text, std::string_view blanks)
{
    while (!text.empty() && IsBlank(text.back(), blanks)) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text, std::string_view blanks)
{
    return TrimRight(TrimLeft(text, blanks), blanks);
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t end = text.find(separator);
        pieces.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return pieces;
        text.remove_prefix(end + 1);
    }
}

bool LineReader::Next(std::string_view* line)
{
    if (pos_ >= text_.size()) return false;
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    *line = text_.substr(pos_, end - pos_);
    if (end < text_.size()) {
        const bool cr = text_[end] == '\r';
        ++end;
        if (cr && end < text_.size() && text_[end] == '\n') ++end;
    }
    pos_ = end;
    ++number_;
    return true;
}

}  // namespace platform::text
