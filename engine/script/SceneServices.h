#pragma once
#include "base/XString.h"

class CCollisionObserver;
class CControlUnit;
class CWindow;
class CGraphicsObject;
class CMC_Object;
class CMC_Scene;
class CMElements;
class CUnit6;

// What a scene needs of its screen unit. The controls layer's unit
// implements it; until then scenes draw through a CMC_PlainUnit.
class CMC_ScreenUnit {
public:
    virtual ~CMC_ScreenUnit() {}

    virtual CXString getUnitName() = 0;
    virtual void setUnitName(const CXString& name) = 0;
    virtual void setBackgroundFileName(const CXString& fileName) = 0;
    // Entering a scene, with the shared default unit.
    virtual void initialize(CMC_Scene* scene, CMC_ScreenUnit* defaultUnit) = 0;
    // Leaving a scene; defaultUnit is null when no scene follows.
    virtual void done(CMC_Scene* scene, CMC_ScreenUnit* defaultUnit) = 0;
    virtual void flushEditBoxes() = 0;
    // The records of a scene's definition file that the scene then creates;
    // the records themselves unless the unit has its own.
    virtual CMElements* resolveObjects(CMC_Scene* scene, CMElements* records) = 0;
    // Plays music, looping. A null name means the scene's music file;
    // without force only when the scene's shouldMusicBeStarted() is true.
    virtual void startMusic(const char* name, bool force) = 0;
    virtual void stopMusic() = 0;
    // The first frame drawn after initialize marks the unit initially
    // updated; the unit then starts the scene's music.
    virtual bool wasInitiallyUpdated() = 0;
    virtual bool onInitialUpdate() = 0;
    // Every later frame drawn: nothing here.
    virtual void onFrameUpdate() {}
    // The music the unit last started or took over; it stays from scene to
    // scene.
    virtual CXString getMusicFileName() { return CXString(); }
    // The unit as the controls see it (their hot spots' unit and a notifier
    // of every button); null for a unit that has no controls.
    virtual CControlUnit* getControlUnit() { return nullptr; }
    // The controls layer's screen unit; null for any other unit.
    virtual CUnit6* getUnit6() { return nullptr; }
};

// A unit that keeps its name and background and plays the scenes' music
// through the window; it draws nothing. The controls layer's unit builds on
// it.
class CMC_PlainUnit : public CMC_ScreenUnit {
public:
    // Without a window the unit takes the one of the first scene entered.
    explicit CMC_PlainUnit(const CXString& name, CWindow* window = nullptr)
        : name(name), scene(nullptr), window(window), updated(false)
    {
    }

    CXString getUnitName() override { return name; }
    void setUnitName(const CXString& n) override { name = n; }
    void setBackgroundFileName(const CXString& fileName) override { background = fileName; }
    CXString getBackgroundFileName() const { return background; }
    // Keeps the scene (and its window) until done. The music's name is the
    // previous unit's (the scenes pass the default unit, that is this one,
    // so it stays from scene to scene and the same music plays on); empty
    // without one.
    void initialize(CMC_Scene* scene, CMC_ScreenUnit* previous) override;
    void done(CMC_Scene* scene, CMC_ScreenUnit* defaultUnit) override;
    void flushEditBoxes() override {}
    CMElements* resolveObjects(CMC_Scene*, CMElements* records) override { return records; }
    // Starts the wanted music (the name, or the scene's) when it differs
    // from the unit's in any case, or when no music plays; an empty name
    // starts nothing.
    void startMusic(const char* name, bool force) override;
    // Stops the window's music; the name stays.
    void stopMusic() override;
    bool wasInitiallyUpdated() override { return updated; }
    // Starts the scene's music unless the scene says not to.
    bool onInitialUpdate() override;
    CXString getMusicFileName() override { return musicFileName; }

protected:
    CXString name;
    CXString background;
    CXString musicFileName;
    CMC_Scene* scene;
    CWindow* window;
    bool updated;
};

// What scenes need of the engine window: the wait cursor, and the window's
// collision inspector together with the drawables' own monitor flag. The
// window installs it (CMC_Scene::setSceneWindow); without it these do
// nothing.
class CMC_SceneWindow {
public:
    virtual void beginWaitCursor() = 0;
    virtual void endActiveCursor() = 0;

    virtual bool getMonitorCollisionsFlag(CGraphicsObject* drawable) = 0;
    virtual void setMonitorCollisions(CGraphicsObject* drawable, bool on) = 0;
    virtual void addCollisionNotifier(CCollisionObserver* observer) = 0;
    virtual void removeCollisionNotifier(CCollisionObserver* observer) = 0;
    virtual void addMonitoredObject(CGraphicsObject* drawable, bool flag) = 0;
    // A scene going away passes the drawables it still lists, which may be
    // gone by then: the pointer is for comparing only.
    virtual void removeMonitoredObject(CGraphicsObject* drawable) = 0;

protected:
    ~CMC_SceneWindow() {}
};

// A scene's updater over the network (the network layer makes them).
class CMC_SceneUpdate {
public:
    // Forgets the last update list.
    virtual void clearIndex() = 0;
    virtual ~CMC_SceneUpdate() {}
    // The server's list names a newer version than the scene's and nothing
    // of it has been fetched yet.
    virtual bool needsUpgrade() = 0;
    // Percent of the listed bytes fetched, 0 to 100.
    virtual int getUpgradeProgress() = 0;
    // Asks needsUpgrade() first and fetches the listed files when it is true.
    virtual void upgrade() = 0;
};

// How the scene's queries see objects that play (sequences, animations) or
// run (timers, whose "playing" is their enabled flag). The script types
// install one for their type id.
struct CMC_PlayState {
    bool (*isPlaying)(CMC_Object* object);
    bool (*isPaused)(CMC_Object* object);
    void (*resume)(CMC_Object* object);
};
