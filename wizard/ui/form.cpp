// The runtime core's window: the design's checks, the order in which controls are made and visit
// the tab stops, names and kinds, the values that properties accept, which clicks reach the
// logic, and the skin engine's state. The toolkit's part is behind native::Window.
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>

#include "wizard/ui/native.h"

namespace ui {
namespace detail {

struct ControlState {
    const ControlDesign* design = nullptr;  // in the form's own copy of its design
    int id = 0;
    ControlState* container = nullptr;
    std::unique_ptr<native::Widget> widget;
    Rect bounds;
    std::function<void()> onClick;
};

struct SkinEngineState {
    const ControlDesign* design = nullptr;
    SkinSettings settings;
    std::optional<skin::SkinModel> model;
};

}  // namespace detail

namespace {

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Frame: return "frame";
    case Kind::Button: return "button";
    case Kind::ComboBox: return "list";
    case Kind::PictureBox: return "picture box";
    case Kind::SkinLabel: return "skin label";
    case Kind::SkinEngine: return "skin engine";
    }
    return "control";
}

// Runs one of the logic's event handlers. A test's end of the program (platform::ProgramEnded)
// ends the handler there; any other failure ends the program.
void RunHandler(const std::function<void()>& handler) noexcept
{
    try {
        handler();
    } catch (const platform::ProgramEnded&) {
        // What is left of the handler would have run after the end of the program.
    } catch (...) {
        FailWithCurrentException();
    }
}

// The design's controls (skin engines left out) in an order in which each comes after the frame
// that holds it, otherwise as designed; throws std::invalid_argument for a design that cannot be
// built.
std::vector<const ControlDesign*> CreationOrder(const FormDesign& design)
{
    std::map<std::string, const ControlDesign*> named;
    for (const ControlDesign& control : design.controls) {
        if (control.name.empty())
            throw std::invalid_argument("A control of " + design.name + " has no name.");
        if (!named.emplace(control.name, &control).second)
            throw std::invalid_argument("Two controls of " + design.name + " are named " + control.name +
                                        ".");
    }
    std::vector<const ControlDesign*> pending;
    for (const ControlDesign& control : design.controls) {
        if (!control.labels.empty()) {
            const auto labelled = named.find(control.labels);
            if (control.kind != Kind::SkinLabel || labelled == named.end() ||
                labelled->second->kind == Kind::SkinEngine)
                throw std::invalid_argument(control.name + " names " + control.labels +
                                            ", which is no control of " + design.name + ".");
        }
        if (control.kind == Kind::SkinEngine) continue;
        pending.push_back(&control);
        if (control.container.empty()) continue;
        const auto found = named.find(control.container);
        if (found == named.end())
            throw std::invalid_argument("The container " + control.container + " of " + control.name +
                                        " does not exist.");
        if (found->second->kind != Kind::Frame)
            throw std::invalid_argument("The container " + control.container + " of " + control.name +
                                        " is not a frame.");
    }
    std::vector<const ControlDesign*> order;
    std::set<std::string> made;
    while (!pending.empty()) {
        const std::size_t before = pending.size();
        for (auto it = pending.begin(); it != pending.end();) {
            if (!(*it)->container.empty() && made.count((*it)->container) == 0) {
                ++it;
                continue;
            }
            made.insert((*it)->name);
            order.push_back(*it);
            it = pending.erase(it);
        }
        if (pending.size() == before)
            throw std::invalid_argument("The frames of " + design.name + " hold one another in a circle.");
    }
    return order;
}

}  // namespace

struct Form::State final : native::Events {
    FormDesign design;
    // Declared before the window, so that the widgets outlive it: the toolkit may still call on
    // them while it takes the window down.
    std::vector<std::unique_ptr<detail::ControlState>> controls;
    std::vector<std::unique_ptr<detail::SkinEngineState>> engines;
    std::map<std::string, detail::ControlState*> byName;
    std::function<void()> onClose;
    std::unique_ptr<native::Window> window;

    // True when the user can see the control: it and every frame around it shown.
    static bool OnView(const detail::ControlState& control)
    {
        for (const detail::ControlState* c = &control; c != nullptr; c = c->container)
            if (!c->widget->Visible()) return false;
        return true;
    }

