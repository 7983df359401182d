// Where a control of a window's design sits in the window's client area, in pixels at 96 dots per
// inch: what the scripts' wizard driver clicks and crops by (form_geometry_main.cpp).
#pragma once

#include <string>

#include "wizard/ui/ui.h"

namespace form_geometry {

// The control's rectangle in the client area, in pixels; the form's own name gives the client
// area. Each container's position is turned into pixels on its own and added, as both window
// runtimes place a control in its container. Throws std::invalid_argument for a name the design
// lacks, a container it lacks, or containers that hold each other.
ui::Rect ClientRect(const ui::FormDesign& design, const std::string& name);

}  // namespace form_geometry
