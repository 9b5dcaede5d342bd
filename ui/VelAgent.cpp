#include "ui/VelAgent.h"

#include "agent/AgentSeams.h"
#include "agent/dialogs/RegCodeUnit.h"
#include "imaging/Imaging.h"
#include "platform/gui/Application.h"
#include "storage/StorageInit.h"
#include "ui/Initialise.h"
#include "ui/dlMessages.h"
#include "web/WebInit.h"

namespace program {

void StartUnits() {
    ui::initialise();
    storage::initialise();
    web::initialise();
    imaging::initialise();
    SetDefaultMessageSink([](const std::string& message) {
        if (dlgMessages) dlgMessages->ShowMessage(message);
    });
    agent_dialogs::initialise();
    Application->SetTitle("Velmora Agent");
}

void StopUnits() {
    SetDefaultCodePrompt({});
    SetDefaultMessageSink({});
    web::finalise();
    ui::finalise();
}

}  // namespace program
