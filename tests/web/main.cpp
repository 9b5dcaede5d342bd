#include <gtest/gtest.h>

#include "platform/Initialise.h"
#include "web/WebInit.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::initialise();
    web::initialise();
    int result = RUN_ALL_TESTS();
    web::finalise();
    return result;
}
