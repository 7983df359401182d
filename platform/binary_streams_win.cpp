// Linked into the console programs of ours that write exact bytes (the stand-in tool, the test
// helpers): the C runtime's text mode must not turn "\n" into "\r\n" on their standard streams.
// An object library of its own (see CMakeLists.txt), so that this start-up code is always linked.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

const bool binaryStreams = [] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();

}  // namespace
