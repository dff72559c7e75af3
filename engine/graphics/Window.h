#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "base/XTimer.h"
#include "graphics/WindowLayers.h"
#include "script/Application.h"
#include "script/SceneServices.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CColor;
class CCommandLine6;
class CDXMouse;
class CDirectDrawSurface;
class CInputPoller;
class CKeyListener;
class CKeyboard;
class CLanguageOSVer;
class CMouseListener;
class CPublicTrash;
class CRefreshScreen;
class CSurface;
class CWindowMusic;
class CXArray;
template <class Key, class Item>
class CPriorityList;
namespace platform {
class Input;
}

// The engine's root object for one running title. The host makes its
// window and hands it over; CWindow owns everything that draws, sounds and
// reads input: the display surfaces and the screen refresh, the engine
// timer, the sound device and the music player (made by the sound layer,
// CWindowSoundLayer), the input devices and the input thread, the window
// lock, the collision inspector, the deferred-deletion trash and the
// listener registries. The host runs one frame per pass of its loop with
// domodal: the window's tick, then the application's frame. There is one
// CWindow per process.
//
// Threads: everything runs on the host's thread except the input thread,
// which every 16 ms polls the input pollers under the window lock while
// the window is active; the tick delivers what they queued, under the same
// lock. The lock is recursive: delivery may reach code that takes it again.
class CWindow : public CXObject, public CTimerWindow, public CApplicationWindow, public CMC_SceneWindow {
public:
    // The error code when the sound device's primary format cannot be set.
    enum { ERROR_SOUND_DEVICE = -997 };
    // Hot-spot event codes of the mouse handlers.
    enum {
        HOTSPOT_MOVE = 1,
        HOTSPOT_LDOWN = 2,
        HOTSPOT_LUP = 4,
        HOTSPOT_RDOWN = 8,
        HOTSPOT_RUP = 16,
        HOTSPOT_MDOWN = 32,
        HOTSPOT_MUP = 64,
        HOTSPOT_LDBLCLK = 65
    };
    // The priority setMouseCaption gives its listener.
    enum { CAPTION_PRIORITY = 1000000 };

    // appDirectory: the program's folder; the current directory becomes the
    // root path. The window makes the keyboard and the DirectInput mouse;
    // without noInputThread it starts the input thread that polls them,
    // with it the tick polls them. The window is built inactive.
    CWindow(CWindowHandle window, CCommandLine6* commandLine, CLanguageOSVer* language, CXSize clientSize,
            CCursorHandle mainCursor, const CXString& appDirectory, bool noInputThread);
    // Stops the input thread, then frees what the window owns.
    ~CWindow() override;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // Display set-up, windowed: the main window's surface, the back buffer
    // and the refresh screen; with a second window, the secondary display.
    // Returns the error code (0 = success).
    int CreateSurface(CWindowHandle secondWindow);
    // Display set-up, full screen at that size (0 takes the client size)
    // and depth, page flipping with the "pf" switch. Returns the error code;
    // on failure there is no surface.
    int SetDisplayMode(int width, int height, int bpp);
    int SetDisplayMode(CXSize size, int bpp) { return SetDisplayMode(size.cx, size.cy, bpp); }

    // One frame: the tick, then the application's frame; true when the
    // title is to end.
    bool domodal();
    // While the window is active: the screen, the secondary display, the
    // pollers (without an input thread), the timers, the animations, the
    // sounds, the collision inspector, then the input the pollers queued.
    // Returns 0.
    int Tick();
    // Draws the dirty parts of the screen and shows them (a flip, or a copy
    // of each dirty rectangle); 0.
    virtual int Redraw();
    // Registers the window's own timer of 1 ms (id 0).
    virtual int OnCreate();
    // The timer callback of entries whose target is the window: nothing.
    void OnTimer(int) override {}
    // Becoming inactive pauses the input thread and stops the frames' work;
    // becoming active resumes both. The same value twice does nothing.
    virtual int OnActivateApp(bool active);
    // The window goes: the input thread stops and the loop ends.
    virtual int OnDestroy();
    // True without an application, else the application's answer.
    virtual bool OnExit();
    // In window mode the refresh screen follows the window and is redrawn.
    virtual int OnMove(int x, int y);

    void quit() override { quitFlag = true; }
    bool isQuitting() const { return quitFlag; }
    bool isActive() const { return active; }
    void Activate(bool on) { active = on; }

