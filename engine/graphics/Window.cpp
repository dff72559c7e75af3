#include "graphics/Window.h"

#include "base/CommandLine.h"
#include "base/PriorityList.h"
#include "base/File.h"
#include "base/WindowPaths.h"
#include "base/WindowServices.h"
#include "graphics/InputPoller.h"
#include "graphics/ListSnapshot.h"
#include "graphics/Printer.h"
#include "graphics/PublicTrash.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "graphics/WindowSound.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "script/Scene.h"

#include <chrono>
#include <cstdlib>
#include <vector>

namespace {
CWindow* theWindow = nullptr;
bool pausedFlag = false;
} // namespace

CWindowLayers& CWindow::layers()
{
    static CWindowLayers entries = {};
    return entries;
}

CWindow::CWindow(CWindowHandle window, CCommandLine6* cmd, CLanguageOSVer* lang, CXSize size, CCursorHandle cursorImage,
                 const CXString& appDirectory, bool noInputThread)
    : handle(window), language(lang), application(nullptr), backBuffer(nullptr), clientSize(size), quitFlag(false),
      vmem(false), mouseEnabled(true), collisionInspector(nullptr), commandLine(cmd), cursorLock(false),
      mainCursor(cursorImage), activeCursor(nullptr), waitCursor(nullptr), cursor(nullptr), activeCursorLock(false),
      surface(nullptr), refreshScreen(nullptr), secondaryDisplay(nullptr), soundOn(true), musicOn(true),
      windowMode(cmd && cmd->isWindowMode()), musicPlayer(nullptr), timer(nullptr), dxMouse(nullptr), keyboard(nullptr),
      keyListeners(nullptr), mouseListeners(nullptr), trash(nullptr), pollers(nullptr), active(false),
      threadStop(false), threadPaused(true)
{
    CWindowPaths::setExePath(appDirectory);
    CWindowPaths::setRootPath(CFile::getCurrentDirectory());
    CWindowPaths::setLangIfc(language);
    std::srand(platform::GetTickCount());
    theWindow = this;
    CXObject::setLogSink(&CWindow::toLog);
    CApplicationWindow::attach(this, this);
    CMC_Scene::setSceneWindow(this);

    timer = new CXTimer(this);
    CWindowServices::setTimer(timer);
    pollers = new CXArray(101, 0.75f);
    SetCursor(mainCursor);
    const CWindowSoundLayer& sound = CWindowSoundLayer::get();
    if (sound.createSoundDevice)
        sound.createSoundDevice(this);
    if (sound.makeMusicPlayer)
        musicPlayer = sound.makeMusicPlayer(this);
    // The input devices add themselves to the pollers.
    const CWindowLayers& l = layers();
    if (l.makeKeyboard)
        keyboard = l.makeKeyboard(this);
    // Without an input thread the tick polls the mouse itself, so that a run
    // fed between frames (headless) sees its input in the next frame.
    if (l.makeMouse)
        dxMouse = l.makeMouse(this);
    keyListeners = new CPriorityList<CKeyListener*, CKeyListener*>();
    mouseListeners = new CPriorityList<CMouseListener*, CMouseListener*>();
    if (l.makeCollisionInspector)
        collisionInspector = l.makeCollisionInspector(this);
    trash = new CPublicTrash(timer);
    CWindowServices::setTrash(trash);
    if (commandLine) {
        musicOn = commandLine->isMusicEnabled();
        soundOn = commandLine->isSoundEnabled();
        vmem = commandLine->isVMem();
    }
    // Paused until the window is activated.
    if (!noInputThread)
        inputThread = std::thread(&CWindow::inputPollerThread, this);
}

CWindow::~CWindow()
{
    stopInputThread();
    release();
    delete pollers;
    pollers = nullptr;
    CApplicationWindow::detach(this);
    if (CMC_Scene::getSceneWindow() == this)
        CMC_Scene::setSceneWindow(nullptr);
    CXObject::setLogSink(nullptr);
    CWindowPaths::setLangIfc(nullptr);
    if (theWindow == this)
        theWindow = nullptr;
}

