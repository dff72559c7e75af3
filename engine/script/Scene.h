#pragma once
#include "script/ObjectsContainer.h"
#include "script/SceneServices.h"

#include <cstdint>
#include <string>
#include <vector>

class CMC_DLLExModuleInterface;
class CVersion;
class CXArchive;

// One level of a title's tree (type id 1002 "SCENE"; the application 1000
// and the episodes 1001 build on it). A scene holds its definition
// properties, the screen unit it draws through, its children with the
// running and the pending child, the history of children entered, the
// plug-ins bound for its visit and the drawables whose collisions it
// watches. Its script objects live in the container; entering the scene
// (initialize) loads them from "<name>.cnv" or the snapshot "<name>.bin",
// leaving it (unload) finishes and deletes them.
//
// A scene is entered into its own container under its own name, so it
// finds itself by name. Applications, episodes and scenes listed in a
// container are never initialised or finished by it: the life cycle below
// does that, once per visit.
//
// Child scenes belong to the application and the episodes, which delete
// them before themselves.
class CMC_Scene : public CMC_ObjectsContainer {
public:
    // Positions in getBehavioursList.
    enum {
        EVENT_ONINIT = 0,
        EVENT_ONDONE = 1,
        EVENT_ONSIGNAL = 2,
        EVENT_ONDOMODAL = 3,
        EVENT_ONRESTART = 4,
        EVENT_ONMUSICLOOPED = 5,
        EVENT_ONACTIVATE = 6,
        EVENT_ONDEACTIVATE = 7,
        EVENT_ONUPGRADED = 8
    };

    // For a snapshot: an empty scene whose name and "PATH" serialize reads,
    // and whose objects come from "<name>.bin".
    CMC_Scene(CWindow* window, int typeId);
    // From a definition record (the record names the scene); parent may be
    // null. The objects come from "<name>.cnv".
    CMC_Scene(CWindow* window, CMC_Scene* parent, CMElement* element, int typeId);
    // Leaves the scene once more (unload with no next scene), then releases
    // the plug-ins and takes the watched drawables off the inspector.
    ~CMC_Scene() override;

    CXString** getBehavioursList() override;
    // An event no binding takes runs the behaviour "__<event>__" found from
    // this scene (condition not checked) and counts as taken.
    bool onSignal(const CXString& name) override;
    using CMC_Object::onSignal;
    // Reading: the name, bindings and "PATH". Writing: the same, then the
    // scene's own snapshot "<name>.bin" in its folder.
    void serialize(CXArchive* archive) override;
    using CMC_Object::getScene;
    using CMC_ObjectsContainer::unload;

    virtual bool isBinary() { return fromSnapshot; }
    // This scene or a descendant, depth first, by exact name.
    virtual CMC_Scene* getScene(const CXString& name);
    virtual CMC_Scene* getCurrentScene() { return currentScene; }
    // Enters the scene; from is the scene being left, or null.
    virtual bool initialize(CMC_Scene* from);
    // Once per frame on a container: a pending switch, then the running child.
    virtual void domodal();
    virtual void startMusic(const char* name, bool force);
    virtual void stopMusic();
    // "MUSIC", else the parent's; empty at the top.
    virtual CXString getMusicFilename();
    virtual bool shouldMusicBeStarted() { return musicToStart; }
    // The first object a bound plug-in makes for the record, in load order.
    CMC_Object* resolveEx(CMElement* element) override;
    // Creates the scene's objects from its snapshot or definition file in
    // the current directory; false when they could not all be read.
    virtual bool loadCnv();
    // The application above this scene (the scene itself for the
    // application); null when there is none.
    virtual CMC_Scene* getMCApplication();
    // The first child becomes the pending target; then "ONRESTART".
    virtual void restart();
    // Leaves the scene; next is the scene about to be entered, or null.
    virtual void unload(CMC_Scene* next);
    // A direct child by exact name.
    virtual CMC_Scene* find(const CXString& name);
    // Switches the running child now.
    virtual void _goto(CMC_Scene* target, CMC_Scene* from);
    // Records a direct child as the pending target (null when none has the name).
    virtual void _goto(const CXString& name);
    virtual void monitorCollisions(CGraphicsObject* drawable, bool flag, CCollisionObserver* observer);
    virtual void removeMonitorCollisions(CGraphicsObject* drawable, CCollisionObserver* observer);
    // Adds a pooled string with the name of each playing sequence to out,
    // which is not emptied first.
    virtual void getPlayingSeq(CMC_ObjectGroup* out);
    // Empties out, then adds each playing animation.
    virtual void getPlayingAnimo(CMC_ObjectGroup* out);
    // Resumes the paused sequences whose names the list holds (any case).
    virtual void resumeExcept(CXArray* names);
    // Empties out, then adds each enabled timer.
    virtual void getRunningTimers(CMC_ObjectGroup* out);
    // "BUTTON" or "VGO" (exact), through the maker its layer installed.
    virtual void createObject(const CXString& type, const CXString& name);
    virtual CXString getPath() { return path; }
    virtual bool isDeamon() { return deamon; }
    // init() on every object but applications, episodes and scenes.
    virtual void onInit();
    // An updater for every scene without children.
    virtual void createUpdates();
    virtual CMC_SceneUpdate* getUpdateIfc() { return updateIfc; }

