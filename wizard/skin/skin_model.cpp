#include "wizard/skin/skin_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "platform/app.h"

namespace skin {
namespace {

constexpr std::string_view kHeader = "tessaline-skin 1";

std::string ErrorText(const std::string& file, int line, const std::string& reason)
{
    if (file.empty()) return "The skin cannot be applied: " + reason + ".";
    if (line <= 0) return "The skin file " + file + " cannot be used: " + reason + ".";
    return "The skin file " + file + " is damaged: line " + std::to_string(line) + ": " + reason + ".";
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// A value as it is shown in an error: in double quotes, cut after 40 characters.
std::string Quoted(std::string_view text)
{
    constexpr std::size_t kLimit = 40;
    std::string shown;
    std::size_t characters = 0;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80 && characters++ == kLimit) break;
        shown += text[i];
    }
    if (i < text.size()) shown += "...";
    return "\"" + shown + "\"";
}

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t lowest = 0;
        std::uint32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, lowest = 0x80, value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, lowest = 0x800, value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, lowest = 0x10000, value = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// #rrggbb or #rrggbbaa.
bool ParseColour(std::string_view value, Colour& colour)
{
    if ((value.size() != 7 && value.size() != 9) || value[0] != '#') return false;
    std::uint8_t parts[4] = {0, 0, 0, 255};
    for (std::size_t i = 1, part = 0; i < value.size(); i += 2, ++part) {
        const int high = HexDigit(value[i]);
        const int low = HexDigit(value[i + 1]);
        if (high < 0 || low < 0) return false;
        parts[part] = static_cast<std::uint8_t>(high * 16 + low);
    }
    colour = Colour{parts[0], parts[1], parts[2], parts[3]};
    return true;
}

// A whole number of one to four digits; -1 for anything else.
int ParseNumber(std::string_view value)
{
    if (value.empty() || value.size() > 4) return -1;
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool IsKeyCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// Splits the raw bytes into lines, each checked to be text in UTF-8; a final line feed ends the
// last line instead of starting an empty one.
std::vector<std::string_view> SplitLines(std::string_view bytes, const std::string& fileName)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            if (start < bytes.size() || lines.empty()) lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, lf - start));
        start = lf + 1;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view& line = lines[i];
        const int number = static_cast<int>(i + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        for (const char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && u != '\t') || u == 0x7f)
                throw SkinError(fileName, number, "binary data, not text");
        }
        if (!IsUtf8(line)) throw SkinError(fileName, number, "the text is not valid UTF-8");
    }
    return lines;
}

void StoreValue(const Field& field, const std::string& key, std::string_view value,
                const std::string& fileName, int number)
{
    switch (field.kind) {
    case FieldKind::Text:
        if (value.size() < 2 || value.front() != '"' || value.back() != '"' ||
            value.substr(1, value.size() - 2).find('"') != std::string_view::npos)
            throw SkinError(fileName, number, "the text of \"" + key + "\" must stand in double quotes");
        *static_cast<std::string*>(field.target) = std::string(value.substr(1, value.size() - 2));
        break;
    case FieldKind::Colour:
        if (!ParseColour(value, *static_cast<Colour*>(field.target)))
            throw SkinError(fileName, number, "unknown colour " + Quoted(value));
        break;
    case FieldKind::Number: {
        const int n = ParseNumber(value);
        if (n < 0 || n > field.maximum)
            throw SkinError(fileName, number,
                            "bad number " + Quoted(value) + " for \"" + key + "\" (allowed: 0 to " +
                                std::to_string(field.maximum) + ")");
        *static_cast<int*>(field.target) = n;
        break;
    }
    }
}

void AddButtonLook(std::vector<Field>& fields, const char* const keys[4], ButtonLook& look)
{
    Colour* members[4] = {&look.top, &look.bottom, &look.border, &look.text};
    for (int i = 0; i < 4; ++i) fields.push_back({"button", keys[i], FieldKind::Colour, members[i], 0});
}

// Colour arithmetic in the painter's own terms: channels of 16 bits, hue in hundredths of a
// degree, so that both runtimes get the very values a Qt colour would give.
constexpr int kMax16 = 65535;
constexpr int kNoHue = 65535;

struct Hsv16 {
    int hue = kNoHue;  // 0..35999, kNoHue for a grey
    int saturation = 0;
    int value = 0;
    int alpha = kMax16;
};

