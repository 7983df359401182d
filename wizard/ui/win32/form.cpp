// The window and its controls: real Win32 controls made from the design, placed in pixels
// from twips at the window's dpi and laid out again when the dpi changes.
#include "wizard/ui/win32/runtime.h"

#include <commctrl.h>
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
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
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

std::vector<FormWindow*>& Forms()
{
    static std::vector<FormWindow*> forms;
    return forms;
}

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Frame: return "frame";
    case Kind::Button: return "button";
    case Kind::ComboBox: return "list";
    case Kind::PictureBox: return "picture box";
    case Kind::SkinLabel: return "skin label";
    case Kind::SkinEngine: return "skin engine";
    }
    return "control";
}

std::string SystemErrorText(const std::string& what)
{
    return what + " (system error " + std::to_string(::GetLastError()) + ")";
}

ChildControl* ControlFromRef(DWORD_PTR ref) { return reinterpret_cast<ChildControl*>(ref); }

void TrackLeave(HWND hwnd)
{
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
    ::TrackMouseEvent(&track);
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
            if (!control.Hovered()) {
                control.SetHovered(true);
                TrackLeave(hwnd);
            }
            break;
        case WM_MOUSELEAVE: control.SetHovered(false); break;
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
                PAINTSTRUCT ps;
                HDC dc = ::BeginPaint(hwnd, &ps);
                paint::ComboFace(control, dc);
                ::EndPaint(hwnd, &ps);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (skinned) return 1;
            break;
        case WM_MOUSEMOVE:
            if (!control.Hovered()) {
                control.SetHovered(true);
                TrackLeave(hwnd);
            }
            break;
        case WM_MOUSELEAVE: control.SetHovered(false); break;
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
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd, &ps);
            paint::Label(control, dc);
            ::EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: paint::Label(control, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SETTEXT: {
            const LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
            ::InvalidateRect(hwnd, nullptr, FALSE);
            return result;
        }
        case WM_ENABLE: ::InvalidateRect(hwnd, nullptr, FALSE); return 0;
        default: return ::DefSubclassProc(hwnd, message, wParam, lParam);
        }
    });
}

// The object behind a window of our own classes: handed over with CreateWindowEx, kept in the
// window's user data from WM_NCCREATE on. Null for the few messages that come before it.
template <typename Owner>
Owner* WindowOwner(HWND hwnd, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

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
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd, &ps);
            paint::Frame(*control, dc);
            ::EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: paint::Frame(*control, reinterpret_cast<HDC>(wParam)); return 0;
        default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
    });
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = WindowOwner<FormWindow>(hwnd, message, lParam);
    if (form == nullptr || form->Hwnd() != hwnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return Guarded([&] { return form->HandleMessage(message, wParam, lParam); });
}

HFONT MakeFont(const std::string& face, double points, UINT dpi)
{
    auto make = [&](const std::wstring& name) {
        LOGFONTW font{};
        font.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfQuality = DEFAULT_QUALITY;
        name.copy(font.lfFaceName, LF_FACESIZE - 1);
        return ::CreateFontIndirectW(&font);
    };
    HFONT font = make(Utf8ToWide(face));
    // A bitmap face (Windows' own "MS Sans Serif" is one) has a few sizes only and blurs at
    // 150 % and 200 %: its outline successor takes its place.
    HDC dc = ::CreateCompatibleDC(nullptr);
    TEXTMETRICW metrics{};
    const HGDIOBJ old = ::SelectObject(dc, font);
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    if ((metrics.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR)) == 0) {
        if (HFONT outline = make(L"Microsoft Sans Serif")) {
            ::DeleteObject(font);
            font = outline;
        }
    }
    return font;
}

