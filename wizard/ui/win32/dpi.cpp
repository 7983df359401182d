// The dpi a window is laid out at. Windows 10 (1607 on) gives each monitor its own dpi through
// calls that older systems lack; they are looked up in user32 when the program starts, so that it
// starts on Windows 7 too, where every window has the system's dpi.
#include "wizard/ui/win32/runtime.h"

#include <algorithm>

namespace ui::win32 {
namespace {

// A function of user32 by name, null where the system lacks it.
template <class Function>
Function User32Function(const char* name)
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

}  // namespace

const DpiCalls& SystemDpiCalls()
{
    static const DpiCalls calls{
        User32Function<decltype(DpiCalls::dpiForWindow)>("GetDpiForWindow"),
        User32Function<decltype(DpiCalls::adjustWindowRectExForDpi)>("AdjustWindowRectExForDpi"),
        User32Function<decltype(DpiCalls::systemMetricsForDpi)>("GetSystemMetricsForDpi"),
    };
    return calls;
}

UINT SystemDpi()
{
    const gdi::ScreenDc screen;
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96u;
}

UINT WindowDpi(HWND hwnd, const DpiCalls& calls)
{
    const UINT dpi = calls.dpiForWindow != nullptr ? calls.dpiForWindow(hwnd) : SystemDpi();
    return std::max(dpi, 96u);
}

SIZE FrameSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi, const DpiCalls& calls)
{
    RECT frame{0, 0, client.cx, client.cy};
    // Without per-monitor dpi the frame has the system's size; the window's layout corrects the
    // frame by the client area it gets in any case.
    if (calls.adjustWindowRectExForDpi != nullptr)
        calls.adjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi);
    else
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

int SystemMetricForDpi(int metric, UINT dpi, const DpiCalls& calls)
{
    if (calls.systemMetricsForDpi != nullptr) return calls.systemMetricsForDpi(metric, dpi);
    return ::MulDiv(::GetSystemMetrics(metric), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

}  // namespace ui::win32
