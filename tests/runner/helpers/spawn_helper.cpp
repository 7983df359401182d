// Test helper with a grandchild. "hold MS": the grandchild keeps the inherited output open for
// MS milliseconds after the child has ended. "forever [ignore-term]": child and grandchild
// report their ids and never end (optionally ignoring SIGTERM).
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Say(const std::string& text) { (void)!::write(2, text.data(), text.size()); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "hold") == 0) {
        if (::fork() == 0) {
            ::usleep(static_cast<useconds_t>(std::atol(argv[2]) * 1000));
            Say("grandchild done\n");
            return 0;
        }
        Say("child done\n");
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "forever") == 0) {
        if (argc >= 3 && std::strcmp(argv[2], "ignore-term") == 0) ::signal(SIGTERM, SIG_IGN);
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
            for (;;) ::pause();
        Say("child=" + std::to_string(::getpid()) + " grandchild=" + std::to_string(grandchild) + "\n");
        for (;;) ::pause();
    }
    return 2;
}