void CWindow::release()
{
    CGraphicsObject::ReleaseGraphics();
    // The trash goes before the timer it is registered with.
    if (CWindowServices::getTrash() == trash)
        CWindowServices::setTrash(nullptr);
    delete trash;
    trash = nullptr;
    delete refreshScreen;
    refreshScreen = nullptr;
    delete secondaryDisplay;
    secondaryDisplay = nullptr;
    dropDisplay();
    delete musicPlayer;
    musicPlayer = nullptr;
    if (CWindowServices::getTimer() == timer)
        CWindowServices::setTimer(nullptr);
    delete timer;
    timer = nullptr;
    const CWindowLayers& l = layers();
    if (keyboard && l.deleteKeyboard)
        l.deleteKeyboard(keyboard);
    keyboard = nullptr;
    if (dxMouse && l.deleteMouse)
        l.deleteMouse(dxMouse);
    dxMouse = nullptr;
    delete collisionInspector;
    collisionInspector = nullptr;
    // The music went before the sound device.
    if (CWindowSoundLayer::get().destroySoundDevice)
        CWindowSoundLayer::get().destroySoundDevice();
    delete keyListeners;
    keyListeners = nullptr;
    delete mouseListeners;
    mouseListeners = nullptr;
    if (CApplication::layers().doneHotSpots)
        CApplication::layers().doneHotSpots();
}

// Display set-up

// The back buffer may live in the display's memory: it goes with it.
void CWindow::dropDisplay()
{
    delete refreshScreen;
    refreshScreen = nullptr;
    delete backBuffer;
    backBuffer = nullptr;
    delete surface;
    surface = nullptr;
}

void CWindow::displayMade()
{
    backBuffer = new CDirectDrawSurface(this, surface->GetBackBufferInterface(), surface->GetScreenSize(),
                                        surface->GetBPP());
    refreshScreen = new CRefreshScreen(this, false);
}

int CWindow::CreateSurface(CWindowHandle secondWindow)
{
    dropDisplay();
    surface = new CSurface(0, clientSize);
    setErrorCode(surface->LastError());
    if (LastError() == 0) {
        displayMade();
        CXPoint origin = surface->GetClientOrigin();
        refreshScreen->SetPosition(origin.x, origin.y);
        if (secondWindow && layers().makeSecondaryDisplay) {
            delete secondaryDisplay;
            secondaryDisplay = layers().makeSecondaryDisplay(secondWindow, this, commandLine ? commandLine->getDelay() : 0);
            surface->setSecondaryDisplay(secondaryDisplay);
        }
    }
    return LastError();
}

int CWindow::SetDisplayMode(int w, int h, int bpp)
{
    if (w == 0)
        w = clientSize.cx;
    if (h == 0)
        h = clientSize.cy;
    dropDisplay();
    CXSize size(w, h);
    int depth = bpp;
    surface = new CSurface(size, depth, commandLine && commandLine->isPageFlippingEnabled());
    setErrorCode(surface->LastError());
    if (LastError() == 0) {
        displayMade();
    } else {
        delete surface;
        surface = nullptr;
    }
    return LastError();
}

CXSize CWindow::GetScreenSize()
{
    return backBuffer ? CXSize(backBuffer->Width(), backBuffer->Height()) : clientSize;
}

char* CWindow::GetScreenPtr() { return surface ? surface->GetScreenPtr() : nullptr; }

int CWindow::GetBpp() { return surface ? surface->GetBPP() : 0; }

platform::Input* CWindow::getDIIfc()
{
    platform::Platform* p = platform::currentPlatform();
    return p ? &p->input() : nullptr;
}

bool CWindow::getMonitorCollisionsFlag(CGraphicsObject* drawable)
{
    return drawable && drawable->getMonitorCollisionsFlag();
}

void CWindow::setMonitorCollisions(CGraphicsObject* drawable, bool on)
{
    if (drawable)
        drawable->setMonitorCollisions(on);
}

void CWindow::addCollisionNotifier(CCollisionObserver* observer)
{
    if (collisionInspector)
        collisionInspector->addNotifier(observer);
}

void CWindow::removeCollisionNotifier(CCollisionObserver* observer)
{
    if (collisionInspector)
        collisionInspector->removeNotifier(observer);
}

void CWindow::addMonitoredObject(CGraphicsObject* drawable, bool pixelExact)
{
    if (collisionInspector)
        collisionInspector->addMonitoredObject(drawable, pixelExact);
}

void CWindow::removeMonitoredObject(CGraphicsObject* drawable)
{
    if (collisionInspector)
        collisionInspector->removeMonitoredObject(drawable);
}

void CWindow::setCollisionInspectorIfc(CCollisionInspectorIfc* inspector)
{
    if (inspector == collisionInspector)
        return;
    delete collisionInspector;
    collisionInspector = inspector;
}

// The frame

bool CWindow::domodal()
{
    Tick();
    bool applicationEnds = application && application->domodal();
    return applicationEnds || quitFlag;
}