// The banner picture of the program's resources, decoded by GDI+ and scaled for dpi when the
// resource does not have the size wanted; null when the program holds none.
HBITMAP LoadBannerBitmap(UINT dpi)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    const wchar_t* name = dpi > 96 ? kBanner2xResource : kBannerResource;
    HRSRC resource = ::FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (resource == nullptr && name != kBannerResource) {
        resource = ::FindResourceW(module, kBannerResource, MAKEINTRESOURCEW(10));
        name = kBannerResource;
    }
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = ::LoadResource(module, resource);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(module, resource);
    if (bytes == nullptr || size == 0) return nullptr;
    IStream* stream = ::SHCreateMemStream(bytes, size);
    if (stream == nullptr) return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> source(Gdiplus::Bitmap::FromStream(stream));
    stream->Release();
    if (!source || source->GetLastStatus() != Gdiplus::Ok) return nullptr;

    const int width = Scaled(206, dpi);
    const int height = Scaled(220, dpi);
    HBITMAP bitmap = nullptr;
    if (static_cast<int>(source->GetWidth()) == width && static_cast<int>(source->GetHeight()) == height) {
        source->GetHBITMAP(Gdiplus::Color(255, 255, 255), &bitmap);
        return bitmap;
    }
    Gdiplus::Bitmap scaled(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&scaled);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        Gdiplus::ImageAttributes edges;
        edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        g.DrawImage(source.get(), Gdiplus::Rect(0, 0, width, height), 0, 0,
                    static_cast<INT>(source->GetWidth()), static_cast<INT>(source->GetHeight()),
                    Gdiplus::UnitPixel, &edges);
    }
    scaled.GetHBITMAP(Gdiplus::Color(255, 255, 255), &bitmap);
    return bitmap;
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

std::wstring ListItemText(HWND combo, int index)
{
    if (index < 0) return {};
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

void InitRuntime()
{
    static const bool started = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        static ULONG_PTR gdiplusToken = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);

        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = FormProc;
        form.hInstance = instance;
        form.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        form.lpszClassName = kFormClass;
        form.hIcon =
            static_cast<HICON>(::LoadImageW(instance, kIconResource, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        ::RegisterClassExW(&form);

        WNDCLASSEXW frame{};
        frame.cbSize = sizeof frame;
        frame.lpfnWndProc = FrameProc;
        frame.hInstance = instance;
        frame.hCursor = form.hCursor;
        frame.lpszClassName = kFrameClass;
        ::RegisterClassExW(&frame);
        return true;
    }();
    (void)started;
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
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), ::GetModuleHandleW(nullptr),
                              this);
    if (hwnd_ == nullptr)
        throw std::runtime_error(SystemErrorText("The control " + Name() + " cannot be made"));
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

void ChildControl::SetHovered(bool hovered)
{
    if (hovered_ == hovered) return;
    hovered_ = hovered;
    if (form_.Look()) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ChildControl::RequireKind(Kind kind, const char* what) const
{
    if (design_.kind != kind)
        throw std::logic_error(Name() + " is a " + KindName(design_.kind) + ": it has no " + what + ".");
}

void ChildControl::RequireCaption() const
{
    if (design_.kind != Kind::Button && design_.kind != Kind::SkinLabel)
        throw std::logic_error(Name() + " is a " + KindName(design_.kind) + ": it has no caption.");
}

std::string ChildControl::Caption() const
{
    RequireCaption();
    return WideToUtf8(WindowTextOf(hwnd_));
}

void ChildControl::SetCaption(const std::string& caption)
{
    RequireCaption();
    ::SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
}

bool ChildControl::Visible() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void ChildControl::SetVisible(bool visible)
{
    if (visible == Visible()) return;
    ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    if (!visible) form_.RescueFocus();
}

bool ChildControl::Enabled() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_DISABLED) == 0; }

void ChildControl::SetEnabled(bool enabled)
{
    ::EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    if (!enabled) form_.RescueFocus();
}

void ChildControl::Move(const Rect& twips)
{
    rect_ = twips;
    exactWidth_ = twips.width;
    Layout(form_.Dpi());
}

void ChildControl::SetWidth(double twips)
{
    if (!std::isfinite(twips) || twips < 0)
        throw std::invalid_argument("The width of " + Name() + " cannot be " + std::to_string(twips) +
                                    " twips.");
    exactWidth_ = twips;
    rect_.width = static_cast<int>(std::lround(std::min(twips, static_cast<double>(INT_MAX / 2))));
    Layout(form_.Dpi());
}

