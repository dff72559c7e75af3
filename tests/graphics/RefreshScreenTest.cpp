// The screen refresh: the dirty-region list, the drawables by priority, the
// hit test, the notifications, and frames composed through the window onto
// the headless display.
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "graphics/ValidationQuene.h"
#include "platform/Drives.h"
#include "script/Scene.h"
#include "script/SceneServices.h"
#include "support/TestSupport.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using screentest::drawable;
using screentest::frameIs;
using screentest::shownAs;

std::string text(const CXRect* r)
{
    if (!r)
        return "whole";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

std::vector<std::string> entries(CRefreshRegion& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.getSize(); ++i)
        out.push_back(text(list.rectAt(i)));
    return out;
}

struct RegionCase {
    const char* name;
    std::vector<CXRect> added; // a default rectangle stands for null
    std::vector<std::string> expected;
    bool whole;
};

TEST(CRefreshRegionTest, KeepsItsRectanglesApartAsTheyAreAdded)
{
    const CXRect none(-1, -1, -1, -1);
    const RegionCase cases[] = {
        {"one", {{10, 10, 20, 20}}, {"10,10,20,20"}, false},
        {"inside an existing one", {{0, 0, 100, 100}, {10, 10, 50, 50}}, {"0,0,100,100"}, false},
        {"enclosing on all sides", {{10, 10, 20, 20}, {0, 0, 30, 30}}, {"0,0,30,30"}, false},
        {"enclosing goes to the end", {{10, 10, 20, 20}, {100, 100, 110, 110}, {0, 0, 30, 30}},
         {"100,100,110,110", "0,0,30,30"}, false},
        {"right and below", {{0, 0, 100, 100}, {50, 50, 150, 150}},
         {"0,0,100,100", "100,50,150,150", "50,100,100,150"}, false},
        {"left and above", {{100, 100, 200, 200}, {50, 50, 150, 150}},
         {"100,100,200,200", "50,50,100,150", "100,50,150,100"}, false},
        {"left and right", {{100, 100, 200, 200}, {50, 120, 250, 180}},
         {"100,100,200,200", "50,120,100,180", "200,120,250,180"}, false},
        {"strips split again", {{0, 0, 100, 100}, {100, 0, 200, 100}, {50, 50, 250, 150}},
         {"0,0,100,100", "100,0,200,100", "200,50,250,150", "100,100,200,150", "50,100,100,150"}, false},
        {"touching edges do not meet", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {"0,0,10,10", "10,0,20,10"}, false},
        {"null marks the whole screen", {{5, 5, 9, 9}, none, {1, 1, 2, 2}}, {"whole"}, true},
        {"800 x 600 is the whole screen", {{5, 5, 9, 9}, {0, 0, 800, 600}}, {"whole"}, true},
    };
    for (const RegionCase& c : cases) {
        CRefreshRegion list;
        list.clear();
        for (CXRect r : c.added)
            list.add(r == none ? nullptr : &r);
        EXPECT_EQ(entries(list), c.expected) << c.name;
        EXPECT_EQ(list.isWholeScreen(), c.whole) << c.name;
    }

    // A new list draws everything once: its null entry is not the whole
    // screen mark, and covers what is added to it.
    CRefreshRegion fresh;
    CXRect r(5, 5, 10, 10);
    fresh.add(&r);
    EXPECT_EQ(entries(fresh), std::vector<std::string>{"whole"});
    EXPECT_FALSE(fresh.isWholeScreen());
    fresh.clear();
    EXPECT_EQ(fresh.getSize(), 0);
}

TEST(CRefreshRegionTest, RandomRectanglesCoverTheirUnionWithoutOverlaps)
{
    std::mt19937 random(23);
    for (int round = 0; round < 20; ++round) {
        CRefreshRegion list;
        list.clear();
        std::vector<char> wanted(200 * 150, 0);
        for (int i = 0; i < 60; ++i) {
            int l = int(random() % 190), t = int(random() % 140);
            CXRect r(l, t, l + 1 + int(random() % 40), t + 1 + int(random() % 40));
            r.right = std::min(r.right, 200);
            r.bottom = std::min(r.bottom, 150);
            list.add(&r);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    wanted[y * 200 + x] = 1;
        }
        std::vector<char> covered(200 * 150, 0);
        for (int i = 0; i < list.getSize(); ++i) {
            const CXRect* r = list.rectAt(i);
            ASSERT_NE(r, nullptr);
            for (int y = r->top; y < r->bottom; ++y)
                for (int x = r->left; x < r->right; ++x) {
                    ASSERT_EQ(covered[y * 200 + x], 0) << "overlap at " << x << "," << y << " round " << round;
                    covered[y * 200 + x] = 1;
                }
        }
        EXPECT_EQ(covered, wanted) << "round " << round;
    }
}

