// The controls of the window: a child window each, of the kind the design names, and the
// procedures that draw them through the skin and pass on what the window handles.
#include "wizard/ui/win32/runtime.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "platform/ansi_win.h"
#include "wizard/ui/win32/paint.h"

namespace ui::win32 {
namespace {

using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

constexpr UINT_PTR kSubclassId = 1;
// How many items a list shows when it drops down.
constexpr int kDroppedItems = 8;

ChildControl* ControlFromRef(DWORD_PTR ref) { return reinterpret_cast<ChildControl*>(ref); }

// The mouse over a control, for the skin's hover look: true when message was one of the mouse's.
bool TrackHover(ChildControl& control, HWND hwnd, UINT message)
{
    if (message == WM_MOUSELEAVE) {
        control.SetHovered(false);
        return true;
    }
    if (message != WM_MOUSEMOVE) return false;
    if (!control.Hovered()) {
        control.SetHovered(true);
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        ::TrackMouseEvent(&track);
    }
    return true;
}

// Buttons: the hover state for the skin, a double click taken as a second click, and Enter
// pressing the button that has the focus (else the default button, through DM_GETDEFID).
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref)
{
    return Guarded([&]() -> LRESULT {
        ChildControl& control = *ControlFromRef(ref);
        switch (message) {
        case WM_NCDESTROY: ::RemoveWindowSubclass(hwnd, ButtonProc, kSubclassId); break;
        case WM_GETDLGCODE:
            return DLGC_BUTTON | (::GetFocus() == hwnd ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case BM_SETSTYLE: {
            // The dialog keyboard handling moves the default look between push buttons; the
            // runtime keeps its own: owner-drawn once skinned, else the design's default.
            const bool skinned = control.Form().Look().has_value();
            const DWORD type =
                skinned ? BS_OWNERDRAW : (control.Design().isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            return ::DefSubclassProc(hwnd, message, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | type,
                                     lParam);
        }
        case WM_LBUTTONDBLCLK: return ::DefSubclassProc(hwnd, WM_LBUTTONDOWN, wParam, lParam);
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE: TrackHover(control, hwnd, message); break;
        case WM_ERASEBKGND:
            if (control.Form().Look()) return 1;
            break;
        default: break;
        }
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    });
}

// Lists: once skinned, the whole closed field is drawn by the runtime.
LRESULT CALLBACK ComboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref)
{
    return Guarded([&]() -> LRESULT {
        ChildControl& control = *ControlFromRef(ref);
        const bool skinned = control.Form().Look().has_value();
        switch (message) {
        case WM_NCDESTROY: ::RemoveWindowSubclass(hwnd, ComboProc, kSubclassId); break;
        case WM_PAINT:
            if (skinned) {
                const gdi::PaintScope paint(hwnd);
                paint::ComboFace(control, paint.Dc());
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (skinned) return 1;
            break;
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE: TrackHover(control, hwnd, message); break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
            const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
            if (skinned) ::InvalidateRect(hwnd, nullptr, FALSE);
            return result;
        }
        default: break;
        }
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    });
}

// Marks a skinned label's area for drawing, with every label that overlaps it: each of them
// shows the other's text there.
void RedrawLabelArea(HWND label)
{
    HWND parent = ::GetParent(label);
    RECT area{};
    ::GetWindowRect(label, &area);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// Skin labels: once skinned they are drawn by the runtime, and a new text or state only marks
// them for drawing (the static control would draw itself at once, in the plain look).
LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref)
{
    return Guarded([&]() -> LRESULT {
        ChildControl& control = *ControlFromRef(ref);
        if (message == WM_NCDESTROY) {
            ::RemoveWindowSubclass(hwnd, LabelProc, kSubclassId);
            return ::DefSubclassProc(hwnd, message, wParam, lParam);
        }
        if (!control.Form().Look()) return ::DefSubclassProc(hwnd, message, wParam, lParam);
        if (gdi::Painted(hwnd, message, wParam, [&](HDC dc) { paint::Label(control, dc); })) return 0;
        switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_SETTEXT: {
            const LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
            RedrawLabelArea(hwnd);
            return result;
        }
        case WM_ENABLE: RedrawLabelArea(hwnd); return 0;
        default: return ::DefSubclassProc(hwnd, message, wParam, lParam);
        }
    });
}

}  // namespace

