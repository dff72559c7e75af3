#include "media/SpeakingAnimation.h"

#include "base/XRandom.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo.h"
#include "media/Animo6.h"
#include "media/AnimoEventPlayable.h"
#include "media/Sound4.h"
#include "script/Scene.h"

namespace {
// Draws of a talking event before one is played whatever it is.
const int TALKING_DRAWS = 10000;
const int PRIORITY = 1000;
} // namespace

CSpeakingAnimation::CSpeakingAnimation(CWindow* w, CResourcesManager* resources)
    : CAnimationElement(w, nullptr, nullptr), sound(nullptr), soundEffect(nullptr), resourceManager(resources),
      soundStarted(false), finishing(false), starting(false), ending(false), soundFromScene(false), soundHeld(false),
      soundOwned(false), stopping(false)
{
    type = TYPE_SPEAKING;
}

CSpeakingAnimation::~CSpeakingAnimation() { releaseSound(); }

// The animation taken before is not given back: the resources manager or
// the scene object keeps it. A scene object listing this talking animation
// must not steer it any more.
void CSpeakingAnimation::setAnimation(const CXString& file)
{
    leaveAnimation();
    CMC_Object* object = nullptr;
    if (CAnimo* found = CSceneAnimoLink::sceneAnimation(window, file, &object)) {
        animation = found;
        scriptAnimation = object;
        CSceneAnimoLink::addSeq(object, this);
        return;
    }
    if (!resourceManager)
        return;
    CAnimo6* shared = CAnimo6::fromResources(resourceManager, window, file, true);
    if (!shared)
        return;
    animation = shared;
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    if (screen && !file.equalsIgnoreCase(CXString("PIXEL.ANN")))
        screen->put(shared, PRIORITY);
}

void CSpeakingAnimation::setSound(CPlayable* playable, CSound4* effect)
{
    releaseSound();
    sound = playable;
    soundEffect = effect;
}

void CSpeakingAnimation::releaseSound()
{
    if (!sound)
        return;
    CPlayable* old = sound;
    sound = nullptr;
    soundEffect = nullptr;
    old->removeNotifier(this);
    if (soundHeld && resourceManager)
        resourceManager->remove(old);
    else if (soundOwned)
        delete old;
    soundHeld = soundOwned = soundFromScene = false;
}

bool CSpeakingAnimation::applySceneSound(const CXString& name)
{
    CMC_Scene* scene = CSceneAnimoLink::currentScene(window);
    CSound4* own = scene && name.IsString() ? scene->getSound(name) : nullptr;
    if (!own)
        return false;
    setSound(own, own);
    soundFromScene = true;
    return true;
}

void CSpeakingAnimation::apply(const CXString& file)
{
    setFilename(file);
    if (applySceneSound(file))
        return;
    if (resourceManager) {
        CSound4* shared = CSound4::fromResources(resourceManager, window, file, true, false);
        setSound(shared, shared);
        soundHeld = shared != nullptr;
    } else {
        CSound4* made = new CSound4(window, file, true, false);
        setSound(made, made);
        soundOwned = true;
    }
}

// Only a sound effect (kind 1) is loaded, flushed and asked whether its
// buffer sounds; another playable is played, stopped and asked as a
// playable.
void CSpeakingAnimation::apply(CPlayable* playable)
{
    if (playable == this)
        return;
    setSound(playable,
             playable && playable->getType() == CSound4::TYPE_SOUND ? static_cast<CSound4*>(playable) : nullptr);
}

CXString CSpeakingAnimation::eventName(const char* kind)
{
    return prefix.IsString() ? prefix + "_" + kind : CXString(kind);
}

bool CSpeakingAnimation::soundPlays()
{
    if (soundEffect)
        return soundEffect->IsPlaying();
    return sound && sound->isPlaying();
}

void CSpeakingAnimation::startSound()
{
    soundStarted = true;
    if (sound)
        sound->play();
}

void CSpeakingAnimation::play()
{
    notify(NOTIFY_STARTED);
    soundStarted = false;
    finishing = false;
    if (sound)
        sound->addNotifier(this);
    if (!animation)
        return;
    status |= STATUS_PLAYING;
    listen(true);
    if (soundEffect)
        soundEffect->load();
    if (sound) {
        sound->setVolume(volume);
        sound->setPanning(panning);
        if (frequency > 0)
            sound->setFrequency(frequency);
    }
    if (starting) {
        animation->Play(eventName("START"), 0, 15);
        if (animation->IsPlaying())
            return;
        if (sound)
            sound->addNotifier(this);
    } else if (sound) {
        sound->setNotifier(this);
    }
    startSound();
    playOnOf();
}

