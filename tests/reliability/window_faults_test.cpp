// The window under faults: a tool that never ends while the window is closed, and the language
// and skin files changed or removed while the program runs. The language file is read anew at
// each lookup; the skin is read once at start-up, so losing it later changes nothing.
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "test_policy.h"
#include "test_support.h"
#include "window/app_folder.h"
#include "wizard/ui/qt/qt_runtime.h"

using window_test::AppFolder;

namespace {

// Processes started by this process that still run (zombies, ended but not yet collected, do
// not count).
int RunningChildCount()
{
    int count = 0;
    for (const auto& child : testing_support::ChildrenOfThisProcess()) count += child.state != 'Z';
    return count;
}

const std::vector<std::string> kKeys = {"2000", "2002", "2003", "2005", "2006", "2007",
                                        "2102", "2103", "2104", "2105", "2106", "2107",
                                        "2108", "2109", "2110", "2200", "2201"};

QStringList Commands(const AppFolder& fx)
{
    QStringList commands;
    for (const std::string& command : fx.ToolCommands()) commands << QString::fromStdString(command);
    return commands;
}

// Next pressed as the user presses it.
void PressNext(frmSelectDriver& form) { QTest::mouseClick(ui::qt::WidgetOf(form.cmdNext), Qt::LeftButton); }
void PressBack(frmSelectDriver& form) { QTest::mouseClick(ui::qt::WidgetOf(form.cmdBack), Qt::LeftButton); }

}  // namespace

