// The installed wizard, end to end, against the recording tool that Debian ships (cdrdao) and an
// emulated CD writer: one case a state of the writer. The build is installed into a temporary
// prefix, and the wizard runs in its application directory with the bridge as Burn.exe, as the
// launcher starts it. Each case checks the list on page 1, the driver stored (nothing where
// nothing was verified), the message on page 2, the command lines of the wizard and of the
// bridge, that the writer never saw a real write, and how long the test took.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <signal.h>

#include <cerrno>
#include <memory>

#include "emulated_bus.h"
#include "platform/app.h"
#include "runner/MGetCmdOutput.h"
#include "settings/mdlMain.h"
#include "settings/mdlMainTesting.h"
#include "settings/mdlRegistry.h"
#include "test_policy.h"
#include "wizard/frmSelectDriver.h"
#include "wizard/ui/qt/qt_runtime.h"
#include "wizard/ui/ui.h"

namespace {

using emulated_bus::Access;
using emulated_bus::CommandSet;
using emulated_bus::Disc;
using emulated_bus::Unit;

std::string g_noPrivateBus;  // why main() could not enter the private bus; empty when it did

Unit Writer(const char* node, int host, Disc disc, Access access = Access::Open,
            CommandSet commands = CommandSet::Mmc)
{
    Unit unit;
    unit.node = node;
    unit.host = host;
    unit.vendor = "TSLN";
    unit.product = "CDRW 4012";
    unit.revision = "1.00";
    unit.disc = disc;
    unit.access = access;
    unit.commands = commands;
    return unit;
}

// What one run of the wizard, from start-up to the end of page 2's work, showed and did.
struct Run {
    QStringList listed;        // page 1's list
    QString stored;            // the driver value, "" when none
    QString message;           // page 2's result message
    QString driverName;        // lbDrivername
    QStringList asked;         // the command lines the bridge received from the wizard
    QStringList toolCommands;  // the cdrdao command lines the bridge ran
    QStringList realWrites;    // WRITE commands the unit received without the test-write bit
    qint64 milliseconds = 0;   // from Next to the end of page 2's work
};

QString Text(const char* key) { return QString::fromStdString(mdlMain::GetLangString(key, "")); }

}  // namespace

class WizardRealWriterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!g_noPrivateBus.empty()) SkipOrFail("no private bus: " + g_noPrivateBus);
        std::string why;
        bus = emulated_bus::Bus::Create(&why);
        if (!bus) SkipOrFail(why);

        QVERIFY(root.isValid());
        const QString prefix = root.path() + QStringLiteral("/installed tree");
        QProcess install;
        install.start(QStringLiteral(CMAKE_COMMAND), {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                                      QStringLiteral("--prefix"), prefix});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        appDir = prefix + QStringLiteral("/lib/tessaline");
        QVERIFY(QFile::exists(appDir + QStringLiteral("/Burn.exe")));

        qputenv("PATH", bus->PathWithTool().c_str());
        qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
        qputenv("TESSALINE_BURN_LOG", LogPath().toLocal8Bit());
        platform::SetUiHooks({[this](const std::string& text, platform::MessageIcon) {
                                  messages << QString::fromStdString(text);
                              },
                              [this](int status) { endStatuses << status; }});
        MGetCmdOutput::SetEventHook(ui::RunWindowEvents);
    }

    void init()
    {
        QFile::remove(root.path() + QStringLiteral("/config/Tessaline/user.reg"));
        QFile::remove(LogPath());
        messages.clear();
        endStatuses.clear();
        mdlMain::ResetForTesting();
        SelectedWriter.clear();
        DeviceAddress.clear();
        ResultMessage.clear();
        platform::SetAppDirectory(appDir.toStdString());
        QDir::setCurrent(appDir);
    }

    // A blank CD-R: the tool's own choice of driver works, and so does the simulated write.
    void blankDiscStoresTheDefaultDriverAndSucceeds()
    {
        const Run run = RunWizard({Writer("/dev/sr0", 1, Disc::BlankCdR)});
        QCOMPARE(run.listed, QStringList{QStringLiteral("1,0,0  TSLN CDRW 4012 1.00")});
        QCOMPARE(run.stored, QStringLiteral("0"));
        QCOMPARE(run.driverName, QStringLiteral("(default)"));
        QCOMPARE(run.message, Text("2110"));
        QCOMPARE(run.asked,
                 QStringList({Asked("Burn.exe scanbus -v 0"), Asked("Burn.exe disk-info --device 1,0,0 -v 0"),
                              Asked("Burn simulate --device 1,0,0 -n --reload --eject test.cue")}));
        QCOMPARE(
            run.toolCommands,
            QStringList({QStringLiteral("scanbus -v 0"), QStringLiteral("disk-info --device /dev/sr0 -v 0"),
                         QStringLiteral("simulate --device /dev/sr0 -n --reload --eject test.cue")}));
        QVERIFY2(run.realWrites.isEmpty(), qPrintable(run.realWrites.join('\n')));
        QVERIFY2(run.milliseconds < 60000, qPrintable(QString::number(run.milliseconds)));
    }

    // No disc: no driver can be verified, so none is stored; the simulated write says the unit
    // is not ready. The probes do not wait out the tool's half-minute retries thirteen times.
    void noDiscStoresNothingAndSaysNotReady()
    {
        const Run run = RunWizard({Writer("/dev/sr0", 1, Disc::None)});
        QCOMPARE(run.stored, QString());
        QCOMPARE(run.message, Text("2107"));
        QCOMPARE(run.asked.size(), 1 + 13 + 1);
        QVERIFY(run.asked.last().endsWith(
            QStringLiteral("simulate --device 1,0,0 --driver yamaha-cdr10x -n --reload "
                           "--eject test.cue")));
        QVERIFY2(run.milliseconds < 120000, qPrintable(QString::number(run.milliseconds)));
    }

    // A closed disc: the default driver reads it, so it is stored; the disc cannot be written.
    void closedDiscStoresTheDriverAndSaysNotAppendable()
    {
        const Run run = RunWizard({Writer("/dev/sr0", 1, Disc::Closed)});
        QCOMPARE(run.stored, QStringLiteral("0"));
        QCOMPARE(run.message, Text("2106") + QLatin1Char('\n') + Text("2105"));
        QVERIFY(run.realWrites.isEmpty());
    }

    // A writer another program holds, and one the user may not open: listed, so that the user
    // sees it, but no driver is ever taken as working.
    void unitThatCannotBeOpenedIsListedButNothingIsStored_data()
    {
        QTest::addColumn<int>("access");
        QTest::newRow("busy") << static_cast<int>(Access::Busy);
        QTest::newRow("denied") << static_cast<int>(Access::Denied);
    }
    void unitThatCannotBeOpenedIsListedButNothingIsStored()
    {
        QFETCH(int, access);
        const Run run = RunWizard({Writer("/dev/sr0", 1, Disc::BlankCdR, static_cast<Access>(access))});
        QCOMPARE(run.listed, QStringList{QStringLiteral("1,0,0  TSLN CDRW 4012 1.00")});
        QCOMPARE(run.stored, QString());
        QCOMPARE(run.message, Text("2109"));
        QCOMPARE(run.asked.size(), 1 + 13 + 1);
        QVERIFY2(run.milliseconds < 60000, qPrintable(QString::number(run.milliseconds)));
    }

    // An older writer that knows only its maker's commands: neither the tool's own choice nor
    // the MMC drivers can read its disc, the fourth driver can, and that is the one stored.
    void olderWriterStoresTheDriverThatReadsItsDisc()
    {
        Unit philips = Writer("/dev/sr0", 1, Disc::BlankCdR, Access::Open, CommandSet::PhilipsCdd);
        philips.product = "CDR 226";
        philips.revision = "2.10";
        const Run run = RunWizard({philips});
        QCOMPARE(run.listed, QStringList{QStringLiteral("1,0,0  TSLN CDR 226 2.10")});
        QCOMPARE(run.stored, QStringLiteral("3"));
        QCOMPARE(run.driverName, QStringLiteral("cdd2600"));
        QCOMPARE(run.message, Text("2110"));
        QCOMPARE(run.asked.size(), 1 + 4 + 1);
        QCOMPARE(run.toolCommands.last(),
                 QStringLiteral("simulate --device /dev/sr0 --driver cdd2600 -n --reload --eject test.cue"));
        QVERIFY(run.realWrites.isEmpty());
    }

    // Two units, one of them on a host whose address does not fit five characters: both listed,
    // and the one chosen is the one probed.
    void twoUnitsAreListedAndTheChosenOneIsProbed()
    {
        const Run run =
            RunWizard({Writer("/dev/sr0", 1, Disc::None), Writer("/dev/sr1", 12, Disc::BlankCdR)}, 1);
        QCOMPARE(run.listed, QStringList({QStringLiteral("1,0,0  TSLN CDRW 4012 1.00"),
                                          QStringLiteral("sr1    TSLN CDRW 4012 1.00")}));
        QCOMPARE(run.stored, QStringLiteral("0"));
        QCOMPARE(run.message, Text("2110"));
        QCOMPARE(run.asked.value(1), Asked("Burn.exe disk-info --device sr1 -v 0"));
        QCOMPARE(run.toolCommands.value(1), QStringLiteral("disk-info --device /dev/sr1 -v 0"));
        QCOMPARE(run.toolCommands.value(2),
                 QStringLiteral("simulate --device /dev/sr1 -n --reload --eject test.cue"));
    }

    // Closing the window while the tool waits for a unit without a disc ends the bridge and the
    // tool with it, well before the tool would have given up.
    void closingDuringTheTestEndsTheBridgeAndTheTool()
    {
        std::string why;
        QVERIFY2(bus->Show({Writer("/dev/sr0", 1, Disc::None)}, &why), why.c_str());
        frmSelectDriver form;
        form.Form_Load();
        // Once the simulated write has started, the user closes the window.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (!Log().contains(QStringLiteral(" simulate "))) return;
            closer.stop();
            QTimer::singleShot(
                500, [&] { QCoreApplication::postEvent(ui::qt::WidgetOf(form.Window()), new QCloseEvent); });
        });
        closer.start(20);
        QElapsedTimer clock;
        clock.start();
        // The work notices the close and ends the program, which the recording hook turns into
        // platform::ProgramEnded.
        QVERIFY_THROWS_EXCEPTION(platform::ProgramEnded, form.cmdNext_Click());
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(endStatuses, QList<int>{0});
        QCOMPARE(Stored(), QString());
        // Every cdrdao the emulator saw has ended.
        for (const emulated_bus::TraceEntry& entry : bus->ReadTrace())
            QVERIFY2(test_policy::Eventually(
                         [&] { return kill(static_cast<pid_t>(entry.pid), 0) != 0 && errno == ESRCH; }),
                     qPrintable(QString::number(entry.pid)));
    }

