// The window and its controls as the Win32 runtime builds them: real controls of each kind,
// placed from twips at the window's dpi, with the captions, states and lists the logic sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "ui_test_support.h"

namespace {

using uitest::ClassName;
using uitest::Hwnd;
using uitest::RectInParent;
using uitest::WindowText;

int Px(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

class SmallForm : public testing::Test {
protected:
    ui::FormDesign design = uitest::SmallDesign();
    std::unique_ptr<ui::Form> form = ui::CreateForm(design);
    UINT Dpi() { return ::GetDpiForWindow(Hwnd(*form)); }
};

TEST_F(SmallForm, ControlsSitWhereTheirTwipsSayAtTheWindowsDpi)
{
    uitest::ExpectLaidOut(*form, design, Dpi());
    for (const ui::ControlDesign& control : design.controls) {
        if (control.kind != ui::Kind::SkinEngine) {
            EXPECT_EQ(form->Find(control.name).Bounds(), control.rect) << control.name;
        }
    }
}

TEST_F(SmallForm, RealControlsOfEachKind)
{
    EXPECT_EQ(_wcsicmp(ClassName(Hwnd(form->Find("cmdOk"))).c_str(), L"Button"), 0);
    HWND list = Hwnd(form->Find("cmbList"));
    EXPECT_EQ(_wcsicmp(ClassName(list).c_str(), L"ComboBox"), 0);
    EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    HWND label = Hwnd(form->Find("lbTitle"));
    EXPECT_EQ(_wcsicmp(ClassName(label).c_str(), L"Static"), 0);
    EXPECT_NE(::GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX, 0);
    for (const char* frame : {"fraPage", "fraTrough", "fraHidden"})
        EXPECT_NE(::GetWindowLongW(Hwnd(form->Find(frame)), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0) << frame;
    // A picture box's text is never drawn: it names the picture for screen readers.
    EXPECT_EQ(WindowText(Hwnd(form->Find("picBanner"))), L"Tessaline");
}

TEST_F(SmallForm, AFixedWindowHiddenUntilShownThenCentredOnce)
{
    HWND hwnd = Hwnd(*form);
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_NE(style & WS_CAPTION, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_FALSE(form->Shown());
    EXPECT_EQ(WindowText(hwnd), L"Small window");

    form->Show();
    EXPECT_TRUE(form->Shown());
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT window{};
    ::GetWindowRect(hwnd, &window);
    const RECT& work = monitor.rcWork;
    EXPECT_NEAR(window.left - work.left, work.right - window.right, 1);
    EXPECT_NEAR(window.top - work.top, work.bottom - window.bottom, 1);

    // Shown again, it stays where the user moved it.
    ::SetWindowPos(hwnd, nullptr, work.left + 10, work.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form->Show();
    ::GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.left, work.left + 10);
    EXPECT_EQ(window.top, work.top + 20);

    // The program's icon, at the size the title bar and the task switcher use.
    auto icon = reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP bitmap{};
    ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetricsForDpi(SM_CXICON, Dpi()));
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
}

TEST_F(SmallForm, CaptionsShowAsGivenAmpersandsLineFeedsAndAccentsIncluded)
{
    ui::Control& label = form->Find("lbTitle");
    EXPECT_EQ(label.Caption(), "Tom & Jerry");
    label.SetCaption("Pilote g\xC3\xA9n\xC3\xA9rique\nLigne 2 & co");
    EXPECT_EQ(WindowText(Hwnd(label)), L"Pilote g\u00e9n\u00e9rique\nLigne 2 & co");
    EXPECT_EQ(label.Caption(), "Pilote g\xC3\xA9n\xC3\xA9rique\nLigne 2 & co");

    ui::Control& button = form->Find("cmdOk");
    button.SetCaption("&Weiter \xE2\x80\xBA");
    EXPECT_EQ(WindowText(Hwnd(button)), L"&Weiter \u203a");
    EXPECT_EQ(button.Caption(), "&Weiter \xE2\x80\xBA");

    form->SetCaption("Assistant \xE2\x80\x93 pilotes");
    EXPECT_EQ(WindowText(Hwnd(*form)), L"Assistant \u2013 pilotes");
    EXPECT_EQ(form->Caption(), "Assistant \xE2\x80\x93 pilotes");
}

TEST_F(SmallForm, AControlInAHiddenFrameKeepsItsOwnSetting)
{
    form->Show();
    ui::Control& frame = form->Find("fraHidden");
    ui::Control& button = form->Find("cmdHidden");
    EXPECT_FALSE(frame.Visible());
    EXPECT_TRUE(button.Visible());
    EXPECT_FALSE(::IsWindowVisible(Hwnd(button)));
    frame.SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(Hwnd(button)));

    button.SetVisible(false);
    frame.SetVisible(false);
    frame.SetVisible(true);
    EXPECT_FALSE(button.Visible());
    EXPECT_FALSE(::IsWindowVisible(Hwnd(button)));

    ui::Control& cancel = form->Find("cmdCancel");
    cancel.SetEnabled(false);
    EXPECT_FALSE(cancel.Enabled());
    EXPECT_FALSE(::IsWindowEnabled(Hwnd(cancel)));
    cancel.SetEnabled(true);
    EXPECT_TRUE(::IsWindowEnabled(Hwnd(cancel)));
}

TEST_F(SmallForm, MovesAndWidthsInTwipsFractionsIncluded)
{
    const UINT dpi = Dpi();
    ui::Control& bar = form->Find("pBar");
    bar.SetWidth(1234.5);
    RECT rc = RectInParent(Hwnd(bar));
    EXPECT_EQ(rc.right - rc.left, std::lround(1234.5 * dpi / 1440));
    EXPECT_EQ(bar.Bounds().width, 1235);
    bar.SetWidth(0);
    EXPECT_EQ(RectInParent(Hwnd(bar)).right, RectInParent(Hwnd(bar)).left);

    bar.SetWidth(600);
    for (double bad : {-1.0, -0.001, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(bar.SetWidth(bad), std::invalid_argument) << bad;
        EXPECT_EQ(bar.Bounds().width, 600);
        rc = RectInParent(Hwnd(bar));
        EXPECT_EQ(rc.right - rc.left, Px(600, dpi));
    }

    ui::Control& trough = form->Find("fraTrough");
    trough.Move({300, 1500, 2000, 600});
    rc = RectInParent(Hwnd(trough));
    EXPECT_EQ(rc.left, Px(300, dpi));
    EXPECT_EQ(rc.top, Px(1500, dpi));
    EXPECT_EQ(rc.right - rc.left, Px(2000, dpi));
    EXPECT_EQ(rc.bottom - rc.top, Px(600, dpi));
    EXPECT_EQ(trough.Bounds(), (ui::Rect{300, 1500, 2000, 600}));
}

TEST_F(SmallForm, TheListKeepsItsItemsInOrderAndPicksOne)
{
    ui::ComboBox& list = form->FindComboBox("cmbList");
    HWND hwnd = Hwnd(list);
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");
    list.AddItem("2,0,0  Zweiter Brenner");
    list.AddItem("1,0,0  Premi\xC3\xA8re");
    list.AddItem("");
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(::SendMessageW(hwnd, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(list.List(0), "2,0,0  Zweiter Brenner");
    EXPECT_EQ(list.List(1), "1,0,0  Premi\xC3\xA8re");
    EXPECT_EQ(list.List(2), "");
    wchar_t shown[64] = {};
    ::SendMessageW(hwnd, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, L"1,0,0  Premi\u00e8re");

    list.SetListIndex(1);
    EXPECT_EQ(::SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.Text(), "1,0,0  Premi\xC3\xA8re");
    EXPECT_THROW(list.List(3), std::out_of_range);
    EXPECT_THROW(list.List(-1), std::out_of_range);
    EXPECT_THROW(list.SetListIndex(3), std::out_of_range);
    EXPECT_THROW(list.SetListIndex(-2), std::out_of_range);
    EXPECT_EQ(list.ListIndex(), 1);

    list.SetListIndex(-1);
    EXPECT_EQ(list.Text(), "");
    list.SetListIndex(0);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
    // The closed list is as tall as its design says, whatever its items' height.
    const RECT rc = RectInParent(hwnd);
    EXPECT_EQ(rc.bottom - rc.top, Px(315, Dpi()));
}

TEST_F(SmallForm, AskingForWhatAControlLacksIsAnError)
{
    EXPECT_THROW(form->Find("nothing"), std::out_of_range);
    EXPECT_THROW(form->FindComboBox("nothing"), std::out_of_range);
    EXPECT_THROW(form->FindSkinEngine("nothing"), std::out_of_range);
    EXPECT_THROW(form->FindComboBox("cmdOk"), std::logic_error);
    EXPECT_THROW(form->FindSkinEngine("cmdOk"), std::logic_error);
    EXPECT_THROW(form->Find("skn"), std::logic_error);
    EXPECT_THROW(form->Find("fraPage").Caption(), std::logic_error);
    EXPECT_THROW(form->Find("picBanner").SetCaption("x"), std::logic_error);
    EXPECT_THROW(form->Find("lbTitle").SetFocus(), std::logic_error);
    EXPECT_THROW(form->OnClick("lbTitle", [] {}), std::logic_error);
    EXPECT_THROW(form->OnClick("nothing", [] {}), std::out_of_range);
    EXPECT_EQ(form->FindSkinEngine("skn").Settings().author, "The tests");
}

TEST(FormDesign, ADesignThatCannotBeBuiltIsRefused)
{
    ui::FormDesign twice = uitest::SmallDesign();
    twice.controls.push_back(twice.controls.front());
    EXPECT_THROW(ui::CreateForm(twice), std::invalid_argument);

    ui::FormDesign lost = uitest::SmallDesign();
    lost.controls[3].container = "fraNowhere";
    EXPECT_THROW(ui::CreateForm(lost), std::invalid_argument);

    ui::FormDesign inButton = uitest::SmallDesign();
    inButton.controls[3].container = "cmdOk";
    EXPECT_THROW(ui::CreateForm(inButton), std::invalid_argument);

    // A container named after the controls it holds is still found.
    ui::FormDesign late = uitest::SmallDesign();
    std::rotate(late.controls.begin(), late.controls.begin() + 1, late.controls.end());
    EXPECT_NO_THROW(ui::CreateForm(late));
}

TEST_F(SmallForm, TheCloseBoxRunsTheHandlerAndOnlyHidesTheWindow)
{
    int requests = 0;
    form->OnCloseRequest([&] { ++requests; });
    form->Show();
    HWND hwnd = Hwnd(*form);
    ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(uitest::RunEventsUntil([&] { return requests > 0; }));
    EXPECT_EQ(requests, 1);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_FALSE(form->Shown());
    EXPECT_TRUE(::IsWindow(hwnd));
    form->Find("cmdOk").SetCaption("Still here");
    EXPECT_EQ(WindowText(Hwnd(form->Find("cmdOk"))), L"Still here");
    form->Show();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
}

TEST_F(SmallForm, FontsAreTheDesignFaceAtTheirPointsForTheDpi)
{
    const UINT dpi = Dpi();
    auto heightOf = [](HWND hwnd) {
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font;
    };
    const LOGFONTW small = heightOf(Hwnd(form->Find("lbTitle")));
    const LOGFONTW big = heightOf(Hwnd(form->Find("lbBig")));
    const LOGFONTW button = heightOf(Hwnd(form->Find("cmdOk")));
    EXPECT_EQ(small.lfHeight, -std::lround(8.25 * dpi / 72));
    EXPECT_EQ(big.lfHeight, -std::lround(9.75 * dpi / 72));
    EXPECT_EQ(button.lfHeight, small.lfHeight);
    EXPECT_EQ(small.lfWeight, FW_NORMAL);
    EXPECT_EQ(big.lfWeight, FW_NORMAL);
    EXPECT_FALSE(small.lfItalic);
}

}  // namespace
