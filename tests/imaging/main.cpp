#include <gtest/gtest.h>

#include "platform/Initialise.h"
#include "imaging/Imaging.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::initialise();
    imaging::initialise();
    return RUN_ALL_TESTS();
}
