// The canvas: composing drawables into its pixels by priority, its
// background and what paints it for good (draw, erase, capture, clear),
// the limit on the invalidations it passes on, clones, and frames of a
// canvas on the headless display.
#include "graphics/Canvas.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "graphics/ValidationQuene.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using screentest::drawable;
using screentest::frameIs;

std::vector<std::string> dirty(CRefreshScreen* screen)
{
    std::vector<std::string> out;
    CRefreshRegion* list = screen->getRefreshList();
    for (int i = 0; i < list->getSize(); ++i) {
        const CXRect* r = list->rectAt(i);
        out.push_back(r ? std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) +
                              "," + std::to_string(r->bottom)
                        : "whole");
    }
    return out;
}

// Whether the dirty regions cover every pixel of r.
bool covered(CRefreshScreen* screen, const CXRect& r)
{
    CRefreshRegion* list = screen->getRefreshList();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            bool in = false;
            for (int i = 0; i < list->getSize() && !in; ++i)
                in = !list->rectAt(i) || list->rectAt(i)->IsInRect(x, y);
            if (!in)
                return false;
        }
    return true;
}

uint16_t wordAt(CGraphicsObject* g, int x, int y)
{
    uint16_t v;
    std::memcpy(&v, g->GetDataPtr() + (y * g->Width() + x) * 2, 2);
    return v;
}

unsigned alphaAt(CGraphicsObject* g, int x, int y) { return (unsigned char)g->GetChannelAlpha()[y * g->Width() + x]; }

// The priorities of the canvas's entries, in drawing order, by name.
std::vector<std::string> order(CCanvas& canvas, const std::vector<std::pair<CGraphicsObject*, std::string>>& names)
{
    std::vector<std::string> out;
    CValidationQuene* entries = canvas.getEntries();
    for (int i = 0; i < entries->getSize(); ++i) {
        CValidationElement* e = entries->elementAt(i);
        std::string name = "?";
        for (const auto& n : names)
            if (n.first == e->drawable)
                name = n.second;
        out.push_back(name + "@" + std::to_string(e->priority));
    }
    return out;
}

class CCanvasTest : public screentest::HeadlessScreen {};

// A canvas with a background at (100, 50) over a backdrop: an opaque
// drawable and, above it, one with a checkered alpha plane. What the canvas
// has not painted is transparent and shows the backdrop.
TEST_F(CCanvasTest, ComposesItsDrawablesByPriorityIntoFrames)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto backdrop = drawable(w.get(), 800, 600, [](int, int) { return 0x1111; });
    CCanvas canvas(w.get(), CXSize(40, 30), 16, true, true);
    auto low = drawable(w.get(), 10, 10, [](int x, int y) { return uint16_t(0x0800 + x + 16 * y); });
    auto high = drawable(w.get(), 10, 10, [](int x, int y) { return uint16_t(0xF000 + x + 16 * y); },
                         [](int x, int y) { return (x + y) % 2 ? 255 : 0; });
    low->SetPosition(5, 5);
    high->SetPosition(10, 10);
    canvas.add(high.get(), 2);
    canvas.add(low.get(), 1);
    canvas.SetPosition(100, 50);
    screen->put(backdrop.get(), -5);
    screen->put(&canvas, 0);

    uint16_t lowBase = 0x0800;
    auto expected = [&](int x, int y) -> uint32_t {
        const int cx = x - 100, cy = y - 50;
        if (cx >= 10 && cx < 20 && cy >= 10 && cy < 20 && (cx - 10 + cy - 10) % 2)
            return uint32_t(0xF000 + (cx - 10) + 16 * (cy - 10));
        if (cx >= 5 && cx < 15 && cy >= 5 && cy < 15)
            return uint32_t(lowBase + (cx - 5) + 16 * (cy - 5));
        return 0x1111;
    };
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "canvas-composed"));

    // A changed drawable reaches the screen through the canvas: only its
    // area is drawn again, the canvas cleared and composed there.
    lowBase = 0x0400;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            uint16_t v = uint16_t(lowBase + x + 16 * y);
            std::memcpy(low->GetDataPtr() + (y * 10 + x) * 2, &v, 2);
        }
    low->Invalidate();
    EXPECT_EQ(dirty(screen), std::vector<std::string>{"105,55,115,65"});
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "canvas-changed"));
    EXPECT_TRUE(frameIs(w->GetBackBuffer()->GetDirectDrawSurfaceInterface(), expected, "canvas-changed-back"));

    // Hidden, a drawable leaves a transparent hole.
    high->Hide();
    w->Tick();
    EXPECT_TRUE(frameIs(
        backend.shownFrame(0),
        [&](int x, int y) -> uint32_t {
            const int cx = x - 100, cy = y - 50;
            return cx >= 5 && cx < 15 && cy >= 5 && cy < 15 ? uint32_t(lowBase + (cx - 5) + 16 * (cy - 5)) : 0x1111;
        },
        "canvas-hidden"));
}

