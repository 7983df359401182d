// The window: a top-level window of its own class, made from the design and laid out in pixels
// from twips at its dpi, again when the dpi changes; the keyboard as a dialog's, and the messages
// its controls send.
#include "wizard/ui/win32/runtime.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/ansi_win.h"
#include "wizard/ui/win32/paint.h"

namespace ui::win32 {
namespace {

using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
// Windows 10's question for the window's size at a new dpi (WM_GETDPISCALEDSIZE), which the
// headers for Windows 7 do not name; older systems never send it.
constexpr UINT kGetDpiScaledSize = 0x02E4;

std::vector<FormWindow*>& Forms()
{
    static std::vector<FormWindow*> forms;
    return forms;
}

// True when the window can take the focus: shown, with every frame around it, and enabled.
bool CanTakeFocus(HWND form, HWND hwnd)
{
    if (hwnd == nullptr || !::IsChild(form, hwnd) || !::IsWindowEnabled(hwnd)) return false;
    for (HWND h = hwnd; h != nullptr && h != form; h = ::GetParent(h)) {
        const LONG style = ::GetWindowLongW(h, GWL_STYLE);
        if ((style & WS_VISIBLE) == 0 || (style & WS_DISABLED) != 0) return false;
    }
    return (::GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) != 0;
}

}  // namespace

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = WindowOwner<FormWindow>(hwnd, message, lParam);
    if (form == nullptr || form->Hwnd() != hwnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return Guarded([&] { return form->HandleMessage(message, wParam, lParam); });
}

FormWindow::FormWindow(const FormDesign& design, native::Events& events) : design_(design), events_(events)
{
    InitRuntime();
    hwnd_ = ::CreateWindowExW(kFormExStyle, kFormClass, Utf8ToWide(design_.caption).c_str(), kFormStyle, 0, 0,
                              0, 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr)
        throw std::runtime_error(SystemErrorText("The window " + design_.name + " cannot be made"));
    dpi_ = WindowDpi(hwnd_);
    artwork_ = std::make_unique<Artwork>(design_, dpi_);
    Forms().push_back(this);
}

FormWindow::~FormWindow()
{
    auto& forms = Forms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
}

std::unique_ptr<native::Widget> FormWindow::MakeWidget(const ControlDesign& design, int id,
                                                       native::Widget* container)
{
    auto* frame = static_cast<ChildControl*>(container);
    auto control = std::make_unique<ChildControl>(*this, design, frame, id);
    if (controls_.size() <= static_cast<std::size_t>(id)) controls_.resize(static_cast<std::size_t>(id) + 1);
    controls_[static_cast<std::size_t>(id)] = control.get();
    control->Create(frame != nullptr ? frame->Hwnd() : hwnd_, dpi_);
    return control;
}

void FormWindow::Arrange(const native::Arrangement& arrangement)
{
    // The dialog keyboard handling visits siblings in their z-order: each container's controls
    // go in the order of the tab stops.
    for (native::Widget* control : arrangement.tabOrder)
        ::SetWindowPos(static_cast<ChildControl*>(control)->Hwnd(), HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // A label that names a control goes right before it: screen readers take a control's name
    // from the label before it. Labels are no tab stops, so the tab order stays.
    for (const auto& [label, named] : arrangement.labels) {
        HWND labelWindow = static_cast<ChildControl*>(label)->Hwnd();
        HWND control = static_cast<ChildControl*>(named)->Hwnd();
        if (::GetParent(control) != ::GetParent(labelWindow)) continue;
        HWND before = ::GetWindow(control, GW_HWNDPREV);
        ::SetWindowPos(labelWindow, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    LayoutFor(dpi_);
}

void FormWindow::LayoutFor(UINT dpi)
{
    dpi_ = dpi;
    // The old fonts and icons stay alive until every control and the window hold new ones.
    std::unique_ptr<Artwork> old = std::exchange(artwork_, std::make_unique<Artwork>(design_, dpi));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(artwork_->BigIcon()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(artwork_->SmallIcon()));
    for (ChildControl* control : controls_) control->Layout(dpi);

    // The frame's size for the dpi, corrected by what the client area turns out to be: the
    // title bar is not always scaled as the dpi says (Wine keeps the system's).
    const int width = TwipsToPixels(design_.clientWidth, dpi);
    const int height = TwipsToPixels(design_.clientHeight, dpi);
    const SIZE size = FrameSizeFor(dpi);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    RECT frame{};
    ::GetClientRect(hwnd_, &client);
    if (client.right != width || client.bottom != height) {
        ::GetWindowRect(hwnd_, &frame);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                       frame.bottom - frame.top + height - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

SIZE FormWindow::FrameSizeFor(UINT dpi) const
{
    const SIZE client{TwipsToPixels(design_.clientWidth, dpi), TwipsToPixels(design_.clientHeight, dpi)};
    return FrameSize(client, kFormStyle, kFormExStyle, dpi);
}

void FormWindow::RememberFocus(HWND control) { savedFocus_ = control; }

void FormWindow::RescueFocus()
{
    HWND focus = ::GetFocus();
    const bool ours = focus == hwnd_ || (focus != nullptr && ::IsChild(hwnd_, focus));
    if (savedFocus_ != nullptr && !CanTakeFocus(hwnd_, savedFocus_)) savedFocus_ = nullptr;
    // Only a focus that was lost inside this window is moved; the focus elsewhere stays.
    if (::GetActiveWindow() != hwnd_) return;
    if (ours && focus != hwnd_ && CanTakeFocus(hwnd_, focus)) return;
    if (focus == hwnd_ && ::GetNextDlgTabItem(hwnd_, nullptr, FALSE) == nullptr) return;
    HWND next = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    ::SetFocus(CanTakeFocus(hwnd_, next) ? next : hwnd_);
}

ChildControl* FormWindow::ControlOf(HWND hwnd) const
{
    for (ChildControl* control : controls_)
        if (control->Hwnd() == hwnd) return control;
    return nullptr;
}

ChildControl* FormWindow::ControlById(int windowId) const
{
    const int id = windowId - kFirstControlId;
    return id >= 0 && id < static_cast<int>(controls_.size()) ? controls_[static_cast<std::size_t>(id)]
                                                              : nullptr;
}

FormWindow* FormWindow::FromHandle(HWND hwnd)
{
    for (FormWindow* form : Forms())
        if (form->hwnd_ == hwnd && hwnd != nullptr) return form;
    return nullptr;
}

const std::vector<FormWindow*>& FormWindow::All() { return Forms(); }

std::string FormWindow::Caption() const { return WideToUtf8(WindowTextOf(hwnd_)); }

void FormWindow::SetCaption(const std::string& caption)
{
    ::SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
}

void FormWindow::Show()
{
    if (!placed_) {
        // Centred on the primary screen's work area, laid out for that screen's dpi.
        const POINT origin{0, 0};
        HMONITOR monitor = ::MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        ::GetMonitorInfoW(monitor, &info);
        for (int pass = 0; pass < 2; ++pass) {
            RECT window{};
            ::GetWindowRect(hwnd_, &window);
            const RECT& work = info.rcWork;
            const int x = work.left + ((work.right - work.left) - (window.right - window.left)) / 2;
            const int y = work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2;
            ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            const UINT dpi = WindowDpi(hwnd_);
            if (dpi == dpi_) break;
            LayoutFor(dpi);
        }
        placed_ = true;
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    ::UpdateWindow(hwnd_);
}

bool FormWindow::Shown() const { return ::IsWindowVisible(hwnd_) != FALSE; }

void FormWindow::Refresh()
{
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void FormWindow::ApplyLook(const skin::SkinModel& look)
{
    look_ = look;
    for (ChildControl* control : controls_) control->UseSkin();
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void FormWindow::ClickFrom(HWND button, int windowId)
{
    // Whether the user can see and use the button is the core's to decide.
    const ChildControl* control = button != nullptr ? ControlOf(button) : ControlById(windowId);
    if (control != nullptr && control->Design().kind == Kind::Button) events_.Clicked(control->Id());
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const UINT code = HIWORD(wParam);
        if (code == BN_CLICKED || code == BN_DOUBLECLICKED)
            ClickFrom(reinterpret_cast<HWND>(lParam), static_cast<int>(LOWORD(wParam)));
        return 0;
    }
    case DM_GETDEFID:
        for (const ChildControl* control : controls_)
            if (control->Design().isDefault && control->Design().kind == Kind::Button)
                return MAKELRESULT(kFirstControlId + control->Id(), DC_HASDEFID);
        return 0;
    case DM_SETDEFID: return TRUE;  // the default button is the design's
    case WM_DRAWITEM: paint::DrawItem(*this, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_MEASUREITEM: {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (const ChildControl* control = ControlById(static_cast<int>(item.CtlID))) {
            const int field = TwipsToPixels(control->Bounds().height, dpi_) - 6;
            item.itemHeight = static_cast<UINT>(
                item.itemID == static_cast<UINT>(-1) ? std::max(field, 1) : paint::ListItemHeight(*this));
        }
        return TRUE;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        gdi::Painted(hwnd_, message, wParam, [this](HDC dc) { paint::FormBackground(*this, dc); });
        return 0;
    case WM_CLOSE:
        // The window is only hidden: the logic decides whether the program ends.
        events_.CloseRequested();
        ::ShowWindow(hwnd_, SW_HIDE);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(hwnd_, focus)) savedFocus_ = focus;
            return 0;
        } else {
            HWND target =
                CanTakeFocus(hwnd_, savedFocus_) ? savedFocus_ : ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            ::SetFocus(CanTakeFocus(hwnd_, target) ? target : hwnd_);
            return 0;
        }
    case kGetDpiScaledSize:
        *reinterpret_cast<SIZE*>(lParam) = FrameSizeFor(static_cast<UINT>(wParam));
        return TRUE;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        LayoutFor(HIWORD(wParam));
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    default: break;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

FormWindow& FormWindowOf(Form& form) { return static_cast<FormWindow&>(form.Native()); }
HWND HwndOf(Form& form) { return FormWindowOf(form).Hwnd(); }
HWND HwndOf(const Control& control) { return static_cast<ChildControl&>(native::WidgetOf(control)).Hwnd(); }

void DispatchOne(MSG& message)
{
    HWND root = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && FormWindow::FromHandle(root) != nullptr && ::IsDialogMessageW(root, &message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

}  // namespace ui::win32

namespace ui {

std::unique_ptr<native::Window> native::MakeWindow(const FormDesign& design, Events& events)
{
    return std::make_unique<win32::FormWindow>(design, events);
}

}  // namespace ui
