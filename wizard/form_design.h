// The design of the window frmSelectDriver: every control with its container, position and size
// in twips, visibility, tab index, design-time text and font, and the settings stored with the
// skin engine. Both window runtimes build the window from this one table, and the logic's
// handles (frmSelectDriverControls) are bound from it.
#pragma once

#include "wizard/ui/ui.h"

// The window's controls as its logic holds them, each through a handle of its kind.
struct frmSelectDriverControls {
    ui::Label lbfootermsg;
    ui::SkinEngine skn;
    ui::Frame fraPage3;
    ui::Frame fraPage2;
    ui::Frame fraPage1;
    ui::PictureBox Picture1;
    ui::Frame Frame2;
    ui::Button cmdBack;
    ui::Button cmdNext;
    ui::Label Label2;
    ui::Label LbFooter;
    ui::Label lbCurrentCD;
    ui::Label lbDrivername;
    ui::Label lbDriver;
    ui::Label lbhead;
    ui::Frame Frame3;
    ui::PictureBox pBar;
    ui::ComboBox cmbdriverList1;
    ui::Label lbSuccess;
    ui::Label lberrorDisp;
    ui::Label Label1;
    ui::Label lb2;
    ui::Label lb1;
    ui::ComboBox cmbDriverList;
};

const ui::FormDesign& frmSelectDriverDesign();

// Binds every handle of controls to its control in form, a window built from
// frmSelectDriverDesign().
void BindControls(ui::Form& form, frmSelectDriverControls& controls);
