// The window runtime on Qt 6 Widgets.
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
#include <map>
#include <mutex>
#include <utility>

#include "platform/app.h"

namespace ui {
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
    font.setFamilies(qt::FontFamiliesFor(family));
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

class FormWidget;

// One control of a form; a single class serves every kind, and the properties that a kind does
// not have throw.
class QtControl final : public ComboBox {
public:
    QtControl(const ControlDesign& design, QWidget* widget)
        : design_(design), widget_(widget), bounds_(design.rect)
    {}

    QWidget* Widget() const { return widget_; }
    const ControlDesign& Design() const { return design_; }

    const std::string& Name() const override { return design_.name; }
    Kind ControlKind() const override { return design_.kind; }

    std::string Caption() const override
    {
        if (auto* button = qobject_cast<QPushButton*>(widget_)) return S(button->text());
        if (auto* label = qobject_cast<SkinLabel*>(widget_)) return S(label->Caption());
        throw Unsupported("a caption");
    }
    void SetCaption(const std::string& caption) override;

    bool Visible() const override { return !widget_->isHidden(); }
    void SetVisible(bool visible) override { widget_->setVisible(visible); }
    bool Enabled() const override { return widget_->isEnabled(); }
    void SetEnabled(bool enabled) override { widget_->setEnabled(enabled); }

    Rect Bounds() const override { return bounds_; }
    void Move(const Rect& twips) override
    {
        bounds_ = twips;
        widget_->setGeometry(PxRect(twips));
    }
    void SetWidth(double twips) override
    {
        if (!std::isfinite(twips) || twips < 0.0 || twips > 1.0e7) throw std::invalid_argument("bad width");
        bounds_.width = static_cast<int>(std::lround(twips));
        widget_->resize(static_cast<int>(std::lround(twips / kTwipsPerPixelAt96Dpi)), widget_->height());
    }

    void SetFocus() override { widget_->setFocus(); }
    bool HasFocus() const override { return widget_->hasFocus(); }

    void AddItem(const std::string& item) override { Combo()->addItem(Q(item)); }
    void Clear() override { Combo()->clear(); }
    int ListCount() const override { return Combo()->count(); }
    std::string List(int index) const override
    {
        if (index < 0 || index >= Combo()->count())
            throw std::out_of_range("no such item in " + design_.name);
        return S(Combo()->itemText(index));
    }
    int ListIndex() const override { return Combo()->currentIndex(); }
    void SetListIndex(int index) override
    {
        if (index < -1 || index >= Combo()->count())
            throw std::out_of_range("no such item in " + design_.name);
        Combo()->setCurrentIndex(index);
    }
    std::string Text() const override { return S(Combo()->currentText()); }

    // Set by the form: the list this label names, whose accessible name follows the caption.
    QPointer<QWidget> named;

private:
    std::logic_error Unsupported(const char* what) const
    {
        return std::logic_error(design_.name + " has no " + what);
    }
    QComboBox* Combo() const
    {
        auto* combo = qobject_cast<QComboBox*>(widget_);
        if (combo == nullptr) throw Unsupported("list");
        return combo;
    }

    ControlDesign design_;
    QWidget* widget_;
    Rect bounds_;
};

void QtControl::SetCaption(const std::string& caption)
{
    if (auto* button = qobject_cast<QPushButton*>(widget_)) {
        button->setText(Q(caption));
    } else if (auto* label = qobject_cast<SkinLabel*>(widget_)) {
        label->setCaption(Q(caption));
        if (named) named->setAccessibleName(Q(caption));
    } else {
        throw Unsupported("caption");
    }
}

class QtSkinEngine final : public SkinEngine {
public:
    QtSkinEngine(const SkinSettings& settings, Skin* engine) : settings_(settings), engine_(engine)
    {
        engine_->m_bstrAuthor = Q(settings.author);
        engine_->m_bstrDescription = Q(settings.description);
        engine_->m_bstrApplication = Q(settings.application);
        engine_->m_nHue = settings.hue;
        engine_->m_BackColor = SkinDetail::ToQColor(settings.backColour);
        engine_->m_ForeColor = SkinDetail::ToQColor(settings.foreColour);
        engine_->m_PanelColor = SkinDetail::ToQColor(settings.panelColour);
        engine_->m_PanelTextColor = SkinDetail::ToQColor(settings.panelTextColour);
        engine_->m_bApplyColors = settings.applyColours;
    }
    void LoadSkinFile(const std::string& path) override { engine_->LoadSkinFile(Q(path)); }
    void ApplySkin(std::intptr_t windowHandle) override
    {
        engine_->ApplySkin(static_cast<qintptr>(windowHandle));
    }
    const SkinSettings& Settings() const override { return settings_; }
    Skin* Engine() const { return engine_; }

private:
    SkinSettings settings_;
    Skin* engine_;
};

// The window: fixed size, no minimise or maximise button, Enter presses the default button
// wherever the focus is, and the close box asks the logic before the window goes.
class FormWidget final : public QWidget {
public:
    FormWidget() = default;

