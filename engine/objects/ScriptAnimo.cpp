#include "objects/ScriptAnimo.h"

#include "base/Archive.h"
#include "base/ResourcesManager.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo6.h"
#include "media/AnimoEventPlayable.h"
#include "media/Frame.h"
#include "objects/AnimoRunner.h"
#include "script/BehaviourBase.h"
#include "script/BuiltinRunner.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/Unit6.h"

#include <algorithm>

namespace {

const CMC_GraphicObject::EventSlots animoSlots = {
    CMC_Animo::EVENT_ONCOLLISION, CMC_Animo::EVENT_ONCOLLISIONFINISHED, CMC_Animo::EVENT_ONFOCUSON,
    CMC_Animo::EVENT_ONFOCUSOFF,  CMC_Animo::EVENT_ONCLICK,             CMC_Animo::EVENT_ONRELEASE};

// The animations reporting to ANIMO objects now, the innermost last.
std::vector<CPlayable*> reporting;

struct ReportScope {
    explicit ReportScope(CPlayable* p) { reporting.push_back(p); }
    ~ReportScope() { reporting.pop_back(); }
    ReportScope(const ReportScope&) = delete;
    ReportScope& operator=(const ReportScope&) = delete;
};

bool isReporting(CPlayable* p) { return std::find(reporting.begin(), reporting.end(), p) != reporting.end(); }

CResourcesManager* currentCache()
{
    CUnit6* unit = CUnit6::getDefUnit();
    return unit ? unit->getResourcesManager() : nullptr;
}

// A cached animation goes back to the cache (which deletes it at its last
// use); an owned one leaves the screen and is deleted.
void release(CAnimo6* animation, bool cached)
{
    if (cached) {
        CResourcesManager* cache = currentCache();
        if (cache && cache->contains(animation))
            cache->remove(animation);
        return;
    }
    animation->Visible(false);
    if (CWindow* w = animation->GetWindow())
        if (CRefreshScreen* screen = w->GetRefreshScreenInterface())
            *screen >> animation;
    delete animation;
}

// An animation let go of while it reports, released when the waiting objects are freed
// (CMC_Disposal); forgotten when something else deletes it first.
class CAnimoRelease : public CMC_Object, public CInvalidateObserver {
public:
    CAnimoRelease(CAnimo6* a, bool c) : CMC_Object(CXString(), MC_PLACEHOLDER), animation(a), cached(c)
    {
        animation->addInvalidateObserver(this);
    }
    ~CAnimoRelease() override
    {
        if (!animation)
            return;
        animation->removeInvalidateObserver(this);
        release(animation, cached);
    }
    CAnimoRelease(const CAnimoRelease&) = delete;
    CAnimoRelease& operator=(const CAnimoRelease&) = delete;
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override
    {
        if (source == animation)
            animation = nullptr;
    }

private:
    CAnimo6* animation;
    bool cached;
};

CXString upper(CXString text)
{
    text.Upper();
    return text;
}

} // namespace

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicObject(container, element, MC_ANIMO, animoSlots), animation(nullptr), cached(false),
      onFirstFrame(false)
{
    const Definition d = readDefinition(element);
    const int fps = element ? element->getPropertyIntValue(CXString("FPS")) : 0;
    load(d.file, d.readNow);
    animation->toRelease(d.flushAfterPlayed);
    if (monitorCollision || monitorCollisionAlpha)
        monitorCollisions(monitorCollisionAlpha);
    if (d.toCanvas)
        putOnRefresh(animation, priority);
    animation->setVisibility(d.visible);
    // After the file was read, so that the key wins over the file's rate.
    animation->SetFPS(fps == 0 ? int(DEFAULT_FPS) : fps);
    animation->addNotifier(this);
    if (element) {
        asButton = element->getPropertyBoolValue(CXString("ASBUTTON"));
        onFirstFrame = element->getPropertyBoolValue(CXString("ONFIRSTFRAME"));
    }
    initializeBehaviours(container, element);
}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container)
    : CMC_GraphicObject(container, CXString("temp"), MC_ANIMO, animoSlots), animation(nullptr), cached(false),
      onFirstFrame(false)
{
}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container, CAnimo6* a)
    : CMC_GraphicObject(container, CXString("clone"), MC_ANIMO, animoSlots), animation(nullptr), cached(false),
      onFirstFrame(false)
{
    if (a) {
        take(a, false);
        animation->setNotifier(this);
    }
}

CMC_Animo::~CMC_Animo() { letGo(); }