// The list as the plain walk makes it: each rectangle is compared with the
// first one it meets, in list order.
void addByWalking(std::vector<CXRect>& list, const CXRect& n)
{
    for (size_t i = 0; i < list.size(); ++i) {
        const CXRect e = list[i];
        if (e.left >= n.right || n.left >= e.right || e.top >= n.bottom || n.top >= e.bottom)
            continue;
        if (n.IsPartOf(e))
            return;
        if (n.left < e.left && n.top < e.top && n.right > e.right && n.bottom > e.bottom) {
            list.erase(list.begin() + long(i));
            addByWalking(list, n);
            return;
        }
        const int left = std::max(n.left, e.left), right = std::min(n.right, e.right);
        if (n.left < e.left)
            addByWalking(list, CXRect(n.left, n.top, e.left, n.bottom));
        if (n.right > e.right)
            addByWalking(list, CXRect(e.right, n.top, n.right, n.bottom));
        if (n.top < e.top)
            addByWalking(list, CXRect(left, n.top, right, e.top));
        if (n.bottom > e.bottom)
            addByWalking(list, CXRect(left, e.bottom, right, n.bottom));
        return;
    }
    list.push_back(n);
}

// Long lists (many small rectangles, as a scene puts its drawables at many
// places) come out entry for entry as the plain walk makes them, also with
// rectangles off the screen, empty or inverted ones, and after clearing.
TEST(CRefreshRegionTest, LongListsComeOutAsThePlainWalkMakesThem)
{
    std::mt19937 random(7);
    CRefreshRegion list;
    for (int round = 0; round < 6; ++round) {
        list.clear();
        std::vector<CXRect> walked;
        const int count = round < 3 ? 1500 : 300;
        for (int i = 0; i < count; ++i) {
            const int side = round % 3 == 2 ? int(random() % 200) : int(random() % 24);
            const int l = int(random() % 900) - 50, t = int(random() % 700) - 50;
            CXRect r(l, t, l + 1 + side, t + 1 + int(random() % 24));
            if (random() % 50 == 0)
                r = CXRect(l, t, l - int(random() % 3), t + int(random() % 3)); // empty or inverted
            list.add(&r);
            addByWalking(walked, r);
        }
        ASSERT_EQ(list.getSize(), int(walked.size())) << "round " << round;
        for (int i = 0; i < list.getSize(); ++i)
            ASSERT_EQ(*list.rectAt(i), walked[size_t(i)]) << "round " << round << " entry " << i;
    }
}

// Crossed drawables on the headless display: drawable k of n is opaque on
// the column and the row k of a grid of 4-pixel cells, so that the cell
// (i, j) shows whichever of drawables i and j is drawn over the other, and
// one frame shows the whole drawing order. A picture at the lowest priority
// lies under them all.
class Crosses {
public:
    enum { Cell = 4 };
    Crosses(CWindow* w, int n) : window(w), screen(w->GetRefreshScreenInterface()), count(n)
    {
        under = drawable(w, 800, 600, [](int, int) { return uint16_t(0x0001); });
        screen->put(under.get(), INT_MIN);
        for (int k = 0; k < n; ++k)
            items.push_back(drawable(w, n * Cell, n * Cell, [k](int, int) { return colourOf(k); },
                                     [k](int x, int y) { return uint8_t(x / Cell == k || y / Cell == k ? 255 : 0); }));
    }
    static uint16_t colourOf(int k) { return uint16_t(0x0841 * (k + 2)); }
    CGraphicsObject* at(int k) { return items[size_t(k)].get(); }

    // The drawables listed, from the bottom up, as the screen lists them.
    std::vector<int> listed()
    {
        std::vector<std::pair<int, int>> byIndex;
        for (int k = 0; k < count; ++k)
            if (screen->getIndex(at(k)) >= 0)
                byIndex.push_back({screen->getIndex(at(k)), k});
        std::sort(byIndex.begin(), byIndex.end());
        std::vector<int> order;
        for (const auto& entry : byIndex)
            order.push_back(entry.second);
        return order;
    }
    // Draws the whole screen and tells whether each cell shows the later of
    // its two drawables in order (bottom up), or the ground where neither
    // is listed.
    ::testing::AssertionResult shown(const std::vector<int>& order, const std::string& name)
    {
        screen->Invalidate();
        window->Tick();
        std::vector<int> rank(size_t(count), -1);
        for (size_t i = 0; i < order.size(); ++i)
            rank[size_t(order[i])] = int(i);
        auto expected = [&](int x, int y) -> uint32_t {
            const int i = x / Cell, j = y / Cell;
            const int top = rank[size_t(i)] > rank[size_t(j)] ? i : j;
            return rank[size_t(top)] < 0 ? 0x0001 : colourOf(top);
        };
        const platform::Surface* frame = backend().shownFrame(0);
        if (!frame)
            return ::testing::AssertionFailure() << name << ": no frame";
        for (int y = 0; y < count * Cell; ++y)
            for (int x = 0; x < count * Cell; ++x)
                if (frame->pixelAt(x, y) != expected(x, y))
                    return ::testing::AssertionFailure() << name << ": cell " << x / Cell << "," << y / Cell
                                                         << " shows " << frame->pixelAt(x, y);
        return ::testing::AssertionSuccess();
    }
    std::function<platform::HeadlessPlatform&()> backend;

private:
    CWindow* window;
    CRefreshScreen* screen;
    int count;
    std::unique_ptr<CGraphicsObject> under;
    std::vector<std::unique_ptr<CGraphicsObject>> items;
};

