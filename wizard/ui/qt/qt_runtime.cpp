// The window runtime on Qt 6 Widgets: each control a widget of its kind in a fixed-size window,
// message boxes, the event loop and the command runner's event hook.
#include "wizard/ui/qt/qt_runtime.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/app.h"
#include "wizard/ui/native.h"
#include "wizard/ui/qt/qt_skin.h"

namespace ui::qt {
namespace {

int Px(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixelAt96Dpi));
}

QRect PxRect(const Rect& twips)
{
    return QRect(Px(twips.left), Px(twips.top), Px(twips.width), Px(twips.height));
}

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

const char* RoleName(Role role)
{
    switch (role) {
    case Role::Page: return "page";
    case Role::Separator: return "separator";
    case Role::Trough: return "trough";
    case Role::Progress: return "progress";
    case Role::Banner: return "banner";
    case Role::None: break;
    }
    return "";
}

// Loads the skin labels' design face from the font files the system has, once per process:
// Wine's TrueType "MS Sans Serif" (Debian package fonts-wine) is not in the font search path.
void LoadDesignFont()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))) return;
        QStringList dataDirs =
            QString::fromLocal8Bit(qgetenv("XDG_DATA_DIRS")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
        if (dataDirs.isEmpty()) dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
        QStringList candidates = {Q(platform::JoinPath(platform::AppDirectory(), "fonts/ms_sans_serif.ttf"))};
        for (const QString& dir : dataDirs)
            candidates << dir + QStringLiteral("/wine/fonts/ms_sans_serif.ttf");
        for (const QString& file : candidates) {
            if (QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0) return;
        }
    });
}

