#include "wizard/skin/Skin.h"

#include "wizard/skin/SkinModel.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
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

using SkinDetail::SkinModel;

namespace {

QString errorText(const QString& file, int line, const QString& reason)
{
    if (file.isEmpty()) return QStringLiteral("The skin cannot be applied: %1.").arg(reason);
    if (line <= 0) return QStringLiteral("The skin file %1 cannot be used: %2.").arg(file, reason);
    return QStringLiteral("The skin file %1 is damaged: line %2: %3.").arg(file).arg(line).arg(reason);
}

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
        painter.setBrush(combo->isEnabled() ? arrow : SkinDetail::mix(arrow, QColor(255, 255, 255), 0.6));
        painter.drawPolygon(points, 3);
    }

    void paintProgress(QWidget* widget) const
    {
        const QRect r = widget->rect();
        if (r.isEmpty()) return;
        const QColor base = widget->palette().color(widget->backgroundRole());
        const QColor white(255, 255, 255);
        const double g = progressGloss / 100.0;
        QLinearGradient gradient(0, r.top(), 0, r.bottom() + 1);
        gradient.setColorAt(0, SkinDetail::mix(base, white, 0.65 * g));
        gradient.setColorAt(0.45, SkinDetail::mix(base, white, 0.3 * g));
        gradient.setColorAt(0.5, base);
        gradient.setColorAt(0.8, base);
        gradient.setColorAt(1, SkinDetail::mix(base, white, 0.25 * g));
        QPainter painter(widget);
        painter.fillRect(r, gradient);
    }
};

}  // namespace

SkinError::SkinError(const QString& file, int line, const QString& reason)
    : std::runtime_error(errorText(file, line, reason).toStdString()), m_file(file), m_line(line)
{}

struct Skin::Data {
    std::optional<SkinModel> model;
    SkinPainter* painter = nullptr;  // child of the Skin object
};

Skin::Skin(QObject* parent) : QObject(parent), d(new Data) { d->painter = new SkinPainter(this); }

Skin::~Skin() { delete d; }

void Skin::LoadSkinFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SkinError(path, 0, QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    // One byte more than the parser accepts, so that an oversized file is still recognised.
    const QByteArray bytes = file.read(1024 * 1024 + 1);
    if (file.error() != QFileDevice::NoError)
        throw SkinError(path, 0, QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    // A failed load leaves the skin loaded before untouched.
    d->model = SkinDetail::parseSkin(bytes, path);
}

void Skin::ApplySkin(qintptr hwnd)
{
    if (!d->model) throw SkinError(QString(), 0, QStringLiteral("no skin file has been loaded"));
    QWidget* window = QWidget::find(static_cast<WId>(hwnd));
    if (window == nullptr)
        throw SkinError(QString(), 0,
                        QStringLiteral("there is no window with the native handle %1").arg(hwnd));

    SkinModel look = SkinDetail::shiftHue(*d->model, m_nHue);
    if (m_bApplyColors) {
        // The window's own colours replace the skin's; they are used as given, without the hue.
        look.window.top = m_BackColor;
        look.window.bottom = m_BackColor.darker(112);
        look.window.text = m_ForeColor;
        look.label.text = m_ForeColor;
        const QColor& panel = m_PanelColor;
        look.button.normal = {panel.lighter(125), panel, panel.darker(160), m_PanelTextColor};
        look.button.hover = {panel.lighter(140), panel.lighter(110), panel.darker(180), m_PanelTextColor};
        look.button.pressed = {panel.darker(115), panel.darker(105), panel.darker(190), m_PanelTextColor};
        look.combo.top = panel.lighter(130);
        look.combo.bottom = panel;
        look.combo.buttonTop = panel.lighter(125);
        look.combo.buttonBottom = panel;
        look.combo.text = m_PanelTextColor;
    }

    SkinPainter* painter = d->painter;
    if (painter->window && painter->window != window) painter->window->removeEventFilter(painter);
    painter->window = window;
    painter->top = look.window.top;
    painter->bottom = look.window.bottom;
    painter->arrow = look.combo.arrow;
    painter->progressGloss = look.progress.gloss;

    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, SkinDetail::mix(look.window.top, look.window.bottom, 0.5));
    palette.setColor(QPalette::WindowText, look.window.text);
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
