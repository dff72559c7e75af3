// The window's frame tick, its input thread and the devices and inspector
// it makes and deletes through the layers above it.
#include "graphics/InputPoller.h"
#include "graphics/RefreshScreen.h"
#include "graphics/WindowSound.h"
#include "script/Scene.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string>* frameLog = nullptr;
void note(const char* what) { frameLog->push_back(what); }

struct LoggingPoller : CInputPoller {
    std::atomic<int> ticks{0};
    std::atomic<bool> tickLogs{true};
    void tick() override
    {
        ++ticks;
        if (tickLogs)
            note("pollers' tick");
    }
    void flushSignals(bool deliver) override { note(deliver ? "pollers' delivery" : "pollers' flush"); }
};

struct LoggingInspector : CCollisionInspectorIfc {
    void onPositionChanged(CGraphicsObject*) override {}
    void addMonitoredObject(CGraphicsObject*, bool exact) override { note(exact ? "watch exactly" : "watch"); }
    void removeMonitoredObject(CGraphicsObject*) override { note("unwatch"); }
    void addNotifier(CCollisionObserver*) override { note("observer"); }
    void removeNotifier(CCollisionObserver*) override { note("no observer"); }
    void tick() override { note("collisions"); }
    ~LoggingInspector() override { note("~inspector"); }
};

struct LoggingMirror : CSecondaryDisplayIfc {
    void update(CDirectDrawSurface*, CXRect*) override {}
    void redraw() override { note("secondary display"); }
};

class FrameWindow : public CWindow {
public:
    using CWindow::CWindow;
    int Redraw() override
    {
        note("redraw");
        return CWindow::Redraw();
    }
};

class FrameApp : public CApplication {
public:
    explicit FrameApp(CWindow* w) : CApplication(w, "", "", nullptr) {}
    bool domodal() override
    {
        note("application");
        return false;
    }
};

struct Timer : CTimerNotificator {
    void onTimer(int) override { note("timers"); }
};

// Managers the application makes through its layers: markers only.
char animationMarker, soundMarker;

int threadCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        closedir(d);
    }
    return n;
}

// Waits up to two seconds for the condition.
template <class Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 400 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return condition();
}

class CWindowFrameTest : public screentest::HeadlessScreen {
protected:
    CWindowFrameTest()
    {
        frameLog = &log;
        CWindowLayers& l = CWindow::layers();
        // The pollers here are the tests' own.
        l.makeMouse = nullptr;
        l.makeKeyboard = nullptr;
        l.makeCollisionInspector = [](CWindow*) -> CCollisionInspectorIfc* { return new LoggingInspector; };
        l.makeSecondaryDisplay = [](CWindowHandle, CWindow*, int) -> CSecondaryDisplayIfc* { return new LoggingMirror; };
        l.stepAnimations = [](CAnimationManager* m) { note(m == (CAnimationManager*)&animationMarker ? "animations" : "?"); };
        CWindowSoundLayer::get().soundStep = [](CWindow*) { note("sounds"); };
        CApplication::layers().makeAnimationManager = [] { return (CAnimationManager*)&animationMarker; };
        CApplication::layers().deleteAnimationManager = [](CAnimationManager*) {};
    }
    ~CWindowFrameTest() override
    {
        CApplication::layers() = savedApplicationLayers;
        CWindowSoundLayer::get() = savedSoundLayer;
        CWindow::layers() = savedWindowLayers;
    }