// Frames hold controls: what those send their parent goes on to the form, which handles it for
// every control in one place.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* control = WindowOwner<ChildControl>(hwnd, message, lParam);
    if (control == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return Guarded([&]() -> LRESULT {
        switch (message) {
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLOREDIT: return ::SendMessageW(control->Form().Hwnd(), message, wParam, lParam);
        case WM_ERASEBKGND: return 1;
        default:
            if (gdi::Painted(hwnd, message, wParam, [&](HDC dc) { paint::Frame(*control, dc); })) return 0;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
    });
}

std::string SystemErrorText(const std::string& what)
{
    return what + " (system error " + std::to_string(::GetLastError()) + ")";
}

int TwipsToPixels(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

int TwipsToPixels(double twips, UINT dpi)
{
    // Far beyond any screen; keeps the arithmetic inside int.
    const double pixels = std::clamp(twips, -1e9, 1e9) * dpi / 1440.0;
    return static_cast<int>(std::lround(pixels));
}

int Scaled(int pixelsAt96, UINT dpi) { return ::MulDiv(pixelsAt96, static_cast<int>(dpi), 96); }

std::wstring WindowTextOf(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

// ----- ChildControl -----

ChildControl::ChildControl(FormWindow& form, ControlDesign design, ChildControl* container, int id)
    : form_(form),
      design_(std::move(design)),
      container_(container),
      id_(id),
      rect_(design_.rect),
      exactWidth_(design_.rect.width)
{}

void ChildControl::Create(HWND parent, UINT dpi)
{
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (design_.visible) style |= WS_VISIBLE;
    if (!design_.enabled) style |= WS_DISABLED;
    DWORD exStyle = 0;
    const wchar_t* windowClass = L"STATIC";
    std::wstring text = Utf8ToWide(design_.text);
    switch (design_.kind) {
    case Kind::Frame:
        windowClass = kFrameClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        text.clear();
        break;
    case Kind::Button:
        windowClass = L"BUTTON";
        style |= WS_TABSTOP | (design_.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
    case Kind::ComboBox:
        windowClass = L"COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
        text.clear();
        break;
    case Kind::PictureBox:
        // The text is never shown: it names the picture for screen readers.
        style |= SS_OWNERDRAW;
        text = Utf8ToWide(design_.accessibleName);
        break;
    case Kind::SkinLabel: style |= SS_LEFT | SS_NOPREFIX; break;
    case Kind::SkinEngine: return;
    }
    hwnd_ = ::CreateWindowExW(exStyle, windowClass, text.c_str(), style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + id_)),
                              ::GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr)
        throw std::runtime_error(SystemErrorText("The control " + design_.name + " cannot be made"));
    const auto ref = reinterpret_cast<DWORD_PTR>(this);
    if (design_.kind == Kind::Button) ::SetWindowSubclass(hwnd_, ButtonProc, kSubclassId, ref);
    if (design_.kind == Kind::ComboBox) ::SetWindowSubclass(hwnd_, ComboProc, kSubclassId, ref);
    if (design_.kind == Kind::SkinLabel) ::SetWindowSubclass(hwnd_, LabelProc, kSubclassId, ref);
    Layout(dpi);
}

void ChildControl::Layout(UINT dpi)
{
    if (hwnd_ == nullptr) return;
    const int left = TwipsToPixels(rect_.left, dpi);
    const int top = TwipsToPixels(rect_.top, dpi);
    const int width = TwipsToPixels(exactWidth_, dpi);
    const int height = TwipsToPixels(rect_.height, dpi);
    switch (design_.kind) {
    case Kind::Button:
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.WindowFont()), FALSE);
        break;
    case Kind::SkinLabel:
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.LabelFont(design_.fontPoints)),
                       FALSE);
        break;
    case Kind::ComboBox: {
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.WindowFont()), FALSE);
        const int item = paint::ListItemHeight(form_);
        ::SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, item);
        // A list's window is as tall as its closed field; the height given is the dropped one.
        ::MoveWindow(hwnd_, left, top, width, height + kDroppedItems * item + 2, TRUE);
        FitComboField(height);
        return;
    }
    default: break;
    }
    ::MoveWindow(hwnd_, left, top, width, height, TRUE);
}

