// The keyboard as a dialog's: Tab follows the tab indices, Enter presses the focused button or
// else the default one, Alt with an access key presses its button, a button out of sight or
// disabled is never pressed, and the focus moves on from a control that is hidden or disabled.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui_test_support.h"

namespace {

using uitest::Hwnd;
using Clicks = std::vector<std::string>;

class Keyboard : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* button : {"cmdOk", "cmdCancel", "cmdHidden"})
            form->OnClick(button, [this, button] { clicks.push_back(button); });
        form->Show();
        ASSERT_TRUE(uitest::RunEventsUntil([this] { return ::GetActiveWindow() == Hwnd(*form); }));
    }

    HWND Control(const char* name) { return Hwnd(form->Find(name)); }

    // A key as the keyboard sends it: to the control that has the focus.
    void Press(UINT message, WPARAM key, LPARAM data = 0)
    {
        ::PostMessageW(::GetFocus() != nullptr ? ::GetFocus() : Hwnd(*form), message, key, data);
        uitest::RunEventsFor(50);
    }

    std::vector<HWND> TabCycle()
    {
        std::vector<HWND> cycle;
        for (HWND at = ::GetNextDlgTabItem(Hwnd(*form), nullptr, FALSE); at != nullptr && cycle.size() < 10;
             at = ::GetNextDlgTabItem(Hwnd(*form), at, FALSE)) {
            if (!cycle.empty() && at == cycle.front()) break;
            cycle.push_back(at);
        }
        return cycle;
    }

    std::unique_ptr<ui::Form> form = ui::CreateForm(uitest::SmallDesign());
    Clicks clicks;
};

TEST_F(Keyboard, TabVisitsTheControlsByTabIndexSkippingHiddenAndDisabledOnes)
{
    EXPECT_EQ(TabCycle(), (std::vector<HWND>{Control("cmbList"), Control("cmdOk"), Control("cmdCancel")}));
    form->Find("cmdOk").SetEnabled(false);
    form->Find("fraHidden").SetVisible(true);
    EXPECT_EQ(TabCycle(),
              (std::vector<HWND>{Control("cmbList"), Control("cmdHidden"), Control("cmdCancel")}));
    form->Find("cmbList").SetFocus();
    Press(WM_KEYDOWN, VK_TAB);
    EXPECT_TRUE(form->Find("cmdHidden").HasFocus());
    // A label that names a control sits right before it, where screen readers look for a name.
    EXPECT_EQ(::GetWindow(Control("cmbList"), GW_HWNDPREV), Control("lbTitle"));
}

TEST_F(Keyboard, EnterPressesTheFocusedButtonOrElseTheDefault)
{
    EXPECT_EQ(LOWORD(::SendMessageW(Hwnd(*form), DM_GETDEFID, 0, 0)), ::GetDlgCtrlID(Control("cmdOk")));
    EXPECT_EQ(::GetWindowLongW(Control("cmdOk"), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    form->Find("cmbList").SetFocus();
    Press(WM_KEYDOWN, VK_RETURN);
    form->Find("cmdCancel").SetFocus();
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks, (Clicks{"cmdOk", "cmdCancel"}));
    form->Find("cmdOk").SetEnabled(false);
    form->Find("cmbList").SetFocus();
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(Keyboard, AltWithAnAccessKeyPressesItsButtonUnlessTheUserCannotSeeIt)
{
    form->Find("cmbList").SetFocus();
    Press(WM_SYSCHAR, 'c', LPARAM{1} << 29);
    Press(WM_SYSCHAR, 'h', LPARAM{1} << 29);
    ::SendMessageW(Control("cmdHidden"), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, Clicks{"cmdCancel"});
}

TEST_F(Keyboard, TheFocusMovesOnWhenItsControlIsHiddenOrDisabled)
{
    form->Find("cmbList").SetFocus();
    form->Find("fraPage").SetVisible(false);
    EXPECT_EQ(::GetFocus(), Control("cmdOk"));
    form->Find("cmdCancel").SetEnabled(false);
    form->Find("cmdOk").SetEnabled(false);
    // Nothing left to take it: the window keeps it, and Enter works once the default is back.
    EXPECT_EQ(::GetFocus(), Hwnd(*form));
    form->Find("cmdOk").SetEnabled(true);
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks, Clicks{"cmdOk"});
}

TEST(KeyboardFocus, AFocusSetBeforeTheWindowShowsIsWhereItStarts)
{
    auto form = ui::CreateForm(uitest::SmallDesign());
    form->Find("cmdCancel").SetFocus();
    form->Show();
    EXPECT_TRUE(uitest::RunEventsUntil([&] { return form->Find("cmdCancel").HasFocus(); }));
}

}  // namespace
