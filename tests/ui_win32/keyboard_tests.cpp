// The keyboard as a dialog's: Tab follows the tab indices, Enter presses the default button
// (or the button that has the focus), Alt with an access key presses its button, and the focus
// never stays on a control the user can no longer reach.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui_test_support.h"

namespace {

using uitest::Hwnd;

class Keyboard : public testing::Test {
protected:
    void SetUp() override
    {
        form->OnClick("cmdOk", [this] { clicks.push_back("ok"); });
        form->OnClick("cmdCancel", [this] { clicks.push_back("cancel"); });
        form->OnClick("cmdHidden", [this] { clicks.push_back("hidden"); });
        form->Show();
        ASSERT_TRUE(uitest::RunEventsUntil([this] { return ::GetActiveWindow() == Hwnd(*form); }));
    }

    HWND Control(const char* name) { return Hwnd(form->Find(name)); }

    // A key as the user's keyboard sends it to the control that has the focus.
    void Press(UINT message, WPARAM key, LPARAM data = 0)
    {
        HWND target = ::GetFocus() != nullptr ? ::GetFocus() : Hwnd(*form);
        ::PostMessageW(target, message, key, data);
        uitest::RunEventsFor(50);
    }

    std::vector<HWND> TabCycle()
    {
        std::vector<HWND> cycle;
        HWND first = ::GetNextDlgTabItem(Hwnd(*form), nullptr, FALSE);
        for (HWND at = first; at != nullptr && cycle.size() < 10;) {
            cycle.push_back(at);
            at = ::GetNextDlgTabItem(Hwnd(*form), at, FALSE);
            if (at == first) break;
        }
        return cycle;
    }

    std::unique_ptr<ui::Form> form = ui::CreateForm(uitest::SmallDesign());
    std::vector<std::string> clicks;
};

TEST_F(Keyboard, TabVisitsTheControlsByTabIndexSkippingHiddenAndDisabledOnes)
{
    EXPECT_EQ(TabCycle(), (std::vector<HWND>{Control("cmbList"), Control("cmdOk"), Control("cmdCancel")}));
    form->Find("cmdOk").SetEnabled(false);
    EXPECT_EQ(TabCycle(), (std::vector<HWND>{Control("cmbList"), Control("cmdCancel")}));
    form->Find("cmdOk").SetEnabled(true);
    form->Find("fraHidden").SetVisible(true);
    EXPECT_EQ(TabCycle(), (std::vector<HWND>{Control("cmbList"), Control("cmdHidden"), Control("cmdOk"),
                                             Control("cmdCancel")}));

    // The Tab key itself, through the program's message loop.
    form->FindComboBox("cmbList").SetFocus();
    Press(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(::GetFocus(), Control("cmdHidden"));
    Press(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(::GetFocus(), Control("cmdOk"));
    EXPECT_TRUE(form->Find("cmdOk").HasFocus());
}

TEST_F(Keyboard, EnterPressesTheDefaultButtonOrTheFocusedOne)
{
    const LRESULT defaultId = ::SendMessageW(Hwnd(*form), DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defaultId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defaultId), ::GetDlgCtrlID(Control("cmdOk")));
    EXPECT_EQ(::GetWindowLongW(Control("cmdOk"), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    form->Find("cmbList").SetFocus();
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks, std::vector<std::string>{"ok"});
    form->Find("cmdCancel").SetFocus();
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks, (std::vector<std::string>{"ok", "cancel"}));

    form->Find("cmdOk").SetEnabled(false);
    form->Find("cmbList").SetFocus();
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(Keyboard, AltWithAnAccessKeyPressesItsButton)
{
    form->Find("cmbList").SetFocus();
    Press(WM_SYSCHAR, 'c', LPARAM{1} << 29);
    EXPECT_EQ(clicks, std::vector<std::string>{"cancel"});
    // A button out of sight has no access key.
    Press(WM_SYSCHAR, 'h', LPARAM{1} << 29);
    EXPECT_EQ(clicks, std::vector<std::string>{"cancel"});
}

TEST_F(Keyboard, ClicksFromButtonsTheUserCannotUseAreIgnored)
{
    ::SendMessageW(Control("cmdHidden"), BM_CLICK, 0, 0);
    form->Find("cmdOk").SetEnabled(false);
    ::SendMessageW(Hwnd(*form), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(Control("cmdOk")), BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control("cmdOk")));
    EXPECT_TRUE(clicks.empty());
    ::SendMessageW(Control("cmdCancel"), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, std::vector<std::string>{"cancel"});
}

TEST_F(Keyboard, TheFocusMovesOnWhenItsControlIsHiddenOrDisabled)
{
    form->Find("cmbList").SetFocus();
    ASSERT_EQ(::GetFocus(), Control("cmbList"));
    form->Find("fraPage").SetVisible(false);
    EXPECT_EQ(::GetFocus(), Control("cmdOk"));
    form->Find("cmdCancel").SetEnabled(false);
    form->Find("cmdOk").SetEnabled(false);
    // Nothing left to take it: the window keeps it, and Enter works once the default is back.
    EXPECT_EQ(::GetFocus(), Hwnd(*form));
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(clicks.empty());
    form->Find("cmdOk").SetEnabled(true);
    Press(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks, std::vector<std::string>{"ok"});
}

TEST(KeyboardFocus, AFocusSetBeforeTheWindowShowsIsWhereItStarts)
{
    auto form = ui::CreateForm(uitest::SmallDesign());
    form->Find("cmdCancel").SetFocus();
    EXPECT_FALSE(::IsWindowVisible(Hwnd(*form)));
    form->Show();
    EXPECT_TRUE(uitest::RunEventsUntil([&] { return form->Find("cmdCancel").HasFocus(); }));
}

}  // namespace