// The screen's order kept by hand: a drawable put goes after those of lower
// or equal priority, one given a new priority goes after those of that
// priority; putting one listed, and changes to one not listed, do nothing.
struct OrderModel {
    std::vector<std::pair<int, int>> listed; // drawable, priority; bottom up
    std::vector<std::pair<int, int>>::iterator of(int k)
    {
        return std::find_if(listed.begin(), listed.end(), [k](const std::pair<int, int>& e) { return e.first == k; });
    }
    void insert(int k, int priority)
    {
        auto at = std::find_if(listed.begin(), listed.end(),
                               [priority](const std::pair<int, int>& e) { return e.second > priority; });
        listed.insert(at, {k, priority});
    }
    void put(int k, int priority)
    {
        if (of(k) == listed.end())
            insert(k, priority);
    }
    void take(int k)
    {
        if (of(k) != listed.end())
            listed.erase(of(k));
    }
    void setPriority(int k, int priority)
    {
        if (of(k) == listed.end())
            return;
        take(k);
        insert(k, priority);
    }
    std::vector<int> order() const
    {
        std::vector<int> o;
        for (const auto& e : listed)
            o.push_back(e.first);
        return o;
    }
};

// A drawable that records the clipping rectangle of each of its redraws.
class Counted : public CGraphicsObject {
public:
    Counted(CWindow* w, int size) : CGraphicsObject(w, CXSize(size, size), 16) {}
    void Redraw() override
    {
        clips.push_back(text(&clip));
        CGraphicsObject::Redraw();
    }
    std::vector<std::string> clips;
};

class CRefreshScreenTest : public screentest::HeadlessScreen {};

TEST_F(CRefreshScreenTest, ListsDrawablesByPriorityInTheOrderTheyCame)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    ASSERT_NE(screen, nullptr);
    auto a = drawable(w.get(), 4, 4, [](int, int) { return 1; });
    auto b = drawable(w.get(), 4, 4, [](int, int) { return 2; });
    auto c = drawable(w.get(), 4, 4, [](int, int) { return 3; });
    auto d = drawable(w.get(), 4, 4, [](int, int) { return 4; });
    screen->put(a.get(), 5);
    screen->put(b.get(), 5);
    screen->put(c.get(), 1);
    *screen << d.get();
    screen->SetPriority(d.get(), 7);
    screen->put(a.get(), 9); // already listed: ignored
    EXPECT_EQ(a->GetCanvas(), static_cast<CRefreshScreenIfc*>(screen));
    auto order = [&] {
        return std::vector<int>{screen->getIndex(c.get()), screen->getIndex(a.get()), screen->getIndex(b.get()),
                                screen->getIndex(d.get())};
    };
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3}));
    // A new priority goes after the others of that priority.
    screen->SetPriority(a.get(), 5);
    EXPECT_EQ(screen->getIndex(a.get()), 2);
    EXPECT_EQ(screen->GetPriority(a.get()), 5);

    // Taking one out invalidates nothing and lets it go; deleting one takes
    // it out too.
    screen->validate();
    *screen >> a.get();
    EXPECT_EQ(screen->getRefreshList()->getSize(), 0);
    EXPECT_EQ(a->GetCanvas(), nullptr);
    EXPECT_EQ(screen->GetPriority(a.get()), -1);
    screen->SetPriority(a.get(), 3);
    EXPECT_EQ(screen->getIndex(a.get()), -1);
    EXPECT_FALSE(screen->SetFlags(a.get(), 1));
    EXPECT_TRUE(screen->SetFlags(b.get(), 1));
    EXPECT_EQ(screen->GetFlags(b.get()), 1);
    b.reset();
    EXPECT_EQ(screen->getRefreshQuene()->getSize(), 2);
    // Going with the window lets the rest go.
    w.reset();
    EXPECT_EQ(c->GetCanvas(), nullptr);
}

