#include "platform/codepage.h"

namespace platform {

void ConsoleOutputDecoder::Feed(std::string_view bytes, std::string& out)
{
    if (translateFromOem_)
        AppendCp437AsUtf8(bytes, out);
    else
        utf8_.Feed(bytes, out);
}

void ConsoleOutputDecoder::Finish(std::string& out)
{
    if (!translateFromOem_) utf8_.Finish(out);
}

}  // namespace platform
