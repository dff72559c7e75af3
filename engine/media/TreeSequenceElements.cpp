#include "media/TreeSequenceElements.h"

#include "base/Path.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo6.h"
#include "media/AnimoEventPlayable.h"
#include "media/SequencedPlayable.h"
#include "media/Sound4.h"
#include "media/SpeakingAnimation.h"
#include "script/Application.h"

namespace {
const int PRIORITY = 1000;

CApplication* applicationOf(CWindow* window) { return window ? window->GetApplicationInterface() : nullptr; }

// The event named so, else the number the text spells (0 for none).
int eventIndex(CAnimo* animation, const CXString& event)
{
    const int index = animation->resolveEventName(event);
    return index >= 0 ? index : event.toNumber();
}
} // namespace

CTreeSequenceElements::CTreeSequenceElements(CWindow* w, CResourcesManager* resources)
    : window(w), resourceManager(resources), entries(new CXArray(101, 0.75f))
{
    // Animations and sounds made here belong to a manager, which frees
    // them; the caller's, else the application's.
    if (!resourceManager)
        if (CApplication* app = applicationOf(window))
            resourceManager = app->getGeneralResourcesManager();
}

CTreeSequenceElements::~CTreeSequenceElements()
{
    for (int i = 0; i < entries->getSize(); ++i)
        delete at(i);
    delete entries;
}

void CTreeSequenceElements::add(const CXString& name) { entries->add(new _tse_entry(name)); }

_tse_entry* CTreeSequenceElements::find(const CXString& name)
{
    for (int i = 0; i < entries->getSize(); ++i)
        if (at(i)->name == name)
            return at(i);
    return nullptr;
}

CPlayable* CTreeSequenceElements::playableOf(const CXString& name)
{
    _tse_entry* e = find(name);
    return e ? e->playable : nullptr;
}

CSpeakingAnimation* CTreeSequenceElements::speakingOf(const CXString& name)
{
    _tse_entry* e = find(name);
    return e && e->playable && e->type == _tse_entry::KIND_SPEAKING ? static_cast<CSpeakingAnimation*>(e->playable)
                                                                     : nullptr;
}

void CTreeSequenceElements::setType(const CXString& name, const CXString& kind)
{
    _tse_entry* e = find(name);
    if (!e)
        return;
    if (kind == "SIMPLE")
        e->type = _tse_entry::KIND_SIMPLE;
    else if (kind == "SEQUENCE")
        e->type = _tse_entry::KIND_SEQUENCE;
    else if (kind == "SPEAKING")
        e->type = _tse_entry::KIND_SPEAKING;
}

void CTreeSequenceElements::setFileName(const CXString& name, const CXString& file)
{
    if (_tse_entry* e = find(name))
        e->fileName = file;
}

void CTreeSequenceElements::setEvent(const CXString& name, const CXString& event)
{
    if (_tse_entry* e = find(name))
        e->event = event;
}

void CTreeSequenceElements::create(_tse_entry* entry, CPlayableObserver* observer)
{
    if (!entry)
        return;
    switch (entry->type) {
    case _tse_entry::KIND_SIMPLE: createSimple(entry); break;
    case _tse_entry::KIND_SEQUENCE: entry->playable = new CSequencedPlayable(window); break;
    case _tse_entry::KIND_SPEAKING: entry->playable = new CSpeakingAnimation(window, resourceManager); break;
    default: break;
    }
    if (entry->playable)
        entry->playable->setGenericNotifier(observer);
}

void CTreeSequenceElements::create(CPlayableObserver* observer)
{
    for (int i = 0; i < entries->getSize(); ++i)
        create(at(i), observer);
}

