#pragma once
#include "media/Playable.h"
#include "script/Object.h"

class CSound4;
class CResourcesManager;
class CWindow;

// The script SOUND (type 2005): one sound effect (CSound4) whose start, end
// and resumption are raised as "ONSTARTED", "ONFINISHED" and "ONRESUMED",
// in their plain forms only and only when a behaviour is bound to them.
//
// In a scene the sound of a file (named in the sound-effects folder) is
// shared through the default unit's resources manager: every SOUND of the
// scenes naming that file, in any letter case, plays one CSound4 and hears
// its reports, and the sound keeps the PRELOAD and FLUSHAFTERPLAYED of the
// object that made it. In any other container the object owns its sound.
// The object lets go of a shared sound at done, of its own when deleted;
// it stops listening to either then.
class CMC_Sound : public CMC_Object, public CPlayableObserver {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONSTARTED = 3, EVENT_ONFINISHED = 4, EVENT_ONRESUMED = 5 };

    // From a definition: "FILENAME", "PRELOAD", "FLUSHAFTERPLAYED".
    CMC_Sound(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot and for CREATE: named "temp", without a sound until
    // serialize or LOAD gives it one.
    explicit CMC_Sound(CMC_ObjectsContainer* container);
    ~CMC_Sound() override;
    CMC_Sound(const CMC_Sound&) = delete;
    CMC_Sound& operator=(const CMC_Sound&) = delete;

    bool done(bool final) override;
    CXString** getBehavioursList() override;
    // The sound's file name (the sound-effects folder included), PRELOAD and
    // FLUSHAFTERPLAYED; reading attaches the sound of that name.
    void serialize(CXArchive* archive) override;

    // Null until the object has a sound.
    CSound4* getSound() { return sound; }
    // LOAD: the sound's data replaced by that file, the name taken as it
    // is; an object without a sound gets one of its own first. True when
    // it loaded.
    bool load(const CXString& file);

    bool onPlayableStarted(CPlayable*) override;
    bool onPlayableFinished(CPlayable*) override;
    bool onPlayableResumed(CPlayable*) override;

private:
    CWindow* window();
    // The default unit's resources manager while the object is in a scene.
    CResourcesManager* sceneCache();
    // Attaches the sound of that name in the sound-effects folder.
    void initSound(const CXString& fileName);
    // Attaches a sound of exactly that name.
    void attach(const CXString& path);
    // Stops listening and gives the sound back: a shared one to the
    // manager, an own one deleted.
    void letGo();
    // The name a snapshot's stored name is read from (see serialize).
    CXString snapshotPath(const CXString& stored);
    void raise(int index, const char* event);

    CSound4* sound;
    bool preload;
    bool flushAfterPlayed;
    // The sound belongs to the resources manager (else to the object).
    bool shared;
};
