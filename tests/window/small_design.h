// A window of the runtime contract tests' own, small enough to reason about pixel by pixel.
#pragma once

#include "wizard/ui/ui.h"

namespace window_test {

// In twips: a page frame holding a list, the label that names it, a big label and a trough with
// a progress bar; a banner; OK (the default) and Cancel; a hidden frame with a button; a
// separator; the skin engine "skn".
ui::FormDesign SmallDesign();

}  // namespace window_test
