// The drawable base: geometry, hit tests, invalidation reports, children,
// views and the end of a drawable.
#include "base/CommandLine.h"
#include "base/Language.h"
#include "base/WindowPaths.h"
#include "graphics/GraphicsObject.h"
#include "graphics/ValidationQuene.h"
#include "graphics/Window.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string text(const CXRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Records what a refresh screen and an observer are told.
struct Log {
    std::vector<std::string> lines;
};

struct FakeScreen : CRefreshScreenIfc {
    explicit FakeScreen(Log* log) : log(log) {}
    void invalidateArea(CXRect* r) override { log->lines.push_back("screen " + text(*r)); }
    void removeDrawable(CGraphicsObject*) override { log->lines.push_back("screen removes"); }
    Log* log;
};

struct Watcher : CInvalidateObserver {
    Watcher(Log* log, const char* name) : log(log), name(name) {}
    void onInvalidate(CGraphicsObject*, CXRect* r) override { log->lines.push_back(name + " " + text(*r)); }
    void onDestroy(CGraphicsObject*) override { log->lines.push_back(name + " destroyed"); }
    Log* log;
    std::string name;
};

// The window owns its inspector; the moves go to the test's list.
struct Inspector : CCollisionInspectorIfc {
    explicit Inspector(std::vector<CGraphicsObject*>* m) : moved(m) {}
    void onPositionChanged(CGraphicsObject* g) override { moved->push_back(g); }
    void addMonitoredObject(CGraphicsObject*, bool) override {}
    void removeMonitoredObject(CGraphicsObject*) override {}
    void addNotifier(CCollisionObserver*) override {}
    void removeNotifier(CCollisionObserver*) override {}
    void tick() override {}
    std::vector<CGraphicsObject*>* moved;
};

// A drawable of width x height words all equal to v.
std::unique_ptr<CGraphicsObject> filled(int w, int h, uint16_t v)
{
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr, CXSize(w, h), 16));
    for (int i = 0; i < w * h; ++i)
        std::memcpy(g->GetDataPtr() + i * 2, &v, 2);
    return g;
}

uint16_t wordAt(CGraphicsObject* g, int x, int y) { return uint16_t(g->GetPixel(x, y).getPixel()); }

