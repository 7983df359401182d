// The wizard's one window. Page 1 lists the CD writers that the bus scan found; page 2 probes
// the driver table against the chosen writer, records the working driver and shows the outcome
// of a simulated write. Control and procedure names are the window's design names. The logic is
// plain C++ over the window runtime (wizard/ui/ui.h), which builds the controls from the design
// in wizard/form_design.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "wizard/driver_probe.h"
#include "wizard/form_design.h"
#include "wizard/ui/ui.h"

// Program-wide values handed from page 1 to page 2, and the last test's result message (UTF-8).
extern std::string SelectedWriter;
extern std::string DeviceAddress;
extern std::string ResultMessage;

// The window's controls are its members (frmSelectDriverControls): cmdNext, lbSuccess, ...
class frmSelectDriver : public frmSelectDriverControls {
public:
    // Builds the window, hidden, from its design.
    frmSelectDriver();
    ~frmSelectDriver();
    frmSelectDriver(const frmSelectDriver&) = delete;
    frmSelectDriver& operator=(const frmSelectDriver&) = delete;

    // Start-up, before the window is shown. When it cannot go on (no language file, a skin file
    // that is missing or cannot be used) the user is told why and the program ends with status 1.
    void Form_Load();
    void ScanBus();

    void cmdNext_Click();
    void cmdBack_Click();

    void FillDriverList();
    void TestDrivers(std::int16_t& TestResult);
    void SetProgress(std::int32_t maximum, double value);
    void EnterTestPage();
    void ShowTestResult();

    // The window itself, for showing it and for tests.
    ui::Form& Window() { return m_form; }
    // The progress bar's width in twips as last set (the bar itself is drawn in whole pixels).
    float ProgressWidthTwips() const { return m_progressTwips; }
    // Called by every SetProgress that set the bar, with its new width in twips.
    std::function<void(float widthTwips)> OnProgressChanged;

    std::int16_t CurrentPage = 0;
    std::string ScanOutput;
    // The bus scan's time limit in milliseconds (tests shorten it).
    int ScanTimeLimitMs = DriverProbe::kScanTimeLimitMs;

private:
    // The user closes the window: during page 2's work the running tool is stopped and the work
    // ends the program once it notices; at any other time the program ends at once.
    void Form_CloseRequest();
    // True once the user has closed the window during page 2's work: nothing more is written.
    bool Abandoned() const { return m_closing; }

    ui::Form m_form;
    float m_progressTwips = 15.0f;
    bool m_testRunning = false;
    bool m_closing = false;
    // False once the working driver's position could not be stored in this test.
    bool m_settingSaved = true;
};
