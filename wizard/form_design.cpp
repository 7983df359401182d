#include "wizard/form_design.h"

namespace {

ui::ControlDesign Control(const char* name, ui::Kind kind, const char* container, ui::Rect rect, bool visible,
                          int tabIndex)
{
    ui::ControlDesign control;
    control.name = name;
    control.kind = kind;
    control.container = container;
    control.rect = rect;
    control.visible = visible;
    control.tabIndex = tabIndex;
    return control;
}

ui::ControlDesign Frame(const char* name, const char* container, ui::Rect rect, bool visible, int tabIndex,
                        ui::Role role)
{
    ui::ControlDesign frame = Control(name, ui::Kind::Frame, container, rect, visible, tabIndex);
    frame.role = role;
    return frame;
}

ui::ControlDesign Label(const char* name, const char* container, ui::Rect rect, bool visible, int tabIndex,
                        const char* text, double points)
{
    ui::ControlDesign label = Control(name, ui::Kind::SkinLabel, container, rect, visible, tabIndex);
    label.text = text;
    label.fontPoints = points;
    return label;
}

ui::FormDesign MakeDesign()
{
    using ui::Kind;
    using ui::Role;
    ui::FormDesign form;
    form.name = "frmSelectDriver";
    form.caption = "Brimcott Driver Wizard";
    form.clientWidth = 6960;
    form.clientHeight = 3300;
    form.labelFont = "MS Sans Serif";

    form.skin.author = "Tessaline developers";
    form.skin.description = "Aqua look for the Tessaline driver wizard";
    form.skin.application = "Tessaline driver wizard";
    form.skin.hue = 0;
    form.skin.backColour = {255, 255, 255};
    form.skin.foreColour = {0, 0, 0};
    form.skin.panelColour = {192, 192, 192};
    form.skin.panelTextColour = {0, 0, 0};
    form.skin.applyColours = false;

    // The controls that take the focus come first, in their tab order (the writer list, Next,
    // Back), so that a toolkit whose focus chain follows the order of creation gets it right.
    std::vector<ui::ControlDesign>& c = form.controls;
    c.push_back(Frame("fraPage1", "", {3120, -60, 3780, 2655}, true, 1, Role::Page));
    c.push_back(Control("cmbDriverList", Kind::ComboBox, "fraPage1", {150, 495, 3585, 315}, true, 0));

    ui::ControlDesign next = Control("cmdNext", Kind::Button, "", {5790, 2910, 1080, 330}, true, 2);
    next.text = "&Next  >";
    next.isDefault = true;
    c.push_back(next);
    ui::ControlDesign back = Control("cmdBack", Kind::Button, "", {4530, 2910, 1080, 330}, true, 3);
    back.text = "< &Back";
    back.enabled = false;
    c.push_back(back);

    // The other controls of the window itself.
    c.push_back(Label("lbfootermsg", "", {3180, 2640, 2655, 195}, false, 15,
                      "Press Finish to Exit from Tessaline", 8.25));
    c.push_back(Control("skn", Kind::SkinEngine, "", {}, false, 0));
    c.push_back(Frame("fraPage3", "", {3180, 2910, 1230, 525}, false, 6, Role::Page));
    c.push_back(Frame("fraPage2", "", {3090, 0, 3855, 3225}, false, 7, Role::Page));

    ui::ControlDesign banner = Control("Picture1", Kind::PictureBox, "", {0, 0, 3090, 3300}, true, 5);
    banner.role = Role::Banner;
    banner.accessibleName = "Tessaline";
    banner.accessibleDescription = "An optical disc held in a hand";
    c.push_back(banner);
    c.push_back(Frame("Frame2", "", {3150, 2700, 3780, 30}, true, 4, Role::Separator));

    // Inside fraPage3, which stays hidden.
    c.push_back(
        Label("Label2", "fraPage3", {180, 330, 2955, 195}, true, 14, "Current CD Reader/Writer", 8.25));
    c.push_back(Label("LbFooter", "fraPage3", {0, 420, 3225, 615}, false, 19, "", 8.25));
    c.push_back(Label("lbCurrentCD", "fraPage3", {0, 0, 3225, 345}, false, 20, "", 8.25));

    // Page 2.
    c.push_back(Label("lbDrivername", "fraPage2", {1350, 870, 2385, 405}, true, 22, "", 9.75));
    c.push_back(Label("lbDriver", "fraPage2", {210, 900, 1005, 345}, true, 21, "Driver Name :", 8.25));
    c.push_back(
        Label("lbhead", "fraPage2", {210, 270, 3915, 255}, true, 13, "Current CD Reader/Writer", 8.25));
    c.push_back(Frame("Frame3", "fraPage2", {150, 2130, 3510, 375}, true, 9, Role::Trough));
    ui::ControlDesign bar = Control("pBar", Kind::PictureBox, "Frame3", {45, 135, 15, 195}, true, 10);
    bar.role = Role::Progress;
    bar.fill = {20, 33, 152};
    bar.accessibleName = "Progress";
    c.push_back(bar);
    c.push_back(Control("cmbdriverList1", Kind::ComboBox, "fraPage2", {0, 0, 525, 315}, false, 8));
    c.push_back(Label("lbSuccess", "fraPage2", {210, 1290, 3465, 885}, true, 17, "", 9.75));
    c.push_back(Label("lberrorDisp", "fraPage2", {210, 480, 3465, 345}, true, 18, "", 8.25));

    // Page 1.
    ui::ControlDesign label1 = Label("Label1", "fraPage1", {150, 240, 3405, 195}, true, 16, "Drivers", 8.25);
    label1.labels = "cmbDriverList";
    c.push_back(label1);
    c.push_back(Label("lb2", "fraPage1", {180, 1590, 3525, 855}, true, 12, "", 8.25));
    c.push_back(Label("lb1", "fraPage1", {180, 930, 3525, 555}, true, 11, "", 8.25));
    return form;
}

}  // namespace

const ui::FormDesign& frmSelectDriverDesign()
{
    static const ui::FormDesign design = MakeDesign();
    return design;
}
