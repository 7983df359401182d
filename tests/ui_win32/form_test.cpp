// The window and its controls as the Win32 runtime builds them from a design of the tests' own:
// real controls of each kind, with the captions, states, lists and sizes the logic sets, and
// the errors of a design or a call that cannot be served.
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

class SmallForm : public testing::Test {
protected:
    ui::FormDesign design = uitest::SmallDesign();
    std::unique_ptr<ui::Form> form = ui::CreateForm(design);
    int Px(double twips)
    {
        return static_cast<int>(std::lround(twips * ::GetDpiForWindow(Hwnd(*form)) / 1440));
    }
};

TEST_F(SmallForm, RealControlsInAFixedWindowCentredWhenFirstShown)
{
    EXPECT_EQ(_wcsicmp(ClassName(Hwnd(form->Find("cmdOk"))).c_str(), L"Button"), 0);
    HWND list = Hwnd(form->Find("cmbList"));
    EXPECT_EQ(_wcsicmp(ClassName(list).c_str(), L"ComboBox"), 0);
    EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    HWND label = Hwnd(form->Find("lbTitle"));
    EXPECT_EQ(_wcsicmp(ClassName(label).c_str(), L"Static"), 0);
    EXPECT_NE(::GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX, 0);
    EXPECT_NE(::GetWindowLongW(Hwnd(form->Find("fraTrough")), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    EXPECT_EQ(WindowText(Hwnd(form->Find("picBanner"))), L"Tessaline");  // its accessible name
    uitest::ExpectLaidOut(*form, design, ::GetDpiForWindow(Hwnd(*form)));

    HWND hwnd = Hwnd(*form);
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_FALSE(form->Shown());
    form->Show();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    RECT window{};
    ::GetWindowRect(hwnd, &window);
    EXPECT_NEAR(window.left - work.left, work.right - window.right, 1);
    EXPECT_NEAR(window.top - work.top, work.bottom - window.bottom, 1);
    // Shown again, it stays where the user moved it.
    ::SetWindowPos(hwnd, nullptr, work.left + 10, work.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form->Show();
    ::GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.left, work.left + 10);
    EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(SmallForm, CaptionsStatesAndListsAsTheLogicSetsThem)
{
    // A label shows an ampersand as given; accents and line feeds pass as they are.
    ui::Control& label = form->Find("lbTitle");
    EXPECT_EQ(label.Caption(), "Tom & Jerry");
    label.SetCaption("Pilote g\xC3\xA9n\xC3\xA9rique\nLigne 2 & co");
    EXPECT_EQ(WindowText(Hwnd(label)), L"Pilote g\u00e9n\u00e9rique\nLigne 2 & co");
    EXPECT_EQ(label.Caption(), "Pilote g\xC3\xA9n\xC3\xA9rique\nLigne 2 & co");
    form->SetCaption("Assistant \xE2\x80\x93 pilotes");
    EXPECT_EQ(WindowText(Hwnd(*form)), L"Assistant \u2013 pilotes");

    // A control in a hidden frame keeps its own setting and shows with the frame.
    form->Show();
    ui::Control& frame = form->Find("fraHidden");
    ui::Control& button = form->Find("cmdHidden");
    EXPECT_TRUE(button.Visible());
    EXPECT_FALSE(::IsWindowVisible(Hwnd(button)));
    frame.SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(Hwnd(button)));
    button.SetVisible(false);
    frame.SetVisible(false);
    frame.SetVisible(true);
    EXPECT_FALSE(::IsWindowVisible(Hwnd(button)));
    form->Find("cmdCancel").SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(Hwnd(form->Find("cmdCancel"))));

    // The list keeps its items in the order added and picks one or none.
    ui::ComboBox& list = form->FindComboBox("cmbList");
    list.AddItem("2,0,0  Zweiter Brenner");
    list.AddItem("1,0,0  Premi\xC3\xA8re");
    wchar_t shown[64] = {};
    ::SendMessageW(Hwnd(list), CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, L"1,0,0  Premi\u00e8re");
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");
    list.SetListIndex(1);
    EXPECT_EQ(::SendMessageW(Hwnd(list), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(list.Text(), "1,0,0  Premi\xC3\xA8re");
    EXPECT_THROW(list.List(2), std::out_of_range);
    EXPECT_THROW(list.SetListIndex(2), std::out_of_range);
    EXPECT_EQ(list.ListIndex(), 1);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(SmallForm, WidthsInFractionsOfATwipAndMoves)
{
    ui::Control& bar = form->Find("pBar");
    bar.SetWidth(1234.5);
    RECT rc = RectInParent(Hwnd(bar));
    EXPECT_EQ(rc.right - rc.left, Px(1234.5));
    EXPECT_EQ(bar.Bounds().width, 1235);
    bar.SetWidth(600);
    for (double bad : {-0.001, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(bar.SetWidth(bad), std::invalid_argument) << bad;
        rc = RectInParent(Hwnd(bar));
        EXPECT_EQ(rc.right - rc.left, Px(600));
    }
    ui::Control& trough = form->Find("fraTrough");
    trough.Move({300, 1500, 2000, 600});
    rc = RectInParent(Hwnd(trough));
    EXPECT_EQ(rc.left, Px(300));
    EXPECT_EQ(rc.top, Px(1500));
    EXPECT_EQ(rc.bottom - rc.top, Px(600));
    EXPECT_EQ(trough.Bounds(), (ui::Rect{300, 1500, 2000, 600}));
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
    EXPECT_FALSE(form->Shown());
    EXPECT_TRUE(::IsWindow(hwnd));
    form->Show();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
}

TEST_F(SmallForm, WhatAControlOrADesignLacksIsAnError)
{
    EXPECT_THROW(form->Find("nothing"), std::out_of_range);
    EXPECT_THROW(form->FindComboBox("cmdOk"), std::logic_error);
    EXPECT_THROW(form->FindSkinEngine("cmdOk"), std::logic_error);
    EXPECT_THROW(form->Find("skn"), std::logic_error);
    EXPECT_THROW(form->Find("fraPage").Caption(), std::logic_error);
    EXPECT_THROW(form->Find("lbTitle").SetFocus(), std::logic_error);
    EXPECT_THROW(form->OnClick("lbTitle", [] {}), std::logic_error);

    ui::FormDesign twice = uitest::SmallDesign();
    twice.controls.push_back(twice.controls.front());
    EXPECT_THROW(ui::CreateForm(twice), std::invalid_argument);
    ui::FormDesign lost = uitest::SmallDesign();
    lost.controls[3].container = "fraNowhere";
    EXPECT_THROW(ui::CreateForm(lost), std::invalid_argument);
    ui::FormDesign inButton = uitest::SmallDesign();
    inButton.controls[3].container = "cmdOk";
    EXPECT_THROW(ui::CreateForm(inButton), std::invalid_argument);
    // A control listed before the frame that holds it is still made in it.
    ui::FormDesign late = uitest::SmallDesign();
    std::rotate(late.controls.begin(), late.controls.begin() + 1, late.controls.end());
    EXPECT_NO_THROW(ui::CreateForm(late));
}

}  // namespace