TEST(CGraphicsObjectTest, ConstructionDefaults)
{
    CGraphicsObject g(nullptr);
    EXPECT_EQ(g.Size().cx, 0);
    EXPECT_EQ(g.GetDataPtr(), nullptr);
    EXPECT_EQ(g.GetOpacity(), 255);
    EXPECT_TRUE(g.IsVisible());
    EXPECT_TRUE(g.GetAutoClip());
    EXPECT_FALSE(g.getMonitorCollisionsFlag());
    EXPECT_EQ(g.GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(g.getGfxType(), 0);
    EXPECT_EQ(g.getDrawn(), &g);
    EXPECT_EQ(g.Load(static_cast<CFile*>(nullptr)), 0);
    CGraphicsObject sized(nullptr, CXSize(3, 2), 16);
    EXPECT_EQ(sized.GetDataSize(), 12);
    EXPECT_EQ(sized.GetPitch(), 3);
    EXPECT_EQ(sized.GetChannelAlpha(), nullptr);
    // Negative and absurd sizes give no pixels rather than a wrapped buffer.
    CGraphicsObject negative(nullptr, CXSize(-5, 4), 16);
    EXPECT_EQ(negative.GetDataPtr(), nullptr);
    CGraphicsObject huge(nullptr, CXSize(1 << 20, 1 << 20), 16);
    EXPECT_EQ(huge.GetDataPtr(), nullptr);
    EXPECT_EQ(huge.GetDataSize(), 0);
}

TEST(CGraphicsObjectTest, BoundingBoxesPositionAndAnchor)
{
    CGraphicsObject destiny(nullptr, CXSize(20, 20), 16);
    CGraphicsObject g(nullptr, CXSize(30, 30), 16);
    g.SetDestiny(&destiny);
    g.SetPosition(-10, -10);
    EXPECT_EQ(text(g.GetBoundingBox()), "0,0,20,20");
    EXPECT_EQ(text(g.GetAbsoluteBoundingBox()), "-10,-10,20,20");
    EXPECT_EQ(text(g.getRect()), "-10,-10,20,20");
    g.SetClippingRect(5, 5, 12, 40);
    EXPECT_EQ(text(g.GetBoundingBox()), "0,0,2,20");
    EXPECT_EQ(text(g.GetAbsoluteBoundingBox()), "-5,-5,2,20");
    EXPECT_EQ(g.ClientCoords(CXPoint(0, 3)), CXPoint(10, 13));

    CGraphicsObject a(nullptr, CXSize(7, 5), 16);
    a.setAnchor(5, 5);
    a.SetPosition(100, 100);
    EXPECT_EQ(a.GetPosition(), CXPoint(95, 95));
    EXPECT_EQ(a.getPosition(), CXPoint(95, 95));
    a.setAnchor(CXPoint(1, 2));
    EXPECT_EQ(a.GetPosition(), CXPoint(95, 95));
    EXPECT_EQ(a.getAnchor(), CXPoint(1, 2));
    a.setPosition(CXPoint(10, 10));
    EXPECT_EQ(a.GetPosition(), CXPoint(9, 8));
    EXPECT_EQ(a.getCenterPoint(), CXPoint(3, 2));
    a.setSize(CXSize(8, 9));
    EXPECT_EQ(a.getWidth(), 8);
    EXPECT_EQ(a.Height(), 9);

    // Far off: the edges stop at the end of int.
    a.setAnchor(0, 0);
    a.SetPosition(INT_MAX - 1, INT_MAX - 3);
    EXPECT_EQ(text(a.getRect()), std::to_string(INT_MAX - 1) + "," + std::to_string(INT_MAX - 3) + "," +
                                     std::to_string(INT_MAX) + "," + std::to_string(INT_MAX));
    EXPECT_FALSE(a.isNear(CXRect(0, 0, 10, 10), 1));
}

TEST(CGraphicsObjectTest, IsNearComparesTheCoveredShare)
{
    CGraphicsObject g(nullptr, CXSize(10, 10), 16);
    g.SetPosition(10, 10);
    EXPECT_TRUE(g.isNear(CXRect(10, 10, 15, 20), 50));
    EXPECT_FALSE(g.isNear(CXRect(10, 10, 15, 20), 51));
    EXPECT_TRUE(g.isNear(CXRect(500, 500, 501, 501), 0)); // 0% of anything
    EXPECT_FALSE(g.isNear(CXRect(500, 500, 501, 501), 1));
    CGraphicsObject other(nullptr, CXSize(10, 10), 16);
    other.SetPosition(15, 10);
    EXPECT_TRUE(other.isNear(&g, 50));
    EXPECT_FALSE(g.isNear(static_cast<CGraphicsObject*>(nullptr), 0));
    CGraphicsObject empty(nullptr);
    EXPECT_FALSE(empty.isNear(CXRect(0, 0, 100, 100), 0));
}

TEST(CGraphicsObjectTest, HitTestsByBoxAndAlpha)
{
    CGraphicsObject g(nullptr, CXSize(4, 2), 16);
    g.SetPosition(10, 20);
    // No alpha plane: the whole box.
    EXPECT_TRUE(g.testHit(CXPoint(13, 21)));
    EXPECT_FALSE(g.testHit(CXPoint(14, 21)));
    EXPECT_TRUE(g.isInside(10, 20, true));
    g.alloc(CXSize(4, 2));
    g.GetChannelAlpha()[1 * 4 + 2] = char(200);
    EXPECT_TRUE(g.testHit(CXPoint(12, 21)));
    EXPECT_FALSE(g.testHit(CXPoint(11, 21)));
    EXPECT_TRUE(g.isAt(CXPoint(11, 21), false));
    EXPECT_FALSE(g.isAt(CXPoint(11, 21), true));
    EXPECT_TRUE(g.isAt(CXPoint(12, 21), true));
    EXPECT_FALSE(g.isAt(CXPoint(9, 21), false));
    EXPECT_TRUE(g.isInside(12, 21, true));
    EXPECT_FALSE(g.isInside(13, 21, true));
    EXPECT_TRUE(g.isInside(13, 21, false));
    EXPECT_FALSE(g.isInside(14, 21, false));
}

TEST(CGraphicsObjectTest, InvalidationTellsScreenThenObservers)
{
    Log log;
    FakeScreen screen(&log);
    Watcher first(&log, "first"), second(&log, "second");
    CGraphicsObject g(nullptr, CXSize(10, 10), 16);
    g.SetPosition(5, 5);
    g.SetCanvas(&screen);
    g.addInvalidateObserver(&first);
    g.addInvalidateObserver(&second);
    g.addInvalidateObserver(&first);
    g.Invalidate();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"screen 5,5,15,15", "first 5,5,15,15", "second 5,5,15,15"}));
    EXPECT_TRUE(g.isInvalidated());
    EXPECT_FALSE(g.isInvalidated());

    log.lines.clear();
    CXRect part(0, 0, 8, 9);
    g.Invalidate(&part);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"screen 5,5,8,9", "first 5,5,8,9", "second 5,5,8,9"}));
    EXPECT_TRUE(g.isInvalidated());

    // Outside the box: nobody is told, the flag stays as it was.
    log.lines.clear();
    CXRect away(40, 40, 50, 50);
    g.Invalidate(&away);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_FALSE(g.isInvalidated());

    // A move invalidates the union of both boxes with the screen only.
    g.removeInvalidateObserver(&second);
    g.Move(3, -2);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"screen 5,3,18,15"}));
    EXPECT_TRUE(g.isInvalidated());
    EXPECT_EQ(g.GetPosition(), CXPoint(8, 3));
    g.SetCanvas(nullptr);
}

