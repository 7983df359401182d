// The wizard from page 1 to Finish: Next and Back, the driver probe against the stand-in tool,
// the registry record, the simulated write and the result texts.
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "test_policy.h"
#include "wizard/ui/qt/qt_skin.h"
#include "wizard_fixture.h"

namespace {

const QStringList kResultKeys = {"2003", "2005", "2007", "2102", "2103", "2104",
                                 "2105", "2106", "2107", "2108", "2109", "2110"};

QString Writer(const char* address, const char* drivers, const QString& extra = QString())
{
    return QStringLiteral("[writer]\naddress = %1\ndescription = Writer %1\ndrivers = %2\n%3")
        .arg(QLatin1String(address), QLatin1String(drivers), extra);
}

QList<float> ProgressOf(std::initializer_list<int> values)
{
    QList<float> widths;
    for (int v : values) widths << static_cast<float>(v * 3420.0 / 130.0);
    return widths;
}

}  // namespace

class FlowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<WizardFixture>();
        fx->WriteKeyNamedLanguage(kResultKeys);
    }
    void cleanup() { fx.reset(); }

    void firstProbeAcceptedRunsOneProbeAndTheDefaultSimulation()
    {
        fx->WriteScenario(Writer("1,0,0", "(default)", QStringLiteral("simulate = finished successfully\n")));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        ProgressRecorder progress(form);
        form.cmdNext_Click();

        QCOMPARE(progress.widths, ProgressOf({0, 15, 130}));
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"0\""));
        QCOMPARE(view.lbDrivername->Caption(), QStringLiteral("(default)"));
        const QStringList commands = fx->ToolCommands();
        QCOMPARE(commands.size(), 3);
        QVERIFY2(commands[1].endsWith(QStringLiteral("/Burn.exe disk-info --device 1,0,0 -v 0")),
                 qPrintable(commands[1]));
        QVERIFY2(commands[2].endsWith(
                     QStringLiteral("/Burn simulate --device 1,0,0 -n --reload --eject test.cue")),
                 qPrintable(commands[2]));
        QCOMPARE(view.LbFooter->Caption(), QStringLiteral("T2102"));
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2110"));
        QCOMPARE(QString::fromStdString(ResultMessage), QStringLiteral("T2110"));
        QCOMPARE(form.ProgressWidthTwips(), 3420.0f);
        QVERIFY(fx->messages.empty());
    }

    void fourthProbeAcceptedAfterThreeRefusals()
    {
        fx->WriteScenario(Writer("1,0,0", "cdd2600", QStringLiteral("simulate = finished successfully\n")));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        ProgressRecorder progress(form);
        form.cmdNext_Click();

        QCOMPARE(progress.widths, ProgressOf({0, 10, 20, 30, 45, 130}));
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"3\""));
        QCOMPARE(view.lbDrivername->Caption(), QStringLiteral("cdd2600"));
        const QString dir = fx->appDir;
        const QStringList expected = {
            dir + QStringLiteral("/Burn.exe scanbus -v 0"),
            dir + QStringLiteral("/Burn.exe disk-info --device 1,0,0 -v 0"),
            dir + QStringLiteral("/Burn Disk-info --device 1,0,0 --driver generic-mmc -v 0"),
            dir + QStringLiteral("/Burn Disk-info --device 1,0,0 --driver generic-mmc-raw -v 0"),
            dir + QStringLiteral("/Burn Disk-info --device 1,0,0 --driver cdd2600 -v 0"),
            dir +
                QStringLiteral("/burn simulate --device 1,0,0 --driver cdd2600 -n --reload --eject test.cue"),
        };
        QCOMPARE(fx->ToolCommands(), expected);
        QCOMPARE(view.lberrorDisp->Caption(), QStringLiteral("Writer 1,0,0"));
        QCOMPARE(view.lbCurrentCD->Caption(), QStringLiteral("Writer 1,0,0"));
        QCOMPARE(view.lbhead->Caption(), QStringLiteral("T2003"));
        QCOMPARE(view.cmdNext->text(), QStringLiteral("T2007"));
        QVERIFY(view.cmdNext->isEnabled());
        QVERIFY(view.cmdBack->isEnabled());
        QCOMPARE(form.CurrentPage, std::int16_t(2));
        QVERIFY(!view.fraPage1->isVisibleTo(view.window));
        QVERIFY(view.fraPage2->isVisibleTo(view.window));
        QCOMPARE(view.fraPage2->geometry(), view.fraPage1->geometry());
        QCOMPARE(view.cmbdriverList1->count(), 13);
    }

    void allThirteenRefused()
    {
        fx->WriteScenario(
            Writer("1,0,0", "nothing-we-know", QStringLiteral("simulate = finished successfully\n")));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        ProgressRecorder progress(form);
        form.cmdNext_Click();

        QCOMPARE(progress.widths,
                 ProgressOf({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 130}));
        QCOMPARE(fx->DriverValue(), QStringLiteral("<no store>"));
        QCOMPARE(view.lbDrivername->Caption(), QString());
        const QStringList commands = fx->ToolCommands();
        QCOMPARE(commands.size(), 15);
        QCOMPARE(commands.last(),
                 fx->appDir + QStringLiteral("/burn simulate --device 1,0,0 --driver yamaha-cdr10x -n "
                                             "--reload --eject test.cue"));
        // The writer refuses the last driver for the simulated write too: no outcome phrase.
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2109"));
    }

    void toolMissingAtProbeTimeRecordsNothing()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        QFile::remove(fx->appDir + QStringLiteral("/Burn.exe"));
        ProgressRecorder progress(form);
        form.cmdNext_Click();
        QCOMPARE(fx->ToolCommands().size(), 1);  // the bus scan only
        QCOMPARE(fx->DriverValue(), QStringLiteral("<no store>"));
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2109"));
        QCOMPARE(progress.widths, ProgressOf({0, 130}));
        QVERIFY(view.cmdNext->isEnabled());
    }

    void resultCodesAndTheirTexts_data()
    {
        QTest::addColumn<QString>("simulate");
        QTest::addColumn<QString>("footer");
        QTest::addColumn<QString>("message");
        QTest::newRow("1 none") << QStringLiteral("none") << QStringLiteral("T2109")
                                << QStringLiteral("T2109");
        QTest::newRow("2 success") << QStringLiteral("finished successfully") << QStringLiteral("T2102")
                                   << QStringLiteral("T2110");
        QTest::newRow("3 toc") << QStringLiteral("Cannot open toc file") << QStringLiteral("T2103")
                               << QStringLiteral("T2103");
        QTest::newRow("4 io") << QStringLiteral("I/O error") << QStringLiteral("T2104\nT2105")
                              << QStringLiteral("T2104\nT2105");
        QTest::newRow("5 appendable") << QStringLiteral("not appendable") << QStringLiteral("T2106\nT2105")
                                      << QStringLiteral("T2106\nT2105");
        QTest::newRow("6 not ready") << QStringLiteral("ERROR: Unit not ready") << QStringLiteral("T2107")
                                     << QStringLiteral("T2107");
        QTest::newRow("7 failed") << QStringLiteral("Simulation failed") << QStringLiteral("T2108")
                                  << QStringLiteral("T2104");
    }

    void resultCodesAndTheirTexts()
    {
        QFETCH(QString, simulate);
        QFETCH(QString, footer);
        QFETCH(QString, message);
        fx->WriteScenario(Writer("1,0,0", "generic-mmc", QStringLiteral("simulate = %1\n").arg(simulate)));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        form.cmdNext_Click();
        QCOMPARE(view.LbFooter->Caption(), footer);
        QCOMPARE(view.lbSuccess->Caption(), message);
        if (message.contains(QLatin1Char('\n'))) {
            // Two lines: the label's text is laid out taller than one line.
            const QFontMetrics metrics(view.lbSuccess->font());
            QVERIFY(view.lbSuccess->sizeHint().height() >= 2 * metrics.lineSpacing());
        }
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"1\""));
    }

    void missingCueSheetIsCodeThree()
    {
        fx->WriteScenario(
            Writer("1,0,0", "generic-mmc", QStringLiteral("simulate = finished successfully\n")));
        QFile::remove(fx->appDir + QStringLiteral("/test.cue"));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.cmdNext_Click();
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2103"));
    }

    void backKeepsEverythingAndNextRerunsWithTheNewWriter()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        form.cmdBack_Click();  // nothing on page 1
        QCOMPARE(form.CurrentPage, std::int16_t(1));
        form.cmdNext_Click();
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"1\""));
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2110"));

        form.cmdBack_Click();
        QCOMPARE(form.CurrentPage, std::int16_t(1));
        QVERIFY(view.fraPage1->isVisible());
        QVERIFY(!view.fraPage2->isVisible());
        QCOMPARE(view.cmdNext->text(), QStringLiteral("T2005"));
        QCOMPARE(view.cmbDriverList->currentIndex(), 0);
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2110"));
        QCOMPARE(view.fraPage2->geometry(), view.fraPage1->geometry());
        QVERIFY(view.cmdBack->isEnabled());
        QVERIFY(view.cmdNext->isEnabled());
        QCOMPARE(QString::fromStdString(SelectedWriter), QStringLiteral("1,0,0  First Writer"));

        view.cmbDriverList->setCurrentIndex(1);
        form.cmdNext_Click();
        QCOMPARE(QString::fromStdString(DeviceAddress), QStringLiteral("2,0,0"));
        QCOMPARE(fx->DriverValue(), QStringLiteral("\"4\""));
        QCOMPARE(view.lbDrivername->Caption(), QStringLiteral("plextor"));
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2106\nT2105"));
        QCOMPARE(view.cmbdriverList1->count(), 13);
        QVERIFY(fx->ToolCommands().last().contains(QStringLiteral("--device 2,0,0 --driver plextor")));

        form.cmdNext_Click();  // Finish
        QCOMPARE(fx->endStatuses, std::vector<int>{0});
        QVERIFY(fx->messages.empty());
    }

    void refusedChoices_data()
    {
        QTest::addColumn<QString>("scan");
        QTest::addColumn<bool>("refused");
        QTest::newRow("no adapter") << QStringLiteral("adapters = no\n") << true;
        QTest::newRow("mixed case with blanks")
            << QStringLiteral("extra-line =   could NOT find ANY host adapters   \nfinal-line-feed = yes\n")
            << true;
        QTest::newRow("trailing full stop")
            << QStringLiteral("extra-line = Could not find any host adapters.\n") << false;
        QTest::newRow("empty list") << QStringLiteral("final-line-feed = no\n") << true;
    }

    void refusedChoices()
    {
        QFETCH(QString, scan);
        QFETCH(bool, refused);
        // Only the extra line is listed before the writers' when the writers are left out.
        fx->WriteScenario(QStringLiteral("[scan]\n") + scan);
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        view.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.window, test_policy::kFaultTimeoutMs));
        if (view.cmbDriverList->count() > 0)
            view.cmbDriverList->setCurrentIndex(view.cmbDriverList->count() - 1);
        view.cmdNext->setFocus();
        form.cmdNext_Click();
        if (refused) {
            QCOMPARE(fx->messages.size(), std::size_t(1));
            QCOMPARE(fx->messages[0].text, QStringLiteral("Select your CD writer"));
            QCOMPARE(fx->messages[0].icon, platform::MessageIcon::Information);
            QCOMPARE(form.CurrentPage, std::int16_t(1));
            QCOMPARE(QApplication::focusWidget(), view.cmbDriverList);
            QCOMPARE(fx->ToolCommands().size(), 1);
            QVERIFY(view.fraPage1->isVisible());
        } else {
            QVERIFY(fx->messages.empty());
            QCOMPARE(form.CurrentPage, std::int16_t(2));
            QCOMPARE(QString::fromStdString(DeviceAddress), QStringLiteral("Could"));
        }
    }

    void failedRegistryWriteIsReportedAndTheTestGoesOn()
    {
        // The store's folder cannot be made: its parent is an ordinary file.
        fx->Write(fx->root.path() + QStringLiteral("/blocker"), "x");
        qputenv("XDG_CONFIG_HOME", (fx->root.path() + QStringLiteral("/blocker")).toLocal8Bit());
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.cmdNext_Click();
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(fx->messages[0].text, QStringLiteral("The driver setting could not be saved."));
        QCOMPARE(fx->messages[0].icon, platform::MessageIcon::Information);
        QCOMPARE(view.lbDrivername->Caption(), QStringLiteral("generic-mmc"));
        QCOMPARE(view.lbSuccess->Caption(), QStringLiteral("T2110"));
        QVERIFY(fx->ToolCommands().last().contains(QStringLiteral(" simulate ")));
    }

    void closingDuringASlowProbeStopsTheToolAndEnds()
    {
        fx->WriteScenario(Writer("1,0,0", "generic-mmc", QStringLiteral("disk-info.delay-ms = 100000000\n")));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();

        // The close request comes from outside the window's thread while the tool is silent, once
        // the probe's tool has started. How soon it is handled is measured by bench/.
        QElapsedTimer clock;
        std::atomic<qint64> postedAt{-1};
        qint64 handledAt = -1;
        struct Watch : QObject {
            qint64* handled;
            QElapsedTimer* clock;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Close && *handled < 0) *handled = clock->nsecsElapsed();
                return false;
            }
        } watch;
        watch.handled = &handledAt;
        watch.clock = &clock;
        view.window->installEventFilter(&watch);
        clock.start();
        std::thread closer([&] {
            test_policy::Eventually([&] { return fx->ToolCommands().size() >= 2; });
            postedAt = clock.nsecsElapsed();
            QCoreApplication::postEvent(view.window, new QCloseEvent);
        });
        form.cmdNext_Click();
        const qint64 returnedAt = clock.nsecsElapsed();
        closer.join();

        QVERIFY(handledAt > 0);
        QVERIFY2(returnedAt - postedAt < qint64{test_policy::kFaultTimeoutMs} * 1'000'000,
                 qPrintable(QString::number(static_cast<double>(returnedAt - postedAt) / 1e6)));
        QCOMPARE(fx->endStatuses, std::vector<int>{0});
        QCOMPARE(fx->ToolCommands().size(), 2);  // the scan and the first probe, nothing after it
        QCOMPARE(fx->DriverValue(), QStringLiteral("<no store>"));
        QVERIFY(!MGetCmdOutput::IsCommandRunning());
    }

    void buttonsStayDisabledWhileTheToolRuns()
    {
        fx->WriteScenario(Writer("1,0,0", "generic-mmc", QStringLiteral("disk-info.delay-ms = 150\n")));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        int checks = 0;
        bool anyEnabled = false;
        MGetCmdOutput::SetEventHook([&](std::intptr_t fd, int wait) {
            ++checks;
            anyEnabled = anyEnabled || view.cmdNext->isEnabled() || view.cmdBack->isEnabled();
            ui::RunWindowEvents(fd, wait);
        });
        form.cmdNext_Click();
        QVERIFY(checks > 0);  // the hook runs before every read of every run
        QVERIFY(!anyEnabled);
    }

private:
    std::unique_ptr<WizardFixture> fx;
};

QTEST_MAIN(FlowTest)
#include "flow_test.moc"