void ChildControl::FitComboField(int fieldHeight)
{
    // The field is its item height plus borders of the system's own size; the item height asked
    // for is corrected by what the first try gives (what CB_GETITEMHEIGHT reports differs by
    // system, so only the heights set are counted).
    int asked = std::max(fieldHeight - 6, 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ::SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), asked);
        RECT rc{};
        ::GetWindowRect(hwnd_, &rc);
        const int now = rc.bottom - rc.top;
        if (now == fieldHeight) return;
        asked = std::max(asked + fieldHeight - now, 1);
    }
}

void ChildControl::UseSkin()
{
    if (design_.kind == Kind::Button) ::SendMessageW(hwnd_, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
}

bool ChildControl::Visible() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void ChildControl::SetVisible(bool visible)
{
    if (visible == Visible()) return;
    ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    if (design_.kind == Kind::SkinLabel && form_.Look()) RedrawLabelArea(hwnd_);
    if (!visible) form_.RescueFocus();
}

bool ChildControl::Enabled() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_DISABLED) == 0; }

void ChildControl::SetEnabled(bool enabled)
{
    ::EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    if (!enabled) form_.RescueFocus();
}

void ChildControl::Place(const Rect& twips, double widthTwips)
{
    const bool label = design_.kind == Kind::SkinLabel && form_.Look();
    if (label) RedrawLabelArea(hwnd_);  // where it was
    rect_ = twips;
    exactWidth_ = widthTwips;
    Layout(form_.Dpi());
    if (label) RedrawLabelArea(hwnd_);
}

std::string ChildControl::Text() const { return WideToUtf8(WindowTextOf(hwnd_)); }

void ChildControl::SetText(const std::string& text) { ::SetWindowTextW(hwnd_, Utf8ToWide(text).c_str()); }

void ChildControl::SetFocus()
{
    if (::IsWindowVisible(form_.Hwnd()))
        ::SetFocus(hwnd_);
    else
        form_.RememberFocus(hwnd_);
}

bool ChildControl::HasFocus() const { return hwnd_ != nullptr && ::GetFocus() == hwnd_; }

void ChildControl::AddItem(const std::string& item)
{
    items_.push_back(item);
    // Once the native list has refused an item it is offered no later one, so that every item it
    // holds keeps its place. A refused item stays the logic's, to read back and to pick.
    if (shownItems_ + 1 < static_cast<int>(items_.size())) return;
    const std::wstring text = ShownItem(static_cast<int>(items_.size()) - 1);
    const LRESULT added = ::SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (added != CB_ERR && added != CB_ERRSPACE) ++shownItems_;
}

void ChildControl::ClearItems()
{
    ::SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    items_.clear();
    shownItems_ = 0;
    pickNotShown_ = -1;
}

int ChildControl::ItemCount() const { return static_cast<int>(items_.size()); }

std::string ChildControl::Item(int index) const
{
    return index >= 0 && index < ItemCount() ? items_[static_cast<std::size_t>(index)] : std::string();
}

std::wstring ChildControl::ShownItem(int index) const
{
    std::wstring text = Utf8ToWide(Item(index));
    std::replace(text.begin(), text.end(), L'\0', L' ');
    return text;
}

int ChildControl::CurrentIndex() const
{
    const LRESULT index = ::SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? pickNotShown_ : static_cast<int>(index);
}

void ChildControl::SetCurrentIndex(int index)
{
    const bool shown = index < shownItems_;
    ::SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(shown ? index : -1), 0);
    pickNotShown_ = shown ? -1 : index;
    if (form_.Look()) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ChildControl::SetHovered(bool hovered)
{
    if (hovered_ == hovered) return;
    hovered_ = hovered;
    if (form_.Look()) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

}  // namespace ui::win32
