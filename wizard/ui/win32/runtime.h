// The Win32 runtime's own parts, shared by its files: the window (FormWindow, window.cpp), its
// controls (ChildControl, controls.cpp), the fonts, banner and icons made for a dpi
// (artwork.cpp), and what the message loop (application.cpp) and painting (paint.cpp) need from
// them. Windows are UTF-16 ("W" calls) throughout; the interface's texts are UTF-8.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/ui/native.h"
#include "wizard/ui/win32/gdi.h"

namespace ui::win32 {

inline constexpr const wchar_t* kFormClass = L"TessalineForm";
inline constexpr const wchar_t* kFrameClass = L"TessalineFrame";
// The window's own font (buttons, lists, frames): the labels' face at the size of the window's
// design font.
inline constexpr double kWindowFontPoints = 8.25;
// Resources of the runtime (ui_win32.rc): the banner at 1x and 2x; the icon comes from the
// program's own resources.
inline constexpr const wchar_t* kBannerResource = L"TESSALINE_BANNER";
inline constexpr const wchar_t* kBanner2xResource = L"TESSALINE_BANNER_2X";
inline constexpr const wchar_t* kIconResource = L"IDI_ICON1";
// Child windows are numbered from here up, in the order the core makes them.
inline constexpr int kFirstControlId = 100;

// Registers the window classes and starts the services the runtime draws with (common
// controls, GDI+); safe to call any number of times.
void InitRuntime();
LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

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

// what, with the system's last error number.
std::string SystemErrorText(const std::string& what);

// A window's text.
std::wstring WindowTextOf(HWND hwnd);

// Windows 10's per-monitor dpi calls, each null where the system lacks it (before Windows 10
// 1607): the runtime is built for Windows 7 and finds them in user32 at run time.
struct DpiCalls {
    UINT(WINAPI* dpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    int(WINAPI* systemMetricsForDpi)(int, UINT) = nullptr;
};
// The calls this system has, looked up once.
const DpiCalls& SystemDpiCalls();
// The dpi of the screen's device context: every window's where a monitor has no dpi of its own.
UINT SystemDpi();
// The dpi a window is laid out at: its monitor's, else the system's; 96 at least.
UINT WindowDpi(HWND hwnd, const DpiCalls& calls = SystemDpiCalls());
// The outer size of a window (no menu) whose client area has the size given, at dpi.
SIZE FrameSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi, const DpiCalls& calls = SystemDpiCalls());
// GetSystemMetrics at dpi: the system's value scaled from its dpi where it has none for another.
int SystemMetricForDpi(int metric, UINT dpi, const DpiCalls& calls = SystemDpiCalls());

// Pixels for twips at dpi, rounded as MulDiv rounds.
int TwipsToPixels(int twips, UINT dpi);
int TwipsToPixels(double twips, UINT dpi);
// A design's pixels (the skin's radii, paddings, line widths: pixels at 96 dpi) at dpi.
int Scaled(int pixelsAt96, UINT dpi);

// The fonts, banner and icons of one window at one dpi, freed with the object.
class Artwork {
public:
    Artwork(const FormDesign& design, UINT dpi);
    HFONT WindowFont() const { return windowFont_.get(); }
    // The skin labels' face at points (the window's size for 0).
    HFONT LabelFont(double points) const;
    // Null when the program holds no banner.
    HBITMAP Banner() const { return banner_.get(); }
    HICON BigIcon() const { return bigIcon_.get(); }
    HICON SmallIcon() const { return smallIcon_.get(); }

private:
    gdi::Font windowFont_;
    std::map<double, gdi::Font> labelFonts_;
    gdi::Bitmap banner_;
    gdi::Icon bigIcon_;
    gdi::Icon smallIcon_;
};

class FormWindow;

// A control's child window, of the kind its design names.
class ChildControl final : public native::Widget {
public:
    ChildControl(FormWindow& form, ControlDesign design, ChildControl* container, int id);
    ChildControl(const ChildControl&) = delete;
    ChildControl& operator=(const ChildControl&) = delete;

    // Makes the window in its container (or the form), as designed.
    void Create(HWND parent, UINT dpi);
    // Moves and sizes the window for dpi and gives it the fonts of that dpi.
    void Layout(UINT dpi);
    // Switches the control to the skin's drawing.
    void UseSkin();

