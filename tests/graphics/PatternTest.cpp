// The tile pattern: its grid, drawing the entries of its layers into
// frames, hit tests, replacing, moving, locking and removing entries, and
// what happens when a drawable it shows goes away.
#include "graphics/Pattern.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using screentest::drawable;
using screentest::frameIs;

// A drawable that counts its destructions.
struct Counted : CGraphicsObject {
    Counted(CWindow* w, int* deaths) : CGraphicsObject(w, CXSize(10, 10), 16), deaths(deaths) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
};

void paint(CGraphicsObject* g, uint16_t base)
{
    for (int y = 0; y < g->Height(); ++y)
        for (int x = 0; x < g->Width(); ++x) {
            uint16_t v = uint16_t(base + x + 32 * y);
            std::memcpy(g->GetDataPtr() + (y * g->Width() + x) * 2, &v, 2);
        }
}

class CPatternTest : public screentest::HeadlessScreen {};

TEST_F(CPatternTest, HasTheCellsItsSizeHoldsWhole)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CPattern pattern(w.get(), CXSize(100, 60), CXSize(32, 32), 2);
    EXPECT_EQ(pattern.getColumns(), 3);
    EXPECT_EQ(pattern.getRows(), 1);
    EXPECT_EQ(pattern.getLayers(), 2);
    EXPECT_EQ(pattern.Width(), 100);
    EXPECT_EQ(pattern.GetDataPtr(), nullptr);
    auto d = drawable(w.get(), 8, 8, [](int, int) { return 1; });
    const struct {
        int column, row, layer;
        bool taken;
    } cells[] = {{2, 0, 1, true}, {3, 0, 0, false}, {0, 1, 0, false}, {-1, 0, 0, false}, {0, 0, 2, false},
                 {0, 0, -1, false}};
    for (const auto& c : cells) {
        EXPECT_EQ(pattern.add("x", c.column, c.row, c.layer, d.get(), 0, "") != nullptr, c.taken)
            << c.column << "," << c.row << "," << c.layer;
        EXPECT_EQ(pattern.get(c.column, c.row, c.layer) != nullptr, c.taken);
    }
    EXPECT_EQ(pattern.get(2, 0, 1), pattern.getEntryAtCell(1, 2, 0));
    EXPECT_EQ(pattern.add("null", 0, 0, 0, nullptr, 0, ""), nullptr);
    // Sizes that make no table: nothing can be added, nothing breaks.
    CPattern none(w.get(), CXSize(100, 60), CXSize(0, 32), 1);
    CPattern huge(w.get(), CXSize(1 << 20, 1 << 20), CXSize(1, 1), 4);
    EXPECT_EQ(none.add("x", 0, 0, 0, d.get(), 0, ""), nullptr);
    EXPECT_EQ(huge.add("x", 0, 0, 0, d.get(), 0, ""), nullptr);
    EXPECT_EQ(huge.getColumns(), 0);
}

// A table is bounded by all it holds: each layer costs its list even when
// the size gives no whole cell, and a product of columns, rows and layers
// past 64 bits is refused, not wrapped.
TEST_F(CPatternTest, RefusesATableTooLargeToMake)
{
    std::unique_ptr<CWindow> w = makeWindow();
    const int most = 0x7FFFFFFF;
    const struct {
        int width, height, cell, layers;
        bool made;
    } cases[] = {{0, 0, 1, 2000000000, false},  {10, 10, 20, (1 << 24) / 3 + 1, false}, {most, most, 1, 3, false},
                 {most, most, 1, 1, false},     {1 << 20, 1 << 20, 1, 4, false},      {100, 100, 10, 4096, true},
                 {0, 0, 1, (1 << 20), true}};
    for (const auto& c : cases) {
        CPattern p(w.get(), CXSize(c.width, c.height), CXSize(c.cell, c.cell), c.layers);
        const int columns = c.width / c.cell, rows = c.height / c.cell;
        EXPECT_EQ(p.LastError(), c.made ? 0 : -1) << c.width << "x" << c.height << ", " << c.layers;
        EXPECT_EQ(p.getLayers(), c.made ? c.layers : 0) << c.layers;
        EXPECT_EQ(p.getColumns(), c.made ? columns : 0);
        EXPECT_EQ(p.getRows(), c.made ? rows : 0);
        auto d = drawable(w.get(), 8, 8, [](int, int) { return 1; });
        EXPECT_EQ(p.add("x", 0, 0, c.layers - 1, d.get(), 0, "") != nullptr, c.made && columns > 0 && rows > 0);
        p.Redraw();
        EXPECT_EQ(p.getGraphicsObject(0, 0, true, true, -1, 0), c.made && columns > 0 ? d.get() : nullptr);
    }
}

