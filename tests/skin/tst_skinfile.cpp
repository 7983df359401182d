// Reading skin files: damaged files are refused with the file and the line, good ones load.
#include "wizard/skin/Skin.h"
#include "wizard/skin/SkinModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSkinFile : public QObject {
    Q_OBJECT

private slots:
    void damagedFileIsRefused_data();
    void damagedFileIsRefused();
    void missingOrUnreadableFileIsRefused();
    void shippedSkinLoads();
    void windowsLineEndsAndByteOrderMarkAreAccepted();
    void valuesReachTheModel();
    void failedLoadKeepsTheEarlierSkin();
    void hueTurnsColours_data();
    void hueTurnsColours();

private:
    QString write(const QByteArray& bytes);
    QTemporaryDir m_dir;
    int m_count = 0;
};

QString TestSkinFile::write(const QByteArray& bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("skin%1.skn").arg(++m_count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestSkinFile::damagedFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    const QByteArray head = "tessaline-skin 1\n[window]\n";
    QTest::newRow("bad syntax") << head + "background-top #ffffff\nend\n" << 3 << "bad syntax";
    QTest::newRow("short colour") << head + "text = #12345\nend\n" << 3 << "unknown colour \"#12345\"";
    QTest::newRow("colour by name") << head + "text = blue\nend\n" << 3 << "unknown colour \"blue\"";
    QTest::newRow("unknown key") << head + "text = #000000\nshadow = #000000\nend\n"
                                 << 4 << "unknown key \"shadow\" in [window]";
    QTest::newRow("key of another section") << head + "radius = 4\nend\n" << 3 << "unknown key \"radius\"";
    QTest::newRow("unknown section") << head + "[scrollbar]\nend\n" << 3 << "unknown section [scrollbar]";
    QTest::newRow("key before section")
        << QByteArray("tessaline-skin 1\n\ntext = #000000\nend\n") << 3 << "before any [section]";
    QTest::newRow("key twice") << head + "text = #000000\n# again\ntext = #111111\nend\n"
                               << 5 << "given twice (first on line 3)";
    QTest::newRow("number too big") << QByteArray("tessaline-skin 1\n[button]\nradius = 21\nend\n") << 3
                                    << "bad number \"21\"";
    QTest::newRow("number with unit")
        << QByteArray("tessaline-skin 1\n[button]\nradius = 4px\nend\n") << 3 << "bad number";
    QTest::newRow("negative number") << QByteArray("tessaline-skin 1\n[progress]\ngloss = -1\nend\n") << 3
                                     << "bad number";
    QTest::newRow("text without quotes")
        << QByteArray("tessaline-skin 1\n[info]\nname = Aqua\nend\n") << 3 << "double quotes";
    QTest::newRow("truncated") << head + "text = #000000\nbackground-top = #ffffff\n" << 4 << "\"end\"";
    QTest::newRow("truncated inside a value") << head + "text = #0000" << 3 << "unknown colour";
    QTest::newRow("text after end") << head + "end\n\n[window]\n" << 5 << "after the closing";
    QTest::newRow("no header") << QByteArray("# skin\n[window]\nend\n") << 2 << "not a skin file";
    QTest::newRow("only comments") << QByteArray("# skin\n\n# nothing\n") << 3 << "not a skin file";
    QTest::newRow("later version") << QByteArray("tessaline-skin 2\nend\n") << 1 << "version \"2\"";
    QTest::newRow("binary") << head + QByteArray("\x00\x01\x02\xff\x10", 5) + "\nend\n" << 3 << "binary";
    QTest::newRow("invalid utf-8") << QByteArray("tessaline-skin 1\n[info]\nname = \"Aq\xc3\x28ua\"\nend\n")
                                   << 3 << "UTF-8";
    QTest::newRow("empty") << QByteArray() << 0 << "empty";
}

void TestSkinFile::damagedFileIsRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const QString path = write(content);
    Skin skin;
    try {
        skin.LoadSkinFile(path);
        QFAIL("the damaged skin was accepted");
    } catch (const SkinError& e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(e.line(), line);
        QCOMPARE(e.file(), path);
        if (line > 0)
            QVERIFY2(message.contains(QStringLiteral(": line %1: ").arg(line)), qPrintable(message));
    }
}