    bool Visible() const override;
    void SetVisible(bool visible) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    void Place(const Rect& twips, double widthTwips) override;
    std::string Text() const override;
    void SetText(const std::string& text) override;
    void SetFocus() override;
    bool HasFocus() const override;
    void AddItem(const std::string& item) override;
    void ClearItems() override;
    int ItemCount() const override;
    std::string Item(int index) const override;
    int CurrentIndex() const override;
    void SetCurrentIndex(int index) override;

    // A list's item as the list draws it (a NUL character as a blank); empty for an item it
    // does not have.
    std::wstring ShownItem(int index) const;

    HWND Hwnd() const { return hwnd_; }
    // The core's number of the control; the child window's id is kFirstControlId past it.
    int Id() const { return id_; }
    const ControlDesign& Design() const { return design_; }
    // Where the control is placed, in twips.
    const Rect& Bounds() const { return rect_; }
    ChildControl* Container() const { return container_; }
    FormWindow& Form() const { return form_; }
    bool Hovered() const { return hovered_; }
    void SetHovered(bool hovered);

private:
    // The pixel height of a list's closed field, made to match the design's height.
    void FitComboField(int fieldHeight);

    FormWindow& form_;
    ControlDesign design_;
    ChildControl* container_;
    int id_;
    HWND hwnd_ = nullptr;
    Rect rect_;
    double exactWidth_ = 0.0;  // the width as last set, fractions of a twip included
    bool hovered_ = false;
    // A list's items as the logic added them, whole: the native list ends an item at a NUL
    // character, and can refuse one. It holds the first shownItems_ of them, in the same places.
    std::vector<std::string> items_;
    int shownItems_ = 0;
    // The logic's pick of an item the native list does not hold (-1: none).
    int pickNotShown_ = -1;
};

class FormWindow final : public native::Window {
public:
    FormWindow(const FormDesign& design, native::Events& events);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    std::unique_ptr<native::Widget> MakeWidget(const ControlDesign& design, int id,
                                               native::Widget* container) override;
    void Arrange(const native::Arrangement& arrangement) override;
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    void Show() override;
    bool Shown() const override;
    void Refresh() override;
    void ApplyLook(const skin::SkinModel& look) override;

    // The form whose top-level window this is, or null when the window is none of ours.
    static FormWindow* FromHandle(HWND hwnd);
    // Every form alive, oldest first.
    static const std::vector<FormWindow*>& All();

    HWND Hwnd() const { return hwnd_; }
    UINT Dpi() const { return dpi_; }
    const FormDesign& Design() const { return design_; }
    // The skin's look once one has been applied.
    const std::optional<skin::SkinModel>& Look() const { return look_; }
    HFONT WindowFont() const { return artwork_->WindowFont(); }
    HFONT LabelFont(double points) const { return artwork_->LabelFont(points); }
    HBITMAP Banner() const { return artwork_->Banner(); }
    int ClientHeightPixels() const { return TwipsToPixels(design_.clientHeight, dpi_); }

    ChildControl* ControlOf(HWND hwnd) const;
    ChildControl* ControlById(int windowId) const;

    // Gives the focus back to a control that can take it after the one holding it was hidden
    // or disabled.
    void RescueFocus();
    // The control that gets the focus when the window is next activated.
    void RememberFocus(HWND control);
    // Lays the window out for dpi: the controls, the fonts, the banner and the window's size.
    void LayoutFor(UINT dpi);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // The window's outer size for the design's client area at dpi, as the system computes it.
    SIZE FrameSizeFor(UINT dpi) const;
    void ClickFrom(HWND button, int windowId);

    FormDesign design_;
    native::Events& events_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    bool placed_ = false;
    HWND savedFocus_ = nullptr;
    // The controls' windows, owned by the core, by the core's number.
    std::vector<ChildControl*> controls_;
    std::optional<skin::SkinModel> look_;
    std::unique_ptr<Artwork> artwork_;
};

// The windows behind a form and a control, for the window's tests.
FormWindow& FormWindowOf(Form& form);
HWND HwndOf(Form& form);
HWND HwndOf(const Control& control);

// Runs one message of the loop: through the dialog keyboard handling of our window it belongs
// to, else translated and dispatched.
void DispatchOne(MSG& message);

}  // namespace ui::win32
