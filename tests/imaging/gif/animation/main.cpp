#include "imaging/Imaging.h"
#include "support/gui/GuiTest.h"

int main(int argc, char** argv) {
    return RunGuiTests(argc, argv, [] { imaging::initialise(); }, [] { imaging::finalise(); });
}
