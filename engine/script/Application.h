#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"

class CAnimationManager;
class CApplication;
class CCommandLine6;
class CConfig;
class CFont5;
class CGraphicsObject;
class CMC_Application;
class CMC_Object;
class CMC_ObjectsContainer;
class CMC_GroupMembers;
class CMC_StructureParser;
class CResourcesManager;
class CSoundManager;
class CWindow;

// What the script runtime asks of the engine window. The window (graphics
// layer) attaches itself under its own pointer; calls made for any other
// window pointer find no link and do nothing. Main thread only.
class CApplicationWindow {
public:
    virtual void SetApplicationInterface(CApplication* application) = 0;
    virtual CApplication* GetApplicationInterface() = 0;
    // The loop ends after the current frame.
    virtual void quit() = 0;
    virtual void SetSoundFXPath(const CXString& folder) = 0;
    virtual CXString GetSoundFXFullPath(const CXString& name) = 0;
    virtual void MusicOn(bool on) = 0;
    // The background music: a file started looping or not (it goes on when
    // it is the one playing), stopped, and whether it plays. A window
    // without music does nothing and answers false.
    virtual void StartMusic(const CXString&, bool) {}
    virtual void StopMusic() {}
    virtual bool isMusicPlaying() { return false; }
    // The music stream's volume, pan and frequency; without a stream the
    // setters do nothing and the volume reads as silence (-10000).
    virtual int getMusicVolume() = 0;
    virtual void setMusicVolume(int level) = 0;
    virtual void setMusicPan(int pan) = 0;
    virtual void setMusicFreq(int frequency) = 0;
    // The window's paused state, which animation objects consult.
    virtual void pause() = 0;
    virtual void resume() = 0;
    // The size of the screen surface.
    virtual CXSize GetScreenSize() = 0;
    // Prints the rectangle of the screen, then redraws the whole window.
    virtual void print(const CXRect& rect) = 0;
    // The screen rectangle a drawable covers.
    virtual CXRect getBoundingBox(CGraphicsObject* drawable) = 0;

    static void attach(CWindow* window, CApplicationWindow* link);
    // Forgets the link when it is the one attached for window.
    static void detach(CWindow* window);
    // The link of that window; null for any other pointer.
    static CApplicationWindow* of(CWindow* window);

protected:
    ~CApplicationWindow() {}
};

// What the engine application and the script world ask of the layers above
// the script runtime (animation and sound, controls, networking). Each layer
// fills its own entries once; an empty entry does nothing (a maker makes
// nothing, a query answers 0).
struct CApplicationLayers {
    // The animation and sound managers an application owns.
    CAnimationManager* (*makeAnimationManager)();
    void (*deleteAnimationManager)(CAnimationManager* manager);
    CSoundManager* (*makeSoundManager)();
    void (*deleteSoundManager)(CSoundManager* manager);
    // Every playable that plays pauses; resume with a group resumes only
    // the paused playables of its members, without one all.
    void (*pauseAnimations)(CAnimationManager* manager);
    void (*resumeAnimations)(CAnimationManager* manager, CMC_GroupMembers* group);
    void (*pauseSounds)(CSoundManager* manager);
    void (*resumeSounds)(CSoundManager* manager);
    // The sound codecs, registered while an application exists.
    void (*initCodecs)();
    void (*doneCodecs)();
    // The outside sound decoder, loaded while a script application built
    // from definitions exists.
    void (*loadSoundDecoder)(CWindow* window);
    void (*releaseSoundDecoder)();
    // The hot-spot registry: its priority window and its shutdown.
    void (*setMinHotSpotPriority)(int priority);
    void (*setMaxHotSpotPriority)(int priority);
    int (*getMinHotSpotPriority)();
    int (*getMaxHotSpotPriority)();
    void (*doneHotSpots)();
    // The network layer's shutdown.
    void (*doneSockets)();
    // The application's "SYSTEM" object (collections layer).
    CMC_Object* (*makeSystemObject)(CMC_ObjectsContainer* application);
    // Hands what the network objects received to their listeners, once per
    // frame on the main thread (networking layer).
    void (*dispatchNetwork)();
};

// The engine side of a running title, made by the host right after the
// window: it owns the title's settings file, the resource manager, the
// animation and sound managers, the script application and, when the title
// starts from its definitions, the structure parser. While it exists it is
// the settings file of every script value ("TOINI") and gives the
// definition reader its command line.
class CApplication : public CXObject {
public:
    // The error code when no script application could be built.
    enum { ERROR_NO_APPLICATION = 3000 };

    // An empty settings file name makes no settings, a relative one is the
    // file below the root path, a full path the file it names; with "2bin"
    // there are none. An empty archive name opens no archive.
    CApplication(CWindow* window, const CXString& settingsFileName, const CXString& archiveName,
                 CCommandLine6* commandLine);
    ~CApplication() override;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // Starts the title: the "path" switch, the installation-medium and
    // sound-effects paths, the data folder, then the snapshot
    // "application.bin" or the definitions "application.def" (always with
    // "forceCNV"). With "2bin" the snapshot is written and nothing starts;
    // otherwise the first scene is entered. Error 3000 when no script
    // application could be built.
    virtual void preinitializeApplication();
    // One frame of the script world; always false (the window ends the loop).
    virtual bool domodal();
    virtual bool OnExit() { return true; }
    virtual void OnWindowCommand(int) {}
    virtual int OnKeyDown(int, int) { return 0; }
    virtual CXString getWAVPath(const CXString& name);

    CAnimationManager* getAnimoManagerIfc() { return animationManager; }
    CSoundManager* getSoundManagerIfc() { return soundManager; }
    CCommandLine6* getCommandLine() { return commandLine; }
    CConfig* GetConfigInterface() { return settings; }
    CResourcesManager* getGeneralResourcesManager() { return resources; }
    CMC_Application* getMCApplicationIfc() { return application; }
    CFont5* getDefaultFont() { return defaultFont; }
    void setDefaultFont(CFont5* font) { defaultFont = font; }
    CWindow* getWindow() { return window; }
    CMC_StructureParser* getParser() { return parser; }

    // The layers' entries, filled by the layers above.
    static CApplicationLayers& layers();

private:
    // The script application of the snapshot route, or null when the
    // snapshot cannot be read.
    CMC_Application* readSnapshot();

    CWindow* window;
    CAnimationManager* animationManager;
    CSoundManager* soundManager;
    CCommandLine6* commandLine;
    CConfig* settings;
    CResourcesManager* resources;
    CFont5* defaultFont;
    CXString settingsFileName;
    CXString archiveName;
    CMC_Application* application;
    CMC_StructureParser* parser;
    // The pools and runners were started here (snapshot route).
    bool startedScriptServices;
};
