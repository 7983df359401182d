#include "wizard/frmSelectDriver.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <cmath>
#include <string>

#include "platform/app.h"
#include "runner/MGetCmdOutput.h"
#include "settings/mdlMain.h"
#include "settings/mdlRegistry.h"
#include "wizard/DriverProbe.h"
#include "wizard/skin/Skin.h"

QString SelectedWriter;
QString DeviceAddress;
QString ResultMessage;

namespace {

constexpr int kTwipsPerPixel = 15;

int Px(int twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel)); }

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

std::string ToStd(const QString& text) { return text.toStdString(); }
QString FromStd(const std::string& text) { return QString::fromStdString(text); }

QString Lang(const char* key) { return FromStd(mdlMain::GetLangString(key, "")); }

QString JoinedTexts(const std::vector<std::string>& keys)
{
    QString joined;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) joined += QChar(u'\n');
        joined += Lang(keys[i].c_str());
    }
    return joined;
}

QFont LabelFont(double points)
{
    // Where the design font is missing, faces of about its width come first, then any sans-serif.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

template <typename T>
T* Place(T* control, const char* name, const QRect& rect, int tabIndex)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(rect);
    control->setProperty("TabIndex", tabIndex);
    return control;
}

SkinLabel* MakeLabel(QWidget* container, const char* name, const QRect& rect, int tabIndex,
                     const QString& text, double points)
{
    auto* label = Place(new SkinLabel(container), name, rect, tabIndex);
    label->setFont(LabelFont(points));
    label->setCaption(text);
    return label;
}

QFrame* MakeFrame(QWidget* container, const char* name, const QRect& rect, int tabIndex)
{
    auto* frame = Place(new QFrame(container), name, rect, tabIndex);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

}  // namespace

frmSelectDriver::frmSelectDriver(QWidget* parent) : QWidget(parent) { BuildControls(); }

frmSelectDriver::~frmSelectDriver() = default;