// The drawing order through puts, removals and new priorities, with
// frames between them or not: "A:5" puts A at 5, "A=2" gives it priority 2,
// "-A" takes it off and "|" draws a frame; the order is bottom up.
TEST_F(CRefreshScreenTest, DrawsByPriorityThenInTheOrderPutThroughChanges)
{
    const struct {
        const char* name;
        const char* steps;
        const char* order;
    } cases[] = {
        {"equal priorities as put", "A:0 B:0 C:0", "ABC"},
        {"lower first, equals as put", "A:5 B:1 C:5 D:-3", "DBAC"},
        {"put again: ignored", "A:0 B:0 A:9", "AB"},
        {"taken out and put back goes last", "A:0 B:0 C:0 -B B:0", "ACB"},
        {"the same priority again goes after its equals", "A:2 B:2 C:2 A=2", "BCA"},
        {"new priorities", "A:1 B:2 C:3 C=0 A=5 B=-1", "BCA"},
        {"a change to one not listed does nothing", "A:1 B:1 -A A=0 -A", "B"},
        {"frames between the changes", "A:0 | B:0 -A | A:0 C:-1 | B=0", "CAB"},
        {"out and in again before a frame", "A:0 B:0 -A A:0 -B B:0 |", "AB"},
        {"everything out, then in again", "A:3 B:2 C:1 | -A -B -C | C:1 A:1 B:1", "CAB"},
    };
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    for (const auto& c : cases) {
        Crosses crosses(w.get(), 4);
        crosses.backend = [this]() -> platform::HeadlessPlatform& { return backend; };
        std::istringstream steps(c.steps);
        for (std::string step; steps >> step;) {
            if (step == "|") {
                w->Tick();
                continue;
            }
            const bool take = step[0] == '-';
            CGraphicsObject* d = crosses.at(step[take ? 1 : 0] - 'A');
            if (take)
                *screen >> d;
            else if (step[1] == ':')
                screen->put(d, std::stoi(step.substr(2)));
            else
                screen->SetPriority(d, std::stoi(step.substr(2)));
        }
        std::vector<int> expected;
        for (const char* o = c.order; *o; ++o)
            expected.push_back(*o - 'A');
        EXPECT_EQ(crosses.listed(), expected) << c.name;
        EXPECT_TRUE(crosses.shown(expected, c.name));
    }
}

// Many random changes, frames and hit tests among them, against the order
// kept by hand.
TEST_F(CRefreshScreenTest, RandomChangesKeepTheOrderKeptByHand)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    const int n = 12;
    Crosses crosses(w.get(), n);
    crosses.backend = [this]() -> platform::HeadlessPlatform& { return backend; };
    OrderModel model;
    std::mt19937 random(75);
    for (int step = 0; step < 600; ++step) {
        const int k = int(random() % n), priority = int(random() % 5) - 1;
        switch (random() % 8) {
        case 0:
        case 1:
        case 2:
            screen->put(crosses.at(k), priority);
            model.put(k, priority);
            break;
        case 3:
        case 4:
            *screen >> crosses.at(k);
            model.take(k);
            break;
        case 5:
            screen->SetPriority(crosses.at(k), priority);
            model.setPriority(k, priority);
            break;
        case 6: {
            // At the cell (k, j) the later listed of the two is hit (the
            // ground's priority is below any hit).
            const int j = int(random() % n);
            CGraphicsObject* top = nullptr;
            for (int d : model.order())
                if (d == k || d == j)
                    top = crosses.at(d);
            CGraphicsObject* hit = screen->getGraphicsAt(k * Crosses::Cell, j * Crosses::Cell, true, -1, -1, false);
            EXPECT_EQ(hit, top) << "step " << step;
            break;
        }
        default:
            ASSERT_EQ(crosses.listed(), model.order()) << "step " << step;
            ASSERT_TRUE(crosses.shown(model.order(), "step " + std::to_string(step)));
        }
        if (step % 50 == 0)
            w->Tick();
    }
}

TEST_F(CRefreshScreenTest, HitTestTakesTheTopmostOpaquePixel)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto under = drawable(w.get(), 20, 20, [](int, int) { return 1; });
    auto over = drawable(w.get(), 20, 20, [](int, int) { return 2; }, [](int x, int) { return x < 10 ? 0 : 255; });
    auto low = drawable(w.get(), 20, 20, [](int, int) { return 3; });
    screen->put(under.get(), 4);
    screen->put(over.get(), 4);
    screen->put(low.get(), -3);
    EXPECT_EQ(screen->getGraphicsAt(15, 5, true, -1, -1, false), over.get()); // equal priority: the later
    EXPECT_EQ(screen->getGraphicsAt(5, 5, true, -1, -1, false), under.get()); // transparent there
    EXPECT_EQ(screen->getGraphicsAt(5, 5, true, -1, -1, true), over.get());
    EXPECT_EQ(screen->getGraphicsAt(5, 5, true, 0, 3, false), nullptr);
    EXPECT_EQ(screen->getGraphicsAt(5, 5, true, 0, -1, false), under.get());
    EXPECT_EQ(screen->getGraphicsAt(25, 5, true, -1, -1, false), nullptr);
    over->Hide();
    under->Hide();
    EXPECT_EQ(screen->getGraphicsAt(15, 5, true, -1, -1, false), nullptr); // below -1 never
    EXPECT_EQ(screen->getGraphicsAt(15, 5, false, -1, -1, false), over.get());
}

