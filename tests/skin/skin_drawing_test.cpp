// The Qt runtime's drawing of a skin: rendered pixels of a window built like the wizard's, with and
// without the shipped skin's look, and the skin label. (The skin engine's state, loading and
// applying, is the runtime core's: tests/window.)
#include "wizard/ui/qt/qt_skin.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QMetaProperty>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

struct TestWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QPushButton* button = new QPushButton(QStringLiteral("&Next  >"), window.get());
    QPushButton* disabled = new QPushButton(QStringLiteral("< &Back"), window.get());
    QComboBox* combo = new QComboBox(window.get());
    QFrame* separator = new QFrame(window.get());
    QFrame* trough = new QFrame(window.get());
    QFrame* bar = new QFrame(trough);
    SkinLabel* label = new SkinLabel(window.get());

    TestWindow()
    {
        window->resize(464, 220);
        button->setGeometry(380, 190, 72, 22);
        disabled->setGeometry(300, 190, 72, 22);
        disabled->setEnabled(false);
        combo->setGeometry(220, 20, 239, 21);
        combo->addItem(QStringLiteral("0,0,0  Writer"));
        separator->setProperty("skinRole", "separator");
        separator->setGeometry(210, 180, 250, 2);
        trough->setProperty("skinRole", "trough");
        trough->setGeometry(220, 140, 234, 25);
        bar->setProperty("skinRole", "progress");
        bar->setGeometry(3, 9, 120, 13);
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, QColor(20, 33, 152));
        bar->setPalette(palette);
        bar->setAutoFillBackground(true);
        label->setGeometry(220, 60, 230, 40);
        QFont font(QStringLiteral("Sans Serif"));
        font.setPointSizeF(9.75);
        label->setFont(font);
        label->setCaption(QStringLiteral("Ready"));
    }

    // Draws the window through the shipped skin, turned by hue, with the window's own colours.
    void skin(int hue = 0, const skin::OwnColours& own = {}) const
    {
        ui::qt::ApplyLook(*window, skin::LookFor(skin::ReadSkinFile(TESSALINE_SHIPPED_SKIN), hue, own));
    }
};

QColor pixel(QWidget* widget, int x, int y) { return widget->grab().toImage().pixelColor(x, y); }

// A point in the lower half of a button's face, clear of its caption.
QColor buttonFace(QPushButton* button) { return pixel(button, 6, button->height() * 2 / 3); }

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

int hueDistance(const QColor& a, const QColor& b)
{
    const int d = qAbs(a.hsvHue() - b.hsvHue()) % 360;
    return qMin(d, 360 - d);
}

}  // namespace

class TestSkinDrawing : public QObject {
    Q_OBJECT

private slots:
    void buttonsTurnGlossyBlue();
    void windowGetsLightGradient();
    void hueTurnsTheButtons();
    void ownColoursOnlyWhenSwitchedOn();
    void progressBarKeepsItsColour();
    void separatorIsAnEtchedLine();
    void dropDownShowsItsArrow();
    void labelsKeepFontWrapAndDarkText();
    void captionIsTheUserProperty();
    void lineFeedGivesTwoLines();
    void captionIsPlainText();
};

void TestSkinDrawing::buttonsTurnGlossyBlue()
{
    TestWindow t;
    const QColor before = buttonFace(t.button);
    t.skin();
    const QColor after = buttonFace(t.button);
    QVERIFY2(after != before, qPrintable(after.name()));
    QVERIFY2(after.blue() > after.red() + 80, qPrintable(after.name()));
    // Gloss: the upper half is much lighter than the lower half.
    const QColor top = pixel(t.button, 36, 4);
    QVERIFY2(top.lightness() > after.lightness() + 40, qPrintable(top.name() + after.name()));
    const QColor disabled = buttonFace(t.disabled);
    QVERIFY2(disabled.hsvSaturation() < after.hsvSaturation() / 2, qPrintable(disabled.name()));
    QVERIFY(disabled.lightness() > after.lightness());
}

void TestSkinDrawing::windowGetsLightGradient()
{
    TestWindow t;
    t.skin();
    const QColor top = pixel(t.window.get(), 100, 2);
    const QColor bottom = pixel(t.window.get(), 100, 217);
    QVERIFY2(top.lightness() > 230, qPrintable(top.name()));
    QVERIFY2(bottom.lightness() < top.lightness() - 10, qPrintable(bottom.name()));
    QVERIFY2(bottom.blue() > bottom.red(), qPrintable(bottom.name()));
}

void TestSkinDrawing::hueTurnsTheButtons()
{
    TestWindow t;
    t.skin();
    const QColor plain = buttonFace(t.button);
    t.skin(180);
    const QColor turned = buttonFace(t.button);
    QVERIFY2(hueDistance(plain, turned) > 165, qPrintable(plain.name() + turned.name()));
    t.skin(360);
    QVERIFY(near(buttonFace(t.button), plain, 2));
}

