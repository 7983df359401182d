// What the Win32 runtime's tests share: a small design of their own, the window events run
// until something happens, the pixels of a window as the screen shows them, and the test
// program started again as a child for what ends a program.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wizard/ui/ui.h"

namespace uitest {

// A window of its own for the runtime's tests (twips): a page frame holding a list, a label and
// a trough with a progress bar; a banner; OK (the default) and Cancel; a hidden frame with a
// button; a label of the window itself; the skin engine "skn".
ui::FormDesign SmallDesign();

// Runs the window events until done() or the deadline; false when the deadline came first.
bool RunEventsUntil(const std::function<bool()>& done, int seconds = 10);
// Runs the window events for a while, so that what was posted has been handled.
void RunEventsFor(int milliseconds);

HWND Hwnd(ui::Control& control);
// Checks (with GoogleTest's EXPECT) that every control of the design sits in its container
// where its twips put it at dpi, and that the client area has the design's size.
void ExpectLaidOut(ui::Form& form, const ui::FormDesign& design, UINT dpi);
// Tells the window that its screen's dpi changed, as Windows does when it moves to another one.
void ChangeDpi(ui::Form& form, UINT dpi);
HWND Hwnd(ui::Form& form);
// The control's window rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd);
std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);

// The form's client area as it is drawn, 0x00RRGGBB a pixel, rows from the top.
class Capture {
public:
    explicit Capture(ui::Form& form);
    std::uint32_t At(int x, int y) const;
    // At a point of a control, in the control's client coordinates.
    std::uint32_t At(HWND control, int x, int y) const;
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    HWND form_;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

std::uint32_t Rgb(const skin::Colour& colour);
std::uint32_t Rgb(COLORREF colour);
// True when two colours differ by at most tolerance in each channel.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 3);
std::string Hex(std::uint32_t colour);

// The pixels of a JPEG file decoded by GDI+, for comparing with what the window shows.
std::vector<std::uint32_t> DecodePicture(const std::wstring& path, int& width, int& height);

// An anonymous pipe whose write end the test holds: silent until the test writes.
struct Pipe {
    Pipe();
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

// The outcome of this test program run again as a child: its exit status and the message
// boxes it showed, one "icon|text" line each (icon 0 none, 1 information, 2 error).
struct ChildOutcome {
    int status = -1;
    std::string messages;
};
// Runs this program with "--child <scenario> <arguments...>"; every message box is recorded and
// closed with OK. Environment values given are set for the child only.
ChildOutcome RunChild(const std::string& scenario, const std::vector<std::string>& arguments = {},
                      const std::vector<std::pair<std::string, std::string>>& environment = {});

// In the child: the file that records its message boxes, from the parent's command line.
void RecordMessageBoxesTo(const std::string& path);

// The scenarios a child can run, by name; each returns the exit status or ends the program.
using ChildScenario = std::function<int(const std::vector<std::string>& arguments)>;
void RegisterChildScenario(const std::string& name, ChildScenario scenario);
int RunChildScenario(const std::string& name, const std::vector<std::string>& arguments);

}  // namespace uitest
