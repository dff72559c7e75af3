// The window's collision inspector, through the window's frames and a
// scene's watching: which moves are tested, the start and finish reports
// in their order, and the pixel-exact test on the other drawable's alpha.
#include "AnimoSupport.h"
#include "media/CollisionInspector.h"
#include "script/Object.h"
#include "script/Scene.h"

#include <gtest/gtest.h>
#include <map>

using namespace mediatest;

namespace {

// What the observers heard, in order: "<tag>+<a><b>" for a start,
// "<tag>-<a><b>" for a finish, with the drawables' names.
struct Heard : CCollisionObserver {
    Heard(const char* t, std::string* l, std::map<CGraphicsObject*, char>* n) : tag(t), log(l), names(n) {}
    void onCollision(CGraphicsObject* a, CGraphicsObject* b) override { add("+", a, b); }
    void onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) override { add("-", a, b); }
    void add(const char* what, CGraphicsObject* a, CGraphicsObject* b)
    {
        *log += tag + what + (*names)[a] + (*names)[b] + " ";
    }
    std::string tag;
    std::string* log;
    std::map<CGraphicsObject*, char>* names;
};

class CCollisionInspectorTest : public AnimoFixture {
protected:
    void TearDown() override
    {
        drawables.clear();
        AnimoFixture::TearDown();
    }
    // A w x h drawable of the window at (x, y), named so; with an alpha
    // plane of alphaAt(x, y) when given.
    CGraphicsObject* drawable(char name, int w, int h, int x, int y,
                              std::function<uint8_t(int, int)> alphaAt = nullptr)
    {
        drawables.emplace_back(new CGraphicsObject(window.get(), CXSize(w, h), 16));
        CGraphicsObject* g = drawables.back().get();
        if (alphaAt) {
            g->alloc(CXSize(w, h));
            for (int row = 0; row < h; ++row)
                for (int column = 0; column < w; ++column)
                    g->GetChannelAlpha()[row * w + column] = char(alphaAt(column, row));
        }
        g->SetPosition(x, y);
        names[g] = name;
        return g;
    }
    CCollisionInspector* inspector()
    {
        return static_cast<CCollisionInspector*>(window->getCollisionInspectorIfc());
    }
    // Watched by bounding boxes, reporting its own moves.
    void watchBoxes(CGraphicsObject* g)
    {
        inspector()->addMonitoredObject(g, false);
        g->setMonitorCollisions(true);
    }
    // What the observers heard since the last call.
    std::string heard()
    {
        std::string out = log;
        log.clear();
        return out;
    }

    std::vector<std::unique_ptr<CGraphicsObject>> drawables;
    std::map<CGraphicsObject*, char> names;
    std::string log;
    Heard first{"1", &log, &names};
    Heard second{"2", &log, &names};
};

// Two drawables that overlap from the start say nothing until one moves;
// the mover comes first in the reports, every observer hears each report
// once, moves inside the other report nothing more, and a drawable moved
// twice in a frame is tested once, where it ended.
TEST_F(CCollisionInspectorTest, StartAndFinishOfOverlapsByBoxes)
{
    ASSERT_NE(inspector(), nullptr);
    CGraphicsObject* a = drawable('a', 10, 10, 0, 0);
    CGraphicsObject* b = drawable('b', 10, 10, 5, 5);
    CGraphicsObject* c = drawable('c', 10, 10, 100, 100);
    for (CGraphicsObject* g : {a, b, c})
        watchBoxes(g);
    inspector()->addNotifier(&first);
    inspector()->addNotifier(&second);
    inspector()->addNotifier(&first);
    frames(2);
    EXPECT_EQ(heard(), "");

    // Each row moves a drawable; a row with reports ends a frame.
    struct Step {
        CGraphicsObject* g;
        int x, y;
        const char* heard; // null: the frame goes on
    } steps[] = {
        {a, 1, 0, "1+ab 2+ab "},
        {a, 2, 0, nullptr},
        {a, 3, 0, ""},
        {b, 50, 50, "1-ba 2-ba "},
        {a, 40, 50, ""}, // edges that only meet do not overlap
        {a, 95, 95, nullptr},
        {a, 41, 50, "1+ab 2+ab "},
    };
    for (const Step& s : steps) {
        s.g->SetPosition(s.x, s.y);
        if (!s.heard)
            continue;
        frames(1);
        EXPECT_EQ(heard(), s.heard) << names[s.g] << " at " << s.x << ", " << s.y;
    }

    // Unwatched while it overlaps, a keeps the pair: b moving away tells
    // nobody. Its entry goes when it moves.
    inspector()->removeNotifier(&second);
    inspector()->removeMonitoredObject(a);
    b->SetPosition(200, 200);
    frames(1);
    EXPECT_EQ(heard(), "");
    a->Move(1, 1);
    EXPECT_NE(inspector()->find(a), nullptr);
    frames(1);
    EXPECT_EQ(inspector()->find(a), nullptr);
    c->SetPosition(205, 205);
    frames(1);
    EXPECT_EQ(heard(), "1+cb ");
}

