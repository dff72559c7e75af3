#pragma once
#include "media/Playable.h"

class CAnimo;
class CMC_Object;
class CMC_Scene;

// What sequences and talking animations use of the scene they play in: the
// running scene, and its script animation objects (ANIMO): an object's
// engine animation, and the object's list of the playables that play that
// animation. The object tells the listed playables through substAnimation
// when its animation changes (the new one) or goes (null); a listed
// playable takes itself off the list when it is deleted.
//
// The script ANIMO type installs the three object operations; until it
// does, no scene object is taken for an animation.
class CSceneAnimoLink {
public:
    // The object's animation; null for an object that is no animation
    // object or has no animation.
    using GetAnimo = CAnimo* (*)(CMC_Object* object);
    using Listing = void (*)(CMC_Object* object, CPlayable* playable);

    static void install(GetAnimo getAnimo, Listing addSeq, Listing removeSeq);
    static CAnimo* getAnimo(CMC_Object* object);
    static void addSeq(CMC_Object* object, CPlayable* playable);
    static void removeSeq(CMC_Object* object, CPlayable* playable);

    // The scene running in the window's application: its current
    // episode's current scene; null while there is none.
    static CMC_Scene* currentScene(CWindow* window);
    // The named object of the current scene when it is an animation
    // object with an animation: the animation, and the object in *object.
    // Null (and *object null) otherwise.
    static CAnimo* sceneAnimation(CWindow* window, const CXString& name, CMC_Object** object);
};

// A playable that plays an animation it does not own: one shared through
// the resources manager, or a scene's script animation object's, which
// lists it (and tells it through substAnimation when its animation changes
// or goes) until it is deleted. It listens to the animation while it
// plays. Main thread only.
class CAnimationElement : public CPlayable, public CPlayableObserver {
public:
    CAnimationElement(CWindow* window, CAnimo* animation, CMC_Object* scriptAnimation);
    // Leaves the object's list and stops listening to the animation.
    ~CAnimationElement() override;

    CAnimo* getAnimation() { return animation; }
    // The animation plays from now on (null: none, and the object that gave
    // it is forgotten).
    void substAnimation(CAnimo* other) override;

protected:
    void listen(bool on);
    // Stops listening and leaves the object's list; the animation stays.
    void leaveAnimation();

    CAnimo* animation;
    CMC_Object* scriptAnimation;
};

// One event of an animation, played as an element of a sequence: playing
// it plays that event of the animation from its first position, and its
// finish is the animation's. The animation may be shared with other
// elements, files or the scene's script animation object; it is never
// deleted here. Main thread only.
class CAnimoEventPlayable : public CAnimationElement {
public:
    enum { TYPE_ANIMO_EVENT = 6 };

    // Plays events of the animation.
    CAnimoEventPlayable(CWindow* window, CAnimo* animation);
    // Plays events of the script animation object's animation and is
    // listed by the object until it is deleted.
    CAnimoEventPlayable(CWindow* window, CMC_Object* scriptAnimation);

    int setEventIndex(int index)
    {
        eventIndex = index;
        return eventIndex;
    }
    int getEventIndex() { return eventIndex; }

    using CPlayable::play;
    // Reports started, then plays the event from its first position.
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    bool isPlaying() override;
    // Nothing to seek: an element is one event.
    void seek(int) override {}
    void setVisibility(bool on) override;
    // The animation finished: reports finished.
    bool onPlayableFinished(CPlayable* playable) override;

private:
    int eventIndex;
};
