// How the Win32 runtime draws the window: plain (the system's colours) until a skin is applied,
// then through the skin's look, with the same gradients, gloss, radii and colours as the Qt
// runtime's style sheet. Shapes and gradients are drawn with GDI+ into a memory bitmap (so
// rounded corners are smooth and nothing flickers), text with GDI.
#pragma once

#include "wizard/ui/win32/runtime.h"

namespace ui::win32::paint {

// The form's client area: the skin's gradient, or the dialog colour.
void FormBackground(const FormWindow& form, HDC dc);
// A frame: what shows through it, then its own surface by its role.
void Frame(const ChildControl& frame, HDC dc);
// A skin label once skinned: what shows through it, then its text and that of every label that
// overlaps it, in the skin's label colour.
void Label(const ChildControl& label, HDC dc);
// A skinned list's closed field: face, border, drop-down button, arrow and the picked text.
void ComboFace(const ChildControl& combo, HDC dc);
// Owner-drawn parts: skinned buttons, the lists' items and closed fields, picture boxes.
void DrawItem(const FormWindow& form, const DRAWITEMSTRUCT& item);
// The height of a list's items for the form's font at its dpi.
int ListItemHeight(const FormWindow& form);

}  // namespace ui::win32::paint
