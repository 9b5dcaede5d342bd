#include <gtest/gtest.h>

#include "platform/Initialise.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::initialise();
    return RUN_ALL_TESTS();
}
