// What a toolkit runtime implements under the runtime core: the widgets and the window behind a
// ui::Form. They map the core's calls onto the toolkit and draw; the core has already checked the
// design, picked the order of creation and of the tab stops, and checked every value, so a
// runtime never sees a name, a kind the call does not fit, or an index out of range.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "wizard/ui/ui.h"

namespace ui::native {

// One control's widget (a child window on Win32). The core calls only what the control's kind
// has: a caption for buttons and skin labels, the focus for buttons and lists, items for lists.
class Widget {
public:
    virtual ~Widget() = default;

    // The widget's own setting, whatever the frames around it show.
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    // Puts the widget at twips in its container, the width in twips with its fractions.
    virtual void Place(const Rect& twips, double widthTwips) = 0;

    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;

    // The keyboard focus; before the window is on view, the focus the window starts with.
    virtual void SetFocus() = 0;
    virtual bool HasFocus() const = 0;

    virtual void AddItem(const std::string& item) = 0;
    virtual void ClearItems() = 0;
    virtual int ItemCount() const = 0;
    virtual std::string Item(int index) const = 0;
    virtual int CurrentIndex() const = 0;  // -1: none
    virtual void SetCurrentIndex(int index) = 0;
};

// What the window tells the core; the core runs the logic's handlers, guarded.
class Events {
public:
    // The button made as control number id was pressed, by any means.
    virtual void Clicked(int id) = 0;
    // The user asks to close the window; the runtime hides it once this returns.
    virtual void CloseRequested() = 0;

protected:
    ~Events() = default;
};

// The order of things, given once every widget is made.
struct Arrangement {
    // Every control's widget by tab index, the lowest first (design order among equals).
    std::vector<Widget*> tabOrder;
    // A skin label and the control it names: screen readers take the control's name from it.
    std::vector<std::pair<Widget*, Widget*>> labels;
};

class Window {
public:
    virtual ~Window() = default;

    // Makes control number id of the design in container's widget (null: the window itself).
    // Each container is made before what it holds.
    virtual std::unique_ptr<Widget> MakeWidget(const ControlDesign& design, int id, Widget* container) = 0;
    virtual void Arrange(const Arrangement& arrangement) = 0;

    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void Show() = 0;
    virtual bool Shown() const = 0;
    virtual void Refresh() = 0;
    // From now on the window and its controls are drawn through look.
    virtual void ApplyLook(const skin::SkinModel& look) = 0;
};

// The runtime's window for design, hidden, with no control yet; what the user does goes to events.
std::unique_ptr<Window> MakeWindow(const FormDesign& design, Events& events);

// The widget behind a handle, for the runtime's own functions and tests.
Widget& WidgetOf(const Control& control);

// Shows a message box to the test's observer, if there is one, once the box is on view: true
// when the box is to be closed as if OK were pressed. A failure of the observer closes the box
// and is kept in failure, for ShowMessage to raise once the box is gone.
bool HasMessageBoxObserver();
bool AskMessageBoxObserver(const std::string& text, platform::MessageIcon icon, std::exception_ptr& failure);

}  // namespace ui::native