bool CSpeakingAnimation::isTalkingEvent(const CXString& event)
{
    if (!prefix.IsString())
        return event.IsString() && event.GetAt(0) >= '0' && event.GetAt(0) <= '9';
    const int n = prefix.getLength() + 1;
    if (event.getLength() < n || !(event.Left(n) == prefix + "_"))
        return false;
    const CXString rest = event.Right(n);
    return !(rest == "START") && !(rest == "END") && !(rest == "STOP");
}

// Up to TALKING_DRAWS draws; the last one drawn plays when none was a
// talking event.
void CSpeakingAnimation::playOnOf()
{
    if (!soundPlays()) {
        finish();
        return;
    }
    const int n = animation ? animation->GetNOE() : 0;
    if (n <= 0)
        return;
    int drawn = 0;
    for (int i = 0; i < TALKING_DRAWS; ++i) {
        drawn = CXRandom::rand15() % n;
        if (isTalkingEvent(animation->GetEventName(drawn)))
            break;
    }
    animation->Play(_animoevent(drawn), 0, 15);
}

void CSpeakingAnimation::endNow()
{
    stop(false);
    notify(NOTIFY_FINISHED);
}

// The end or stop event is played only over a talking event that is shown.
void CSpeakingAnimation::finish()
{
    finishing = true;
    const bool shown = animation && animation->IsPlaying() && animation->IsVisible();
    if (shown)
        animation->stop(false);
    if (shown && ending) {
        animation->Play(eventName("END"), 0, 15);
        if (!animation->IsPlaying())
            animation->Play(eventName("STOP"), 0, 15);
        if (animation->IsPlaying())
            return;
    }
    endNow();
}

// After the start event the sound starts and the talking events follow,
// as they do when there is no start event.
bool CSpeakingAnimation::onPlayableFinished(CPlayable* playable)
{
    if (stopping || !playable)
        return false;
    if (animation && playable == static_cast<CPlayable*>(animation)) {
        if (finishing) {
            endNow();
            return false;
        }
        if (!soundStarted)
            startSound();
        playOnOf();
    } else if (playable == sound && soundStarted && !finishing) {
        finish();
    }
    return false;
}

// The animation's and the sound's reports that stopping them causes are
// not acted on (they would start the sound or the next event); the one
// finished report of the talking animation is made here.
void CSpeakingAnimation::stop(bool withReport)
{
    const bool wasUnderWay = (status & STATUS_PLAYING) != 0;
    const bool wasStarted = soundStarted;
    status &= ~STATUS_PLAYING;
    stopping = true;
    if (sound) {
        if (withReport)
            sound->stop(true);
        else if (soundEffect)
            soundEffect->Stop();
        else
            sound->stop(false);
        if (soundEffect)
            soundEffect->Flush();
    }
    if (animation) {
        if (withReport)
            animation->stop(true);
        else
            animation->Stop();
    }
    // The start event was playing: the sound never started.
    if (!wasStarted && sound)
        sound->stop(false);
    stopping = false;
    listen(false);
    if (sound)
        sound->removeNotifier(this);
    if (withReport && wasUnderWay)
        notify(NOTIFY_FINISHED);
}

void CSpeakingAnimation::pause()
{
    if (sound)
        sound->pause();
    if (animation)
        animation->pause();
}

void CSpeakingAnimation::resume()
{
    if (sound)
        sound->resume();
    if (animation)
        animation->resume();
}

bool CSpeakingAnimation::isPlaying() { return soundPlays() || (animation && animation->isPlaying()); }

void CSpeakingAnimation::move(int dx, int dy)
{
    if (animation)
        static_cast<CPlayable*>(animation)->move(dx, dy);
}

void CSpeakingAnimation::setPosition(int x, int y)
{
    if (!animation)
        return;
    animation->Invalidate();
    animation->setPosition(x, y);
    animation->Invalidate();
}

bool CSpeakingAnimation::isVisible() { return animation && animation->IsVisible(); }

void CSpeakingAnimation::setVisibility(bool on)
{
    if (animation)
        animation->Visible(on);
}

void CSpeakingAnimation::alwaysOnTop()
{
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    if (screen && animation)
        screen->SetFlags(animation, 1);
}