    std::function<void()> closeHandler;
    QPointer<QPushButton> defaultButton;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        if (closeHandler) closeHandler();
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

QWidget* MakeWidget(const ControlDesign& design, const QString& labelFamily, QWidget* container,
                    FormWidget& window)
{
    switch (design.kind) {
    case Kind::Frame: {
        auto* frame = new QFrame(container);
        frame->setFrameShape(design.role == Role::Separator ? QFrame::HLine : QFrame::Box);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setLineWidth(1);
        frame->setFocusPolicy(Qt::NoFocus);
        return frame;
    }
    case Kind::Button: {
        auto* button = new QPushButton(Q(design.text), container);
        button->setAutoDefault(true);
        button->setFocusPolicy(Qt::StrongFocus);
        if (design.isDefault) {
            button->setDefault(true);
            window.defaultButton = button;
        }
        return button;
    }
    case Kind::ComboBox: {
        auto* combo = new QComboBox(container);
        combo->setEditable(false);
        combo->setFocusPolicy(Qt::StrongFocus);
        return combo;
    }
    case Kind::PictureBox: {
        if (design.role == Role::Banner) {
            auto* picture = new QLabel(container);
            picture->setPixmap(BannerPixmap(window));
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            picture->setBackgroundRole(QPalette::Base);
            picture->setForegroundRole(QPalette::Text);
            return picture;
        }
        auto* box = new QFrame(container);
        box->setFrameShape(QFrame::NoFrame);
        box->setAutoFillBackground(true);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Window, SkinDetail::ToQColor(design.fill));
        box->setPalette(palette);
        return box;
    }
    case Kind::SkinLabel: {
        auto* label = new SkinLabel(container);
        label->setFont(FontOf(labelFamily, design.fontPoints));
        label->setCaption(Q(design.text));
        return label;
    }
    case Kind::SkinEngine: break;
    }
    return nullptr;
}

class QtForm final : public Form {
public:
    explicit QtForm(const FormDesign& design);

    Control& Find(const std::string& name) override { return Lookup(name); }
    ComboBox& FindComboBox(const std::string& name) override
    {
        QtControl& control = Lookup(name);
        if (control.ControlKind() != Kind::ComboBox) throw std::logic_error(name + " is not a list");
        return control;
    }
    SkinEngine& FindSkinEngine(const std::string& name) override
    {
        const auto found = skins_.find(name);
        if (found != skins_.end()) return *found->second;
        if (controls_.count(name) != 0) throw std::logic_error(name + " is a control, not a skin engine");
        throw std::out_of_range("the window has no skin engine " + name);
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
    std::intptr_t Handle() override { return static_cast<std::intptr_t>(window_->winId()); }

    void OnClick(const std::string& button, std::function<void()> handler) override
    {
        auto* widget = qobject_cast<QPushButton*>(Lookup(button).Widget());
        if (widget == nullptr) throw std::logic_error(button + " is not a button");
        QObject::connect(widget, &QPushButton::clicked, window_.get(),
                         [handler = std::move(handler)] { handler(); });
    }
    void OnCloseRequest(std::function<void()> handler) override
    {
        window_->closeHandler = std::move(handler);
    }

    QWidget* Widget() const { return window_.get(); }

private:
    QtControl& Lookup(const std::string& name)
    {
        const auto found = controls_.find(name);
        if (found != controls_.end()) return *found->second;
        if (skins_.count(name) != 0) throw std::logic_error(name + " is a skin engine, not a control");
        throw std::out_of_range("the window has no control " + name);
    }

    std::unique_ptr<FormWidget> window_;
    std::map<std::string, std::unique_ptr<QtControl>> controls_;
    std::map<std::string, std::unique_ptr<QtSkinEngine>> skins_;
    bool centred_ = false;
};

QtForm::QtForm(const FormDesign& form) : window_(std::make_unique<FormWidget>())
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

