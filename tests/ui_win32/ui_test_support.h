// What the Win32 runtime's own tests share, beside the window tests of both runtimes
// (tests/window, whose small design and event loop they use): the windows behind a form, the
// layout at a dpi, and the pixels of a window as the screen shows them.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture_win32.h"
#include "driver.h"
#include "small_design.h"
#include "wizard/ui/win32/runtime.h"

namespace uitest {

using ui::win32::HwndOf;

// Checks (with GoogleTest's EXPECT) that every control of the design sits in its container
// where its twips put it at dpi, and that the client area has the design's size.
void ExpectLaidOut(ui::Form& form, UINT dpi);
// Tells the window that its screen's dpi changed, as Windows does when it moves to another one.
void ChangeDpi(ui::Form& form, UINT dpi);
// The control's window rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd);
std::wstring WindowText(HWND hwnd);
// The text the native list holds for an item.
std::wstring ListText(HWND combo, int index);
std::wstring ClassName(HWND hwnd);

using window_test::Capture;

std::uint32_t Rgb(const skin::Colour& colour);
std::uint32_t Rgb(COLORREF colour);
// True when two colours differ by at most tolerance in each channel.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 3);
std::string Hex(std::uint32_t colour);

// The pixels of a JPEG file decoded by GDI+, for comparing with what the window shows.
std::vector<std::uint32_t> DecodePicture(const std::wstring& path, int& width, int& height);

}  // namespace uitest
