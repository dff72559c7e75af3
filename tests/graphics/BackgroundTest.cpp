// The scrolling background: its scroll mode from the sizes, frames of a
// background that wraps around the screen's edges as it moves, dirty
// regions, colour backgrounds and lost surfaces.
#include "graphics/Background.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using screentest::drawable;
using screentest::frameIs;

// Every pixel of a background tells where it is.
uint16_t at(int x, int y) { return uint16_t(x * 31 + y * 17); }

class CBackgroundManagerTest : public screentest::HeadlessScreen {};

TEST_F(CBackgroundManagerTest, TakesItsScrollModeFromTheSizes)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen::CBackgroundManager manager(w.get(), w->GetRefreshScreenInterface());
    EXPECT_EQ(manager.getScrollMode(), 3);
    EXPECT_EQ(manager.getBackground(), nullptr);
    const struct {
        int width, height, mode;
    } cases[] = {
        {800, 600, 1},  {1600, 600, 1}, {800, 1200, 2}, {1600, 1200, 3}, {801, 601, 3},
        {1600, 500, 0}, {500, 1200, 0}, {400, 300, 0},  {800, 300, 2},
    };
    for (const auto& c : cases) {
        auto picture = drawable(w.get(), c.width, c.height, [](int, int) { return 1; });
        manager.SetBackground(picture.get());
        ASSERT_NE(manager.getBackground(), nullptr);
        EXPECT_EQ(manager.getScrollMode(), c.mode) << c.width << " x " << c.height;
        EXPECT_EQ(manager.getBackground()->Width(), c.width);
        // The picture keeps its own destiny.
        EXPECT_EQ(picture->GetDestiny(), nullptr);
    }
    manager.SetBackground(static_cast<CGraphicsObject*>(nullptr));
    EXPECT_EQ(manager.getBackground(), nullptr);
    manager.setBackground(new CDirectDrawSurface(w.get(), CXSize(800, 600), 16, false));
    EXPECT_EQ(manager.getScrollMode(), 1);
    CColor red(255, 0, 0);
    manager.SetBackground(&red);
    EXPECT_EQ(manager.getScrollMode(), 0);
    EXPECT_EQ(manager.getBackground()->Width(), 800);
    EXPECT_EQ(manager.getBackground()->GetDirectDrawSurfaceInterface()->pixelAt(799, 599), 0xF800u);
}

// A background at a position: each frame shows it from the position taken
// modulo its size, wrapping in the directions its mode allows.
struct Scroll {
    const char* name;
    int width, height, x, y;
    // Where screen pixel (x, y) comes from: x + dx, y + dy modulo the size.
    int dx, dy;
};

TEST_F(CBackgroundManagerTest, FramesWrapTheBackgroundAroundTheScreen)
{
    const Scroll cases[] = {
        {"screen-size", 800, 600, 0, 0, 0, 0},
        {"wide-left-10", 1600, 600, -10, 0, 1590, 0},
        {"wide-down-is-not-used", 1600, 600, -10, 25, 1590, 0},
        {"wide-far-right", 1600, 600, 3210, 0, 10, 0},
        {"tall-split", 800, 1200, 0, 900, 0, 900},
        {"tall-no-split", 800, 1200, 0, -1000, 0, 200},
        {"both-split", 1000, 700, -100, -50, 900, 650},
        {"both-whole", 1000, 700, 150, 80, 150, 80},
    };
    for (const Scroll& c : cases) {
        std::unique_ptr<CWindow> w = makeWindow();
        auto picture = drawable(w.get(), c.width, c.height, at);
        w->SetBackground(picture.get());
        CDirectDrawSurface* background = w->GetRefreshScreenInterface()->getBackgroundIfc();
        ASSERT_NE(background, nullptr) << c.name;
        background->SetPosition(c.x, c.y);
        w->Tick();
        EXPECT_TRUE(frameIs(
            backend.shownFrame(0),
            [&](int x, int y) { return uint32_t(at((x + c.dx) % c.width, (y + c.dy) % c.height)); },
            std::string("background-") + c.name))
            << c.name;
        // The position is kept within the background.
        EXPECT_EQ(background->GetPosition(), CXPoint(c.dx, c.height == 600 ? ((c.y % 600) + 600) % 600 : c.dy))
            << c.name;
    }
}

TEST_F(CBackgroundManagerTest, DrawsOnlyIntoTheDirtyRegions)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto picture = drawable(w.get(), 1600, 600, at);
    w->SetBackground(picture.get());
    CDirectDrawSurface* background = w->GetRefreshScreenInterface()->getBackgroundIfc();
    w->Tick();
    // Moved without a full invalidation: only the dirty rectangles follow.
    background->SetPosition(795, 0);
    CXRect a(0, 100, 10, 110), b(700, 0, 800, 20);
    w->Invalidate(&a);
    w->Invalidate(&b);
    w->Tick();
    auto expected = [&](int x, int y) {
        const bool moved = a.IsInRect(x, y) || b.IsInRect(x, y);
        return uint32_t(at(moved ? (x + 795) % 1600 : x, y));
    };
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "background-dirty"));
    EXPECT_TRUE(frameIs(w->GetBackBuffer()->GetDirectDrawSurfaceInterface(), expected, "background-dirty-back"));
}

TEST_F(CBackgroundManagerTest, ASmallBackgroundStartsWrappingWhenMoved)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto picture = drawable(w.get(), 400, 300, at);
    w->SetBackground(picture.get());
    w->Tick();
    EXPECT_TRUE(frameIs(
        backend.shownFrame(0), [](int x, int y) { return x < 400 && y < 300 ? uint32_t(at(x, y)) : 0u; },
        "background-small"));
    // Moved right: it now wraps horizontally, twice at most; what it does
    // not cover keeps the last frame's pixels.
    w->GetRefreshScreenInterface()->getBackgroundIfc()->SetPosition(100, 0);
    w->Invalidate();
    w->Tick();
    EXPECT_TRUE(frameIs(
        backend.shownFrame(0),
        [](int x, int y) {
            if (y >= 300 || x >= 700)
                return 0u;
            return uint32_t(x < 300 ? at(x + 100, y) : at(x - 300, y));
        },
        "background-small-moved"));
}

TEST_F(CBackgroundManagerTest, AColourFillsTheScreen)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CColor blue(0, 0, 255);
    w->SetBackground(&blue);
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), [](int, int) { return 0x001Fu; }, "background-blue"));
    // Without a colour, (7, 7, 7).
    w->SetBackground(static_cast<CColor*>(nullptr));
    w->Invalidate();
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), [](int, int) { return 0x0020u; }, "background-default"));
}

TEST_F(CBackgroundManagerTest, ALostBackgroundIsDrawnAgainFromItsPicture)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto picture = drawable(w.get(), 800, 600, at);
    w->SetBackground(picture.get());
    w->Tick();
    backend.loseSurfaces();
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), [](int x, int y) { return uint32_t(at(x, y)); },
                        "background-restored"));
    // A picture that is gone leaves the restored surface empty.
    picture.reset();
    backend.loseSurfaces();
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), [](int, int) { return 0u; }, "background-lost"));
}

} // namespace