// Watched pixel-exact through a scene, a drawable that moves collides
// where one of the eight points of its box (corners and side middles)
// lies on a non-zero alpha byte of the other; the other's plane is read
// from its own top-left even where the screen's edge cut its box.
TEST_F(CCollisionInspectorTest, PixelExactCollisionsOnTheOthersAlpha)
{
    CMC_Scene scene(window.get(), MC_SCENE);
    auto rightHalf = [](int x, int) { return uint8_t(x >= 5 ? 255 : 0); };
    CGraphicsObject* mover = drawable('m', 4, 4, 300, 300);
    CGraphicsObject* target = drawable('t', 10, 10, 20, 20, rightHalf);
    CGraphicsObject* plain = drawable('p', 10, 10, 60, 20);
    CGraphicsObject* edge = drawable('e', 10, 10, -5, 100, rightHalf);
    CGraphicsObject* big = drawable('B', 30, 30, 300, 300);
    for (CGraphicsObject* g : {mover, target, plain, edge})
        scene.monitorCollisions(g, true, &first);
    EXPECT_TRUE(mover->getMonitorCollisionsFlag());

    struct Step {
        int x, y;
        const char* heard;
    } steps[] = {
        {18, 18, ""},          // on the transparent half only
        {23, 23, "1+mt "},     // its right side reaches the opaque half
        {21, 26, "1-mt "},     // inside the box, all eight points transparent
        {62, 22, ""},          // no alpha plane: never
        {0, 102, "1+me "},     // column 5 of the edge drawable lies at x = 0
        {300, 300, "1-me "},
    };
    for (const Step& s : steps) {
        mover->SetPosition(s.x, s.y);
        frames(1);
        EXPECT_EQ(heard(), s.heard) << s.x << ", " << s.y;
    }

    // A larger drawable over the whole opaque target: none of its points
    // is on it.
    scene.monitorCollisions(big, true, &first);
    big->SetPosition(10, 10);
    frames(1);
    EXPECT_EQ(heard(), "");
    scene.removeMonitorCollisions(big, &first);
    EXPECT_FALSE(big->getMonitorCollisionsFlag());
    big->SetPosition(300, 300);
    frames(1);
    EXPECT_EQ(heard(), "");
}

// An animation's moves are reported (its origin, its frames' place), and
// the pixel-exact test reads the alpha of the frame it shows now; showing
// another frame is no move.
TEST_F(CCollisionInspectorTest, AnimationsMoveAndAreTestedByTheirCurrentFrame)
{
    CMC_Scene scene(window.get(), MC_SCENE);
    CAnimo a(window.get());
    names[&a] = 'a';
    CFrame* solid = plainFrame(window.get(), 4, 4, 0, 0, false, 0);
    solid->alloc(CXSize(4, 4));
    std::memset(solid->GetChannelAlpha(), 255, 16);
    a.appendFrame(solid);
    CFrame* clear = plainFrame(window.get(), 4, 4, 0, 0, false, 0);
    clear->alloc(CXSize(4, 4));
    a.appendFrame(clear);
    addEvent(a, "frames", {0, 1});
    a.SetEventFrame(0, 0);
    a.SetGlobalPosition(50, 50);
    CGraphicsObject* mover = drawable('m', 2, 2, 0, 0, [](int, int) { return uint8_t(255); });
    scene.monitorCollisions(&a, true, &first);
    scene.monitorCollisions(mover, true, &first);

    mover->SetPosition(51, 51);
    frames(1);
    EXPECT_EQ(heard(), "1+ma ");
    a.SetEventFrame(0, 1);
    mover->Move(1, 0);
    frames(1);
    EXPECT_EQ(heard(), "1-ma ");
    a.SetEventFrame(0, 0);
    a.Move(-1, 0);
    frames(1);
    EXPECT_EQ(heard(), "1+am ");
    a.SetGlobalPosition(200, 200);
    frames(1);
    EXPECT_EQ(heard(), "1-am ");
    a.SetPosition(-150, -149);
    frames(1);
    EXPECT_EQ(heard(), "1+am ");
    scene.removeMonitorCollisions(&a, &first);
    scene.removeMonitorCollisions(mover, &first);
}

} // namespace
