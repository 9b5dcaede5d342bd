#include <gtest/gtest.h>

#include "storage/StorageInit.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    storage::initialise();
    return RUN_ALL_TESTS();
}
