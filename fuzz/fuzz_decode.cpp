// Decoding the tool's output: however the bytes are cut into chunks, the UTF-8 decoder gives the
// same valid text; code page 437 gives two or three bytes of UTF-8 per byte at most. The first
// byte of the input chooses the chunk sizes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/codepage.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const unsigned seed = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::string whole;
    platform::Utf8StreamDecoder once;
    once.Feed(bytes, whole);
    once.Finish(whole);
    FUZZ_CHECK(platform::text::IsValidUtf8(whole));
    if (platform::text::IsValidUtf8(bytes)) FUZZ_CHECK(whole == bytes);

    std::string chunked;
    platform::ConsoleOutputDecoder decoder(false);
    std::size_t pos = 0;
    for (unsigned step = seed;; step = step * 37 + 11) {
        const std::size_t length = std::min<std::size_t>(1 + step % 7, bytes.size() - pos);
        decoder.Feed(bytes.substr(pos, length), chunked);
        pos += length;
        if (pos >= bytes.size()) break;
    }
    decoder.Finish(chunked);
    FUZZ_CHECK(chunked == whole);

    std::string oem;
    platform::ConsoleOutputDecoder oemDecoder(true);
    oemDecoder.Feed(bytes, oem);
    oemDecoder.Finish(oem);
    FUZZ_CHECK(platform::text::IsValidUtf8(oem));
    FUZZ_CHECK(platform::text::CountUtf8Chars(oem) == bytes.size());

    const std::string latin = platform::text::Windows1252ToUtf8(bytes);
    FUZZ_CHECK(platform::text::CountUtf8Chars(latin) == bytes.size());
    FUZZ_CHECK(platform::text::IsValidUtf8(platform::text::Utf16LeToUtf8(bytes)));
    const std::string folded = platform::text::FoldCase(whole);
    FUZZ_CHECK(platform::text::IsValidUtf8(folded));
    FUZZ_CHECK(platform::text::FoldCase(folded) == folded);
    return 0;
}
