// The skin on Windows: the engine's errors, and the window drawn through winaqua.skn as the
// screen shows it — the gradient, the frames it shows through, the buttons in their states, the
// list, the separator, the progress bar and the labels' colour.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "ui_test_support.h"

namespace {

using uitest::Capture;
using uitest::Hex;
using uitest::Hwnd;
using uitest::Near;
using uitest::Rgb;

const std::string kShippedSkin = TESSALINE_SOURCE_DIR "/skin/winaqua.skn";

std::string TempFile(const char* name, const std::string& contents)
{
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + name;
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
    return path;
}

int Px(int twips, HWND hwnd) { return ::MulDiv(twips, static_cast<int>(::GetDpiForWindow(hwnd)), 1440); }

#define EXPECT_COLOUR(actual, expected, tolerance)                                                           \
    EXPECT_TRUE(Near((actual), (expected), (tolerance)))                                                     \
        << "drawn " << Hex(actual) << ", expected " << Hex(expected)

TEST(SkinEngine, ApplyingWithoutASkinOrToAWindowNotOursIsASkinError)
{
    auto form = ui::CreateForm(uitest::SmallDesign());
    ui::SkinEngine& engine = form->FindSkinEngine("skn");
    try {
        engine.ApplySkin(form->Handle());
        ADD_FAILURE() << "applied without a skin";
    } catch (const skin::SkinError& error) {
        EXPECT_EQ(error.File(), "");
        EXPECT_EQ(error.Line(), 0);
    }
    engine.LoadSkinFile(kShippedSkin);
    EXPECT_THROW(engine.ApplySkin(reinterpret_cast<std::intptr_t>(::GetDesktopWindow())), skin::SkinError);
    EXPECT_THROW(engine.ApplySkin(0), skin::SkinError);
    EXPECT_EQ(::GetWindowLongW(Hwnd(form->Find("cmdCancel")), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST(SkinEngine, AFailedLoadKeepsTheSkinLoadedBefore)
{
    auto form = ui::CreateForm(uitest::SmallDesign());
    ui::SkinEngine& engine = form->FindSkinEngine("skn");
    engine.LoadSkinFile(kShippedSkin);
    const std::string damaged =
        TempFile("tessaline-damaged.skn", "tessaline-skin 1\n[window]\nbackground-top = nonsense\nend\n");
    try {
        engine.LoadSkinFile(damaged);
        ADD_FAILURE() << "a damaged skin was loaded";
    } catch (const skin::SkinError& error) {
        EXPECT_EQ(error.File(), damaged);
        EXPECT_EQ(error.Line(), 3);
    }
    EXPECT_THROW(engine.LoadSkinFile(damaged + ".missing"), skin::SkinError);
    std::remove(damaged.c_str());

    engine.ApplySkin(form->Handle());
    form->Show();
    const skin::SkinModel shipped = skin::ReadSkinFile(kShippedSkin);
    const Capture drawn(*form);
    EXPECT_COLOUR(drawn.At(Px(1470, Hwnd(*form)), 0), Rgb(shipped.window.top), 3);
}

class Skinned : public testing::Test {
protected:
    void Apply()
    {
        ui::SkinEngine& engine = form->FindSkinEngine("skn");
        engine.LoadSkinFile(kShippedSkin);
        engine.ApplySkin(form->Handle());
        form->FindComboBox("cmbList").AddItem("1,0,0  First Writer");
        form->FindComboBox("cmbList").SetListIndex(0);
        form->Show();
        ASSERT_TRUE(uitest::RunEventsUntil([this] { return ::GetActiveWindow() == Hwnd(*form); }));
        form->Find("cmbList").SetFocus();
    }

    // The window's gradient at row y of the client area, as the skin's window colours make it.
    skin::Colour Gradient(int y) const
    {
        RECT client{};
        ::GetClientRect(Hwnd(*form), &client);
        return skin::Mix(look.window.top, look.window.bottom, (y + 0.5) / client.bottom);
    }

    int X(int twips) { return Px(twips, Hwnd(*form)); }

    std::unique_ptr<ui::Form> form = ui::CreateForm(uitest::SmallDesign());
    skin::SkinModel look = skin::ReadSkinFile(kShippedSkin);
};

TEST_F(Skinned, PlainUntilTheSkinIsApplied)
{
    form->Show();
    const Capture plain(*form);
    EXPECT_COLOUR(plain.At(X(1470), 5), Rgb(::GetSysColor(COLOR_BTNFACE)), 0);
    Apply();
    EXPECT_EQ(::GetWindowLongW(Hwnd(form->Find("cmdCancel")), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const Capture skinned(*form);
    EXPECT_COLOUR(skinned.At(X(1470), 5), Rgb(Gradient(5)), 3);
}

TEST_F(Skinned, TheGradientShowsThroughFramesAndLabels)
{
    Apply();
    const Capture drawn(*form);
    // Between the banner and the page: the window's own gradient, top to bottom.
    const int x = X(1470);
    EXPECT_COLOUR(drawn.At(x, 0), Rgb(Gradient(0)), 3);
    EXPECT_COLOUR(drawn.At(x, drawn.Height() / 2), Rgb(Gradient(drawn.Height() / 2)), 3);
    EXPECT_COLOUR(drawn.At(x, drawn.Height() - 1), Rgb(Gradient(drawn.Height() - 1)), 3);

    // The label's empty right end: the gradient under the page's translucent white.
    HWND label = Hwnd(form->Find("lbTitle"));
    RECT rc{};
    ::GetClientRect(label, &rc);
    POINT at{rc.right - 2, rc.bottom / 2};
    const std::uint32_t pixel = drawn.At(label, at.x, at.y);
    ::MapWindowPoints(label, Hwnd(*form), &at, 1);
    const skin::Colour& veil = look.frame.background;
    const skin::Colour expected =
        skin::Mix(Gradient(at.y), skin::Colour{veil.r, veil.g, veil.b}, veil.a / 255.0);
    EXPECT_COLOUR(pixel, Rgb(expected), 4);

    // Its text in the skin's label colour: the darkest pixel of the label is that colour.
    std::uint32_t darkest = 0xFFFFFF;
    int darkness = 3 * 255;
    for (int y = 0; y < rc.bottom; ++y) {
        for (int px = 0; px < rc.right; ++px) {
            const std::uint32_t c = drawn.At(label, px, y);
            const int sum = static_cast<int>((c >> 16) + ((c >> 8) & 0xFF) + (c & 0xFF));
            if (sum < darkness) {
                darkness = sum;
                darkest = c;
            }
        }
    }
    EXPECT_COLOUR(darkest, Rgb(look.label.text), 30);
}

TEST_F(Skinned, SeparatorAndProgressBar)
{
    Apply();
    const Capture drawn(*form);
    HWND line = Hwnd(form->Find("fraLine"));
    EXPECT_COLOUR(drawn.At(line, 20, 0), Rgb(look.separator.dark), 2);
    EXPECT_COLOUR(drawn.At(line, 20, 1), Rgb(look.separator.light), 2);

    // The bar keeps its own colour in the middle band; the gloss lightens its top.
    HWND bar = Hwnd(form->Find("pBar"));
    RECT rc{};
    ::GetClientRect(bar, &rc);
    const skin::Colour fill{20, 33, 152};
    const int middle = static_cast<int>(rc.bottom * 0.65);
    EXPECT_COLOUR(drawn.At(bar, rc.right / 2, middle), Rgb(fill), 3);
    const skin::Colour top = skin::Mix(fill, skin::Colour{255, 255, 255}, 0.65 * look.progress.gloss / 100.0);
    EXPECT_COLOUR(drawn.At(bar, rc.right / 2, 0), Rgb(top), 12);

    // The trough around it: its border at the top edge.
    HWND trough = Hwnd(form->Find("fraTrough"));
    EXPECT_COLOUR(drawn.At(trough, rc.right / 2, 0), Rgb(look.trough.border), 3);
}

TEST_F(Skinned, ButtonsInTheirStates)
{
    Apply();
    HWND ok = Hwnd(form->Find("cmdOk"));
    HWND cancel = Hwnd(form->Find("cmdCancel"));
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
    EXPECT_COLOUR(border(cancel), Rgb(look.button.normal.border), 3);
    form->Find("cmdCancel").SetFocus();
    EXPECT_COLOUR(border(cancel), Rgb(look.button.focusBorder), 3);
    form->Find("cmdOk").SetEnabled(false);
    EXPECT_COLOUR(border(ok), Rgb(look.button.disabled.border), 3);
    // The face's top row: the state's top colour.
    EXPECT_COLOUR(Capture(*form).At(ok, rc.right / 2, 2), Rgb(look.button.disabled.top), 12);
}

TEST_F(Skinned, TheListsFaceBorderAndArrow)
{
    Apply();
    HWND list = Hwnd(form->Find("cmbList"));
    RECT rc{};
    ::GetClientRect(list, &rc);
    EXPECT_COLOUR(Capture(*form).At(list, rc.right / 3, 0), Rgb(look.combo.focusBorder), 3);
    form->Find("cmdCancel").SetFocus();
    const Capture drawn(*form);
    EXPECT_COLOUR(drawn.At(list, rc.right / 3, 0), Rgb(look.combo.border), 3);
    // The arrow, in the drop-down button at the right.
    bool arrow = false;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = rc.right - 17; x < rc.right - 1; ++x)
            arrow = arrow || Near(drawn.At(list, x, y), Rgb(look.combo.arrow), 8);
    EXPECT_TRUE(arrow);
}

TEST_F(Skinned, TheHueAndTheWindowsOwnColoursChangeTheLook)
{
    ui::FormDesign turned = uitest::SmallDesign();
    turned.skin.hue = 120;
    form = ui::CreateForm(turned);
    Apply();
    const skin::SkinModel shifted = skin::ShiftHue(look, 120);
    EXPECT_COLOUR(Capture(*form).At(X(1470), 0),
                  Rgb(skin::Mix(shifted.window.top, shifted.window.bottom, 0.5 / Capture(*form).Height())),
                  3);

    ui::FormDesign own = uitest::SmallDesign();
    own.skin.applyColours = true;
    own.skin.backColour = {200, 30, 30};
    form = ui::CreateForm(own);
    Apply();
    skin::OwnColours colours;
    colours.apply = true;
    colours.back = own.skin.backColour;
    colours.fore = own.skin.foreColour;
    colours.panel = own.skin.panelColour;
    colours.panelText = own.skin.panelTextColour;
    const skin::SkinModel mine = skin::LookFor(look, 0, colours);
    EXPECT_COLOUR(Capture(*form).At(X(1470), 0), Rgb(mine.window.top), 3);
}

}  // namespace
