#include "tools/burn/answers.h"

#include <cstdio>

#include "platform/text.h"

namespace burn {
namespace {

constexpr char kUsage[] =
    "Usage: Burn.exe <command> [options]\n"
    "  scanbus [-v level]\n"
    "  disk-info --device address [--driver name] [-v level]\n"
    "  simulate --device address [--driver name] [-v level] [-n] [--reload] [--eject] cue-sheet\n";

class AnswerBuilder {
public:
    void Error(std::string text) { answer_.steps.push_back({Step::Kind::StandardError, std::move(text), 0}); }
    void Output(const std::string& line)
    {
        if (!line.empty()) answer_.steps.push_back({Step::Kind::StandardOutput, line + "\n", 0});
    }
    void Pause(int ms)
    {
        if (ms > 0) answer_.steps.push_back({Step::Kind::Pause, {}, ms});
    }
    void Filler(std::size_t size)
    {
        if (size > 0) Error(FillerText(size));
    }
    Answer Finish(int exitStatus)
    {
        answer_.exitStatus = exitStatus;
        return std::move(answer_);
    }
    // The pause and the filler of the behaviour; true when the tool is to crash after them.
    bool Behave(const Behaviour& behaviour)
    {
        Pause(behaviour.delayMs);
        Filler(behaviour.extraBytes);
        answer_.crash = behaviour.crash;
        return behaviour.crash;
    }

private:
    Answer answer_;
};

std::string DriverName(const Invocation& invocation)
{
    return invocation.driver ? *invocation.driver : std::string(kDefaultDriver);
}

// "--driver (default)" names no real driver: the default one is chosen by leaving it out.
bool DriverAccepted(const Writer& writer, const Invocation& invocation)
{
    if (invocation.driver && *invocation.driver == kDefaultDriver) return false;
    return writer.Accepts(DriverName(invocation));
}

// The end of an answer when the writer does not work with the driver asked for.
Answer DriverRefused(AnswerBuilder& answer, const Invocation& invocation, const Writer& writer)
{
    answer.Error("Burn: Cannot read driver " + DriverName(invocation) + " for device " + writer.address +
                 "\n");
    return answer.Finish(kExitFailure);
}

Answer ScanBusAnswer(const Scenario& scenario)
{
    const ScanOptions& scan = scenario.scan;
    const std::string eol = scan.crlf ? "\r\n" : "\n";
    AnswerBuilder answer;
    answer.Output(scan.behaviour.standardOutput);

    std::string first = scan.heading + eol;
    std::string rest;
    if (scan.adapters) {
        for (const Writer& writer : scenario.writers)
            rest += writer.address + "  " + writer.description + eol;
    } else {
        rest += "Could not find any host adapters" + eol;
    }
    for (const std::string& line : scan.extraLines) rest += line + eol;
    if (!scan.finalLineFeed) {
        std::string& last = rest.empty() ? first : rest;
        if (last.size() >= eol.size() && last.compare(last.size() - eol.size(), eol.size(), eol) == 0)
            last.resize(last.size() - eol.size());
    }

    answer.Error(std::move(first));
    if (answer.Behave(scan.behaviour)) return answer.Finish(0);
    if (!rest.empty()) answer.Error(std::move(rest));
    return answer.Finish(scan.adapters ? 0 : kExitFailure);
}

Answer DiskInfoAnswer(const Invocation& invocation, const Writer& writer)
{
    AnswerBuilder answer;
    answer.Output(writer.diskInfo.standardOutput);
    if (answer.Behave(writer.diskInfo)) return answer.Finish(0);
    if (!DriverAccepted(writer, invocation)) return DriverRefused(answer, invocation, writer);
    answer.Error("Device " + writer.address + ": " + writer.description + "\n" +
                 "Driver           : " + DriverName(invocation) + "\n" +
                 "Inserted medium  : CD-R, empty\n"
                 "Total capacity   : 79:59:74 (359849 blocks, 702 MB)\n"
                 "Session          : open\n");
    return answer.Finish(0);
}

Answer SimulateAnswer(const Invocation& invocation, const Writer& writer, const CueSheetCheck& checkCueSheet)
{
    AnswerBuilder answer;
    answer.Output(writer.simulate.standardOutput);
    CueSheetReport cueSheet = checkCueSheet(invocation.cueSheet);
    if (cueSheet.status != CueSheetStatus::Usable) {
        answer.Error(std::move(cueSheet.message));
        return answer.Finish(kExitFailure);
    }
    if (!DriverAccepted(writer, invocation)) return DriverRefused(answer, invocation, writer);
    answer.Error("Burn: simulating a write of " + invocation.cueSheet + " on " + writer.address + " (" +
                 writer.description + ") with driver " + DriverName(invocation) + "\n");
    if (answer.Behave(writer.simulate)) return answer.Finish(0);

    int status = 0;
    if (writer.simulateOutcome.empty()) {
        answer.Error("Burn: the simulation ended\n");
    } else if (writer.simulateOutcome == "finished successfully") {
        answer.Error("Burn: Simulation finished successfully\n");
    } else {
        answer.Error("Burn: " + writer.simulateOutcome + "\n");
        status = kExitFailure;
    }
    if (invocation.eject) answer.Error("Burn: disc ejected\n");
    return answer.Finish(status);
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& arguments, Invocation& invocation, std::string& error)
{
    Invocation parsed;
    if (arguments.empty()) {
        error = "no command given";
        return false;
    }
    const std::string command = platform::text::AsciiLowerCase(arguments[0]);
    if (command == "scanbus")
        parsed.command = Command::ScanBus;
    else if (command == "disk-info")
        parsed.command = Command::DiskInfo;
    else if (command == "simulate")
        parsed.command = Command::Simulate;
    else {
        error = "unknown command " + arguments[0];
        return false;
    }
    const bool onDevice = parsed.command != Command::ScanBus;
    const bool writes = parsed.command == Command::Simulate;

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<std::string>* valued = nullptr;
        bool* flag = nullptr;
        bool allowed = true;
        if (argument == "--device") {
            valued = &parsed.device;
            allowed = onDevice;
        } else if (argument == "--driver") {
            valued = &parsed.driver;
            allowed = onDevice;
        } else if (argument == "-v") {
            valued = &parsed.verbosity;
        } else if (argument == "-n") {
            flag = &parsed.noPause;
            allowed = writes;
        } else if (argument == "--reload") {
            flag = &parsed.reload;
            allowed = writes;
        } else if (argument == "--eject") {
            flag = &parsed.eject;
            allowed = writes;
        } else if (argument.size() > 1 && argument.front() == '-') {
            error = "unknown option " + argument;
            return false;
        } else if (writes && parsed.cueSheet.empty()) {
            parsed.cueSheet = argument;
            continue;
        } else {
            error = "unexpected argument " + argument;
            return false;
        }

        if (!allowed) {
            error = "option " + argument + " does not go with " + arguments[0];
            return false;
        }
        if (flag) {
            *flag = true;
            continue;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 1].front() == '-') {
            error = "option " + argument + " needs a value";
            return false;
        }
        if (valued->has_value()) {
            error = "option " + argument + " is given twice";
            return false;
        }
        *valued = arguments[++i];
    }

