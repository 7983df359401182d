// The window's start-up on both runtimes: language, skin check, captions, bus scan, layout, the
// keyboard on page 1 and what a screen reader is given.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "app_folder.h"
#include "driver.h"
#include "runner/MGetCmdOutput.h"
#include "test_policy.h"
#include "wizard/form_design.h"

namespace window_test {
namespace {

class Startup : public testing::Test {
protected:
    void SetUp() override { fx.RecordProgramHooks(); }

    // Start-up, then the window on view and active, as the program opens it.
    static void Open(frmSelectDriver& form)
    {
        form.Form_Load();
        form.Window().Show();
        ASSERT_TRUE(Activate(form.Window()));
    }

    std::vector<std::string> Items(const ui::ComboBox& list)
    {
        std::vector<std::string> items;
        items.reserve(static_cast<std::size_t>(list.ListCount()));
        for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
        return items;
    }

    AppFolder fx;
};

TEST_F(Startup, ScansBeforeTheWindowIsShownAndSelectsTheFirstWriter)
{
    fx.WriteScenario(std::string("[scan]\ndelay-ms = 300\n") + AppFolder::kTwoWriters);
    frmSelectDriver form;
    bool seenShown = false;
    int hookCalls = 0;
    MGetCmdOutput::SetEventHook([&](platform::NativeHandle readHandle, int wait) {
        ++hookCalls;
        seenShown = seenShown || form.Window().Shown();
        EXPECT_EQ(form.CurrentPage, 0);
        ui::RunWindowEvents(readHandle, wait);
    });
    form.Form_Load();
    EXPECT_GT(hookCalls, 0);  // the hook runs before every read of the scan
    EXPECT_FALSE(seenShown);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(Items(form.cmbDriverList),
              (std::vector<std::string>{"1,0,0  First Writer", "2,0,0  Second Writer"}));
    EXPECT_EQ(form.cmbDriverList.ListIndex(), 0);
    EXPECT_EQ(form.cmbDriverList.Text(), "1,0,0  First Writer");
    EXPECT_EQ(fx.ToolCommands(), std::vector<std::string>{fx.Command("Burn.exe scanbus -v 0")});
    EXPECT_TRUE(fx.messages.empty());
}

struct ScanCase {
    const char* name;
    std::string scan;
    std::vector<std::string> items;
};

void PrintTo(const ScanCase& c, std::ostream* out) { *out << c.name; }

class ScanOutput : public Startup, public testing::WithParamInterface<ScanCase> {};

TEST_P(ScanOutput, GivesTheListsItems)
{
    fx.WriteScenario("[scan]\n" + GetParam().scan + AppFolder::kTwoWriters);
    frmSelectDriver form;
    form.Form_Load();
    EXPECT_EQ(Items(form.cmbDriverList), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ScanOutput,
    testing::Values(
        ScanCase{"crlf", "line-end = crlf\n", {"1,0,0  First Writer\r", "2,0,0  Second Writer\r"}},
        ScanCase{"noFinalLineFeed", "final-line-feed = no\n", {"1,0,0  First Writer"}},
        ScanCase{"emptyLineBetween",
                 "extra-line =\nextra-line = 3,0,0  Third\n",
                 {"1,0,0  First Writer", "2,0,0  Second Writer", "", "3,0,0  Third"}},
        ScanCase{"noAdapter", "adapters = no\n", {"Could not find any host adapters"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Startup, AMissingToolLeavesTheListEmpty)
{
    fx.Remove("Burn.exe");
    frmSelectDriver form;
    form.Form_Load();
    EXPECT_EQ(form.cmbDriverList.ListCount(), 0);
    EXPECT_EQ(form.cmbDriverList.ListIndex(), -1);
    EXPECT_EQ(form.CurrentPage, 1);
}

struct MissingSkinCase {
    const char* name;
    std::function<void(AppFolder&)> make;  // what stands where the skin should be
    bool keyInFile;                        // the language file has the message's key
};

void PrintTo(const MissingSkinCase& c, std::ostream* out) { *out << c.name; }

class MissingSkin : public Startup, public testing::WithParamInterface<MissingSkinCase> {};

TEST_P(MissingSkin, EndsBeforeTheToolRuns)
{
    fx.Remove("winaqua.skn");
    GetParam().make(fx);
    fx.WriteKeyNamedLanguage({GetParam().keyInFile ? "2103" : "2000"});
    frmSelectDriver form;
    EXPECT_EQ(EndOf([&] { form.Form_Load(); }), 1);
    EXPECT_EQ(fx.endStatuses, std::vector<int>{1});
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text,
              GetParam().keyInFile ? "T2103" : "Application is corrupted. Please Reinstall it.");
    EXPECT_EQ(fx.messages[0].icon, platform::MessageIcon::None);
    EXPECT_TRUE(fx.ToolCommands().empty());
    EXPECT_FALSE(form.Window().Shown());
    EXPECT_EQ(form.CurrentPage, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingSkin,
    testing::Values(
        MissingSkinCase{"missingTextFromTheLanguageFile", [](AppFolder&) {}, true},
        MissingSkinCase{"missingDefaultText", [](AppFolder&) {}, false},
        MissingSkinCase{"aFolder",
                        [](AppFolder& fx) { fs::create_directory(PathOf(fx.Path("winaqua.skn"))); }, true},
        MissingSkinCase{"aDanglingLink",
                        [](AppFolder& fx) { MakeLink(fx.Path("gone.skn"), fx.Path("winaqua.skn")); }, true}),
    [](const auto& row) { return std::string(row.param.name); });

// A skin that cannot be used ends start-up the one way every start-up failure does: its message,
// here naming the file and the line, then the end of the program.
TEST_F(Startup, ADamagedSkinEndsNamingTheFileAndLine)
{
    fx.Write("winaqua.skn", std::string("\x01\x02garbage\xff\xfe\n", 12));
    frmSelectDriver form;
    EXPECT_EQ(EndOf([&] { form.Form_Load(); }), 1);
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_NE(fx.messages[0].text.find(fx.Path("winaqua.skn")), std::string::npos) << fx.messages[0].text;
    EXPECT_NE(fx.messages[0].text.find("line"), std::string::npos) << fx.messages[0].text;
    EXPECT_EQ(fx.messages[0].icon, platform::MessageIcon::Critical);
    EXPECT_TRUE(fx.ToolCommands().empty());
}

TEST_F(Startup, CaptionsComeFromTheLanguageFile)
{
    fx.WriteKeyNamedLanguage({"2000", "2002", "2200", "2201", "2005", "2006"});
    frmSelectDriver form;
    form.Form_Load();
    EXPECT_EQ(form.Window().Caption(), "T2000");
    EXPECT_EQ(form.Label1.Caption(), "T2002");
    EXPECT_EQ(form.lb1.Caption(), "T2200");
    EXPECT_EQ(form.lb2.Caption(), "T2201");
    EXPECT_EQ(form.cmdBack.Caption(), "T2006");
    EXPECT_EQ(form.cmdNext.Caption(), "T2005");
}

TEST_F(Startup, TheShippedEnglishTextsAndTheDesignsOwn)
{
    frmSelectDriver form;
    Open(form);
    EXPECT_EQ(form.Window().Caption(), ShippedText("2000"));
    EXPECT_EQ(form.Label1.Caption(), ShippedText("2002"));
    EXPECT_EQ(form.lb1.Caption(), ShippedText("2200"));
    EXPECT_EQ(form.lb2.Caption(), ShippedText("2201"));
    EXPECT_EQ(form.cmdNext.Caption(), ShippedText("2005"));
    EXPECT_EQ(form.cmdBack.Caption(), ShippedText("2006"));
    EXPECT_EQ(form.lbDriver.Caption(), "Driver Name :");  // a design text no code replaces
}

TEST_F(Startup, MissingKeysGiveEmptyCaptions)
{
    fx.WriteKeyNamedLanguage({"9999"});
    frmSelectDriver form;
    form.Form_Load();
    EXPECT_EQ(form.Window().Caption(), "");
    for (const ui::Label* label : {&form.Label1, &form.lb1, &form.lb2}) EXPECT_EQ(label->Caption(), "");
    EXPECT_EQ(form.cmdBack.Caption(), "");
    EXPECT_EQ(form.cmdNext.Caption(), "");
    // Texts no code replaces keep their design-time values.
    EXPECT_EQ(form.lbDriver.Caption(), "Driver Name :");
}

TEST_F(Startup, AccentedTextsReadByTheSystemShowAsWritten)
{
    AppFolder french("French.ini");
    french.RecordProgramHooks();
    frmSelectDriver form;
    form.Form_Load();
    EXPECT_EQ(form.Label1.Caption(), "Graveurs de CD trouv\xC3\xA9s sur cet ordinateur :");
    EXPECT_EQ(form.Window().Caption(), "Assistant de pilote Tessaline");
}

struct LayoutRow {
    const char* name;
    const char* container;
    ui::Rect twips;
    bool shown;  // the control's own setting
    int tabIndex;
};

void PrintTo(const LayoutRow& row, std::ostream* out) { *out << row.name; }

// The design as drawn: a copy of it, checked against the window each runtime builds.
const LayoutRow kLayout[] = {
    {"lbfootermsg", "frmSelectDriver", {3180, 2640, 2655, 195}, false, 15},
    {"fraPage3", "frmSelectDriver", {3180, 2910, 1230, 525}, false, 6},
    {"fraPage2", "frmSelectDriver", {3090, 0, 3855, 3225}, false, 7},
    {"fraPage1", "frmSelectDriver", {3120, -60, 3780, 2655}, true, 1},
    {"Picture1", "frmSelectDriver", {0, 0, 3090, 3300}, true, 5},
    {"Frame2", "frmSelectDriver", {3150, 2700, 3780, 30}, true, 4},
    {"cmdBack", "frmSelectDriver", {4530, 2910, 1080, 330}, true, 3},
    {"cmdNext", "frmSelectDriver", {5790, 2910, 1080, 330}, true, 2},
    {"Label2", "fraPage3", {180, 330, 2955, 195}, true, 14},
    {"LbFooter", "fraPage3", {0, 420, 3225, 615}, false, 19},
    {"lbCurrentCD", "fraPage3", {0, 0, 3225, 345}, false, 20},
    {"lbDrivername", "fraPage2", {1350, 870, 2385, 405}, true, 22},
    {"lbDriver", "fraPage2", {210, 900, 1005, 345}, true, 21},
    {"lbhead", "fraPage2", {210, 270, 3915, 255}, true, 13},
    {"Frame3", "fraPage2", {150, 2130, 3510, 375}, true, 9},
    {"pBar", "Frame3", {45, 135, 15, 195}, true, 10},
    {"cmbdriverList1", "fraPage2", {0, 0, 525, 315}, false, 8},
    {"lbSuccess", "fraPage2", {210, 1290, 3465, 885}, true, 17},
    {"lberrorDisp", "fraPage2", {210, 480, 3465, 345}, true, 18},
    {"Label1", "fraPage1", {150, 240, 3405, 195}, true, 16},
    {"lb2", "fraPage1", {180, 1590, 3525, 855}, true, 12},
    {"lb1", "fraPage1", {180, 930, 3525, 555}, true, 11},
    {"cmbDriverList", "fraPage1", {150, 495, 3585, 315}, true, 0},
};

class Layout : public Startup, public testing::WithParamInterface<LayoutRow> {};

TEST_P(Layout, IsAsDesigned)
{
    frmSelectDriver form;
    Open(form);
    ui::Form& window = form.Window();
    const LayoutRow& row = GetParam();
    const ui::Control control = window.Find<ui::Control>(row.name);
    EXPECT_EQ(ContainerName(control), row.container);
    const PixelRect expected{Pixels(window, row.twips.left), Pixels(window, row.twips.top),
                             Pixels(window, row.twips.width), Pixels(window, row.twips.height)};
    EXPECT_EQ(Geometry(control), expected);
    EXPECT_EQ(control.Visible(), row.shown);
    EXPECT_EQ(control.Bounds(), row.twips);
    const auto designed = std::find_if(window.Design().controls.begin(), window.Design().controls.end(),
                                       [&](const ui::ControlDesign& c) { return c.name == row.name; });
    ASSERT_NE(designed, window.Design().controls.end());
    EXPECT_EQ(designed->tabIndex, row.tabIndex);
}

INSTANTIATE_TEST_SUITE_P(frmSelectDriver, Layout, testing::ValuesIn(kLayout),
                         [](const auto& row) { return std::string(row.param.name); });

// The keyboard visits the controls that take the focus by their tab indices in the table above:
// the list (0), Next (2), Back (3), the hidden driver list (8).
TEST_F(Startup, TheTabStopsFollowTheTabIndices)
{
    frmSelectDriver form;
    Open(form);
    auto kindOf = [](const char* name) {
        for (const ui::ControlDesign& control : frmSelectDriverDesign().controls)
            if (control.name == name) return control.kind;
        return ui::Kind::SkinEngine;
    };
    std::vector<const LayoutRow*> focusable;
    for (const LayoutRow& row : kLayout)
        if (kindOf(row.name) == ui::Kind::Button || kindOf(row.name) == ui::Kind::ComboBox)
            focusable.push_back(&row);
    std::sort(focusable.begin(), focusable.end(),
              [](const LayoutRow* a, const LayoutRow* b) { return a->tabIndex < b->tabIndex; });
    ASSERT_EQ(focusable.size(), 4u);
    EXPECT_STREQ(focusable[0]->name, "cmbDriverList");
    EXPECT_STREQ(focusable[1]->name, "cmdNext");
    EXPECT_STREQ(focusable[2]->name, "cmdBack");

    // The list has the focus at start; Tab goes to Next, and past the disabled Back to the list.
    EXPECT_EQ(FocusedControl(form.Window()), "cmbDriverList");
    Press(form.Window(), Key::Tab);
    EXPECT_EQ(FocusedControl(form.Window()), "cmdNext");
    Press(form.Window(), Key::Tab);
    EXPECT_EQ(FocusedControl(form.Window()), "cmbDriverList");
    // With Back enabled it follows Next.
    form.cmdBack.SetEnabled(true);
    Press(form.Window(), Key::Tab);
    Press(form.Window(), Key::Tab);
    EXPECT_EQ(FocusedControl(form.Window()), "cmdBack");
}

TEST_F(Startup, TheWindowOpensOnPageOneOnly)
{
    frmSelectDriver form;
    Open(form);
    ui::Form& window = form.Window();
    const PixelRect client = ClientArea(window);
    EXPECT_EQ(client.width, Pixels(window, 6960));  // 464 x 220 at 96 dpi
    EXPECT_EQ(client.height, Pixels(window, 3300));
    EXPECT_TRUE(FixedSize(window));
    for (const ui::Control* shown : std::initializer_list<const ui::Control*>{
             &form.fraPage1, &form.Label1, &form.lb1, &form.lb2, &form.cmbDriverList, &form.Picture1,
             &form.Frame2, &form.cmdBack, &form.cmdNext})
        EXPECT_TRUE(OnView(*shown)) << shown->Name();
    for (const ui::Control* hidden : std::initializer_list<const ui::Control*>{
             &form.fraPage2, &form.fraPage3, &form.lbfootermsg, &form.pBar, &form.lbSuccess, &form.LbFooter,
             &form.lbCurrentCD})
        EXPECT_FALSE(OnView(*hidden)) << hidden->Name();
    EXPECT_FALSE(form.cmdBack.Enabled());
    EXPECT_TRUE(form.cmdNext.Enabled());
    EXPECT_TRUE(IsDefault(form.cmdNext));
    EXPECT_FALSE(IsDefault(form.cmdBack));
    EXPECT_EQ(BannerSize(form.Picture1), (PixelRect{0, 0, 206, 220}));
    EXPECT_TRUE(HasIcon(window));
    EXPECT_EQ(FontPoints(form.lbSuccess), 9.75);
    EXPECT_EQ(FontPoints(form.lbDrivername), 9.75);
    EXPECT_EQ(FontPoints(form.lb1), 8.25);
    EXPECT_FALSE(Bold(form.lb1));
    EXPECT_TRUE(Skinned(window));
    EXPECT_TRUE(form.cmbDriverList.HasFocus());
    EXPECT_TRUE(fx.messages.empty());

    // The bar in its own colour, once on view: its middle band has the skin's gloss over none of it.
    form.fraPage1.SetVisible(false);
    form.fraPage2.SetVisible(true);
    form.pBar.SetWidth(600);
    const PixelRect bar = Geometry(form.pBar);
    const std::uint32_t colour = ColourAt(form.pBar, bar.width / 2, bar.height * 65 / 100);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(static_cast<int>((colour >> shift) & 0xFF), static_cast<int>((0x142198u >> shift) & 0xFF),
                    3)
            << std::hex << colour;
}

// Page 2's heading (lbhead) reaches 45 twips into the writer's description below it
// (lberrorDisp): labels are transparent, and each shows its whole text where they overlap.
TEST_F(Startup, OverlappingLabelsEachShowTheirWholeText)
{
    frmSelectDriver form;
    Open(form);
    ui::Form& window = form.Window();
    form.fraPage1.SetVisible(false);
    form.fraPage2.SetVisible(true);
    const PixelRect below = InWindow(form.lberrorDisp);
    const PixelRect above = InWindow(form.lbhead);
    const int overlap = above.top + above.height - below.top;
    ASSERT_GT(overlap, 0);
    // Accents reach the top rows of the description's first line.
    form.lberrorDisp.SetCaption("\xC3\x80\xC3\x89\xC3\x8E\xC3\x94\xC3\x9B Writer");
    const Picture both = Grab(window);
    form.lbhead.SetVisible(false);
    const Picture description = Grab(window);
    form.lberrorDisp.SetCaption("");
    const Picture neither = Grab(window);
    form.lbhead.SetVisible(true);
    const Picture heading = Grab(window);

    // Each label's ink where the other has none is drawn as the label alone draws it.
    int descriptionInk = 0, lost = 0;
    for (int y = below.top; y < below.top + overlap; ++y) {
        for (int x = below.left; x < below.left + below.width; ++x) {
            const bool inDescription = description.At(x, y) != neither.At(x, y);
            const bool inHeading = heading.At(x, y) != neither.At(x, y);
            if (inDescription == inHeading) continue;
            descriptionInk += inDescription ? 1 : 0;
            if (both.At(x, y) != (inDescription ? description : heading).At(x, y)) ++lost;
        }
    }
    ASSERT_GT(descriptionInk, 0) << "the description draws nothing in the rows the heading covers";
    EXPECT_EQ(lost, 0) << "pixels of one label's text covered by the other, in " << overlap << " rows";
}

// The design's font at 96 dpi: "Driver Name :" fits its label's width on one line.
TEST_F(Startup, TheDriverNameLabelShowsItsTextOnOneLine)
{
    frmSelectDriver form;
    Open(form);
    ASSERT_EQ(Dpi(form.Window()), 96);
    EXPECT_EQ(form.lbDriver.Caption(), "Driver Name :");
    EXPECT_EQ(LinesShown(form.lbDriver), 1);
    EXPECT_EQ(FontPoints(form.lbDriver), 8.25);
}

TEST_F(Startup, EnterOnTheListPressesNext)
{
    fx.WriteScenario("[scan]\nadapters = no\n");
    frmSelectDriver form;
    Open(form);
    form.cmbDriverList.SetFocus();
    Press(form.Window(), Key::Enter);
    ASSERT_TRUE(RunEventsUntil([&] { return !fx.messages.empty(); }));
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "Select your CD writer");
}

// A label shows an ampersand of its text as it stands: it is not an access key, and Alt with the
// letter after it does nothing. The list is reached with Shift+Tab, and has the focus at start.
TEST_F(Startup, AnAmpersandInALabelIsShownNotAnAccessKey)
{
    fx.Write("Lang/English.ini", "[Velthorn]\n2002=Tom &Jerry's writers\n");
    frmSelectDriver form;
    Open(form);
    EXPECT_EQ(form.Label1.Caption(), "Tom &Jerry's writers");
    form.cmdNext.SetFocus();
    PressAlt(form.Window(), 'j');
    EXPECT_EQ(FocusedControl(form.Window()), "cmdNext");
    // What a screen reader says of the list is the label's text, as given.
    EXPECT_EQ(AccessibleName(form.cmbDriverList), "Tom &Jerry's writers");
    Press(form.Window(), Key::BackTab);
    EXPECT_EQ(FocusedControl(form.Window()), "cmbDriverList");
}

}  // namespace
}  // namespace window_test