QFont FontOf(const QString& family, double points)
{
    QFont font(family);
    font.setFamilies(FontFamiliesFor(family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// The window's own font, which buttons, lists and frames use: the design face's wider kin.
constexpr double kWindowFontPoints = 8.25;
const QString kWindowFontFamily = QStringLiteral("Microsoft Sans Serif");

// One control's widget. The widgets belong to the window, which deletes them with itself.
class QtWidget final : public native::Widget {
public:
    explicit QtWidget(QWidget* widget) : widget_(widget) {}

    QWidget* Widget() const { return widget_; }

    bool Visible() const override { return !widget_->isHidden(); }
    void SetVisible(bool visible) override { widget_->setVisible(visible); }
    bool Enabled() const override { return widget_->isEnabled(); }
    void SetEnabled(bool enabled) override { widget_->setEnabled(enabled); }
    void Place(const Rect& twips, double widthTwips) override
    {
        widget_->setGeometry(Px(twips.left), Px(twips.top),
                             static_cast<int>(std::lround(widthTwips / kTwipsPerPixelAt96Dpi)),
                             Px(twips.height));
    }

    std::string Text() const override
    {
        if (auto* button = qobject_cast<QPushButton*>(widget_)) return S(button->text());
        if (auto* label = qobject_cast<SkinLabel*>(widget_)) return S(label->Caption());
        return {};
    }
    void SetText(const std::string& text) override
    {
        if (auto* button = qobject_cast<QPushButton*>(widget_)) {
            button->setText(Q(text));
        } else if (auto* label = qobject_cast<SkinLabel*>(widget_)) {
            label->setCaption(Q(text));
            if (named) named->setAccessibleName(Q(text));
        }
    }

    void SetFocus() override { widget_->setFocus(); }
    bool HasFocus() const override { return widget_->hasFocus(); }

    void AddItem(const std::string& item) override { Combo()->addItem(Q(item)); }
    void ClearItems() override { Combo()->clear(); }
    int ItemCount() const override { return Combo()->count(); }
    std::string Item(int index) const override { return S(Combo()->itemText(index)); }
    int CurrentIndex() const override { return Combo()->currentIndex(); }
    void SetCurrentIndex(int index) override { Combo()->setCurrentIndex(index); }

    // A skin label's: the control it names, whose accessible name follows its caption.
    QPointer<QWidget> named;

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget_); }

    QWidget* widget_;
};

// The window: fixed size, no minimise or maximise button, Enter presses the default button
// wherever the focus is, and the close box asks the logic before the window goes.
class FormWidget final : public QWidget {
public:
    explicit FormWidget(native::Events& events) : events_(events) {}

    QPointer<QPushButton> defaultButton;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        events_.CloseRequested();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && defaultButton &&
            defaultButton->isEnabled() && defaultButton->isVisible()) {
            defaultButton->click();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    native::Events& events_;
};

QPixmap BannerPixmap(const QWidget& window)
{
    QPixmap banner(QStringLiteral(":/tessaline/banner.jpg"));
    // On a high-density screen the banner drawn at twice the size keeps it sharp.
    if (window.devicePixelRatioF() > 1.0) {
        QPixmap sharp(QStringLiteral(":/tessaline/banner@2x.jpg"));
        sharp.setDevicePixelRatio(2.0);
        if (!sharp.isNull()) banner = sharp;
    }
    return banner;
}

class QtWindow final : public native::Window {
public:
    QtWindow(const FormDesign& form, native::Events& events)
        : window_(std::make_unique<FormWidget>(events)), events_(events), labelFamily_(Q(form.labelFont))
    {
        LoadDesignFont();
        FormWidget& window = *window_;
        window.setObjectName(Q(form.name));
        window.setWindowTitle(Q(form.caption));
        window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint);
        window.setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
        window.setFont(FontOf(kWindowFontFamily, kWindowFontPoints));
        window.setWindowIcon(QIcon(QStringLiteral(":/tessaline/icon.png")));
    }

    std::unique_ptr<native::Widget> MakeWidget(const ControlDesign& design, int id,
                                               native::Widget* container) override
    {
        QWidget* parent = container != nullptr ? static_cast<QtWidget*>(container)->Widget()
                                               : static_cast<QWidget*>(window_.get());
        QWidget* widget = Make(design, id, parent);
        widget->setObjectName(Q(design.name));
        widget->setGeometry(PxRect(design.rect));
        if (design.role != Role::None) widget->setProperty("skinRole", QLatin1String(RoleName(design.role)));
        if (!design.accessibleName.empty()) widget->setAccessibleName(Q(design.accessibleName));
        if (!design.accessibleDescription.empty())
            widget->setAccessibleDescription(Q(design.accessibleDescription));
        widget->setEnabled(design.enabled);
        if (!design.visible) widget->hide();
        return std::make_unique<QtWidget>(widget);
    }

    void Arrange(const native::Arrangement& arrangement) override
    {
        QWidget* previous = nullptr;
        for (native::Widget* control : arrangement.tabOrder) {
            QWidget* widget = static_cast<QtWidget*>(control)->Widget();
            if (widget->focusPolicy() == Qt::NoFocus) continue;
            if (previous != nullptr) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
        for (const auto& [label, named] : arrangement.labels) {
            auto& labelWidget = static_cast<QtWidget&>(*label);
            labelWidget.named = static_cast<QtWidget*>(named)->Widget();
            labelWidget.named->setAccessibleName(Q(labelWidget.Text()));
        }
    }

    std::string Caption() const override { return S(window_->windowTitle()); }
    void SetCaption(const std::string& caption) override { window_->setWindowTitle(Q(caption)); }

    void Show() override
    {
        if (!centred_) {
            centred_ = true;
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                QRect frame = window_->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                window_->move(frame.topLeft());
            }
        }
        window_->show();
    }
    bool Shown() const override { return window_->isVisible(); }
    void Refresh() override { window_->repaint(); }
    void ApplyLook(const skin::SkinModel& look) override { qt::ApplyLook(*window_, look); }

    QWidget* Widget() const { return window_.get(); }

private:
    QWidget* Make(const ControlDesign& design, int id, QWidget* parent)
    {
        switch (design.kind) {
        case Kind::Frame: {
            auto* frame = new QFrame(parent);
            frame->setFrameShape(design.role == Role::Separator ? QFrame::HLine : QFrame::Box);
            frame->setFrameShadow(QFrame::Sunken);
            frame->setLineWidth(1);
            frame->setFocusPolicy(Qt::NoFocus);
            return frame;
        }
        case Kind::Button: {
            auto* button = new QPushButton(Q(design.text), parent);
            button->setAutoDefault(true);
            button->setFocusPolicy(Qt::StrongFocus);
            if (design.isDefault) {
                button->setDefault(true);
                window_->defaultButton = button;
            }
            QObject::connect(button, &QPushButton::clicked, window_.get(),
                             [this, id] { events_.Clicked(id); });
            return button;
        }
        case Kind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(false);
            combo->setFocusPolicy(Qt::StrongFocus);
            return combo;
        }
        case Kind::PictureBox: {
            if (design.role == Role::Banner) {
                auto* picture = new QLabel(parent);
                picture->setPixmap(BannerPixmap(*window_));
                picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                picture->setBackgroundRole(QPalette::Base);
                picture->setForegroundRole(QPalette::Text);
                return picture;
            }
            auto* box = new QFrame(parent);
            box->setFrameShape(QFrame::NoFrame);
            box->setAutoFillBackground(true);
            QPalette palette = box->palette();
            palette.setColor(QPalette::Window, ToQColor(design.fill));
            box->setPalette(palette);
            return box;
        }
        case Kind::SkinLabel: {
            auto* label = new SkinLabel(parent);
            label->setFont(FontOf(labelFamily_, design.fontPoints));
            label->setCaption(Q(design.text));
            return label;
        }
        case Kind::SkinEngine: break;
        }
        return new QWidget(parent);
    }

    std::unique_ptr<FormWidget> window_;
    native::Events& events_;
    QString labelFamily_;
    bool centred_ = false;
};