int CWindow::Tick()
{
    if (!active)
        return 0;
    Redraw();
    if (secondaryDisplay)
        secondaryDisplay->redraw();
    const bool threaded = hasInputThread();
    if (!threaded)
        tickPollers();
    timer->domodal();
    if (application && layers().stepAnimations)
        if (CAnimationManager* animations = application->getAnimoManagerIfc())
            layers().stepAnimations(animations);
    // The sound manager's finish reports and the music's loop reports.
    if (CWindowSoundLayer::get().soundStep)
        CWindowSoundLayer::get().soundStep(this);
    if (collisionInspector)
        collisionInspector->tick();
    // Everything input triggers runs here, after the frame's drawing and
    // timers.
    if (threaded) {
        std::lock_guard<std::recursive_mutex> lock(windowLock);
        flushPollers();
    } else {
        flushPollers();
    }
    return 0;
}

int CWindow::Redraw()
{
    if (!active)
        return 0;
    if (!refreshScreen || !backBuffer || !surface) {
        // Without a display nothing is drawn, but the unit's frames still
        // come (the first starts the scene's music).
        CRefreshScreen::unitFrame(refreshScreen, this);
        return 0;
    }
    const CXPoint origin = surface->GetClientOrigin();
    // A lost back buffer or screen lost the picture: all of it is drawn
    // again, not only what changed.
    platform::Surface* back = backBuffer->GetDirectDrawSurfaceInterface();
    if ((back && back->isLost()) || surface->IsLost())
        refreshScreen->Invalidate();
    bool fullRefresh = false;
    if (refreshScreen->Redraw(backBuffer, surface, &fullRefresh)) {
        if (surface->IsFlippingEnabled()) {
            // The dirty list stays: once it is the whole screen, every frame
            // draws the whole back buffer that is flipped.
            surface->Flip();
        } else {
            CRefreshRegion* dirty = refreshScreen->getRefreshList();
            const int bw = backBuffer->Width(), bh = backBuffer->Height();
            std::vector<CXRect> copies;
            copies.reserve(size_t(dirty->getSize()));
            for (int i = 0; i < dirty->getSize(); ++i) {
                CXRect* entry = dirty->rectAt(i);
                CXRect r = entry ? *entry : CXRect(0, 0, bw, bh);
                if (r.right > bw)
                    r.right = bw;
                if (r.bottom > bh)
                    r.bottom = bh;
                if (r.Width() > 0 && r.Height() > 0)
                    copies.push_back(r);
            }
            surface->BeginFrame();
            if (!copies.empty())
                surface->BltEach(backBuffer, origin, copies.data(), int(copies.size()));
            surface->Present();
            refreshScreen->validate();
        }
    }
    if (fullRefresh)
        refreshScreen->Invalidate();
    return 0;
}

// Pollers and the input thread

void CWindow::addIPoller(CInputPoller* poller)
{
    std::lock_guard<std::recursive_mutex> lock(windowLock);
    if (poller && !pollers->contains(poller))
        pollers->add(poller);
}

void CWindow::removeIPoller(CInputPoller* poller)
{
    std::lock_guard<std::recursive_mutex> lock(windowLock);
    pollers->remove(poller);
}

void CWindow::removeAllIPollers()
{
    std::lock_guard<std::recursive_mutex> lock(windowLock);
    pollers->removeAll();
}

void CWindow::tickPollers()
{
    CListSnapshot walk;
    CListSnapshot::of(*pollers, walk);
    for (int i = 0; i < walk.size(); ++i)
        if (pollers->contains(walk[i]))
            static_cast<CInputPoller*>(walk[i])->tick();
}

void CWindow::flushPollers()
{
    CListSnapshot walk;
    CListSnapshot::of(*pollers, walk);
    for (int i = 0; i < walk.size(); ++i)
        if (pollers->contains(walk[i]))
            static_cast<CInputPoller*>(walk[i])->flushSignals(true);
}

void CWindow::inputPollerThread()
{
    using std::chrono::milliseconds;
    std::unique_lock<std::mutex> state(threadState);
    for (;;) {
        threadWake.wait_for(state, milliseconds(16), [this] { return threadStop; });
        while (!threadStop && threadPaused)
            threadWake.wait(state);
        if (threadStop)
            return;
        // The main thread may hold the window lock while it stops this
        // thread: wait for it without blocking the stop.
        while (!windowLock.try_lock()) {
            threadWake.wait_for(state, milliseconds(1), [this] { return threadStop; });
            if (threadStop)
                return;
        }
        state.unlock();
        // A pause asked for meanwhile took the lock first: no poll after it.
        if (!threadPaused)
            tickPollers();
        windowLock.unlock();
        state.lock();
    }
}

void CWindow::stopInputThread()
{
    if (!inputThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> state(threadState);
        threadStop = true;
    }
    threadWake.notify_all();
    inputThread.join();
}

