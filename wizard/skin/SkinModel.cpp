#include "wizard/skin/SkinModel.h"

#include "wizard/skin/Skin.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace SkinDetail {

namespace {

constexpr qsizetype MaxFileSize = qsizetype{1024} * 1024;
const QString Header = QStringLiteral("tessaline-skin 1");

QString quoted(const QString& text)
{
    const int limit = 40;
    const QString shown = text.size() > limit ? text.left(limit) + QStringLiteral("...") : text;
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

bool parseColour(const QString& value, QColor& colour)
{
    static const QRegularExpression form(QStringLiteral("^#([0-9a-fA-F]{6})([0-9a-fA-F]{2})?$"));
    const QRegularExpressionMatch m = form.match(value);
    if (!m.hasMatch()) return false;
    const uint rgb = m.captured(1).toUInt(nullptr, 16);
    const int alpha = m.capturedLength(2) > 0 ? m.captured(2).toInt(nullptr, 16) : 255;
    colour = QColor(int((rgb >> 16) & 0xff), int((rgb >> 8) & 0xff), int(rgb & 0xff), alpha);
    return true;
}

// Splits the raw bytes into lines, each checked to be text and decoded from UTF-8.
QStringList decodeLines(const QByteArray& bytes, const QString& fileName)
{
    QList<QByteArray> raw = bytes.split('\n');
    if (raw.size() > 1 && raw.last().isEmpty()) raw.removeLast();
    QStringList lines;
    lines.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QByteArray line = raw[i];
        const int number = int(i + 1);
        if (line.endsWith('\r')) line.chop(1);
        for (const char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && u != '\t') || u == 0x7f)
                throw SkinError(fileName, number, QStringLiteral("binary data, not text"));
        }
        QStringDecoder decoder(QStringConverter::Utf8);
        QString text = decoder.decode(line);
        if (decoder.hasError())
            throw SkinError(fileName, number, QStringLiteral("the text is not valid UTF-8"));
        lines.append(text);
    }
    return lines;
}

void storeValue(const Field& field, const QString& key, const QString& value, const QString& fileName,
                int number)
{
    switch (field.kind) {
    case FieldKind::Text:
        if (value.size() < 2 || !value.startsWith(QLatin1Char('"')) || !value.endsWith(QLatin1Char('"')) ||
            value.mid(1, value.size() - 2).contains(QLatin1Char('"')))
            throw SkinError(fileName, number,
                            QStringLiteral("the text of \"%1\" must stand in double quotes").arg(key));
        *static_cast<QString*>(field.target) = value.mid(1, value.size() - 2);
        break;
    case FieldKind::Colour:
        if (!parseColour(value, *static_cast<QColor*>(field.target)))
            throw SkinError(fileName, number, QStringLiteral("unknown colour %1").arg(quoted(value)));
        break;
    case FieldKind::Number: {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,4}$"));
        const int n = digits.match(value).hasMatch() ? value.toInt() : -1;
        if (n < 0 || n > field.maximum)
            throw SkinError(fileName, number,
                            QStringLiteral("bad number %1 for \"%2\" (allowed: 0 to %3)")
                                .arg(quoted(value), key)
                                .arg(field.maximum));
        *static_cast<int*>(field.target) = n;
        break;
    }
    }
}

void addButtonLook(std::vector<Field>& fields, const char* const keys[4], ButtonLook& look)
{
    QColor* members[4] = {&look.top, &look.bottom, &look.border, &look.text};
    for (int i = 0; i < 4; ++i) fields.push_back({"button", keys[i], FieldKind::Colour, members[i], 0});
}

QString css(const QColor& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// A vertical gradient; a gloss above zero splits it into a bright upper half and a glowing lower half.
QString glossy(const QColor& top, const QColor& bottom, int gloss)
{
    const double g = gloss / 100.0;
    const QColor middle = mix(top, bottom, 0.5);
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:0.5 %2, "
                          "stop:0.51 %3, stop:1 %4)")
        .arg(css(top), css(mix(top, bottom, 0.5 - 0.15 * g)), css(mix(middle, bottom, g)),
             css(mix(bottom, mix(bottom, top, 0.45), g)));
}

QString buttonRule(const QString& selector, const ButtonLook& look, int gloss)
{
    return QStringLiteral("%1 { color: %2; border-color: %3; background: %4; }\n")
        .arg(selector, css(look.text), css(look.border), glossy(look.top, look.bottom, gloss));
}

}  // namespace

