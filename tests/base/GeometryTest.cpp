#include "base/Geometry.h"
#include "base/XArray.h"

#include <gtest/gtest.h>

namespace {

class Drawable : public CSizedDrawable {
public:
    Drawable(int w, int h) : w(w), h(h) {}
    int Width() override { return w; }
    int Height() override { return h; }
    int w, h;
};

void deleteRects(CXArray* list)
{
    for (int i = 0; i < list->getSize(); ++i)
        delete static_cast<CXRect*>((*list)[i]);
    delete list;
}

TEST(CXRectTest, EdgesAndValues)
{
    CXRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.IsInRect(5, 5));
    EXPECT_TRUE(r.IsInRect(CXPoint(0, 0)));
    EXPECT_FALSE(r.IsInRect(10, 5));
    EXPECT_FALSE(r.IsInRect(5, 10));

    EXPECT_EQ(r.Common(CXRect(20, 20, 30, 30)), CXRect(0, 0, 0, 0));
    EXPECT_EQ(r.Common(CXRect(5, 5, 15, 15)), CXRect(5, 5, 10, 10));
    EXPECT_EQ(CXRect(0, 0, 5, 5).CenterPoint(), CXPoint(2, 2));
    EXPECT_EQ(CXRect(-5, -5, 0, 0).CenterPoint(), CXPoint(-3, -3));
    EXPECT_EQ(absolute(-7), 7);
    EXPECT_EQ(CXSize(-3, 4).AbsSum(), 7);
    CXRect e(10, 10, 20, 20);
    EXPECT_EQ(e.Explode(2), CXRect(8, 8, 22, 22));
    EXPECT_EQ(CXRect(nullptr), CXRect());
}

TEST(CXRectTest, CentersADrawableTruncatingTowardZero)
{
    Drawable small(4, 2);
    EXPECT_EQ(CXRect(10, 20, 20, 30).GetCenteredPosition(&small), CXPoint(13, 24));
    Drawable big(15, 13); // larger than the rectangle: (10 - 15) / 2 = -2
    EXPECT_EQ(CXRect(0, 0, 10, 10).GetCenteredPosition(&big), CXPoint(-2, -1));
    EXPECT_EQ(CXRect(0, 0, 10, 10).GetCenteredPosition(nullptr), CXPoint(5, 5));
}

TEST(CXRectTest, AddRectSkipsRectanglesWithoutArea)
{
    CXArray* list = new CXArray();
    CXRect::addRect(list, 3, 0, 3, 10);
    CXRect::addRect(list, 0, 4, 10, 4);
    CXRect::addRect(list, 5, 0, 3, 10);
    EXPECT_EQ(list->getSize(), 0);
    CXRect::addRect(list, 1, 2, 3, 4);
    ASSERT_EQ(list->getSize(), 1);
    EXPECT_EQ(*static_cast<CXRect*>((*list)[0]), CXRect(1, 2, 3, 4));
    CXRect::addRect(nullptr, 1, 2, 3, 4);
    deleteRects(list);
}

// Every pixel of the rectangle minus r is covered exactly once, nothing else.
TEST(CXRectTest, SubCoversTheDifferenceExactlyOnce)
{
    const CXRect self(0, 0, 10, 8);
    const CXRect cases[] = {
        CXRect(2, 2, 5, 6),    // inside
        CXRect(-3, -3, 4, 4),  // over a corner
        CXRect(5, -1, 20, 20), // right half
        CXRect(20, 20, 30, 30), // disjoint
        CXRect(-1, -1, 11, 9), // all of it
        CXRect(10, 0, 15, 8),  // touching the right edge
    };
    for (const CXRect& r : cases) {
        CXArray* pieces = self.sub(r);
        EXPECT_LE(pieces->getSize(), 4);
        for (int y = -2; y < 12; ++y) {
            for (int x = -2; x < 14; ++x) {
                int covered = 0;
                for (int i = 0; i < pieces->getSize(); ++i)
                    covered += static_cast<CXRect*>((*pieces)[i])->IsInRect(x, y) ? 1 : 0;
                int expected = self.IsInRect(x, y) && !r.IsInRect(x, y) ? 1 : 0;
                ASSERT_EQ(covered, expected) << "r=(" << r.left << "," << r.top << "," << r.right << ","
                                             << r.bottom << ") at " << x << "," << y;
            }
        }
        deleteRects(pieces);
    }
}

} // namespace
