// The wizard's one window. Page 1 lists the CD writers that the bus scan found; page 2 probes
// the driver table against the chosen writer, records the working driver and shows the outcome
// of a simulated write. Control and procedure names are the window's design names. The logic is
// plain C++ over the window runtime (wizard/ui/ui.h), which builds the controls from the design
// in wizard/form_design.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "wizard/ui/ui.h"

// Program-wide values handed from page 1 to page 2, and the last test's result message (UTF-8).
extern std::string SelectedWriter;
extern std::string DeviceAddress;
extern std::string ResultMessage;

class frmSelectDriver {
public:
    // Builds the window, hidden, from its design.
    frmSelectDriver();
    ~frmSelectDriver();
    frmSelectDriver(const frmSelectDriver&) = delete;
    frmSelectDriver& operator=(const frmSelectDriver&) = delete;

    // Start-up, before the window is shown. Returns false when the program was ended (no language
    // file, no skin file). Throws skin::SkinError for a skin file that cannot be used.
    bool Form_Load();
    void ScanBus();

    void cmdNext_Click();
    void cmdBack_Click();

    void FillDriverList();
    void TestDrivers(std::int16_t& TestResult);
    void SetProgress(std::int32_t maximum, double value);
    void EnterTestPage();
    void ShowTestResult();

    // The window itself, for showing it and for tests.
    ui::Form& Window() { return *m_form; }
    // The progress bar's width in twips as last set (the bar itself is drawn in whole pixels).
    float ProgressWidthTwips() const { return m_progressTwips; }
    // Called by every SetProgress that set the bar, with its new width in twips.
    std::function<void(float widthTwips)> OnProgressChanged;

    std::int16_t CurrentPage = 0;
    std::string ScanOutput;

    // The window's controls.
    ui::Control* lbfootermsg;
    ui::SkinEngine* skn;
    ui::Control* fraPage3;
    ui::Control* fraPage2;
    ui::Control* fraPage1;
    ui::Control* Picture1;
    ui::Control* Frame2;
    ui::Control* cmdBack;
    ui::Control* cmdNext;
    ui::Control* Label2;
    ui::Control* LbFooter;
    ui::Control* lbCurrentCD;
    ui::Control* lbDrivername;
    ui::Control* lbDriver;
    ui::Control* lbhead;
    ui::Control* Frame3;
    ui::Control* pBar;
    ui::ComboBox* cmbdriverList1;
    ui::Control* lbSuccess;
    ui::Control* lberrorDisp;
    ui::Control* Label1;
    ui::Control* lb2;
    ui::Control* lb1;
    ui::ComboBox* cmbDriverList;

private:
    // The user closes the window: during page 2's work the running tool is stopped and the work
    // ends the program once it notices; at any other time the program ends at once.
    void Form_CloseRequest();
    // True once the user has closed the window during page 2's work: nothing more is written.
    bool Abandoned() const { return m_closing; }

    std::unique_ptr<ui::Form> m_form;
    float m_progressTwips = 15.0f;
    bool m_testRunning = false;
    bool m_closing = false;
};
