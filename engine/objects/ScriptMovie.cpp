#include "objects/ScriptMovie.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/MoviePlayer.h"
#include "objects/MovieRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

namespace {

CWindow* windowOf(CMC_ObjectsContainer* container)
{
    CWindow* w = container ? container->getWindow() : nullptr;
    return w ? w : CWindow::getWindow();
}

} // namespace

CMC_Movie::CMC_Movie(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_MOVIE), player(nullptr)
{
    CXString fileName;
    int priority = 0;
    CXPoint position(0, 0);
    if (element) {
        fileName = element->getPropertyValue(CXString("FILENAME"));
        priority = element->getPropertyIntValue(CXString("PRIORITY"));
        position = element->getPropertyPointValue(CXString("POSITION"));
    }
    build(container, fileName, priority, position);
    initializeBehaviours(container, element);
}

// The record holds nothing of the player: the object gets the player a
// MOVIE without keys has.
CMC_Movie::CMC_Movie(CMC_ObjectsContainer* container) : CMC_Object(CXString("temp"), MC_MOVIE), player(nullptr)
{
    scene = container;
    build(container, CXString(), 0, CXPoint(0, 0));
}

CMC_Movie::~CMC_Movie()
{
    player->removeNotifier(this);
    delete player;
    player = nullptr;
}

void CMC_Movie::build(CMC_ObjectsContainer* container, const CXString& fileName, int priority, CXPoint position)
{
    CWindow* w = windowOf(container);
    player = fileName.IsString() ? new CMoviePlayer(w, fileName) : new CMoviePlayer(w);
    CRefreshScreen* screen = w ? w->GetRefreshScreenInterface() : nullptr;
    if (priority >= 0 && screen)
        screen->put(player, priority);
    player->addNotifier(this);
    player->SetPosition(position);
}

CXString** CMC_Movie::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",     "ONDONE",         "ONSIGNAL", "ONSTARTED",
                                        "ONFINISHED", "ONFRAMEUPDATED", nullptr};
    return makeEventList(names);
}

void CMC_Movie::raise(int index, const char* event)
{
    if (isEventBound(index))
        onSignal(CXString(event));
}

bool CMC_Movie::onPlayableStarted(CPlayable*)
{
    raise(EVENT_ONSTARTED, "ONSTARTED");
    return false;
}

bool CMC_Movie::onPlayableTick(CPlayable*)
{
    raise(EVENT_ONFRAMEUPDATED, "ONFRAMEUPDATED");
    return false;
}

bool CMC_Movie::onPlayableFinished(CPlayable*)
{
    raise(EVENT_ONFINISHED, "ONFINISHED");
    return false;
}

// Registration

namespace {

CMC_Object* makeMovie(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Movie(c, e); }
// A record that nobody reads ends the reading of the scene's snapshot, and
// the objects after it are lost: the base record is read like any other.
CMC_Object* restoreMovie(CMC_Scene* scene) { return new CMC_Movie(scene); }

CMC_RegisterType typeRegistration("MOVIE", 6, &makeMovie);
CMC_RegisterSnapshotType snapshotRegistration(MC_MOVIE, &restoreMovie);
CMC_RegisterRunner<CMC_Movie_Runner> runnerRegistration({MC_MOVIE});

} // namespace