    void Clicked(int id) override
    {
        if (id < 0 || id >= static_cast<int>(controls.size())) return;
        const detail::ControlState& control = *controls[static_cast<std::size_t>(id)];
        // A button the user cannot see or use is never pressed, whatever sent the click.
        if (control.design->kind != Kind::Button || !control.widget->Enabled() || !OnView(control)) return;
        if (!control.onClick) return;
        const std::function<void()> handler = control.onClick;  // the handler may replace itself
        RunHandler(handler);
    }

    void CloseRequested() override
    {
        if (!onClose) return;
        const std::function<void()> handler = onClose;
        RunHandler(handler);
    }
};

Form::Form(const FormDesign& design) : d(std::make_unique<State>())
{
    d->design = design;
    const std::vector<const ControlDesign*> order = CreationOrder(d->design);
    for (const ControlDesign& control : d->design.controls) {
        if (control.kind != Kind::SkinEngine) continue;
        auto engine = std::make_unique<detail::SkinEngineState>();
        engine->design = &control;
        engine->settings = d->design.skin;
        d->engines.push_back(std::move(engine));
    }

    d->window = native::MakeWindow(d->design, *d);
    for (const ControlDesign* control : order) {
        auto state = std::make_unique<detail::ControlState>();
        state->design = control;
        state->id = static_cast<int>(d->controls.size());
        state->bounds = control->rect;
        if (!control->container.empty()) state->container = d->byName.at(control->container);
        state->widget = d->window->MakeWidget(
            *control, state->id, state->container != nullptr ? state->container->widget.get() : nullptr);
        d->byName.emplace(control->name, state.get());
        d->controls.push_back(std::move(state));
    }

    native::Arrangement arrangement;
    std::vector<const detail::ControlState*> byTabIndex;
    for (const auto& control : d->controls) byTabIndex.push_back(control.get());
    // Design order among equal tab indices, as the controls stand in the design.
    std::stable_sort(byTabIndex.begin(), byTabIndex.end(), [](const auto* a, const auto* b) {
        if (a->design->tabIndex != b->design->tabIndex) return a->design->tabIndex < b->design->tabIndex;
        return a->design < b->design;
    });
    for (const detail::ControlState* control : byTabIndex)
        arrangement.tabOrder.push_back(control->widget.get());
    for (const auto& control : d->controls)
        if (!control->design->labels.empty())
            arrangement.labels.emplace_back(control->widget.get(),
                                            d->byName.at(control->design->labels)->widget.get());
    d->window->Arrange(arrangement);
}

Form::~Form() = default;

detail::ControlState& Form::FindControl(const std::string& name, const Kind* kind)
{
    const auto found = d->byName.find(name);
    if (found == d->byName.end()) {
        for (const auto& engine : d->engines)
            if (engine->design->name == name)
                throw std::logic_error(name + " is a skin engine, not a " +
                                       (kind != nullptr ? KindName(*kind) : "control of the window") + ".");
        throw std::out_of_range(d->design.name + " has no control named " + name + ".");
    }
    const Kind actual = found->second->design->kind;
    if (kind != nullptr && *kind != actual)
        throw std::logic_error(name + " is a " + KindName(actual) + ", not a " + KindName(*kind) + ".");
    return *found->second;
}

detail::SkinEngineState& Form::FindSkinEngine(const std::string& name)
{
    for (const auto& engine : d->engines)
        if (engine->design->name == name) return *engine;
    const detail::ControlState& control = FindControl(name, nullptr);
    throw std::logic_error(name + " is a " + KindName(control.design->kind) + ", not a skin engine.");
}

const FormDesign& Form::Design() const { return d->design; }
std::string Form::Caption() const { return d->window->Caption(); }
void Form::SetCaption(const std::string& caption) { d->window->SetCaption(caption); }
void Form::Show() { d->window->Show(); }
bool Form::Shown() const { return d->window->Shown(); }
void Form::Refresh() { d->window->Refresh(); }
void Form::OnCloseRequest(std::function<void()> handler) { d->onClose = std::move(handler); }
native::Window& Form::Native() { return *d->window; }