    void SetApplicationInterface(CApplication* app) override { application = app; }
    CApplication* GetApplicationInterface() override { return application; }
    CCommandLine6* getCommandLineIfc() { return commandLine; }
    CLanguageOSVer* getLangIfc() { return language; }
    CXTimer* GetTimerInterface() { return timer; }
    CPublicTrash* getPublicTrashInterface() { return trash; }
    CSurface* GetSurface() { return surface; }
    CRefreshScreen* GetRefreshScreenInterface() { return refreshScreen; }
    // The drawable the screen is composed in.
    CDirectDrawSurface* GetBackBuffer() { return backBuffer; }
    CSecondaryDisplayIfc* getSecondaryDisplay() { return secondaryDisplay; }
    CDXMouse* getDXMouseInterface() { return dxMouse; }
    CKeyboard* getKeyboardInterface() { return keyboard; }
    // The platform's input devices, or null without a platform.
    platform::Input* getDIIfc();
    // The collision inspector that drawables report their moves to; null
    // while there is none. Setting one deletes the previous one; the window
    // deletes the last.
    CCollisionInspectorIfc* getCollisionInspectorIfc() { return collisionInspector; }
    void setCollisionInspectorIfc(CCollisionInspectorIfc* inspector);
    CWindowHandle getHandle() { return handle; }
    // The back buffer's size, the client size before there is one.
    CXSize GetScreenSize() override;
    // The primary's pixels while locked and the display's depth.
    char* GetScreenPtr();
    int GetBpp();
    bool isVMem() const { return vmem; }
    bool hasInputThread() const { return inputThread.joinable(); }

    // Input pollers. The lists change under the window lock, since the
    // input thread walks them.
    CXArray* getPollers() { return pollers; }
    void addIPoller(CInputPoller* poller);
    void removeIPoller(CInputPoller* poller);
    void removeAllIPollers();
    std::recursive_mutex* getCriticalSectionHandle() { return &windowLock; }

    // Input routing (WindowInput.cpp). The last argument of the mouse
    // handlers must be 0 for the event to be handled.
    int OnMouseMove(CXPoint p, int flags);
    int OnLButtonDown(CXPoint p, int flags);
    int OnLButtonUp(CXPoint p, int flags);
    int OnLButtonDblClk(CXPoint p, int flags);
    int OnMButtonDown(CXPoint p, int flags);
    int OnMButtonUp(CXPoint p, int flags);
    int OnRButtonDown(CXPoint p, int flags);
    int OnRButtonUp(CXPoint p, int flags);
    int OnKeyDown(int key, int data);
    int OnKeyUp(int key, int data);
    int OnChar(int character, int data);
    void registerKeyListener(CKeyListener* listener);
    void removeKeyListener(CKeyListener* listener);
    // Mouse listeners are asked from the highest priority down, the one
    // registered last first among equals.
    void registerMouseListener(CMouseListener* listener, int priority);
    void removeMouseListener(CMouseListener* listener);
    // Puts the listener first (priority CAPTION_PRIORITY), telling the one
    // that was first and the listener itself.
    void setMouseCaption(CMouseListener* listener);
    void enableMouse(bool on);
    bool isMouseEnabled() const { return mouseEnabled; }

    // Timers: with a unit for the unit (delivered only while the unit is
    // active when onlyWhileActive), else for the window.
    void SetTimer(int id, unsigned int milliseconds, CTimerUnit* unit = nullptr, bool onlyWhileActive = true);
    void KillTimer(int id);

    void SetSoundFXPath(const CXString& folder) override { soundFXPath = folder; }
    CXString GetSoundFXPath() const { return soundFXPath; }
    // The folder, a backslash and the name; the name alone without a folder.
    CXString GetSoundFXFullPath(const CXString& name) override;
    void SoundOn(bool on) { soundOn = on; }
    void MusicOn(bool on) override { musicOn = on; }
    bool IsSoundOn() const { return soundOn; }
    bool IsMusicOn() const { return musicOn; }
    // Music, when sound and music are both on: the file in the root path,
    // which goes on unchanged when it is the one playing (any case).
    void StartMusic(const CXString& fileName, bool loop) override;
    void StopMusic() override;
    bool isMusicPlaying() override;
    // Without a music stream the setters do nothing and the volume reads
    // as silence.
    int getMusicVolume() override;
    void setMusicVolume(int volume) override;
    void setMusicPan(int pan) override;
    void setMusicFreq(int frequency) override;
    CWindowMusic* getMusicPlayer() { return musicPlayer; }
    void pause() override { setPaused(true); }
    void resume() override { setPaused(false); }
    // Prints the rectangle of the picture on one landscape page (CPrinter).
    void print(const CXRect& rect) override;
    // The drawable's bounding box; empty for null.
    CXRect getBoundingBox(CGraphicsObject* drawable) override;

    // Cursors. While the cursor lock is on, no operation changes the cursor.
    void SetCursor(CCursorHandle cursor);
    CCursorHandle GetCursor() const { return cursor; }
    CCursorHandle GetMainCursor() const { return mainCursor; }
    void SetActiveCursor(CCursorHandle c) { activeCursor = c; }
    void SetWaitCursor(CCursorHandle c) { waitCursor = c; }
    void BeginActiveCursor();
    void BeginWaitCursor();
    // The main cursor again (also as EndActiveCursor).
    void EndWaitCursor();
    void EndActiveCursor() { EndWaitCursor(); }
    void LockCursor() { cursorLock = true; }
    void UnLockCursor() { cursorLock = false; }
    void lockActiveCursor(bool on);
    static void ShowCursor();
    static void HideCursor();

