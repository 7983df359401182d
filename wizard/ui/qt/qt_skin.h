// The skin engine of the Qt runtime: Skin turns a skin file into style sheets and paint filters
// for a window and its controls; SkinLabel is a text label drawn by the engine.
#pragma once

#include <QColor>
#include <QLabel>
#include <QObject>
#include <QString>

#include "wizard/skin/skin_model.h"

class Skin : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString m_bstrAuthor MEMBER m_bstrAuthor)
    Q_PROPERTY(QString m_bstrDescription MEMBER m_bstrDescription)
    Q_PROPERTY(QString m_bstrApplication MEMBER m_bstrApplication)
    Q_PROPERTY(int m_nHue MEMBER m_nHue)
    Q_PROPERTY(QColor m_BackColor MEMBER m_BackColor)
    Q_PROPERTY(QColor m_ForeColor MEMBER m_ForeColor)
    Q_PROPERTY(QColor m_PanelColor MEMBER m_PanelColor)
    Q_PROPERTY(QColor m_PanelTextColor MEMBER m_PanelTextColor)
    Q_PROPERTY(bool m_bApplyColors MEMBER m_bApplyColors)

public:
    explicit Skin(QObject* parent = nullptr);
    ~Skin() override;

    // Loads a skin file; throws skin::SkinError when it is malformed or unreadable. A failed load
    // keeps the skin loaded before.
    void LoadSkinFile(const QString& path);
    // Applies the loaded skin to the window with this native handle and to all its controls.
    void ApplySkin(qintptr hwnd);

    // Stored settings (see the property list above).
    QString m_bstrAuthor;
    QString m_bstrDescription;
    QString m_bstrApplication;
    int m_nHue = 0;
    QColor m_BackColor{255, 255, 255};
    QColor m_ForeColor{0, 0, 0};
    QColor m_PanelColor{192, 192, 192};
    QColor m_PanelTextColor{0, 0, 0};
    bool m_bApplyColors = false;

private:
    struct Data;
    Data* d;
};

// A label drawn by the skin engine. Caption is its default (user) property; the text shows as
// given ('&' included) and a line feed starts a second line.
class SkinLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption USER true)

public:
    explicit SkinLabel(QWidget* parent = nullptr);
    QString Caption() const;
    void setCaption(const QString& caption);
};

namespace SkinDetail {

QColor ToQColor(const skin::Colour& colour);
skin::Colour FromQColor(const QColor& colour);

// The style sheet that draws the model's buttons, lists, labels and frames.
QString styleSheetFor(const skin::SkinModel& model);

}  // namespace SkinDetail
