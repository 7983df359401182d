// What the Qt runtime shows of itself beyond the neutral interface: the widgets behind a form and
// its controls, for the window's tests.
#pragma once

#include <QStringList>
#include <QWidget>

#include "wizard/ui/ui.h"

namespace ui::qt {

QWidget* WidgetOf(Form& form);
QWidget* WidgetOf(const Control& control);

// The families tried for a font named family, best first: the face itself, then faces of about
// its width, then any sans-serif. The skin labels' design face, "MS Sans Serif", is loaded from
// the font files found on the system (Wine's TrueType copy) the first time a window is built.
QStringList FontFamiliesFor(const QString& family);

}  // namespace ui::qt
