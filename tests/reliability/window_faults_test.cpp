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
#include "wizard/ui/qt/qt_skin.h"
#include "wizard_fixture.h"

namespace {

// Processes started by this process that still run (zombies, ended but not yet collected, do
// not count).
int RunningChildCount()
{
    int count = 0;
    for (const auto& child : testing_support::ChildrenOfThisProcess()) count += child.state != 'Z';
    return count;
}

const QStringList kKeys = {"2000", "2002", "2003", "2005", "2006", "2007", "2102", "2103", "2104",
                           "2105", "2106", "2107", "2108", "2109", "2110", "2200", "2201"};

}  // namespace

class WindowFaults : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<WizardFixture>();
        fx->WriteKeyNamedLanguage(kKeys);
    }
    void cleanup() { fx.reset(); }

    // The simulated write never ends; the user closes the window. The tool's group is ended, the
    // driver found before is kept, and nothing is shown or written after the close.
    void closingTheWindowDuringANeverEndingSimulation()
    {
        fx->WriteScenario(
            QStringLiteral("[writer]\naddress = 1,0,0\ndescription = Hanging\ndrivers = generic-mmc\n"
                           "simulate = finished successfully\nsimulate.delay-ms = 100000000\n"));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        QElapsedTimer clock;
        qint64 closedAt = -1;
        // Closed from inside the window's event loop, once the simulated write has started.
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, view.window, [&] {
            const QStringList commands = fx->ToolCommands();
            if (closedAt < 0 && !commands.isEmpty() &&
                commands.last().contains(QStringLiteral(" simulate "))) {
                QTest::qWait(200);
                closedAt = clock.elapsed();
                view.window->close();
            }
        });
        poll.start();
        clock.start();
        form.cmdNext_Click();
        const qint64 returnedAt = clock.elapsed();
        poll.stop();

        QVERIFY(closedAt > 0);
        QVERIFY2(returnedAt - closedAt < test_policy::kFaultTimeoutMs,
                 qPrintable(QString::number(returnedAt - closedAt)));
        QCOMPARE(fx->endStatuses, std::vector<int>{0});
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"1\""));
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
        QDir().mkpath(fx->configHome + QStringLiteral("/Tessaline"));
        fx->Write(fx->StorePath(), store);
        if (readOnly) QFile::setPermissions(fx->StorePath(), QFile::ReadOwner | QFile::ReadGroup);
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.cmdNext_Click();
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(fx->messages[0].text, QStringLiteral("The driver setting could not be saved."));
        QFile file(fx->StorePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), store);
        QVERIFY(fx->ToolCommands().last().contains(QStringLiteral(" simulate ")));
        QVERIFY(view.cmdNext->isEnabled());
    }

    // Edited between page 1 and page 2: page 2 shows the new texts.
    void anEditedLanguageFileIsReadAtTheNextLookup()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        QCOMPARE(view.window->windowTitle(), QStringLiteral("T2000"));
        fx->Write(fx->appDir + QStringLiteral("/Lang/English.ini"),
                  "[Velthorn]\n2003=Edited heading\n2007=&Finish\n2102=Edited footer\n");
        form.cmdNext_Click();
        QCOMPARE(view.lbhead->Caption(), QStringLiteral("Edited heading"));
        QCOMPARE(view.cmdNext->text(), QStringLiteral("&Finish"));
        QCOMPARE(view.LbFooter->Caption(), QStringLiteral("Edited footer"));
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
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        const QString path = fx->appDir + QStringLiteral("/Lang/English.ini");
        if (contents.isEmpty())
            QVERIFY(QFile::remove(path));
        else
            fx->Write(path, contents);
        form.cmdNext_Click();
        QCOMPARE(view.lbhead->Caption(), QString());
        QCOMPARE(view.cmdNext->text(), QString());
        QCOMPARE(view.LbFooter->Caption(), QString());
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"1\""));
        QVERIFY(view.cmdNext->isEnabled());
        QVERIFY(fx->endStatuses.empty());
        QVERIFY(fx->messages.empty());
    }

    // The skin is read once: removed or damaged after start-up, the window keeps its look and the
    // program goes on; only the next start would notice.
    void theSkinChangedAfterStartUpChangesNothing()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        const QString sheet = view.window->styleSheet();
        const QString skin = fx->appDir + QStringLiteral("/winaqua.skn");
        fx->Write(skin, "tessaline-skin 1\n[window]\nbackground-top = #zz\n");
        form.cmdNext_Click();
        QVERIFY(QFile::remove(skin));
        form.cmdBack_Click();
        form.cmdNext_Click();
        QCOMPARE(view.window->styleSheet(), sheet);
        QVERIFY(fx->messages.empty());
        QVERIFY(fx->endStatuses.empty());
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"1\""));

        // A new start without the skin file ends with the message.
        frmSelectDriver second;
        QVERIFY(!second.Form_Load());
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(fx->messages[0].text, QStringLiteral("T2103"));
    }

private:
    std::unique_ptr<WizardFixture> fx;
};

QTEST_MAIN(WindowFaults)
#include "window_faults_test.moc"
