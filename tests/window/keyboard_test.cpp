// The keyboard as a dialog's, on both runtimes: Tab follows the tab indices, Enter presses the
// focused button or else the default one, Alt with an access key presses its button, a button out
// of sight or disabled is never pressed, and the focus moves on from a control that is hidden or
// disabled.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver.h"
#include "small_design.h"

namespace window_test {
namespace {

using Clicks = std::vector<std::string>;

class Keyboard : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"cmdOk", "cmdCancel", "cmdHidden"})
            form->Find<ui::Button>(name).OnClick([this, name] { clicks.push_back(name); });
        form->Show();
        ASSERT_TRUE(Activate(*form));
    }

    // The controls Tab visits from the one with the focus, until it comes back.
    std::vector<std::string> TabCycle()
    {
        std::vector<std::string> cycle{FocusedControl(*form)};
        for (int i = 0; i < 10; ++i) {
            Press(*form, Key::Tab);
            if (FocusedControl(*form) == cycle.front()) break;
            cycle.push_back(FocusedControl(*form));
        }
        return cycle;
    }

    ui::Button Button(const char* name) { return form->Find<ui::Button>(name); }

    std::unique_ptr<ui::Form> form = std::make_unique<ui::Form>(SmallDesign());
    Clicks clicks;
};

TEST_F(Keyboard, TabVisitsTheControlsByTabIndexSkippingHiddenAndDisabledOnes)
{
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    EXPECT_EQ(TabCycle(), (std::vector<std::string>{"cmbList", "cmdOk", "cmdCancel"}));
    Button("cmdOk").SetEnabled(false);
    form->Find<ui::Frame>("fraHidden").SetVisible(true);
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    EXPECT_EQ(TabCycle(), (std::vector<std::string>{"cmbList", "cmdHidden", "cmdCancel"}));
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    Press(*form, Key::Tab);
    EXPECT_TRUE(Button("cmdHidden").HasFocus());
}

TEST_F(Keyboard, EnterPressesTheFocusedButtonOrElseTheDefault)
{
    EXPECT_TRUE(IsDefault(Button("cmdOk")));
    EXPECT_FALSE(IsDefault(Button("cmdCancel")));
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    Press(*form, Key::Enter);
    Button("cmdCancel").SetFocus();
    Press(*form, Key::Enter);
    EXPECT_EQ(clicks, (Clicks{"cmdOk", "cmdCancel"}));
    Button("cmdOk").SetEnabled(false);
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    Press(*form, Key::Enter);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(Keyboard, AltWithAnAccessKeyPressesItsButtonUnlessTheUserCannotSeeIt)
{
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    PressAlt(*form, 'c');
    ASSERT_TRUE(RunEventsUntil([&] { return !clicks.empty(); }));
    PressAlt(*form, 'h');
    SendClick(Button("cmdHidden"));
    RunEventsFor(100);
    EXPECT_EQ(clicks, Clicks{"cmdCancel"});
}

TEST_F(Keyboard, TheFocusMovesOnWhenItsControlIsHiddenOrDisabled)
{
    form->Find<ui::ComboBox>("cmbList").SetFocus();
    form->Find<ui::Frame>("fraPage").SetVisible(false);
    EXPECT_EQ(FocusedControl(*form), "cmdOk");
    Button("cmdCancel").SetEnabled(false);
    Button("cmdOk").SetEnabled(false);
    // Nothing left to take it: the window keeps it, and Enter works once the default is back.
    EXPECT_EQ(FocusedControl(*form), "");
    EXPECT_TRUE(WindowHasFocus(*form));
    Button("cmdOk").SetEnabled(true);
    Press(*form, Key::Enter);
    EXPECT_EQ(clicks, Clicks{"cmdOk"});
}

TEST(KeyboardFocus, AFocusSetBeforeTheWindowShowsIsWhereItStarts)
{
    ui::Form form(SmallDesign());
    form.Find<ui::Button>("cmdCancel").SetFocus();
    form.Show();
    EXPECT_TRUE(RunEventsUntil([&] { return form.Find<ui::Button>("cmdCancel").HasFocus(); }));
}

}  // namespace
}  // namespace window_test
