// The colouring-book flood fill: its spans, their order, the painted target
// and the bounds it returns.
#include "graphics/GraphicsObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using Words = std::vector<uint16_t>;

std::unique_ptr<CGraphicsObject> image(int w, int h, const Words& words)
{
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr, CXSize(w, h), 16));
    std::memcpy(g->GetDataPtr(), words.data(), words.size() * 2);
    return g;
}

struct Span {
    int x, y, length;
    bool operator==(const Span& o) const { return x == o.x && y == o.y && length == o.length; }
};

std::vector<Span> spans(CGraphicsObject* g)
{
    std::vector<Span> out;
    for (int i = 0; i < g->getFFEnterances(); ++i)
        out.push_back({g->getFFArray()[i].x, g->getFFArray()[i].y, g->getFFArray()[i].length});
    return out;
}

// The span scan written as the recursion it is, on small images.
struct Recursive {
    const Words& source;
    Words& target;
    int w, h;
    uint16_t fill;
    std::vector<Span> found;

    bool qualifies(int x, int y) const { return source[y * w + x] != 0 && target[y * w + x] != fill; }
    void scan(int x, int y, int dir, int parentLeft, int parentRight)
    {
        int left = x, right = x;
        while (left > 0 && qualifies(left - 1, y))
            --left;
        while (right + 1 < w && qualifies(right + 1, y))
            ++right;
        found.push_back({left, y, right - left + 1});
        for (int c = left; c <= right; ++c)
            target[y * w + c] = fill;
        if (y + dir >= 0 && y + dir < h)
            for (int c = left; c <= right; ++c)
                if (qualifies(c, y + dir))
                    scan(c, y + dir, dir, left, right);
        if (y - dir >= 0 && y - dir < h) {
            for (int c = left; c < parentLeft; ++c)
                if (qualifies(c, y - dir))
                    scan(c, y - dir, -dir, left, right);
            for (int c = parentRight; c <= right; ++c)
                if (qualifies(c, y - dir))
                    scan(c, y - dir, -dir, left, right);
        }
    }
};

TEST(CGraphicsObjectFloodFillTest, WhiteImageFillsWhole)
{
    auto g = image(4, 4, Words(16, 0xFFFF));
    Words target(16, 0);
    CXRect bounds = g->PrepareFloodFill(CXPoint(1, 2), CColor(0, 0, 255), reinterpret_cast<char*>(target.data()));
    EXPECT_EQ(bounds, CXRect(0, 0, 4, 3));
    int covered = 0;
    for (const Span& s : spans(g.get()))
        covered += s.length;
    EXPECT_EQ(covered, 16);
    EXPECT_EQ(target, Words(16, 0x001F));

    // FloodFill paints the same spans into another target.
    Words other(16, 5);
    g->FloodFill(CColor(255, 0, 0), reinterpret_cast<char*>(other.data()));
    EXPECT_EQ(other, Words(16, 0xF800));
}

TEST(CGraphicsObjectFloodFillTest, BlackSeedIsOneSpan)
{
    Words words(9, 0);
    auto g = image(3, 3, words);
    Words target(9, 0);
    CXRect bounds = g->PrepareFloodFill(CXPoint(1, 1), CColor(0x1234, COLORMODEL_16), reinterpret_cast<char*>(target.data()));
    EXPECT_EQ(spans(g.get()), std::vector<Span>({{1, 1, 1}}));
    EXPECT_EQ(bounds, CXRect(1, 1, 2, 1));
    EXPECT_EQ(target, Words({0, 0, 0, 0, 0x1234, 0, 0, 0, 0}));

    // A seed outside the image records nothing and paints nothing.
    bounds = g->PrepareFloodFill(CXPoint(3, 0), CColor(0x1234, COLORMODEL_16), reinterpret_cast<char*>(target.data()));
    EXPECT_EQ(g->getFFEnterances(), 0);
    EXPECT_TRUE(bounds.IsEmpty());
}

TEST(CGraphicsObjectFloodFillTest, SpansComeInTheOrderOfTheRecursiveScan)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        const int w = 5 + int(rng() % 40), h = 5 + int(rng() % 30);
        Words source(size_t(w) * h);
        for (uint16_t& v : source)
            v = rng() % 3 == 0 ? 0 : 0x7FFF;
        // Some of the target is already the fill colour, which bounds too.
        Words target(source.size());
        for (uint16_t& v : target)
            v = rng() % 17 == 0 ? 0x03E0 : 0;
        Words expected = target;
        const int sx = int(rng() % w), sy = int(rng() % h);

        Recursive reference{source, expected, w, h, 0x03E0, {}};
        reference.scan(sx, sy, 1, sx, sx);
        auto g = image(w, h, source);
        g->SetBpp(15);
        CXRect bounds = g->PrepareFloodFill(CXPoint(sx, sy), CColor(0, 255, 0), reinterpret_cast<char*>(target.data()));
        ASSERT_EQ(spans(g.get()), reference.found) << "round " << round;
        EXPECT_EQ(target, expected);
        CXRect want(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
        for (const Span& s : reference.found) {
            want.left = std::min(want.left, s.x);
            want.top = std::min(want.top, s.y);
            want.right = std::max(want.right, s.x + s.length);
            want.bottom = std::max(want.bottom, s.y);
        }
        EXPECT_EQ(bounds, want);
    }
}

TEST(CGraphicsObjectFloodFillTest, LargeRegionsGrowTheSpanStore)
{
    // A comb: every second column is black, so each row holds 400 spans.
    const int w = 800, h = 600;
    Words source(size_t(w) * h, 0xFFFF);
    for (int y = 1; y < h; ++y)
        for (int x = 1; x < w; x += 2)
            source[size_t(y) * w + x] = 0;
    auto g = image(w, h, source);
    Words target(source.size(), 0);
    CXRect bounds = g->PrepareFloodFill(CXPoint(0, h - 1), CColor(255, 255, 255), reinterpret_cast<char*>(target.data()));
    EXPECT_EQ(bounds, CXRect(0, 0, w, h - 1));
    EXPECT_EQ(g->getFFEnterances(), 1 + 400 * (h - 1));
    size_t painted = 0;
    for (uint16_t v : target)
        painted += v == 0xFFFF;
    EXPECT_EQ(painted, size_t(w) + size_t(400) * (h - 1));
}

} // namespace