TEST_F(CRefreshScreenTest, DrawsEachDrawableOncePerDirtyRegionOrOnceWhenItChanged)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    Counted d(w.get(), 100);
    Counted hidden(w.get(), 100);
    screen->put(&d, 0);
    screen->put(&hidden, 1);
    hidden.Hide();
    w->Tick(); // the first frame: the whole screen
    EXPECT_EQ(d.clips, std::vector<std::string>{"0,0,100,100"});
    d.clips.clear();

    CXRect r1(10, 10, 20, 20), r2(50, 50, 60, 60), away(300, 300, 310, 310);
    screen->Invalidate(&r1);
    screen->Invalidate(&r2);
    screen->Invalidate(&away);
    w->Tick();
    EXPECT_EQ(d.clips, (std::vector<std::string>{"10,10,20,20", "50,50,60,60"}));
    d.clips.clear();

    // Changed: drawn once, whole, whatever regions meet it.
    screen->Invalidate(&r1);
    d.Invalidate();
    w->Tick();
    EXPECT_EQ(d.clips, std::vector<std::string>{"0,0,100,100"});
    d.clips.clear();
    w->Tick();
    EXPECT_TRUE(d.clips.empty());
    EXPECT_TRUE(hidden.clips.empty());
    // Its own clipping rectangle narrows each region's draw (r2 lies outside
    // it), and is restored after each draw.
    d.SetClippingRect(CXRect(0, 0, 50, 50));
    screen->Invalidate(&r2);
    screen->Invalidate(&r1);
    w->Tick();
    EXPECT_EQ(d.clips, (std::vector<std::string>{"10,10,20,20"}));
    CXRect kept = d.GetClippingRect();
    EXPECT_EQ(text(&kept), "0,0,50,50");
}

// The scenes' default screen unit and a canvas observer, logging what the
// screen tells them.
struct Log {
    std::vector<std::string> lines;
};
Log* unitLog = nullptr;
struct Unit : CMC_PlainUnit {
    Unit() : CMC_PlainUnit("Default") {}
    bool wasInitiallyUpdated() override { return updated; }
    bool onInitialUpdate() override
    {
        unitLog->lines.push_back("unit initial");
        updated = true;
        return true;
    }
    bool updated = false;
    static CMC_ScreenUnit* make(CWindow*, const CXString&) { return new Unit; }
};
struct Observer : CCanvasObserver {
    Log* log;
    void onInitialUpdate() override { log->lines.push_back("0"); }
    void onInitialUpdated() override { log->lines.push_back("5"); }
    void onUpdate() override { log->lines.push_back("1"); }
    void onUpdated() override { log->lines.push_back("2"); }
    void onFocusOn() override { log->lines.push_back("3"); }
    void onFocusOff() override { log->lines.push_back("4"); }
};
TEST_F(CRefreshScreenTest, TellsObserversOfTheUnitsFirstFrameOfFramesAndOfTheFocus)
{
    Log log;
    unitLog = &log;
    CMC_Scene::doneDefUnit();
    CMC_Scene::setUnitMaker(&Unit::make);
    CMC_Scene scene(nullptr, MC_SCENE); // makes the default unit
    CMC_Scene::setUnitMaker(nullptr);
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    Observer o;
    o.log = &log;
    screen->addNotifier(&o);
    auto d = drawable(w.get(), 10, 10, [](int, int) { return 0x1234; });
    screen->put(d.get(), 0);

    // Told nothing until notification is enabled.
    w->OnActivateApp(false);
    w->OnActivateApp(true);
    EXPECT_TRUE(log.lines.empty());
    screen->enableNotifyFlag(true);

    uint64_t shown = backend.framesShown(0);
    w->Tick(); // the unit's first frame: its initial update, then the frame
    EXPECT_EQ(log.lines, (std::vector<std::string>{"0", "unit initial", "1", "2", "5"}));
    EXPECT_EQ(backend.framesShown(0), shown + 1);
    // ... after which the whole screen is drawn again.
    EXPECT_TRUE(screen->getRefreshList()->isWholeScreen());
    log.lines.clear();
    w->Tick();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(backend.framesShown(0), shown + 2);
    log.lines.clear();
    w->OnActivateApp(false);
    w->Tick(); // inactive: nothing
    w->OnActivateApp(true);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"4", "3"}));

    // An observer that goes during the walk is not told any more.
    log.lines.clear();
    struct Leaving : Observer {
        CRefreshScreen* screen;
        Observer* other;
        void onFocusOff() override
        {
            Observer::onFocusOff();
            screen->removeNotifier(other);
        }
    } leaving;
    leaving.log = &log;
    leaving.screen = screen;
    leaving.other = &o;
    screen->removeNotifier(&o);
    screen->addNotifier(&leaving);
    screen->addNotifier(&o);
    screen->onFocusOff();
    EXPECT_EQ(log.lines, std::vector<std::string>{"4"});
    CMC_Scene::doneDefUnit();
}

