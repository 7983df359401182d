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

#include <QStringList>

#include <string>
#include <vector>

SkinLabel::SkinLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
}

QString SkinLabel::Caption() const { return text(); }

void SkinLabel::setCaption(const QString& caption) { setText(caption); }

namespace ui::qt {
namespace {

bool HasRole(const QObject* object, const char* role)
{
    return object->property("skinRole").toString() == QLatin1String(role);
}

void SetStops(QLinearGradient& gradient, const std::vector<skin::GradientStop>& stops)
{
    for (const skin::GradientStop& stop : stops) gradient.setColorAt(stop.at, ToQColor(stop.colour));
}

// Paints what a style sheet cannot express: the window's gradient, which must span the whole
// window whatever part of it is repainted; the gloss over progress bars, which keeps each bar's
// own colour; and the arrow of drop-down lists in the skin's colour. Background and gloss go
// under the widget's own painting, the arrow over it. One for each window, as its child.
class SkinPainter : public QObject {
public:
    explicit SkinPainter(QWidget& window) : QObject(&window), window_(&window) { setObjectName(kName); }

    // The painter of a window, found by this name among its children.
    static constexpr const char* kName = "tessalineSkinPainter";

    skin::SkinModel look;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr) return false;
        const QRect area = static_cast<QPaintEvent*>(event)->rect();
        if (widget == window_) {
            PaintBackground(widget, area);
        } else if (HasRole(widget, "progress")) {
            PaintProgress(widget);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->event(event);  // the list's own painting first, then the arrow on top of it
            PaintArrow(combo);
            return true;
        }
        return false;
    }

private:
    void PaintBackground(QWidget* widget, const QRect& area) const
    {
        QPainter painter(widget);
        QLinearGradient gradient(0, 0, 0, widget->height());
        gradient.setColorAt(0, ToQColor(look.window.top));
        gradient.setColorAt(1, ToQColor(look.window.bottom));
        painter.fillRect(area, gradient);
    }

    void PaintArrow(QComboBox* combo) const
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
        painter.setBrush(ToQColor(skin::ArrowColour(look, combo->isEnabled())));
        painter.drawPolygon(points, 3);
    }

    void PaintProgress(QWidget* widget) const
    {
        const QRect r = widget->rect();
        if (r.isEmpty()) return;
        const QColor base = widget->palette().color(widget->backgroundRole());
        QLinearGradient gradient(0, r.top(), 0, r.bottom() + 1);
        SetStops(gradient, skin::ProgressGlossStops(FromQColor(base), look.progress.gloss));
        QPainter painter(widget);
        painter.fillRect(r, gradient);
    }

    QWidget* window_;
};

QString Css(const skin::Colour& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.r).arg(c.g).arg(c.b).arg(c.a);
}

// A vertical gradient with the skin's gloss (skin::GlossyStops).
QString Glossy(const skin::Colour& top, const skin::Colour& bottom, int gloss)
{
    QStringList stops;
    for (const skin::GradientStop& stop : skin::GlossyStops(top, bottom, gloss))
        stops << QStringLiteral("stop:%1 %2").arg(QString::number(stop.at, 'g', 4), Css(stop.colour));
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, %1)")
        .arg(stops.join(QStringLiteral(", ")));
}

QString ButtonRule(const QString& selector, const skin::ButtonLook& look, int gloss)
{
    return QStringLiteral("%1 { color: %2; border-color: %3; background: %4; }\n")
        .arg(selector, Css(look.text), Css(look.border), Glossy(look.top, look.bottom, gloss));
}

QString PseudoState(skin::ButtonState state)
{
    switch (state) {
    case skin::ButtonState::Default: return QStringLiteral(":default");
    case skin::ButtonState::Hover: return QStringLiteral(":hover");
    case skin::ButtonState::Pressed: return QStringLiteral(":pressed");
    case skin::ButtonState::Focus: return QStringLiteral(":focus");
    case skin::ButtonState::Disabled: return QStringLiteral(":disabled");
    }
    return QString();
}

}  // namespace

QColor ToQColor(const skin::Colour& colour) { return QColor(colour.r, colour.g, colour.b, colour.a); }

skin::Colour FromQColor(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return skin::Colour{static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                        static_cast<std::uint8_t>(rgb.blue()), static_cast<std::uint8_t>(rgb.alpha())};
}

