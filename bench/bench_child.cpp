// Child program of the runner benchmark. "stream N": N bytes to standard error in 64 KiB
// writes. "silent MS": a line, MS milliseconds of silence, a line. Anything else: nothing.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "stream") == 0) {
        std::string block(65536, 'x');
        for (std::size_t k = 0; k < block.size(); k += 64) block[k] = '\n';
        long long left = std::atoll(argv[2]);
        while (left > 0) {
            const std::size_t size =
                left < static_cast<long long>(block.size()) ? static_cast<std::size_t>(left) : block.size();
            const ssize_t n = ::write(2, block.data(), size);
            if (n <= 0) return 1;
            left -= n;
        }
    } else if (argc >= 3 && std::strcmp(argv[1], "silent") == 0) {
        (void)!::write(2, "start\n", 6);
        ::usleep(static_cast<useconds_t>(std::atol(argv[2]) * 1000));
        (void)!::write(2, "end\n", 4);
    }
    return 0;
}
