#include "small_design.h"

namespace window_test {
namespace {

ui::ControlDesign Control(const char* name, ui::Kind kind, const char* container, ui::Rect rect, int tabIndex,
                          const char* text = "")
{
    ui::ControlDesign design;
    design.name = name;
    design.kind = kind;
    design.container = container;
    design.rect = rect;
    design.tabIndex = tabIndex;
    design.text = text;
    return design;
}

}  // namespace

ui::FormDesign SmallDesign()
{
    using ui::Kind;
    using ui::Role;
    ui::FormDesign form;
    form.name = "frmSmall";
    form.caption = "Small window";
    form.clientWidth = 4500;
    form.clientHeight = 3000;
    form.labelFont = "MS Sans Serif";

    auto& c = form.controls;
    c.push_back(Control("fraPage", Kind::Frame, "", {1500, -30, 2940, 2370}, 1));
    c.back().role = Role::Page;
    c.push_back(Control("cmdOk", Kind::Button, "", {3360, 2550, 1080, 330}, 3, "&Ok"));
    c.back().isDefault = true;
    c.push_back(Control("cmdCancel", Kind::Button, "", {2160, 2550, 1080, 330}, 4, "&Cancel"));
    c.push_back(Control("lbTitle", Kind::SkinLabel, "fraPage", {150, 150, 2700, 195}, 9, "Tom & Jerry"));
    c.back().fontPoints = 8.25;
    c.back().labels = "cmbList";
    c.push_back(Control("cmbList", Kind::ComboBox, "fraPage", {150, 450, 2640, 315}, 0));
    c.push_back(Control("lbBig", Kind::SkinLabel, "fraPage", {150, 900, 2700, 405}, 10, "Big text"));
    c.back().fontPoints = 9.75;
    c.push_back(Control("fraTrough", Kind::Frame, "fraPage", {150, 1800, 2640, 375}, 6));
    c.back().role = Role::Trough;
    c.push_back(Control("pBar", Kind::PictureBox, "fraTrough", {45, 135, 1500, 195}, 7));
    c.back().role = Role::Progress;
    c.back().fill = {20, 33, 152};
    c.push_back(Control("picBanner", Kind::PictureBox, "", {0, 0, 1440, 2760}, 5));
    c.back().role = Role::Banner;
    c.back().accessibleName = "Tessaline";
    c.push_back(Control("fraHidden", Kind::Frame, "", {1500, 2400, 600, 600}, 2));
    c.back().visible = false;
    c.push_back(Control("cmdHidden", Kind::Button, "fraHidden", {0, 0, 600, 330}, 0, "&Hidden"));
    c.push_back(Control("fraLine", Kind::Frame, "", {1500, 2430, 2940, 30}, 8));
    c.back().role = Role::Separator;
    c.push_back(Control("skn", Kind::SkinEngine, "", {}, 11));
    return form;
}

}  // namespace window_test
