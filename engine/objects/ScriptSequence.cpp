#include "objects/ScriptSequence.h"

#include "base/Archive.h"
#include "graphics/Window.h"
#include "media/MultimediaSequenceCreator.h"
#include "media/SequencedPlayable.h"
#include "objects/SequenceRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneServices.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/Unit6.h"

CMC_Sequence::CMC_Sequence(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_SEQUENCE), sequence(nullptr)
{
    if (element)
        fileName = element->getPropertyValue(CXString("FILENAME"));
    initializeBehaviours(container, element);
}

// A snapshot's reader sets the container again before serialize.
CMC_Sequence::CMC_Sequence(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), MC_SEQUENCE), sequence(nullptr)
{
    scene = container;
}

CMC_Sequence::~CMC_Sequence() { delete sequence; }

CWindow* CMC_Sequence::window()
{
    CWindow* w = scene ? scene->getWindow() : nullptr;
    return w ? w : CWindow::getWindow();
}

// Animations and sounds are shared with the scene's own objects through
// the default unit's resources manager.
void CMC_Sequence::build()
{
    if (sequence || !fileName.IsString())
        return;
    CUnit6* unit = CUnit6::getDefUnit();
    sequence = CMultimediaSequenceCreator::load(window(), fileName, unit ? unit->getResourcesManager() : nullptr,
                                                this);
}

// A tree already read on demand is kept: reading the file again would
// leave the first tree's playables reporting to this object.
void CMC_Sequence::init()
{
    build();
    CMC_Object::init();
}

CPlayable* CMC_Sequence::getSequence()
{
    build();
    return sequence;
}

CSequencedPlayable* CMC_Sequence::getSequencedPlayable()
{
    CPlayable* p = getSequence();
    return p && p->getType() == CSequencedPlayable::TYPE_SEQUENCE ? static_cast<CSequencedPlayable*>(p) : nullptr;
}

bool CMC_Sequence::done(bool final)
{
    if (final && sequence) {
        delete sequence;
        sequence = nullptr;
    }
    return CMC_Object::done(final);
}

CXString** CMC_Sequence::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", nullptr};
    return makeEventList(names);
}

void CMC_Sequence::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << fileName;
        return;
    }
    CXString stored;
    *archive >> &stored;
    if (!archive->LastError())
        fileName = stored;
}

// Exactly one form: the plain one for the whole sequence, the caret form
// for an element.
void CMC_Sequence::raise(int index, const char* event, CPlayable* element)
{
    if (!isEventBound(index))
        return;
    CXString name(event);
    if (element) {
        CXString upper = element->getName();
        name += "^";
        name += upper.Upper();
    }
    onSignal(name);
}

bool CMC_Sequence::onPlayableStarted(CPlayable* p)
{
    if (p)
        raise(EVENT_ONSTARTED, "ONSTARTED", p->isParent() ? nullptr : p);
    return false;
}

bool CMC_Sequence::onPlayableFinished(CPlayable* p)
{
    if (p)
        raise(EVENT_ONFINISHED, "ONFINISHED", p == sequence ? nullptr : p);
    return false;
}

// Registration

namespace {

CMC_Object* makeSequence(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Sequence(c, e); }
CMC_Object* restoreSequence(CMC_Scene* scene) { return new CMC_Sequence(scene); }
CPlayable* playableOf(CMC_Object* o) { return static_cast<CMC_Sequence*>(o)->getSequence(); }

const CMC_PlayState sequencePlayState = {
    [](CMC_Object* o) { return playableOf(o) && playableOf(o)->isPlaying(); },
    [](CMC_Object* o) { return playableOf(o) && playableOf(o)->isPaused(); },
    [](CMC_Object* o) {
        if (CPlayable* p = playableOf(o))
            p->resume();
    }};

CMC_RegisterType typeRegistration("SEQUENCE", 6, &makeSequence);
CMC_RegisterSnapshotType snapshotRegistration(MC_SEQUENCE, &restoreSequence);
CMC_RegisterRunner<CMC_Sequence_Runner> runnerRegistration({MC_SEQUENCE});

struct Registration {
    Registration() { CMC_Scene::setPlayState(MC_SEQUENCE, &sequencePlayState); }
} registration;

} // namespace