void CMC_Animo::take(CAnimo6* next, bool fromCache)
{
    animation = next;
    cached = fromCache;
    animation->addInvalidateObserver(this);
}

void CMC_Animo::onDestroy(CGraphicsObject* source)
{
    if (animation && source == static_cast<CGraphicsObject*>(animation)) {
        animation = nullptr;
        cached = false;
    }
}

void CMC_Animo::letGo()
{
    CAnimo6* old = animation;
    if (!old)
        return;
    removeCollisionsMonitoring();
    old->removeNotifier(this);
    old->removeInvalidateObserver(this);
    animation = nullptr;
    const bool wasCached = cached;
    cached = false;
    // The animation may be under the running script: reporting its step to
    // this object, or to others that listen to it (a sequence's element
    // telling of its end), or its collision or click being told. Only the
    // first is known here, so while any script runs it is freed once the
    // frame's script is over (CMC_Disposal); it leaves the screen now.
    const bool busy = isReporting(old) || CMC_BehaviourBase::isScriptRunning();
    if (!busy) {
        release(old, wasCached);
        return;
    }
    if (!wasCached) {
        old->Visible(false);
        if (CRefreshScreen* screen = refresh())
            *screen >> old;
    }
    CMC_Disposal::deferFree(new CAnimoRelease(old, wasCached));
}

CXObject* CMC_Animo::clone()
{
    if (!animation)
        return nullptr;
    CAnimo6* copy = static_cast<CAnimo6*>(animation->clone());
    const int at = refreshPriority(animation);
    putOnRefresh(copy, at > -1 ? at : 0);
    CMC_Animo* made = new CMC_Animo(scene, copy);
    // What a definition gave the original; the clone listens at priority 0.
    made->asButton = asButton;
    made->onFirstFrame = onFirstFrame;
    made->preload = preload;
    return made;
}

// Told of no animation, the sequences forget the object and no longer
// list themselves with it.
bool CMC_Animo::done(bool final)
{
    std::vector<CPlayable*> told;
    told.swap(sequences);
    for (CPlayable* s : told)
        s->substAnimation(nullptr);
    letGo();
    return CMC_Object::done(final);
}

CXString** CMC_Animo::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",         "ONDONE",         "ONSIGNAL",       "ONSTARTED",
                                        "ONFINISHED",     "ONPAUSED",       "ONRESUMED",      "ONFRAMECHANGED",
                                        "ONCOLLISION",    "ONCOLLISIONFINISHED", "ONFOCUSON", "ONFOCUSOFF",
                                        "ONCLICK",        "ONRELEASE",      nullptr};
    return makeEventList(names);
}

void CMC_Animo::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    Record r;
    if (archive->isStoring()) {
        CRefreshScreen* screen = refresh();
        // The name the animation was loaded or named with, also when it
        // has not been read yet.
        r.file = animation ? animation->getFileName() : CXString();
        r.onRefresh = animation && screen && screen->getIndex(animation) >= 0;
        r.visible = animation && animation->IsVisible();
        r.releaseAfterUse = animation && animation->releaseAfterUse();
        serializeRecord(archive, &r);
        return;
    }
    serializeRecord(archive, &r);
    if (archive->LastError())
        return;
    load(r.file, preload);
    animation->toRelease(r.releaseAfterUse);
    animation->Visible(r.visible);
    if (monitorCollision || monitorCollisionAlpha)
        monitorCollisions(monitorCollisionAlpha);
    if (r.onRefresh)
        putOnRefresh(animation, priority);
}

// The record keeps only the bool value of "PRELOAD", so a file that was
// read because the key was absent would not be read again; the trailer
// says whether it had been read, with the rate and the first-frame flag.
void CMC_Animo::serializeState(CXArchive* archive)
{
    if (archive->isStoring()) {
        *archive << (animation ? animation->GetFPS() : int(DEFAULT_FPS)) << onFirstFrame
                 << (animation && animation->isLoaded());
        return;
    }
    int fps = DEFAULT_FPS;
    bool first = false, loaded = false;
    *archive >> &fps;
    *archive >> &first;
    *archive >> &loaded;
    if (archive->LastError())
        return;
    onFirstFrame = first;
    if (!animation)
        return;
    if (loaded && !animation->isLoaded() && animation->getFileName().IsString()) {
        // Reading shows the animation; the record's visibility stays.
        const bool visible = animation->IsVisible();
        animation->Load(animation->getFileName());
        animation->Visible(visible);
    }
    animation->SetFPS(fps);
}

CGraphicsObject* CMC_Animo::getDrawable() { return animation; }

