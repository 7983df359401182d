// The geometry the wizard driver of the scripts clicks by: containers added up as the runtimes
// place controls, each level rounded to whole pixels on its own, and the design's faults told.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/tools/form_geometry.h"
#include "wizard/form_design.h"

namespace {

using form_geometry::ClientRect;
using ui::Rect;

ui::ControlDesign Control(const char* name, const char* container, ui::Rect rect)
{
    ui::ControlDesign control;
    control.name = name;
    control.container = container;
    control.rect = rect;
    return control;
}

ui::FormDesign Form(std::vector<ui::ControlDesign> controls)
{
    ui::FormDesign form;
    form.name = "frmTest";
    form.clientWidth = 6960;
    form.clientHeight = 3300;
    form.controls = std::move(controls);
    return form;
}

TEST(FormGeometry, TheFormsNameGivesItsClientArea)
{
    EXPECT_EQ(ClientRect(Form({}), "frmTest"), (ui::Rect{0, 0, 464, 220}));
}

TEST(FormGeometry, AControlOfTheWindowItselfIsItsOwnRectangle)
{
    const auto form = Form({Control("cmdGo", "", {5790, 2910, 1080, 330})});
    EXPECT_EQ(ClientRect(form, "cmdGo"), (ui::Rect{386, 194, 72, 22}));
}

// 22 twips are 1.47 pixels: each level rounds to 1, where the sum of the twips (44) would give 3.
TEST(FormGeometry, ContainersAddUpEachRoundedOnItsOwn)
{
    const auto form = Form({Control("fraOuter", "", {22, 22, 3000, 3000}),
                            Control("fraInner", "fraOuter", {22, 22, 2000, 2000}),
                            Control("lbText", "fraInner", {22, 22, 150, 300})});
    EXPECT_EQ(ClientRect(form, "lbText"), (ui::Rect{3, 3, 10, 20}));
    EXPECT_EQ(ClientRect(form, "fraInner"), (ui::Rect{2, 2, 133, 133}));
}

TEST(FormGeometry, AFrameAboveTheClientAreaMovesWhatItHolds)
{
    const auto form = Form({Control("fraPage", "", {3120, -60, 3780, 2655}),
                            Control("cmbList", "fraPage", {150, 45, 3585, 315})});
    EXPECT_EQ(ClientRect(form, "cmbList"), (ui::Rect{218, -1, 239, 21}));
}

TEST(FormGeometry, NamesTheDesignLacksAreErrors)
{
    const auto form = Form({Control("lbLost", "fraGone", {0, 0, 15, 15})});
    EXPECT_THROW(ClientRect(form, "cmdNone"), std::invalid_argument);
    EXPECT_THROW(ClientRect(form, "lbLost"), std::invalid_argument);
}

TEST(FormGeometry, ContainersThatHoldEachOtherAreAnErrorNotAHang)
{
    const auto form = Form({Control("fraA", "fraB", {0, 0, 15, 15}), Control("fraB", "fraA", {0, 0, 15, 15}),
                            Control("lbText", "fraA", {0, 0, 15, 15})});
    EXPECT_THROW(ClientRect(form, "lbText"), std::invalid_argument);
}

// The driver clicks Next (Finish on page 2) by its place in the design: it must be on view.
TEST(FormGeometry, TheWizardsNextButtonLiesInsideItsClientArea)
{
    const ui::FormDesign& design = frmSelectDriverDesign();
    const ui::Rect client = ClientRect(design, design.name);
    const ui::Rect next = ClientRect(design, "cmdNext");
    EXPECT_GT(next.width, 0);
    EXPECT_GT(next.height, 0);
    EXPECT_GE(next.left, 0);
    EXPECT_GE(next.top, 0);
    EXPECT_LE(next.left + next.width, client.width);
    EXPECT_LE(next.top + next.height, client.height);
}

}  // namespace
