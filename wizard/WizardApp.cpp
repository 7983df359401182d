#include "wizard/WizardApp.h"
