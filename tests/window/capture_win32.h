// The pixels of a Win32 window as the screen shows them, for the window tests on Win32.
#pragma once

#include "wizard/ui/win32/runtime.h"

#include <cstdint>
#include <vector>

namespace window_test {

// The form's client area as it is drawn, 0x00RRGGBB a pixel, rows from the top.
class Capture {
public:
    explicit Capture(ui::Form& form) : Capture(ui::win32::HwndOf(form)) {}
    explicit Capture(HWND form);
    std::uint32_t At(int x, int y) const;
    // At a point of a control, in the control's client coordinates.
    std::uint32_t At(HWND control, int x, int y) const;
    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

private:
    HWND form_;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace window_test