    // The screen (nothing without a refresh screen).
    void Invalidate();
    void Invalidate(CXRect* rect);
    void Invalidate(CGraphicsObject* drawable);
    void SetBackground(CGraphicsObject* drawable);
    void SetBackground(CColor* colour);
    void SetBackground(const CXString& fileName);

    // Tells the user of the window's error, when there is one (a message
    // box of the platform, which never blocks a run without a display).
    void ShowError(const CXString& caption);

    // The one window, or null.
    static CWindow* getWindow();
    // The paused state that animation objects consult.
    static void setPaused(bool on);
    static bool isPaused();
    // The program's folder, the root path (ends in a backslash) and the
    // installation-medium path.
    static CXString getExePath();
    static CXString getRootPath();
    static void setCDPath(const CXString& path);
    static CXString getCDPath();
    // The system's log sink: the text is discarded.
    static void toLog(const CXString& text, bool flag);
    static void QuitOnError(CXObject*, const CXString&, const CXString&) {}
    // The engine's codes of a Windows virtual key (return, shift, arrows
    // ...): codes it does not list come back unchanged.
    static int __get_virtualkey_code(int virtualKey, int keyData);
    // The upper-case letter, digit or space of a keyboard scan code; 0 for
    // any other code.
    static int tranlateToChar(int scanCode);

    // What scenes ask of the window: the wait cursor while a scene is
    // entered, and its collision inspector (nothing without one) with the
    // drawables' own flag.
    void beginWaitCursor() override { BeginWaitCursor(); }
    void endActiveCursor() override { EndActiveCursor(); }
    bool getMonitorCollisionsFlag(CGraphicsObject* drawable) override;
    void setMonitorCollisions(CGraphicsObject* drawable, bool on) override;
    void addCollisionNotifier(CCollisionObserver* observer) override;
    void removeCollisionNotifier(CCollisionObserver* observer) override;
    void addMonitoredObject(CGraphicsObject* drawable, bool pixelExact) override;
    void removeMonitoredObject(CGraphicsObject* drawable) override;

    // What the window needs of the layers above it; see WindowLayers.h.
    static CWindowLayers& layers();

private:
    void release();
    void dropDisplay();
    void displayMade();
    void stopInputThread();
    void inputPollerThread();
    // Ticks (on the input thread, or in the tick without one) or delivers
    // (in the tick) every poller, over a copy of the list.
    void tickPollers();
    void flushPollers();
    // Offers a mouse event to the hot spots, then to the mouse listeners
    // from the top until one takes it: the hot spot's answer, taken when a
    // listener took it, else 0.
    int routeMouse(int hotSpotEvent, CXPoint p, int flags, bool (*ask)(CMouseListener*, CXPoint), int taken);

    CWindowHandle handle;
    CLanguageOSVer* language;
    CApplication* application;
    CDirectDrawSurface* backBuffer;
    CXSize clientSize;
    bool quitFlag;
    bool vmem;
    bool mouseEnabled;
    std::thread inputThread;
    std::recursive_mutex windowLock;
    CCollisionInspectorIfc* collisionInspector;
    CCommandLine6* commandLine;
    bool cursorLock;
    CCursorHandle mainCursor;
    CCursorHandle activeCursor;
    CCursorHandle waitCursor;
    CCursorHandle cursor;
    bool activeCursorLock;
    CSurface* surface;
    CRefreshScreen* refreshScreen;
    CSecondaryDisplayIfc* secondaryDisplay;
    bool soundOn;
    bool musicOn;
    bool windowMode;
    CWindowMusic* musicPlayer;
    CXTimer* timer;
    CXString soundFXPath;
    CDXMouse* dxMouse;
    CKeyboard* keyboard;
    // In registration order; the mouse listeners in ascending priority.
    CPriorityList<CKeyListener*, CKeyListener*>* keyListeners;
    CPriorityList<CMouseListener*, CMouseListener*>* mouseListeners;
    CPublicTrash* trash;
    CXArray* pollers;
    // Read by the input thread and a movie's worker.
    std::atomic<bool> active;

    // The input thread's sleep, pause and stop.
    std::mutex threadState;
    std::condition_variable threadWake;
    bool threadStop;
    std::atomic<bool> threadPaused;
};

// The host's menu commands: 40001 ends the loop; 40004 redraws the whole
// screen of the window given to set. Any other command does nothing.
void OnWindowCommand(CWindow* window, void* instance, int command);
void set(CWindow* window, void* instance);
