#include "media/AnimoEventPlayable.h"

#include "graphics/Window.h"
#include "media/Animo.h"
#include "script/Application.h"
#include "script/ScriptApplication.h"

namespace {
CSceneAnimoLink::GetAnimo animoOf = nullptr;
CSceneAnimoLink::Listing listingAdd = nullptr;
CSceneAnimoLink::Listing listingRemove = nullptr;
} // namespace

void CSceneAnimoLink::install(GetAnimo getAnimo, Listing addSeq, Listing removeSeq)
{
    animoOf = getAnimo;
    listingAdd = addSeq;
    listingRemove = removeSeq;
}

CAnimo* CSceneAnimoLink::getAnimo(CMC_Object* object) { return object && animoOf ? animoOf(object) : nullptr; }

void CSceneAnimoLink::addSeq(CMC_Object* object, CPlayable* playable)
{
    if (object && listingAdd)
        listingAdd(object, playable);
}

void CSceneAnimoLink::removeSeq(CMC_Object* object, CPlayable* playable)
{
    if (object && listingRemove)
        listingRemove(object, playable);
}

CMC_Scene* CSceneAnimoLink::currentScene(CWindow* window)
{
    CApplication* app = window ? window->GetApplicationInterface() : nullptr;
    CMC_Scene* scene = app ? app->getMCApplicationIfc() : nullptr;
    // The application may list its scenes directly or through episodes:
    // the scene is the innermost current one.
    for (int depth = 0; scene && scene->getCurrentScene() && depth < 8; ++depth)
        scene = scene->getCurrentScene();
    return scene && scene->getType() == MC_SCENE ? scene : nullptr;
}

CAnimo* CSceneAnimoLink::sceneAnimation(CWindow* window, const CXString& name, CMC_Object** object)
{
    *object = nullptr;
    CMC_Scene* scene = name.IsString() ? currentScene(window) : nullptr;
    CMC_Object* found = scene ? scene->getObject(name) : nullptr;
    CAnimo* animation = getAnimo(found);
    if (animation)
        *object = found;
    return animation;
}

CAnimationElement::CAnimationElement(CWindow* w, CAnimo* a, CMC_Object* object)
    : CPlayable(w), animation(a), scriptAnimation(object)
{
}

// An animation that outlives this element must not report to it.
CAnimationElement::~CAnimationElement() { leaveAnimation(); }

void CAnimationElement::listen(bool on)
{
    if (!animation)
        return;
    if (on)
        animation->addNotifier(this);
    else
        animation->removeNotifier(this);
}

void CAnimationElement::leaveAnimation()
{
    listen(false);
    CSceneAnimoLink::removeSeq(scriptAnimation, this);
    scriptAnimation = nullptr;
}

// The object that gave the animation lets it go (null): so does this
// element, and it forgets the object, which no longer lists it.
void CAnimationElement::substAnimation(CAnimo* other)
{
    if (other == animation)
        return;
    listen(false);
    animation = other;
    if (!other)
        scriptAnimation = nullptr;
}

CAnimoEventPlayable::CAnimoEventPlayable(CWindow* w, CAnimo* a) : CAnimationElement(w, a, nullptr), eventIndex(0)
{
    type = TYPE_ANIMO_EVENT;
}

CAnimoEventPlayable::CAnimoEventPlayable(CWindow* w, CMC_Object* object)
    : CAnimationElement(w, CSceneAnimoLink::getAnimo(object), object), eventIndex(0)
{
    type = TYPE_ANIMO_EVENT;
}

void CAnimoEventPlayable::play()
{
    notify(NOTIFY_STARTED);
    if (!animation)
        return;
    animation->SetCurrentEvent(eventIndex);
    animation->play();
    listen(true);
}

void CAnimoEventPlayable::stop(bool withReport)
{
    status &= ~STATUS_PLAYING;
    if (!animation)
        return;
    animation->stop(withReport);
    listen(false);
}

void CAnimoEventPlayable::pause()
{
    if (animation)
        animation->pause();
}

void CAnimoEventPlayable::resume()
{
    if (animation)
        animation->resume();
}

bool CAnimoEventPlayable::isPlaying() { return animation && animation->isPlaying(); }

void CAnimoEventPlayable::setVisibility(bool on)
{
    visible = on;
    if (animation)
        animation->setVisibility(on);
}

bool CAnimoEventPlayable::onPlayableFinished(CPlayable* playable)
{
    if (!animation || playable != static_cast<CPlayable*>(animation))
        return false;
    listen(false);
    notify(NOTIFY_FINISHED);
    return false;
}
