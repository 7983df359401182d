// The window tests' driver on the Qt runtime: keys and clicks through QtTest, what is on view
// from the widgets.
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

#include "driver.h"
#include "test_policy.h"
#include "wizard/ui/qt/qt_runtime.h"

namespace window_test {
namespace {

using ui::qt::WidgetOf;

PixelRect Pixels(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

QPushButton* ButtonOf(const ui::Button& button) { return static_cast<QPushButton*>(WidgetOf(button)); }

// Where a key goes: the focused widget of the window, else the window.
QWidget* KeyTarget(ui::Form& form)
{
    QWidget* window = WidgetOf(form);
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && window->isAncestorOf(focus) ? focus : window;
}

}  // namespace

void Click(const ui::Button& button) { QTest::mouseClick(ButtonOf(button), Qt::LeftButton); }

void SendClick(const ui::Button& button) { ButtonOf(button)->click(); }

void PostClick(const ui::Button& button)
{
    QMetaObject::invokeMethod(ButtonOf(button), &QAbstractButton::click, Qt::QueuedConnection);
}

void Press(ui::Form& form, Key key)
{
    switch (key) {
    case Key::Enter: QTest::keyClick(KeyTarget(form), Qt::Key_Return); return;
    case Key::Tab: QTest::keyClick(KeyTarget(form), Qt::Key_Tab); return;
    case Key::BackTab: QTest::keyClick(KeyTarget(form), Qt::Key_Backtab, Qt::ShiftModifier); return;
    }
}

void PressAlt(ui::Form& form, char letter)
{
    QTest::keyClick(KeyTarget(form), letter, Qt::AltModifier);
    // A button's access key animates the press for 100 ms and clicks at its end.
    RunEventsFor(250);
}

void PressCloseBox(ui::Form& form) { WidgetOf(form)->close(); }

void PostCloseBox(ui::Form& form)
{
    QMetaObject::invokeMethod(WidgetOf(form), &QWidget::close, Qt::QueuedConnection);
}

bool Activate(ui::Form& form)
{
    QWidget* window = WidgetOf(form);
    window->activateWindow();
    return QTest::qWaitForWindowActive(window, test_policy::kFaultTimeoutMs);
}

int Dpi(ui::Form&) { return 96; }

bool OnView(const ui::Control& control) { return WidgetOf(control)->isVisible(); }

PixelRect Geometry(const ui::Control& control) { return Pixels(WidgetOf(control)->geometry()); }

std::string ContainerName(const ui::Control& control)
{
    return WidgetOf(control)->parentWidget()->objectName().toStdString();
}

PixelRect ClientArea(ui::Form& form) { return Pixels(WidgetOf(form)->rect()); }
PixelRect WindowRect(ui::Form& form) { return Pixels(WidgetOf(form)->frameGeometry()); }
PixelRect WorkArea() { return Pixels(QGuiApplication::primaryScreen()->availableGeometry()); }
void MoveWindowTo(ui::Form& form, int left, int top) { WidgetOf(form)->move(left, top); }

PixelRect CentringSlack(ui::Form& form)
{
    const QWidget* window = WidgetOf(form);
    return {0, 0, window->frameGeometry().width() - window->width(),
            window->frameGeometry().height() - window->height()};
}

bool FixedSize(ui::Form& form)
{
    const QWidget* window = WidgetOf(form);
    const Qt::WindowFlags flags = window->windowFlags();
    return window->minimumSize() == window->maximumSize() && !(flags & Qt::WindowMinimizeButtonHint) &&
           !(flags & Qt::WindowMaximizeButtonHint);
}

bool HasIcon(ui::Form& form) { return !WidgetOf(form)->windowIcon().isNull(); }

std::string FocusedControl(ui::Form& form)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !WidgetOf(form)->isAncestorOf(focus)) return {};
    return focus->objectName().toStdString();
}

bool WindowHasFocus(ui::Form& form)
{
    QWidget* window = WidgetOf(form);
    QWidget* focus = QApplication::focusWidget();
    return window->isActiveWindow() && (focus == nullptr || focus == window);
}

