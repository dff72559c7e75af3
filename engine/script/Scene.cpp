#include "script/Scene.h"

#include "base/Config.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/Version.h"
#include "base/WindowPaths.h"
#include "platform/Clock.h"
#include "script/BehaviourBase.h"
#include "script/Element.h"
#include "script/Variable.h"

#include <vector>

namespace {
CMC_ScreenUnit* defaultUnit = nullptr;
CMC_Scene::UnitMaker unitMaker = nullptr;
CMC_SceneWindow* sceneWindow = nullptr;
CMC_Scene::MouseReset mouseReset = nullptr;
CMC_Scene::UpdaterMaker updaterMaker = nullptr;

bool isSceneType(int typeId) { return typeId == MC_APPLICATION || typeId == MC_EPISODE || typeId == MC_SCENE; }

CMC_Scene* sceneAt(CXVector* list, int i) { return static_cast<CMC_Scene*>((*list)[i]); }
} // namespace

CMC_Scene::CMC_Scene(CWindow* w, int type)
    : CMC_ObjectsContainer(w, nullptr, CXString(), type), version(nullptr), unit(nullptr), subScenes(nullptr),
      currentScene(nullptr), pendingScene(nullptr), history(nullptr), monitoredObjects(nullptr), modules(nullptr),
      musicToStart(true), musicKnown(false), musicDecisionPending(false), fromSnapshot(true), deamon(false), timingVisit(false), startTicks(0), updateIfc(nullptr)
{
    setUp(w);
}

CMC_Scene::CMC_Scene(CWindow* w, CMC_Scene* parentScene, CMElement* e, int type)
    : CMC_ObjectsContainer(w, nullptr, e, type), version(nullptr), unit(nullptr), subScenes(nullptr),
      currentScene(nullptr), pendingScene(nullptr), history(nullptr), monitoredObjects(nullptr), modules(nullptr),
      musicToStart(true), musicKnown(true), musicDecisionPending(false), fromSnapshot(false), deamon(false), timingVisit(false), startTicks(0), updateIfc(nullptr)
{
    if (e) {
        dllsList = e->getPropertyValue("DLLS");
        description = e->getPropertyValue("DESCRIPTION");
        creationTime = e->getPropertyValue("CREATIONTIME");
        lastModifyTime = e->getPropertyValue("LASTMODIFYTIME");
        author = e->getPropertyValue("AUTHOR");
        coauthors = e->getPropertyValue("COAUTHORS");
        path = e->getPropertyValue("PATH");
        background = e->getPropertyValue("BACKGROUND");
        music = e->getPropertyValue("MUSIC");
        deamon = e->getPropertyBoolValue("DEAMON");
    }
    version = new CVersion(e ? e->getPropertyValue("VERSION") : CXString());
    if (parentScene)
        setParent(parentScene);
    setUp(w);
}

void CMC_Scene::setUp(CWindow* w)
{
    if (!defaultUnit) {
        defaultUnit = unitMaker ? unitMaker(w, CXString("Default")) : nullptr;
        if (!defaultUnit)
            defaultUnit = new CMC_PlainUnit(CXString("Default"));
    }
    subScenes = new CXVector(101, 0.75f);
    history = new CXVector(101, 0.75f);
    monitoredObjects = new CXArray(101, 0.75f);
    scene = this;
    addObject(this);
}

CMC_Scene::~CMC_Scene()
{
    CMC_Scene::unload(nullptr);
    delete updateIfc;
    updateIfc = nullptr;
    delete version;
    version = nullptr;
    delete subScenes;
    subScenes = nullptr;
    delete history;
    history = nullptr;
    doneDLLs();
    for (int i = 0; sceneWindow && i < monitoredObjects->getSize(); ++i)
        sceneWindow->removeMonitoredObject(static_cast<CGraphicsObject*>((*monitoredObjects)[i]));
    delete monitoredObjects;
    monitoredObjects = nullptr;
}

