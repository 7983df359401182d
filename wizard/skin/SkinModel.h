// The parsed form of a skin file and the steps that turn it into drawing instructions.
// Parsing is kept apart from the widgets so that damaged files can be checked without a window.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

#include <vector>

namespace SkinDetail {

// One state of a push button: the glossy face runs from top to bottom.
struct ButtonLook {
    QColor top, bottom, border, text;
};

struct SkinModel {
    QString name, author, description;

    struct {
        QColor top{240, 240, 240}, bottom{220, 220, 220}, text{0, 0, 0};
    } window;
    struct {
        QColor text{0, 0, 0};
    } label;
    struct {
        int radius = 3;
        int gloss = 0;
        ButtonLook normal{{236, 236, 236}, {214, 214, 214}, {128, 128, 128}, {0, 0, 0}};
        ButtonLook hover{{246, 246, 246}, {224, 224, 224}, {100, 100, 100}, {0, 0, 0}};
        ButtonLook pressed{{200, 200, 200}, {220, 220, 220}, {90, 90, 90}, {0, 0, 0}};
        ButtonLook disabled{{236, 236, 236}, {228, 228, 228}, {170, 170, 170}, {140, 140, 140}};
        QColor focusBorder{40, 90, 200};
        QColor defaultBorder{60, 60, 60};
    } button;
    struct {
        int radius = 3;
        QColor top{255, 255, 255}, bottom{236, 236, 236}, border{128, 128, 128}, text{0, 0, 0};
        QColor hoverBorder{100, 100, 100}, focusBorder{40, 90, 200}, disabledText{140, 140, 140};
        QColor buttonTop{236, 236, 236}, buttonBottom{214, 214, 214}, arrow{40, 40, 40};
        QColor listBackground{255, 255, 255}, listText{0, 0, 0};
        QColor selectionBackground{40, 90, 200}, selectionText{255, 255, 255};
    } combo;
    struct {
        int radius = 2;
        QColor top{200, 200, 200}, bottom{240, 240, 240}, border{128, 128, 128};
    } trough;
    struct {
        int gloss = 0;
    } progress;
    struct {
        int radius = 0;
        QColor border{160, 160, 160}, background{0, 0, 0, 0};
    } frame;
    struct {
        QColor dark{128, 128, 128}, light{255, 255, 255};
    } separator;
};

enum class FieldKind { Text, Colour, Number };

// A key of the file bound to the member of one model that it sets.
struct Field {
    const char* section;
    const char* key;
    FieldKind kind;
    void* target;  // QString*, QColor* or int*, inside the model given to fieldsOf
    int maximum;   // for numbers: allowed range 0..maximum
};

// Every key that a skin file may hold, bound to the members of `model`.
std::vector<Field> fieldsOf(SkinModel& model);

// Parses the bytes of a skin file; `fileName` only names the file in the errors.
// Throws SkinError (with the line) when the text is not a complete, valid skin.
SkinModel parseSkin(const QByteArray& bytes, const QString& fileName);

// Turns every chromatic colour of the model round the colour wheel by `degrees`.
SkinModel shiftHue(const SkinModel& model, int degrees);

// The style sheet that draws the model's buttons, lists, labels and frames.
QString styleSheetFor(const SkinModel& model);

// The colour between a and b, `amount` 0 giving a and 1 giving b.
QColor mix(const QColor& a, const QColor& b, double amount);

}  // namespace SkinDetail