// The window's frames on the headless display: a picture behind a sprite
// with a transparent ground that moves, hides and comes back; each shown
// frame must be exactly the picture with the sprite on it.
class CRefreshScreenFrameTest : public screentest::HeadlessScreen, public ::testing::WithParamInterface<int> {};

TEST_P(CRefreshScreenFrameTest, ShowsTheDrawablesOverEachOtherFrameAfterFrame)
{
    const int depth = GetParam();
    backend.setDesktopDepth(depth);
    backend.setClientOrigin(0, platform::Point{120, 40});
    std::unique_ptr<CWindow> w = makeWindow();
    ASSERT_EQ(w->GetBpp(), depth);
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto scenery = [](int x, int y) { return uint16_t((x * 7 + y * 13) ^ (y << 9)); };
    auto spriteWord = [](int x, int y) { return uint16_t(0xF800 | (x * 3 + y)); };
    auto spriteAlpha = [](int x, int y) { return uint8_t((x - 20) * (x - 20) + (y - 15) * (y - 15) < 200 ? 255 : 0); };
    auto picture = drawable(w.get(), 800, 600, scenery);
    auto sprite = drawable(w.get(), 40, 30, spriteWord, spriteAlpha);
    sprite->SetPosition(100, 200);
    screen->put(sprite.get(), 10);
    screen->put(picture.get(), 0);

    CXPoint at(100, 200);
    bool visible = true;
    auto expected = [&](int x, int y) -> uint32_t {
        int sx = x - at.x, sy = y - at.y;
        if (visible && sx >= 0 && sy >= 0 && sx < 40 && sy < 30 && spriteAlpha(sx, sy))
            return shownAs(spriteWord(sx, sy), depth);
        return shownAs(scenery(x, y), depth);
    };
    const std::string name = "frame" + std::to_string(depth) + "_";
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, name + "1"));

    sprite->Move(7, -3);
    at = CXPoint(107, 197);
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, name + "2"));

    sprite->Hide();
    visible = false;
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, name + "3"));

    // Nothing changed: nothing is shown.
    uint64_t shown = backend.framesShown(0);
    w->Tick();
    EXPECT_EQ(backend.framesShown(0), shown);

    sprite->SetPosition(790, 590); // partly off the screen
    sprite->Show();
    at = CXPoint(790, 590);
    visible = true;
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, name + "4"));
    EXPECT_EQ(screen->getRefreshList()->getSize(), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, CRefreshScreenFrameTest, ::testing::Values(16, 15, 32));

// An unchanged drawable with a clipping rectangle of its own is drawn only
// inside each dirty region it meets: drawn whole for every region, its half
// transparent pixels were blended twice over the regions drawn before.
TEST_F(CRefreshScreenTest, AClippedDrawableIsDrawnOnlyInsideEachDirtyRegion)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto picture = drawable(w.get(), 800, 600, [](int, int) { return uint16_t(0); });
    auto glass = drawable(w.get(), 100, 100, [](int, int) { return uint16_t(0xF800); },
                          [](int, int) { return uint8_t(128); });
    glass->SetPosition(100, 100);
    glass->SetClippingRect(CXRect(0, 0, 80, 80));
    screen->put(picture.get(), 0);
    screen->put(glass.get(), 5);
    w->Tick();
    const platform::Surface* frame = backend.shownFrame(0);
    ASSERT_TRUE(frame);
    const uint32_t once = frame->pixelAt(150, 150);
    ASSERT_NE(once, 0u);
    auto expected = [&](int x, int y) -> uint32_t {
        return x >= 100 && x < 180 && y >= 100 && y < 180 ? once : 0;
    };
    ASSERT_TRUE(frameIs(frame, expected, "glass1"));
    CXRect left(90, 90, 120, 120), right(150, 90, 190, 120);
    screen->Invalidate(&left);
    screen->Invalidate(&right);
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "glass2"));
}