// Qt's own rounding, which the colours must match to the unit; every value rounded here is positive.
int Round(float x) { return int(x + 0.5f); }  // NOLINT(bugprone-incorrect-roundings)

bool FuzzyEqual(float a, float b)
{
    return std::fabs(a - b) * 100000.f <= std::min(std::fabs(a), std::fabs(b));
}

std::uint8_t To8(int channel16)
{
    return static_cast<std::uint8_t>((channel16 - (channel16 >> 8) + 0x80) >> 8);
}

Hsv16 ToHsv16(const Colour& colour)
{
    const float r = float(colour.r * 0x101) / float(kMax16);
    const float g = float(colour.g * 0x101) / float(kMax16);
    const float b = float(colour.b * 0x101) / float(kMax16);
    const float max = std::max({r, g, b});
    const float min = std::min({r, g, b});
    const float delta = max - min;
    Hsv16 hsv;
    hsv.alpha = colour.a * 0x101;
    hsv.value = Round(max * kMax16);
    if (std::fabs(delta) <= 0.00001f) return hsv;
    hsv.saturation = Round((delta / max) * kMax16);
    float hue = 0;
    if (FuzzyEqual(r, max))
        hue = (g - b) / delta;
    else if (FuzzyEqual(g, max))
        hue = 2.0f + (b - r) / delta;
    else if (FuzzyEqual(b, max))
        hue = 4.0f + (r - g) / delta;
    hue *= 60.0f;
    if (hue < 0.0f) hue += 360.0f;
    hsv.hue = Round(hue * 100.0f);
    return hsv;
}

Colour FromHsv16(const Hsv16& hsv)
{
    int r16 = hsv.value;
    int g16 = hsv.value;
    int b16 = hsv.value;
    if (hsv.saturation != 0 && hsv.hue != kNoHue) {
        const float h = hsv.hue == 36000 ? 0.0f : float(hsv.hue) / 6000.0f;
        const float s = float(hsv.saturation) / float(kMax16);
        const float v = float(hsv.value) / float(kMax16);
        const int i = int(h);
        const float f = h - float(i);
        const float p = v * (1.0f - s);
        float r = 0, g = 0, b = 0;
        if (i & 1) {
            const float q = v * (1.0f - (s * f));
            if (i == 1) r = q, g = v, b = p;
            if (i == 3) r = p, g = q, b = v;
            if (i == 5) r = v, g = p, b = q;
        } else {
            const float t = v * (1.0f - (s * (1.0f - f)));
            if (i == 0) r = v, g = t, b = p;
            if (i == 2) r = p, g = v, b = t;
            if (i == 4) r = t, g = p, b = v;
        }
        r16 = Round(r * kMax16);
        g16 = Round(g * kMax16);
        b16 = Round(b * kMax16);
    }
    return Colour{To8(r16), To8(g16), To8(b16), To8(hsv.alpha)};
}

// The value scaled by percent/100; what overflows is taken from the saturation.
Colour ScaleValue(const Colour& colour, int numerator, int denominator)
{
    Hsv16 hsv = ToHsv16(colour);
    long long v = static_cast<long long>(hsv.value) * numerator / denominator;
    if (v > kMax16) {
        hsv.saturation = std::max(0, hsv.saturation - static_cast<int>(v - kMax16));
        v = kMax16;
    }
    hsv.value = static_cast<int>(v);
    return FromHsv16(hsv);
}

}  // namespace

SkinError::SkinError(const std::string& file, int line, const std::string& reason)
    : std::runtime_error(ErrorText(file, line, reason)), file_(file), line_(line)
{}

Colour Mix(const Colour& a, const Colour& b, double amount)
{
    const double t = std::clamp(amount, 0.0, 1.0);
    auto blend = [t](int x, int y) { return static_cast<std::uint8_t>(std::lround(x + (y - x) * t)); };
    return Colour{blend(a.r, b.r), blend(a.g, b.g), blend(a.b, b.b), blend(a.a, b.a)};
}

Colour Lighter(const Colour& colour, int percent)
{
    if (percent <= 0) return colour;
    if (percent < 100) return Darker(colour, 10000 / percent);
    return ScaleValue(colour, percent, 100);
}