// A pattern of 3 x 2 cells of 20 x 20 at (50, 40): layer 0 shows a in two
// cells and b in one; layer 1 puts a half-transparent c over a's first
// cell; a locked entry is not drawn.
TEST_F(CPatternTest, DrawsItsLayersInTheirCellsIntoFrames)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto backdrop = drawable(w.get(), 800, 600, [](int, int) { return 0x0841; });
    auto a = drawable(w.get(), 20, 20, [](int x, int y) { return uint16_t(0x1000 + x + 32 * y); });
    auto b = drawable(w.get(), 20, 20, [](int x, int y) { return uint16_t(0x8000 + x + 32 * y); });
    auto c = drawable(w.get(), 20, 20, [](int, int) { return 0xFFFF; }, [](int x, int) { return x < 10 ? 255 : 0; });
    auto hiddenOne = drawable(w.get(), 20, 20, [](int, int) { return 0x1234; });
    a->SetPosition(7, 9);
    CPattern pattern(w.get(), CXSize(60, 40), CXSize(20, 20), 2);
    pattern.SetPosition(50, 40);
    pattern.add("a1", 0, 0, 0, a.get(), 0, "");
    pattern.add("a2", 2, 1, 0, a.get(), 0, "");
    pattern.add("b", 1, 0, 0, b.get(), 0, "");
    pattern.add("c", 0, 0, 1, c.get(), 0, "");
    pattern.add("locked", 1, 1, 0, hiddenOne.get(), 0, "");
    pattern.lock(1, 1, true);
    screen->put(backdrop.get(), -1);
    screen->put(&pattern, 0);

    uint16_t aBase = 0x1000;
    auto expected = [&](int x, int y) -> uint32_t {
        const int px = x - 50, py = y - 40;
        if (px < 0 || py < 0 || px >= 60 || py >= 40)
            return 0x0841;
        const int column = px / 20, row = py / 20, cx = px % 20, cy = py % 20;
        if (column == 0 && row == 0)
            return cx < 10 ? 0xFFFF : uint32_t(aBase + cx + 32 * cy);
        if (column == 2 && row == 1)
            return uint32_t(aBase + cx + 32 * cy);
        if (column == 1 && row == 0)
            return uint32_t(0x8000 + cx + 32 * cy);
        return 0x0841;
    };
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "pattern-drawn"));
    // The drawables are back where they were.
    EXPECT_EQ(a->GetPosition(), CXPoint(7, 9));
    EXPECT_EQ(a->GetDestiny(), nullptr);
    EXPECT_TRUE(a->GetClippingRect().IsEmpty());

    // A dirty rectangle across two cells is drawn again there only (in
    // the back buffer too, where nothing outside it may change).
    paint(a.get(), 0x2000);
    CXRect r(60, 50, 115, 75);
    screen->Invalidate(&r);
    w->Tick();
    auto partly = [&](int x, int y) {
        aBase = r.IsInRect(x, y) ? 0x2000 : 0x1000;
        return expected(x, y);
    };
    EXPECT_TRUE(frameIs(backend.shownFrame(0), partly, "pattern-dirty"));
    EXPECT_TRUE(frameIs(w->GetBackBuffer()->GetDirectDrawSurfaceInterface(), partly, "pattern-dirty-back"));

    // Unlocked, the entry shows.
    pattern.lock(1, 1, false);
    pattern.Invalidate();
    w->Tick();
    const platform::Surface* frame = backend.shownFrame(0);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->pixelAt(75, 65), 0x1234u);
}

