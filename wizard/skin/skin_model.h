// Skin files (a text format of ours, docs/skin-format.md): their parsed form, the reading of a
// file, and the colour arithmetic both window runtimes draw with. Plain C++, no toolkit, so that
// damaged files are checked alike everywhere and the two runtimes draw from the same values.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

// An sRGB colour with its opacity (a: 0 clear, 255 opaque).
struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// One state of a push button: the glossy face runs from top to bottom.
struct ButtonLook {
    Colour top, bottom, border, text;
};

// Every value a skin file may set; what a file leaves out keeps the plain grey value below.
struct SkinModel {
    std::string name, author, description;

    struct {
        Colour top{240, 240, 240}, bottom{220, 220, 220}, text{0, 0, 0};
    } window;
    struct {
        Colour text{0, 0, 0};
    } label;
    struct {
        int radius = 3;
        int gloss = 0;
        ButtonLook normal{{236, 236, 236}, {214, 214, 214}, {128, 128, 128}, {0, 0, 0}};
        ButtonLook hover{{246, 246, 246}, {224, 224, 224}, {100, 100, 100}, {0, 0, 0}};
        ButtonLook pressed{{200, 200, 200}, {220, 220, 220}, {90, 90, 90}, {0, 0, 0}};
        ButtonLook disabled{{236, 236, 236}, {228, 228, 228}, {170, 170, 170}, {140, 140, 140}};
        Colour focusBorder{40, 90, 200};
        Colour defaultBorder{60, 60, 60};
    } button;
    struct {
        int radius = 3;
        Colour top{255, 255, 255}, bottom{236, 236, 236}, border{128, 128, 128}, text{0, 0, 0};
        Colour hoverBorder{100, 100, 100}, focusBorder{40, 90, 200}, disabledText{140, 140, 140};
        Colour buttonTop{236, 236, 236}, buttonBottom{214, 214, 214}, arrow{40, 40, 40};
        Colour listBackground{255, 255, 255}, listText{0, 0, 0};
        Colour selectionBackground{40, 90, 200}, selectionText{255, 255, 255};
    } combo;
    struct {
        int radius = 2;
        Colour top{200, 200, 200}, bottom{240, 240, 240}, border{128, 128, 128};
    } trough;
    struct {
        int gloss = 0;
    } progress;
    struct {
        int radius = 0;
        Colour border{160, 160, 160}, background{0, 0, 0, 0};
    } frame;
    struct {
        Colour dark{128, 128, 128}, light{255, 255, 255};
    } separator;
};

// A skin file that cannot be used. what() names the file and, for a damaged file, the line.
class SkinError : public std::runtime_error {
public:
    // line 0: the file as a whole (missing, unreadable, empty, too large); file empty: no file
    // is concerned (applying without a loaded skin, say).
    SkinError(const std::string& file, int line, const std::string& reason);
    const std::string& File() const { return file_; }
    int Line() const { return line_; }

private:
    std::string file_;
    int line_;
};

inline constexpr std::size_t kMaxSkinFileBytes = std::size_t{1024} * 1024;

// Parses the bytes of a skin file; fileName only names the file in the errors. Throws SkinError
// (with the line) when the text is not a complete, valid skin.
SkinModel ParseSkin(std::string_view bytes, const std::string& fileName);

// Reads and parses the skin file at path. Throws SkinError when it cannot be read or used.
SkinModel ReadSkinFile(const std::string& path);

// Turns every chromatic colour of the model round the colour wheel by degrees (any sign, any
// number of turns); greys and opacity stay.
SkinModel ShiftHue(const SkinModel& model, int degrees);

// The look a window is drawn with: the skin turned by hue and, when applyColours is on, the
// window's own colours in place of the skin's window, label, button and list colours (used as
// given, without the hue).
struct OwnColours {
    bool apply = false;
    Colour back{255, 255, 255};
    Colour fore{0, 0, 0};
    Colour panel{192, 192, 192};
    Colour panelText{0, 0, 0};
};
SkinModel LookFor(const SkinModel& model, int hue, const OwnColours& own);

// The colour between a and b: amount 0 gives a, 1 gives b (clamped).
Colour Mix(const Colour& a, const Colour& b, double amount);
// Brighter or darker by a percentage of its value, as a painter's "lighter"/"darker": 150 is
// half as bright again, 200 half as bright. A value that overflows takes saturation away.
Colour Lighter(const Colour& colour, int percent = 150);
Colour Darker(const Colour& colour, int percent = 200);
// HSL lightness 0..255.
int Lightness(const Colour& colour);

// The looks both runtimes derive from a skin the same way.

// One colour stop of a vertical gradient, at 0 (top) to 1 (bottom).
struct GradientStop {
    double at;
    Colour colour;
};
// The skin's glossy face from top to bottom: a gloss above zero (0..100) splits it into a bright
// upper half and a glowing lower half.
std::vector<GradientStop> GlossyStops(const Colour& top, const Colour& bottom, int gloss);
// The gloss laid over a progress bar of the colour base.
std::vector<GradientStop> ProgressGlossStops(const Colour& base, int gloss);
// The arrow of a drop-down list, faded towards white when the list is disabled.
Colour ArrowColour(const SkinModel& look, bool enabled);

// The states a push button is drawn in over its normal look, in the order they apply: each later
// one wins. A state gives the whole face (top, bottom, border, text) or the border only.
enum class ButtonState { Default, Hover, Pressed, Focus, Disabled };
struct ButtonStateLook {
    ButtonState state;
    bool borderOnly;
};
inline constexpr ButtonStateLook kButtonStateOrder[] = {{ButtonState::Default, true},
                                                        {ButtonState::Hover, false},
                                                        {ButtonState::Pressed, false},
                                                        {ButtonState::Focus, true},
                                                        {ButtonState::Disabled, false}};
// What the state gives: a whole face, or a face of which only the border counts.
ButtonLook StateLook(const SkinModel& look, ButtonState state);
// The look of a button in the states it is in, as kButtonStateOrder cascades them.
struct ButtonStates {
    bool isDefault = false;
    bool hover = false;
    bool pressed = false;
    bool focus = false;
    bool disabled = false;
    bool Has(ButtonState state) const;
};
ButtonLook ButtonLookFor(const SkinModel& look, const ButtonStates& states);

enum class FieldKind { Text, Colour, Number };

// A key of the file bound to the member of one model that it sets.
struct Field {
    const char* section;
    const char* key;
    FieldKind kind;
    void* target;  // std::string*, Colour* or int*, inside the model given to FieldsOf
    int maximum;   // for numbers: allowed range 0..maximum
};

// Every key that a skin file may hold, bound to the members of model.
std::vector<Field> FieldsOf(SkinModel& model);

}  // namespace skin