    std::unique_ptr<FrameWindow> frameWindow(bool noInputThread)
    {
        std::unique_ptr<FrameWindow> w(
            new FrameWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", noInputThread));
        int second = 1;
        EXPECT_EQ(w->CreateSurface(&second), 0);
        return w;
    }

    CApplicationLayers savedApplicationLayers = CApplication::layers();
    CWindowSoundLayer savedSoundLayer = CWindowSoundLayer::get();
    CWindowLayers savedWindowLayers = CWindow::layers();
    std::vector<std::string> log;
};

TEST_F(CWindowFrameTest, TicksInItsOrderThenRunsTheApplicationsFrame)
{
    std::unique_ptr<FrameWindow> w = frameWindow(true);
    FrameApp app(w.get());
    LoggingPoller poller;
    w->addIPoller(&poller);
    w->addIPoller(&poller); // once only
    Timer timer;
    w->GetTimerInterface()->add(5, 10, &timer);
    clockNow.advance(10);

    // Inactive: only the application's frame.
    EXPECT_FALSE(w->domodal());
    EXPECT_EQ(log, std::vector<std::string>{"application"});
    log.clear();
    w->OnActivateApp(true);
    EXPECT_FALSE(w->domodal());
    EXPECT_EQ(log, (std::vector<std::string>{"redraw", "secondary display", "pollers' tick", "timers", "animations",
                                             "sounds", "collisions", "pollers' delivery", "application"}));
    w->removeIPoller(&poller);
    w->GetTimerInterface()->remove(5);
    log.clear();
    w.reset();
    EXPECT_EQ(log, std::vector<std::string>{"~inspector"});
}

TEST_F(CWindowFrameTest, WithAnInputThreadDeliversUnderTheLockOnly)
{
    std::unique_ptr<FrameWindow> w = frameWindow(false);
    ASSERT_TRUE(w->hasInputThread());
    FrameApp app(w.get());
    struct LockCheck : LoggingPoller {
        std::recursive_mutex* lock;
        bool heldByTick = false;
        void flushSignals(bool deliver) override
        {
            LoggingPoller::flushSignals(deliver);
            std::thread([this] {
                heldByTick = !lock->try_lock();
                if (!heldByTick)
                    lock->unlock();
            }).join();
        }
    } poller;
    poller.lock = w->getCriticalSectionHandle();
    poller.tickLogs = false; // the input thread's ticks come at any time
    w->addIPoller(&poller);
    w->OnActivateApp(true);
    w->domodal();
    EXPECT_EQ(log, (std::vector<std::string>{"redraw", "secondary display", "animations", "sounds", "collisions",
                                             "pollers' delivery", "application"}));
    EXPECT_TRUE(poller.heldByTick);
    w->removeIPoller(&poller);
}

TEST_F(CWindowFrameTest, TheInputThreadPollsWhileActiveAndStopsWithTheWindow)
{
    const int threadsBefore = threadCount();
    LoggingPoller poller;
    poller.tickLogs = false;
    {
        std::unique_ptr<FrameWindow> w = frameWindow(false);
        EXPECT_EQ(threadCount(), threadsBefore + 1);
        w->addIPoller(&poller);
        // Built inactive: no poll.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        EXPECT_EQ(poller.ticks, 0);
        w->OnActivateApp(true);
        EXPECT_TRUE(eventually([&] { return poller.ticks >= 3; }));
        w->OnActivateApp(false);
        const int paused = poller.ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        EXPECT_EQ(poller.ticks, paused);
        w->OnActivateApp(true);
        w->OnActivateApp(true); // resumed once
        EXPECT_TRUE(eventually([&] { return poller.ticks >= paused + 2; }));

        // The window lock held elsewhere does not keep the window from
        // stopping its thread.
        w->getCriticalSectionHandle()->lock();
        w->OnDestroy();
        w->getCriticalSectionHandle()->unlock();
        EXPECT_FALSE(w->hasInputThread());
        EXPECT_TRUE(w->isQuitting());
        EXPECT_EQ(threadCount(), threadsBefore);
        const int stopped = poller.ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        EXPECT_EQ(poller.ticks, stopped);
        w->removeIPoller(&poller);
    }
    {
        std::unique_ptr<FrameWindow> w = frameWindow(false);
        w->OnActivateApp(true);
    }
    EXPECT_EQ(threadCount(), threadsBefore);
}

TEST_F(CWindowFrameTest, PollersLeavingDuringDeliveryAreSkipped)
{
    std::unique_ptr<FrameWindow> w = frameWindow(true);
    struct Leaving : LoggingPoller {
        CWindow* window;
        CInputPoller* other;
        void flushSignals(bool deliver) override
        {
            LoggingPoller::flushSignals(deliver);
            // Taking the (recursive) window lock again from inside the tick.
            window->removeIPoller(other);
            window->removeIPoller(this);
        }
    } first;
    LoggingPoller second;
    first.window = w.get();
    first.other = &second;
    w->addIPoller(&first);
    w->addIPoller(&second);
    w->OnActivateApp(true);
    w->Tick();
    EXPECT_EQ(log, (std::vector<std::string>{"redraw", "secondary display", "pollers' tick", "pollers' tick",
                                             "sounds", "collisions", "pollers' delivery"}));
    EXPECT_EQ(w->getPollers()->getSize(), 0);
    w->addIPoller(&second);
    w->removeAllIPollers();
    EXPECT_EQ(w->getPollers()->getSize(), 0);
}

// Devices made by the layer above, with or without an input thread; both
// deleted with the window.
CKeyboard* const keyboardMarker = reinterpret_cast<CKeyboard*>(&animationMarker);
CDXMouse* const mouseMarker = reinterpret_cast<CDXMouse*>(&soundMarker);

TEST_F(CWindowFrameTest, MakesAndDeletesItsDevicesThroughTheLayers)
{
    CWindowLayers& l = CWindow::layers();
    l.makeKeyboard = [](CWindow*) {
        note("keyboard");
        return keyboardMarker;
    };
    l.deleteKeyboard = [](CKeyboard* k) { note(k == keyboardMarker ? "~keyboard" : "?"); };
    l.makeMouse = [](CWindow*) {
        note("mouse");
        return mouseMarker;
    };
    l.deleteMouse = [](CDXMouse* m) { note(m == mouseMarker ? "~mouse" : "?"); };
    {
        std::unique_ptr<FrameWindow> w = frameWindow(true);
        EXPECT_EQ(w->getKeyboardInterface(), keyboardMarker);
        EXPECT_EQ(w->getDXMouseInterface(), mouseMarker);
        EXPECT_EQ(w->getDIIfc(), &backend.input());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"keyboard", "mouse", "~keyboard", "~mouse", "~inspector"}));
    log.clear();
    {
        std::unique_ptr<FrameWindow> w = frameWindow(false);
        EXPECT_EQ(w->getDXMouseInterface(), mouseMarker);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"keyboard", "mouse", "~keyboard", "~mouse", "~inspector"}));
}

