#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"
#include "storage/StorageInit.h"
#include "ui/Initialise.h"

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv,
        [] {
            storage::initialise();
            ui::initialise();
            Application->SetTitle("Velmora Agent");
        },
        [] { ui::finalise(); });
}