// Extensions are compared as written: "x.ann" names neither kind.
void CTreeSequenceElements::createSimple(_tse_entry* entry)
{
    CMC_Object* object = nullptr;
    if (CAnimo* own = CSceneAnimoLink::sceneAnimation(window, entry->fileName, &object)) {
        CAnimoEventPlayable* p = new CAnimoEventPlayable(window, object);
        p->setEventIndex(eventIndex(own, entry->event));
        entry->playable = p;
        CSceneAnimoLink::addSeq(object, p);
        return;
    }
    const CFileNameResolver resolver(entry->fileName);
    const CXString extension = resolver.getExtension();
    if (extension == "ANN") {
        CAnimo6* shared = CAnimo6::fromResources(resourceManager, window, entry->fileName, true);
        if (!shared)
            return;
        // One already on the screen keeps its place there.
        if (CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr)
            screen->put(shared, PRIORITY);
        CAnimoEventPlayable* p = new CAnimoEventPlayable(window, shared);
        p->setEventIndex(eventIndex(shared, entry->event));
        entry->playable = p;
    } else if (extension == "WAV") {
        CApplication* app = applicationOf(window);
        const CXString path = app ? app->getWAVPath(entry->fileName) : entry->fileName;
        entry->playable = CSound4::fromResources(resourceManager, window, path, true, false);
    }
}

void CTreeSequenceElements::add(const CXString& child, const CXString& parent)
{
    CPlayable* c = playableOf(child);
    CPlayable* p = playableOf(parent);
    if (c && p)
        p->addChild(c);
}

void CTreeSequenceElements::setMode(const CXString& name, const CXString& mode)
{
    CPlayable* p = playableOf(name);
    if (!p)
        return;
    if (mode == "SEQUENCE")
        p->setMode(CPlayable::MODE_SEQUENCE);
    else if (mode == "RANDOM")
        p->setMode(CPlayable::MODE_RANDOM);
    else if (mode == "PARAMETER")
        p->setMode(CPlayable::MODE_PARAMETER);
}

void CTreeSequenceElements::setWaitMode(const CXString& name, bool wait)
{
    if (CPlayable* p = playableOf(name))
        p->setWaitMode(wait);
}

void CTreeSequenceElements::addSequenceEvent(const CXString& name, const CXString& parameter, const CXString& event)
{
    if (CPlayable* p = playableOf(name))
        p->addEvent(event, parameter);
}

void CTreeSequenceElements::show(const CXString& name)
{
    _tse_entry* e = find(name);
    if (e && e->playable && (e->type == _tse_entry::KIND_SIMPLE || e->type == _tse_entry::KIND_SPEAKING))
        e->playable->show();
}

void CTreeSequenceElements::hide(const CXString& name)
{
    _tse_entry* e = find(name);
    if (e && e->playable && (e->type == _tse_entry::KIND_SIMPLE || e->type == _tse_entry::KIND_SPEAKING))
        e->playable->hide();
}

void CTreeSequenceElements::setAnimoFN(const CXString& name, const CXString& file)
{
    if (CSpeakingAnimation* s = speakingOf(name))
        s->setAnimation(file);
}

// An element of the file that is not a sound is not taken: a talking
// animation plays its sound as a sound effect, and another element as its
// sound could hold the talking animation itself.
void CTreeSequenceElements::setWAVFN(const CXString& name, const CXString& value)
{
    CSpeakingAnimation* s = speakingOf(name);
    if (!s)
        return;
    if (_tse_entry* other = find(value)) {
        CPlayable* p = other->playable;
        if (p && p->getType() == CSound4::TYPE_SOUND)
            s->apply(p);
        return;
    }
    if (s->applySceneSound(value))
        return;
    CApplication* app = applicationOf(window);
    s->apply(app ? app->getWAVPath(value) : value);
}

void CTreeSequenceElements::setPrefix(const CXString& name, const CXString& prefix)
{
    if (CSpeakingAnimation* s = speakingOf(name))
        s->setPrefix(prefix);
}

void CTreeSequenceElements::setStarting(const CXString& name, bool on)
{
    if (CSpeakingAnimation* s = speakingOf(name))
        s->setStarting(on);
}

void CTreeSequenceElements::setEnding(const CXString& name, bool on)
{
    if (CSpeakingAnimation* s = speakingOf(name))
        s->setEnding(on);
}