    const QString labelFamily = Q(form.labelFont);
    for (const ControlDesign& design : form.controls) {
        if (controls_.count(design.name) != 0 || skins_.count(design.name) != 0)
            throw std::invalid_argument("two controls are named " + design.name);
        if (design.kind == Kind::SkinEngine) {
            auto* engine = new Skin(&window);
            engine->setObjectName(Q(design.name));
            skins_.emplace(design.name, std::make_unique<QtSkinEngine>(form.skin, engine));
            continue;
        }
        QWidget* container = &window;
        if (!design.container.empty()) {
            const auto found = controls_.find(design.container);
            if (found == controls_.end() || found->second->ControlKind() != Kind::Frame)
                throw std::invalid_argument(design.name + " sits in " + design.container +
                                            ", which is no frame before it");
            container = found->second->Widget();
        }
        QWidget* widget = MakeWidget(design, labelFamily, container, window);
        widget->setObjectName(Q(design.name));
        widget->setGeometry(PxRect(design.rect));
        widget->setProperty("TabIndex", design.tabIndex);
        if (design.role != Role::None) widget->setProperty("skinRole", QLatin1String(RoleName(design.role)));
        if (!design.accessibleName.empty()) widget->setAccessibleName(Q(design.accessibleName));
        if (!design.accessibleDescription.empty())
            widget->setAccessibleDescription(Q(design.accessibleDescription));
        widget->setEnabled(design.enabled);
        if (!design.visible) widget->hide();
        controls_.emplace(design.name, std::make_unique<QtControl>(design, widget));
    }
    for (const ControlDesign& design : form.controls) {
        if (design.labels.empty()) continue;
        QtControl& label = Lookup(design.name);
        label.named = Lookup(design.labels).Widget();
        label.named->setAccessibleName(Q(design.text));
    }
}

std::mutex& ObserverMutex()
{
    static std::mutex mutex;
    return mutex;
}

MessageBoxObserver& Observer()
{
    static MessageBoxObserver observer;
    return observer;
}

// A failure that escapes an event handler ends the program through a message box, never
// through an abort.
class GuardedApplication final : public QApplication {
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
};

}  // namespace

std::unique_ptr<Form> CreateForm(const FormDesign& design) { return std::make_unique<QtForm>(design); }

struct Application::Data {
    std::unique_ptr<GuardedApplication> app;
};

Application::Application(int& argc, char** argv) : d(std::make_unique<Data>())
{
    d->app = std::make_unique<GuardedApplication>(argc, argv);
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
    QMessageBox box(boxIcon, QString::fromLatin1(platform::kAppTitle), Q(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    MessageBoxObserver observer;
    {
        const std::lock_guard lock(ObserverMutex());
        observer = Observer();
    }
    if (observer) {
        QTimer::singleShot(0, &box, [&box, text, icon, observer] {
            if (observer(text, icon)) box.accept();
        });
    }
    box.exec();
}

void EndNow(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

void Fail(const std::string& message)
{
    platform::ShowMessage(message, platform::MessageIcon::Critical);
    EndNow(1);
}

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

void SetMessageBoxObserver(MessageBoxObserver observer)
{
    const std::lock_guard lock(ObserverMutex());
    Observer() = std::move(observer);
}

namespace qt {

QWidget* WidgetOf(Form& form) { return static_cast<QtForm&>(form).Widget(); }
QWidget* WidgetOf(Control& control) { return static_cast<QtControl&>(control).Widget(); }
Skin* SkinOf(SkinEngine& engine) { return static_cast<QtSkinEngine&>(engine).Engine(); }

QStringList FontFamiliesFor(const QString& family)
{
    QStringList families = {family};
    for (const QString& kin :
         {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
          QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")})
        if (!families.contains(kin)) families << kin;
    return families;
}

}  // namespace qt
}  // namespace ui
