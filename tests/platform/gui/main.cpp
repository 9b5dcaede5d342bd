#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"

int main(int argc, char** argv) {
    return RunGuiTests(argc, argv, [] { Application->SetTitle("Velmora Agent"); });
}
