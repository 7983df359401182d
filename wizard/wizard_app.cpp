#include "wizard/wizard_app.h"

#include "platform/app.h"
#include "runner/MGetCmdOutput.h"
#include "wizard/frmSelectDriver.h"
#include "wizard/ui/ui.h"

namespace WizardApp {

void InstallHooks()
{
    platform::SetUiHooks({ui::ShowMessage, [](int status) { ui::EndNow(status); }});
    MGetCmdOutput::SetEventHook(ui::RunWindowEvents);
}

int Run(int argc, char** argv)
{
    ui::Application application(argc, argv);
    InstallHooks();
    // Every failure that start-up or an event handler does not handle ends the program through a
    // message box, never through an abort.
    return ui::Guarded([&] {
        frmSelectDriver window;
        window.Form_Load();
        window.Window().Show();
        return application.Exec();
    });
}

}  // namespace WizardApp