    // The scene snapshot itself, without the file: the "DLLS",
    // "BACKGROUND" and "MUSIC" values, the count, the records and the state
    // trailer (CMC_SnapshotTypes). Reading binds the plug-ins as soon as their names are known, stops at
    // the first record that cannot be restored or is cut short (keeping the
    // objects before it), then binds the behaviours; false when it stopped.
    bool readSnapshot(CXArchive* archive);
    void writeSnapshot(CXArchive* archive);

    CMC_ScreenUnit* getUnit() { return unit; }
    void setUnit(CMC_ScreenUnit* u) { unit = u; }
    CXVector* getSubScenes() { return subScenes; }
    CXVector* getHistory() { return history; }
    // Index of child in the children, -1 when it is not one.
    int getSubId(CMC_Scene* child);
    CXString getDesc() { return description; }
    CXString getDllsList() const { return dllsList; }
    CXString getBackground() const { return background; }
    CVersion* getVersion() { return version; }
    void setDraggedName(const CXString& n) { draggedName = n; }
    CXString getDraggedName() { return draggedName; }
    // The bound plug-ins (CMC_DLLExModuleInterface), null while none are.
    CXVector* getModules() { return modules; }
    // Binds the plug-ins that "DLLS" names, as entering the scene does;
    // false when one of them could not be loaded (each is named on standard
    // error, and a title snapshot being written fails: CMC_SnapshotFiles).
    bool bindPlugins();
    // Releases them, as leaving the scene does once its objects are gone.
    void releasePlugins() { doneDLLs(); }

    // The screen unit every scene shares, named "Default"; made by the first
    // scene constructor that finds none.
    static CMC_ScreenUnit* getDefUnit();
    static void doneDefUnit();

    // Hooks the layers above fill in; each may be null again.
    // How the default unit is made; a CMC_PlainUnit without one.
    using UnitMaker = CMC_ScreenUnit* (*)(CWindow* window, const CXString& name);
    static void setUnitMaker(UnitMaker maker);
    static UnitMaker getUnitMaker();
    static void setSceneWindow(CMC_SceneWindow* window);
    static CMC_SceneWindow* getSceneWindow();
    // The script mouse's reset, called with true when a scene is left.
    using MouseReset = void (*)(bool full);
    static void setMouseReset(MouseReset reset);
    // How sequences (2004), animations (2000) and timers (2007) answer the
    // queries.
    static void setPlayState(int typeId, const CMC_PlayState* state);
    static const CMC_PlayState* getPlayState(int typeId);
    // createObject's makers for "BUTTON" and "VGO"; other words are refused.
    using ObjectMaker = CMC_Object* (*)(CMC_Scene* scene, const CXString& name);
    static bool setObjectMaker(const CXString& type, ObjectMaker maker);
    // A leaf scene's updater; null when the application has no update
    // interface. Without a maker no updater is made.
    using UpdaterMaker = CMC_SceneUpdate* (*)(CMC_Scene* scene);
    static void setUpdaterMaker(UpdaterMaker maker);

protected:
    // Binds one plug-in per name of the comma-separated list, in order.
    virtual void resolveDLLs(const CXString& list);
    // Releases them, in order; a second call does nothing.
    virtual void doneDLLs();
    // The first object a bound plug-in makes for a snapshot type id.
    virtual CMC_Object* serializeEx(CXArchive* archive, int typeId);
    // Adds the visit to "Time" and "Played" in the title's settings file.
    virtual void saveStats();

    CXString dllsList;
    CXString description;
    CXString creationTime;
    CXString lastModifyTime;
    CXString author;
    CXString coauthors;
    CXString path;
    CXString background;
    CXString music;
    CVersion* version;
    CMC_ScreenUnit* unit;
    CXVector* subScenes;
    CMC_Scene* currentScene;
    CMC_Scene* pendingScene;
    CXVector* history;
    CXArray* monitoredObjects;
    CXVector* modules;
    CXString draggedName;
    CXString previousUnitName;
    bool musicToStart;
    // False for a scene restored from the application snapshot until its
    // own snapshot file, which holds its "MUSIC", has been read.
    bool musicKnown;
    // The scene left for this one could not tell whether the music goes on:
    // this scene decides once it knows its own.
    bool musicDecisionPending;
    bool fromSnapshot;
    bool deamon;
    // The visit being timed: the tick count when it began.
    bool timingVisit;
    uint32_t startTicks;
    CMC_SceneUpdate* updateIfc;

private:
    // The scene's own record as the application snapshot gave it (name and
    // bindings): the bindings to the scene's own behaviours go with those
    // behaviours when the scene is left, so every visit takes them anew.
    std::string snapshotRecord;
    void restoreOwnBindings();

    void setUp(CWindow* window);
    // Changes into the scene's folder, on the hard disk or else the medium.
    void enterFolder();
    bool loadSnapshotFile();
    bool loadDefinitions();
    CMC_Object* restoreObject(CXArchive* archive, int typeId);
    // Names on standard error the record at index of the snapshot's count,
    // which nobody restores.
    void tellUnrestored(CXArchive* archive, int typeId, int index, int count);
    void readState(CXArchive* archive, const std::vector<CMC_Object*>& read);
    void bindRestoredBehaviours();
};