bool IsDefault(const ui::Button& button) { return ButtonOf(button)->isDefault(); }

// The name the runtime gives the widget; on Linux a list's accessible interface reports its
// current text as its name, and screen readers take the label from the widget's name.
std::string AccessibleName(const ui::Control& control)
{
    return WidgetOf(control)->accessibleName().toStdString();
}

bool TakesInput(ui::Form& form)
{
    const QWidget* modal = QApplication::activeModalWidget();
    return modal == nullptr || modal == WidgetOf(form);
}

double FontPoints(const ui::Label& label) { return WidgetOf(label)->font().pointSizeF(); }
bool Bold(const ui::Label& label) { return WidgetOf(label)->font().bold(); }

int LinesShown(const ui::Label& label)
{
    const auto* widget = static_cast<QLabel*>(WidgetOf(label));
    return widget->heightForWidth(widget->width()) / QFontMetrics(widget->font()).lineSpacing();
}

PixelRect BannerSize(const ui::PictureBox& banner)
{
    const QSizeF size = static_cast<QLabel*>(WidgetOf(banner))->pixmap().deviceIndependentSize();
    return {0, 0, qRound(size.width()), qRound(size.height())};
}

std::uint32_t ColourAt(const ui::Control& control, int x, int y)
{
    return WidgetOf(control)->grab().toImage().pixel(x, y) & 0xFFFFFFu;
}

Picture Grab(ui::Form& form)
{
    QWidget* window = WidgetOf(form);
    QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.size() != window->size()) image = image.scaled(window->size());
    Picture picture{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) picture.pixels.push_back(row[x] & 0xFFFFFFu);
    }
    return picture;
}

PixelRect InWindow(const ui::Control& control)
{
    const QWidget* widget = WidgetOf(control);
    const QPoint origin = widget->mapTo(widget->window(), QPoint(0, 0));
    return {origin.x(), origin.y(), widget->width(), widget->height()};
}

bool Skinned(ui::Form& form) { return WidgetOf(form)->styleSheet().contains(QStringLiteral("QPushButton")); }

MessageBoxView MessageBoxOnView()
{
    MessageBoxView view;
    const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return view;
    view.caption = box->windowTitle().toStdString();
    view.hasOk = box->button(QMessageBox::Ok) != nullptr;
    view.hasCancel = box->button(QMessageBox::Cancel) != nullptr;
    return view;
}

namespace {

std::vector<std::string>& Steps()
{
    static std::vector<std::string> steps;
    return steps;
}

QWidget* ProgramWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("frmSelectDriver")) return window;
    return nullptr;
}

// Next, which turns into Finish. (Not found as the default button: outside a dialog Qt takes the
// default from a button the focus has left.)
QPushButton* NextButton(QWidget* window)
{
    return window->findChild<QPushButton*>(QStringLiteral("cmdNext"));
}

// Takes the next step when the window allows it; true when it was taken.
bool TakeStep(const std::string& step)
{
    QWidget* window = ProgramWindow();
    if (window == nullptr || !window->isVisible() || QApplication::activeModalWidget() != nullptr)
        return false;
    QPushButton* next = NextButton(window);
    if (step == "enter" && next != nullptr && next->isEnabled()) {
        QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window;
        QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
        return true;
    }
    if (step == "finish" && next != nullptr && next->isEnabled() &&
        next->text() == QStringLiteral("&Finish")) {
        QMetaObject::invokeMethod(next, &QAbstractButton::click, Qt::QueuedConnection);
        return true;
    }
    if (step == "close") {
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        return true;
    }
    return false;
}

// Runs once the program has made its QApplication: the user's ticks start then.
void StartTicking()
{
    auto* timer = new QTimer(qApp);
    auto next = std::make_shared<std::size_t>(0);
    QObject::connect(timer, &QTimer::timeout, [next] {
        if (*next < Steps().size() && TakeStep(Steps()[*next])) ++*next;
    });
    timer->start(50);
}

}  // namespace

void StartScriptedUser(const std::vector<std::string>& steps)
{
    Steps() = steps;
    qAddPreRoutine(StartTicking);
}

}  // namespace window_test
