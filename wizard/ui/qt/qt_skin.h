// How the Qt runtime draws a skin's look: a style sheet for what style sheets express, paint
// filters for the rest; and SkinLabel, the text label that the skin draws.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <QWidget>

#include "wizard/skin/skin_model.h"

// A label drawn by the skin. Caption is its default (user) property; the text shows as given
// ('&' included) and a line feed starts a second line.
class SkinLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption USER true)

public:
    explicit SkinLabel(QWidget* parent = nullptr);
    QString Caption() const;
    void setCaption(const QString& caption);
};

namespace ui::qt {

// Draws window and the widgets in it through look from now on; a later call changes the look.
// Frames and picture boxes are drawn by their property skinRole: "page", "separator", "trough",
// "progress".
void ApplyLook(QWidget& window, const skin::SkinModel& look);

// The style sheet that draws the look's buttons, lists, labels and frames.
QString StyleSheetFor(const skin::SkinModel& look);

QColor ToQColor(const skin::Colour& colour);
skin::Colour FromQColor(const QColor& colour);

}  // namespace ui::qt