CXString CMC_Animo::getSignalEvent(const CXString& name)
{
    static const CXString reverse("_REVERSE");
    return name.endsWith(reverse) ? name.Left(name.getLength() - reverse.getLength()) : name;
}

// The new animation is made before the old one goes: the sequences that
// play the old one are told first, as they stop listening to it.
void CMC_Animo::load(const CXString& file, bool readNow)
{
    if (animation && animation->getFileName().equalsIgnoreCase(file))
        return;
    CResourcesManager* cache = sceneCache();
    const int oldPriority = refreshPriority(animation);
    CAnimo6* next = cache && file.IsString() ? CAnimo6::fromResources(cache, window, file, readNow) : nullptr;
    if (!next) {
        next = new CAnimo6(window);
        next->setFilename(file);
        if (readNow)
            next->Load(file);
        if (cache)
            cache->add(next);
    }
    for (CPlayable* s : sequences)
        s->substAnimation(next);
    letGo();
    take(next, cache != nullptr);
    if (oldPriority > -1) {
        putOnRefresh(animation, oldPriority);
        animation->setNotifier(this);
        if (monitorCollision || monitorCollisionAlpha)
            monitorCollisions(monitorCollisionAlpha);
        animation->setMonitorCollisions(monitorCollision || monitorCollisionAlpha);
    }
}

void CMC_Animo::setAsButton(bool button, bool cursor)
{
    asButton = button;
    changeCursor = cursor;
    if (animation)
        animation->Play(CXString("ONNOEVENT"), 0, DEFAULT_FPS);
    hovered = false;
}

void CMC_Animo::addSeq(CPlayable* sequence)
{
    if (sequence && std::find(sequences.begin(), sequences.end(), sequence) == sequences.end())
        sequences.push_back(sequence);
}

void CMC_Animo::removeSeq(CPlayable* sequence)
{
    sequences.erase(std::remove(sequences.begin(), sequences.end(), sequence), sequences.end());
}

// Playable reports

void CMC_Animo::raisePlayEvent(CPlayable* reporter, int index, const char* event)
{
    if (!isEventBound(index) || !animation)
        return;
    ReportScope scope(reporter);
    raiseForms(CXString(event), getSignalEvent(upper(animation->getCurrentEventName())));
}

bool CMC_Animo::onPlayableStarted(CPlayable* p)
{
    raisePlayEvent(p, EVENT_ONSTARTED, "ONSTARTED");
    return false;
}

bool CMC_Animo::onPlayableFinished(CPlayable* p)
{
    raisePlayEvent(p, EVENT_ONFINISHED, "ONFINISHED");
    return false;
}

bool CMC_Animo::onPlayableTick(CPlayable* p)
{
    if (!isEventBound(EVENT_ONFRAMECHANGED) || !animation)
        return false;
    ReportScope scope(p);
    const CXString event = getSignalEvent(upper(animation->getCurrentEventName()));
    _anmFrameInfo3* info = animation->GetFrameInfo(animation->GetCurrentEvent(), animation->GetCurrentFrameInSequence());
    const CXString first = info && info->frameName
                               ? CXString("ONFRAMECHANGED^") + upper(*info->frameName)
                               : CXString("ONFRAMECHANGEDFRAME^") + CXString::toString(animation->Current());
    if (!onSignal(first))
        raiseForms(CXString("ONFRAMECHANGED"), event);
    return false;
}

// Collisions

void CMC_Animo::onCollision(CGraphicsObject* first, CGraphicsObject* second)
{
    if (!animation || !isEventBound(EVENT_ONCOLLISION))
        return;
    const CXString event = getSignalEvent(upper(animation->getCurrentEventName()));
    raiseCollision(false, first, second, &event);
}

void CMC_Animo::onCollisionFinished(CGraphicsObject* first, CGraphicsObject* second)
{
    if (!animation || !isEventBound(EVENT_ONCOLLISIONFINISHED))
        return;
    const CXString event = getSignalEvent(upper(animation->getCurrentEventName()));
    raiseCollision(true, first, second, &event);
}

// The mouse

bool CMC_Animo::gate() { return asButton && !CWindow::isPaused() && animation && animation->isVisible(); }

bool CMC_Animo::inHitBox(CXPoint p)
{
    if (!animation)
        return false;
    if (!onFirstFrame)
        return animation->GetBoundingBox().IsInRect(p);
    // A frame stands relative to the animation's origin.
    CFrame* first = animation->GetFrame(0);
    return first && (first->GetBoundingBox() + animation->getGlobalOrigin()).IsInRect(p);
}

