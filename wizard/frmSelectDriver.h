// The wizard's one window. Page 1 lists the CD writers that the bus scan found; page 2 probes
// the driver table against the chosen writer, records the working driver and shows the outcome
// of a simulated write. Control and procedure names are the window's design names, so that
// tests and tools find each control by its object name.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class Skin;
class SkinLabel;

// Program-wide values handed from page 1 to page 2, and the last test's result message.
extern QString SelectedWriter;
extern QString DeviceAddress;
extern QString ResultMessage;

class frmSelectDriver : public QWidget {
    Q_OBJECT

public:
    explicit frmSelectDriver(QWidget* parent = nullptr);
    ~frmSelectDriver() override;

    // Start-up, before the window is shown. Returns false when the program was ended (no language
    // file, no skin file). Throws SkinError for a skin file that cannot be used.
    bool Form_Load();
    void ScanBus();

    void cmdNext_Click();
    void cmdBack_Click();

    void FillDriverList();
    void TestDrivers(std::int16_t& TestResult);
    void SetProgress(std::int32_t maximum, double value);
    void EnterTestPage();
    void ShowTestResult();

    // The progress bar's width in twips as last set (the bar itself is drawn in whole pixels).
    float ProgressWidthTwips() const { return m_progressTwips; }
    // True while page 2's work runs.
    bool TestRunning() const { return m_testRunning; }

    std::int16_t CurrentPage = 0;
    QString ScanOutput;

    // The window's controls.
    SkinLabel* lbfootermsg;
    Skin* skn;
    QFrame* fraPage3;
    QFrame* fraPage2;
    QFrame* fraPage1;
    QLabel* Picture1;
    QFrame* Frame2;
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    SkinLabel* Label2;
    SkinLabel* LbFooter;
    SkinLabel* lbCurrentCD;
    SkinLabel* lbDrivername;
    SkinLabel* lbDriver;
    SkinLabel* lbhead;
    QFrame* Frame3;
    QFrame* pBar;
    QComboBox* cmbdriverList1;
    SkinLabel* lbSuccess;
    SkinLabel* lberrorDisp;
    SkinLabel* Label1;
    SkinLabel* lb2;
    SkinLabel* lb1;
    QComboBox* cmbDriverList;

signals:
    // Emitted by every SetProgress that set the bar, with its new width in twips.
    void progressChanged(float widthTwips);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    // True once the user has closed the window during page 2's work: nothing more is written.
    bool Abandoned() const { return m_closing; }

    float m_progressTwips = 15.0f;
    bool m_testRunning = false;
    bool m_closing = false;
};
