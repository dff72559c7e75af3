#pragma once
#include "script/Runner.h"

class CXArray;

// The methods of scenes (type 1002): music, pausing and resuming what plays,
// methods and behaviours run on objects named at run time (also once per
// clone), objects made and removed at run time, queries into groups and
// arrays, the hot-spot priority window and a clock text. Every method works
// on the scene it is called on, which is also the container its names are
// looked up from. The paused state is one flag for the whole engine.
class CMC_Scene_Runner : public CMC_Runner {
public:
    enum {
        STARTMUSIC = 1,
        STOPMUSIC = 2,
        GETDRAGGEDNAME = 3,
        GETPLAYINGSEQ = 4,
        RUN = 5,
        RUNCLONES = 6,
        CREATEOBJECT = 7,
        REMOVE = 8,
        REMOVECLONES = 9,
        SETMUSICVOLUME = 16,
        GETMUSICVOLUME = 17,
        SETMUSICPAN = 18,
        SETMUSICFREQ = 19,
        PAUSE = 20,
        RESUME = 21,
        SETMINHSPRIORITY = 22,
        SETMAXHSPRIORITY = 23,
        GETELEMENTSNO = 24,
        TOTIME = 25,
        ISPAUSED = 26,
        GETPLAYINGANIMO = 27,
        RESUMEONLY = 28,
        GETMINHSPRIORITY = 29,
        GETMAXHSPRIORITY = 30,
        GETRUNNINGTIMER = 31,
        GETOBJECTS = 32,
        RESUMESEQONLY = 33
    };

    CMC_Scene_Runner() : paused(false) {}

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    bool isPaused() const { return paused; }

    // The music volume for a level of 0 to 800 (800 full, 25 or less
    // silence), in hundredths of a decibel; and back to a level.
    static int volumeOf(int level);
    static int levelOf(int volume);
    // The music pan for 0 to 800 (400 the centre).
    static int panOf(int pan);
    // Minutes and seconds as four digits, "mmss" ("0205" for 125).
    static CXString toTime(int seconds);

    // How an ARRAY object gives its values (RESUMESEQONLY compares their
    // texts); installed by the array type.
    using ArrayValues = CXArray* (*)(CMC_Object* array);
    static void setArrayValues(ArrayValues access);

private:
    CMC_Variable* pause(CMC_ObjectsContainer* scene, CXVector* args);
    CMC_Variable* resume(CMC_ObjectsContainer* scene, CXVector* args, int id);
    CMC_Variable* runClones(CMC_ObjectsContainer* scene, CXVector* args);
    CMC_Variable* removeClones(CMC_ObjectsContainer* scene, CXVector* args);
    CMC_Variable* query(int id, CMC_ObjectsContainer* scene, CXVector* args);
    // Restores the engine timers after RESUME or RESUMEONLY.
    static void resumeTimers(bool on);

    bool paused;
};
