#pragma once
#include "media/Playable.h"
#include "objects/GraphicObject.h"

#include <vector>

class CAnimo6;

// The script ANIMO (type 2000): one scene animation (CAnimo6) of a file,
// put on the window's screen refresh at a priority, whose starts, steps and
// ends are raised as the events "ONSTARTED", "ONFRAMECHANGED" and
// "ONFINISHED" in their "^" forms, whose collisions are raised when the
// scene watches them, and which can act as a button: hovering plays its
// "ONFOCUSON" and "ONFOCUSOFF" events, a press its "ONCLICK" event.
//
// In a scene the animation of a file is shared through the default unit's
// cache: objects naming one file show one animation, and the last of them
// to let go of it deletes it. Outside a scene, and for a clone (whose
// animation is a copy sharing the source's frames), the object owns its
// animation. Sequences and talking animations that play the animation
// register with addSeq (through CSceneAnimoLink) and are told of every new
// animation, and of none when the object is done; they are not owned.
class CMC_Animo : public CMC_GraphicObject, public CPlayableObserver {
public:
    // Positions in getBehavioursList.
    enum {
        EVENT_ONSTARTED = 3,
        EVENT_ONFINISHED = 4,
        EVENT_ONPAUSED = 5,
        EVENT_ONRESUMED = 6,
        EVENT_ONFRAMECHANGED = 7,
        EVENT_ONCOLLISION = 8,
        EVENT_ONCOLLISIONFINISHED = 9,
        EVENT_ONFOCUSON = 10,
        EVENT_ONFOCUSOFF = 11,
        EVENT_ONCLICK = 12,
        EVENT_ONRELEASE = 13
    };
    enum { DEFAULT_FPS = 15 };

    // From a definition: "FILENAME", "TOCANVAS", "VISIBLE",
    // "FLUSHAFTERPLAYED", "PRELOAD", "MONITORCOLLISION",
    // "MONITORCOLLISIONALPHA", "PRIORITY", "FPS" (absent or 0: 15, below 0:
    // 1), "ASBUTTON" and "ONFIRSTFRAME".
    CMC_Animo(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot and for CREATE: named "temp", no animation until
    // serialize or LOAD gives it one.
    explicit CMC_Animo(CMC_ObjectsContainer* container);
    // A clone over its own animation, which it observes.
    CMC_Animo(CMC_ObjectsContainer* container, CAnimo6* animation);
    // Lets go of an animation done did not release, and of the sequences
    // list.
    ~CMC_Animo() override;

    // A clone over a copy of the animation, on the refresh at the
    // animation's priority (0 when it is not there); null without one.
    CXObject* clone() override;
    using CMC_Object::clone;
    // Detaches the sequences and lets go of the animation.
    bool done(bool final) override;
    CXString** getBehavioursList() override;
    // The record of both graphic types; reading loads the file and puts the
    // animation back on the refresh. The rate, the first-frame flag and
    // whether the file had been read follow in the snapshot's state trailer
    // (serializeState).
    void serialize(CXArchive* archive) override;
    void serializeState(CXArchive* archive);

    CGraphicsObject* getDrawable() override;
    CAnimo6* getAnimo() { return animation; }

    // The parameter of the "^" forms: an event name without a trailing
    // "_REVERSE".
    virtual CXString getSignalEvent(const CXString& name);
    // Shows the animation of that file (nothing when it shows that file
    // already, in any case). In a scene it comes from the cache; the old
    // one goes back there. The new one takes the old one's place on the
    // refresh, its observer and its collision watch.
    virtual void load(const CXString& file, bool preload);

    void setAsButton(bool button, bool cursor);
    void setOnFirstFrame(bool on) { onFirstFrame = on; }
    bool getOnFirstFrame() const { return onFirstFrame; }
    void addSeq(CPlayable* sequence);
    void removeSeq(CPlayable* sequence);

    bool onPlayableStarted(CPlayable*) override;
    bool onPlayableTick(CPlayable*) override;
    bool onPlayableFinished(CPlayable*) override;
    void onCollision(CGraphicsObject* first, CGraphicsObject* second) override;
    void onCollisionFinished(CGraphicsObject* first, CGraphicsObject* second) override;
    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    // The animation is being deleted (by the cache, at its last use).
    void onDestroy(CGraphicsObject* source) override;

private:
    // Takes the animation: its deletion is watched.
    void take(CAnimo6* next, bool fromCache);
    // Stops the collision watch and the observing, then gives the animation
    // back to the cache or deletes it when the object owns it. An animation
    // that may be reporting now (to an ANIMO object, or to others while a
    // script runs) is released when the waiting objects are freed
    // (CMC_Disposal::freeWaiting), after its step: the step goes on with it.
    void letGo();
    // "ONSTARTED^<event>" then "ONSTARTED", and the finished forms, for a
    // report of the playable.
    void raisePlayEvent(CPlayable* reporter, int index, const char* event);
    bool gate();
    bool inHitBox(CXPoint p);
    // Not while the animation plays its "ONCLICK" event.
    bool clicking();
    void onFoncusOn();
    void onFocusOff();
    void onClick();

    CAnimo6* animation;
    // The animation belongs to the scene's cache (else to the object).
    bool cached;
    bool onFirstFrame;
    std::vector<CPlayable*> sequences;
};