void frmSelectDriver::BuildControls()
{
    setObjectName(QStringLiteral("frmSelectDriver"));
    setWindowTitle(QStringLiteral("Brimcott Driver Wizard"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Px(6960), Px(3300));
    // The window's default font, which the buttons, frames and lists use.
    setFont(LabelFont(8.25));
    setWindowIcon(QIcon(QStringLiteral(":/tessaline/icon.png")));

    // The controls that take the focus come first, in their tab order (the writer list, Next,
    // Back): the focus chain follows the order of creation.
    fraPage1 = MakeFrame(this, "fraPage1", TwipsRect(3120, -60, 3780, 2655), 1);
    fraPage1->setProperty("skinRole", QStringLiteral("page"));

    cmbDriverList = Place(new QComboBox(fraPage1), "cmbDriverList", TwipsRect(150, 495, 3585, 315), 0);
    cmbDriverList->setEditable(false);
    cmbDriverList->setFocusPolicy(Qt::StrongFocus);
    cmdNext = Place(new QPushButton(QStringLiteral("&Next  >"), this), "cmdNext",
                    TwipsRect(5790, 2910, 1080, 330), 2);
    cmdBack = Place(new QPushButton(QStringLiteral("< &Back"), this), "cmdBack",
                    TwipsRect(4530, 2910, 1080, 330), 3);
    cmdNext->setDefault(true);
    for (QPushButton* button : {cmdBack, cmdNext}) {
        button->setAutoDefault(true);
        button->setFocusPolicy(Qt::StrongFocus);
    }

    // The other controls of the window itself.
    lbfootermsg = MakeLabel(this, "lbfootermsg", TwipsRect(3180, 2640, 2655, 195), 15,
                            QStringLiteral("Press Finish to Exit from Tessaline"), 8.25);
    lbfootermsg->hide();

    skn = new Skin(this);
    skn->setObjectName(QStringLiteral("skn"));
    skn->m_bstrAuthor = QStringLiteral("Tessaline developers");
    skn->m_bstrDescription = QStringLiteral("Aqua look for the Tessaline driver wizard");
    skn->m_bstrApplication = QStringLiteral("Tessaline driver wizard");
    skn->m_nHue = 0;
    skn->m_BackColor = QColor(255, 255, 255);
    skn->m_ForeColor = QColor(0, 0, 0);
    skn->m_PanelColor = QColor(192, 192, 192);
    skn->m_PanelTextColor = QColor(0, 0, 0);
    skn->m_bApplyColors = false;

    fraPage3 = MakeFrame(this, "fraPage3", TwipsRect(3180, 2910, 1230, 525), 6);
    fraPage3->setProperty("skinRole", QStringLiteral("page"));
    fraPage3->hide();
    fraPage2 = MakeFrame(this, "fraPage2", TwipsRect(3090, 0, 3855, 3225), 7);
    fraPage2->setProperty("skinRole", QStringLiteral("page"));
    fraPage2->hide();
    Picture1 = Place(new QLabel(this), "Picture1", TwipsRect(0, 0, 3090, 3300), 5);
    Picture1->setProperty("skinRole", QStringLiteral("banner"));
    // On a high-density screen the banner drawn at twice the size keeps it sharp.
    QPixmap banner(QStringLiteral(":/tessaline/banner.jpg"));
    if (devicePixelRatioF() > 1.0) {
        QPixmap sharp(QStringLiteral(":/tessaline/banner@2x.jpg"));
        sharp.setDevicePixelRatio(2.0);
        if (!sharp.isNull()) banner = sharp;
    }
    Picture1->setPixmap(banner);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setBackgroundRole(QPalette::Base);
    Picture1->setForegroundRole(QPalette::Text);
    Picture1->setAccessibleName(QStringLiteral("Tessaline"));
    Picture1->setAccessibleDescription(QStringLiteral("An optical disc held in a hand"));

    Frame2 = MakeFrame(this, "Frame2", TwipsRect(3150, 2700, 3780, 30), 4);
    Frame2->setProperty("skinRole", QStringLiteral("separator"));
    Frame2->setFrameShape(QFrame::HLine);

    // Inside fraPage3, which stays hidden.
    Label2 = MakeLabel(fraPage3, "Label2", TwipsRect(180, 330, 2955, 195), 14,
                       QStringLiteral("Current CD Reader/Writer"), 8.25);
    LbFooter = MakeLabel(fraPage3, "LbFooter", TwipsRect(0, 420, 3225, 615), 19, QString(), 8.25);
    LbFooter->hide();
    lbCurrentCD = MakeLabel(fraPage3, "lbCurrentCD", TwipsRect(0, 0, 3225, 345), 20, QString(), 8.25);
    lbCurrentCD->hide();

    // Page 2.
    lbDrivername = MakeLabel(fraPage2, "lbDrivername", TwipsRect(1350, 870, 2385, 405), 22, QString(), 9.75);
    lbDriver = MakeLabel(fraPage2, "lbDriver", TwipsRect(210, 900, 1005, 345), 21,
                         QStringLiteral("Driver Name :"), 8.25);
    lbhead = MakeLabel(fraPage2, "lbhead", TwipsRect(210, 270, 3915, 255), 13,
                       QStringLiteral("Current CD Reader/Writer"), 8.25);
    Frame3 = MakeFrame(fraPage2, "Frame3", TwipsRect(150, 2130, 3510, 375), 9);
    Frame3->setProperty("skinRole", QStringLiteral("trough"));
    pBar = Place(new QFrame(Frame3), "pBar", TwipsRect(45, 135, 15, 195), 10);
    pBar->setProperty("skinRole", QStringLiteral("progress"));
    pBar->setFrameShape(QFrame::NoFrame);
    pBar->setAutoFillBackground(true);
    {
        QPalette palette = pBar->palette();
        palette.setColor(QPalette::Window, QColor(20, 33, 152));
        pBar->setPalette(palette);
    }
    pBar->setAccessibleName(QStringLiteral("Progress"));
    cmbdriverList1 = Place(new QComboBox(fraPage2), "cmbdriverList1", TwipsRect(0, 0, 525, 315), 8);
    cmbdriverList1->hide();
    lbSuccess = MakeLabel(fraPage2, "lbSuccess", TwipsRect(210, 1290, 3465, 885), 17, QString(), 9.75);
    lberrorDisp = MakeLabel(fraPage2, "lberrorDisp", TwipsRect(210, 480, 3465, 345), 18, QString(), 8.25);

    // Page 1.
    Label1 =
        MakeLabel(fraPage1, "Label1", TwipsRect(150, 240, 3405, 195), 16, QStringLiteral("Drivers"), 8.25);
    lb2 = MakeLabel(fraPage1, "lb2", TwipsRect(180, 1590, 3525, 855), 12, QString(), 8.25);
    lb1 = MakeLabel(fraPage1, "lb1", TwipsRect(180, 930, 3525, 555), 11, QString(), 8.25);
    Label1->setBuddy(cmbDriverList);

    cmdBack->setEnabled(false);
    cmbDriverList->setFocus();

    connect(cmdNext, &QPushButton::clicked, this, &frmSelectDriver::cmdNext_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmSelectDriver::cmdBack_Click);
}

bool frmSelectDriver::Form_Load()
{
    if (!mdlMain::LoadLanguage()) return false;

    const std::string skinPath = platform::JoinPath(platform::AppDirectory(), "winaqua.skn");
    if (!platform::IsOrdinaryFile(skinPath)) {
        platform::ShowMessage(
            mdlMain::GetLangString("2103", "Application is corrupted. Please Reinstall it."),
            platform::MessageIcon::None);
        platform::EndProgram(1);
        return false;
    }
    skn->LoadSkinFile(FromStd(skinPath));
    skn->ApplySkin(static_cast<qintptr>(winId()));

    setWindowTitle(Lang("2000"));
    Label1->setCaption(Lang("2002"));
    lb1->setCaption(Lang("2200"));
    lb2->setCaption(Lang("2201"));
    cmdBack->setText(Lang("2006"));
    cmdNext->setText(Lang("2005"));

    ScanBus();
    if (cmbDriverList->count() > 0) cmbDriverList->setCurrentIndex(0);
    CurrentPage = 1;
    return true;
}

void frmSelectDriver::ScanBus()
{
    const std::string command =
        DriverProbe::ScanBusCommandLine(platform::AppDirectory(), platform::PathSeparator());
    ScanOutput = FromStd(MGetCmdOutput::GetCmdOutput(command, false, true, false));
    for (const std::string& line : DriverProbe::SplitScanOutput(ToStd(ScanOutput)))
        cmbDriverList->addItem(FromStd(line));
}

void frmSelectDriver::cmdNext_Click()
{
    if (CurrentPage == 1) {
        const QString writer = cmbDriverList->currentText();
        if (DriverProbe::IsRefusedWriterChoice(ToStd(writer))) {
            platform::ShowMessage("Select your CD writer", platform::MessageIcon::Information);
            cmbDriverList->setFocus();
            return;
        }
        DeviceAddress = FromStd(DriverProbe::DeviceAddressOf(ToStd(writer)));
        SelectedWriter = writer;
        CurrentPage = 2;
        fraPage1->hide();
        fraPage2->setGeometry(fraPage1->geometry());
        fraPage2->show();
        cmdBack->setEnabled(false);
        cmdNext->setEnabled(false);
        EnterTestPage();
        if (Abandoned()) {
            platform::EndProgram(0);
            return;
        }
        cmdBack->setEnabled(true);
        cmdNext->setEnabled(true);
    } else if (CurrentPage == 2) {
        platform::EndProgram(0);
    }
}

void frmSelectDriver::cmdBack_Click()
{
    if (CurrentPage != 2) return;
    CurrentPage = 1;
    fraPage1->show();
    fraPage2->hide();
    cmdNext->setText(Lang("2005"));
}

void frmSelectDriver::FillDriverList()
{
    cmbdriverList1->clear();
    for (const char* driver : DriverProbe::kDriverTable) cmbdriverList1->addItem(QLatin1String(driver));
    lbCurrentCD->setCaption(FromStd(DriverProbe::WriterDescriptionOf(ToStd(SelectedWriter))));
}

void frmSelectDriver::SetProgress(std::int32_t maximum, double value)
{
    // A width that cannot be computed leaves the bar as it is.
    const std::optional<float> width = DriverProbe::ProgressWidthTwips(maximum, value);
    if (!width) return;
    m_progressTwips = *width;
    pBar->resize(static_cast<int>(std::lround(static_cast<double>(*width) / kTwipsPerPixel)), pBar->height());
    emit progressChanged(*width);
}

void frmSelectDriver::TestDrivers(std::int16_t& TestResult)
{
    const std::string appDirectory = platform::AppDirectory();
    const char separator = platform::PathSeparator();
    const std::string address = ToStd(DeviceAddress);

    SetProgress(DriverProbe::kProgressMaximum, 0);
    repaint();

    const int n = cmbdriverList1->count();
    std::int16_t i = 1;
    for (i = 1; i <= n; ++i) {
        const std::string driver = ToStd(cmbdriverList1->itemText(i - 1));
        const MGetCmdOutput::CmdOutput answer = MGetCmdOutput::RunCmd(
            DriverProbe::ProbeCommandLine(appDirectory, separator, i, address, driver), false, true, false);
        if (Abandoned()) return;
        if (answer.status == MGetCmdOutput::RunStatus::NotStarted) {
            // The tool could not be started: no driver answered, so nothing is recorded or simulated.
            TestResult = 1;
            return;
        }
        if (DriverProbe::IsDriverRefused(answer.text)) {
            SetProgress(DriverProbe::kProgressMaximum, 10 * i);
            repaint();
            continue;
        }
        SetProgress(DriverProbe::kProgressMaximum, 10 * i + 5);
        repaint();
        const platform::RegStatus status =
            mdlRegistry::SetRegistryValue(std::string(mdlMain::kSettingsKey) + mdlMain::kDriverKey, "",
                                          static_cast<std::int64_t>(i - 1), 1);
        if (status != platform::kErrorSuccess) {
            platform::ShowMessage("The driver setting could not be saved.",
                                  platform::MessageIcon::Information);
            if (Abandoned()) return;
        }
        lbDrivername->setCaption(cmbdriverList1->itemText(i - 1));
        break;
    }

    const std::string simulateDriver = ToStd(cmbdriverList1->itemText(DriverProbe::SimulationEntry(i, n)));
    const MGetCmdOutput::CmdOutput answer = MGetCmdOutput::RunCmd(
        DriverProbe::SimulateCommandLine(appDirectory, separator, i, address, simulateDriver), false, true,
        false);
    if (Abandoned()) return;
    TestResult = DriverProbe::ClassifySimulation(answer.text);
}

void frmSelectDriver::EnterTestPage()
{
    m_testRunning = true;
    FillDriverList();
    lberrorDisp->setCaption(FromStd(DriverProbe::WriterDescriptionOf(ToStd(SelectedWriter))));
    cmdNext->setText(Lang("2007"));
    lbhead->setCaption(Lang("2003"));
    show();
    ShowTestResult();
    m_testRunning = false;
    if (Abandoned()) return;
    lbSuccess->setCaption(ResultMessage);
}

void frmSelectDriver::ShowTestResult()
{
    std::int16_t TestResult = 0;
    TestDrivers(TestResult);
    if (Abandoned()) return;
    const DriverProbe::ResultKeys keys = DriverProbe::ResultKeysOf(TestResult);
    LbFooter->setCaption(JoinedTexts(keys.footer));
    ResultMessage = JoinedTexts(keys.message);
    SetProgress(DriverProbe::kProgressMaximum, DriverProbe::kProgressMaximum);
    repaint();
    cmdBack->setEnabled(true);
    cmdNext->setEnabled(true);
}

void frmSelectDriver::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_testRunning) {
        // Page 2's work notices this after the running tool has been stopped, and ends the program.
        m_closing = true;
        MGetCmdOutput::StopRunningCommand();
        return;
    }
    platform::EndProgram(0);
}

void frmSelectDriver::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the default button wherever the focus is, as long as the key reaches the window.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && cmdNext->isEnabled() &&
        cmdNext->isVisible()) {
        cmdNext->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
