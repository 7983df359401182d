// The skin engine: Skin loads a skin file (a text format of ours, docs/skin-format.md) and
// draws a window and its controls through it; SkinLabel is a text label drawn by the engine.
#pragma once

#include <QColor>
#include <QLabel>
#include <QObject>
#include <QString>

#include <stdexcept>

// A skin file that exists but cannot be used. what() names the file and the line.
class SkinError : public std::runtime_error {
public:
    SkinError(const QString& file, int line, const QString& reason);
    QString file() const { return m_file; }
    int line() const { return m_line; }

private:
    QString m_file;
    int m_line;
};

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

    // Loads a skin file; throws SkinError when it is malformed or unreadable.
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

// A label drawn by the skin engine. Caption is its default (user) property; a text with a
// line feed shows on two lines.
class SkinLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption USER true)

public:
    explicit SkinLabel(QWidget* parent = nullptr);
    QString Caption() const;
    void setCaption(const QString& caption);
};
