#include "imaging/Imaging.h"
#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"
#include "web/WebInit.h"

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv,
        [] {
            Application->SetTitle("Velmora Agent");
            web::initialise();
            imaging::initialise();
        },
        [] { web::finalise(); });
}
