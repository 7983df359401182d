// The window's start-up: language, skin check, captions, bus scan, layout and accessibility.
#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>
#include <QtTest>

#include <functional>
#include <memory>
#include <stdexcept>

#include "settings/mdlMain.h"
#include "test_policy.h"
#include "wizard/driver_probe.h"
#include "wizard/ui/qt/qt_skin.h"
#include "wizard_fixture.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { fx = std::make_unique<WizardFixture>(); }
    void cleanup()
    {
        fx.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return w->isVisible(); }));
    }

    void scansBeforeTheWindowIsShownAndSelectsTheFirstWriter()
    {
        fx->WriteScenario(QStringLiteral("[scan]\ndelay-ms = 300\n") + WizardFixture::kTwoWriters);
        frmSelectDriver form;
        const QtWindow view(form);
        bool seenVisible = false;
        int hookCalls = 0;
        MGetCmdOutput::SetEventHook([&](std::intptr_t fd, int wait) {
            ++hookCalls;
            seenVisible = seenVisible || view.window->isVisible();
            QCOMPARE(form.CurrentPage, std::int16_t(0));
            ui::RunWindowEvents(fd, wait);
        });
        QVERIFY(form.Form_Load());
        QVERIFY(hookCalls > 0);  // the hook runs before every read of the scan
        QVERIFY(!seenVisible);
        QCOMPARE(form.CurrentPage, std::int16_t(1));
        QCOMPARE(view.cmbDriverList->count(), 2);
        QCOMPARE(view.cmbDriverList->currentIndex(), 0);
        QCOMPARE(view.cmbDriverList->currentText(), QStringLiteral("1,0,0  First Writer"));
        QCOMPARE(view.cmbDriverList->itemText(1), QStringLiteral("2,0,0  Second Writer"));
        const QStringList commands = fx->ToolCommands();
        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands[0], fx->appDir + QStringLiteral("/Burn.exe scanbus -v 0"));
        QVERIFY(fx->messages.empty());
    }

    void scanOutputShapes_data()
    {
        QTest::addColumn<QString>("scan");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("crlf") << QStringLiteral("line-end = crlf\n")
                              << QStringList{QStringLiteral("1,0,0  First Writer\r"),
                                             QStringLiteral("2,0,0  Second Writer\r")};
        QTest::newRow("no final line feed")
            << QStringLiteral("final-line-feed = no\n") << QStringList{QStringLiteral("1,0,0  First Writer")};
        QTest::newRow("empty line between")
            << QStringLiteral("extra-line =\nextra-line = 3,0,0  Third\n")
            << QStringList{QStringLiteral("1,0,0  First Writer"), QStringLiteral("2,0,0  Second Writer"),
                           QString(), QStringLiteral("3,0,0  Third")};
        QTest::newRow("no adapter") << QStringLiteral("adapters = no\n")
                                    << QStringList{QStringLiteral("Could not find any host adapters")};
    }

    void scanOutputShapes()
    {
        QFETCH(QString, scan);
        QFETCH(QStringList, items);
        fx->WriteScenario(QStringLiteral("[scan]\n") + scan + WizardFixture::kTwoWriters);
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        QStringList listed;
        for (int i = 0; i < view.cmbDriverList->count(); ++i) listed << view.cmbDriverList->itemText(i);
        QCOMPARE(listed, items);
    }

    void missingToolLeavesTheListEmpty()
    {
        QFile::remove(fx->appDir + QStringLiteral("/Burn.exe"));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        QCOMPARE(view.cmbDriverList->count(), 0);
        QCOMPARE(view.cmbDriverList->currentIndex(), -1);
        QCOMPARE(form.CurrentPage, std::int16_t(1));
    }

    void missingSkinEndsBeforeTheToolRuns_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("keyInFile");
        QTest::newRow("missing, text from the language file") << QStringLiteral("missing") << true;
        QTest::newRow("missing, default text") << QStringLiteral("missing") << false;
        QTest::newRow("a folder") << QStringLiteral("folder") << true;
        QTest::newRow("a dangling link") << QStringLiteral("link") << true;
    }

    void missingSkinEndsBeforeTheToolRuns()
    {
        QFETCH(QString, what);
        QFETCH(bool, keyInFile);
        const QString skin = fx->appDir + QStringLiteral("/winaqua.skn");
        QFile::remove(skin);
        if (what == QLatin1String("folder")) QDir().mkdir(skin);
        if (what == QLatin1String("link")) QFile::link(fx->appDir + QStringLiteral("/gone.skn"), skin);
        if (keyInFile)
            fx->WriteKeyNamedLanguage({QStringLiteral("2103")});
        else
            fx->WriteKeyNamedLanguage({QStringLiteral("2000")});

        frmSelectDriver form;

        const QtWindow view(form);
        QVERIFY(!form.Form_Load());
        QCOMPARE(fx->endStatuses, std::vector<int>{1});
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(fx->messages[0].text,
                 keyInFile ? QStringLiteral("T2103")
                           : QStringLiteral("Application is corrupted. Please Reinstall it."));
        QCOMPARE(fx->messages[0].icon, platform::MessageIcon::None);
        QVERIFY(fx->ToolCommands().isEmpty());
        QVERIFY(!view.window->isVisible());
        QCOMPARE(form.CurrentPage, std::int16_t(0));
    }

    void malformedSkinIsAFailureNamingFileAndLine()
    {
        fx->Write(fx->appDir + QStringLiteral("/winaqua.skn"), QByteArray("\x01\x02garbage\xff\xfe\n", 12));
        frmSelectDriver form;
        const QtWindow view(form);
        try {
            form.Form_Load();
            QFAIL("a damaged skin was accepted");
        } catch (const skin::SkinError& error) {
            const QString text = QString::fromUtf8(error.what());
            QVERIFY2(text.contains(fx->appDir + QStringLiteral("/winaqua.skn")), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("line")), qPrintable(text));
        }
        QVERIFY(fx->ToolCommands().isEmpty());
    }

    void captionsComeFromTheLanguageFile()
    {
        fx->WriteKeyNamedLanguage({QStringLiteral("2000"), QStringLiteral("2002"), QStringLiteral("2200"),
                                   QStringLiteral("2201"), QStringLiteral("2005"), QStringLiteral("2006")});
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        QCOMPARE(view.window->windowTitle(), QStringLiteral("T2000"));
        QCOMPARE(view.Label1->Caption(), QStringLiteral("T2002"));
        QCOMPARE(view.lb1->Caption(), QStringLiteral("T2200"));
        QCOMPARE(view.lb2->Caption(), QStringLiteral("T2201"));
        QCOMPARE(view.cmdBack->text(), QStringLiteral("T2006"));
        QCOMPARE(view.cmdNext->text(), QStringLiteral("T2005"));
    }

    void missingKeysGiveEmptyCaptions()
    {
        fx->WriteKeyNamedLanguage({QStringLiteral("9999")});
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        QCOMPARE(view.window->windowTitle(), QString());
        for (SkinLabel* label : {view.Label1, view.lb1, view.lb2}) QCOMPARE(label->Caption(), QString());
        QCOMPARE(view.cmdBack->text(), QString());
        QCOMPARE(view.cmdNext->text(), QString());
        // Texts no code replaces keep their design-time values.
        QCOMPARE(view.lbDriver->Caption(), QStringLiteral("Driver Name :"));
    }

    void layoutIsAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("tabIndex");
        auto row = [](const char* name, const char* container, int l, int t, int w, int h, bool shown,
                      int tab) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                                << QRect(l, t, w, h) << shown << tab;
        };
        row("lbfootermsg", "frmSelectDriver", 3180, 2640, 2655, 195, false, 15);
        row("fraPage3", "frmSelectDriver", 3180, 2910, 1230, 525, false, 6);
        row("fraPage2", "frmSelectDriver", 3090, 0, 3855, 3225, false, 7);
        row("fraPage1", "frmSelectDriver", 3120, -60, 3780, 2655, true, 1);
        row("Picture1", "frmSelectDriver", 0, 0, 3090, 3300, true, 5);
        row("Frame2", "frmSelectDriver", 3150, 2700, 3780, 30, true, 4);
        row("cmdBack", "frmSelectDriver", 4530, 2910, 1080, 330, true, 3);
        row("cmdNext", "frmSelectDriver", 5790, 2910, 1080, 330, true, 2);
        row("Label2", "fraPage3", 180, 330, 2955, 195, true, 14);
        row("LbFooter", "fraPage3", 0, 420, 3225, 615, false, 19);
        row("lbCurrentCD", "fraPage3", 0, 0, 3225, 345, false, 20);
        row("lbDrivername", "fraPage2", 1350, 870, 2385, 405, true, 22);
        row("lbDriver", "fraPage2", 210, 900, 1005, 345, true, 21);
        row("lbhead", "fraPage2", 210, 270, 3915, 255, true, 13);
        row("Frame3", "fraPage2", 150, 2130, 3510, 375, true, 9);
        row("pBar", "Frame3", 45, 135, 15, 195, true, 10);
        row("cmbdriverList1", "fraPage2", 0, 0, 525, 315, false, 8);
        row("lbSuccess", "fraPage2", 210, 1290, 3465, 885, true, 17);
        row("lberrorDisp", "fraPage2", 210, 480, 3465, 345, true, 18);
        row("Label1", "fraPage1", 150, 240, 3405, 195, true, 16);
        row("lb2", "fraPage1", 180, 1590, 3525, 855, true, 12);
        row("lb1", "fraPage1", 180, 930, 3525, 555, true, 11);
        row("cmbDriverList", "fraPage1", 150, 495, 3585, 315, true, 0);
    }

    void layoutIsAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        QFETCH(bool, shown);
        QFETCH(int, tabIndex);
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        QWidget* control = view.window->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
        QCOMPARE(control->geometry(), expected);
        QCOMPARE(control->isVisibleTo(control->parentWidget()), shown);
        QCOMPARE(control->property("TabIndex").toInt(), tabIndex);
    }

    void windowOpensOnPageOneOnly()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        QCOMPARE(view.window->size(), QSize(464, 220));
        QCOMPARE(view.window->minimumSize(), view.window->maximumSize());
        QVERIFY(!(view.window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(view.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        for (QWidget* w : std::initializer_list<QWidget*>{view.fraPage1, view.Label1, view.lb1, view.lb2,
                                                          view.cmbDriverList, view.Picture1, view.Frame2,
                                                          view.cmdBack, view.cmdNext})
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
        for (QWidget* w :
             std::initializer_list<QWidget*>{view.fraPage2, view.fraPage3, view.lbfootermsg, view.pBar,
                                             view.lbSuccess, view.LbFooter, view.lbCurrentCD})
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        QVERIFY(!view.cmdBack->isEnabled());
        QVERIFY(view.cmdNext->isEnabled());
        QVERIFY(view.cmdNext->isDefault());
        QCOMPARE(view.Picture1->pixmap().deviceIndependentSize(), QSizeF(206, 220));
        QVERIFY(!view.window->windowIcon().isNull());
        QCOMPARE(view.lbSuccess->font().pointSizeF(), 9.75);
        QCOMPARE(view.lbDrivername->font().pointSizeF(), 9.75);
        QCOMPARE(view.lb1->font().pointSizeF(), 8.25);
        QVERIFY(!view.lb1->font().bold());
        QCOMPARE(view.pBar->palette().color(QPalette::Window), QColor(20, 33, 152));
    }

    // Run once more with QT_SCALE_FACTOR=2: the layout stays in logical pixels, and the banner
    // comes from its copy with twice the pixels instead of being blown up.
    void scaledScreenKeepsLayoutAndSharpBanner()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        const qreal ratio = view.window->devicePixelRatioF();
        QCOMPARE(view.window->size(), QSize(464, 220));
        QCOMPARE(view.cmdNext->geometry(), QRect(386, 194, 72, 22));
        const QPixmap banner = view.Picture1->pixmap();
        QCOMPARE(banner.deviceIndependentSize(), QSizeF(206, 220));
        QCOMPARE(banner.width(), ratio > 1.0 ? 412 : 206);
        const QImage grabbed = view.window->grab().toImage();
        QCOMPARE(grabbed.width(), qRound(464 * ratio));
    }

    void focusMovesThroughListNextBack()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        view.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.window, test_policy::kFaultTimeoutMs));
        view.cmbDriverList->setFocus();
        QCOMPARE(QApplication::focusWidget(), view.cmbDriverList);
        QCOMPARE(view.cmbDriverList->nextInFocusChain(), view.cmdNext);
        QCOMPARE(view.cmdNext->nextInFocusChain(), view.cmdBack);
    }

    void assistiveTechnologyReadsTheWindow()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        auto name = [](QObject* o) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
            return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
        };
        QCOMPARE(name(view.window), view.window->windowTitle());
        QCOMPARE(name(view.lb1), view.lb1->Caption());
        QCOMPARE(name(view.Label1), view.Label1->Caption());
        QVERIFY(name(view.cmdNext).contains(QStringLiteral("Next")));
        QAccessibleInterface* back = QAccessible::queryAccessibleInterface(view.cmdBack);
        QVERIFY(back->state().disabled);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view.cmbDriverList);
        QCOMPARE(list->role(), QAccessible::ComboBox);
        QCOMPARE(list->text(QAccessible::Value), QStringLiteral("1,0,0  First Writer"));
    }

    void enterOnTheListPressesNext()
    {
        fx->WriteScenario(QStringLiteral("[scan]\nadapters = no\n"));
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        QTest::keyClick(view.cmbDriverList, Qt::Key_Return);
        QCOMPARE(fx->messages.size(), std::size_t(1));
        QCOMPARE(fx->messages[0].text, QStringLiteral("Select your CD writer"));
    }

    void shippedLanguagesHaveEveryTextWhole()
    {
        const QStringList keys = {"2000", "2002", "2003", "2005", "2006", "2007", "2102", "2103", "2104",
                                  "2105", "2106", "2107", "2108", "2109", "2110", "2200", "2201"};
        const QDir lang(QStringLiteral(TESSALINE_SOURCE_DIR "/lang"));
        const QStringList files = lang.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 4);
        QVERIFY(files.contains(QStringLiteral("English.ini")));
        for (const QString& file : files) {
            fx->Copy(lang.filePath(file), fx->appDir + QStringLiteral("/Lang/English.ini"));
            QFile raw(lang.filePath(file));
            QVERIFY(raw.open(QIODevice::ReadOnly));
            // The files are UTF-16LE with their byte-order mark, and CR LF line ends.
            const QByteArray bytes = raw.readAll();
            QVERIFY2(bytes.startsWith("\xff\xfe"), qPrintable(file));
            QString source = QStringDecoder(QStringConverter::Utf16LE).decode(bytes.mid(2));
            source.remove(QLatin1Char('\r'));
            mdlMain::ResetForTesting();
            QVERIFY(mdlMain::LoadLanguage());
            for (const QString& key : keys) {
                const QString text = QString::fromStdString(mdlMain::GetLangString(key.toStdString(), ""));
                QVERIFY2(!text.trimmed().isEmpty(), qPrintable(file + QLatin1Char(' ') + key));
                QVERIFY2(text.size() <= 254, qPrintable(file + QLatin1Char(' ') + key));
                // The text as read is the line of the file, letter for letter (no mojibake).
                QVERIFY2(source.contains(key + QLatin1Char('=') + text + QLatin1Char('\n')),
                         qPrintable(file + QLatin1Char(' ') + key + QStringLiteral(": ") + text));
                QVERIFY(!text.contains(QChar(0xFFFD)));
            }
        }
    }

    void shippedTextsFitTheirLabels()
    {
        const QDir lang(QStringLiteral(TESSALINE_SOURCE_DIR "/lang"));
        for (const QString& file : lang.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name)) {
            fx->Copy(lang.filePath(file), fx->appDir + QStringLiteral("/Lang/English.ini"));
            mdlMain::ResetForTesting();
            frmSelectDriver form;
            const QtWindow view(form);
            QVERIFY(form.Form_Load());
            form.Window().Show();
            auto text = [](const char* key) {
                return QString::fromStdString(mdlMain::GetLangString(key, ""));
            };
            auto fits = [&](SkinLabel* label, const QString& caption, int visibleWidth) {
                label->setCaption(caption);
                const int width = std::min(label->width(), visibleWidth);
                const QRect needed = label->fontMetrics().boundingRect(
                    QRect(0, 0, width, 10000), Qt::TextWordWrap | Qt::AlignLeft, caption);
                QVERIFY2(needed.height() <= label->height() && needed.width() <= width,
                         qPrintable(QStringLiteral("%1: %2 needs %3x%4 in %5x%6: %7")
                                        .arg(file, label->objectName())
                                        .arg(needed.width())
                                        .arg(needed.height())
                                        .arg(width)
                                        .arg(label->height())
                                        .arg(caption)));
            };
            fits(view.Label1, text("2002"), 10000);
            fits(view.lb1, text("2200"), 10000);
            fits(view.lb2, text("2201"), 10000);
            // Page 2 sits in page 1's narrower rectangle, which cuts the heading's right end.
            fits(view.lbhead, text("2003"), view.fraPage1->width() - view.lbhead->x());
            for (const char* message : {"2109", "2110", "2103", "2107"})
                fits(view.lbSuccess, text(message), 10000);
            fits(view.lbSuccess, text("2104") + QLatin1Char('\n') + text("2105"), 10000);
            fits(view.lbSuccess, text("2106") + QLatin1Char('\n') + text("2105"), 10000);
            for (const char* caption : {"2005", "2006", "2007"}) {
                QString plain = text(caption);
                plain.remove(QLatin1Char('&'));
                QVERIFY2(view.cmdNext->fontMetrics().horizontalAdvance(plain) <= view.cmdNext->width() - 8,
                         qPrintable(file + QStringLiteral(": ") + plain));
            }
        }
    }

    // The skin labels are drawn in their design face, loaded from Wine's TrueType copy where the
    // system has it; in it "Driver Name :" stays on one line of its narrow label. The buttons and
    // the list keep the window's own face.
    void labelsUseTheDesignFace()
    {
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        const bool designFaceInstalled =
            QFontInfo(view.lbDriver->font()).family() == QStringLiteral("MS Sans Serif");
        if (!designFaceInstalled) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL("the design face MS Sans Serif (package fonts-wine) is missing");
            QSKIP("the design face MS Sans Serif (package fonts-wine) is not installed here");
        }
        for (SkinLabel* label : {view.lbDriver, view.Label1, view.lbSuccess, view.lbDrivername})
            QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("MS Sans Serif"));
        const QFontMetrics metrics(view.lbDriver->font());
        QVERIFY2(metrics.horizontalAdvance(view.lbDriver->Caption()) <= view.lbDriver->width(),
                 qPrintable(QString::number(metrics.horizontalAdvance(view.lbDriver->Caption()))));
        const QRect needed = metrics.boundingRect(QRect(0, 0, view.lbDriver->width(), 1000),
                                                  Qt::TextWordWrap | Qt::AlignLeft, view.lbDriver->Caption());
        QCOMPARE(needed.height(), metrics.height());
        for (QWidget* plain : std::initializer_list<QWidget*>{view.cmdNext, view.cmdBack, view.cmbDriverList})
            QVERIFY2(QFontInfo(plain->font()).family() != QStringLiteral("MS Sans Serif"),
                     qPrintable(plain->objectName()));
    }

    // A label shows an ampersand of its text as it stands: it is not an access key, and Alt with
    // the letter after it does nothing. The list is reached with Tab, and has the focus at start.
    void ampersandInALabelIsShownNotAnAccessKey()
    {
        fx->WriteKeyNamedLanguage({QStringLiteral("2000")});
        fx->Write(fx->appDir + QStringLiteral("/Lang/English.ini"),
                  "[Velthorn]\n2002=Tom &Jerry's writers\n");
        frmSelectDriver form;
        const QtWindow view(form);
        QVERIFY(form.Form_Load());
        form.Window().Show();
        view.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.window));
        QCOMPARE(view.Label1->text(), QStringLiteral("Tom &Jerry's writers"));
        view.cmdNext->setFocus();
        QTest::keyClick(view.window, Qt::Key_J, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), view.cmdNext);
        // What a screen reader says of the list is the label's text, as given.
        QCOMPARE(view.cmbDriverList->accessibleName(), QStringLiteral("Tom &Jerry's writers"));
        QTest::keyClick(view.cmdNext, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), view.cmbDriverList);
    }

    // Asking the window for a name of another kind is a fault of the caller, told apart from a
    // name the window does not have, as both runtimes do.
    void aNameOfAnotherKindIsNotAMissingName()
    {
        frmSelectDriver form;
        ui::Form& window = form.Window();
        auto kindOfFault = [](const std::function<void()>& find) {
            try {
                find();
            } catch (const std::out_of_range&) {
                return QStringLiteral("missing");
            } catch (const std::logic_error&) {
                return QStringLiteral("other kind");
            }
            return QStringLiteral("found");
        };
        QCOMPARE(kindOfFault([&] { window.Find("skn"); }), QStringLiteral("other kind"));
        QCOMPARE(kindOfFault([&] { window.FindSkinEngine("cmdNext"); }), QStringLiteral("other kind"));
        QCOMPARE(kindOfFault([&] { window.FindComboBox("cmdNext"); }), QStringLiteral("other kind"));
        QCOMPARE(kindOfFault([&] { window.Find("cmdOk"); }), QStringLiteral("missing"));
        QCOMPARE(kindOfFault([&] { window.FindSkinEngine("skn"); }), QStringLiteral("found"));
    }

private:
    std::unique_ptr<WizardFixture> fx;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