// ----- Handles -----

detail::ControlState& Control::State() const
{
    if (state_ == nullptr) throw std::logic_error("A control is used before it is bound to one of a window.");
    return *state_;
}

const std::string& Control::Name() const { return State().design->name; }
bool Control::Visible() const { return State().widget->Visible(); }
void Control::SetVisible(bool visible) { State().widget->SetVisible(visible); }
bool Control::Enabled() const { return State().widget->Enabled(); }
void Control::SetEnabled(bool enabled) { State().widget->SetEnabled(enabled); }
Rect Control::Bounds() const { return State().bounds; }

void Control::Move(const Rect& twips)
{
    detail::ControlState& state = State();
    state.bounds = twips;
    state.widget->Place(twips, twips.width);
}

void Control::SetWidth(double twips)
{
    detail::ControlState& state = State();
    if (!std::isfinite(twips) || twips < 0.0 || twips > kMaxWidthTwips)
        throw std::invalid_argument("The width of " + Name() + " cannot be " + std::to_string(twips) +
                                    " twips.");
    state.bounds.width = static_cast<int>(std::lround(twips));
    state.widget->Place(state.bounds, twips);
}

std::string Label::Caption() const { return State().widget->Text(); }
void Label::SetCaption(const std::string& caption) { State().widget->SetText(caption); }

std::string Button::Caption() const { return State().widget->Text(); }
void Button::SetCaption(const std::string& caption) { State().widget->SetText(caption); }
void Button::SetFocus() { State().widget->SetFocus(); }
bool Button::HasFocus() const { return State().widget->HasFocus(); }
void Button::OnClick(std::function<void()> handler) { State().onClick = std::move(handler); }

void ComboBox::AddItem(const std::string& item)
{
    // Adding picks nothing, whatever the toolkit does (Qt picks the first item of an empty list).
    native::Widget& widget = *State().widget;
    const int picked = widget.CurrentIndex();
    widget.AddItem(item);
    if (widget.CurrentIndex() != picked) widget.SetCurrentIndex(picked);
}
void ComboBox::Clear() { State().widget->ClearItems(); }
int ComboBox::ListCount() const { return State().widget->ItemCount(); }

std::string ComboBox::List(int index) const
{
    if (index < 0 || index >= ListCount())
        throw std::out_of_range("The list " + Name() + " has no item " + std::to_string(index) + ".");
    return State().widget->Item(index);
}

int ComboBox::ListIndex() const { return State().widget->CurrentIndex(); }

void ComboBox::SetListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        throw std::out_of_range("The list " + Name() + " has no item " + std::to_string(index) + " to pick.");
    State().widget->SetCurrentIndex(index);
}

std::string ComboBox::Text() const
{
    const int index = ListIndex();
    return index < 0 ? std::string() : List(index);
}

void ComboBox::SetFocus() { State().widget->SetFocus(); }
bool ComboBox::HasFocus() const { return State().widget->HasFocus(); }

void SkinEngine::LoadSkinFile(const std::string& path)
{
    if (state_ == nullptr)
        throw std::logic_error("A skin engine is used before it is bound to one of a window.");
    // Assigned only once the whole file has been read and parsed.
    state_->model = skin::ReadSkinFile(path);
}

void SkinEngine::ApplySkin(Form& form)
{
    if (state_ == nullptr)
        throw std::logic_error("A skin engine is used before it is bound to one of a window.");
    if (!state_->model) throw skin::SkinError(std::string(), 0, "no skin file has been loaded");
    const SkinSettings& settings = state_->settings;
    skin::OwnColours own;
    own.apply = settings.applyColours;
    own.back = settings.backColour;
    own.fore = settings.foreColour;
    own.panel = settings.panelColour;
    own.panelText = settings.panelTextColour;
    form.Native().ApplyLook(skin::LookFor(*state_->model, settings.hue, own));
}

native::Widget& native::WidgetOf(const Control& control) { return *control.State().widget; }

}  // namespace ui