void TestSkinFile::missingOrUnreadableFileIsRefused()
{
    for (const QString& path : {m_dir.filePath(QStringLiteral("absent.skn")), m_dir.path()}) {
        Skin skin;
        try {
            skin.LoadSkinFile(path);
            QFAIL(qPrintable(QStringLiteral("%1 was accepted").arg(path)));
        } catch (const SkinError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(path + QStringLiteral(" cannot be used")),
                     e.what());
            QCOMPARE(e.line(), 0);
        }
    }
}

void TestSkinFile::shippedSkinLoads()
{
    QFile file(QStringLiteral(TESSALINE_SHIPPED_SKIN));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const SkinDetail::SkinModel model = SkinDetail::parseSkin(file.readAll(), file.fileName());
    QCOMPARE(model.name, QStringLiteral("Win Aqua"));
    // The aqua look: blue buttons on a light window.
    QVERIFY(model.button.normal.bottom.blue() > model.button.normal.bottom.red() + 100);
    QVERIFY(model.window.top.lightness() > 200);
    QVERIFY(model.label.text.lightness() < 60);
    Skin skin;
    skin.LoadSkinFile(file.fileName());
}

void TestSkinFile::windowsLineEndsAndByteOrderMarkAreAccepted()
{
    const QByteArray text = "\xef\xbb\xbftessaline-skin 1\r\n[button]\r\nradius = 7\r\nend\r\n";
    const SkinDetail::SkinModel model = SkinDetail::parseSkin(text, QStringLiteral("x.skn"));
    QCOMPARE(model.button.radius, 7);
}

void TestSkinFile::valuesReachTheModel()
{
    const QByteArray text = "tessaline-skin 1\n[info]\nauthor = \"Jó Ember\"\n[combo]\n"
                            "  arrow   =   #0A0b0C80  \n[separator]\ndark = #102030\nend\n# bye\n";
    const SkinDetail::SkinModel model = SkinDetail::parseSkin(text, QStringLiteral("x.skn"));
    QCOMPARE(model.author, QStringLiteral("Jó Ember"));
    QCOMPARE(model.combo.arrow, QColor(10, 11, 12, 128));
    QCOMPARE(model.separator.dark, QColor(0x10, 0x20, 0x30));
    // Keys the file leaves out keep the engine's own value.
    QCOMPARE(model.separator.light, SkinDetail::SkinModel().separator.light);
}

void TestSkinFile::failedLoadKeepsTheEarlierSkin()
{
    Skin skin;
    skin.LoadSkinFile(QStringLiteral(TESSALINE_SHIPPED_SKIN));
    QVERIFY_THROWS_EXCEPTION(SkinError, skin.LoadSkinFile(write("tessaline-skin 1\n[window]\n")));
    QWidget window;
    skin.ApplySkin(qintptr(window.winId()));
    QVERIFY(window.styleSheet().contains(QStringLiteral("QPushButton")));
}

void TestSkinFile::hueTurnsColours_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("hue");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("red to green") << QColor(255, 0, 0) << 120 << QColor(0, 255, 0);
    QTest::newRow("backwards") << QColor(255, 0, 0) << -120 << QColor(0, 0, 255);
    QTest::newRow("more than a turn") << QColor(255, 0, 0) << 480 << QColor(0, 255, 0);
    QTest::newRow("whole turn") << QColor(12, 80, 200) << 360 << QColor(12, 80, 200);
    QTest::newRow("grey stays") << QColor(128, 128, 128) << 90 << QColor(128, 128, 128);
    QTest::newRow("alpha stays") << QColor(255, 0, 0, 40) << 240 << QColor(0, 0, 255, 40);
}

void TestSkinFile::hueTurnsColours()
{
    QFETCH(QColor, colour);
    QFETCH(int, hue);
    QFETCH(QColor, expected);
    SkinDetail::SkinModel model;
    model.button.normal.bottom = colour;
    model.frame.background = colour;
    const SkinDetail::SkinModel turned = SkinDetail::shiftHue(model, hue);
    QCOMPARE(turned.button.normal.bottom, expected);
    QCOMPARE(turned.frame.background, expected);
}

QTEST_MAIN(TestSkinFile)
#include "tst_skinfile.moc"
