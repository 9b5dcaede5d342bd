#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"
#include "ui/Initialise.h"

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv,
        [] {
            ui::initialise();
            Application->SetTitle("Velmora Agent");
        },
        [] { ui::finalise(); });
}