TEST(CGraphicsObjectTest, VisibilityNeedsAWindowAndMovesReachTheInspector)
{
    CGraphicsObject loose(nullptr, CXSize(2, 2), 16);
    loose.Visible(false);
    EXPECT_TRUE(loose.IsVisible());

    CCommandLine6 commandLine("");
    CLanguageOSVer language;
    {
        CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "C:\\program", true);
        Log log;
        FakeScreen screen(&log);
        CGraphicsObject g(&window, CXSize(2, 2), 16);
        g.SetCanvas(&screen);
        g.Hide();
        EXPECT_FALSE(g.IsVisible());
        g.Show();
        EXPECT_TRUE(g.IsVisible());
        EXPECT_EQ(log.lines, (std::vector<std::string>{"screen 0,0,2,2", "screen 0,0,2,2"}));

        // Moves are reported only while collisions are watched, and only
        // when the window has an inspector.
        g.setMonitorCollisions(true);
        g.SetPosition(1, 1);
        std::vector<CGraphicsObject*> moved;
        window.setCollisionInspectorIfc(new Inspector(&moved));
        g.SetPosition(2, 2);
        g.Move(1, 0);
        g.setMonitorCollisions(false);
        g.SetPosition(3, 3);
        EXPECT_EQ(moved, (std::vector<CGraphicsObject*>{&g, &g}));
        window.setCollisionInspectorIfc(nullptr);
        g.SetCanvas(nullptr);
    }
    CWindowPaths::reset();
}