class WindowFaults : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<AppFolder>();
        fx->RecordProgramHooks();
        fx->WriteKeyNamedLanguage(kKeys);
    }
    void cleanup() { fx.reset(); }

    // The simulated write never ends; the user closes the window. The tool's group is ended, the
    // driver found before is kept, and nothing is shown or written after the close.
    void closingTheWindowDuringANeverEndingSimulation()
    {
        fx->WriteScenario("[writer]\naddress = 1,0,0\ndescription = Hanging\ndrivers = generic-mmc\n"
                          "simulate = finished successfully\nsimulate.delay-ms = 100000000\n");
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        QWidget* window = ui::qt::WidgetOf(form.Window());
        QElapsedTimer clock;
        qint64 closedAt = -1;
        // Closed from inside the window's event loop, once the simulated write has started.
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, window, [&] {
            const QStringList commands = Commands(*fx);
            if (closedAt < 0 && !commands.isEmpty() &&
                commands.last().contains(QStringLiteral(" simulate "))) {
                QTest::qWait(200);
                closedAt = clock.elapsed();
                window->close();
            }
        });
        poll.start();
        clock.start();
        PressNext(form);
        const qint64 returnedAt = clock.elapsed();
        poll.stop();

        QVERIFY(closedAt > 0);
        QVERIFY2(returnedAt - closedAt < test_policy::kFaultTimeoutMs,
                 qPrintable(QString::number(returnedAt - closedAt)));
        QCOMPARE(fx->endStatuses, std::vector<int>{0});
        QCOMPARE(QString::fromStdString(fx->DriverValue()), QStringLiteral("1"));
        QVERIFY(fx->messages.empty());
        QVERIFY(!MGetCmdOutput::IsCommandRunning());
        QTRY_COMPARE_WITH_TIMEOUT(RunningChildCount(), 0, test_policy::kFaultTimeoutMs);
    }

    // A store that refuses the write: the user is told, the old file stays as it was, and the
    // simulated write still runs.
    void aRefusedDriverWriteIsShownAndKeepsTheOldStore_data()
    {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<bool>("readOnly");
        const QByteArray old = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Quorvane\\Output_Setting\\Driver]\n@=\"9\"\n";
        QTest::newRow("read-only") << old << true;
        QTest::newRow("damaged") << QByteArray(old + "@=\"cut") << false;
    }
    void aRefusedDriverWriteIsShownAndKeepsTheOldStore()
    {
        QFETCH(QByteArray, store);
        QFETCH(bool, readOnly);
        const QString storeFile = QString::fromStdString(fx->StoreFile().string());
        QDir().mkpath(QFileInfo(storeFile).path());
        window_test::WriteBytes(fx->StoreFile(), store.toStdString());
        if (readOnly) QFile::setPermissions(storeFile, QFile::ReadOwner | QFile::ReadGroup);
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        PressNext(form);
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(fx->messages[0].text),
                 QStringLiteral("The driver setting could not be saved."));
        QFile file(storeFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), store);
        QVERIFY(Commands(*fx).last().contains(QStringLiteral(" simulate ")));
        QVERIFY(form.cmdNext.Enabled());
    }

    // Edited between page 1 and page 2: page 2 shows the new texts.
    void anEditedLanguageFileIsReadAtTheNextLookup()
    {
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        QCOMPARE(QString::fromStdString(form.Window().Caption()), QStringLiteral("T2000"));
        fx->Write("Lang/English.ini", "[Velthorn]\n2003=Edited heading\n2007=&Finish\n2102=Edited footer\n");
        PressNext(form);
        QCOMPARE(QString::fromStdString(form.lbhead.Caption()), QStringLiteral("Edited heading"));
        QCOMPARE(QString::fromStdString(form.cmdNext.Caption()), QStringLiteral("&Finish"));
        QCOMPARE(QString::fromStdString(form.LbFooter.Caption()), QStringLiteral("Edited footer"));
        QVERIFY(fx->messages.empty());
    }

    // Cut short, emptied or removed while the window is open: the texts fall back to their
    // defaults (empty), the driver test still runs to its end and stores its value.
    void aDamagedOrRemovedLanguageFileGivesEmptyTexts_data()
    {
        QTest::addColumn<QByteArray>("contents");  // empty: the file is removed
        QTest::newRow("removed") << QByteArray();
        QTest::newRow("emptied") << QByteArray("\n");
        QTest::newRow("cut inside the section") << QByteArray("[Velth");
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x00\x01[", 6);
    }
    void aDamagedOrRemovedLanguageFileGivesEmptyTexts()
    {
        QFETCH(QByteArray, contents);
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        const QString path = QString::fromStdString(fx->Path("Lang/English.ini"));
        if (contents.isEmpty())
            QVERIFY(QFile::remove(path));
        else
            fx->Write("Lang/English.ini", contents.toStdString());
        PressNext(form);
        QCOMPARE(QString::fromStdString(form.lbhead.Caption()), QStringLiteral(""));
        QCOMPARE(QString::fromStdString(form.cmdNext.Caption()), QStringLiteral(""));
        QCOMPARE(QString::fromStdString(form.LbFooter.Caption()), QStringLiteral(""));
        QCOMPARE(QString::fromStdString(fx->DriverValue()), QStringLiteral("1"));
        QVERIFY(form.cmdNext.Enabled());
        QVERIFY(fx->endStatuses.empty());
        QVERIFY(fx->messages.empty());
    }

    // The skin is read once: removed or damaged after start-up, the window keeps its look and the
    // program goes on; only the next start would notice.
    void theSkinChangedAfterStartUpChangesNothing()
    {
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        QWidget* window = ui::qt::WidgetOf(form.Window());
        const QString sheet = window->styleSheet();
        fx->Write("winaqua.skn", "tessaline-skin 1\n[window]\nbackground-top = #zz\n");
        PressNext(form);
        fx->Remove("winaqua.skn");
        PressBack(form);
        PressNext(form);
        QCOMPARE(window->styleSheet(), sheet);
        QVERIFY(fx->messages.empty());
        QVERIFY(fx->endStatuses.empty());
        QCOMPARE(QString::fromStdString(fx->DriverValue()), QStringLiteral("1"));

        // A new start without the skin file ends with the message.
        frmSelectDriver second;
        QCOMPARE(window_test::EndOf([&] { second.Form_Load(); }), 1);
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(fx->messages[0].text), QStringLiteral("T2103"));
    }

private:
    std::unique_ptr<AppFolder> fx;
};

QTEST_MAIN(WindowFaults)
#include "window_faults_test.moc"
