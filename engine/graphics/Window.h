#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "base/XTimer.h"
#include "script/Application.h"

class CCommandLine6;
class CLanguageOSVer;
class CPositionObserver;
class CPublicTrash;
class CWindowMusic;

// The host's window and a cursor as the platform layer hands them over;
// opaque to the engine. Both are null for a title run without a display.
using CWindowHandle = void*;
using CCursorHandle = void*;

// The engine's root object for one running title. The host makes its
// window and hands it over; CWindow owns the engine timer, the
// deferred-deletion trash, the sound device and the music player (made by
// the sound layer, CWindowSoundLayer), sets the process-wide paths, the
// language object and the log sink, and runs the frames: domodal runs the
// tick (the timers, then the sounds' step) and then the application's
// frame. There is one CWindow per process.
//
// The display surfaces, the screen refresh, the input devices and thread
// and the collision inspector join it as their subsystems are built; until
// then the tick has nothing to draw or poll, and the window runs without a
// display.
class CWindow : public CXObject, public CTimerWindow, public CApplicationWindow {
public:
    // The error code when the sound device's primary format cannot be set.
    enum { ERROR_SOUND_DEVICE = -997 };

    // appDirectory: the program's folder; the current directory becomes the
    // root path. The window is built inactive.
    CWindow(CWindowHandle window, CCommandLine6* commandLine, CLanguageOSVer* language, CXSize clientSize,
            CCursorHandle mainCursor, const CXString& appDirectory, bool noInputThread);
    ~CWindow() override;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // One frame: the tick, then the application's frame; true when the
    // title is to end.
    bool domodal();
    // While the window is active: the screen, the timers, the sounds.
    // Returns 0.
    int Tick();
    // Draws the screen; 0.
    virtual int Redraw();
    // Registers the window's own timer of 1 ms (id 0).
    virtual int OnCreate();
    // The timer callback of entries whose target is the window: nothing.
    void OnTimer(int) override {}
    // Becoming inactive stops the frames' work until it is active again.
    virtual int OnActivateApp(bool active);
    // The window goes: the loop ends.
    virtual int OnDestroy();
    // True without an application, else the application's answer.
    virtual bool OnExit();
    virtual int OnMove(int, int) { return 0; }

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
    // The collision inspector as drawables report their moves to it; null
    // while there is none.
    CPositionObserver* getCollisionInspectorIfc() { return collisionInspector; }
    void setCollisionInspectorIfc(CPositionObserver* inspector) { collisionInspector = inspector; }
    CWindowHandle getHandle() { return handle; }
    CXSize GetScreenSize() override { return clientSize; }
    bool isVMem() const { return vmem; }

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
    // Printing is not available: the window is only redrawn.
    void print(const CXRect& rect) override;
    // Without drawables there is no box: an empty one.
    CXRect getBoundingBox(CGraphicsObject* drawable) override;

    // Timers whose target is the window.
    void SetTimer(int id, unsigned int milliseconds);
    void KillTimer(int id);

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

private:
    void release();

    CWindowHandle handle;
    CLanguageOSVer* language;
    CApplication* application;
    CXSize clientSize;
    bool quitFlag;
    bool vmem;
    CCommandLine6* commandLine;
    CCursorHandle mainCursor;
    bool soundOn;
    bool musicOn;
    bool windowMode;
    CWindowMusic* musicPlayer;
    CXTimer* timer;
    CXString soundFXPath;
    CPublicTrash* trash;
    bool active;
    CPositionObserver* collisionInspector;
};