// An entry whose Redraw takes an entry drawn before it off the canvas: the
// entries after it are still drawn.
TEST_F(CCanvasTest, AnEntryTakingAnotherOffWhileDrawnSkipsNoOther)
{
    std::unique_ptr<CWindow> w = makeWindow();
    struct TakingOff : CGraphicsObject {
        TakingOff(CWindow* w) : CGraphicsObject(w, CXSize(4, 4), 16) {}
        void Redraw() override
        {
            CGraphicsObject::Redraw();
            if (CGraphicsObject* going = takesOff) {
                takesOff = nullptr;
                canvas->remove(going);
            }
        }
        CCanvas* canvas = nullptr;
        CGraphicsObject* takesOff = nullptr;
    };
    CCanvas canvas(w.get(), CXSize(12, 4), 16, false, false);
    auto first = drawable(w.get(), 4, 4, [](int, int) { return 0x1111; });
    TakingOff second(w.get());
    auto third = drawable(w.get(), 4, 4, [](int, int) { return 0x3333; });
    std::memset(second.GetDataPtr(), 0x22, 4 * 4 * 2);
    second.SetPosition(4, 0);
    third->SetPosition(8, 0);
    canvas.add(first.get(), 1);
    canvas.add(&second, 2);
    canvas.add(third.get(), 3);
    second.canvas = &canvas;
    second.takesOff = first.get();
    canvas.Redraw();
    EXPECT_EQ(wordAt(&canvas, 1, 1), 0x1111);
    EXPECT_EQ(wordAt(&canvas, 5, 1), 0x2222);
    EXPECT_EQ(wordAt(&canvas, 9, 1), 0x3333);
    EXPECT_EQ(canvas.getEntries()->getSize(), 2);
}

TEST_F(CCanvasTest, KeepsOneEntryADrawableAndPutsTheBackgroundBackBelowAll)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CCanvas canvas(w.get(), CXSize(20, 20), 16, true, true);
    auto a = drawable(w.get(), 4, 4, [](int, int) { return 1; });
    auto b = drawable(w.get(), 4, 4, [](int, int) { return 2; });
    CGraphicsObject* bg = canvas.getBackground();
    ASSERT_NE(bg, nullptr);
    const std::vector<std::pair<CGraphicsObject*, std::string>> names = {{a.get(), "a"}, {b.get(), "b"}, {bg, "bg"}};
    canvas.add(a.get(), 5);
    canvas.add(b.get(), 0);
    canvas.add(a.get(), -3); // listed already: keeps 5
    canvas.add(&canvas, 1);  // never itself
    EXPECT_EQ(order(canvas, names), (std::vector<std::string>{"bg@0", "b@0", "a@5"}));
    EXPECT_EQ(a->GetDestiny(), &canvas);
    EXPECT_TRUE(a->GetAutoClip());

    canvas.remove(b.get());
    EXPECT_EQ(b->GetDestiny(), nullptr);
    // No longer watched: its changes do not reach the canvas.
    const int before = canvas.getInvalidationCount();
    b->Invalidate();
    EXPECT_EQ(canvas.getInvalidationCount(), before);

    canvas.removeAll();
    EXPECT_EQ(order(canvas, names), std::vector<std::string>{"bg@-1"});
    EXPECT_EQ(a->GetDestiny(), nullptr);
    const int afterRemoveAll = canvas.getInvalidationCount();
    a->Invalidate();
    EXPECT_EQ(canvas.getInvalidationCount(), afterRemoveAll);
    // A drawable destroyed while listed leaves the canvas.
    auto c = drawable(w.get(), 4, 4, [](int, int) { return 3; });
    canvas.add(c.get(), 2);
    c.reset();
    EXPECT_EQ(order(canvas, names), std::vector<std::string>{"bg@-1"});

    // Without a background nothing comes back.
    CCanvas bare(w.get(), CXSize(8, 8), 16, false, false);
    bare.add(a.get(), 1);
    bare.removeAll();
    EXPECT_EQ(bare.getEntries()->getSize(), 0);
    EXPECT_EQ(bare.getBackground(), nullptr);
    EXPECT_EQ(bare.GetChannelAlpha(), nullptr);

    // A canvas freed leaves its drawables unwatched (their changes would
    // reach freed memory), and none pointing at it; a destiny elsewhere
    // stays.
    std::unique_ptr<CCanvas> going(new CCanvas(w.get(), CXSize(8, 8), 16, false, true));
    going->add(a.get(), 1);
    going->add(b.get(), 2);
    b->SetDestiny(&bare);
    going.reset();
    EXPECT_EQ(a->GetDestiny(), nullptr);
    EXPECT_EQ(b->GetDestiny(), &bare);
    a->Invalidate();
    b->Invalidate();
}

