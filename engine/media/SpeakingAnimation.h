#pragma once
#include "media/AnimoEventPlayable.h"

class CSound4;

// A character that talks: while its sound (a spoken line) plays, it keeps
// playing talking events of its animation chosen at random, one after the
// other; when the sound ends it stops the animation, through an end event
// when asked ("ENDING"), and reports finished. It may open with a start
// event ("STARTING"), after which the sound begins.
//
// The talking events are those named with the prefix, "_" and a suffix
// other than "START", "END" and "STOP"; without a prefix, those whose
// names begin with a digit. The start, end and stop events are the prefix,
// "_" and "START", "END" or "STOP" (without a prefix just those words).
//
// The animation is a scene's script animation object's, or one shared
// through the resources manager; the sound a scene's script sound
// object's, another element's, or one shared through the resources
// manager (one made without a manager is the talking animation's own).
// Main thread only.
class CSpeakingAnimation : public CAnimationElement {
public:
    enum { TYPE_SPEAKING = 5 };

    CSpeakingAnimation(CWindow* window, CResourcesManager* resources);
    // Stops listening to the sound and gives back the sound it took.
    ~CSpeakingAnimation() override;

    // The animation: the current scene's animation object of that name,
    // else the one shared under that file name (made and registered when
    // there is none), put on the screen unless the file is "PIXEL.ANN"
    // (which times the talk without a picture). Unset without either.
    void setAnimation(const CXString& file);
    // The sound: the current scene's sound object of that name, else the
    // sound shared under that file name (made and registered when there is
    // none); the file becomes the talking animation's file name.
    void apply(const CXString& file);
    // That playable is the sound.
    void apply(CPlayable* sound);
    // The current scene's sound object of that name is the sound; false
    // (nothing changes) when the scene has none.
    bool applySceneSound(const CXString& name);
    CPlayable* getSound() { return sound; }
    void setPrefix(const CXString& p) { prefix = p; }
    void setStarting(bool on) { starting = on; }
    void setEnding(bool on) { ending = on; }

    using CPlayable::play;
    // Reports started; without an animation nothing more. Else the start
    // event or at once the sound and the first talking event.
    void play() override;
    // Stops the sound and the animation; with notify, a talking animation
    // that was under way reports finished.
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    // Whether the sound or the animation plays.
    bool isPlaying() override;
    void seek(int) override {}
    // The animation finished an event or the sound ended.
    bool onPlayableFinished(CPlayable* playable) override;
    void move(int dx, int dy) override;
    using CPlayable::move;
    void setPosition(int x, int y) override;
    using CPlayable::setPosition;
    bool isVisible() override;
    void setVisibility(bool on) override;
    void alwaysOnTop() override;

private:
    CXString eventName(const char* kind);
    // The next talking event, or the end phase once the sound has ended.
    void playOnOf();
    bool isTalkingEvent(const CXString& event);
    // The end phase: the end or stop event, or the finish at once.
    void finish();
    void endNow();
    void setSound(CPlayable* playable, CSound4* effect);
    // Stops listening to the sound and gives back what was taken for it.
    void releaseSound();
    bool soundPlays();
    void startSound();

    CPlayable* sound;
    // The sound as a sound effect; null when the sound is another kind of
    // playable.
    CSound4* soundEffect;
    CResourcesManager* resourceManager;
    bool soundStarted;
    bool finishing;
    bool starting;
    bool ending;
    bool soundFromScene;
    CXString prefix;
    // The sound counts a use of the resources manager, or was made here
    // without one.
    bool soundHeld;
    bool soundOwned;
    // Reports of the animation and the sound are not acted on while the
    // talking animation stops them.
    bool stopping;
};
