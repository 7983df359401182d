// Linked into the helper programs on Windows: they write bytes exactly, so the C runtime's text
// mode must not turn "\n" into "\r\n" on their standard streams.
#include <fcntl.h>
#include <io.h>

namespace {

const bool binaryStreams = [] {
    _setmode(1, _O_BINARY);
    _setmode(2, _O_BINARY);
    return true;
}();

}  // namespace
