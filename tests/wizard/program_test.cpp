// The whole program in a child process: the failures that end it at start-up show their message
// box and end it with exit status 1, never with a crash.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/app.h"
#include "wizard/ui/ui.h"
#include "wizard/wizard_app.h"

namespace {

struct Outcome {
    int status = -1;
    QString messages;  // one "icon|text" line a box
};

// Runs the program in a child with this application directory; every message box is recorded
// and closed with OK.
Outcome RunProgram(const QString& appDir, const QString& root)
{
    const QString record = root + QStringLiteral("/messages.txt");
    QFile::remove(record);
    const pid_t pid = fork();
    if (pid == 0) {
        platform::SetAppDirectory(appDir.toStdString());
        const std::string path = record.toStdString();
        ui::SetMessageBoxObserver([path](const std::string& text, platform::MessageIcon icon) {
            if (FILE* f = std::fopen(path.c_str(), "a")) {
                std::fprintf(f, "%d|%s\n", static_cast<int>(icon), text.c_str());
                std::fclose(f);
            }
            return true;
        });
        char name[] = "tessaline";
        char* argv[] = {name, nullptr};
        std::_Exit(WizardApp::Run(1, argv));
    }
    Outcome outcome;
    int raw = 0;
    if (waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) outcome.status = WEXITSTATUS(raw);
    QFile file(record);
    if (file.open(QIODevice::ReadOnly)) outcome.messages = QString::fromUtf8(file.readAll());
    return outcome;
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(root.isValid());
        appDir = root.path() + QStringLiteral("/app");
        QDir(appDir).removeRecursively();
        QVERIFY(QDir().mkpath(appDir + QStringLiteral("/Lang")));
        QFile::copy(QStringLiteral(TESSALINE_SOURCE_DIR "/lang/English.ini"),
                    appDir + QStringLiteral("/Lang/English.ini"));
        QFile::copy(QStringLiteral(TESSALINE_SOURCE_DIR "/skin/winaqua.skn"),
                    appDir + QStringLiteral("/winaqua.skn"));
        qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    }

    void noLanguageFileEndsWithItsMessage()
    {
        QDir(appDir + QStringLiteral("/Lang")).removeRecursively();
        const Outcome outcome = RunProgram(appDir, root.path());
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.messages, QStringLiteral("1|No Language files found\n"));
    }

    void missingSkinEndsWithTheLanguagesText()
    {
        QFile::remove(appDir + QStringLiteral("/winaqua.skn"));
        const Outcome outcome = RunProgram(appDir, root.path());
        QCOMPARE(outcome.status, 1);
        QCOMPARE(
            outcome.messages,
            QStringLiteral("0|Tessaline is damaged: a file it needs is missing. Please reinstall it.\n"));
    }

    void damagedSkinEndsWithTheFileAndLine()
    {
        QFile skin(appDir + QStringLiteral("/winaqua.skn"));
        QVERIFY(skin.open(QIODevice::Append));
        skin.write("this is not a skin line\n");
        skin.close();
        const Outcome outcome = RunProgram(appDir, root.path());
        QCOMPARE(outcome.status, 1);
        QVERIFY2(outcome.messages.startsWith(QStringLiteral("2|")), qPrintable(outcome.messages));
        QVERIFY2(outcome.messages.contains(appDir + QStringLiteral("/winaqua.skn")),
                 qPrintable(outcome.messages));
        QVERIFY2(outcome.messages.contains(QStringLiteral("line")), qPrintable(outcome.messages));
    }

private:
    QTemporaryDir root;
    QString appDir;
};

QTEST_APPLESS_MAIN(ProgramTest)
#include "program_test.moc"
