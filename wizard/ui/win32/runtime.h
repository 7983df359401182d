// The Win32 runtime's own parts, shared by its files: the window (FormWindow) and its controls
// (ChildControl), the skin engine, and what the message loop and painting need from them.
// Windows are UTF-16 ("W" calls) throughout; the interface's texts are UTF-8.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/ui/ui.h"

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

// Registers the window classes and starts the services the runtime draws with (common
// controls, GDI+); safe to call any number of times.
void InitRuntime();

// Pixels for twips at dpi, rounded as MulDiv rounds.
int TwipsToPixels(int twips, UINT dpi);
int TwipsToPixels(double twips, UINT dpi);
// A design's pixels (the skin's radii, paddings, line widths: pixels at 96 dpi) at dpi.
int Scaled(int pixelsAt96, UINT dpi);

class FormWindow;

// A control of the window: one child window of the kind its design names. One class serves
// every kind; the list's properties throw std::logic_error on any other kind, and only
// combo boxes are ever handed out as ui::ComboBox.
class ChildControl final : public ui::ComboBox {
public:
    ChildControl(FormWindow& form, ControlDesign design, ChildControl* container, int id);
    ~ChildControl() override = default;
    ChildControl(const ChildControl&) = delete;
    ChildControl& operator=(const ChildControl&) = delete;

    // Makes the window in its container (or the form), as designed.
    void Create(HWND parent, UINT dpi);
    // Moves and sizes the window for dpi and gives it the fonts of that dpi.
    void Layout(UINT dpi);
    // Switches the control to the skin's drawing.
    void UseSkin();

    const std::string& Name() const override { return design_.name; }
    Kind ControlKind() const override { return design_.kind; }
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    bool Visible() const override;
    void SetVisible(bool visible) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    Rect Bounds() const override { return rect_; }
    void Move(const Rect& twips) override;
    void SetWidth(double twips) override;
    void SetFocus() override;
    bool HasFocus() const override;

    void AddItem(const std::string& item) override;
    void Clear() override;
    int ListCount() const override;
    std::string List(int index) const override;
    int ListIndex() const override;
    void SetListIndex(int index) override;
    std::string Text() const override;

    HWND Hwnd() const { return hwnd_; }
    int Id() const { return id_; }
    const ControlDesign& Design() const { return design_; }
    ChildControl* Container() const { return container_; }
    FormWindow& Form() const { return form_; }
    bool Hovered() const { return hovered_; }
    void SetHovered(bool hovered);
    std::function<void()> onClick;

private:
    void RequireKind(Kind kind, const char* what) const;
    void RequireCaption() const;
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
};

class SkinEngineImpl final : public ui::SkinEngine {
public:
    SkinEngineImpl(std::string name, SkinSettings settings);
    void LoadSkinFile(const std::string& path) override;
    void ApplySkin(std::intptr_t windowHandle) override;
    const SkinSettings& Settings() const override { return settings_; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    SkinSettings settings_;
    std::optional<skin::SkinModel> model_;
};

class FormWindow final : public ui::Form {
public:
    explicit FormWindow(const FormDesign& design);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    Control& Find(const std::string& name) override;
    ComboBox& FindComboBox(const std::string& name) override;
    SkinEngine& FindSkinEngine(const std::string& name) override;
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    void Show() override;
    bool Shown() const override;
    void Refresh() override;
    std::intptr_t Handle() override { return reinterpret_cast<std::intptr_t>(hwnd_); }
    void OnClick(const std::string& button, std::function<void()> handler) override;
    void OnCloseRequest(std::function<void()> handler) override;

    // The form whose top-level window this is, or null when the window is none of ours.
    static FormWindow* FromHandle(HWND hwnd);
    // Every form alive, oldest first.
    static const std::vector<FormWindow*>& All();

    HWND Hwnd() const { return hwnd_; }
    UINT Dpi() const { return dpi_; }
    const FormDesign& Design() const { return design_; }
    // The skin's look once a skin engine has applied one.
    const std::optional<skin::SkinModel>& Look() const { return look_; }
    void ApplyLook(skin::SkinModel look);

    HFONT WindowFont() const { return windowFont_; }
    HFONT LabelFont(double points) const;
    // The banner for the current dpi, or null when the program holds none.
    HBITMAP Banner() const { return banner_; }
    int ClientHeightPixels() const { return TwipsToPixels(design_.clientHeight, dpi_); }

    ChildControl* ControlOf(HWND hwnd) const;
    ChildControl* ControlById(int id) const;

    // Gives the focus back to a control that can take it after the one holding it was hidden
    // or disabled.
    void RescueFocus();
    // The control that gets the focus when the window is next activated.
    void RememberFocus(HWND control);
    // Lays the window out for dpi: the controls, the fonts, the banner and the window's size.
    void LayoutFor(UINT dpi);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Build();
    void OrderTabStops();
    void CreateFonts(UINT dpi);
    void ReleaseFonts();
    void LoadBanner(UINT dpi);
    void SetIcons(UINT dpi);
    void ClickFrom(HWND button, int id);
    bool IsOnView(HWND control) const;

    FormDesign design_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    bool placed_ = false;
    HWND savedFocus_ = nullptr;
    std::vector<std::unique_ptr<ChildControl>> controls_;
    std::map<std::string, ChildControl*> byName_;
    std::vector<std::unique_ptr<SkinEngineImpl>> engines_;
    std::optional<skin::SkinModel> look_;
    std::function<void()> onClose_;
    HFONT windowFont_ = nullptr;
    std::map<double, HFONT> labelFonts_;
    HBITMAP banner_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

// Runs one message of the loop: through the dialog keyboard handling of our window it belongs
// to, else translated and dispatched.
void DispatchOne(MSG& message);

// Any exception that reaches a window procedure ends the program through ui::Fail; none may
// cross a Windows frame.
template <typename Body>
LRESULT Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::exception& error) {
        ui::Fail(error.what());
    } catch (...) {
        ui::Fail("An unexpected error occurred.");
    }
}

}  // namespace ui::win32
