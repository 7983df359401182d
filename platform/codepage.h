// Turning the bytes a console program writes into UTF-8 text. Output arrives in chunks of
// arbitrary size, so the UTF-8 decoder keeps a character that is split between two chunks
// and completes it with the next one.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Appends bytes taken as code page 437 (the console code page of US Windows) to out as UTF-8.
// Bytes below 0x80 are ASCII and pass unchanged.
void AppendCp437AsUtf8(std::string_view bytes, std::string& out);

// Checks a byte stream as UTF-8 and appends it to out. Well-formed characters pass unchanged;
// every maximal ill-formed subsequence (a stray continuation byte, a lead byte whose sequence
// breaks off, an overlong form, a surrogate, a code point above U+10FFFF) becomes one U+FFFD.
class Utf8StreamDecoder {
public:
    // Appends what can be decided from bytes; an unfinished character at the end is held back.
    void Feed(std::string_view bytes, std::string& out);
    // Ends the stream: a character still unfinished becomes U+FFFD.
    void Finish(std::string& out);

private:
    void Start(unsigned char byte, std::string& out);

    unsigned char pending_[4] = {};
    int pendingSize_ = 0;
    int needed_ = 0;            // continuation bytes still missing
    unsigned char low_ = 0x80;  // range allowed for the next continuation byte
    unsigned char high_ = 0xBF;
};

// What a console program writes, turned into UTF-8 chunk by chunk as the command runner reads
// it. POSIX: the bytes are UTF-8, or code page 437 when translating from OEM. Windows: the bytes
// are in the ANSI code page, translated first from the OEM code page by OemToCharBuffA when
// asked; a double-byte character split between chunks is completed by the next one.
class ConsoleOutputDecoder {
public:
    explicit ConsoleOutputDecoder(bool translateFromOem) : translateFromOem_(translateFromOem) {}
    void Feed(std::string_view bytes, std::string& out);
    void Finish(std::string& out);

private:
    bool translateFromOem_;
    Utf8StreamDecoder utf8_;
    std::string held_;
};

}  // namespace platform