TEST_F(CPatternTest, HitTestsSearchTheLayersInTheirOwnOrders)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto under = drawable(w.get(), 10, 10, [](int, int) { return 1; });
    auto over = drawable(w.get(), 10, 10, [](int, int) { return 2; }, [](int x, int) { return x < 5 ? 255 : 0; });
    auto other = drawable(w.get(), 10, 10, [](int, int) { return 3; });
    CPattern pattern(w.get(), CXSize(40, 40), CXSize(10, 10), 2);
    pattern.SetPosition(100, 100);
    CPatternEntry* low = pattern.add("under", 1, 1, 0, under.get(), 0, "info");
    CPatternEntry* high = pattern.add("over", 1, 1, 1, over.get(), 0, "");
    pattern.add("other", 3, 0, 1, other.get(), 0, "");

    // (112, 112) is cell (1, 1), inside over's opaque half.
    EXPECT_EQ(pattern.getGraphicsObject(112, 112, false, false, -1, 0), over.get());
    EXPECT_EQ(pattern.getEntryAt(112, 112, 0, false, false), low);
    EXPECT_EQ(pattern.getGraphicsObjectAlias(112, 112, false, false), CXString("under"));
    EXPECT_EQ(pattern.getGraphicsObject(112, 112, false, false, 0, 0), under.get());
    // Over over's transparent half only the box counts with boxOnly.
    EXPECT_EQ(pattern.getGraphicsObject(117, 112, false, false, 1, 0), nullptr);
    EXPECT_EQ(pattern.getGraphicsObject(117, 112, false, true, 1, 0), over.get());
    EXPECT_EQ(pattern.getGraphicsObject(117, 112, false, false, -1, 0), under.get());
    EXPECT_EQ(pattern.getGraphicsObject(135, 105, false, false, -1, 0), other.get());
    EXPECT_EQ(pattern.getGraphicsObject(95, 95, false, false, -1, 0), nullptr);
    EXPECT_EQ(pattern.getGraphicsObject(112, 112, false, false, 5, 0), nullptr);
    EXPECT_EQ(pattern.getGraphicsObjectAlias(5, 5, false, false), CXString());

    // Hidden drawables count only when asked for; locked entries never.
    under->Hide();
    EXPECT_EQ(pattern.getEntryAt(112, 112, 0, false, false), high);
    EXPECT_EQ(pattern.getEntryAt(112, 112, 0, true, false), low);
    pattern.lock(1, 1, true);
    EXPECT_TRUE(low->locked);
    EXPECT_TRUE(high->locked);
    EXPECT_EQ(pattern.getEntryAt(112, 112, 0, true, true), nullptr);
    EXPECT_EQ(pattern.getGraphicsObject(112, 112, true, true, -1, 0), nullptr);
    // The drawables were only placed there for the test.
    EXPECT_EQ(under->GetPosition(), CXPoint(0, 0));
    EXPECT_EQ(pattern.getAliasEntry("under"), low);
    EXPECT_EQ(pattern.getAliasEntry("none"), nullptr);

    // A grid step a script made huge puts the cells far away; placing them
    // must not overflow (the sanitizers stop on that).
    pattern.lock(1, 1, false);
    under->Show();
    pattern.setGrid(CXSize(INT32_MAX, INT32_MAX));
    EXPECT_EQ(pattern.getGraphicsObject(112, 112, false, false, -1, 0), nullptr);
    pattern.Redraw();
}

