#include <gtest/gtest.h>

#include "imaging/Imaging.h"
#include "support/gui/GuiTest.h"
#include "web/WebInit.h"

int main(int argc, char** argv) {
    return RunGuiTests(
        argc, argv,
        [] {
            web::initialise();
            imaging::initialise();
        },
        [] {
            imaging::finalise();
            web::finalise();
        });
}
