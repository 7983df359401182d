// The user-interface runtime: what the window's logic asks of a windowing toolkit. The logic
// (frmSelectDriver) is written once against this header; CMake builds one runtime behind it: Qt 6
// Widgets (wizard/ui/qt) or Win32 (wizard/ui/win32). Texts are UTF-8; positions and sizes are
// twips (1,440 to the inch, 15 to the pixel at 96 dots per inch), each runtime turning them into
// the screen's pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/app.h"
#include "wizard/skin/skin_model.h"

namespace ui {

inline constexpr int kTwipsPerPixelAt96Dpi = 15;

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

// The settings stored with the skin engine control.
struct SkinSettings {
    std::string author;
    std::string description;
    std::string application;
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
    std::vector<ControlDesign> controls;  // in the order they are created
    SkinSettings skin;
};

// A control of the window. Each runtime implements the properties that its kind has; asking a
// control for a property of another kind (the width of a label's list, say) throws
// std::logic_error.
class Control {
public:
    virtual ~Control() = default;

    virtual const std::string& Name() const = 0;
    virtual Kind ControlKind() const = 0;

    // Buttons and skin labels. A button's caption marks its access key with '&'; a skin label
    // shows its caption as given, '&' included, and a line feed starts a second line.
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;

    // The control's own setting: a control inside a hidden frame keeps its own, and shows again
    // with the frame.
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;

    // Position and size in twips, in the container, as last set (the screen shows whole pixels).
    virtual Rect Bounds() const = 0;
    virtual void Move(const Rect& twips) = 0;
    // The width alone, fractions of a twip allowed; a negative or non-finite width throws
    // std::invalid_argument and leaves the control as it was.
    virtual void SetWidth(double twips) = 0;

    virtual void SetFocus() = 0;
    virtual bool HasFocus() const = 0;
};

// A drop-down list: the user picks one of its items and cannot type. Items stay in the order
// in which they were added.
class ComboBox : public Control {
public:
    virtual void AddItem(const std::string& item) = 0;
    virtual void Clear() = 0;
    virtual int ListCount() const = 0;
    virtual std::string List(int index) const = 0;  // std::out_of_range outside 0..ListCount()-1
    virtual int ListIndex() const = 0;              // -1: nothing picked
    virtual void SetListIndex(int index) = 0;       // -1 picks nothing
    // The picked item's text, or the empty text when nothing is picked.
    virtual std::string Text() const = 0;
};

// The skin engine, never visible: it loads a skin file and draws the window through it.
class SkinEngine {
public:
    virtual ~SkinEngine() = default;
    // Throws skin::SkinError when the file cannot be read or is not a valid skin; a failed load
    // keeps the skin loaded before.
    virtual void LoadSkinFile(const std::string& path) = 0;
    // Applies the loaded skin to the window with this native handle and to all its controls.
    // Throws skin::SkinError when nothing is loaded or the handle names no window of ours.
    virtual void ApplySkin(std::intptr_t windowHandle) = 0;
    virtual const SkinSettings& Settings() const = 0;
};

// The window. It is created hidden, from its design.
class Form {
public:
    virtual ~Form() = default;

    // Every control of the design by name; std::out_of_range for a name it does not have, and
    // std::logic_error when the control is not of the kind asked for.
    virtual Control& Find(const std::string& name) = 0;
    virtual ComboBox& FindComboBox(const std::string& name) = 0;
    virtual SkinEngine& FindSkinEngine(const std::string& name) = 0;

    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;

    // Shows the window without an owner and without waiting; the first time it is centred on the
    // screen. Shown() tells whether it is on view.
    virtual void Show() = 0;
    virtual bool Shown() const = 0;
    // Redraws the whole window at once.
    virtual void Refresh() = 0;
    // The native handle that the skin engine is given.
    virtual std::intptr_t Handle() = 0;

    // Event handlers. A button's click (by mouse, Enter on the default button, its access key or
    // the space bar); the user's request to close the window (its close box, Alt+F4). After the
    // close handler has run the window is hidden. A handler that throws ends the program through
    // Fail.
    virtual void OnClick(const std::string& button, std::function<void()> handler) = 0;
    virtual void OnCloseRequest(std::function<void()> handler) = 0;
};

// Builds the window and its controls from the design, hidden. Throws std::invalid_argument for
// a design it cannot build (a container that does not exist, two controls of one name).
std::unique_ptr<Form> CreateForm(const FormDesign& design);

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

// A modal message box: one OK button, the application title as caption, the icon asked for.
void ShowMessage(const std::string& text, platform::MessageIcon icon);

// Ends the program at once with this exit status.
[[noreturn]] void EndNow(int status);

// A failure that nothing handled: its message in a box with the error icon, then the end of the
// program with status 1.
[[noreturn]] void Fail(const std::string& message);

// The command runner's event hook: runs the window events that are pending and, when
// maxWaitMs > 0, waits until the pipe's read end has data, a window event arrives or maxWaitMs
// has passed, running the events that arrive meanwhile.
void RunWindowEvents(std::intptr_t readHandle, int maxWaitMs);

// For tests of the whole program: called with each message box's text and icon once the box is
// on view; returning true closes it as if OK had been pressed.
using MessageBoxObserver = std::function<bool(const std::string& text, platform::MessageIcon icon)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

}  // namespace ui