// A failure that escapes an event of the toolkit ends the program through a message box, never
// through an abort.
class GuardedApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        return Guarded([&] { return QApplication::notify(receiver, event); });
    }
};

}  // namespace

QWidget* WidgetOf(Form& form) { return static_cast<QtWindow&>(form.Native()).Widget(); }
QWidget* WidgetOf(const Control& control)
{
    return static_cast<QtWidget&>(native::WidgetOf(control)).Widget();
}

QStringList FontFamiliesFor(const QString& family)
{
    QStringList families = {family};
    for (const QString& kin :
         {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
          QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")})
        if (!families.contains(kin)) families << kin;
    return families;
}

}  // namespace ui::qt

namespace ui {

std::unique_ptr<native::Window> native::MakeWindow(const FormDesign& design, Events& events)
{
    return std::make_unique<qt::QtWindow>(design, events);
}

struct Application::Data {
    std::unique_ptr<qt::GuardedApplication> app;
};

Application::Application(int& argc, char** argv) : d(std::make_unique<Data>())
{
    d->app = std::make_unique<qt::GuardedApplication>(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(platform::kAppTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessaline/icon.png")));
}

Application::~Application() = default;

int Application::Exec() { return QApplication::exec(); }

void ShowMessage(const std::string& text, platform::MessageIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    if (icon == platform::MessageIcon::Information) boxIcon = QMessageBox::Information;
    if (icon == platform::MessageIcon::Critical) boxIcon = QMessageBox::Critical;
    QMessageBox box(boxIcon, QString::fromLatin1(platform::kAppTitle), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    std::exception_ptr failure;
    if (native::HasMessageBoxObserver()) {
        QTimer::singleShot(0, &box, [&box, &failure, text, icon] {
            if (native::AskMessageBoxObserver(text, icon, failure)) box.accept();
        });
    }
    box.exec();
    if (failure) std::rethrow_exception(failure);
}

void EndNow(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

void RunWindowEvents(platform::NativeHandle readHandle, int maxWaitMs)
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

}  // namespace ui
