// What only the Qt runtime can show, beside the shared window tests (tests/window): the window on
// a screen of twice the density (run with QT_SCALE_FACTOR=2), what Qt's accessibility gives a
// screen reader, the skin labels in their design face, and the shipped texts in the labels they
// go to, measured with Qt's font metrics.
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QtTest>

#include <memory>

#include "test_policy.h"
#include "window/app_folder.h"
#include "wizard/ui/qt/qt_runtime.h"
#include "wizard/ui/qt/qt_skin.h"

using window_test::AppFolder;

namespace {

SkinLabel* LabelOf(const ui::Label& label) { return static_cast<SkinLabel*>(ui::qt::WidgetOf(label)); }
QPushButton* ButtonOf(const ui::Button& button)
{
    return static_cast<QPushButton*>(ui::qt::WidgetOf(button));
}

}  // namespace

class QtWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<AppFolder>();
        fx->RecordProgramHooks();
    }
    void cleanup()
    {
        fx.reset();
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); }));
    }

    // Run once more with QT_SCALE_FACTOR=2: the layout stays in logical pixels, and the banner
    // comes from its copy with twice the pixels instead of being blown up.
    void scaledScreenKeepsLayoutAndSharpBanner()
    {
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        QWidget* window = ui::qt::WidgetOf(form.Window());
        const qreal ratio = window->devicePixelRatioF();
        QCOMPARE(window->size(), QSize(464, 220));
        QCOMPARE(ui::qt::WidgetOf(form.cmdNext)->geometry(), QRect(386, 194, 72, 22));
        const QPixmap banner = static_cast<QLabel*>(ui::qt::WidgetOf(form.Picture1))->pixmap();
        QCOMPARE(banner.deviceIndependentSize(), QSizeF(206, 220));
        QCOMPARE(banner.width(), ratio > 1.0 ? 412 : 206);
        const QImage grabbed = window->grab().toImage();
        QCOMPARE(grabbed.width(), qRound(464 * ratio));
    }

    void assistiveTechnologyReadsTheWindow()
    {
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        auto name = [](QObject* o) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
            return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
        };
        QWidget* window = ui::qt::WidgetOf(form.Window());
        QCOMPARE(name(window), window->windowTitle());
        QCOMPARE(name(LabelOf(form.lb1)), LabelOf(form.lb1)->Caption());
        QCOMPARE(name(LabelOf(form.Label1)), LabelOf(form.Label1)->Caption());
        QVERIFY(name(ButtonOf(form.cmdNext)).contains(QStringLiteral("Next")));
        QAccessibleInterface* back = QAccessible::queryAccessibleInterface(ButtonOf(form.cmdBack));
        QVERIFY(back->state().disabled);
        QAccessibleInterface* list =
            QAccessible::queryAccessibleInterface(ui::qt::WidgetOf(form.cmbDriverList));
        QCOMPARE(list->role(), QAccessible::ComboBox);
        QCOMPARE(list->text(QAccessible::Value), QStringLiteral("1,0,0  First Writer"));
    }

    void shippedLanguagesHaveEveryTextWhole()
    {
        const QStringList keys = {"2000", "2002", "2003", "2005", "2006", "2007", "2102", "2103", "2104",
                                  "2105", "2106", "2107", "2108", "2109", "2110", "2111", "2200", "2201"};
        // Windows's set and Linux's.
        for (const QString& folder : {QStringLiteral("/lang"), QStringLiteral("/lang/linux")}) {
            const QDir lang(QStringLiteral(TESSALINE_SOURCE_DIR) + folder);
            const QStringList files = lang.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
            QVERIFY(files.size() >= 4);
            QVERIFY(files.contains(QStringLiteral("English.ini")));
            for (const QString& file : files) {
                QFile raw(lang.filePath(file));
                QVERIFY(raw.open(QIODevice::ReadOnly));
                // The files are UTF-16LE with their byte-order mark, and CR LF line ends.
                const QByteArray bytes = raw.readAll();
                QVERIFY2(bytes.startsWith("\xff\xfe"), qPrintable(file));
                fx->Write("Lang/English.ini", bytes.toStdString());
                QString source = QStringDecoder(QStringConverter::Utf16LE).decode(bytes.mid(2));
                source.remove(QLatin1Char('\r'));
                mdlMain::ResetForTesting();
                QVERIFY(mdlMain::LoadLanguage());
                for (const QString& key : keys) {
                    const QString text =
                        QString::fromStdString(mdlMain::GetLangString(key.toStdString(), ""));
                    QVERIFY2(!text.trimmed().isEmpty(), qPrintable(file + QLatin1Char(' ') + key));
                    QVERIFY2(text.size() <= 254, qPrintable(file + QLatin1Char(' ') + key));
                    // The text as read is the line of the file, letter for letter (no mojibake).
                    QVERIFY2(source.contains(key + QLatin1Char('=') + text + QLatin1Char('\n')),
                             qPrintable(file + QLatin1Char(' ') + key + QStringLiteral(": ") + text));
                    QVERIFY(!text.contains(QChar(0xFFFD)));
                }
            }
        }
    }

    void shippedTextsFitTheirLabels()
    {
        for (const QString& folder : {QStringLiteral("/lang"), QStringLiteral("/lang/linux")}) {
            const QDir lang(QStringLiteral(TESSALINE_SOURCE_DIR) + folder);
            for (const QString& file : lang.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name)) {
                QFile raw(lang.filePath(file));
                QVERIFY(raw.open(QIODevice::ReadOnly));
                fx->Write("Lang/English.ini", raw.readAll().toStdString());
                mdlMain::ResetForTesting();
                frmSelectDriver form;
                form.Form_Load();
                form.Window().Show();
                auto text = [](const char* key) {
                    return QString::fromStdString(mdlMain::GetLangString(key, ""));
                };
                auto fits = [&](const ui::Label& handle, const QString& caption, int visibleWidth) {
                    SkinLabel* label = LabelOf(handle);
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
                fits(form.Label1, text("2002"), 10000);
                fits(form.lb1, text("2200"), 10000);
                fits(form.lb2, text("2201"), 10000);
                // Page 2 sits in page 1's narrower rectangle, which cuts the heading's right end.
                fits(form.lbhead, text("2003"),
                     ui::qt::WidgetOf(form.fraPage1)->width() - ui::qt::WidgetOf(form.lbhead)->x());
                for (const char* message : {"2109", "2110", "2111", "2103", "2107"})
                    fits(form.lbSuccess, text(message), 10000);
                fits(form.lbSuccess, text("2104") + QLatin1Char('\n') + text("2105"), 10000);
                fits(form.lbSuccess, text("2106") + QLatin1Char('\n') + text("2105"), 10000);
                QPushButton* next = ButtonOf(form.cmdNext);
                for (const char* caption : {"2005", "2006", "2007"}) {
                    QString plain = text(caption);
                    plain.remove(QLatin1Char('&'));
                    QVERIFY2(next->fontMetrics().horizontalAdvance(plain) <= next->width() - 8,
                             qPrintable(file + QStringLiteral(": ") + plain));
                }
            }
        }
    }

    // The writers of the shipped demonstration scenario say that they are simulated, and each
    // line shows whole in the list's box.
    void shippedScenarioWritersSaySimulatedAndFitTheList()
    {
        QFile scenario(QStringLiteral(TESSALINE_SOURCE_DIR "/tools/burn/burn-sim.ini"));
        QVERIFY(scenario.open(QIODevice::ReadOnly));
        fx->WriteScenario(scenario.readAll().toStdString());
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        auto* list = static_cast<QComboBox*>(ui::qt::WidgetOf(form.cmbDriverList));
        QStyleOptionComboBox option;
        option.initFrom(list);
        const QRect field =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        QVERIFY(list->count() >= 2);
        for (int i = 0; i < list->count(); ++i) {
            const QString line = list->itemText(i);
            QVERIFY2(line.contains(QStringLiteral("simulated"), Qt::CaseInsensitive), qPrintable(line));
            QVERIFY2(list->fontMetrics().horizontalAdvance(line) <= field.width(),
                     qPrintable(QStringLiteral("%1 needs %2 of %3")
                                    .arg(line)
                                    .arg(list->fontMetrics().horizontalAdvance(line))
                                    .arg(field.width())));
        }
    }

    // The skin labels are drawn in their design face, loaded from Wine's TrueType copy where the
    // system has it; in it "Driver Name :" stays on one line of its narrow label. The buttons and
    // the list keep the window's own face.
    void labelsUseTheDesignFace()
    {
        frmSelectDriver form;
        form.Form_Load();
        form.Window().Show();
        SkinLabel* driver = LabelOf(form.lbDriver);
        const bool designFaceInstalled =
            QFontInfo(driver->font()).family() == QStringLiteral("MS Sans Serif");
        if (!designFaceInstalled) {
            if (test_policy::EveryCheckMustRun())
                QFAIL("the design face MS Sans Serif (package fonts-wine) is missing");
            QSKIP("the design face MS Sans Serif (package fonts-wine) is not installed here");
        }
        for (const ui::Label* label : {&form.lbDriver, &form.Label1, &form.lbSuccess, &form.lbDrivername})
            QCOMPARE(QFontInfo(LabelOf(*label)->font()).family(), QStringLiteral("MS Sans Serif"));
        const QFontMetrics metrics(driver->font());
        QVERIFY2(metrics.horizontalAdvance(driver->Caption()) <= driver->width(),
                 qPrintable(QString::number(metrics.horizontalAdvance(driver->Caption()))));
        const QRect needed = metrics.boundingRect(QRect(0, 0, driver->width(), 1000),
                                                  Qt::TextWordWrap | Qt::AlignLeft, driver->Caption());
        QCOMPARE(needed.height(), metrics.height());
        for (QWidget* plain :
             {static_cast<QWidget*>(ButtonOf(form.cmdNext)), static_cast<QWidget*>(ButtonOf(form.cmdBack)),
              ui::qt::WidgetOf(form.cmbDriverList)})
            QVERIFY2(QFontInfo(plain->font()).family() != QStringLiteral("MS Sans Serif"),
                     qPrintable(plain->objectName()));
    }

private:
    std::unique_ptr<AppFolder> fx;
};

QTEST_MAIN(QtWindowTest)
#include "qt_window_test.moc"
