#include "wizard/ui/qt/qt_skin.h"

#include <QComboBox>
#include <QEvent>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVariant>
#include <QWidget>

#include <optional>
#include <string>

using skin::SkinModel;
using SkinDetail::FromQColor;
using SkinDetail::ToQColor;

namespace {

bool hasRole(const QObject* object, const char* role)
{
    return object->property("skinRole").toString() == QLatin1String(role);
}

// Paints what a style sheet cannot express: the window's gradient, which must span the whole
// window whatever part of it is repainted; the gloss over progress bars, which keeps each bar's
// own colour; and the arrow of drop-down lists in the skin's colour. Background and gloss go
// under the widget's own painting, the arrow over it.
class SkinPainter : public QObject {
public:
    using QObject::QObject;

    QPointer<QWidget> window;
    QColor top, bottom, arrow;
    int progressGloss = 0;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr) return false;
        const QRect area = static_cast<QPaintEvent*>(event)->rect();
        if (widget == window) {
            paintBackground(widget, area);
        } else if (hasRole(widget, "progress")) {
            paintProgress(widget);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->event(event);  // the list's own painting first, then the arrow on top of it
            paintArrow(combo);
            return true;
        }
        return false;
    }

private:
    void paintBackground(QWidget* widget, const QRect& area) const
    {
        QPainter painter(widget);
        QLinearGradient gradient(0, 0, 0, widget->height());
        gradient.setColorAt(0, top);
        gradient.setColorAt(1, bottom);
        painter.fillRect(area, gradient);
    }

    void paintArrow(QComboBox* combo) const
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.subControls = QStyle::SC_All;
        const QRect box =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
        if (box.width() < 5 || box.height() < 4) return;
        const qreal half = qMin(box.width() - 4, 8) / 2.0;
        const QPointF centre = QRectF(box).center() + QPointF(0, 0.5);
        const QPointF points[3] = {centre + QPointF(-half, -half / 2), centre + QPointF(half, -half / 2),
                                   centre + QPointF(0, half / 2 + 0.5)};
        QPainter painter(combo);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(combo->isEnabled() ? arrow
                                            : ToQColor(skin::Mix(FromQColor(arrow), {255, 255, 255}, 0.6)));
        painter.drawPolygon(points, 3);
    }

    void paintProgress(QWidget* widget) const
    {
        const QRect r = widget->rect();
        if (r.isEmpty()) return;
        const QColor base = widget->palette().color(widget->backgroundRole());
        const skin::Colour white{255, 255, 255};
        const double g = progressGloss / 100.0;
        QLinearGradient gradient(0, r.top(), 0, r.bottom() + 1);
        auto towardsWhite = [&](double amount) {
            return ToQColor(skin::Mix(FromQColor(base), white, amount));
        };
        gradient.setColorAt(0, towardsWhite(0.65 * g));
        gradient.setColorAt(0.45, towardsWhite(0.3 * g));
        gradient.setColorAt(0.5, base);
        gradient.setColorAt(0.8, base);
        gradient.setColorAt(1, towardsWhite(0.25 * g));
        QPainter painter(widget);
        painter.fillRect(r, gradient);
    }
};

}  // namespace

struct Skin::Data {
    std::optional<SkinModel> model;
    SkinPainter* painter = nullptr;  // child of the Skin object
};

Skin::Skin(QObject* parent) : QObject(parent), d(new Data) { d->painter = new SkinPainter(this); }

Skin::~Skin() { delete d; }

void Skin::LoadSkinFile(const QString& path)
{
    // A failed load leaves the skin loaded before untouched.
    d->model = skin::ReadSkinFile(path.toStdString());
}

void Skin::ApplySkin(qintptr hwnd)
{
    if (!d->model) throw skin::SkinError(std::string(), 0, "no skin file has been loaded");
    QWidget* window = QWidget::find(static_cast<WId>(hwnd));
    if (window == nullptr)
        throw skin::SkinError(std::string(), 0,
                              "there is no window with the native handle " + std::to_string(hwnd));

    skin::OwnColours own;
    own.apply = m_bApplyColors;
    own.back = FromQColor(m_BackColor);
    own.fore = FromQColor(m_ForeColor);
    own.panel = FromQColor(m_PanelColor);
    own.panelText = FromQColor(m_PanelTextColor);
    const SkinModel look = skin::LookFor(*d->model, m_nHue, own);

    SkinPainter* painter = d->painter;
    if (painter->window && painter->window != window) painter->window->removeEventFilter(painter);
    painter->window = window;
    painter->top = ToQColor(look.window.top);
    painter->bottom = ToQColor(look.window.bottom);
    painter->arrow = ToQColor(look.combo.arrow);
    painter->progressGloss = look.progress.gloss;

    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, ToQColor(skin::Mix(look.window.top, look.window.bottom, 0.5)));
    palette.setColor(QPalette::WindowText, ToQColor(look.window.text));
    window->setPalette(palette);
    window->setStyleSheet(SkinDetail::styleSheetFor(look));

    window->installEventFilter(painter);
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (hasRole(child, "progress") || qobject_cast<QComboBox*>(child) != nullptr)
            child->installEventFilter(painter);
    }
    window->update();
}

