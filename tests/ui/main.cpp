#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"
#include "ui/VelAgent.h"

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv,
        [] { program::StartUnits(); },
        [] { program::StopUnits(); });
}