CXString** CMC_Scene::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",        "ONDONE",       "ONSIGNAL",     "ONDOMODAL",  "ONRESTART",
                                        "ONMUSICLOOPED", "ONACTIVATE",   "ONDEACTIVATE", "ONUPGRADED", nullptr};
    return makeEventList(names);
}

bool CMC_Scene::onSignal(const CXString& name)
{
    if (CMC_Object::onSignal(name))
        return true;
    CMC_Object* fallback = getObject(CXString("__") + name + "__");
    if (!fallback || fallback->getType() != MC_BEHAVIOUR)
        return false;
    static_cast<CMC_BehaviourBase*>(fallback)->run(this, nullptr, false);
    return true;
}

CMC_Scene* CMC_Scene::getScene(const CXString& n)
{
    if (getName() == n)
        return this;
    for (int i = 0; i < subScenes->getSize(); ++i)
        if (CMC_Scene* found = sceneAt(subScenes, i)->getScene(n))
            return found;
    return nullptr;
}

CMC_Scene* CMC_Scene::find(const CXString& n)
{
    for (int i = 0; i < subScenes->getSize(); ++i)
        if (sceneAt(subScenes, i)->getName() == n)
            return sceneAt(subScenes, i);
    return nullptr;
}

int CMC_Scene::getSubId(CMC_Scene* child)
{
    for (int i = 0; i < subScenes->getSize(); ++i)
        if (sceneAt(subScenes, i) == child)
            return i;
    return -1;
}

// Scenes, episodes and the application are containers of containers: the
// application is found up the parent chain, whatever the depth.
CMC_Scene* CMC_Scene::getMCApplication()
{
    for (CMC_ObjectsContainer* c = getParent(); c; c = c->getParent())
        if (c->getType() == MC_APPLICATION)
            return static_cast<CMC_Scene*>(c);
    return getType() == MC_APPLICATION ? this : nullptr;
}

bool CMC_Scene::initialize(CMC_Scene* from)
{
    if (sceneWindow)
        sceneWindow->beginWaitCursor();
    unit = defaultUnit;
    CFile::chDir(CWindowPaths::getRootPath());
    bindPlugins();
    enterFolder();
    if (unit) {
        previousUnitName = unit->getUnitName();
        unit->setUnitName(getName());
        loadCnv();
        if (musicDecisionPending) {
            musicDecisionPending = false;
            if (!from || from->getMusicFilename() != getMusicFilename())
                stopMusic();
        }
        unit->setBackgroundFileName(background);
        unit->initialize(this, defaultUnit);
        if (CMC_ObjectsContainer* p = getParent()) {
            p->setScene(this);
            if (p->getParent())
                p->getParent()->setScene(this);
        }
        onInit();
        CMC_Object* init = getObject("__INIT__");
        if (init && init->getType() == MC_BEHAVIOUR)
            static_cast<CMC_BehaviourBase*>(init)->run(this, nullptr, true);
        if (isEventBound(EVENT_ONINIT))
            onSignal(CXString("ONINIT"));
        musicToStart = !(from && from->getMusicFilename() == getMusicFilename());
    }
    if (sceneWindow)
        sceneWindow->endActiveCursor();
    startTicks = platform::GetTickCount();
    timingVisit = true;
    return true;
}

// The folder below the data folder on the hard disk, unless the scene's own
// file is not there: then the same folder on the installation medium.
void CMC_Scene::enterFolder()
{
    CXString ownFile = getName() + (isBinary() ? ".bin" : ".cnv");
    if (CFile::chDir(CFolder::dataPath(CWindowPaths::getRootPath(), path)) == 0 && CFile::fileExists(ownFile))
        return;
    CFile::chDir(CWindowPaths::getCDPath());
    CFile::chDir(CFolder::dataPath(CWindowPaths::getCDPath(), path));
}

