#include <gtest/gtest.h>

#include "web/clSubmit.h"

TEST(SplitURL, HostPathAndQuery) {
    TUrl u = SplitURL("http://host/a/b.phtml?x=1&y=2");
    EXPECT_EQ(u.Host, "host");
    EXPECT_EQ(u.Path, "/a/b.phtml?x=1&y=2");
    EXPECT_EQ(u.Query, "x=1&y=2");
    u = SplitURL("HTTP://host");
    EXPECT_EQ(u.URL, "HTTP://host");
    EXPECT_EQ(u.Host, "host");
    EXPECT_EQ(u.Path, "/");
    EXPECT_EQ(u.Query, "");
    u = SplitURL("host/");
    EXPECT_EQ(u.Host, "host");
    EXPECT_EQ(u.Path, "/");
}

TEST(SplitURL, PortStaysInTheHostAndOtherSchemesAreNotKnown) {
    EXPECT_EQ(SplitURL("http://host:8080/").Host, "host:8080");
    TUrl u = SplitURL("https://host/x");
    EXPECT_EQ(u.Host, "https:");
    EXPECT_EQ(u.Path, "//host/x");
    EXPECT_EQ(SplitURL("host?a=/b").Query, "a=/b");
}