Colour Darker(const Colour& colour, int percent)
{
    if (percent <= 0) return colour;
    if (percent < 100) return Lighter(colour, 10000 / percent);
    return ScaleValue(colour, 100, percent);
}

int Lightness(const Colour& colour)
{
    const int max = std::max({colour.r, colour.g, colour.b});
    const int min = std::min({colour.r, colour.g, colour.b});
    return static_cast<int>(std::lround((max + min) / 2.0));
}

std::vector<GradientStop> GlossyStops(const Colour& top, const Colour& bottom, int gloss)
{
    const double g = gloss / 100.0;
    const Colour middle = Mix(top, bottom, 0.5);
    return {{0.0, top},
            {0.5, Mix(top, bottom, 0.5 - 0.15 * g)},
            {0.51, Mix(middle, bottom, g)},
            {1.0, Mix(bottom, Mix(bottom, top, 0.45), g)}};
}

std::vector<GradientStop> ProgressGlossStops(const Colour& base, int gloss)
{
    const double g = gloss / 100.0;
    const Colour white{255, 255, 255};
    return {{0.0, Mix(base, white, 0.65 * g)},
            {0.45, Mix(base, white, 0.3 * g)},
            {0.5, base},
            {0.8, base},
            {1.0, Mix(base, white, 0.25 * g)}};
}

Colour ArrowColour(const SkinModel& look, bool enabled)
{
    return enabled ? look.combo.arrow : Mix(look.combo.arrow, {255, 255, 255}, 0.6);
}

ButtonLook StateLook(const SkinModel& look, ButtonState state)
{
    const auto& b = look.button;
    ButtonLook border = b.normal;
    switch (state) {
    case ButtonState::Default: border.border = b.defaultBorder; return border;
    case ButtonState::Hover: return b.hover;
    case ButtonState::Pressed: return b.pressed;
    case ButtonState::Focus: border.border = b.focusBorder; return border;
    case ButtonState::Disabled: return b.disabled;
    }
    return b.normal;
}

bool ButtonStates::Has(ButtonState state) const
{
    switch (state) {
    case ButtonState::Default: return isDefault;
    case ButtonState::Hover: return hover;
    case ButtonState::Pressed: return pressed;
    case ButtonState::Focus: return focus;
    case ButtonState::Disabled: return disabled;
    }
    return false;
}

ButtonLook ButtonLookFor(const SkinModel& look, const ButtonStates& states)
{
    ButtonLook face = look.button.normal;
    for (const ButtonStateLook& rule : kButtonStateOrder) {
        if (!states.Has(rule.state)) continue;
        const ButtonLook given = StateLook(look, rule.state);
        if (rule.borderOnly)
            face.border = given.border;
        else
            face = given;
    }
    return face;
}

std::vector<Field> FieldsOf(SkinModel& m)
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
    AddButtonLook(f, normal, m.button.normal);
    AddButtonLook(f, hover, m.button.hover);
    AddButtonLook(f, pressed, m.button.pressed);
    AddButtonLook(f, disabled, m.button.disabled);
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

