// The window tests' driver on the Win32 runtime: keys and clicks as messages, the way Windows
// sends them to a dialog, and what is on view read back from the windows and their pixels.
#include "wizard/ui/win32/runtime.h"

#include <cmath>
#include <vector>

#include "capture_win32.h"
#include "driver.h"
#include "platform/ansi_win.h"

namespace window_test {
namespace {

using ui::win32::HwndOf;
using ui::win32::WindowTextOf;

const ui::win32::ChildControl& ChildOf(const ui::Control& control)
{
    return static_cast<const ui::win32::ChildControl&>(ui::native::WidgetOf(control));
}

PixelRect Pixels(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// A key as the keyboard sends it: to the control that has the focus, else the window.
void PostKey(ui::Form& form, UINT message, WPARAM key, LPARAM data = 0)
{
    ::PostMessageW(::GetFocus() != nullptr ? ::GetFocus() : HwndOf(form), message, key, data);
    RunEventsFor(50);
}

}  // namespace

void Click(const ui::Button& button) { ::SendMessageW(HwndOf(button), BM_CLICK, 0, 0); }

void SendClick(const ui::Button& button)
{
    HWND hwnd = HwndOf(button);
    ::SendMessageW(ChildOf(button).Form().Hwnd(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
}

void PostClick(const ui::Button& button)
{
    HWND hwnd = HwndOf(button);
    ::PostMessageW(ChildOf(button).Form().Hwnd(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
}

void Press(ui::Form& form, Key key)
{
    switch (key) {
    case Key::Enter: PostKey(form, WM_KEYDOWN, VK_RETURN); return;
    case Key::Tab: PostKey(form, WM_KEYDOWN, VK_TAB); return;
    case Key::BackTab: {
        // A posted key carries no Shift: the dialog keyboard handling reads it from the thread's
        // keyboard state, held down here while the Tab is handled.
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        const BYTE shift = keys[VK_SHIFT];
        keys[VK_SHIFT] = 0x80;
        ::SetKeyboardState(keys);
        PostKey(form, WM_KEYDOWN, VK_TAB);
        keys[VK_SHIFT] = shift;
        ::SetKeyboardState(keys);
        return;
    }
    }
}

void PressAlt(ui::Form& form, char letter)
{
    PostKey(form, WM_SYSCHAR, static_cast<WPARAM>(letter), LPARAM{1} << 29);
}

void PressCloseBox(ui::Form& form) { ::SendMessageW(HwndOf(form), WM_SYSCOMMAND, SC_CLOSE, 0); }

void PostCloseBox(ui::Form& form) { ::PostMessageW(HwndOf(form), WM_SYSCOMMAND, SC_CLOSE, 0); }

bool Activate(ui::Form& form)
{
    HWND hwnd = HwndOf(form);
    ::SetForegroundWindow(hwnd);
    return RunEventsUntil([hwnd] { return ::GetActiveWindow() == hwnd; });
}

int Dpi(ui::Form& form) { return static_cast<int>(::GetDpiForWindow(HwndOf(form))); }

bool OnView(const ui::Control& control) { return ::IsWindowVisible(HwndOf(control)) != FALSE; }

PixelRect Geometry(const ui::Control& control)
{
    HWND hwnd = HwndOf(control);
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return Pixels(rc);
}

std::string ContainerName(const ui::Control& control)
{
    const ui::win32::ChildControl& child = ChildOf(control);
    HWND parent = ::GetParent(child.Hwnd());
    if (parent == child.Form().Hwnd()) return child.Form().Design().name;
    const ui::win32::ChildControl* frame = child.Form().ControlOf(parent);
    return frame != nullptr ? frame->Design().name : std::string();
}

PixelRect ClientArea(ui::Form& form)
{
    RECT rc{};
    ::GetClientRect(HwndOf(form), &rc);
    return Pixels(rc);
}

PixelRect WindowRect(ui::Form& form)
{
    RECT rc{};
    ::GetWindowRect(HwndOf(form), &rc);
    return Pixels(rc);
}

PixelRect WorkArea()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return Pixels(monitor.rcWork);
}

void MoveWindowTo(ui::Form& form, int left, int top)
{
    ::SetWindowPos(HwndOf(form), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

PixelRect CentringSlack(ui::Form&) { return {}; }

bool FixedSize(ui::Form& form)
{
    const LONG style = ::GetWindowLongW(HwndOf(form), GWL_STYLE);
    return (style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU) &&
           (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0;
}

bool HasIcon(ui::Form& form) { return ::SendMessageW(HwndOf(form), WM_GETICON, ICON_BIG, 0) != 0; }

std::string FocusedControl(ui::Form& form)
{
    const ui::win32::ChildControl* control = ui::win32::FormWindowOf(form).ControlOf(::GetFocus());
    return control != nullptr ? control->Design().name : std::string();
}

bool WindowHasFocus(ui::Form& form) { return ::GetFocus() == HwndOf(form); }

bool IsDefault(const ui::Button& button)
{
    HWND hwnd = HwndOf(button);
    return LOWORD(::SendMessageW(ChildOf(button).Form().Hwnd(), DM_GETDEFID, 0, 0)) == ::GetDlgCtrlID(hwnd);
}

std::string AccessibleName(const ui::Control& control)
{
    // A list's name is the text of the label right before it, where screen readers look for it.
    HWND before = ::GetWindow(HwndOf(control), GW_HWNDPREV);
    return before != nullptr ? platform::win::WideToUtf8(WindowTextOf(before)) : std::string();
}

bool TakesInput(ui::Form& form) { return ::IsWindowEnabled(HwndOf(form)) != FALSE; }

namespace {

LOGFONTW FontOf(const ui::Control& control)
{
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(HwndOf(control), WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    return font;
}

}  // namespace

double FontPoints(const ui::Label& label)
{
    return -FontOf(label).lfHeight * 72.0 / ChildOf(label).Form().Dpi();
}

bool Bold(const ui::Label& label) { return FontOf(label).lfWeight >= FW_BOLD; }

int LinesShown(const ui::Label& label)
{
    HWND hwnd = HwndOf(label);
    RECT area{};
    ::GetClientRect(hwnd, &area);
    const std::wstring text = WindowTextOf(hwnd);
    const ui::win32::gdi::ScreenDc dc;
    const ui::win32::gdi::Selected font(dc.get(),
                                        reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &area,
                DT_CALCRECT | DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    return metrics.tmHeight > 0 ? (area.bottom - area.top) / metrics.tmHeight : 0;
}

PixelRect BannerSize(const ui::PictureBox& banner)
{
    const ui::win32::FormWindow& form = ChildOf(banner).Form();
    BITMAP info{};
    if (form.Banner() == nullptr || ::GetObjectW(form.Banner(), sizeof info, &info) == 0) return {};
    const int dpi = static_cast<int>(form.Dpi());
    return {0, 0, ::MulDiv(info.bmWidth, 96, dpi), ::MulDiv(info.bmHeight, 96, dpi)};
}

std::uint32_t ColourAt(const ui::Control& control, int x, int y)
{
    return Capture(ChildOf(control).Form().Hwnd()).At(HwndOf(control), x, y);
}

Picture Grab(ui::Form& form)
{
    const Capture capture(form);
    return {capture.Width(), capture.Height(), capture.Pixels()};
}

PixelRect InWindow(const ui::Control& control)
{
    HWND hwnd = HwndOf(control);
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    ::MapWindowPoints(hwnd, ChildOf(control).Form().Hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    return Pixels(rc);
}

bool Skinned(ui::Form& form) { return ui::win32::FormWindowOf(form).Look().has_value(); }

MessageBoxView MessageBoxOnView()
{
    MessageBoxView view;
    HWND box = ::FindWindowW(L"#32770", nullptr);
    if (box == nullptr) return view;
    view.caption = platform::win::WideToUtf8(WindowTextOf(box));
    view.hasOk = ::GetDlgItem(box, IDOK) != nullptr;
    view.hasCancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
    return view;
}

namespace {

std::vector<std::string> g_steps;
std::size_t g_nextStep = 0;

// Each tick the user looks at the window and takes the next step once the window allows it.
void CALLBACK ScriptedUser(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_nextStep >= g_steps.size()) return;
    HWND form = ::FindWindowW(ui::win32::kFormClass, nullptr);
    if (form == nullptr || !::IsWindowVisible(form) || !::IsWindowEnabled(form)) return;
    HWND next = ::GetDlgItem(form, LOWORD(::SendMessageW(form, DM_GETDEFID, 0, 0)));
    const std::string& step = g_steps[g_nextStep];
    if (step == "enter" && ::IsWindowEnabled(next)) {
        ::PostMessageW(form, WM_KEYDOWN, VK_RETURN, 0);
    } else if (step == "finish" && ::IsWindowEnabled(next) && WindowTextOf(next) == L"&Finish") {
        ::PostMessageW(next, BM_CLICK, 0, 0);
    } else if (step == "close") {
        ::PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        return;
    }
    ++g_nextStep;
}

}  // namespace

void StartScriptedUser(const std::vector<std::string>& steps)
{
    g_steps = steps;
    ::SetTimer(nullptr, 0, 50, ScriptedUser);
}

}  // namespace window_test
