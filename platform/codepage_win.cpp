#include "platform/codepage.h"

#include <windows.h>

#include "platform/ansi_win.h"

namespace platform {

void ConsoleOutputDecoder::Feed(std::string_view bytes, std::string& out)
{
    std::string chunk = held_;
    held_.clear();
    const std::size_t start = chunk.size();
    chunk.append(bytes);
    if (translateFromOem_ && chunk.size() > start) {
        // In place, as the A call allows; only the bytes of this chunk, the held one is ANSI already.
        char* fresh = chunk.data() + start;
        ::OemToCharBuffA(fresh, fresh, static_cast<DWORD>(chunk.size() - start));
    }
    // A lead byte at the very end waits for its trail byte from the next chunk.
    std::size_t end = 0;
    std::size_t complete = 0;
    while (end < chunk.size()) {
        const bool lead = ::IsDBCSLeadByte(static_cast<BYTE>(chunk[end])) != 0;
        if (lead && end + 1 == chunk.size()) break;
        end += lead ? 2 : 1;
        complete = end;
    }
    held_ = chunk.substr(complete);
    out += win::AnsiToUtf8(std::string_view(chunk).substr(0, complete));
}

void ConsoleOutputDecoder::Finish(std::string& out)
{
    if (!held_.empty()) out += win::AnsiToUtf8(held_);
    held_.clear();
}

}  // namespace platform