TEST(CGraphicsObjectTest, ChildrenAreDrawnOverTheBackgroundCopy)
{
    std::unique_ptr<CGraphicsObject> parent = filled(4, 4, 0x1111);
    std::unique_ptr<CGraphicsObject> child = filled(2, 2, 0x2222);
    std::unique_ptr<CGraphicsObject> later = filled(2, 2, 0x3333);
    child->SetPosition(1, 1);
    later->SetPosition(2, 2);
    parent->addObject(child.get(), 5);
    parent->addObject(later.get(), 0);
    parent->addObject(child.get(), 9); // once only
    parent->addObject(parent.get(), 0); // never itself
    ASSERT_NE(parent->getChildren(), nullptr);
    EXPECT_EQ(parent->getChildren()->getSize(), 2);

    parent->Redraw();
    EXPECT_EQ(wordAt(parent.get(), 0, 0), 0x1111);
    EXPECT_EQ(wordAt(parent.get(), 1, 1), 0x2222);
    EXPECT_EQ(wordAt(parent.get(), 2, 2), 0x3333); // drawn in the order added
    // Moving a child: the next Redraw starts from the background copy.
    child->SetClippingRect(CXRect());
    child->SetPosition(0, 0);
    parent->Redraw();
    EXPECT_EQ(wordAt(parent.get(), 1, 1), 0x2222);
    EXPECT_EQ(wordAt(parent.get(), 0, 0), 0x2222);
    EXPECT_EQ(wordAt(parent.get(), 2, 1), 0x1111);

    // A child's invalidation invalidates the parent there.
    Log log;
    Watcher watcher(&log, "parent");
    parent->addInvalidateObserver(&watcher);
    child->Invalidate();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"parent 0,0,2,2"}));

    // The last child taken out drops the background copy: the next first
    // child copies the pixels as they are then.
    parent->removeObject(later.get());
    parent->removeObject(child.get());
    EXPECT_EQ(parent->getChildren(), nullptr);
    log.lines.clear();
    child->Invalidate();
    EXPECT_TRUE(log.lines.empty()); // no longer reporting to the parent
    std::memset(parent->GetDataPtr(), 0, 32);
    parent->addObject(later.get(), 0);
    parent->Redraw();
    EXPECT_EQ(wordAt(parent.get(), 0, 0), 0);
    EXPECT_EQ(wordAt(parent.get(), 3, 3), 0x3333);

    // The parent draws itself into its destiny after its children.
    std::unique_ptr<CGraphicsObject> screen = filled(6, 6, 0);
    parent->SetDestiny(screen.get());
    parent->SetPosition(2, 2);
    parent->Redraw();
    EXPECT_EQ(wordAt(screen.get(), 5, 5), 0x3333);
    EXPECT_EQ(wordAt(screen.get(), 1, 1), 0);
    parent->removeInvalidateObserver(&watcher);
}

TEST(CGraphicsObjectTest, TheBackgroundCopyIsTakenOnlyOfPlainWords)
{
    // Packed pixels are not width x height words: no copy is taken, and
    // children are not drawn into them.
    CGraphicsObject packed(nullptr, CXSize(40, 40), 16, new char[6]{1, 2, 3, 4, 5, 6});
    packed.SetCompression(COMPRESSION_RLE2);
    std::unique_ptr<CGraphicsObject> child = filled(1, 1, 7);
    packed.addObject(child.get(), 0);
    packed.Redraw();
    EXPECT_EQ(std::vector<char>(packed.GetDataPtr(), packed.GetDataPtr() + 6), (std::vector<char>{1, 2, 3, 4, 5, 6}));
    packed.removeAllObjects();
}

TEST(CGraphicsObjectTest, DestructionTellsScreenChildrenAndObservers)
{
    Log log;
    FakeScreen screen(&log);
    Watcher watcher(&log, "watcher");
    std::unique_ptr<CGraphicsObject> child = filled(1, 1, 1);
    {
        std::unique_ptr<CGraphicsObject> parent = filled(2, 2, 0);
        parent->SetCanvas(&screen);
        parent->addInvalidateObserver(&watcher);
        parent->addObject(child.get(), 0);
    }
    EXPECT_EQ(log.lines, (std::vector<std::string>{"screen removes", "watcher destroyed"}));
    log.lines.clear();
    child->Invalidate(); // the parent is gone and no longer hears of it
    EXPECT_TRUE(log.lines.empty());

    // A child that goes first leaves its parent's children.
    std::unique_ptr<CGraphicsObject> parent = filled(2, 2, 0);
    parent->addObject(child.get(), 0);
    child.reset();
    EXPECT_EQ(parent->getChildren(), nullptr);
    parent->Redraw();
}

// An observer that takes itself out while it is told.
struct Leaver : CInvalidateObserver {
    explicit Leaver(Log* log) : log(log) {}
    void onInvalidate(CGraphicsObject* g, CXRect*) override
    {
        log->lines.push_back("leaver");
        g->removeInvalidateObserver(this);
    }
    void onDestroy(CGraphicsObject* g) override { g->removeInvalidateObserver(this); }
    Log* log;
};

