// What a scene offers its script methods and the engine: music, collision
// watching, the queries over playing objects and run-time objects.
#include "script/Scene.h"

#include "script/Application.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace {
struct PlayStateSlot {
    int typeId;
    const CMC_PlayState* state;
};
PlayStateSlot playStates[8];

CMC_Scene::ObjectMaker buttonMaker = nullptr;
CMC_Scene::ObjectMaker vgoMaker = nullptr;

// Visits the scene's objects of one type in the order they were added,
// with the way that type answers; nothing when the type installed none.
template <class Visit>
void forEachOfType(CMC_Scene* scene, int typeId, Visit visit)
{
    const CMC_PlayState* state = CMC_Scene::getPlayState(typeId);
    if (!state)
        return;
    for (int i = 0; CMC_Object* o = scene->getObject(i); ++i)
        if (o->getType() == typeId)
            visit(o, state);
}
} // namespace

void CMC_Scene::setPlayState(int typeId, const CMC_PlayState* state)
{
    for (PlayStateSlot& s : playStates)
        if (s.state && s.typeId == typeId) {
            s.state = state;
            return;
        }
    for (PlayStateSlot& s : playStates)
        if (!s.state) {
            s = {typeId, state};
            return;
        }
}

const CMC_PlayState* CMC_Scene::getPlayState(int typeId)
{
    for (const PlayStateSlot& s : playStates)
        if (s.state && s.typeId == typeId)
            return s.state;
    return nullptr;
}

bool CMC_Scene::setObjectMaker(const CXString& type, ObjectMaker maker)
{
    if (type == "BUTTON")
        buttonMaker = maker;
    else if (type == "VGO")
        vgoMaker = maker;
    else
        return false;
    return true;
}

void CMC_PlainUnit::initialize(CMC_Scene* s, CMC_ScreenUnit* previous)
{
    scene = s;
    if (s && !window)
        window = s->getWindow();
    updated = false;
    musicFileName = previous ? previous->getMusicFileName() : CXString();
}

void CMC_PlainUnit::done(CMC_Scene*, CMC_ScreenUnit*)
{
    scene = nullptr;
    updated = false;
}

bool CMC_PlainUnit::onInitialUpdate()
{
    updated = true;
    startMusic(nullptr, false);
    return true;
}

void CMC_PlainUnit::startMusic(const char* file, bool force)
{
    if (!scene || (!force && !scene->shouldMusicBeStarted()))
        return;
    CXString wanted = file ? CXString(file) : scene->getMusicFilename();
    CApplicationWindow* link = CApplicationWindow::of(window);
    if (!link)
        return;
    bool other = wanted.IsString() && !wanted.equalsIgnoreCase(musicFileName);
    if (!other && link->isMusicPlaying())
        return;
    musicFileName = wanted;
    // No music is "": the window would look for a file of no name.
    if (wanted.IsString())
        link->StartMusic(wanted, true);
}

void CMC_PlainUnit::stopMusic()
{
    if (CApplicationWindow* link = CApplicationWindow::of(window))
        link->StopMusic();
}

// A scene without music plays that of its episode, and an episode that of
// the application.
CXString CMC_Scene::getMusicFilename()
{
    if (music.IsString())
        return music;
    CMC_ObjectsContainer* p = getParent();
    if (p && (p->getType() == MC_APPLICATION || p->getType() == MC_EPISODE || p->getType() == MC_SCENE))
        return static_cast<CMC_Scene*>(p)->getMusicFilename();
    return CXString();
}

void CMC_Scene::startMusic(const char* name, bool force)
{
    if (!unit)
        return;
    if (name && getMusicFilename() != name) {
        music = name;
        musicToStart = true;
    }
    unit->startMusic(name, force);
}

void CMC_Scene::stopMusic()
{
    if (!unit)
        return;
    unit->stopMusic();
    musicToStart = true;
}

void CMC_Scene::monitorCollisions(CGraphicsObject* drawable, bool flag, CCollisionObserver* observer)
{
    CMC_SceneWindow* w = getSceneWindow();
    if (!w || !drawable || w->getMonitorCollisionsFlag(drawable))
        return;
    w->addCollisionNotifier(observer);
    w->addMonitoredObject(drawable, flag);
    w->setMonitorCollisions(drawable, flag);
    monitoredObjects->add(drawable);
}

// The drawable's own flag is cleared too, so that it can be watched again.
void CMC_Scene::removeMonitorCollisions(CGraphicsObject* drawable, CCollisionObserver* observer)
{
    CMC_SceneWindow* w = getSceneWindow();
    if (!w || !drawable)
        return;
    w->removeCollisionNotifier(observer);
    w->removeMonitoredObject(drawable);
    w->setMonitorCollisions(drawable, false);
    monitoredObjects->remove(drawable);
}

void CMC_Scene::getPlayingSeq(CMC_ObjectGroup* out)
{
    if (!out)
        return;
    forEachOfType(this, MC_SEQUENCE, [out](CMC_Object* o, const CMC_PlayState* state) {
        if (!state->isPlaying || !state->isPlaying(o))
            return;
        CMC_String* name = CMC_VariableFactory::allocString();
        name->setValue(o->getName());
        out->add(name);
    });
}

void CMC_Scene::resumeExcept(CXArray* names)
{
    if (!names)
        return;
    forEachOfType(this, MC_SEQUENCE, [names](CMC_Object* o, const CMC_PlayState* state) {
        if (state->isPaused && state->resume && state->isPaused(o) && names->containsString(o->getName()))
            state->resume(o);
    });
}

// Empties the group, then adds each object of the type that plays.
static void collectPlaying(CMC_Scene* scene, int typeId, CMC_ObjectGroup* out)
{
    if (!out)
        return;
    out->removeAll();
    forEachOfType(scene, typeId, [out](CMC_Object* o, const CMC_PlayState* state) {
        if (state->isPlaying && state->isPlaying(o))
            out->add(o);
    });
}

void CMC_Scene::getPlayingAnimo(CMC_ObjectGroup* out) { collectPlaying(this, MC_ANIMO, out); }

void CMC_Scene::getRunningTimers(CMC_ObjectGroup* out) { collectPlaying(this, MC_TIMER, out); }

void CMC_Scene::createObject(const CXString& type, const CXString& name)
{
    ObjectMaker maker = type == "BUTTON" ? buttonMaker : type == "VGO" ? vgoMaker : nullptr;
    CMC_Object* made = maker ? maker(this, name) : nullptr;
    if (!made)
        return;
    made->initializeBehaviours(this, nullptr);
    addObject(made);
}