// init() may add or delete objects (a value read from the settings file
// runs its change behaviours): the list is copied, and an object no longer
// held is skipped.
void CMC_Scene::onInit()
{
    if (getElementsNo() == 0)
        return;
    std::vector<CMC_Object*> copy;
    for (int i = 0; CMC_Object* o = getObject(i); ++i)
        copy.push_back(o);
    for (CMC_Object* o : copy)
        if (holds(o) && !isSceneType(o->getType()))
            o->init();
}

void CMC_Scene::unload(CMC_Scene* next)
{
    if (CMC_ObjectsContainer* p = getParent())
        p->onSubSceneDone(this);
    saveStats();
    if (mouseReset)
        mouseReset(true);
    CMC_ObjectsContainer::unload();
    // The bindings made in the scene's scope and its event list go after
    // its "ONDONE" has been raised; the next visit binds afresh.
    onSceneDone(this);
    flushBehList();
    doneDLLs();
    if (unit) {
        unit->done(this, next ? defaultUnit : nullptr);
        unit->flushEditBoxes();
        unit->setUnitName(previousUnitName);
    }
    // A scene restored from the application snapshot learns its music only
    // when it is entered: it decides then, so that the same tune plays on.
    if (next && !next->musicKnown)
        next->musicDecisionPending = true;
    else if (!next || next->getMusicFilename() != getMusicFilename())
        stopMusic();
}

// The target is taken before the switch: the scene entered may record the
// next one while it is entered.
void CMC_Scene::domodal()
{
    if (pendingScene) {
        CMC_Scene* target = pendingScene;
        pendingScene = nullptr;
        _goto(target, currentScene);
    }
    if (currentScene)
        currentScene->domodal();
}

void CMC_Scene::_goto(CMC_Scene* target, CMC_Scene* from)
{
    if (!target)
        return;
    unload(target);
    currentScene = target;
    target->initialize(from);
    history->add(target);
    // The settings the scenes kept on leaving and entering are on disk.
    if (CConfig* config = CMC_Variable::getSettings(this))
        config->Flush();
}

void CMC_Scene::_goto(const CXString& n) { pendingScene = find(n); }

void CMC_Scene::restart()
{
    if (subScenes->getSize() > 0)
        pendingScene = sceneAt(subScenes, 0);
    if (isEventBound(EVENT_ONRESTART))
        onSignal(CXString("ONRESTART"));
}

// The seconds are taken from the tick difference, which stays right when
// the 32-bit tick count wraps during the visit.
void CMC_Scene::saveStats()
{
    CConfig* config = CMC_Variable::getSettings(this);
    if (config) {
        int time = config->GetInt(getName(), "Time");
        int played = config->GetInt(getName(), "Played");
        if (timingVisit) {
            ++played;
            time += int((platform::GetTickCount() - startTicks) / 1000);
        }
        config->PutInt(getName(), "Time", time);
        config->PutInt(getName(), "Played", played);
    }
    timingVisit = false;
}

void CMC_Scene::createUpdates()
{
    if (subScenes->getSize() > 0) {
        for (int i = 0; i < subScenes->getSize(); ++i)
            sceneAt(subScenes, i)->createUpdates();
        return;
    }
    if (!updateIfc && updaterMaker)
        updateIfc = updaterMaker(this);
}

CMC_ScreenUnit* CMC_Scene::getDefUnit() { return defaultUnit; }

void CMC_Scene::doneDefUnit()
{
    delete defaultUnit;
    defaultUnit = nullptr;
}

void CMC_Scene::setUnitMaker(UnitMaker maker) { unitMaker = maker; }
CMC_Scene::UnitMaker CMC_Scene::getUnitMaker() { return unitMaker; }
void CMC_Scene::setSceneWindow(CMC_SceneWindow* w) { sceneWindow = w; }
CMC_SceneWindow* CMC_Scene::getSceneWindow() { return sceneWindow; }
void CMC_Scene::setMouseReset(MouseReset reset) { mouseReset = reset; }
void CMC_Scene::setUpdaterMaker(UpdaterMaker maker) { updaterMaker = maker; }
