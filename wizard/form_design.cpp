#include "wizard/form_design.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using C = frmSelectDriverControls;

// The design and, for each control, how its handle is bound: both made from one table below.
struct DesignTable {
    ui::FormDesign design;
    std::vector<std::function<void(ui::Form&, C&)>> bindings;

    // Adds the control of row, of the kind of its handle, and the binding of that handle. The row
    // as added is given back to be completed, before the next Add.
    template <class Handle>
    ui::ControlDesign& Add(Handle C::*handle, ui::ControlDesign row)
    {
        row.kind = Handle::kKind;
        bindings.push_back([handle, name = row.name](ui::Form& form, C& controls) {
            controls.*handle = form.Find<Handle>(name);
        });
        design.controls.push_back(std::move(row));
        return design.controls.back();
    }
};

ui::ControlDesign Control(const char* name, const char* container, ui::Rect rect, bool visible, int tabIndex)
{
    ui::ControlDesign control;
    control.name = name;
    control.container = container;
    control.rect = rect;
    control.visible = visible;
    control.tabIndex = tabIndex;
    return control;
}

ui::ControlDesign Frame(const char* name, const char* container, ui::Rect rect, bool visible, int tabIndex,
                        ui::Role role)
{
    ui::ControlDesign frame = Control(name, container, rect, visible, tabIndex);
    frame.role = role;
    return frame;
}

ui::ControlDesign Label(const char* name, const char* container, ui::Rect rect, bool visible, int tabIndex,
                        const char* text, double points)
{
    ui::ControlDesign label = Control(name, container, rect, visible, tabIndex);
    label.text = text;
    label.fontPoints = points;
    return label;
}

DesignTable MakeDesign()
{
    using ui::Role;
    DesignTable table;
    ui::FormDesign& form = table.design;
    form.name = "frmSelectDriver";
    form.caption = "Brimcott Driver Wizard";
    form.clientWidth = 6960;
    form.clientHeight = 3300;
    form.labelFont = "MS Sans Serif";

    form.skin.hue = 0;
    form.skin.backColour = {255, 255, 255};
    form.skin.foreColour = {0, 0, 0};
    form.skin.panelColour = {192, 192, 192};
    form.skin.panelTextColour = {0, 0, 0};
    form.skin.applyColours = false;

    // The controls that take the focus come first, in their tab order (the writer list, Next,
    // Back), so that the order of creation is the order of the tab stops too.
    DesignTable& t = table;
    t.Add(&C::fraPage1, Frame("fraPage1", "", {3120, -60, 3780, 2655}, true, 1, Role::Page));
    t.Add(&C::cmbDriverList, Control("cmbDriverList", "fraPage1", {150, 495, 3585, 315}, true, 0));

    ui::ControlDesign& next = t.Add(&C::cmdNext, Control("cmdNext", "", {5790, 2910, 1080, 330}, true, 2));
    next.text = "&Next  >";
    next.isDefault = true;
    ui::ControlDesign& back = t.Add(&C::cmdBack, Control("cmdBack", "", {4530, 2910, 1080, 330}, true, 3));
    back.text = "< &Back";
    back.enabled = false;

    // The other controls of the window itself.
    t.Add(&C::lbfootermsg, Label("lbfootermsg", "", {3180, 2640, 2655, 195}, false, 15,
                                 "Press Finish to Exit from Tessaline", 8.25));
    t.Add(&C::skn, Control("skn", "", {}, false, 0));
    t.Add(&C::fraPage3, Frame("fraPage3", "", {3180, 2910, 1230, 525}, false, 6, Role::Page));
    t.Add(&C::fraPage2, Frame("fraPage2", "", {3090, 0, 3855, 3225}, false, 7, Role::Page));

    ui::ControlDesign& banner = t.Add(&C::Picture1, Control("Picture1", "", {0, 0, 3090, 3300}, true, 5));
    banner.role = Role::Banner;
    banner.accessibleName = "Tessaline";
    banner.accessibleDescription = "An optical disc held in a hand";
    t.Add(&C::Frame2, Frame("Frame2", "", {3150, 2700, 3780, 30}, true, 4, Role::Separator));

    // Inside fraPage3, which stays hidden.
    t.Add(&C::Label2,
          Label("Label2", "fraPage3", {180, 330, 2955, 195}, true, 14, "Current CD Reader/Writer", 8.25));
    t.Add(&C::LbFooter, Label("LbFooter", "fraPage3", {0, 420, 3225, 615}, false, 19, "", 8.25));
    t.Add(&C::lbCurrentCD, Label("lbCurrentCD", "fraPage3", {0, 0, 3225, 345}, false, 20, "", 8.25));

    // Page 2.
    t.Add(&C::lbDrivername, Label("lbDrivername", "fraPage2", {1350, 870, 2385, 405}, true, 22, "", 9.75));
    t.Add(&C::lbDriver,
          Label("lbDriver", "fraPage2", {210, 900, 1005, 345}, true, 21, "Driver Name :", 8.25));
    t.Add(&C::lbhead,
          Label("lbhead", "fraPage2", {210, 270, 3915, 255}, true, 13, "Current CD Reader/Writer", 8.25));
    t.Add(&C::Frame3, Frame("Frame3", "fraPage2", {150, 2130, 3510, 375}, true, 9, Role::Trough));
    ui::ControlDesign& bar = t.Add(&C::pBar, Control("pBar", "Frame3", {45, 135, 15, 195}, true, 10));
    bar.role = Role::Progress;
    bar.fill = {20, 33, 152};
    bar.accessibleName = "Progress";
    t.Add(&C::cmbdriverList1, Control("cmbdriverList1", "fraPage2", {0, 0, 525, 315}, false, 8));
    t.Add(&C::lbSuccess, Label("lbSuccess", "fraPage2", {210, 1290, 3465, 885}, true, 17, "", 9.75));
    t.Add(&C::lberrorDisp, Label("lberrorDisp", "fraPage2", {210, 480, 3465, 345}, true, 18, "", 8.25));

    // Page 1.
    ui::ControlDesign& label1 =
        t.Add(&C::Label1, Label("Label1", "fraPage1", {150, 240, 3405, 195}, true, 16, "Drivers", 8.25));
    label1.labels = "cmbDriverList";
    t.Add(&C::lb2, Label("lb2", "fraPage1", {180, 1590, 3525, 855}, true, 12, "", 8.25));
    t.Add(&C::lb1, Label("lb1", "fraPage1", {180, 930, 3525, 555}, true, 11, "", 8.25));
    return table;
}

const DesignTable& Table()
{
    static const DesignTable table = MakeDesign();
    return table;
}

}  // namespace

const ui::FormDesign& frmSelectDriverDesign() { return Table().design; }

void BindControls(ui::Form& form, frmSelectDriverControls& controls)
{
    for (const auto& bind : Table().bindings) bind(form, controls);
}