    if (onDevice && !parsed.device) {
        error = arguments[0] + " needs --device";
        return false;
    }
    if (writes && parsed.cueSheet.empty()) {
        error = "simulate needs a cue sheet";
        return false;
    }
    invocation = std::move(parsed);
    return true;
}

Answer UsageAnswer(const std::string& reason)
{
    AnswerBuilder answer;
    answer.Error("Burn: " + reason + "\n" + kUsage);
    return answer.Finish(kExitUsage);
}

Answer AnswerFor(const Invocation& invocation, const Scenario& scenario, const CueSheetCheck& checkCueSheet)
{
    if (invocation.command == Command::ScanBus) return ScanBusAnswer(scenario);
    const Writer* writer = scenario.FindWriter(*invocation.device);
    if (!writer) return UsageAnswer("unknown device " + *invocation.device);
    if (invocation.command == Command::DiskInfo) return DiskInfoAnswer(invocation, *writer);
    return SimulateAnswer(invocation, *writer, checkCueSheet);
}

std::string FillerText(std::size_t size)
{
    constexpr std::size_t kLine = 64;
    std::string text;
    text.reserve(size);
    std::size_t number = 1;
    while (text.size() < size) {
        char head[32];
        std::snprintf(head, sizeof head, "filler %06zu ", number++);
        std::string line(head);
        line.resize(kLine - 1, '.');
        line += '\n';
        const std::size_t room = size - text.size();
        if (room < kLine) {
            line.resize(room - 1);
            line += '\n';
        }
        text += line;
    }
    return text;
}

}  // namespace burn
