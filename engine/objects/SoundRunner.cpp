#include "objects/SoundRunner.h"

#include "media/Sound4.h"
#include "objects/AnimoRunner.h"
#include "objects/ScriptSound.h"
#include "script/String.h"
#include "script/Values.h"

void CMC_Sound_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("PLAY", PLAY);
    registerMethod("STOP", STOP);
    registerMethod("PAUSE", PAUSE);
    registerMethod("RESUME", RESUME);
    registerMethod("LOAD", LOAD);
    registerMethod("SETVOLUME", SETVOLUME);
    registerMethod("SETPAN", SETPAN);
    registerMethod("SETFREQ", SETFREQ);
    registerMethod("ISPLAYING", ISPLAYING);
}

// Volume and pan map as those of the animations' sounds.
CMC_Variable* CMC_Sound_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_SOUND)
        return CMC_Runner::run(id, object, container, args);
    CMC_Sound* owner = static_cast<CMC_Sound*>(object);
    CSound4* s = owner->getSound();
    const bool given = getArgCount(args) > 0;
    switch (id) {
    case LOAD: return CMC_Bool::temporary(given && owner->load(getParameterString(args, 0)->getValue()));
    case ISPLAYING: return CMC_Bool::temporary(s && s->isPlaying());
    case PLAY:
    case STOP:
    case PAUSE:
    case RESUME:
    case SETVOLUME:
    case SETPAN:
    case SETFREQ: break;
    default: return CMC_Runner::run(id, object, container, args);
    }
    if (!s)
        return nullptr;
    switch (id) {
    case PLAY: s->play(); break;
    case STOP: s->stop(!given || getParameterBool(args, 0)->getValue()); break;
    case PAUSE: s->pause(); break;
    case RESUME: s->resume(); break;
    case SETVOLUME:
    case SETPAN:
    case SETFREQ:
        if (given)
            CMC_Animo_Runner::setSound(s, CMC_Animo_Runner::SoundSetting(id - SETVOLUME),
                                       getParameterInteger(args, 0)->getValue());
        break;
    default: break;
    }
    return nullptr;
}
