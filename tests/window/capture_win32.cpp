#include "capture_win32.h"

#include <stdexcept>
#include <string>

#include "driver.h"

namespace window_test {

namespace gdi = ui::win32::gdi;

Capture::Capture(HWND form) : form_(form)
{
    ::RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RunEventsFor(50);
    RECT rc{};
    ::GetClientRect(form_, &rc);
    width_ = rc.right;
    height_ = rc.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC window = ::GetDC(form_);
    const gdi::MemoryDc memory(::CreateCompatibleDC(window));
    const gdi::Bitmap bitmap(::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        const gdi::Selected selected(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, width_, height_, window, 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    ::ReleaseDC(form_, window);
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (auto& pixel : pixels_) pixel &= 0xFFFFFF;
}

std::uint32_t Capture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw std::out_of_range("no pixel " + std::to_string(x) + "," + std::to_string(y));
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

std::uint32_t Capture::At(HWND control, int x, int y) const
{
    POINT point{x, y};
    ::MapWindowPoints(control, form_, &point, 1);
    return At(point.x, point.y);
}

}  // namespace window_test