TEST_F(CRefreshScreenTest, PageFlippingKeepsTheDirtyListAndRedrawsTheWholeScreen)
{
    CCommandLine6 flipping("-pf");
    std::unique_ptr<CWindow> w(new CWindow(nullptr, &flipping, &language, CXSize(800, 600), nullptr, "", true));
    ASSERT_EQ(w->SetDisplayMode(0, 0, 16), 0);
    ASSERT_TRUE(w->GetSurface()->IsFlippingEnabled());
    EXPECT_EQ(w->GetScreenSize().cx, 800);
    w->OnActivateApp(true);
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto a = drawable(w.get(), 800, 600, [](int x, int y) { return uint16_t(x ^ y); });
    auto b = drawable(w.get(), 50, 50, [](int, int) { return 0x07E0; });
    screen->put(a.get(), 0);
    screen->put(b.get(), 1);
    CXPoint at(0, 0);
    auto expected = [&](int x, int y) -> uint32_t {
        return x >= at.x && x < at.x + 50 && y >= at.y && y < at.y + 50 ? 0x07E0 : uint32_t(uint16_t(x ^ y));
    };
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "flip1"));
    // The first frame's entry for the whole screen stays.
    ASSERT_EQ(screen->getRefreshList()->getSize(), 1);
    EXPECT_EQ(screen->getRefreshList()->rectAt(0), nullptr);
    b->Move(300, 200);
    at = CXPoint(300, 200);
    w->Tick();
    w->Tick();
    EXPECT_EQ(backend.framesShown(0), 3u);
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "flip2"));

    // Without a flipping chain the dirty rectangles are copied and the
    // list emptied.
    backend.failFlipChain(true);
    ASSERT_EQ(w->SetDisplayMode(0, 0, 16), 0);
    EXPECT_FALSE(w->GetSurface()->IsFlippingEnabled());
    // The old screen let its drawables go, and they no longer point at the
    // old back buffer.
    EXPECT_EQ(a->GetCanvas(), nullptr);
    EXPECT_EQ(a->GetDestiny(), nullptr);
    w->GetRefreshScreenInterface()->put(a.get(), 0);
    w->Tick();
    EXPECT_EQ(w->GetRefreshScreenInterface()->getRefreshList()->getSize(), 0);
}

// A back buffer whose Save is recorded.
struct Saving : CDirectDrawSurface {
    explicit Saving(CWindow* w) : CDirectDrawSurface(w, CXSize(800, 600), 16, false) {}
    int Save(CXString fileName, _compression kind) override
    {
        saved = std::string(fileName.c_str()) + " " + std::to_string(int(kind));
        return 7;
    }
    std::string saved;
};

TEST_F(CRefreshScreenTest, SavesTheLastFramesDestinationAndTurnsItGrey)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    Saving target(w.get());
    EXPECT_EQ(screen->Save("shot.img", COMPRESSION_LZO), 0);
    EXPECT_EQ(target.saved, "");
    static CGraphicsObject* greyed = nullptr;
    CWindow::layers().toGrayScale = [](CGraphicsObject* g) { greyed = g; };
    screen->Redraw(&target, w->GetSurface(), nullptr);
    EXPECT_EQ(greyed, nullptr);
    EXPECT_EQ(screen->Save("shot.img", COMPRESSION_LZO), 7);
    EXPECT_EQ(target.saved, "shot.img 2");
    EXPECT_TRUE(screen->SetFlags(nullptr, CRefreshScreen::FLAG_GRAY_SCALE));
    screen->Redraw(&target, w->GetSurface(), nullptr);
    EXPECT_EQ(greyed, static_cast<CGraphicsObject*>(&target));
    EXPECT_EQ(screen->_catch(), nullptr);
}

// A background manager that logs what the screen asks of it.
Log* backgroundLog = nullptr;
struct Background : CScreenBackgroundIfc {
    void Redraw(CDirectDrawSurface*, CRefreshRegion* regions) override
    {
        backgroundLog->lines.push_back("background " + std::to_string(regions->getSize()));
    }
    void SetBackground(CGraphicsObject* g) override
    {
        backgroundLog->lines.push_back(g ? "image " + std::string(g->getFileName().c_str()) : "none");
    }
    void SetBackground(CColor*) override { backgroundLog->lines.push_back("colour"); }
    void setBackground(CDirectDrawSurface* s) override
    {
        backgroundLog->lines.push_back("surface");
        delete s;
    }
    CDirectDrawSurface* getBackground() override { return nullptr; }
    ~Background() override { backgroundLog->lines.push_back("~background"); }
};

struct LoggedDrawable : CGraphicsObject {
    explicit LoggedDrawable(CWindow* w) : CGraphicsObject(w, CXSize(4, 4), 16) {}
    void Redraw() override { backgroundLog->lines.push_back("drawable"); }
};

