// The skin on Windows: the window drawn through winaqua.skn as the screen shows it: the gradient
// and what shows through it, the labels' colour, the separator, the progress bar, the list and the
// buttons in their states. (The skin engine's errors are the runtime core's: tests/window.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ui_test_support.h"

namespace {

using uitest::Capture;
using uitest::Hex;
using uitest::HwndOf;
using uitest::Near;
using uitest::Rgb;

const std::string kShippedSkin = TESSALINE_SOURCE_DIR "/skin/winaqua.skn";

#define EXPECT_COLOUR(drawn, expected, tolerance)                                                            \
    EXPECT_TRUE(Near((drawn), (expected), (tolerance)))                                                      \
        << "drawn " << Hex(drawn) << ", expected " << Hex(expected)

class Skinned : public testing::Test {
protected:
    void Apply()
    {
        ui::SkinEngine engine = form->Find<ui::SkinEngine>("skn");
        engine.LoadSkinFile(kShippedSkin);
        engine.ApplySkin(*form);
        ASSERT_TRUE(window_test::RunEventsUntil([this] { return ::GetActiveWindow() == HwndOf(*form); }));
    }
    void SetUp() override
    {
        form->Find<ui::ComboBox>("cmbList").AddItem("1,0,0  First Writer");
        form->Show();
    }

    // The window's gradient at row y of the client area.
    skin::Colour Gradient(int y)
    {
        RECT client{};
        ::GetClientRect(HwndOf(*form), &client);
        return skin::Mix(look.window.top, look.window.bottom, (y + 0.5) / client.bottom);
    }
    // Between the banner and the page: nothing but the window itself.
    int Gap() { return ::MulDiv(1470, static_cast<int>(::GetDpiForWindow(HwndOf(*form))), 1440); }

    std::unique_ptr<ui::Form> form = std::make_unique<ui::Form>(window_test::SmallDesign());
    skin::SkinModel look = skin::ReadSkinFile(kShippedSkin);
};

TEST_F(Skinned, TheWindowIsDrawnThroughTheSkinOnceApplied)
{
    EXPECT_COLOUR(Capture(*form).At(Gap(), 5), Rgb(::GetSysColor(COLOR_BTNFACE)), 0);
    Apply();
    form->Find<ui::Button>("cmdCancel").SetFocus();
    const Capture drawn(*form);
    EXPECT_COLOUR(drawn.At(Gap(), 0), Rgb(Gradient(0)), 3);
    EXPECT_COLOUR(drawn.At(Gap(), drawn.Height() - 1), Rgb(Gradient(drawn.Height() - 1)), 3);

    // A label's empty end: the gradient under the page's translucent white; its text in the
    // skin's label colour (the darkest of its pixels).
    HWND label = HwndOf(form->Find<ui::Control>("lbTitle"));
    RECT rc{};
    ::GetClientRect(label, &rc);
    POINT end{rc.right - 2, rc.bottom / 2};
    const std::uint32_t pixel = drawn.At(label, end.x, end.y);
    ::MapWindowPoints(label, HwndOf(*form), &end, 1);
    const skin::Colour& veil = look.frame.background;
    EXPECT_COLOUR(pixel, Rgb(skin::Mix(Gradient(end.y), {veil.r, veil.g, veil.b}, veil.a / 255.0)), 4);
    std::uint32_t darkest = 0xFFFFFF;
    for (int y = 0; y < rc.bottom; ++y) {
        for (int x = 0; x < rc.right; ++x) {
            const std::uint32_t c = drawn.At(label, x, y);
            auto sum = [](std::uint32_t v) { return (v >> 16) + ((v >> 8) & 0xFF) + (v & 0xFF); };
            if (sum(c) < sum(darkest)) darkest = c;
        }
    }
    EXPECT_COLOUR(darkest, Rgb(look.label.text), 30);

    // The separator's two lines; the bar's own colour in its middle band, lighter at the top; the
    // trough's border; the list's border and arrow.
    HWND line = HwndOf(form->Find<ui::Control>("fraLine"));
    EXPECT_COLOUR(drawn.At(line, 20, 0), Rgb(look.separator.dark), 2);
    EXPECT_COLOUR(drawn.At(line, 20, 1), Rgb(look.separator.light), 2);
    HWND bar = HwndOf(form->Find<ui::Control>("pBar"));
    ::GetClientRect(bar, &rc);
    const skin::Colour fill{20, 33, 152};
    EXPECT_COLOUR(drawn.At(bar, rc.right / 2, rc.bottom * 65 / 100), Rgb(fill), 3);
    EXPECT_COLOUR(drawn.At(bar, rc.right / 2, 0),
                  Rgb(skin::Mix(fill, {255, 255, 255}, 0.65 * look.progress.gloss / 100)), 12);
    EXPECT_COLOUR(drawn.At(HwndOf(form->Find<ui::Control>("fraTrough")), rc.right / 2, 0),
                  Rgb(look.trough.border), 3);
    HWND list = HwndOf(form->Find<ui::Control>("cmbList"));
    ::GetClientRect(list, &rc);
    EXPECT_COLOUR(drawn.At(list, rc.right / 3, 0), Rgb(look.combo.border), 3);
    bool arrow = false;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = rc.right - 17; x < rc.right; ++x)
            arrow = arrow || Near(drawn.At(list, x, y), Rgb(look.combo.arrow), 8);
    EXPECT_TRUE(arrow);
}

TEST_F(Skinned, ButtonsInTheirStates)
{
    Apply();
    HWND ok = HwndOf(form->Find<ui::Control>("cmdOk"));
    HWND cancel = HwndOf(form->Find<ui::Control>("cmdCancel"));
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    RECT rc{};
    ::GetClientRect(cancel, &rc);
    auto border = [&](HWND button) { return Capture(*form).At(button, rc.right / 2, 0); };

    EXPECT_COLOUR(border(cancel), Rgb(look.button.normal.border), 3);
    EXPECT_COLOUR(border(ok), Rgb(look.button.defaultBorder), 3);
    ::SendMessageW(cancel, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_COLOUR(border(cancel), Rgb(look.button.hover.border), 3);
    ::SendMessageW(cancel, BM_SETSTATE, TRUE, 0);
    EXPECT_COLOUR(border(cancel), Rgb(look.button.pressed.border), 3);
    ::SendMessageW(cancel, BM_SETSTATE, FALSE, 0);
    ::SendMessageW(cancel, WM_MOUSELEAVE, 0, 0);
    form->Find<ui::Button>("cmdCancel").SetFocus();
    EXPECT_COLOUR(border(cancel), Rgb(look.button.focusBorder), 3);
    form->Find<ui::Button>("cmdOk").SetEnabled(false);
    EXPECT_COLOUR(border(ok), Rgb(look.button.disabled.border), 3);
    EXPECT_COLOUR(Capture(*form).At(ok, rc.right / 2, 2), Rgb(look.button.disabled.top), 12);
}

TEST_F(Skinned, TheHueOfTheSettingsTurnsTheColours)
{
    ui::FormDesign turned = window_test::SmallDesign();
    turned.skin.hue = 120;
    form = std::make_unique<ui::Form>(turned);
    form->Show();
    Apply();
    const skin::SkinModel shifted = skin::ShiftHue(look, 120);
    look.window = shifted.window;
    EXPECT_COLOUR(Capture(*form).At(Gap(), 0), Rgb(Gradient(0)), 3);
}

}  // namespace