SkinModel ParseSkin(std::string_view bytes, const std::string& fileName)
{
    if (bytes.empty()) throw SkinError(fileName, 0, "the file is empty");
    if (bytes.size() > kMaxSkinFileBytes) throw SkinError(fileName, 0, "the file is larger than 1 MiB");

    const std::vector<std::string_view> lines = SplitLines(bytes, fileName);
    SkinModel model;
    const std::vector<Field> fields = FieldsOf(model);
    std::map<std::string, const Field*> byName;
    std::set<std::string> sections;
    for (const Field& field : fields) {
        byName.emplace(std::string(field.section) + "." + field.key, &field);
        sections.insert(field.section);
    }

    std::map<std::string, int> seen;
    std::string section;
    bool headerRead = false;
    int endLine = 0;

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        std::string_view line = Trimmed(lines[i]);
        if (i == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line = Trimmed(line.substr(3));
        if (line.empty() || line.front() == '#') continue;
        if (endLine != 0)
            throw SkinError(fileName, number,
                            "text after the closing \"end\" line (line " + std::to_string(endLine) + ")");
        if (!headerRead) {
            if (line.substr(0, 15) == "tessaline-skin " && line != kHeader)
                throw SkinError(fileName, number, "unsupported format version " + Quoted(line.substr(15)));
            if (line != kHeader)
                throw SkinError(fileName, number,
                                "not a skin file: the first line must read \"" + std::string(kHeader) + "\"");
            headerRead = true;
            continue;
        }
        if (line == "end") {
            endLine = number;
            continue;
        }
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2 &&
            line.substr(1, line.size() - 2).find(']') == std::string_view::npos) {
            section = std::string(Trimmed(line.substr(1, line.size() - 2)));
            if (sections.count(section) == 0)
                throw SkinError(fileName, number, "unknown section [" + section + "]");
            continue;
        }
        std::size_t keyEnd = 0;
        while (keyEnd < line.size() && IsKeyCharacter(line[keyEnd])) ++keyEnd;
        std::size_t equals = keyEnd;
        while (equals < line.size() && IsSpace(line[equals])) ++equals;
        if (keyEnd == 0 || equals >= line.size() || line[equals] != '=')
            throw SkinError(fileName, number,
                            "bad syntax " + Quoted(line) + ": expected [section], key = value or end");
        const std::string key(line.substr(0, keyEnd));
        if (section.empty())
            throw SkinError(fileName, number, "key \"" + key + "\" stands before any [section]");
        const std::string name = section + "." + key;
        const auto field = byName.find(name);
        if (field == byName.end())
            throw SkinError(fileName, number, "unknown key \"" + key + "\" in [" + section + "]");
        if (const auto first = seen.find(name); first != seen.end())
            throw SkinError(fileName, number,
                            "key \"" + key + "\" in [" + section + "] is given twice (first on line " +
                                std::to_string(first->second) + ")");
        seen.emplace(name, number);
        StoreValue(*field->second, key, Trimmed(line.substr(equals + 1)), fileName, number);
    }

    const int last = static_cast<int>(lines.size());
    if (!headerRead)
        throw SkinError(fileName, last,
                        "not a skin file: the line \"" + std::string(kHeader) + "\" is missing");
    if (endLine == 0)
        throw SkinError(fileName, last, "the file is cut short: its closing \"end\" line is missing");
    return model;
}

SkinModel ReadSkinFile(const std::string& path)
{
    std::string bytes;
    switch (platform::ReadWholeFile(path, &bytes)) {
    case platform::FileReadStatus::Ok: break;
    case platform::FileReadStatus::Missing: throw SkinError(path, 0, "there is no such file");
    case platform::FileReadStatus::NotAFile: throw SkinError(path, 0, "it is not a file");
    case platform::FileReadStatus::Failed: throw SkinError(path, 0, "it cannot be read");
    }
    return ParseSkin(bytes, path);
}

SkinModel ShiftHue(const SkinModel& model, int degrees)
{
    SkinModel shifted = model;
    const int turn = ((degrees % 360) + 360) % 360;
    if (turn == 0) return shifted;
    for (const Field& field : FieldsOf(shifted)) {
        if (field.kind != FieldKind::Colour) continue;
        Colour& colour = *static_cast<Colour*>(field.target);
        Hsv16 hsv = ToHsv16(colour);
        if (hsv.hue == kNoHue) continue;  // grey: no hue to turn
        float turned = float(hsv.hue) / 36000.0f + float(turn) / 360.0f;
        if (turned >= 1.0f) turned -= 1.0f;
        hsv.hue = Round(turned * 36000.0f);
        colour = FromHsv16(hsv);
    }
    return shifted;
}

SkinModel LookFor(const SkinModel& model, int hue, const OwnColours& own)
{
    SkinModel look = ShiftHue(model, hue);
    if (!own.apply) return look;
    const Colour& panel = own.panel;
    look.window.top = own.back;
    look.window.bottom = Darker(own.back, 112);
    look.window.text = own.fore;
    look.label.text = own.fore;
    look.button.normal = {Lighter(panel, 125), panel, Darker(panel, 160), own.panelText};
    look.button.hover = {Lighter(panel, 140), Lighter(panel, 110), Darker(panel, 180), own.panelText};
    look.button.pressed = {Darker(panel, 115), Darker(panel, 105), Darker(panel, 190), own.panelText};
    look.combo.top = Lighter(panel, 130);
    look.combo.bottom = panel;
    look.combo.buttonTop = Lighter(panel, 125);
    look.combo.buttonBottom = panel;
    look.combo.text = own.panelText;
    return look;
}

}  // namespace skin
