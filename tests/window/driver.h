// How the window tests act on the window as a user does, and read back what only the toolkit
// knows: one implementation a runtime, driver_qt.cpp (Qt Widgets, offscreen) and driver_win32.cpp
// (Win32, under Wine). The tests hold the window through the logic's own handles; whatever a
// handle reads (captions, lists, states) comes from the toolkit's widgets already.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wizard/ui/ui.h"

namespace window_test {

// ----- Acting -----

// Presses the button with the mouse: down and up over it.
void Click(const ui::Button& button);
// The click a program sends the button (BM_CLICK; QAbstractButton::click), whatever the user sees.
void SendClick(const ui::Button& button);
// A click as it arrives from the user while the program is busy: safe from any thread.
void PostClick(const ui::Button& button);

enum class Key { Enter, Tab, BackTab };
// A key typed to the control that has the focus (to the window when none has it), and what it
// does once handled.
void Press(ui::Form& form, Key key);
// Alt with a letter: an access key. (On Qt the button clicks after a short animation: the
// events are run for a while after the key.)
void PressAlt(ui::Form& form, char letter);

// The close box.
void PressCloseBox(ui::Form& form);
// The close box as it comes from outside while the program is busy: safe from any thread.
void PostCloseBox(ui::Form& form);

// Makes the window the active one, the keyboard's, and waits until it is.
bool Activate(ui::Form& form);

// Runs the window events until done() holds (true) or test_policy::kFaultTimeoutMs has passed
// (false); and for a while, so that what was posted has been handled.
bool RunEventsUntil(const std::function<bool()>& done);
void RunEventsFor(int milliseconds);

// ----- Reading -----

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The pixels per inch the window is laid out at (96 for Qt's logical pixels).
int Dpi(ui::Form& form);
// Pixels for twips at the window's dpi, rounded half away from zero.
int Pixels(ui::Form& form, double twips);
// True when the user can see the control: the window shown, the control and every frame around it.
bool OnView(const ui::Control& control);
// The control's rectangle in its container's client area, and the name of that container (the
// window's name for the window itself).
PixelRect Geometry(const ui::Control& control);
std::string ContainerName(const ui::Control& control);
// The window's client area, its outer rectangle on the screen, and the work area of the screen.
PixelRect ClientArea(ui::Form& form);
PixelRect WindowRect(ui::Form& form);
PixelRect WorkArea();
void MoveWindowTo(ui::Form& form, int left, int top);
// How far, in pixels, the window may stand off centre when first shown, across and down: nothing
// on Win32, which knows the window's frame before it is on view; the frame's own size on Qt, which
// learns it only once the window is mapped and centres it as if it had none.
PixelRect CentringSlack(ui::Form& form);
// True when the user cannot change the window's size: no sizing border, no minimise or maximise.
bool FixedSize(ui::Form& form);
bool HasIcon(ui::Form& form);

// The name of the control with the keyboard focus; empty when the window itself has it, or no
// window of ours.
std::string FocusedControl(ui::Form& form);
// True when the window itself has the keyboard focus, none of its controls.
bool WindowHasFocus(ui::Form& form);
// The button that Enter presses when the focus is on none: the default.
bool IsDefault(const ui::Button& button);
// What a screen reader gives as the control's name.
std::string AccessibleName(const ui::Control& control);
// True while the window takes the user's input (false under a modal message box).
bool TakesInput(ui::Form& form);

// A label's font: its size in points and whether it is bold.
double FontPoints(const ui::Label& label);
bool Bold(const ui::Label& label);
// How many lines the label's caption takes at the label's width.
int LinesShown(const ui::Label& label);
// The banner's picture in pixels at 96 dpi.
PixelRect BannerSize(const ui::PictureBox& banner);
// The colour drawn at a point of a control (its client coordinates), 0x00RRGGBB.
std::uint32_t ColourAt(const ui::Control& control, int x, int y);
// The window's client area as it is drawn, every control in it: 0x00RRGGBB a pixel, by rows from
// the top, in the pixels of ClientArea.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const
    {
        return pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x));
    }
};
Picture Grab(ui::Form& form);
// The control's rectangle in the window's client area.
PixelRect InWindow(const ui::Control& control);
// True once the window is drawn through a skin.
bool Skinned(ui::Form& form);

// The message box on view, read from inside a message box observer.
struct MessageBoxView {
    std::string caption;
    bool hasOk = false;
    bool hasCancel = false;
};
MessageBoxView MessageBoxOnView();

// ----- The whole program in a child process -----

// Starts a user who, every few milliseconds, looks at the program's window and takes the next
// step once the window allows it: "enter" presses Enter, "finish" clicks Finish once it is there
// and enabled, "close" presses the close box. Called before the program starts its toolkit.
void StartScriptedUser(const std::vector<std::string>& steps);

}  // namespace window_test
