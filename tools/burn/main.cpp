// Burn.exe, the stand-in recording tool: answers the wizard's command lines from a scenario
// file instead of a real CD writer. Every answer goes to standard error, as the wizard reads
// only that stream.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/app.h"
#include "tools/burn/answers.h"
#include "tools/burn/scenario.h"

namespace {

void Write(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// One line per run, appended, so tests can see the exact command lines the tool received.
void LogCommandLine(int argc, char** argv)
{
    const char* logPath = std::getenv("TESSALINE_BURN_LOG");
    if (!logPath || !*logPath) return;
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) line += ' ';
        line += argv[i];
    }
    line += '\n';
    std::ofstream log(logPath, std::ios::app | std::ios::binary);
    log << line;
}

bool LoadScenario(burn::Scenario& scenario, std::string& error)
{
    std::string path = platform::EnvironmentVariable("TESSALINE_BURN_SCENARIO").value_or("");
    if (path.empty()) {
        const std::string folder = platform::ExecutableDirectory();
        path = platform::JoinPath(folder.empty() ? std::string(".") : folder, "burn-sim.ini");
    }
    std::string text;
    if (platform::ReadWholeFile(path, &text) != platform::FileReadStatus::Ok) {
        error = "cannot read the scenario file " + path;
        return false;
    }
    std::string parseError;
    if (!burn::ParseScenario(text, scenario, parseError)) {
        error = "scenario file " + path + ", " + parseError;
        return false;
    }
    return true;
}

int Perform(const burn::Answer& answer)
{
    for (const burn::Step& step : answer.steps) {
        switch (step.kind) {
        case burn::Step::Kind::StandardError: Write(stderr, step.text); break;
        case burn::Step::Kind::StandardOutput: Write(stdout, step.text); break;
        case burn::Step::Kind::Pause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
            break;
        }
    }
    if (answer.crash) platform::EndAsCrash();
    return answer.exitStatus;
}

}  // namespace

int main(int argc, char** argv)
{
    LogCommandLine(argc, argv);

    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    burn::Invocation invocation;
    std::string error;
    if (!burn::ParseArguments(arguments, invocation, error)) return Perform(burn::UsageAnswer(error));

    burn::Scenario scenario;
    if (!LoadScenario(scenario, error)) {
        Write(stderr, "Burn: " + error + "\n");
        return burn::kExitScenario;
    }
    return Perform(burn::AnswerFor(invocation, scenario, burn::CheckCueSheet));
}