TEST_F(CRefreshScreenTest, DrawsTheBackgroundFirstAndKeepsTheImageFileItLoaded)
{
    Log log;
    backgroundLog = &log;
    CWindow::layers().makeBackground = [](CWindow*, CRefreshScreen*) -> CScreenBackgroundIfc* { return new Background; };
    testsupport::TempDir dir;
    testsupport::CwdGuard cwd;
    ASSERT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(dir.path())));
    {
        std::unique_ptr<CWindow> w = makeWindow();
        CRefreshScreen* screen = w->GetRefreshScreenInterface();
        LoggedDrawable d(w.get());
        ASSERT_EQ(d.Save(CXString("Scene.img"), COMPRESSION_NONE), 0);
        screen->put(&d, 0);
        w->Tick();
        w->SetBackground(CXString("SCENE.IMG"));
        w->SetBackground(CXString("missing.img")); // kept, not shown
        CColor grey(7, 7, 7);
        w->SetBackground(&grey);
        screen->setBackground(new CDirectDrawSurface(w.get(), CXSize(8, 8), 16, false));
        w->Tick(); // nothing dirty: the background draws no region
        EXPECT_EQ(log.lines, (std::vector<std::string>{"background 1", "drawable", "image scene.img", "colour",
                                                       "surface", "background 0"}));
        log.lines.clear();
    }
    EXPECT_EQ(log.lines, (std::vector<std::string>{"none", "~background"}));
}

// A drawable of one colour that, once armed, takes a drawable off the
// screen (another or itself) after it has drawn itself.
class Leaving : public CGraphicsObject {
public:
    Leaving(CWindow* w, int index, uint16_t colour) : CGraphicsObject(w, CXSize(40, 40), 16)
    {
        for (int i = 0; i < 40 * 40; ++i)
            std::memcpy(GetDataPtr() + 2 * i, &colour, 2);
        SetPosition(50 * index, 100);
    }
    void Redraw() override
    {
        CGraphicsObject::Redraw();
        if (CGraphicsObject* going = takesOff) {
            takesOff = nullptr;
            *screen >> going;
        }
    }
    CRefreshScreen* screen = nullptr;
    CGraphicsObject* takesOff = nullptr;
};

// Drawables that take drawables off the screen while the frame draws them:
// every other one listed is still drawn in that frame, and what was taken
// off is not drawn again. The last one takes itself off: the frame goes on
// with its element, which it must not have freed.
TEST_F(CRefreshScreenTest, ADrawableTakingDrawablesOffWhileDrawnSkipsNoOther)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto ground = [](int x, int y) { return uint16_t(x * 5 + y * 11); };
    auto picture = drawable(w.get(), 800, 600, ground);
    screen->put(picture.get(), -1);
    std::vector<std::unique_ptr<Leaving>> row;
    for (int i = 0; i < 5; ++i) {
        row.emplace_back(new Leaving(w.get(), i, uint16_t(0x1000 * (i + 1) + 7)));
        row.back()->screen = screen;
        screen->put(row.back().get(), i);
    }
    std::vector<bool> shown(5, true);
    auto expected = [&](int x, int y) -> uint32_t {
        const int i = x / 50;
        if (i < 5 && x % 50 < 40 && y >= 100 && y < 140 && shown[size_t(i)])
            return uint32_t(0x1000 * (i + 1) + 7);
        return ground(x, y);
    };
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "leaving1"));

    // The second takes the first off, which it was drawn over; the last
    // takes itself off. Both were drawn in this frame.
    row[1]->takesOff = row[0].get();
    row[4]->takesOff = row[4].get();
    screen->Invalidate();
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "leaving2"));
    EXPECT_EQ(screen->getIndex(row[0].get()), -1);
    EXPECT_EQ(screen->getIndex(row[4].get()), -1);
    EXPECT_EQ(screen->getIndex(row[3].get()), 3);

    shown[0] = shown[4] = false;
    screen->Invalidate();
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "leaving3"));
}

TEST_F(CRefreshScreenTest, ALocalSurfaceScreenDrawsIntoItsOwnPixels)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen local(w.get(), true);
    ASSERT_NE(local.GetLocalDestiny(), nullptr);
    EXPECT_EQ(local.GetDataPtr(), local.GetLocalDestiny()->GetDataPtr());
    auto d = drawable(w.get(), 3, 2, [](int x, int y) { return uint16_t(10 + x + 3 * y); });
    d->SetPosition(5, 1);
    local.put(d.get(), 0);
    local.Redraw();
    const uint16_t* pixels = reinterpret_cast<const uint16_t*>(local.GetDataPtr());
    EXPECT_EQ(pixels[1 * 800 + 5], 10);
    EXPECT_EQ(pixels[2 * 800 + 7], 15);
    EXPECT_EQ(pixels[1 * 800 + 4], 0);
    EXPECT_EQ(local.getFrameCounter(), 1);
    // The window's own screen drew nothing of it.
    EXPECT_EQ(w->GetRefreshScreenInterface()->getFrameCounter(), 0);
}

} // namespace
