// The program: the application object, the hooks through which the core shows message boxes,
// ends the program and lets window events run, and the start-up of the window.
#pragma once

#include <cstdint>

namespace WizardApp {

// Installs the window layer's hooks into the core: message boxes, the end of the program and
// the event hook of the command runner.
void InstallHooks();

// The command runner's event hook: runs pending window events and, when maxWaitMs > 0, waits
// until the pipe has data, a window event arrives or maxWaitMs has passed.
void RunWindowEvents(std::intptr_t readHandle, int maxWaitMs);

// Runs the wizard from start to end; the result is the program's exit status.
int Run(int argc, char** argv);

}  // namespace WizardApp
