#include "imaging/Imaging.h"
#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"
#include "web/WebInit.h"
#include "agent/AgentSeams.h"
#ifdef VA_HAVE_AGENT_DIALOGS
#include "agent/dialogs/RegCodeUnit.h"
#endif

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv,
        [] {
            Application->SetTitle("Velmora Agent");
            web::initialise();
            imaging::initialise();
#ifdef VA_HAVE_AGENT_DIALOGS
            // The framework timer for workers made without one; the code prompt stays unset, so
            // no test opens the dialog unless it asks for it.
            SetDefaultTimerFactory(&MakeFrameworkTimer);
#endif
        },
        [] {
            imaging::finalise();
            web::finalise();
        });
}