private:
    static void SkipOrFail(const std::string& why)
    {
        if (test_policy::EveryCheckMustRun()) QFAIL((why + " (CI=true: every check must run)").c_str());
        QSKIP(why.c_str());
    }

    QString LogPath() const { return root.path() + QStringLiteral("/burn.log"); }
    QString Log() const
    {
        QFile file(LogPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString Asked(const char* line) const { return appDir + QLatin1Char('/') + QLatin1String(line); }

    QString Stored() const
    {
        const std::string key = std::string(mdlMain::kSettingsKey) + mdlMain::kDriverKey;
        return QString::fromStdString(
            mdlRegistry::QueryRegistryValue(platform::kHkeyCurrentUser, key, "*", ""));
    }

    Run RunWizard(const std::vector<Unit>& units, int choice = 0)
    {
        Run run;
        std::string why;
        if (!bus->Show(units, &why)) {
            QTest::qFail(why.c_str(), __FILE__, __LINE__);
            return run;
        }
        frmSelectDriver form;
        form.Form_Load();
        for (int i = 0; i < form.cmbDriverList.ListCount(); ++i)
            run.listed << QString::fromStdString(form.cmbDriverList.List(i));
        form.cmbDriverList.SetListIndex(choice);
        QElapsedTimer clock;
        clock.start();
        form.cmdNext_Click();
        run.milliseconds = clock.elapsed();
        run.stored = Stored();
        run.message = QString::fromStdString(form.lbSuccess.Caption());
        run.driverName = QString::fromStdString(form.lbDrivername.Caption());
        for (const QString& line : Log().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.startsWith(QStringLiteral("  runs: "))) {
                run.asked << line;
                continue;
            }
            // "  runs: <path of cdrdao> <arguments>"
            const QString command = line.mid(8);
            run.toolCommands << command.mid(command.indexOf(QLatin1Char(' ')) + 1);
        }
        for (const emulated_bus::TraceEntry& entry : bus->ReadTrace())
            if (entry.op.rfind("WRITE", 0) == 0 && entry.Field("test_write") == "0")
                run.realWrites << QString::fromStdString(entry.op + " pid=" + std::to_string(entry.pid));
        qInfo("%s: %lld ms; stored '%s'; page 2: %s", QTest::currentTestFunction(), run.milliseconds,
              qPrintable(run.stored), qPrintable(run.message));
        return run;
    }

    QTemporaryDir root;
    QString appDir;
    std::unique_ptr<emulated_bus::Bus> bus;
    QStringList messages;
    QList<int> endStatuses;
};

// The private bus must be entered before Qt starts any thread.
int main(int argc, char** argv)
{
    if (!emulated_bus::EnterPrivateBus(&g_noPrivateBus) && g_noPrivateBus.empty()) g_noPrivateBus = "refused";
    QApplication application(argc, argv);
    WizardRealWriterTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "wizard_real_writer_test.moc"