TEST_F(CCanvasTest, PassesNineInvalidationsOnAndThenInvalidatesItselfOnce)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    CCanvas canvas(w.get(), CXSize(200, 100), 16, false, false);
    canvas.SetPosition(300, 200);
    screen->put(&canvas, 0);
    auto child = drawable(w.get(), 200, 100, [](int, int) { return 7; });
    canvas.add(child.get(), 0);
    w->Tick();
    EXPECT_EQ(canvas.getInvalidationCount(), 0);
    canvas.isInvalidated();

    std::vector<std::string> expected;
    for (int i = 0; i < 9; ++i) {
        CXRect r(10 * i, 0, 10 * i + 5, 5);
        child->Invalidate(&r);
        expected.push_back(std::to_string(300 + 10 * i) + ",200," + std::to_string(305 + 10 * i) + ",205");
    }
    EXPECT_EQ(dirty(screen), expected);
    EXPECT_FALSE(canvas.isInvalidated());
    CXRect tenth(0, 50, 5, 55);
    child->Invalidate(&tenth);
    EXPECT_EQ(canvas.getInvalidationCount(), 10);
    EXPECT_TRUE(canvas.isInvalidated());
    // The whole canvas's box went to the screen instead of the rectangle.
    EXPECT_TRUE(covered(screen, CXRect(300, 200, 500, 300)));
    child->Invalidate(&tenth);
    EXPECT_EQ(canvas.getInvalidationCount(), 11);

    w->Tick();
    EXPECT_EQ(canvas.getInvalidationCount(), 0);
    EXPECT_EQ(CCanvas::getInvalidationLimit(), 10);
    child->Invalidate(&tenth);
    EXPECT_EQ(dirty(screen), std::vector<std::string>{"300,250,305,255"});
}

TEST_F(CCanvasTest, EraseRubsTheBrushAlphaOutOfBothPlanes)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    CCanvas canvas(w.get(), CXSize(8, 4), 16, true, true);
    canvas.SetPosition(40, 30);
    CGraphicsObject* bg = canvas.getBackground();
    std::memset(canvas.GetChannelAlpha(), 200, 32);
    std::memset(bg->GetChannelAlpha(), 120, 32);
    // Brush columns: 255, 0, 50; its first column lands left of the canvas.
    auto brush = drawable(w.get(), 3, 2, [](int, int) { return 0; },
                          [](int x, int) { return x == 0 ? 255 : x == 1 ? 0 : 50; });
    screen->validate();
    canvas.erase(brush.get(), -1, 1);
    EXPECT_EQ(dirty(screen), std::vector<std::string>{"40,31,42,33"});
    struct Case {
        int x, y;
        unsigned canvasAlpha, backgroundAlpha;
    } cases[] = {
        {0, 1, 200, 120}, // under the brush's transparent column
        {1, 1, 150, 70},  // 50 taken away
        {1, 2, 150, 70},
        {0, 0, 200, 120}, // above the brush
        {2, 1, 200, 120}, // right of it
        {1, 3, 200, 120}, // below it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(alphaAt(&canvas, c.x, c.y), c.canvasAlpha) << c.x << "," << c.y;
        EXPECT_EQ(alphaAt(bg, c.x, c.y), c.backgroundAlpha) << c.x << "," << c.y;
    }
    // An opaque brush leaves nothing, and never goes below 0.
    auto opaque = drawable(w.get(), 2, 2, [](int, int) { return 0; }, [](int, int) { return 255; });
    canvas.erase(opaque.get(), 6, 2);
    canvas.erase(opaque.get(), 6, 2);
    EXPECT_EQ(alphaAt(&canvas, 7, 3), 0u);
    EXPECT_EQ(alphaAt(bg, 6, 2), 0u);
    EXPECT_EQ(alphaAt(bg, 5, 2), 120u);
    // A brush without alpha, or wholly outside, changes nothing.
    auto plain = drawable(w.get(), 2, 2, [](int, int) { return 0; });
    canvas.erase(plain.get(), 0, 0);
    canvas.erase(opaque.get(), 100, -50);
    canvas.erase(opaque.get(), -2147483647, 2147483647);
    EXPECT_EQ(alphaAt(&canvas, 0, 0), 200u);
}