QColor mix(const QColor& a, const QColor& b, double amount)
{
    const double t = std::clamp(amount, 0.0, 1.0);
    auto blend = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(blend(a.red(), b.red()), blend(a.green(), b.green()), blend(a.blue(), b.blue()),
                  blend(a.alpha(), b.alpha()));
}

std::vector<Field> fieldsOf(SkinModel& m)
{
    std::vector<Field> f = {
        {"info", "name", FieldKind::Text, &m.name, 0},
        {"info", "author", FieldKind::Text, &m.author, 0},
        {"info", "description", FieldKind::Text, &m.description, 0},
        {"window", "background-top", FieldKind::Colour, &m.window.top, 0},
        {"window", "background-bottom", FieldKind::Colour, &m.window.bottom, 0},
        {"window", "text", FieldKind::Colour, &m.window.text, 0},
        {"label", "text", FieldKind::Colour, &m.label.text, 0},
        {"button", "radius", FieldKind::Number, &m.button.radius, 20},
        {"button", "gloss", FieldKind::Number, &m.button.gloss, 100},
        {"button", "focus-border", FieldKind::Colour, &m.button.focusBorder, 0},
        {"button", "default-border", FieldKind::Colour, &m.button.defaultBorder, 0},
    };
    static const char* const normal[4] = {"normal-top", "normal-bottom", "normal-border", "normal-text"};
    static const char* const hover[4] = {"hover-top", "hover-bottom", "hover-border", "hover-text"};
    static const char* const pressed[4] = {"pressed-top", "pressed-bottom", "pressed-border", "pressed-text"};
    static const char* const disabled[4] = {"disabled-top", "disabled-bottom", "disabled-border",
                                            "disabled-text"};
    addButtonLook(f, normal, m.button.normal);
    addButtonLook(f, hover, m.button.hover);
    addButtonLook(f, pressed, m.button.pressed);
    addButtonLook(f, disabled, m.button.disabled);
    const std::vector<Field> rest = {
        {"combo", "radius", FieldKind::Number, &m.combo.radius, 20},
        {"combo", "top", FieldKind::Colour, &m.combo.top, 0},
        {"combo", "bottom", FieldKind::Colour, &m.combo.bottom, 0},
        {"combo", "border", FieldKind::Colour, &m.combo.border, 0},
        {"combo", "text", FieldKind::Colour, &m.combo.text, 0},
        {"combo", "hover-border", FieldKind::Colour, &m.combo.hoverBorder, 0},
        {"combo", "focus-border", FieldKind::Colour, &m.combo.focusBorder, 0},
        {"combo", "disabled-text", FieldKind::Colour, &m.combo.disabledText, 0},
        {"combo", "button-top", FieldKind::Colour, &m.combo.buttonTop, 0},
        {"combo", "button-bottom", FieldKind::Colour, &m.combo.buttonBottom, 0},
        {"combo", "arrow", FieldKind::Colour, &m.combo.arrow, 0},
        {"combo", "list-background", FieldKind::Colour, &m.combo.listBackground, 0},
        {"combo", "list-text", FieldKind::Colour, &m.combo.listText, 0},
        {"combo", "selection-background", FieldKind::Colour, &m.combo.selectionBackground, 0},
        {"combo", "selection-text", FieldKind::Colour, &m.combo.selectionText, 0},
        {"trough", "radius", FieldKind::Number, &m.trough.radius, 20},
        {"trough", "top", FieldKind::Colour, &m.trough.top, 0},
        {"trough", "bottom", FieldKind::Colour, &m.trough.bottom, 0},
        {"trough", "border", FieldKind::Colour, &m.trough.border, 0},
        {"progress", "gloss", FieldKind::Number, &m.progress.gloss, 100},
        {"frame", "radius", FieldKind::Number, &m.frame.radius, 20},
        {"frame", "border", FieldKind::Colour, &m.frame.border, 0},
        {"frame", "background", FieldKind::Colour, &m.frame.background, 0},
        {"separator", "dark", FieldKind::Colour, &m.separator.dark, 0},
        {"separator", "light", FieldKind::Colour, &m.separator.light, 0},
    };
    f.insert(f.end(), rest.begin(), rest.end());
    return f;
}