TEST(CGraphicsObjectTest, AnObserverMayLeaveWhileItIsTold)
{
    Log log;
    Leaver leaver(&log);
    Watcher after(&log, "after");
    CGraphicsObject g(nullptr, CXSize(1, 1), 16);
    g.addInvalidateObserver(&leaver);
    g.addInvalidateObserver(&after);
    g.Invalidate();
    g.Invalidate();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"leaver", "after 0,0,1,1", "after 0,0,1,1"}));
    g.addInvalidateObserver(&leaver);
    g.removeInvalidateObserver(&after);
}

TEST(CGraphicsObjectTest, ViewsShowTheSourcesPixelsAndFreeNothing)
{
    std::unique_ptr<CGraphicsObject> source = filled(3, 2, 0x5555);
    source->alloc(CXSize(3, 2));
    source->SetPosition(4, 5);
    source->SetOpacity(90);
    source->SetClippingRect(CXRect(0, 0, 2, 2));
    source->setFileName("a.img");
    std::unique_ptr<CGraphicsObject> view(static_cast<CGraphicsObject*>(source->clone()));
    EXPECT_EQ(view->GetDataPtr(), source->GetDataPtr());
    EXPECT_EQ(view->GetChannelAlpha(), source->GetChannelAlpha());
    EXPECT_EQ(view->GetPosition(), CXPoint(4, 5));
    EXPECT_EQ(view->GetOpacity(), 90);
    EXPECT_EQ(text(view->GetClippingRect()), "0,0,2,2");
    EXPECT_EQ(view->getFileName(), "a.img");
    EXPECT_FALSE(view->ownsData());
    view->Flush();
    EXPECT_EQ(view->GetDataPtr(), nullptr);
    EXPECT_NE(source->GetDataPtr(), nullptr);
    view.reset();
    EXPECT_EQ(wordAt(source.get(), 0, 0), 0);

    // alloc gives zeroed pixels and alpha, and ownership, after a Flush.
    CGraphicsObject g(nullptr, CXSize(2, 2), 16);
    g.alloc(CXSize(5, 1));
    EXPECT_EQ(g.GetDataSize(), 10);
    EXPECT_EQ(g.GetPitch(), 5);
    EXPECT_EQ(g.GetPixel(CHANNEL_ALPHA, CXPoint(4, 0)), 0);
    g.Alloc();
    EXPECT_EQ(g.GetChannelAlpha(), nullptr);
    EXPECT_EQ(g.GetDataSize(), 10);
    g.Flush();
    EXPECT_EQ(g.GetDataPtr(), nullptr);
    EXPECT_EQ(g.Width(), 5);
}

TEST(CGraphicsObjectTest, BitmapsAreEmpty)
{
    CXBitmap named(nullptr, CXString("picture.bmp"));
    EXPECT_EQ(named.GetDataPtr(), nullptr);
    EXPECT_EQ(named.Width(), 0);
    EXPECT_EQ(named.Save(CXString("x.bmp"), COMPRESSION_NONE), 0);
    CXBitmap copy(named);
    EXPECT_EQ(copy.GetWindow(), nullptr);
}

TEST(CValidationQueneTest, AscendingPriorityEqualOnesInAddOrder)
{
    CGraphicsObject a(nullptr), b(nullptr), c(nullptr), d(nullptr);
    CValidationQuene q;
    q.add(&a, 5);
    q.add(&b, 1);
    q.add(&c, 5);
    q.add(&d, -3, 99);
    std::vector<CGraphicsObject*> order;
    for (CValidationElement* e = q.first(); e; e = q.next())
        order.push_back(e->drawable);
    EXPECT_EQ(order, (std::vector<CGraphicsObject*>{&d, &b, &a, &c}));
    EXPECT_EQ(q.prev()->drawable, &c);
    EXPECT_EQ(q.find(&a)->priority, 5);
    EXPECT_EQ(q.find(&d)->flags, 0);
    EXPECT_EQ(q.getIndex(&b), 1);
    q.find(&a)->mark = true;
    q.clearMarks();
    EXPECT_FALSE(q.find(&a)->mark);
    q.remove(&a);
    EXPECT_EQ(q.getIndex(&a), -1);
    EXPECT_EQ(q.find(&a), nullptr);
    q.removeAll();
    EXPECT_EQ(q.first(), nullptr);
}

} // namespace
