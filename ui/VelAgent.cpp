#include "ui/VelAgent.h"

#include "agent/AgentSeams.h"
#include "agent/dialogs/RegCodeUnit.h"
#include "imaging/Imaging.h"
#include "platform/gui/Application.h"
#include "storage/DataModuleUnit.h"
#include "storage/StorageInit.h"
#include "ui/MainAgentUnit.h"
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

int Run() {
    // The data module first: the window's creation reads its tables and settings.
    auto* dm = new TdmFriend();
    int result = 0;
    try {
        frmMain = new TfrmMain();
        Application->SetMainForm(frmMain);
        frmMain->show();
        result = Application->Run();
    } catch (...) {
        Application->HandleException();
        result = 1;
    }
    Application->SetMainForm(nullptr);
    delete frmMain;
    frmMain = nullptr;
    delete dm;
    return result;
}

void StopUnits() {
    // The reverse of the start.
    SetDefaultCodePrompt({});
    SetDefaultMessageSink({});
    imaging::finalise();
    web::finalise();
    ui::finalise();
}

}  // namespace program
