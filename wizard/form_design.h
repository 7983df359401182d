// The design of the window frmSelectDriver: every control with its container, position and size
// in twips, visibility, tab index, design-time text and font, and the settings stored with the
// skin engine. Both window runtimes build the window from this one table.
#pragma once

#include "wizard/ui/ui.h"

const ui::FormDesign& frmSelectDriverDesign();
