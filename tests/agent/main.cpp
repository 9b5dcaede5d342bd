#include "imaging/Imaging.h"
#include "platform/gui/Application.h"
#include "support/gui/GuiTest.h"
#include "TestJpegLoader.h"

int main(int argc, char** argv) {
    return RunGuiTests(argc, argv, [] {
        Application->SetTitle("Velmora Agent");
        imaging::initialise();
        RegisterTestJpegLoaderIfMissing();
    });
}
