// The user-interface runtime: what the window's logic asks of a windowing toolkit. The logic
// (frmSelectDriver) is written once against this header. Behind it, the runtime core (form.cpp,
// program.cpp) holds everything that does not depend on the toolkit: the design's checks, the
// tab order, names and kinds, the values a property accepts, the skin engine's state and the
// catch-all. CMake adds one toolkit runtime under it, Qt 6 Widgets (wizard/ui/qt) or Win32
// (wizard/ui/win32), which only maps properties onto widgets and draws (wizard/ui/native.h).
// Texts are UTF-8; positions and sizes are twips (1,440 to the inch, 15 to the pixel at 96 dots
// per inch), each runtime turning them into the screen's pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/app.h"
#include "platform/handle.h"
#include "wizard/skin/skin_model.h"

namespace ui {

inline constexpr int kTwipsPerPixelAt96Dpi = 15;
// The widest a control may be made: some 17 metres at 96 dpi, far beyond any screen.
inline constexpr double kMaxWidthTwips = 1.0e7;

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class Kind { Frame, Button, ComboBox, PictureBox, SkinLabel, SkinEngine };

// What a frame or a picture box stands for, which decides how the skin draws it.
enum class Role { None, Page, Separator, Trough, Progress, Banner };

// One control of the window as designed: where it sits and how it looks before any code runs.
struct ControlDesign {
    std::string name;
    Kind kind = Kind::Frame;
    std::string container;  // the frame it sits in; empty for the window itself
    Rect rect;              // twips, in its container
    bool visible = true;
    bool enabled = true;
    int tabIndex = 0;
    std::string text;         // caption before start-up
    double fontPoints = 0.0;  // skin labels: the size of their own font
    Role role = Role::None;
    bool isDefault = false;             // the button that Enter presses
    skin::Colour fill{};                // picture boxes with role Progress: the bar's colour
    std::string accessibleName;         // picture boxes: what a screen reader says
    std::string accessibleDescription;  // picture boxes: the picture's content
    std::string labels;                 // skin labels: the control whose name they are
};

// The settings stored with the skin engine control: the turn of the skin's hues, and the
// window's own colours, used instead of the skin's when applyColours is on.
struct SkinSettings {
    std::int32_t hue = 0;
    skin::Colour backColour{255, 255, 255};
    skin::Colour foreColour{0, 0, 0};
    skin::Colour panelColour{192, 192, 192};
    skin::Colour panelTextColour{0, 0, 0};
    bool applyColours = false;
};

struct FormDesign {
    std::string name;
    std::string caption;  // before start-up
    int clientWidth = 0;  // twips
    int clientHeight = 0;
    std::string labelFont;  // the skin labels' face; buttons, lists and frames keep the window's
    std::vector<ControlDesign> controls;  // in the order they are created, each after its frame
    SkinSettings skin;
};

class Form;
class Control;

namespace detail {
struct ControlState;
struct SkinEngineState;
}  // namespace detail

namespace native {
class Widget;
class Window;
Widget& WidgetOf(const Control& control);
}  // namespace native

// A control of a window as the logic holds it: a handle bound to one control of a Form. Each
// kind of the design has its own class below with only the properties that kind has, so that a
// property a control lacks does not compile. A handle stays unbound (and throws
// std::logic_error when used) until Form::Find or a binding gives it its control; copies are
// cheap, and none may outlive its window.
class Control {
public:
    Control() = default;

    const std::string& Name() const;

    // The control's own setting: a control inside a hidden frame keeps its own, and shows again
    // with the frame.
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);

    // Position and size in twips, in the container, as last set (the screen shows whole pixels).
    Rect Bounds() const;
    void Move(const Rect& twips);
    // The width alone, fractions of a twip allowed. A width that is negative, not finite or past
    // kMaxWidthTwips throws std::invalid_argument and leaves the control as it was.
    void SetWidth(double twips);

protected:
    detail::ControlState& State() const;

private:
    friend class Form;
    friend native::Widget& native::WidgetOf(const Control& control);
    detail::ControlState* state_ = nullptr;
};

// A frame: holds other controls, which show and hide with it.
class Frame : public Control {
public:
    static constexpr Kind kKind = Kind::Frame;
};

// A picture box: the banner, or a bar of one colour (the progress bar).
class PictureBox : public Control {
public:
    static constexpr Kind kKind = Kind::PictureBox;
};

// A label drawn by the skin. It shows its caption as given, '&' included, and a line feed starts
// a second line.
class Label : public Control {
public:
    static constexpr Kind kKind = Kind::SkinLabel;
    std::string Caption() const;
    void SetCaption(const std::string& caption);
};

// A push button. Its caption marks its access key with '&'.
class Button : public Control {
public:
    static constexpr Kind kKind = Kind::Button;
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // Gives it the keyboard focus; before the window is on view, the focus the window starts with.
    void SetFocus();
    bool HasFocus() const;
    // The user pressed it (mouse, Enter on the default button or the focused one, its access
    // key, the space bar). A button that is disabled or out of sight is never pressed. A handler
    // that throws ends the program through Fail.
    void OnClick(std::function<void()> handler);
};

