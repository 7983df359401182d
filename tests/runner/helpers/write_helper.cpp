// Test helper: carries out its arguments in order. out:TEXT / err:TEXT write TEXT,
// hex:out:HEX / hex:err:HEX write raw bytes, bytes:err:N writes N pattern bytes in one write,
// sleep:MS pauses, wait:FILE pauses until FILE exists (a minute at most), pid writes "pid=N\n"
// to standard error, close closes standard output and standard error, exit:N ends with status N,
// crash ends as a crash does: by SIGSEGV on POSIX, by an access violation nothing handles on
// Windows. No arguments: writes nothing.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/app.h"

namespace {

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        // In pieces that fit the count type of every C runtime's write.
        const auto piece = static_cast<unsigned>(std::min<std::size_t>(text.size() - done, 65536));
        const auto n = ::write(fd, text.data() + done, piece);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

int StreamOf(const std::string& name) { return name == "out" ? 1 : 2; }

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        const std::size_t colon = action.find(':');
        const std::string verb = action.substr(0, colon);
        const std::string rest = colon == std::string::npos ? "" : action.substr(colon + 1);
        if (verb == "out" || verb == "err") {
            WriteAll(StreamOf(verb), rest);
        } else if (verb == "hex" || verb == "bytes") {
            const std::size_t second = rest.find(':');
            const int fd = StreamOf(rest.substr(0, second));
            const std::string value = rest.substr(second + 1);
            std::string data;
            if (verb == "hex") {
                for (std::size_t k = 0; k + 1 < value.size(); k += 2)
                    data += static_cast<char>(std::strtol(value.substr(k, 2).c_str(), nullptr, 16));
            } else {
                const long count = std::atol(value.c_str());
                for (long k = 0; k < count; ++k) data += static_cast<char>('a' + k % 26);
            }
            WriteAll(fd, data);
        } else if (verb == "sleep") {
            ::usleep(static_cast<useconds_t>(std::atol(rest.c_str()) * 1000));
        } else if (verb == "wait") {
            // The test makes the file; the minute only ends a run whose test never does.
            std::error_code error;
            for (int k = 0; k < 12000 && !std::filesystem::exists(rest, error); ++k) ::usleep(5000);
        } else if (verb == "pid") {
            WriteAll(2, "pid=" + std::to_string(::getpid()) + "\n");
        } else if (verb == "close") {
            ::close(1);
            ::close(2);
        } else if (verb == "exit") {
            return std::atoi(rest.c_str());
        } else if (verb == "crash") {
            platform::EndAsCrash();
        }
    }
    return 0;
}
