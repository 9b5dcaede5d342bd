#include <gtest/gtest.h>

#include "platform/Initialise.h"
#include "storage/StorageInit.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::initialise();
    storage::initialise();
    return RUN_ALL_TESTS();
}
