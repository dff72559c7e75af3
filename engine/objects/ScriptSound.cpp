#include "objects/ScriptSound.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/ResourcesManager.h"
#include "graphics/Window.h"
#include "media/Sound4.h"
#include "objects/SoundRunner.h"
#include "script/BuiltinRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/Unit6.h"

#include <algorithm>

namespace {

bool isAbsolute(const CXString& path)
{
    const char first = path.GetAt(0);
    return first == '\\' || first == '/' || (path.getLength() > 1 && path.GetAt(1) == ':');
}

// The name after the last separator.
CXString pureName(const CXString& path)
{
    const int cut = std::max(path.FindLast('\\'), path.FindLast('/'));
    return cut < 0 ? path : path.Right(cut + 1);
}

} // namespace

CMC_Sound::CMC_Sound(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_SOUND), sound(nullptr), preload(false), flushAfterPlayed(false),
      shared(false)
{
    CXString file;
    if (element) {
        file = element->getPropertyValue(CXString("FILENAME"));
        preload = element->getPropertyBoolValue(CXString("PRELOAD"));
        flushAfterPlayed = element->getPropertyBoolValue(CXString("FLUSHAFTERPLAYED"));
    }
    initSound(file);
    initializeBehaviours(container, element);
}

// The container is kept so that an object made by CREATE finds its window;
// a snapshot's reader sets it again before serialize.
CMC_Sound::CMC_Sound(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), MC_SOUND), sound(nullptr), preload(false), flushAfterPlayed(false),
      shared(false)
{
    scene = container;
}

CMC_Sound::~CMC_Sound() { letGo(); }

CWindow* CMC_Sound::window()
{
    CWindow* w = scene ? scene->getWindow() : nullptr;
    return w ? w : CWindow::getWindow();
}

CResourcesManager* CMC_Sound::sceneCache()
{
    CUnit6* unit = scene && scene->getType() == MC_SCENE ? CUnit6::getDefUnit() : nullptr;
    return unit ? unit->getResourcesManager() : nullptr;
}

void CMC_Sound::initSound(const CXString& fileName)
{
    CWindow* w = window();
    attach(w ? w->GetSoundFXFullPath(fileName) : fileName);
}

void CMC_Sound::attach(const CXString& path)
{
    letGo();
    CWindow* w = window();
    sound = CSound4::fromResources(sceneCache(), w, path, flushAfterPlayed, preload);
    shared = sound != nullptr;
    if (!sound)
        sound = new CSound4(w, path, flushAfterPlayed, preload);
    sound->addNotifier(this);
}

// A shared sound is touched only while the manager still holds it: the
// manager deletes what it holds when it is flushed.
void CMC_Sound::letGo()
{
    CSound4* old = sound;
    if (!old)
        return;
    sound = nullptr;
    if (!shared) {
        old->removeNotifier(this);
        delete old;
        return;
    }
    shared = false;
    CResourcesManager* cache = sceneCache();
    if (cache && cache->contains(old)) {
        old->removeNotifier(this);
        cache->remove(old);
    }
}

bool CMC_Sound::done(bool final)
{
    if (shared)
        letGo();
    else if (sound)
        sound->removeNotifier(this);
    return CMC_Object::done(final);
}

CXString** CMC_Sound::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",     "ONDONE",    "ONSIGNAL", "ONSTARTED",
                                        "ONFINISHED", "ONRESUMED", nullptr};
    return makeEventList(names);
}

void CMC_Sound::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << (sound ? sound->getFileName() : CXString()) << preload << flushAfterPlayed;
        return;
    }
    CXString stored;
    *archive >> &stored;
    *archive >> &preload;
    *archive >> &flushAfterPlayed;
    if (archive->LastError())
        return;
    attach(snapshotPath(stored));
}

// The stored name already holds the sound-effects folder (of the machine
// that wrote it): it is not put under the folder a second time. A name
// that is not found there, as one written on another machine, is looked
// for by its pure name in this folder.
CXString CMC_Sound::snapshotPath(const CXString& stored)
{
    CWindow* w = window();
    const CXString folder = w ? w->GetSoundFXPath() : CXString();
    if (!w || !folder.IsString())
        return stored;
    CXString prefix = folder + "\\";
    const bool placed = isAbsolute(stored) || (stored.getLength() > prefix.getLength() &&
                                               stored.Left(prefix.getLength()).equalsIgnoreCase(prefix));
    if (!placed)
        return w->GetSoundFXFullPath(stored);
    if (CFile::fileExists(stored))
        return stored;
    return w->GetSoundFXFullPath(pureName(stored));
}

bool CMC_Sound::load(const CXString& file)
{
    if (!sound) {
        sound = new CSound4(window(), file, flushAfterPlayed, false);
        shared = false;
        sound->addNotifier(this);
    }
    return sound->Load(file);
}

void CMC_Sound::raise(int index, const char* event)
{
    if (isEventBound(index))
        onSignal(CXString(event));
}

bool CMC_Sound::onPlayableStarted(CPlayable*)
{
    raise(EVENT_ONSTARTED, "ONSTARTED");
    return false;
}

bool CMC_Sound::onPlayableFinished(CPlayable*)
{
    raise(EVENT_ONFINISHED, "ONFINISHED");
    return false;
}

bool CMC_Sound::onPlayableResumed(CPlayable*)
{
    raise(EVENT_ONRESUMED, "ONRESUMED");
    return false;
}

// Registration

namespace {

CMC_Object* makeSound(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Sound(c, e); }
CMC_Object* restoreSound(CMC_Scene* scene) { return new CMC_Sound(scene); }
CMC_Object* createSound(CMC_ObjectsContainer* c) { return new CMC_Sound(c); }
CSound4* soundOf(CMC_Object* o) { return static_cast<CMC_Sound*>(o)->getSound(); }

CMC_RegisterType typeRegistration("SOUND", 5, &makeSound);
CMC_RegisterSnapshotType snapshotRegistration(MC_SOUND, &restoreSound);
CMC_RegisterRunner<CMC_Sound_Runner> runnerRegistration({MC_SOUND});

struct Registration {
    Registration()
    {
        CMC_ObjectsContainer::setSoundAccessor(&soundOf);
        CMC_Builtin_Runner::setCreator("SOUND", &createSound);
    }
} registration;

} // namespace
