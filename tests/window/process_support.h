// What the window tests need of processes and pipes, one implementation a platform
// (process_posix.cpp, process_win.cpp), and the child scenarios a test runs this program as.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/handle.h"

namespace window_test {

// An anonymous pipe whose write end the test holds: silent until the test writes.
class Pipe {
public:
    Pipe();
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    platform::NativeHandle ReadEnd() const { return read_; }
    void WriteByte();
    void CloseWriteEnd();
    // How many bytes the read end could give now.
    std::size_t Available() const;

private:
    platform::NativeHandle read_ = platform::kNoHandle;
    platform::NativeHandle write_ = platform::kNoHandle;
};

// Copies of the stand-in tool (Burn.exe) that this process started and that still run.
int RunningTools();

// The outcome of this test program run again as a child: its exit status and the message boxes
// it showed, one "icon|text" line each (icon 0 none, 1 information, 2 error).
struct ChildOutcome {
    int status = -1;
    std::string messages;
};
// Runs this program with "--child <scenario> --messages <file> <arguments...>" and waits for it;
// every message box is recorded and closed with OK. The environment values are the child's only.
// A child that does not end within a minute is ended and gives status 99.
ChildOutcome RunChild(const std::string& scenario, const std::vector<std::string>& arguments = {},
                      const std::vector<std::pair<std::string, std::string>>& environment = {});

// In the child: the file that records its message boxes.
void RecordMessageBoxesTo(const std::string& path);

// The scenarios a child can run, by name; each returns the exit status or ends the program.
using ChildScenario = std::function<int(const std::vector<std::string>& arguments)>;
void RegisterChildScenario(const std::string& name, ChildScenario scenario);
int RunChildScenario(const std::string& name, const std::vector<std::string>& arguments);

}  // namespace window_test