// A drop-down list: the user picks one of its items and cannot type. Items stay in the order
// in which they were added.
class ComboBox : public Control {
public:
    static constexpr Kind kKind = Kind::ComboBox;
    void AddItem(const std::string& item);
    void Clear();
    int ListCount() const;
    std::string List(int index) const;  // std::out_of_range outside 0..ListCount()-1
    int ListIndex() const;              // -1: nothing picked
    void SetListIndex(int index);       // -1 picks nothing; std::out_of_range past the items
    // The picked item's text, or the empty text when nothing is picked.
    std::string Text() const;
    // As Button::SetFocus.
    void SetFocus();
    bool HasFocus() const;
};

// The skin engine, never visible: it loads a skin file and draws a window through it, turned by
// the settings stored with it (FormDesign::skin).
class SkinEngine {
public:
    static constexpr Kind kKind = Kind::SkinEngine;
    SkinEngine() = default;

    // Throws skin::SkinError when the file cannot be read or is not a valid skin; a failed load
    // keeps the skin loaded before.
    void LoadSkinFile(const std::string& path);
    // Draws form and all its controls through the loaded skin from now on. Throws
    // skin::SkinError when nothing is loaded.
    void ApplySkin(Form& form);

private:
    friend class Form;
    detail::SkinEngineState* state_ = nullptr;
};

// The window, built hidden from its design. It owns its controls; the handles above refer to
// them.
class Form {
public:
    // Throws std::invalid_argument for a design it cannot build: a control without a name, two
    // controls of one name, a container that is not a frame of the design, frames that hold one
    // another in a circle, a label naming a control the design lacks.
    explicit Form(const FormDesign& design);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // The control of this name as a handle of its kind: Frame, Button, ..., SkinEngine, or
    // Control for any control but the skin engine. Throws std::out_of_range for a name the
    // design does not have, std::logic_error for a control of another kind.
    template <class Handle>
    Handle Find(const std::string& name);

    const FormDesign& Design() const;

    std::string Caption() const;
    void SetCaption(const std::string& caption);

    // Shows the window without an owner and without waiting; the first time it is centred on the
    // screen. Shown() tells whether it is on view.
    void Show();
    bool Shown() const;
    // Redraws the whole window at once.
    void Refresh();

    // The user asks to close the window (its close box, Alt+F4). After the handler has run the
    // window is hidden; a handler that throws ends the program through Fail.
    void OnCloseRequest(std::function<void()> handler);

    // The toolkit's window behind this one, for the runtime's own functions (wizard/ui/qt,
    // wizard/ui/win32).
    native::Window& Native();

private:
    struct State;
    detail::ControlState& FindControl(const std::string& name, const Kind* kind);
    detail::SkinEngineState& FindSkinEngine(const std::string& name);
    std::unique_ptr<State> d;
};

template <class Handle>
Handle Form::Find(const std::string& name)
{
    Handle handle;
    if constexpr (std::is_same_v<Handle, SkinEngine>) {
        handle.state_ = &FindSkinEngine(name);
    } else if constexpr (std::is_same_v<Handle, Control>) {
        handle.state_ = &FindControl(name, nullptr);
    } else {
        static constexpr Kind kind = Handle::kKind;
        static_cast<Control&>(handle).state_ = &FindControl(name, &kind);
    }
    return handle;
}

// The toolkit for the whole run; made once, before any window. Exec runs the window events until
// the program ends and gives its exit status.
class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    int Exec();

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// A modal message box: one OK button, the application title as caption, the icon asked for. A
// failure of the message box observer comes back from here once the box is closed.
void ShowMessage(const std::string& text, platform::MessageIcon icon);

// Ends the program at once with this exit status.
[[noreturn]] void EndNow(int status);

// A failure that nothing handled: its message in a box with the error icon, then the end of the
// program with status 1.
[[noreturn]] void Fail(const std::string& message);

// What Fail says of a failure that is no std::exception.
inline constexpr const char* kUnexpectedError = "An unexpected error occurred.";

// Ends the program through Fail for the failure that was caught (in a catch block).
[[noreturn]] void FailWithCurrentException();

// Runs body and gives its result; a failure that escapes it ends the program through Fail. Every
// call from a toolkit into our code goes through it, so that no exception crosses the toolkit's
// frames, and so does the program's start.
template <class Body>
auto Guarded(Body&& body) noexcept -> decltype(body())
{
    try {
        return body();
    } catch (...) {
        FailWithCurrentException();
    }
}

// The command runner's event hook: runs the window events that are pending and, when
// maxWaitMs > 0, waits until the pipe's read end has data (or has broken) or maxWaitMs has passed,
// running each window event the moment it arrives.
void RunWindowEvents(platform::NativeHandle readHandle, int maxWaitMs);

// For tests of the whole program: called with each message box's text and icon once the box is
// on view; returning true closes it as if OK had been pressed.
using MessageBoxObserver = std::function<bool(const std::string& text, platform::MessageIcon icon)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

}  // namespace ui
