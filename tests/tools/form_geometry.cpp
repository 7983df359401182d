#include "tests/tools/form_geometry.h"

#include <cmath>
#include <stdexcept>

namespace form_geometry {

namespace {

int Pixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / ui::kTwipsPerPixelAt96Dpi));
}

const ui::ControlDesign& Find(const ui::FormDesign& design, const std::string& name)
{
    for (const ui::ControlDesign& control : design.controls)
        if (control.name == name) return control;
    throw std::invalid_argument("the design of " + design.name + " has no control " + name);
}

}  // namespace

ui::Rect ClientRect(const ui::FormDesign& design, const std::string& name)
{
    if (name == design.name) return {0, 0, Pixels(design.clientWidth), Pixels(design.clientHeight)};
    const ui::ControlDesign& control = Find(design, name);
    ui::Rect rect{Pixels(control.rect.left), Pixels(control.rect.top), Pixels(control.rect.width),
                  Pixels(control.rect.height)};
    // A chain of containers is at most as long as the design; a longer one goes round in a circle.
    std::string container = control.container;
    for (std::size_t depth = 0; !container.empty(); ++depth) {
        if (depth == design.controls.size())
            throw std::invalid_argument("the containers of " + name + " hold each other");
        const ui::ControlDesign& frame = Find(design, container);
        rect.left += Pixels(frame.rect.left);
        rect.top += Pixels(frame.rect.top);
        container = frame.container;
    }
    return rect;
}

}  // namespace form_geometry
