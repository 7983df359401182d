// The program: the application object, the hooks through which the core shows message boxes,
// ends the program and lets window events run, and the start-up of the window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace WizardApp {

// Installs the window layer's hooks into the core: message boxes, the end of the program and
// the event hook of the command runner.
void InstallHooks();

// The command runner's event hook: runs pending window events and, when maxWaitMs > 0, waits
// until the pipe has data, a window event arrives or maxWaitMs has passed.
void RunWindowEvents(std::intptr_t readHandle, int maxWaitMs);

// Runs the wizard from start to end; the result is the program's exit status.
int Run(int argc, char** argv);

// For tests of the whole program: called with each message box's text and icon once the box is
// on view; returning true closes the box as if OK had been pressed.
using MessageBoxObserver = std::function<bool(const std::string& text, int icon)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

}  // namespace WizardApp
