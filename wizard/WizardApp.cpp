#include "wizard/WizardApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>

#include "platform/app.h"
#include "runner/MGetCmdOutput.h"
#include "wizard/frmSelectDriver.h"
#include "wizard/skin/Skin.h"

namespace WizardApp {
namespace {

MessageBoxObserver g_observer;

[[noreturn]] void EndNow(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

void ShowMessageBox(const std::string& text, platform::MessageIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    if (icon == platform::MessageIcon::Information) boxIcon = QMessageBox::Information;
    if (icon == platform::MessageIcon::Critical) boxIcon = QMessageBox::Critical;
    QMessageBox box(boxIcon, QString::fromLatin1(platform::kAppTitle), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    if (g_observer) {
        QTimer::singleShot(0, &box, [&box, text, icon] {
            if (g_observer(text, static_cast<int>(icon))) box.accept();
        });
    }
    box.exec();
}

// A failure that escapes an event handler ends the program through a message box, never
// through an abort.
class Application : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            Fail(error.what());
        } catch (...) {
            Fail("An unexpected error occurred.");
        }
    }

    [[noreturn]] static void Fail(const std::string& text)
    {
        platform::ShowMessage(text, platform::MessageIcon::Critical);
        EndNow(1);
    }
};

void CentreOnScreen(QWidget& window)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QRect frame = window.frameGeometry();
        frame.moveCenter(area.center());
        window.move(frame.topLeft());
    }
}

}  // namespace

void RunWindowEvents(std::intptr_t readHandle, int maxWaitMs)
{
    if (maxWaitMs <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Wait in an event loop of our own: window events run the moment they arrive, and the loop
    // ends as soon as the pipe has data or the time is up.
    QEventLoop loop;
    QSocketNotifier notifier(static_cast<qintptr>(readHandle), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(maxWaitMs);
    loop.exec();
}

void SetMessageBoxObserver(MessageBoxObserver observer) { g_observer = std::move(observer); }

void InstallHooks()
{
    platform::SetUiHooks({ShowMessageBox, [](int status) { EndNow(status); }});
    MGetCmdOutput::SetEventHook(RunWindowEvents);
}

int Run(int argc, char** argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(platform::kAppTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessaline/icon.png")));
    InstallHooks();

    frmSelectDriver window;
    try {
        if (!window.Form_Load()) return 1;
    } catch (const SkinError& error) {
        Application::Fail(error.what());
    } catch (const std::exception& error) {
        Application::Fail(error.what());
    }
    CentreOnScreen(window);
    window.show();
    return QApplication::exec();
}

}  // namespace WizardApp
