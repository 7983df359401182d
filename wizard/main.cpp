#include "wizard/WizardApp.h"

int main(int argc, char** argv) { return WizardApp::Run(argc, argv); }