void ChildControl::SetFocus()
{
    if (design_.kind != Kind::Button && design_.kind != Kind::ComboBox)
        throw std::logic_error(Name() + " is a " + KindName(design_.kind) + ": it cannot take the focus.");
    if (::IsWindowVisible(form_.Hwnd()))
        ::SetFocus(hwnd_);
    else
        form_.RememberFocus(hwnd_);
}

bool ChildControl::HasFocus() const { return hwnd_ != nullptr && ::GetFocus() == hwnd_; }

void ChildControl::AddItem(const std::string& item)
{
    RequireKind(Kind::ComboBox, "list");
    const std::wstring text = Utf8ToWide(item);
    const LRESULT added = ::SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (added == CB_ERR || added == CB_ERRSPACE)
        throw std::runtime_error("The list " + Name() + " has no room for another item.");
}

void ChildControl::Clear()
{
    RequireKind(Kind::ComboBox, "list");
    ::SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
}

int ChildControl::ListCount() const
{
    RequireKind(Kind::ComboBox, "list");
    return static_cast<int>(::SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
}

std::string ChildControl::List(int index) const
{
    if (index < 0 || index >= ListCount())
        throw std::out_of_range("The list " + Name() + " has no item " + std::to_string(index) + ".");
    return WideToUtf8(ListItemText(hwnd_, index));
}

int ChildControl::ListIndex() const
{
    RequireKind(Kind::ComboBox, "list");
    const LRESULT index = ::SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ChildControl::SetListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        throw std::out_of_range("The list " + Name() + " has no item " + std::to_string(index) + " to pick.");
    ::SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (form_.Look()) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

std::string ChildControl::Text() const
{
    const int index = ListIndex();
    return index < 0 ? std::string() : List(index);
}

// ----- FormWindow -----

FormWindow::FormWindow(const FormDesign& design) : design_(design)
{
    InitRuntime();
    Build();
    Forms().push_back(this);
}

FormWindow::~FormWindow()
{
    auto& forms = Forms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (hwnd_ != nullptr) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
    ReleaseFonts();
    if (banner_ != nullptr) ::DeleteObject(banner_);
    if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
}

void FormWindow::Build()
{
    // Names first: every container must be a frame of the design, and no name used twice.
    std::map<std::string, const ControlDesign*> named;
    for (const ControlDesign& control : design_.controls) {
        if (control.name.empty())
            throw std::invalid_argument("A control of " + design_.name + " has no name.");
        if (!named.emplace(control.name, &control).second)
            throw std::invalid_argument("Two controls of " + design_.name + " are named " + control.name +
                                        ".");
    }
    for (const ControlDesign& control : design_.controls) {
        if (control.container.empty() || control.kind == Kind::SkinEngine) continue;
        const auto found = named.find(control.container);
        if (found == named.end())
            throw std::invalid_argument("The container " + control.container + " of " + control.name +
                                        " does not exist.");
        if (found->second->kind != Kind::Frame)
            throw std::invalid_argument("The container " + control.container + " of " + control.name +
                                        " is not a frame.");
    }

    hwnd_ = ::CreateWindowExW(kFormExStyle, kFormClass, Utf8ToWide(design_.caption).c_str(), kFormStyle, 0, 0,
                              0, 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr)
        throw std::runtime_error(SystemErrorText("The window " + design_.name + " cannot be made"));
    dpi_ = std::max(::GetDpiForWindow(hwnd_), 96u);
    CreateFonts(dpi_);

    // Each control after its container, whatever the order of the design.
    std::set<std::string> made;
    std::vector<const ControlDesign*> pending;
    for (const ControlDesign& control : design_.controls) {
        if (control.kind == Kind::SkinEngine)
            engines_.push_back(std::make_unique<SkinEngineImpl>(control.name, design_.skin));
        else
            pending.push_back(&control);
    }
    while (!pending.empty()) {
        const std::size_t before = pending.size();
        for (auto it = pending.begin(); it != pending.end();) {
            const ControlDesign& control = **it;
            if (!control.container.empty() && made.count(control.container) == 0) {
                ++it;
                continue;
            }
            ChildControl* container = control.container.empty() ? nullptr : byName_.at(control.container);
            const int id = 100 + static_cast<int>(controls_.size());
            controls_.push_back(std::make_unique<ChildControl>(*this, control, container, id));
            ChildControl* made_control = controls_.back().get();
            byName_[control.name] = made_control;
            made_control->Create(container != nullptr ? container->Hwnd() : hwnd_, dpi_);
            made.insert(control.name);
            it = pending.erase(it);
        }
        if (pending.size() == before)
            throw std::invalid_argument("The frames of " + design_.name + " hold one another in a circle.");
    }
    OrderTabStops();
    LayoutFor(dpi_);
}

void FormWindow::OrderTabStops()
{
    // The dialog keyboard handling visits siblings in their z-order; each container's controls
    // are ordered by tab index, the lowest first.
    std::vector<ChildControl*> ordered;
    for (const auto& control : controls_) ordered.push_back(control.get());
    std::stable_sort(ordered.begin(), ordered.end(), [](const ChildControl* a, const ChildControl* b) {
        return a->Design().tabIndex < b->Design().tabIndex;
    });
    for (ChildControl* control : ordered)
        ::SetWindowPos(control->Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // A label that names a control goes right before it: screen readers take a control's name
    // from the label before it. Labels are no tab stops, so the tab order stays.
    for (ChildControl* label : ordered) {
        const auto named = byName_.find(label->Design().labels);
        if (label->ControlKind() != Kind::SkinLabel || named == byName_.end()) continue;
        HWND control = named->second->Hwnd();
        if (::GetParent(control) != ::GetParent(label->Hwnd())) continue;
        HWND before = ::GetWindow(control, GW_HWNDPREV);
        ::SetWindowPos(label->Hwnd(), before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void FormWindow::CreateFonts(UINT dpi)
{
    ReleaseFonts();
    windowFont_ = MakeFont(design_.labelFont, kWindowFontPoints, dpi);
    for (const ControlDesign& control : design_.controls) {
        if (control.kind != Kind::SkinLabel) continue;
        const double points = control.fontPoints > 0 ? control.fontPoints : kWindowFontPoints;
        if (labelFonts_.count(points) == 0) labelFonts_[points] = MakeFont(design_.labelFont, points, dpi);
    }
}

void FormWindow::ReleaseFonts()
{
    if (windowFont_ != nullptr) ::DeleteObject(windowFont_);
    windowFont_ = nullptr;
    for (const auto& entry : labelFonts_) ::DeleteObject(entry.second);
    labelFonts_.clear();
}

HFONT FormWindow::LabelFont(double points) const
{
    const auto found = labelFonts_.find(points > 0 ? points : kWindowFontPoints);
    return found != labelFonts_.end() ? found->second : windowFont_;
}

void FormWindow::LoadBanner(UINT dpi)
{
    if (banner_ != nullptr) ::DeleteObject(banner_);
    banner_ = LoadBannerBitmap(dpi);
}

void FormWindow::SetIcons(UINT dpi)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    auto load = [&](int metric) {
        const int size = ::GetSystemMetricsForDpi(metric, dpi);
        return static_cast<HICON>(::LoadImageW(instance, kIconResource, IMAGE_ICON, size, size, 0));
    };
    HICON big = load(SM_CXICON);
    HICON small = load(SM_CXSMICON);
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
    bigIcon_ = big;
    smallIcon_ = small;
}

void FormWindow::LayoutFor(UINT dpi)
{
    dpi_ = dpi;
    // The old fonts stay alive until every control holds a new one.
    HFONT oldWindowFont = windowFont_;
    std::map<double, HFONT> oldLabelFonts = std::move(labelFonts_);
    windowFont_ = nullptr;
    labelFonts_.clear();
    CreateFonts(dpi);
    LoadBanner(dpi);
    SetIcons(dpi);
    for (const auto& control : controls_) control->Layout(dpi);
    if (oldWindowFont != nullptr) ::DeleteObject(oldWindowFont);
    for (const auto& entry : oldLabelFonts) ::DeleteObject(entry.second);

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
    RECT frame{0, 0, TwipsToPixels(design_.clientWidth, dpi), TwipsToPixels(design_.clientHeight, dpi)};
    ::AdjustWindowRectExForDpi(&frame, kFormStyle, FALSE, kFormExStyle, dpi);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
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
    for (const auto& control : controls_)
        if (control->Hwnd() == hwnd) return control.get();
    return nullptr;
}

ChildControl* FormWindow::ControlById(int id) const
{
    for (const auto& control : controls_)
        if (control->Id() == id) return control.get();
    return nullptr;
}

FormWindow* FormWindow::FromHandle(HWND hwnd)
{
    for (FormWindow* form : Forms())
        if (form->hwnd_ == hwnd && hwnd != nullptr) return form;
    return nullptr;
}

const std::vector<FormWindow*>& FormWindow::All() { return Forms(); }

Control& FormWindow::Find(const std::string& name)
{
    const auto found = byName_.find(name);
    if (found != byName_.end()) return *found->second;
    for (const auto& engine : engines_)
        if (engine->Name() == name)
            throw std::logic_error(name + " is a skin engine, not a control of the window.");
    throw std::out_of_range(design_.name + " has no control named " + name + ".");
}

ComboBox& FormWindow::FindComboBox(const std::string& name)
{
    auto& control = dynamic_cast<ChildControl&>(Find(name));
    if (control.ControlKind() != Kind::ComboBox)
        throw std::logic_error(name + " is a " + KindName(control.ControlKind()) + ", not a list.");
    return control;
}

SkinEngine& FormWindow::FindSkinEngine(const std::string& name)
{
    for (const auto& engine : engines_)
        if (engine->Name() == name) return *engine;
    const Control& control = Find(name);
    throw std::logic_error(name + " is a " + KindName(control.ControlKind()) + ", not a skin engine.");
}

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
            const UINT dpi = std::max(::GetDpiForWindow(hwnd_), 96u);
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

void FormWindow::OnClick(const std::string& button, std::function<void()> handler)
{
    auto& control = dynamic_cast<ChildControl&>(Find(button));
    if (control.ControlKind() != Kind::Button)
        throw std::logic_error(button + " is a " + KindName(control.ControlKind()) + ", not a button.");
    control.onClick = std::move(handler);
}

void FormWindow::OnCloseRequest(std::function<void()> handler) { onClose_ = std::move(handler); }

void FormWindow::ApplyLook(skin::SkinModel look)
{
    look_ = std::move(look);
    for (const auto& control : controls_) control->UseSkin();
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

bool FormWindow::IsOnView(HWND control) const
{
    for (HWND h = control; h != nullptr && h != hwnd_; h = ::GetParent(h))
        if ((::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) == 0) return false;
    return true;
}

void FormWindow::ClickFrom(HWND button, int id)
{
    ChildControl* control = button != nullptr ? ControlOf(button) : ControlById(id);
    if (control == nullptr || control->ControlKind() != Kind::Button) return;
    // A button the user cannot see or use is never clicked, whatever sent the message.
    if (!::IsWindowEnabled(control->Hwnd()) || !IsOnView(control->Hwnd())) return;
    if (control->onClick) {
        const std::function<void()> handler = control->onClick;
        handler();
    }
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
        for (const auto& control : controls_)
            if (control->Design().isDefault && control->ControlKind() == Kind::Button)
                return MAKELRESULT(control->Id(), DC_HASDEFID);
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
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        paint::FormBackground(*this, dc);
        ::EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: paint::FormBackground(*this, reinterpret_cast<HDC>(wParam)); return 0;
    case WM_CLOSE: {
        // The window is only hidden: the handler decides whether the program ends.
        if (onClose_) {
            const std::function<void()> handler = onClose_;
            handler();
        }
        ::ShowWindow(hwnd_, SW_HIDE);
        return 0;
    }
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
    case WM_GETDPISCALEDSIZE:
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

std::unique_ptr<Form> CreateForm(const FormDesign& design)
{
    return std::make_unique<win32::FormWindow>(design);
}

}  // namespace ui