SkinModel parseSkin(const QByteArray& bytes, const QString& fileName)
{
    if (bytes.isEmpty()) throw SkinError(fileName, 0, QStringLiteral("the file is empty"));
    if (bytes.size() > MaxFileSize)
        throw SkinError(fileName, 0, QStringLiteral("the file is larger than 1 MiB"));

    const QStringList lines = decodeLines(bytes, fileName);
    SkinModel model;
    const std::vector<Field> fields = fieldsOf(model);
    QHash<QString, const Field*> byName;
    QHash<QString, bool> sections;
    for (const Field& field : fields) {
        byName.insert(QLatin1String(field.section) + QLatin1Char('.') + QLatin1String(field.key), &field);
        sections.insert(QLatin1String(field.section), true);
    }

    static const QRegularExpression sectionLine(QStringLiteral("^\\[([^\\]]*)\\]$"));
    static const QRegularExpression keyLine(QStringLiteral("^([A-Za-z0-9_.-]+)\\s*=\\s*(.*)$"));
    QHash<QString, int> seen;
    QString section;
    bool headerRead = false;
    int endLine = 0;

    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        QString line = lines[i].trimmed();
        if (i == 0 && line.startsWith(QChar(0xfeff))) line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (endLine != 0)
            throw SkinError(fileName, number,
                            QStringLiteral("text after the closing \"end\" line (line %1)").arg(endLine));
        if (!headerRead) {
            if (line.startsWith(QStringLiteral("tessaline-skin ")) && line != Header)
                throw SkinError(fileName, number,
                                QStringLiteral("unsupported format version %1").arg(quoted(line.mid(15))));
            if (line != Header)
                throw SkinError(
                    fileName, number,
                    QStringLiteral("not a skin file: the first line must read \"%1\"").arg(Header));
            headerRead = true;
            continue;
        }
        if (line == QStringLiteral("end")) {
            endLine = number;
            continue;
        }
        if (const QRegularExpressionMatch m = sectionLine.match(line); m.hasMatch()) {
            section = m.captured(1).trimmed();
            if (!sections.contains(section))
                throw SkinError(fileName, number, QStringLiteral("unknown section [%1]").arg(section));
            continue;
        }
        const QRegularExpressionMatch m = keyLine.match(line);
        if (!m.hasMatch())
            throw SkinError(
                fileName, number,
                QStringLiteral("bad syntax %1: expected [section], key = value or end").arg(quoted(line)));
        const QString key = m.captured(1);
        if (section.isEmpty())
            throw SkinError(fileName, number,
                            QStringLiteral("key \"%1\" stands before any [section]").arg(key));
        const QString name = section + QLatin1Char('.') + key;
        const Field* field = byName.value(name);
        if (field == nullptr)
            throw SkinError(fileName, number, QStringLiteral("unknown key \"%1\" in [%2]").arg(key, section));
        if (seen.contains(name))
            throw SkinError(fileName, number,
                            QStringLiteral("key \"%1\" in [%2] is given twice (first on line %3)")
                                .arg(key, section)
                                .arg(seen.value(name)));
        seen.insert(name, number);
        storeValue(*field, key, m.captured(2).trimmed(), fileName, number);
    }

    const int last = int(lines.size());
    if (!headerRead)
        throw SkinError(fileName, last,
                        QStringLiteral("not a skin file: the line \"%1\" is missing").arg(Header));
    if (endLine == 0)
        throw SkinError(fileName, last,
                        QStringLiteral("the file is cut short: its closing \"end\" line is missing"));
    return model;
}

SkinModel shiftHue(const SkinModel& model, int degrees)
{
    SkinModel shifted = model;
    const int turn = ((degrees % 360) + 360) % 360;
    if (turn == 0) return shifted;
    for (const Field& field : fieldsOf(shifted)) {
        if (field.kind != FieldKind::Colour) continue;
        QColor& colour = *static_cast<QColor*>(field.target);
        float h = 0, s = 0, v = 0, a = 0;
        colour.getHsvF(&h, &s, &v, &a);
        if (h < 0)  // grey: no hue to turn
            continue;
        float turned = h + float(turn) / 360.0f;
        if (turned >= 1.0f) turned -= 1.0f;
        colour = QColor::fromHsvF(turned, s, v, a).toRgb();
    }
    return shifted;
}

QString styleSheetFor(const SkinModel& m)
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
