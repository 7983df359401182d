// The runtime contract, on both runtimes: a window built from a design of the tests' own, with the
// captions, states, lists and sizes the logic sets, the skin engine, and the errors of a design or
// a call that cannot be served. Where the two runtimes could differ, the core decides once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "app_folder.h"
#include "driver.h"
#include "small_design.h"
#include "wizard/form_design.h"

namespace window_test {
namespace {

const std::string kShippedSkin = std::string(TESSALINE_SOURCE_DIR) + "/skin/winaqua.skn";

// What a kind of control lacks does not compile.
template <class Handle>
concept HasCaption = requires(Handle handle)
{
    handle.Caption();
};
template <class Handle>
concept TakesFocus = requires(Handle handle)
{
    handle.SetFocus();
};
template <class Handle>
concept HasClick = requires(Handle handle)
{
    handle.OnClick({});
};
template <class Handle>
concept HasItems = requires(Handle handle)
{
    handle.AddItem("");
};

static_assert(HasCaption<ui::Button> && HasCaption<ui::Label>);
static_assert(!HasCaption<ui::Frame> && !HasCaption<ui::PictureBox> && !HasCaption<ui::ComboBox>);
static_assert(TakesFocus<ui::Button> && TakesFocus<ui::ComboBox>);
static_assert(!TakesFocus<ui::Label> && !TakesFocus<ui::Frame> && !TakesFocus<ui::PictureBox>);
static_assert(HasClick<ui::Button> && !HasClick<ui::Label> && !HasClick<ui::ComboBox>);
static_assert(HasItems<ui::ComboBox> && !HasItems<ui::Button>);

class SmallForm : public testing::Test {
protected:
    ui::FormDesign design = SmallDesign();
    std::unique_ptr<ui::Form> form = std::make_unique<ui::Form>(design);
};

// Every control sits in its container where its twips put it at the window's dpi, and the client
// area has the design's size.
void ExpectLaidOut(ui::Form& form)
{
    const PixelRect client = ClientArea(form);
    EXPECT_EQ(client.width, Pixels(form, form.Design().clientWidth));
    EXPECT_EQ(client.height, Pixels(form, form.Design().clientHeight));
    for (const ui::ControlDesign& design : form.Design().controls) {
        if (design.kind == ui::Kind::SkinEngine) continue;
        SCOPED_TRACE(design.name);
        const ui::Control control = form.Find<ui::Control>(design.name);
        EXPECT_EQ(ContainerName(control), design.container.empty() ? form.Design().name : design.container);
        const ui::Rect twips = control.Bounds();
        EXPECT_EQ(Geometry(control), (PixelRect{Pixels(form, twips.left), Pixels(form, twips.top),
                                                Pixels(form, twips.width), Pixels(form, twips.height)}));
    }
}

TEST_F(SmallForm, AFixedWindowLaidOutAsDesignedAndCentredWhenFirstShown)
{
    ExpectLaidOut(*form);
    EXPECT_TRUE(FixedSize(*form));
    EXPECT_FALSE(form->Shown());
    form->Show();
    EXPECT_TRUE(form->Shown());
    const PixelRect work = WorkArea();
    PixelRect window = WindowRect(*form);
    const PixelRect slack = CentringSlack(*form);
    EXPECT_NEAR(window.left - work.left, work.left + work.width - (window.left + window.width),
                1 + slack.width);
    EXPECT_NEAR(window.top - work.top, work.top + work.height - (window.top + window.height),
                1 + slack.height);
    // Shown again, it stays where the user moved it.
    MoveWindowTo(*form, work.left + 10, work.top + 20);
    form->Show();
    window = WindowRect(*form);
    EXPECT_EQ(window.left, work.left + 10);
    EXPECT_TRUE(HasIcon(*form));
}

TEST_F(SmallForm, CaptionsStatesAndListsAsTheLogicSetsThem)
{
    // A label shows an ampersand as given; accents and line feeds pass as they are.
    ui::Label label = form->Find<ui::Label>("lbTitle");
    EXPECT_EQ(label.Caption(), "Tom & Jerry");
    label.SetCaption("Pilote g\xC3\xA9n\xC3\xA9rique\nLigne 2 & co");
    EXPECT_EQ(label.Caption(), "Pilote g\xC3\xA9n\xC3\xA9rique\nLigne 2 & co");
    form->SetCaption("Assistant \xE2\x80\x93 pilotes");
    EXPECT_EQ(form->Caption(), "Assistant \xE2\x80\x93 pilotes");

    // A control in a hidden frame keeps its own setting and shows with the frame.
    form->Show();
    ui::Frame frame = form->Find<ui::Frame>("fraHidden");
    ui::Button button = form->Find<ui::Button>("cmdHidden");
    EXPECT_TRUE(button.Visible());
    EXPECT_FALSE(OnView(button));
    frame.SetVisible(true);
    EXPECT_TRUE(OnView(button));
    button.SetVisible(false);
    frame.SetVisible(false);
    frame.SetVisible(true);
    EXPECT_FALSE(OnView(button));
    ui::Button cancel = form->Find<ui::Button>("cmdCancel");
    cancel.SetEnabled(false);
    EXPECT_FALSE(cancel.Enabled());

    // The list keeps its items in the order added and picks one or none.
    ui::ComboBox list = form->Find<ui::ComboBox>("cmbList");
    list.AddItem("2,0,0  Zweiter Brenner");
    list.AddItem("1,0,0  Premi\xC3\xA8re");
    EXPECT_EQ(list.List(1), "1,0,0  Premi\xC3\xA8re");
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");
    list.SetListIndex(1);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.Text(), "1,0,0  Premi\xC3\xA8re");
    EXPECT_THROW(list.List(2), std::out_of_range);
    EXPECT_THROW(list.List(-1), std::out_of_range);
    EXPECT_THROW(list.SetListIndex(2), std::out_of_range);
    EXPECT_THROW(list.SetListIndex(-2), std::out_of_range);
    EXPECT_EQ(list.ListIndex(), 1);
    list.SetListIndex(-1);
    EXPECT_EQ(list.Text(), "");
    // A line of the tool with a NUL character in it is kept whole.
    const std::string withNul("3,0,0  Vendor\0Model", 19);
    list.AddItem(withNul);
    list.SetListIndex(2);
    EXPECT_EQ(list.List(2), withNul);
    EXPECT_EQ(list.Text(), withNul);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

// One policy for both runtimes: fractions of a twip are kept, and a width that is negative, not
// finite or past any screen (kMaxWidthTwips) is refused and changes nothing.
TEST_F(SmallForm, WidthsInFractionsOfATwipAndMoves)
{
    ui::PictureBox bar = form->Find<ui::PictureBox>("pBar");
    bar.SetWidth(1234.5);
    EXPECT_EQ(Geometry(bar).width, Pixels(*form, 1234.5));
    EXPECT_EQ(bar.Bounds().width, 1235);
    bar.SetWidth(600);
    for (double bad :
         {-0.001, std::nan(""), std::numeric_limits<double>::infinity(), ui::kMaxWidthTwips + 1, 1.0e12}) {
        EXPECT_THROW(bar.SetWidth(bad), std::invalid_argument) << bad;
        EXPECT_EQ(Geometry(bar).width, Pixels(*form, 600));
        EXPECT_EQ(bar.Bounds().width, 600);
    }
    bar.SetWidth(ui::kMaxWidthTwips);
    EXPECT_EQ(bar.Bounds().width, 10000000);
    ui::Frame trough = form->Find<ui::Frame>("fraTrough");
    trough.Move({300, 1500, 2000, 600});
    const PixelRect placed = Geometry(trough);
    EXPECT_EQ(placed.left, Pixels(*form, 300));
    EXPECT_EQ(placed.top, Pixels(*form, 1500));
    EXPECT_EQ(placed.height, Pixels(*form, 600));
    EXPECT_EQ(trough.Bounds(), (ui::Rect{300, 1500, 2000, 600}));
}

TEST_F(SmallForm, TheCloseBoxRunsTheHandlerAndOnlyHidesTheWindow)
{
    int requests = 0;
    form->OnCloseRequest([&] { ++requests; });
    form->Show();
    PressCloseBox(*form);
    ASSERT_TRUE(RunEventsUntil([&] { return requests > 0; }));
    EXPECT_EQ(requests, 1);
    EXPECT_FALSE(form->Shown());
    form->Show();
    EXPECT_TRUE(form->Shown());
}

TEST_F(SmallForm, ANameOfAnotherKindIsNotAMissingName)
{
    EXPECT_THROW(form->Find<ui::Control>("nothing"), std::out_of_range);
    EXPECT_THROW(form->Find<ui::Button>("nothing"), std::out_of_range);
    EXPECT_THROW(form->Find<ui::ComboBox>("cmdOk"), std::logic_error);
    EXPECT_THROW(form->Find<ui::SkinEngine>("cmdOk"), std::logic_error);
    EXPECT_THROW(form->Find<ui::Control>("skn"), std::logic_error);
    EXPECT_THROW(form->Find<ui::Label>("fraPage"), std::logic_error);
    EXPECT_NO_THROW(form->Find<ui::SkinEngine>("skn"));
    EXPECT_EQ(form->Find<ui::Control>("fraPage").Name(), "fraPage");

    // The same on the wizard's own window: a fault of the caller, told apart from a name the
    // window does not have.
    ui::Form wizard(frmSelectDriverDesign());
    auto kindOfFault = [](const std::function<void()>& find) {
        try {
            find();
        } catch (const std::out_of_range&) {
            return std::string("missing");
        } catch (const std::logic_error&) {
            return std::string("other kind");
        }
        return std::string("found");
    };
    EXPECT_EQ(kindOfFault([&] { wizard.Find<ui::Control>("skn"); }), "other kind");
    EXPECT_EQ(kindOfFault([&] { wizard.Find<ui::SkinEngine>("cmdNext"); }), "other kind");
    EXPECT_EQ(kindOfFault([&] { wizard.Find<ui::ComboBox>("cmdNext"); }), "other kind");
    EXPECT_EQ(kindOfFault([&] { wizard.Find<ui::Control>("cmdOk"); }), "missing");
    EXPECT_EQ(kindOfFault([&] { wizard.Find<ui::SkinEngine>("skn"); }), "found");
}

TEST(Handles, AHandleUsedBeforeItIsBoundIsAnError)
{
    const ui::Button button;
    EXPECT_THROW((void)button.Caption(), std::logic_error);
    ui::SkinEngine engine;
    EXPECT_THROW(engine.LoadSkinFile(kShippedSkin), std::logic_error);
}

TEST(Designs, ThatCannotBeBuiltAreRefused)
{
    ui::FormDesign twice = SmallDesign();
    twice.controls.push_back(twice.controls.front());
    EXPECT_THROW(ui::Form{twice}, std::invalid_argument);
    ui::FormDesign nameless = SmallDesign();
    nameless.controls[2].name.clear();
    EXPECT_THROW(ui::Form{nameless}, std::invalid_argument);
    ui::FormDesign lost = SmallDesign();
    lost.controls[3].container = "fraNowhere";
    EXPECT_THROW(ui::Form{lost}, std::invalid_argument);
    ui::FormDesign inButton = SmallDesign();
    inButton.controls[3].container = "cmdOk";
    EXPECT_THROW(ui::Form{inButton}, std::invalid_argument);
    ui::FormDesign circle = SmallDesign();
    for (ui::ControlDesign& control : circle.controls)
        if (control.name == "fraPage") control.container = "fraTrough";
    EXPECT_THROW(ui::Form{circle}, std::invalid_argument);
    ui::FormDesign namesNothing = SmallDesign();
    namesNothing.controls[3].labels = "cmbNowhere";
    EXPECT_THROW(ui::Form{namesNothing}, std::invalid_argument);
}

// Each control is made after the frame that holds it, whatever the order of the design: on both
// runtimes a control listed before its frame is still made in it.
TEST(Designs, AControlListedBeforeItsFrameIsMadeInIt)
{
    ui::FormDesign late = SmallDesign();
    std::rotate(late.controls.begin(), late.controls.begin() + 1, late.controls.end());
    ui::Form form(late);
    EXPECT_EQ(ContainerName(form.Find<ui::Control>("cmbList")), "fraPage");
    ExpectLaidOut(form);
}

TEST_F(SmallForm, TheSkinEngineNeedsALoadedSkinAndKeepsItThroughAFailedLoad)
{
    ui::SkinEngine engine = form->Find<ui::SkinEngine>("skn");
    EXPECT_THROW(engine.ApplySkin(*form), skin::SkinError);  // nothing loaded
    EXPECT_FALSE(Skinned(*form));
    engine.LoadSkinFile(kShippedSkin);

    const fs::path damaged =
        fs::temp_directory_path() / ("tessaline-damaged-" + std::to_string(ProcessId()) + ".skn");
    WriteBytes(damaged, "tessaline-skin 1\n[window]\nbackground-top = nonsense\nend\n");
    try {
        engine.LoadSkinFile(TextOf(damaged));
        ADD_FAILURE() << "a damaged skin was loaded";
    } catch (const skin::SkinError& error) {
        EXPECT_EQ(error.File(), TextOf(damaged));
        EXPECT_EQ(error.Line(), 3);
    }
    fs::remove(damaged);
    EXPECT_THROW(engine.LoadSkinFile(TextOf(damaged)), skin::SkinError);  // now missing
    engine.ApplySkin(*form);                                              // the shipped skin, loaded first
    EXPECT_TRUE(Skinned(*form));
}

}  // namespace
}  // namespace window_test