TEST_F(CCanvasTest, DrawStampsOntoTheBackgroundAndLeavesTheDrawableAsItWas)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    CCanvas canvas(w.get(), CXSize(20, 20), 16, true, true);
    canvas.SetPosition(10, 10);
    auto stamp = drawable(w.get(), 4, 3, [](int x, int y) { return uint16_t(0x100 + x + 8 * y); });
    auto elsewhere = drawable(w.get(), 50, 50, [](int, int) { return 0; });
    stamp->setAnchor(2, 2);
    stamp->SetPosition(50, 60);
    stamp->SetClippingRect(CXRect(0, 0, 1, 1));
    stamp->SetDestiny(elsewhere.get());
    screen->validate();
    canvas.draw(stamp.get(), 3, 4);

    EXPECT_EQ(stamp->GetPosition(), CXPoint(48, 58));
    EXPECT_EQ(stamp->GetClippingRect(), CXRect(0, 0, 1, 1));
    EXPECT_EQ(stamp->GetDestiny(), elsewhere.get());
    EXPECT_EQ(dirty(screen), std::vector<std::string>{"13,14,17,17"});
    CGraphicsObject* bg = canvas.getBackground();
    // The anchor applies: the stamp's top-left is at (1, 2), all of it
    // drawn (its own clipping rectangle was set aside).
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool in = x >= 1 && x < 5 && y >= 2 && y < 5;
            ASSERT_EQ(wordAt(bg, x, y), in ? 0x100 + (x - 1) + 8 * (y - 2) : 0) << x << "," << y;
            ASSERT_EQ(alphaAt(bg, x, y), in ? 255u : 0u) << x << "," << y;
        }
    // On screen in the next frame.
    screen->put(&canvas, 0);
    w->Tick();
    const platform::Surface* frame = backend.shownFrame(0);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->pixelAt(11, 12), 0x100u);
    EXPECT_EQ(frame->pixelAt(14, 14), 0x100u + 3 + 16);

    // Without a background there is nowhere to stamp.
    CCanvas bare(w.get(), CXSize(8, 8), 16, false, false);
    bare.draw(stamp.get(), 0, 0);
    EXPECT_EQ(stamp->GetDestiny(), elsewhere.get());
}

TEST_F(CCanvasTest, ClearWithABackgroundClearsOnlyTheClippingRectangle)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CCanvas canvas(w.get(), CXSize(30, 30), 16, true, true);
    CGraphicsObject* bg = canvas.getBackground();
    for (CGraphicsObject* g : {static_cast<CGraphicsObject*>(&canvas), bg}) {
        std::memset(g->GetDataPtr(), 0x5A, 30 * 30 * 2);
        std::memset(g->GetChannelAlpha(), 99, 30 * 30);
    }
    canvas.SetClippingRect(CXRect(10, 10, 20, 20));
    canvas.clear(true);
    for (CGraphicsObject* g : {static_cast<CGraphicsObject*>(&canvas), bg})
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool in = x >= 10 && x < 20 && y >= 10 && y < 20;
                ASSERT_EQ(wordAt(g, x, y), in ? 0 : 0x5A5A) << x << "," << y;
                ASSERT_EQ(alphaAt(g, x, y), in ? 0u : 99u) << x << "," << y;
            }
    // Without a clipping rectangle, everything; a clipping rectangle that
    // leaves the canvas is cut to it.
    canvas.SetClippingRect(CXRect(25, 25, 90, 90));
    canvas.clear(false);
    EXPECT_EQ(wordAt(&canvas, 29, 29), 0);
    EXPECT_EQ(wordAt(bg, 29, 29), 0x5A5A);
    canvas.SetClippingRect(CXRect());
    canvas.clear(false);
    EXPECT_EQ(wordAt(&canvas, 0, 0), 0);
    EXPECT_EQ(alphaAt(&canvas, 0, 0), 0u);
    EXPECT_EQ(wordAt(bg, 0, 0), 0x5A5A);
}