TEST_F(CPatternTest, WatchesADrawableWhileAnEntryShowsIt)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto x = drawable(w.get(), 10, 10, [](int, int) { return 1; });
    auto y = drawable(w.get(), 10, 10, [](int, int) { return 2; });
    CPattern pattern(w.get(), CXSize(40, 20), CXSize(10, 10), 1);
    auto watched = [&](CGraphicsObject* d) {
        pattern.isInvalidated();
        d->Invalidate();
        return pattern.isInvalidated();
    };
    pattern.add("x1", 0, 0, 0, x.get(), 0, "");
    pattern.add("x2", 1, 0, 0, x.get(), 0, "");
    EXPECT_TRUE(watched(x.get()));
    EXPECT_TRUE(x->GetAutoClip());
    pattern.add("y", 0, 0, 0, y.get(), 0, ""); // replaces x1; x2 still shows x
    EXPECT_EQ(pattern.get(0, 0, 0)->alias, CXString("y"));
    EXPECT_TRUE(watched(x.get()));
    pattern.add("y2", 1, 0, 0, y.get(), 0, ""); // replaces x2: x is shown nowhere
    EXPECT_FALSE(watched(x.get()));
    EXPECT_FALSE(pattern.contains(x.get()));
    pattern.add("y3", 1, 0, 0, y.get(), 0, ""); // the same drawable again
    EXPECT_TRUE(watched(y.get()));

    pattern.remove(CXString("y"));
    EXPECT_EQ(pattern.get(0, 0, 0), nullptr);
    EXPECT_TRUE(watched(y.get()));
    pattern.remove(1, 0, 0);
    EXPECT_FALSE(watched(y.get()));
    pattern.remove(5, 5, 5);
    pattern.remove(CXString("none"));

    pattern.add("x", 0, 0, 0, x.get(), 0, "");
    pattern.add("y", 1, 0, 0, y.get(), 0, "");
    pattern.removeAll();
    EXPECT_FALSE(pattern.contains(x.get()));
    EXPECT_FALSE(watched(x.get()));
    EXPECT_FALSE(watched(y.get()));

    // A new cell size invalidates the pattern once.
    pattern.isInvalidated();
    pattern.setGrid(CXSize(10, 10));
    EXPECT_FALSE(pattern.isInvalidated());
    pattern.setGrid(CXSize(5, 10));
    EXPECT_TRUE(pattern.isInvalidated());
    EXPECT_EQ(pattern.getGrid().cx, 5);
    EXPECT_EQ(pattern.getColumns(), 4);
}

TEST_F(CPatternTest, RemovesDrawablesItDeletesOrThatGoAway)
{
    std::unique_ptr<CWindow> w = makeWindow();
    int deaths = 0;
    CPattern pattern(w.get(), CXSize(40, 40), CXSize(10, 10), 2);
    Counted* shared = new Counted(w.get(), &deaths);
    pattern.add("a", 0, 0, 0, shared, 0, "");
    pattern.add("b", 1, 1, 1, shared, 0, "");
    pattern.remove(shared, true); // every entry, then the drawable once
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(pattern.get(0, 0, 0), nullptr);
    EXPECT_EQ(pattern.get(1, 1, 1), nullptr);

    // A drawable deleted by its owner leaves every cell it was in.
    std::unique_ptr<Counted> gone(new Counted(w.get(), &deaths));
    auto kept = drawable(w.get(), 10, 10, [](int, int) { return 5; });
    pattern.add("g1", 0, 0, 0, gone.get(), 0, "");
    pattern.add("g2", 0, 1, 1, gone.get(), 0, "");
    pattern.add("k", 2, 2, 0, kept.get(), 0, "");
    gone.reset();
    EXPECT_EQ(pattern.get(0, 0, 0), nullptr);
    EXPECT_EQ(pattern.get(0, 1, 1), nullptr);
    EXPECT_NE(pattern.get(2, 2, 0), nullptr);
    w->GetRefreshScreenInterface()->put(&pattern, 0);
    w->Tick();
    // And a pattern that goes lets go of what it watched.
    {
        CPattern brief(w.get(), CXSize(20, 20), CXSize(10, 10), 1);
        brief.add("k", 0, 0, 0, kept.get(), 0, "");
    }
    kept->Invalidate();
}

