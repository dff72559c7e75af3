#include "script/Episode.h"

#include "base/Archive.h"
#include "base/File.h"
#include "script/BehaviourBase.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/SceneTree.h"
#include "script/String.h"
#include "script/StructureParser.h"

namespace {
CMC_RegisterRunner<CMC_Episode_Runner> registration({MC_EPISODE});

CMC_Scene* sceneAt(CXVector* list, int i) { return static_cast<CMC_Scene*>((*list)[i]); }

// The smallest scene record: an empty name, no bindings, an empty "PATH".
const int MIN_RECORD_BYTES = 12;

CMC_Scene* makeScene(CWindow* window)
{
    CMC_Scene* s = new CMC_Scene(window, MC_SCENE);
    s->setUnit(CMC_Scene::getDefUnit());
    return s;
}
} // namespace

CMC_Episode::CMC_Episode(CWindow* window, CMC_StructureParser* parser, CMElement* element)
    : CMC_Scene(window, nullptr, element, MC_EPISODE), startScene(nullptr), ownObjectsLoaded(false)
{
    if (!element || !parser)
        return;
    CMC_SceneTree::adoptListed(this, parser, element->getPropertyValue(CXString("SCENES")), false, true);
    CXString start = element->getPropertyValue(CXString("STARTWITH"));
    if (start.IsString())
        startScene = CMC_SceneTree::startAmong(this, parser->getNamed(start, this), false);
    if (!startScene && subScenes->getSize() > 0)
        startScene = sceneAt(subScenes, 0);
}

CMC_Episode::CMC_Episode(CWindow* window) : CMC_Scene(window, MC_EPISODE), startScene(nullptr), ownObjectsLoaded(false) {}

CMC_Episode::~CMC_Episode()
{
    CMC_Episode::unload(nullptr);
    // The scenes go while the episode's own behaviours still exist.
    CMC_SceneTree::deleteChildren(this);
    CMC_ObjectsContainer::unload();
}

bool CMC_Episode::initialize(CMC_Scene* from)
{
    CMC_SceneTree::enterDataFolder(path);
    loadCnv();
    ownObjectsLoaded = true;
    CMC_SceneTree::runInitialisers(this);
    if (startScene)
        _goto(startScene, from);
    return true;
}

void CMC_Episode::unload(CMC_Scene* next)
{
    if (currentScene) {
        if (isEventBound(EVENT_ONDONE))
            onSignal(CXString("ONDONE"));
        currentScene->unload(next);
        latestScene = currentScene->getName();
    }
    currentScene = nullptr;
}

void CMC_Episode::next()
{
    int i = currentScene ? getSubId(currentScene) : -1;
    if (i < subScenes->getSize() - 1)
        pendingScene = sceneAt(subScenes, i + 1);
}

void CMC_Episode::prev()
{
    int i = currentScene ? getSubId(currentScene) : -1;
    if (i > 0)
        pendingScene = sceneAt(subScenes, i - 1);
}

void CMC_Episode::back()
{
    int n = history->getSize();
    if (n <= 1)
        return;
    pendingScene = static_cast<CMC_Scene*>((*history)[n - 2]);
    history->removeAt(n - 1);
}

// A scene that is running is written as it stands; any other has its
// objects loaded for its snapshot file and unloaded again.
void CMC_Episode::storeScene(CXArchive* archive, CMC_Scene* scene)
{
    bool running = scene == currentScene;
    if (!running) {
        CMC_SceneTree::enterDataFolder(scene->getPath());
        scene->setParent(this);
        scene->setUnit(getDefUnit());
        // Its plug-ins make their objects as when the scene is played; a
        // snapshot without them would not play as the definitions do.
        scene->bindPlugins();
        scene->loadCnv();
        CMC_SceneTree::enterDataFolder(CXString());
    }
    scene->serialize(archive);
    if (!running) {
        CMC_SceneTree::unloadObjects(scene);
        scene->releasePlugins();
    }
}

void CMC_Episode::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    if (archive->isStoring()) {
        // The episode's own objects exist once it was entered; before, they
        // are loaded for its snapshot file as its scenes' are.
        bool entered = ownObjectsLoaded;
        if (!entered) {
            CMC_SceneTree::enterDataFolder(path);
            loadCnv();
            CMC_SceneTree::enterDataFolder(CXString());
        }
        CMC_Scene::serialize(archive);
        if (!entered)
            CMC_SceneTree::unloadObjects(this);
        *archive << subScenes->getSize() << getSubId(startScene);
        for (int i = 0; i < subScenes->getSize(); ++i)
            storeScene(archive, sceneAt(subScenes, i));
        return;
    }
    CMC_Scene::serialize(archive);
    if (!CMC_SceneTree::readChildren(this, archive, MIN_RECORD_BYTES, &makeScene, &startScene))
        setErrorCode(CXArchive::ERROR_IO);
}

void CMC_Episode_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("NEXT", NEXT);
    registerMethod("PREV", PREV);
    registerMethod("BACK", BACK);
    registerMethod("RESTART", RESTART);
    registerMethod("GOTO", GOTO);
    registerMethod("GETLATESTSCENE", GETLATESTSCENE);
    registerMethod("GETCURRENTSCENE", GETCURRENTSCENE);
}

CMC_Variable* CMC_Episode_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_EPISODE || id < NEXT || id > GETCURRENTSCENE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Episode* episode = static_cast<CMC_Episode*>(object);
    switch (id) {
    case NEXT: episode->next(); return nullptr;
    case PREV: episode->prev(); return nullptr;
    case BACK: episode->back(); return nullptr;
    case RESTART: episode->restart(); return nullptr;
    case GOTO: {
        if (getArgCount(args) < 1)
            return nullptr;
        CMC_String* target = getParameterString(args, 0);
        episode->_goto(target->getValue());
        CMC_Object::flush(target, true);
        return nullptr;
    }
    case GETLATESTSCENE: return CMC_String::temporary(episode->getLatestScene());
    default: {
        CMC_Scene* current = episode->getCurrentScene();
        return CMC_String::temporary(current ? current->getName() : CXString());
    }
    }
}
