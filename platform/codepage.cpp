#include "platform/codepage.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace platform {
namespace {

// Code points of the bytes 0x80 to 0xFF in code page 437.
constexpr std::uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 0x80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 0x90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // 0xA0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // 0xE0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

}  // namespace

void AppendCp437AsUtf8(std::string_view bytes, std::string& out)
{
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            text::AppendUtf8(out, kCp437High[byte - 0x80]);
    }
}

void Utf8StreamDecoder::Start(unsigned char byte, std::string& out)
{
    const std::optional<text::Utf8Lead> lead = text::Utf8LeadOf(byte);
    if (!lead || lead->continuationBytes == 0) {
        out += text::kReplacementCharacter;
        return;
    }
    needed_ = lead->continuationBytes;
    low_ = lead->low;
    high_ = lead->high;
    pending_[0] = byte;
    pendingSize_ = 1;
}

void Utf8StreamDecoder::Feed(std::string_view bytes, std::string& out)
{
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (needed_ == 0) {
            if (byte < 0x80) {
                std::size_t end = i + 1;
                while (end < n && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
                out.append(bytes.data() + i, end - i);
                i = end;
                continue;
            }
            Start(byte, out);
            ++i;
            continue;
        }
        if (byte < low_ || byte > high_) {
            // The sequence breaks off here; this byte starts afresh.
            out += text::kReplacementCharacter;
            needed_ = 0;
            pendingSize_ = 0;
            continue;
        }
        pending_[pendingSize_++] = byte;
        low_ = 0x80;
        high_ = 0xBF;
        if (--needed_ == 0) {
            out.append(reinterpret_cast<const char*>(pending_), static_cast<std::size_t>(pendingSize_));
            pendingSize_ = 0;
        }
        ++i;
    }
}

void Utf8StreamDecoder::Finish(std::string& out)
{
    if (needed_ != 0) out += text::kReplacementCharacter;
    needed_ = 0;
    pendingSize_ = 0;
}

}  // namespace platform
