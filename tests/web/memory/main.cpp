#include <gtest/gtest.h>

#include "web/WebInit.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    web::initialise();
    int result = RUN_ALL_TESTS();
    web::finalise();
    return result;
}
