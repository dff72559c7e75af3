#include "base/Version.h"

#include <gtest/gtest.h>

namespace {

TEST(CVersionTest, ParsesUpToThreePieces)
{
    struct Case {
        const char* text;
        int major, minor, build;
    };
    const Case cases[] = {
        {"1.2.3", 1, 2, 3}, {"2", 2, 0, 0}, {"", 0, 0, 0}, {"4.5.6.7", 4, 5, 6}, {"1.2.b3", 1, 2, 0},
    };
    for (const Case& c : cases) {
        CVersion v{CXString(c.text)};
        EXPECT_EQ(v.getMajor(), c.major) << c.text;
        EXPECT_EQ(v.getMinor(), c.minor) << c.text;
        EXPECT_EQ(v.getBuild(), c.build) << c.text;
    }
    CVersion printed(CXString("1.2.3"));
    EXPECT_EQ(printed.toString(), CXString("1.2.b3"));
}

TEST(CVersionTest, ComparesMajorThenMinorThenBuild)
{
    CVersion a(CXString("2.0.0")), b(CXString("1.9.9")), c(CXString("1.2.3")), d(CXString("1.2.4")),
        e(CXString("1.2.3"));
    EXPECT_EQ(a.compare(&b), 1);
    EXPECT_EQ(b.compare(&a), -1);
    EXPECT_EQ(c.compare(&d), -1);
    EXPECT_EQ(d.compare(&c), 1);
    EXPECT_EQ(c.compare(&e), 0);
}

} // namespace