TEST_F(CPatternTest, MoveDownDeletesWhatItLandsOnAndLocksTheEntry)
{
    std::unique_ptr<CWindow> w = makeWindow();
    int deaths = 0;
    CPattern pattern(w.get(), CXSize(30, 40), CXSize(10, 10), 1);
    auto falling = drawable(w.get(), 10, 10, [](int, int) { return 9; });
    Counted* below = new Counted(w.get(), &deaths);
    CPatternEntry* e = pattern.add("fall", 0, 0, 0, falling.get(), 0, "");
    pattern.add("below", 0, 2, 0, below, 0, "");

    pattern.moveDown(0, 0, 2);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(pattern.get(0, 0, 0), nullptr);
    EXPECT_EQ(pattern.get(0, 2, 0), e);
    EXPECT_EQ(e->row, 2);
    EXPECT_TRUE(e->locked);
    // Locked, it is neither drawn nor hit until lock clears it there.
    EXPECT_EQ(pattern.getGraphicsObject(5, 25, false, true, -1, 0), nullptr);
    pattern.lock(0, 2, false);
    EXPECT_EQ(pattern.getGraphicsObject(5, 25, false, true, -1, 0), falling.get());

    // Into an empty cell, nothing is deleted; out of the table, by 0, or
    // from an empty cell nothing happens.
    pattern.moveDown(0, 2, -1);
    EXPECT_EQ(pattern.get(0, 1, 0), e);
    pattern.moveDown(0, 1, 5);
    pattern.moveDown(0, 1, 0);
    pattern.moveDown(1, 0, 1);
    EXPECT_EQ(pattern.get(0, 1, 0), e);
    EXPECT_EQ(deaths, 1);

    // Landing on the drawable it shows itself takes its own entry too.
    Counted* twice = new Counted(w.get(), &deaths);
    pattern.add("t1", 2, 0, 0, twice, 0, "");
    pattern.add("t2", 2, 3, 0, twice, 0, "");
    pattern.moveDown(2, 0, 3);
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(pattern.get(2, 0, 0), nullptr);
    EXPECT_EQ(pattern.get(2, 3, 0), nullptr);
}

TEST_F(CPatternTest, SwitchExchangesTwoCellsOfTheFirstLayer)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto a = drawable(w.get(), 10, 10, [](int, int) { return 1; });
    auto b = drawable(w.get(), 10, 10, [](int, int) { return 2; });
    CPattern pattern(w.get(), CXSize(30, 30), CXSize(10, 10), 2);
    CPatternEntry* ea = pattern.add("a", 0, 0, 0, a.get(), 0, "");
    CPatternEntry* eb = pattern.add("b", 2, 1, 0, b.get(), 0, "");
    CPatternEntry* upper = pattern.add("u", 0, 0, 1, b.get(), 0, "");
    pattern._switch(0, 0, 2, 1);
    EXPECT_EQ(pattern.get(0, 0, 0), eb);
    EXPECT_EQ(pattern.get(2, 1, 0), ea);
    EXPECT_EQ(ea->column, 2);
    EXPECT_EQ(ea->row, 1);
    EXPECT_EQ(eb->column, 0);
    EXPECT_EQ(pattern.get(0, 0, 1), upper);
    // With an empty cell it is a move; outside the table nothing.
    pattern._switch(2, 1, 1, 2);
    EXPECT_EQ(pattern.get(1, 2, 0), ea);
    EXPECT_EQ(pattern.get(2, 1, 0), nullptr);
    EXPECT_EQ(ea->column, 1);
    pattern._switch(1, 2, 3, 3);
    EXPECT_EQ(pattern.get(1, 2, 0), ea);

    CPatternEntry x(CXString("x"), 0, 0, nullptr, 5, CXString());
    CPatternEntry y(CXString("y"), 0, 0, nullptr, 3, CXString());
    EXPECT_EQ(x.compare(&y), 1);
    EXPECT_EQ(y.compare(&x), 0);
}

} // namespace
