// The program: the hooks through which the core shows message boxes, ends the program and lets
// window events run while a tool runs, and the wizard's run from start-up to its end. Plain C++
// over the window runtime.
#pragma once

namespace WizardApp {

// Installs the window runtime's hooks into the core: message boxes, the end of the program and
// the event hook of the command runner.
void InstallHooks();

// Runs the wizard from start to end; the result is the program's exit status. The program takes
// no arguments: argc and argv go to the window toolkit only.
int Run(int argc, char** argv);

}  // namespace WizardApp
