#include "objects/SequenceRunner.h"

#include "collections/Array.h"
#include "media/MultimediaSequenceCreator.h"
#include "media/SequencedPlayable.h"
#include "objects/AnimoRunner.h"
#include "objects/ScriptSequence.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"

void CMC_Sequence_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("PLAY", PLAY);
    registerMethod("STOP", STOP);
    registerMethod("PAUSE", PAUSE);
    registerMethod("RESUME", RESUME);
    registerMethod("SHOW", SHOW);
    registerMethod("HIDE", HIDE);
    registerMethod("ISPLAYING", ISPLAYING);
    registerMethod("SETVOLUME", SETVOLUME);
    registerMethod("SETPAN", SETPAN);
    registerMethod("SETFREQ", SETFREQ);
    registerMethod("GETEVENTNAME", GETEVENTNAME);
    registerMethod("GETPLAYING", GETPLAYING);
}

// Volume and pan map as those of sounds; the sequence gives them to each
// element it starts afterwards.
CMC_Variable* CMC_Sequence_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_SEQUENCE || id < PLAY || id > GETPLAYING)
        return CMC_Runner::run(id, object, container, args);
    CPlayable* s = static_cast<CMC_Sequence*>(object)->getSequence();
    const bool given = getArgCount(args) > 0;
    switch (id) {
    case ISPLAYING: return CMC_Bool::temporary(s && s->isPlaying());
    case GETEVENTNAME: return CMC_String::temporary(s ? eventName(s, args) : CXString());
    case GETPLAYING: {
        CPlayable* playing = s ? s->getPlaying() : nullptr;
        return CMC_String::temporary(playing ? playing->getName() : CXString());
    }
    default: break;
    }
    if (!s)
        return nullptr;
    switch (id) {
    case PLAY: play(s, container, args); break;
    case STOP:
        if (s->isPlaying())
            s->stop(!given || getParameterBool(args, 0)->getValue());
        break;
    case PAUSE: s->pause(); break;
    case RESUME: s->resume(); break;
    case SHOW: s->show(); break;
    case HIDE: s->hide(); break;
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

// With a second argument naming an ARRAY, each 'x' or 'X' of the event's
// stored parameter, from the start and while entries last, becomes the
// character that selects the child of the next entry's index; any other
// second argument is the parameter itself.
void CMC_Sequence_Runner::play(CPlayable* s, CMC_ObjectsContainer* container, CXVector* args)
{
    const int count = getArgCount(args);
    if (count < 1)
        return;
    const CXString event = getParameterString(args, 0)->getValue();
    if (count >= 2) {
        const CXString second = getParameterString(args, 1)->getValue();
        CMC_Object* named = container ? container->getObject(second) : nullptr;
        CXString parameter = second;
        if (named && named->getType() == MC_ARRAY) {
            CMC_Array* indices = static_cast<CMC_Array*>(named);
            const CXString stored = s->getParameter(event);
            CXVector entry;
            parameter = CXString();
            int i = 0;
            for (int next = 0; i < stored.getLength() && i < indices->getSize(); ++i) {
                char c = stored.GetAt(i);
                if (c == 'x' || c == 'X') {
                    entry.removeAll();
                    entry.add(indices->get(next++));
                    c = CMultimediaSequenceCreator::getParameter(getParameterInteger(&entry, 0)->getValue());
                }
                parameter += c;
            }
            parameter += stored.Right(i);
        }
        s->setParameter(event, parameter);
    }
    s->play(event);
}

// With an argument, the element playing now under the named sequence;
// without one, the event the sequence's last PLAY named.
CXString CMC_Sequence_Runner::eventName(CPlayable* s, CXVector* args)
{
    if (getArgCount(args) < 1)
        return s->getLastPlayedEvent();
    if (s->getType() != CSequencedPlayable::TYPE_SEQUENCE)
        return CXString();
    return static_cast<CSequencedPlayable*>(s)->getLastPlayedEvent(getParameterString(args, 0)->getValue());
}