TEST_F(CWindowFrameTest, MovingTheWindowRedrawsTheScreenInWindowModeOnly)
{
    std::unique_ptr<FrameWindow> w = frameWindow(true);
    w->OnActivateApp(true);
    w->Tick();
    CRefreshScreen* screen = w->GetRefreshScreenInterface();
    EXPECT_EQ(screen->getRefreshList()->getSize(), 0);
    w->OnMove(30, 40);
    EXPECT_TRUE(screen->getRefreshList()->isWholeScreen());
    EXPECT_EQ(screen->GetPosition(), CXPoint(30, 40));

    CCommandLine6 fullScreen("");
    std::unique_ptr<FrameWindow> f(
        new FrameWindow(nullptr, &fullScreen, &language, CXSize(800, 600), nullptr, "", true));
    ASSERT_EQ(f->SetDisplayMode(0, 0, 16), 0);
    f->OnActivateApp(true);
    f->Tick();
    f->OnMove(30, 40);
    EXPECT_EQ(f->GetRefreshScreenInterface()->getRefreshList()->getSize(), 0);
}

TEST_F(CWindowFrameTest, IsTheScenesWindowForTheWaitCursorAndTheCollisionInspector)
{
    int mainImage, waitImage;
    std::unique_ptr<FrameWindow> w(
        new FrameWindow(nullptr, &commandLine, &language, CXSize(800, 600), &mainImage, "", true));
    ASSERT_EQ(CMC_Scene::getSceneWindow(), static_cast<CMC_SceneWindow*>(w.get()));
    w->SetWaitCursor(&waitImage);
    CMC_Scene::getSceneWindow()->beginWaitCursor();
    EXPECT_EQ(w->GetCursor(), &waitImage);
    CMC_Scene::getSceneWindow()->endActiveCursor();
    EXPECT_EQ(w->GetCursor(), &mainImage);

    CMC_Scene scene(w.get(), MC_SCENE);
    auto g = screentest::drawable(w.get(), 2, 2, [](int, int) { return 0; });
    scene.monitorCollisions(g.get(), true, nullptr);
    EXPECT_TRUE(g->getMonitorCollisionsFlag());
    scene.monitorCollisions(g.get(), true, nullptr); // already watched
    scene.removeMonitorCollisions(g.get(), nullptr);
    EXPECT_FALSE(g->getMonitorCollisionsFlag());
    EXPECT_EQ(log, (std::vector<std::string>{"observer", "watch exactly", "no observer", "unwatch"}));
    w.reset();
    EXPECT_EQ(CMC_Scene::getSceneWindow(), nullptr);
    CMC_Scene::doneDefUnit();
}

} // namespace
