#include <gtest/gtest.h>

#include "platform/graphics/SysServices.h"

TEST(SysServices, GDICheckPassesResultsAndRaisesOnFailure) {
    int handle = 0;
    EXPECT_EQ(GDICheck(&handle), &handle);
    EXPECT_EQ(GDICheck(7), 7);
    try {
        GDICheck(static_cast<void*>(nullptr));
        ADD_FAILURE() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), "Out of system resources");
    }
    EXPECT_THROW(GDICheck(0), EOutOfMemory);
}
