// A private application directory for one window test: the stand-in tool, the shipped skin, a
// language file, the cue sheet and a scenario of the test's own, a registry store in a folder
// of its own, and hooks that record message boxes and the end of the program.
#pragma once

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/app.h"
#include "runner/MGetCmdOutput.h"
#include "settings/mdlMainTesting.h"
#include "wizard/frmSelectDriver.h"
#include "wizard/ui/qt/qt_runtime.h"
#include "wizard/ui/qt/qt_skin.h"

// The Qt widgets behind the window's controls, found by their design names.
struct QtWindow {
    explicit QtWindow(frmSelectDriver& form) : window(ui::qt::WidgetOf(form.Window())) {}

    template <typename T>
    T* Find(const char* name) const
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qFatal("the window has no %s", name);
        return widget;
    }

    QWidget* window;
    SkinLabel* lbfootermsg = Find<SkinLabel>("lbfootermsg");
    QFrame* fraPage3 = Find<QFrame>("fraPage3");
    QFrame* fraPage2 = Find<QFrame>("fraPage2");
    QFrame* fraPage1 = Find<QFrame>("fraPage1");
    QLabel* Picture1 = Find<QLabel>("Picture1");
    QFrame* Frame2 = Find<QFrame>("Frame2");
    QPushButton* cmdBack = Find<QPushButton>("cmdBack");
    QPushButton* cmdNext = Find<QPushButton>("cmdNext");
    SkinLabel* Label2 = Find<SkinLabel>("Label2");
    SkinLabel* LbFooter = Find<SkinLabel>("LbFooter");
    SkinLabel* lbCurrentCD = Find<SkinLabel>("lbCurrentCD");
    SkinLabel* lbDrivername = Find<SkinLabel>("lbDrivername");
    SkinLabel* lbDriver = Find<SkinLabel>("lbDriver");
    SkinLabel* lbhead = Find<SkinLabel>("lbhead");
    QFrame* Frame3 = Find<QFrame>("Frame3");
    QFrame* pBar = Find<QFrame>("pBar");
    QComboBox* cmbdriverList1 = Find<QComboBox>("cmbdriverList1");
    SkinLabel* lbSuccess = Find<SkinLabel>("lbSuccess");
    SkinLabel* lberrorDisp = Find<SkinLabel>("lberrorDisp");
    SkinLabel* Label1 = Find<SkinLabel>("Label1");
    SkinLabel* lb2 = Find<SkinLabel>("lb2");
    SkinLabel* lb1 = Find<SkinLabel>("lb1");
    QComboBox* cmbDriverList = Find<QComboBox>("cmbDriverList");
};

// Every width the progress bar is given, in twips, in order.
struct ProgressRecorder {
    explicit ProgressRecorder(frmSelectDriver& form)
    {
        form.OnProgressChanged = [this](float width) { widths << width; };
    }
    QList<float> widths;
};

struct RecordedMessage {
    QString text;
    platform::MessageIcon icon;
};

class WizardFixture {
public:
    WizardFixture()
    {
        appDir = root.path() + QStringLiteral("/app dir with blanks");
        QDir().mkpath(appDir + QStringLiteral("/Lang"));
        configHome = root.path() + QStringLiteral("/config");
        Copy(QStringLiteral(TESSALINE_BURN), appDir + QStringLiteral("/Burn.exe"));
        QFile::setPermissions(appDir + QStringLiteral("/Burn.exe"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Copy(QStringLiteral(TESSALINE_SOURCE_DIR "/skin/winaqua.skn"),
             appDir + QStringLiteral("/winaqua.skn"));
        Copy(QStringLiteral(TESSALINE_SOURCE_DIR "/tools/burn/test.cue"),
             appDir + QStringLiteral("/test.cue"));
        Copy(QStringLiteral(TESSALINE_SOURCE_DIR "/tools/burn/test.wav"),
             appDir + QStringLiteral("/test.wav"));
        Copy(QStringLiteral(TESSALINE_SOURCE_DIR "/lang/English.ini"),
             appDir + QStringLiteral("/Lang/English.ini"));

        qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
        qputenv("TESSALINE_BURN_SCENARIO", ScenarioPath().toLocal8Bit());
        qputenv("TESSALINE_BURN_LOG", LogPath().toLocal8Bit());
        platform::SetAppDirectory(appDir.toStdString());
        QDir::setCurrent(appDir);
        mdlMain::ResetForTesting();
        SelectedWriter.clear();
        DeviceAddress.clear();
        ResultMessage.clear();

        platform::SetUiHooks({[this](const std::string& text, platform::MessageIcon icon) {
                                  messages.push_back({QString::fromStdString(text), icon});
                              },
                              [this](int status) { endStatuses.push_back(status); }});
        MGetCmdOutput::SetEventHook(ui::RunWindowEvents);
        WriteScenario(kTwoWriters);
    }

    ~WizardFixture()
    {
        platform::SetUiHooks({});
        MGetCmdOutput::SetEventHook({});
        QDir::setCurrent(QDir::tempPath());
    }

    WizardFixture(const WizardFixture&) = delete;
    WizardFixture& operator=(const WizardFixture&) = delete;

    static constexpr const char* kTwoWriters =
        "[writer]\naddress = 1,0,0\ndescription = First Writer\ndrivers = generic-mmc\n"
        "simulate = finished successfully\n"
        "[writer]\naddress = 2,0,0\ndescription = Second Writer\ndrivers = plextor\n"
        "simulate = not appendable\n";

    QString ScenarioPath() const { return root.path() + QStringLiteral("/scenario.ini"); }
    QString LogPath() const { return root.path() + QStringLiteral("/burn.log"); }
    QString StorePath() const { return configHome + QStringLiteral("/Tessaline/user.reg"); }

    void WriteScenario(const QString& text) const { Write(ScenarioPath(), text.toUtf8()); }

    // A language file in which every text names its own key ("T2000", "T2105", ...).
    void WriteKeyNamedLanguage(const QStringList& keys) const
    {
        QByteArray text = "[Velthorn]\n";
        for (const QString& key : keys)
            text += (key + QStringLiteral("=T") + key + QStringLiteral("\n")).toUtf8();
        Write(appDir + QStringLiteral("/Lang/English.ini"), text);
    }

    // The command lines the tool received, one a run.
    QStringList ToolCommands() const
    {
        QFile file(LogPath());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The unnamed value of a key of the registry store, read from the store file itself.
    QString StoredValue(const QString& keyBelowHkcu) const
    {
        QFile file(StorePath());
        if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<no store>");
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        const QString header = QStringLiteral("[HKEY_CURRENT_USER\\") + keyBelowHkcu + QLatin1Char(']');
        bool inKey = false;
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1Char('[')))
                inKey = line.compare(header, Qt::CaseInsensitive) == 0;
            else if (inKey && line.startsWith(QStringLiteral("@=")))
                return line.mid(2);
        }
        return QStringLiteral("<none>");
    }

    QString DriverValue() const
    {
        return StoredValue(QStringLiteral("Software\\Quorvane\\Output_Setting\\Driver"));
    }

    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
        file.write(bytes);
    }

    static void Copy(const QString& from, const QString& to)
    {
        QFile::remove(to);
        QVERIFY2(QFile::copy(from, to), qPrintable(from + QStringLiteral(" -> ") + to));
    }

    QTemporaryDir root;
    QString appDir;
    QString configHome;
    std::vector<RecordedMessage> messages;
    std::vector<int> endStatuses;
};