TEST_F(CCanvasTest, CaptureFlattensTheCompositionIntoTheBackground)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto backdrop = drawable(w.get(), 800, 600, [](int, int) { return 0x2222; });
    CCanvas canvas(w.get(), CXSize(30, 20), 16, true, true);
    canvas.SetPosition(200, 100);
    canvas.SetOpacity(255);
    auto a = drawable(w.get(), 10, 10, [](int x, int y) { return uint16_t(0x4000 + x + 16 * y); });
    auto b = drawable(w.get(), 6, 6, [](int, int) { return 0x07E0; }, [](int x, int) { return x < 3 ? 255 : 0; });
    a->SetPosition(2, 3);
    b->SetPosition(8, 8);
    canvas.add(a.get(), 1);
    canvas.add(b.get(), 2);
    screen->put(backdrop.get(), -1);
    screen->put(&canvas, 0);
    auto expected = [](int x, int y) -> uint32_t {
        const int cx = x - 200, cy = y - 100;
        if (cx >= 8 && cx < 11 && cy >= 8 && cy < 14)
            return 0x07E0;
        if (cx >= 2 && cx < 12 && cy >= 3 && cy < 13)
            return uint32_t(0x4000 + (cx - 2) + 16 * (cy - 3));
        return 0x2222;
    };
    w->Tick();
    ASSERT_TRUE(frameIs(backend.shownFrame(0), expected, "canvas-before-capture"));

    canvas.capture();
    EXPECT_EQ(canvas.getEntries()->getSize(), 1);
    EXPECT_EQ(canvas.getEntries()->elementAt(0)->drawable, canvas.getBackground());
    EXPECT_EQ(canvas.getEntries()->elementAt(0)->priority, -1);
    EXPECT_EQ(canvas.GetPosition(), CXPoint(200, 100));
    EXPECT_EQ(canvas.GetDestiny(), static_cast<CGraphicsObject*>(screen));
    // The drawables are gone from it, their picture stays.
    a->Hide();
    screen->Invalidate();
    w->Tick();
    EXPECT_TRUE(frameIs(backend.shownFrame(0), expected, "canvas-captured"));
}

TEST_F(CCanvasTest, ACloneSharesTheDrawablesAndTakesTheScreenPriority)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    auto a = drawable(w.get(), 4, 4, [](int, int) { return 1; });
    std::unique_ptr<CCanvas> canvas(new CCanvas(w.get(), CXSize(16, 16), 16, true, true));
    canvas->add(a.get(), 3);
    screen->put(canvas.get(), 7);
    std::unique_ptr<CCanvas> copy(static_cast<CCanvas*>(canvas->clone()));
    EXPECT_EQ(screen->GetPriority(copy.get()), 7);
    EXPECT_NE(copy->GetChannelAlpha(), nullptr);
    // A background of its own, not the first canvas's.
    ASSERT_NE(copy->getBackground(), nullptr);
    EXPECT_NE(copy->getBackground(), canvas->getBackground());
    EXPECT_NE(copy->getBackground()->GetChannelAlpha(), nullptr);
    ASSERT_EQ(copy->getEntries()->getSize(), 2);
    EXPECT_EQ(copy->getEntries()->find(canvas->getBackground()), nullptr);
    EXPECT_EQ(copy->getEntries()->find(a.get())->priority, 3);

    canvas.reset();
    EXPECT_EQ(copy->getEntries()->getSize(), 2);
    w->Tick();
    // A canvas that goes leaves no drawable pointing at it.
    copy.reset();
    EXPECT_EQ(a->GetDestiny(), nullptr);
    a->Invalidate();

    // Off the screen, a clone stays off it.
    CCanvas off(w.get(), CXSize(4, 4), 16, false, false);
    std::unique_ptr<CXObject> offCopy(off.clone());
    EXPECT_EQ(screen->getIndex(static_cast<CCanvas*>(offCopy.get())), -1);
}

} // namespace
