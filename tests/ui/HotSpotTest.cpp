// Hot spots: which spot the dispatcher picks, the focus it keeps, the
// cursor it shows, and the registry's walks, through the window's mouse
// handlers.
#include "UiSupport.h"
#include "base/PriorityList.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

// A spot that logs what it is told and takes what it is told to.
struct Spot : CHotSpot {
    Spot(CWindow* w, const char* n, Log* l, CXRect r, int priority) : CHotSpot(w, 3, 0), name(n), log(l)
    {
        SetActiveRect(r);
        setPriority(priority);
    }
    int note(const char* what, CXPoint p)
    {
        log->push_back(name + " " + what + " " + at(p));
        const int answer = takes;
        if (onCall)
            onCall(what); // may delete this spot
        return answer;
    }
    int OnMouseMove(CXPoint p, int, void*) override { return note("move", p); }
    int OnLButtonDown(CXPoint p, int, void*) override { return note("down", p); }
    int OnLButtonUp(CXPoint p, int, void*) override { return note("up", p); }
    int OnRButtonDown(CXPoint p, int, void*) override { return note("rdown", p); }
    int OnFocusOn(CXPoint p, int, void*) override { return note("on", p); }
    int OnFocusOff(CXPoint p, int, void*) override { return note("off", p); }

    std::string name;
    Log* log;
    int takes = 1;
    std::function<void(const char*)> onCall;
};

struct Listener : CMouseListener {
    explicit Listener(Log* l) : log(l) {}
    bool onMouseMove(CXPoint p) override { return note("listener move", p); }
    bool onClick(CXPoint p) override { return note("listener click", p); }
    bool onRelease(CXPoint p) override { return note("listener release", p); }
    bool onClick(int b, CXPoint p) override { return b != 0 && note(("listener click" + std::to_string(b)).c_str(), p); }
    bool note(const char* what, CXPoint p)
    {
        log->push_back(std::string(what) + " " + at(p));
        return true;
    }
    Log* log;
};

class CHotSpotTest : public UiTest {
protected:
    std::unique_ptr<Spot> spot(const char* n, CXRect r, int priority)
    {
        return std::unique_ptr<Spot>(new Spot(window.get(), n, &log, r, priority));
    }
    Log taken()
    {
        Log l = log;
        log.clear();
        return l;
    }
    Log log;
};

TEST_F(CHotSpotTest, TheHighestPriorityInsideTheWindowWinsAndTheFirstRegisteredAmongEquals)
{
    auto a = spot("A", CXRect(0, 0, 100, 100), 5);
    auto b = spot("B", CXRect(50, 50, 150, 150), 5);
    auto low = spot("LOW", CXRect(0, 0, 200, 200), -1);
    Listener listener(&log);
    window->registerMouseListener(&listener, 0);

    // A and B overlap at (60, 60) with equal priority: A, registered first.
    EXPECT_EQ(window->OnMouseMove(CXPoint(60, 60), 0), 1);
    EXPECT_EQ(window->OnLButtonDown(CXPoint(60, 60), 0), 1);
    EXPECT_EQ(window->OnLButtonUp(CXPoint(60, 60), 0), 1);
    EXPECT_EQ(taken(), (Log{"A move 60,60", "A on 60,60", "A down 60,60", "A up 60,60"}));

    // A negative priority is never found: the move goes on to the listener
    // (A lost its focus with the release); the right press ignores
    // priorities and reaches it.
    EXPECT_EQ(window->OnMouseMove(CXPoint(180, 180), 0), 1);
    EXPECT_EQ(taken(), Log{"listener move 180,180"});
    window->OnRButtonDown(CXPoint(180, 180), 0);
    EXPECT_EQ(taken(), Log{"LOW rdown 180,180"});

    // B higher: it wins where they overlap.
    b->setPriority(6);
    window->OnLButtonDown(CXPoint(60, 60), 0);
    EXPECT_EQ(taken(), Log{"B down 60,60"});

    // A window of [100, 200]: both are outside it, so the press goes on to
    // the listener.
    CHotSpot::setMinPriority(100);
    CHotSpot::setMaxPriority(200);
    EXPECT_EQ(window->OnLButtonDown(CXPoint(60, 60), 0), 0);
    EXPECT_EQ(taken(), Log{"listener click 60,60"});
    b->setPriority(200);
    window->OnLButtonDown(CXPoint(60, 60), 0);
    EXPECT_EQ(taken(), Log{"B down 60,60"});
    window->removeMouseListener(&listener);
}

// A spot taken out of the registry and added again comes last: among equal
// priorities the others now win, and the right press reaches it last.
TEST_F(CHotSpotTest, ASpotAddedAgainComesLast)
{
    auto a = spot("A", CXRect(0, 0, 100, 100), 5);
    auto b = spot("B", CXRect(0, 0, 100, 100), 5);
    auto c = spot("C", CXRect(0, 0, 100, 100), 5);
    CHotSpot::remove(a.get());
    CHotSpot::add(a.get());
    for (Spot* s : {a.get(), b.get(), c.get()})
        s->takes = 0;
    window->OnRButtonDown(CXPoint(5, 5), 0);
    window->OnLButtonDown(CXPoint(5, 5), 0);
    CHotSpot::remove(b.get());
    window->OnLButtonDown(CXPoint(5, 5), 0);
    EXPECT_EQ(taken(), (Log{"B rdown 5,5", "C rdown 5,5", "A rdown 5,5", "B down 5,5", "C down 5,5"}));
}