int CWindow::OnActivateApp(bool on)
{
    if (on == active)
        return 0;
    active = on;
    if (!on) {
        {
            // Taken after any poll in progress: none follows.
            std::lock_guard<std::recursive_mutex> lock(windowLock);
            std::lock_guard<std::mutex> state(threadState);
            threadPaused = true;
        }
        if (refreshScreen)
            refreshScreen->onFocusOff();
        if (layers().resetScriptMouse)
            layers().resetScriptMouse(false);
    } else {
        if (refreshScreen)
            refreshScreen->onFocusOn();
        if (layers().restoreScriptMouse)
            layers().restoreScriptMouse();
        {
            std::lock_guard<std::mutex> state(threadState);
            threadPaused = false;
        }
        threadWake.notify_all();
    }
    return 0;
}

int CWindow::OnCreate()
{
    SetTimer(0, 1);
    return 0;
}

int CWindow::OnDestroy()
{
    stopInputThread();
    quit();
    return 0;
}

bool CWindow::OnExit() { return application ? application->OnExit() : true; }

int CWindow::OnMove(int x, int y)
{
    if (windowMode && refreshScreen) {
        refreshScreen->SetPosition(x, y);
        refreshScreen->Invalidate();
    }
    return 0;
}

// Services of the screen, timers and paths

void CWindow::Invalidate()
{
    if (refreshScreen)
        refreshScreen->Invalidate();
}

void CWindow::Invalidate(CXRect* rect)
{
    if (refreshScreen)
        refreshScreen->Invalidate(rect);
}

void CWindow::Invalidate(CGraphicsObject* drawable)
{
    if (refreshScreen)
        refreshScreen->Invalidate(drawable);
}

void CWindow::SetBackground(CGraphicsObject* drawable)
{
    if (refreshScreen)
        refreshScreen->SetBackground(drawable);
}

void CWindow::SetBackground(CColor* colour)
{
    if (refreshScreen)
        refreshScreen->SetBackground(colour);
}

void CWindow::SetBackground(const CXString& fileName)
{
    if (refreshScreen)
        refreshScreen->SetBackground(fileName);
}

CXString CWindow::GetSoundFXFullPath(const CXString& name)
{
    if (!soundFXPath.IsString())
        return name;
    return soundFXPath + "\\" + name;
}

void CWindow::StartMusic(const CXString& fileName, bool loop)
{
    if (!soundOn || !musicOn || !musicPlayer)
        return;
    CXString path = CWindowPaths::getRootPath() + fileName;
    if (musicPlayer->isPlaying() && musicPlayer->getFileName().equalsIgnoreCase(path))
        return;
    musicPlayer->stop();
    musicPlayer->play(path, loop);
}

void CWindow::StopMusic()
{
    if (musicPlayer)
        musicPlayer->stop();
}

bool CWindow::isMusicPlaying() { return musicPlayer && musicPlayer->isPlaying(); }

int CWindow::getMusicVolume() { return musicPlayer && musicPlayer->hasStream() ? musicPlayer->getVolume() : -10000; }

void CWindow::setMusicVolume(int volume)
{
    if (musicPlayer)
        musicPlayer->setVolume(volume);
}

void CWindow::setMusicPan(int pan)
{
    if (musicPlayer)
        musicPlayer->setPan(pan);
}

void CWindow::setMusicFreq(int frequency)
{
    if (musicPlayer)
        musicPlayer->setFreq(frequency);
}

void CWindow::print(const CXRect& rect) { CPrinter printer(this, rect); }

CXRect CWindow::getBoundingBox(CGraphicsObject* drawable) { return drawable ? drawable->GetBoundingBox() : CXRect(); }

void CWindow::SetTimer(int id, unsigned int milliseconds, CTimerUnit* unit, bool onlyWhileActive)
{
    if (unit)
        timer->add(id, milliseconds, unit, onlyWhileActive);
    else
        timer->add(id, milliseconds, static_cast<CTimerWindow*>(this));
}

void CWindow::KillTimer(int id) { timer->remove(id); }

CWindow* CWindow::getWindow() { return theWindow; }
void CWindow::setPaused(bool on) { pausedFlag = on; }
bool CWindow::isPaused() { return pausedFlag; }
CXString CWindow::getExePath() { return CWindowPaths::getExePath(); }
CXString CWindow::getRootPath() { return CWindowPaths::getRootPath(); }
void CWindow::setCDPath(const CXString& path) { CWindowPaths::setCDPath(path); }
CXString CWindow::getCDPath() { return CWindowPaths::getCDPath(); }
void CWindow::toLog(const CXString&, bool) {}