SkinLabel::SkinLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
}

QString SkinLabel::Caption() const { return text(); }

void SkinLabel::setCaption(const QString& caption) { setText(caption); }

namespace SkinDetail {
namespace {

QString css(const skin::Colour& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.r).arg(c.g).arg(c.b).arg(c.a);
}

// A vertical gradient; a gloss above zero splits it into a bright upper half and a glowing lower half.
QString glossy(const skin::Colour& top, const skin::Colour& bottom, int gloss)
{
    using skin::Mix;
    const double g = gloss / 100.0;
    const skin::Colour middle = Mix(top, bottom, 0.5);
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:0.5 %2, "
                          "stop:0.51 %3, stop:1 %4)")
        .arg(css(top), css(Mix(top, bottom, 0.5 - 0.15 * g)), css(Mix(middle, bottom, g)),
             css(Mix(bottom, Mix(bottom, top, 0.45), g)));
}

QString buttonRule(const QString& selector, const skin::ButtonLook& look, int gloss)
{
    return QStringLiteral("%1 { color: %2; border-color: %3; background: %4; }\n")
        .arg(selector, css(look.text), css(look.border), glossy(look.top, look.bottom, gloss));
}

}  // namespace

QColor ToQColor(const skin::Colour& colour) { return QColor(colour.r, colour.g, colour.b, colour.a); }

skin::Colour FromQColor(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return skin::Colour{static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                        static_cast<std::uint8_t>(rgb.blue()), static_cast<std::uint8_t>(rgb.alpha())};
}

QString styleSheetFor(const skin::SkinModel& m)
{
    const auto& b = m.button;
    const auto& c = m.combo;
    QString s;
    s += QStringLiteral("SkinLabel { color: %1; background: transparent; }\n").arg(css(m.label.text));
    s += QStringLiteral("QPushButton { border: 1px solid; border-radius: %1px; padding: 0px 6px; }\n")
             .arg(b.radius);
    s += buttonRule(QStringLiteral("QPushButton"), b.normal, b.gloss);
    s += QStringLiteral("QPushButton:default { border-color: %1; }\n").arg(css(b.defaultBorder));
    s += buttonRule(QStringLiteral("QPushButton:hover"), b.hover, b.gloss);
    s += buttonRule(QStringLiteral("QPushButton:pressed"), b.pressed, b.gloss);
    s += QStringLiteral("QPushButton:focus { border-color: %1; }\n").arg(css(b.focusBorder));
    s += buttonRule(QStringLiteral("QPushButton:disabled"), b.disabled, b.gloss);

    s += QStringLiteral("QComboBox { color: %1; border: 1px solid %2; border-radius: %3px; "
                        "padding: 1px 18px 1px 5px; background: %4; selection-background-color: %5; "
                        "selection-color: %6; }\n")
             .arg(css(c.text), css(c.border))
             .arg(c.radius)
             .arg(glossy(c.top, c.bottom, 0), css(c.selectionBackground), css(c.selectionText));
    s += QStringLiteral("QComboBox:hover { border-color: %1; }\n").arg(css(c.hoverBorder));
    s += QStringLiteral("QComboBox:focus { border-color: %1; }\n").arg(css(c.focusBorder));
    s += QStringLiteral("QComboBox:disabled { color: %1; }\n").arg(css(c.disabledText));
    s +=
        QStringLiteral("QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right; "
                       "width: 16px; border: none; border-left: 1px solid %1; border-top-right-radius: %2px; "
                       "border-bottom-right-radius: %2px; background: %3; }\n")
            .arg(css(c.border))
            .arg(qMax(c.radius - 1, 0))
            .arg(glossy(c.buttonTop, c.buttonBottom, b.gloss));
    s += QStringLiteral("QComboBox QAbstractItemView { color: %1; background: %2; border: 1px solid %3; "
                        "selection-background-color: %4; selection-color: %5; outline: none; }\n")
             .arg(css(c.listText), css(c.listBackground), css(c.border), css(c.selectionBackground),
                  css(c.selectionText));

    s += QStringLiteral(
             "QFrame[skinRole=\"page\"] { border: 1px solid %1; border-radius: %2px; background: %3; }\n")
             .arg(css(m.frame.border))
             .arg(m.frame.radius)
             .arg(css(m.frame.background));
    s += QStringLiteral("QFrame[skinRole=\"separator\"] { border: none; border-top: 1px solid %1; "
                        "border-bottom: 1px solid %2; background: transparent; }\n")
             .arg(css(m.separator.dark), css(m.separator.light));
    s += QStringLiteral(
             "QFrame[skinRole=\"trough\"] { border: 1px solid %1; border-radius: %2px; background: %3; }\n")
             .arg(css(m.trough.border))
             .arg(m.trough.radius)
             .arg(glossy(m.trough.top, m.trough.bottom, 0));
    return s;
}

}  // namespace SkinDetail
