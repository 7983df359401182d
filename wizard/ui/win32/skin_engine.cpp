// The skin engine of the Win32 runtime: it loads a skin file through the shared parser and
// hands the look that the settings make of it to one of our windows, which then draws itself
// through it.
#include <string>
#include <utility>

#include "wizard/ui/win32/runtime.h"

namespace ui::win32 {

SkinEngineImpl::SkinEngineImpl(std::string name, SkinSettings settings)
    : name_(std::move(name)), settings_(std::move(settings))
{}

void SkinEngineImpl::LoadSkinFile(const std::string& path)
{
    // Assigned only once the whole file has been read and parsed: a failed load keeps the skin
    // loaded before.
    skin::SkinModel model = skin::ReadSkinFile(path);
    model_ = std::move(model);
}

void SkinEngineImpl::ApplySkin(std::intptr_t windowHandle)
{
    if (!model_) throw skin::SkinError(std::string(), 0, "no skin file has been loaded");
    FormWindow* form = FormWindow::FromHandle(reinterpret_cast<HWND>(windowHandle));
    if (form == nullptr)
        throw skin::SkinError(std::string(), 0,
                              "there is no window with the native handle " + std::to_string(windowHandle));
    skin::OwnColours own;
    own.apply = settings_.applyColours;
    own.back = settings_.backColour;
    own.fore = settings_.foreColour;
    own.panel = settings_.panelColour;
    own.panelText = settings_.panelTextColour;
    form->ApplyLook(skin::LookFor(*model_, settings_.hue, own));
}

}  // namespace ui::win32
