#include "objects/MovieRunner.h"

#include "media/MoviePlayer.h"
#include "objects/ScriptMovie.h"
#include "script/String.h"
#include "script/Values.h"

namespace {
// Stream time units (100 ns) in a millisecond.
const int64_t UNITS_PER_MS = 10000;
} // namespace

void CMC_Movie_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("LOAD", LOAD);
    registerMethod("SETPOSITION", SETPOSITION);
    registerMethod("PLAY", PLAY);
    registerMethod("STOP", STOP);
    registerMethod("SETLOOP", SETLOOP);
    registerMethod("SEEK", SEEK);
    registerMethod("ISPLAYING", ISPLAYING);
    registerMethod("PAUSE", PAUSE);
    registerMethod("RESUME", RESUME);
}

// Positions reach the player in 64 bits: a movie longer than 214,748 ms
// seeks and loops past that too.
CMC_Variable* CMC_Movie_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_MOVIE)
        return CMC_Runner::run(id, object, container, args);
    CMoviePlayer* p = static_cast<CMC_Movie*>(object)->getPlayer();
    const int argc = getArgCount(args);
    auto integer = [this, args](int i) { return int64_t(getParameterInteger(args, i)->getValue()); };
    switch (id) {
    case LOAD: return CMC_Bool::temporary(argc > 0 && p->load(getParameterString(args, 0)->getValue()));
    case ISPLAYING: return CMC_Bool::temporary(p->isPlaying());
    case SETPOSITION:
        if (argc > 1) {
            p->Invalidate();
            p->SetPosition(int(integer(0)), int(integer(1)));
        }
        return nullptr;
    case PLAY: p->play(); return nullptr;
    case STOP: p->stop(argc < 1 || getParameterBool(args, 0)->getValue()); return nullptr;
    case SETLOOP:
        if (argc > 1)
            p->setLoop(integer(0), integer(1));
        else
            p->setLoop(0, -1);
        return nullptr;
    case SEEK:
        if (argc > 0)
            p->seek(integer(0) * UNITS_PER_MS);
        return nullptr;
    case PAUSE: p->pause(); return nullptr;
    case RESUME: p->resume(); return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}