void TestSkinDrawing::ownColoursOnlyWhenSwitchedOn()
{
    TestWindow t;
    t.skin();
    const QColor face = buttonFace(t.button);
    const QColor back = pixel(t.window.get(), 100, 100);
    skin::OwnColours own;
    own.panel = {200, 0, 0};
    own.back = {255, 255, 0};
    t.skin(0, own);
    QVERIFY(near(buttonFace(t.button), face, 2));
    QVERIFY(near(pixel(t.window.get(), 100, 100), back, 2));

    own.apply = true;
    t.skin(0, own);
    const QColor red = buttonFace(t.button);
    QVERIFY2(red.red() > red.blue() + 100, qPrintable(red.name()));
    const QColor yellow = pixel(t.window.get(), 100, 100);
    QVERIFY2(yellow.red() > 200 && yellow.green() > 200 && yellow.blue() < 40, qPrintable(yellow.name()));
}

void TestSkinDrawing::progressBarKeepsItsColour()
{
    TestWindow t;
    t.skin();
    const QColor base(20, 33, 152);
    const QColor lower = pixel(t.bar, 60, t.bar->height() * 2 / 3);
    QVERIFY2(near(lower, base, 3), qPrintable(lower.name()));
    const QColor shine = pixel(t.bar, 60, 0);
    QVERIFY2(shine.lightness() > base.lightness() + 30, qPrintable(shine.name()));
    // The bar grows at run time; an empty or full bar must draw as well.
    t.bar->resize(0, 13);
    QVERIFY(t.trough->grab().width() == 234);
    t.bar->resize(228, 13);
    QVERIFY(near(pixel(t.bar, 227, 8), base, 3));
}

void TestSkinDrawing::separatorIsAnEtchedLine()
{
    TestWindow t;
    t.skin();
    QVERIFY(near(pixel(t.separator, 100, 0), QColor(0x9c, 0xb1, 0xca), 3));
    QVERIFY(near(pixel(t.separator, 100, 1), QColor(255, 255, 255), 3));
}

void TestSkinDrawing::dropDownShowsItsArrow()
{
    TestWindow t;
    t.skin();
    const QImage image = t.combo->grab().toImage();
    // The darkest point of the drop-down button is the skin's arrow colour.
    QColor darkest(255, 255, 255);
    for (int x = image.width() - 16; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() < darkest.lightness()) darkest = image.pixelColor(x, y);
    QVERIFY2(near(darkest, QColor(0x0b, 0x2a, 0x5c), 12), qPrintable(darkest.name()));
}

void TestSkinDrawing::labelsKeepFontWrapAndDarkText()
{
    TestWindow t;
    t.skin();
    QCOMPARE(t.label->font().pointSizeF(), 9.75);
    QVERIFY(t.label->wordWrap());
    const QImage image = t.window->grab().toImage().copy(t.label->geometry());
    int darkest = 255;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) darkest = qMin(darkest, image.pixelColor(x, y).lightness());
    QVERIFY2(darkest < 70, qPrintable(QString::number(darkest)));
    QVERIFY(image.pixelColor(image.width() - 1, image.height() - 1).lightness() > 180);
}

void TestSkinDrawing::captionIsTheUserProperty()
{
    SkinLabel label;
    const QMetaProperty user = label.metaObject()->userProperty();
    QCOMPARE(user.name(), "Caption");
    QVERIFY(user.write(&label, QStringLiteral("Driver Name :")));
    QCOMPARE(label.text(), QStringLiteral("Driver Name :"));
    QCOMPARE(label.Caption(), QStringLiteral("Driver Name :"));
}

void TestSkinDrawing::lineFeedGivesTwoLines()
{
    SkinLabel one;
    SkinLabel two;
    one.setCaption(QStringLiteral("Test passed"));
    two.setCaption(QStringLiteral("Test passed\nThe driver works"));
    QCOMPARE(two.Caption(), QStringLiteral("Test passed\nThe driver works"));
    const int lineHeight = one.fontMetrics().lineSpacing();
    QVERIFY(two.heightForWidth(231) >= one.heightForWidth(231) + lineHeight - 1);
    QVERIFY(two.sizeHint().height() > one.sizeHint().height());
    // A long text wraps inside the label's width instead of running past it.
    SkinLabel longText;
    longText.setCaption(
        QStringLiteral("The simulated write finished without errors, so this driver works with it."));
    QVERIFY(longText.heightForWidth(150) >= 2 * lineHeight);
}

void TestSkinDrawing::captionIsPlainText()
{
    SkinLabel tagged;
    SkinLabel bare;
    tagged.setCaption(QStringLiteral("<b>bold</b>"));
    bare.setCaption(QStringLiteral("bold"));
    QVERIFY(tagged.sizeHint().width() >
            bare.sizeHint().width() + bare.fontMetrics().horizontalAdvance(QStringLiteral("<b>")));
}

QTEST_MAIN(TestSkinDrawing)
#include "skin_drawing_test.moc"