bool CMC_Animo::clicking() { return animation && animation->isPlaying("ONCLICK"); }

void CMC_Animo::onFoncusOn()
{
    if (asButton && animation && !clicking())
        animation->Play(CXString("ONFOCUSON"), 0, DEFAULT_FPS);
    showActiveCursor();
}

void CMC_Animo::onFocusOff()
{
    if (animation && !clicking())
        animation->Play(CXString("ONFOCUSOFF"), 0, DEFAULT_FPS);
    showMainCursor();
}

void CMC_Animo::onClick()
{
    if (animation && !clicking())
        animation->Play(CXString("ONCLICK"), 0, DEFAULT_FPS);
    showMainCursor();
}

bool CMC_Animo::onMouseMove(CXPoint p)
{
    if (!gate())
        return false;
    const bool focusBehaviours =
        listening && (isEventBound(EVENT_ONFOCUSON) || isEventBound(EVENT_ONFOCUSOFF));
    const bool inside = inHitBox(p);
    if (!hovered && inside) {
        hovered = true;
        onFoncusOn();
        if (focusBehaviours)
            onSignal(CXString("ONFOCUSON"));
    } else if (hovered && !inside) {
        hovered = false;
        onFocusOff();
        if (focusBehaviours)
            onSignal(CXString("ONFOCUSOFF"));
    }
    return false;
}

bool CMC_Animo::onClick(int button, CXPoint p)
{
    if (!listening || !gate() || !inHitBox(p))
        return false;
    onClick();
    if (isEventBound(EVENT_ONCLICK))
        raiseForms(CXString("ONCLICK"), buttonName(button));
    return true;
}

bool CMC_Animo::onRelease(int button, CXPoint p)
{
    if (listening && gate() && isEventBound(EVENT_ONRELEASE) && inHitBox(p))
        raiseForms(CXString("ONRELEASE"), buttonName(button));
    return false;
}

// Registration

namespace {

CMC_Object* makeAnimo(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Animo(c, e); }
CMC_Object* restoreAnimo(CMC_Scene* scene) { return new CMC_Animo(scene); }
CMC_Object* createAnimo(CMC_ObjectsContainer* c) { return new CMC_Animo(c); }
void animoState(CMC_Object* o, CXArchive* archive) { static_cast<CMC_Animo*>(o)->serializeState(archive); }

// The drawable of "NAME" is the animation itself (the animation manager
// compares it with the playables it steps); of "NAME!FRAME" the frame of
// that name.
CGraphicsObject* animoDrawable(CMC_Object* o, const CXString& frame)
{
    CAnimo6* a = static_cast<CMC_Animo*>(o)->getAnimo();
    if (!a || !frame.IsString())
        return a;
    return a->getFrame(frame);
}

CAnimo6* animationOf(CMC_Object* o) { return static_cast<CMC_Animo*>(o)->getAnimo(); }
CMC_Animo* animoOf(CMC_Object* o) { return o && o->getType() == MC_ANIMO ? static_cast<CMC_Animo*>(o) : nullptr; }
const CMC_PlayState animoPlayState = {
    [](CMC_Object* o) { return animationOf(o) && animationOf(o)->isPlaying(); },
    [](CMC_Object* o) { return animationOf(o) && (animationOf(o)->getStatus() & CPlayable::STATUS_PAUSED) != 0; },
    [](CMC_Object* o) {
        if (CAnimo6* a = animationOf(o))
            a->resume();
    }};

CMC_RegisterType typeRegistration("ANIMO", 5, &makeAnimo);
CMC_RegisterSnapshotType snapshotRegistration(MC_ANIMO, &restoreAnimo, &animoState);
CMC_RegisterRunner<CMC_Animo_Runner> runnerRegistration({MC_ANIMO});

struct Registration {
    Registration()
    {
        CMC_ObjectsContainer::setDrawableAccessor(MC_ANIMO, &animoDrawable);
        CMC_Scene::setPlayState(MC_ANIMO, &animoPlayState);
        CMC_Builtin_Runner::setCreator("ANIMO", &createAnimo);
        CSceneAnimoLink::install([](CMC_Object* o) -> CAnimo* { return animoOf(o) ? animoOf(o)->getAnimo() : nullptr; },
                                 [](CMC_Object* o, CPlayable* p) {
                                     if (CMC_Animo* a = animoOf(o))
                                         a->addSeq(p);
                                 },
                                 [](CMC_Object* o, CPlayable* p) {
                                     if (CMC_Animo* a = animoOf(o))
                                         a->removeSeq(p);
                                 });
    }
} registration;

} // namespace