TEST_F(CHotSpotTest, FocusFollowsTheCursorAndLeavingComesFirst)
{
    auto a = spot("A", CXRect(0, 0, 100, 100), 1);
    auto b = spot("B", CXRect(50, 0, 150, 100), 2);
    a->takes = b->takes = 0;
    window->OnMouseMove(CXPoint(10, 10), 0);
    window->OnMouseMove(CXPoint(20, 10), 0); // inside: only a move
    // Into B while still inside A: A keeps its focus.
    window->OnMouseMove(CXPoint(60, 10), 0);
    EXPECT_TRUE(a->hasFocus());
    // Out of both: A then B lose it; then back into A alone.
    window->OnMouseMove(CXPoint(300, 10), 0);
    window->OnMouseMove(CXPoint(10, 10), 0);
    EXPECT_EQ(taken(), (Log{"A move 10,10", "A on 10,10", "A move 20,10", "B move 60,10", "B on 60,10",
                            "A off 300,10", "B off 300,10", "A move 10,10", "A on 10,10"}));
    // A left release ends the focus: the next move reports entering again.
    window->OnLButtonUp(CXPoint(10, 10), 0);
    window->OnMouseMove(CXPoint(11, 10), 0);
    EXPECT_EQ(taken(), (Log{"A up 10,10", "A move 11,10", "A on 11,10"}));

    // A spot of an inactive unit is not found, but still loses its focus.
    a->setUnit(unit);
    unit->active = false;
    window->OnMouseMove(CXPoint(12, 10), 0);
    window->OnMouseMove(CXPoint(300, 10), 0);
    EXPECT_EQ(taken(), Log{"A off 300,10"});
    window->OnMouseMove(CXPoint(10, 10), 0);
    EXPECT_EQ(taken(), Log{});
}

TEST_F(CHotSpotTest, HitAreasCursorsAndEventKinds)
{
    // A rectangle without a width is no rectangle: the shape decides, and
    // without a shape nothing hits.
    auto s = spot("S", CXRect(10, 10, 10, 50), 1);
    EXPECT_FALSE(s->TestHit(CXPoint(10, 20)));
    auto shape = screentest::drawable(window.get(), 20, 20, [](int, int) { return uint16_t(1); },
                                      [](int x, int) { return x < 10 ? 255 : 0; });
    shape->SetPosition(100, 100);
    s->Set(shape.get());
    EXPECT_TRUE(s->TestHit(CXPoint(105, 105)));
    EXPECT_FALSE(s->TestHit(CXPoint(115, 105))); // transparent
    // The shape's priority is its screen priority; off the screen it is -1.
    EXPECT_EQ(s->getPriority(), -1);
    window->GetRefreshScreenInterface()->put(shape.get(), 7);
    EXPECT_EQ(s->getPriority(), 7);
    s->Enable(false);
    EXPECT_FALSE(s->TestHit(CXPoint(105, 105)));
    s->Enable(true);

    for (int kind : {0x10, 0x20, 0x40, 0x41})
        EXPECT_EQ(CHotSpot::OnMouseEvent(kind, CXPoint(105, 105), 9), 0) << kind;
    EXPECT_EQ(CHotSpot::OnMouseEvent(0x80, CXPoint(105, 105), 9), 9);
    EXPECT_EQ(CHotSpot::OnKeyDown(30, 0), 0);
}

// The window shows its active cursor while the cursor is over an enabled
// spot that asks for it, and its main cursor once it leaves.
using CHotSpotCursorTest = screentest::HeadlessScreen;

TEST_F(CHotSpotCursorTest, ActiveCursorOverASpot)
{
    int mainForm = 1, activeForm = 2;
    CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), &mainForm, "", true);
    window.SetActiveCursor(&activeForm);
    Log log;
    Spot spot(&window, "C", &log, CXRect(0, 0, 50, 50), 1);
    window.OnMouseMove(CXPoint(5, 5), 0);
    EXPECT_EQ(window.GetCursor(), &activeForm);
    window.OnMouseMove(CXPoint(80, 5), 0);
    EXPECT_EQ(window.GetCursor(), &mainForm);
    spot.EnableCursor(false);
    window.OnMouseMove(CXPoint(6, 5), 0);
    EXPECT_EQ(window.GetCursor(), &mainForm);
}

TEST_F(CHotSpotTest, AHandlerMayRemoveSpotsAndTheRegistryMayGoFirst)
{
    auto a = spot("A", CXRect(0, 0, 100, 100), 1);
    auto b = spot("B", CXRect(0, 0, 100, 100), 1);
    auto c = spot("C", CXRect(0, 0, 100, 100), 1);
    a->takes = 0;
    a->onCall = [&b](const char*) { b.reset(); };
    window->OnRButtonDown(CXPoint(5, 5), 0);
    EXPECT_EQ(taken(), (Log{"A rdown 5,5", "C rdown 5,5"}));

    // A spot that deletes itself while it is told of the move.
    c->takes = 0;
    c->setPriority(2);
    Spot* self = c.release();
    self->onCall = [self](const char*) { delete self; };
    window->OnMouseMove(CXPoint(5, 5), 0);
    EXPECT_EQ(taken(), Log{"C move 5,5"});
    EXPECT_EQ(CHotSpot::getList()->getSize(), 1);

    // The registry shut down (twice, as the application and then the
    // window do): the spots left go without it, and nothing is found.
    CHotSpot::done();
    CHotSpot::done();
    EXPECT_EQ(CHotSpot::OnMouseEvent(CWindow::HOTSPOT_LDOWN, CXPoint(5, 5), 0), 0);
    a.reset();
    EXPECT_EQ(CHotSpot::getList(), nullptr);
}

} // namespace
