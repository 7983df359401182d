#include "wizard/wizard_app.h"

int main(int argc, char** argv) { return WizardApp::Run(argc, argv); }