void ApplyLook(QWidget& window, const skin::SkinModel& look)
{
    // SkinPainter has no meta-object of its own: it is told from the window's other children by
    // its name.
    auto* painter = static_cast<SkinPainter*>(
        window.findChild<QObject*>(QLatin1String(SkinPainter::kName), Qt::FindDirectChildrenOnly));
    if (painter == nullptr) painter = new SkinPainter(window);
    painter->look = look;

    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, ToQColor(skin::Mix(look.window.top, look.window.bottom, 0.5)));
    palette.setColor(QPalette::WindowText, ToQColor(look.window.text));
    window.setPalette(palette);
    window.setStyleSheet(StyleSheetFor(look));

    window.installEventFilter(painter);
    const QList<QWidget*> children = window.findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (HasRole(child, "progress") || qobject_cast<QComboBox*>(child) != nullptr)
            child->installEventFilter(painter);
    }
    window.update();
}

QString StyleSheetFor(const skin::SkinModel& m)
{
    const auto& b = m.button;
    const auto& c = m.combo;
    QString s;
    s += QStringLiteral("SkinLabel { color: %1; background: transparent; }\n").arg(Css(m.label.text));
    s += QStringLiteral("QPushButton { border: 1px solid; border-radius: %1px; padding: 0px 6px; }\n")
             .arg(b.radius);
    s += ButtonRule(QStringLiteral("QPushButton"), b.normal, b.gloss);
    // Later rules win, in the order the states cascade (skin::kButtonStateOrder).
    for (const skin::ButtonStateLook& state : skin::kButtonStateOrder) {
        const QString selector = QStringLiteral("QPushButton") + PseudoState(state.state);
        const skin::ButtonLook given = skin::StateLook(m, state.state);
        if (state.borderOnly)
            s += QStringLiteral("%1 { border-color: %2; }\n").arg(selector, Css(given.border));
        else
            s += ButtonRule(selector, given, b.gloss);
    }

    s += QStringLiteral("QComboBox { color: %1; border: 1px solid %2; border-radius: %3px; "
                        "padding: 1px 18px 1px 5px; background: %4; selection-background-color: %5; "
                        "selection-color: %6; }\n")
             .arg(Css(c.text), Css(c.border))
             .arg(c.radius)
             .arg(Glossy(c.top, c.bottom, 0), Css(c.selectionBackground), Css(c.selectionText));
    s += QStringLiteral("QComboBox:hover { border-color: %1; }\n").arg(Css(c.hoverBorder));
    s += QStringLiteral("QComboBox:focus { border-color: %1; }\n").arg(Css(c.focusBorder));
    s += QStringLiteral("QComboBox:disabled { color: %1; }\n").arg(Css(c.disabledText));
    s +=
        QStringLiteral("QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right; "
                       "width: 16px; border: none; border-left: 1px solid %1; border-top-right-radius: %2px; "
                       "border-bottom-right-radius: %2px; background: %3; }\n")
            .arg(Css(c.border))
            .arg(qMax(c.radius - 1, 0))
            .arg(Glossy(c.buttonTop, c.buttonBottom, b.gloss));
    s += QStringLiteral("QComboBox QAbstractItemView { color: %1; background: %2; border: 1px solid %3; "
                        "selection-background-color: %4; selection-color: %5; outline: none; }\n")
             .arg(Css(c.listText), Css(c.listBackground), Css(c.border), Css(c.selectionBackground),
                  Css(c.selectionText));

    s += QStringLiteral(
             "QFrame[skinRole=\"page\"] { border: 1px solid %1; border-radius: %2px; background: %3; }\n")
             .arg(Css(m.frame.border))
             .arg(m.frame.radius)
             .arg(Css(m.frame.background));
    s += QStringLiteral("QFrame[skinRole=\"separator\"] { border: none; border-top: 1px solid %1; "
                        "border-bottom: 1px solid %2; background: transparent; }\n")
             .arg(Css(m.separator.dark), Css(m.separator.light));
    s += QStringLiteral(
             "QFrame[skinRole=\"trough\"] { border: 1px solid %1; border-radius: %2px; background: %3; }\n")
             .arg(Css(m.trough.border))
             .arg(m.trough.radius)
             .arg(Glossy(m.trough.top, m.trough.bottom, 0));
    return s;
}

}  // namespace ui::qt
