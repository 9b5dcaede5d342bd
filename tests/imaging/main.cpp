#include <gtest/gtest.h>

#include "imaging/Imaging.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    imaging::initialise();
    return RUN_ALL_TESTS();
}
