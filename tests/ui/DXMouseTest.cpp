// The mouse device: records fed through the platform reach the window's
// mouse handlers in order in the next frame; a lost device is acquired
// again one try a tick; the window with an input thread gets them too.
#include "UiSupport.h"
#include "ui/DXMouse.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace uitest;

// Hears every mouse event the window offers, and takes none.
struct Listener : CMouseListener {
    explicit Listener(Log* l) : log(l) {}
    bool onMouseMove(CXPoint p) override { return note("move", p); }
    bool onClick(int b, CXPoint p) override { return note("click" + std::to_string(b), p); }
    bool onRelease(int b, CXPoint p) override { return note("release" + std::to_string(b), p); }
    bool note(const std::string& what, CXPoint p)
    {
        log->push_back(what + " " + at(p));
        return false;
    }
    Log* log;
};

class CDXMouseTest : public UiTest {
protected:
    CDXMouseTest() { window->registerMouseListener(&listener, 0); }
    ~CDXMouseTest() override
    {
        if (window)
            window->removeMouseListener(&listener);
    }
    Log taken()
    {
        Log l = log;
        log.clear();
        return l;
    }
    Log log;
    Listener listener{&log};
};

TEST_F(CDXMouseTest, RecordsReachTheWindowInOrderInTheNextFrame)
{
    CDXMouse* device = window->getDXMouseInterface();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(CDXMouse::getSingleton(), device);
    // A press before any motion comes at (0, 0).
    mouse().button(0, true);
    EXPECT_EQ(taken(), Log{});
    frame();
    EXPECT_EQ(taken(), Log{"click0 0,0"});
    EXPECT_TRUE(device->isLeftDown());

    // Several events between two frames, in order; a button carries the
    // last move's position; the wheel is not an event; a move on both axes
    // is two moves.
    mouse().moveTo(30, 0);
    mouse().button(0, false);
    mouse().wheel(120);
    mouse().moveTo(40, 50);
    mouse().button(1, true);
    mouse().button(1, false);
    mouse().button(2, true);
    mouse().button(2, false);
    frame();
    EXPECT_EQ(taken(), (Log{"move 30,0", "release0 30,0", "move 40,50", "move 40,50", "click2 40,50",
                            "release2 40,50", "click1 40,50", "release1 40,50"}));
    EXPECT_EQ(device->getPosition(), CXPoint(40, 50));
    EXPECT_FALSE(device->isLeftDown());
    frame();
    EXPECT_EQ(taken(), Log{});

    // The device keeps 16 records between two reads.
    for (int i = 0; i < 20; ++i)
        mouse().button(0, i % 2 == 0);
    frame();
    EXPECT_EQ(taken().size(), 16u);

    // Read and dropped: nothing reaches the window.
    mouse().moveTo(1, 1);
    device->tick();
    EXPECT_EQ(device->getQueuedCount(), 2);
    device->flushSignals(false);
    frame();
    EXPECT_EQ(taken(), Log{});

    // While the window is inactive its tick neither reads nor delivers.
    window->OnActivateApp(false);
    mouse().moveTo(2, 2);
    frame();
    window->OnActivateApp(true);
    EXPECT_EQ(taken(), Log{});
    frame();
    EXPECT_EQ(taken(), (Log{"move 2,2", "move 2,2"}));
}

TEST_F(CDXMouseTest, ALostDeviceIsAcquiredAgainOneTryAFrame)
{
    mouse().moveTo(5, 5);
    mouse().loseDevice();
    mouse().refuseAcquire(2);
    frame(); // the read fails; one refused try
    EXPECT_FALSE(mouse().isAcquired());
    frame(); // the second refused try
    EXPECT_FALSE(mouse().isAcquired());
    frame(); // acquired
    EXPECT_TRUE(mouse().isAcquired());
    EXPECT_EQ(taken(), Log{});
    mouse().moveTo(6, 5);
    frame();
    EXPECT_EQ(taken(), (Log{"move 6,5"}));
}

TEST_F(CDXMouseTest, TheMouseGoesWithItsWindow)
{
    EXPECT_TRUE(mouse().isAcquired());
    delete scene;
    scene = nullptr;
    window.reset();
    EXPECT_EQ(CDXMouse::getSingleton(), nullptr);
    EXPECT_FALSE(mouse().isAcquired());
}

// With an input thread the thread reads the device and the frames deliver
// what it read, under the window lock.
using CDXMouseThreadTest = screentest::HeadlessScreen;

TEST_F(CDXMouseThreadTest, AWindowWithAnInputThreadDeliversWhatItsThreadRead)
{
    std::unique_ptr<CWindow> w(new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", false));
    ASSERT_TRUE(w->hasInputThread());
    Log log;
    Listener listener(&log);
    w->registerMouseListener(&listener, 0);
    w->OnActivateApp(true);
    backend.input().mouse().moveTo(7, 0);
    backend.input().mouse().button(0, true);
    for (int i = 0; i < 400 && log.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        w->Tick();
    }
    EXPECT_EQ(log, (Log{"move 7,0", "click0 7,0"}));
    w->removeMouseListener(&listener);
}

} // namespace
