#include "objects/AnimoRunner.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo6.h"
#include "media/Frame.h"
#include "objects/ScriptAnimo.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/Unit6.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

const char* const methodNames[] = {
    "SHOW",           "HIDE",         "PAUSE",          "RESUME",           "SETPOSITION",      "MOVE",
    "LOAD",           "CLEARCLIPPING", "SETCLIPPING",   "PLAY",             "SETFRAME",         "STOP",
    "ISPLAYING",      nullptr,        "GETPOSITIONX",   "GETPOSITIONY",     "GETWIDTH",         "GETHEIGHT",
    "GETFRAME",       "GETFRAMENAME", "GETFRAMENO",     "GETEVENTNAME",     "ISNEAR",           "ISINSIDE",
    "PLAYRAND",       "MONITORCOLLISION", "REMOVEMONITORCOLLISION", "SETFORWARD", "SETBACKWARD", "NEXTFRAME",
    "PREVFRAME",      "SETPRIORITY",  "GETALPHA",       "GETPIXEL",         "SETFPS",           "MERGEALPHA",
    "INVALIDATE",     "GETCURRFRAMEPOSX", "GETCURRFRAMEPOSY", "GETCENTERX",  "GETCENTERY",       "GETNOE",
    "GETNOF",         "GETNOFINEVENT", "GETMAXWIDTH",   "GETMAXHEIGHT",     "ISVISIBLE",        "GETCFRAMEINEVENT",
    "SETASBUTTON",    "SETONFF",      "SETOPACITY",     "SETVOLUME",        "SETPAN",           "SETFREQ",
    "SETANCHOR",      "SETFRAMENAME", "GETPRIORITY",    "FLIPH",            "FLIPV",            "RESETFLIPS",
    "DRAWONTO",       "PLAYREVERSE",  "NPLAY",          "ISAT",             "GETOPACITY",       "GETANCHOR",
    "GETEVENTNUMBER", "GETFPS",       "REPLACECOLOR"};
static_assert(sizeof methodNames / sizeof methodNames[0] == CMC_Animo_Runner::REPLACECOLOR, "one name per id");

// What a method answers when the object has no animation: the empty value
// of its kind, or none.
CMC_Variable* emptyResult(int id)
{
    switch (id) {
    case CMC_Animo_Runner::ISPLAYING:
    case CMC_Animo_Runner::ISPAUSED:
    case CMC_Animo_Runner::ISNEAR:
    case CMC_Animo_Runner::ISINSIDE:
    case CMC_Animo_Runner::ISVISIBLE:
    case CMC_Animo_Runner::ISAT: return CMC_Bool::temporary(false);
    case CMC_Animo_Runner::GETFRAMENAME:
    case CMC_Animo_Runner::GETEVENTNAME: return CMC_String::temporary(CXString());
    case CMC_Animo_Runner::GETPOSITIONX:
    case CMC_Animo_Runner::GETPOSITIONY:
    case CMC_Animo_Runner::GETWIDTH:
    case CMC_Animo_Runner::GETHEIGHT:
    case CMC_Animo_Runner::GETFRAME:
    case CMC_Animo_Runner::GETFRAMENO:
    case CMC_Animo_Runner::GETALPHA:
    case CMC_Animo_Runner::GETPIXEL:
    case CMC_Animo_Runner::GETCURRFRAMEPOSX:
    case CMC_Animo_Runner::GETCURRFRAMEPOSY:
    case CMC_Animo_Runner::GETCENTERX:
    case CMC_Animo_Runner::GETCENTERY:
    case CMC_Animo_Runner::GETNOE:
    case CMC_Animo_Runner::GETNOF:
    case CMC_Animo_Runner::GETNOFINEVENT:
    case CMC_Animo_Runner::GETMAXWIDTH:
    case CMC_Animo_Runner::GETMAXHEIGHT:
    case CMC_Animo_Runner::GETCFRAMEINEVENT:
    case CMC_Animo_Runner::GETPRIORITY:
    case CMC_Animo_Runner::GETOPACITY:
    case CMC_Animo_Runner::GETEVENTNUMBER:
    case CMC_Animo_Runner::GETFPS: return CMC_Integer::temporary(0);
    default: return nullptr;
    }
}

// An argument read as it is: an index when it is an INTEGER, else a name.
struct Address {
    bool isIndex = true;
    int index = 0;
    CXString name;
};

CFrame* currentFrame(CAnimo6* a) { return a->GetFrame(a->Current()); }

// The animation's hit tests take the current frame where it stands in the
// animation; scripts give points on the screen.
CXPoint inFramesPlace(CAnimo6* a, int x, int y)
{
    CFrame* f = currentFrame(a);
    if (!f)
        return CXPoint(x, y);
    const CXPoint shown = a->GetPosition(), own = f->GetFramePosition();
    auto in = [](int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); };
    return CXPoint(in(int64_t(x) - shown.x + own.x), in(int64_t(y) - shown.y + own.y));
}

} // namespace

void CMC_Animo_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (int id = SHOW; id <= REPLACECOLOR; ++id)
        if (const char* name = methodNames[id - 1])
            registerMethod(name, id);
}

int CMC_Animo_Runner::volumeOf(int v)
{
    const int64_t d = (int64_t(v) - 800) * 3200 / 800;
    return d <= -3100 ? -10000 : int(std::min<int64_t>(d, INT_MAX));
}

int CMC_Animo_Runner::panOf(int v)
{
    const int64_t d = (int64_t(v) - 400) * 4 / 2;
    return d <= -3100 ? -10000 : d >= 3100 ? 10000 : int(d);
}

void CMC_Animo_Runner::setSound(CPlayable* p, SoundSetting which, int v)
{
    switch (which) {
    case SOUND_VOLUME: p->setVolume(volumeOf(v)); break;
    case SOUND_PAN: p->setPanning(panOf(v)); break;
    case SOUND_FREQUENCY: p->setFrequency(v); break;
    }
}

unsigned char CMC_Animo_Runner::opacityOf(int v) { return (unsigned char)((v % 257) & 0xFF); }

int CMC_Animo_Runner::eventOf(CAnimo6* a, CXVector* args, int index, bool orZero)
{
    CMC_Variable* v = getParameter(args, index);
    if (!v)
        return 0;
    if (v->getType() == MC_INTEGER)
        return static_cast<CMC_Integer*>(v)->getValue();
    const int found = a->GetEventNo(v->toString());
    return found < 0 && orZero ? 0 : found;
}

CMC_Variable* CMC_Animo_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_ANIMO || id < SHOW || id > REPLACECOLOR)
        return CMC_Runner::run(id, object, container, args);
    CMC_Animo* animo = static_cast<CMC_Animo*>(object);
    if (id == LOAD) {
        animo->load(stringArg(args, 0), true);
        return nullptr;
    }
    CAnimo6* a = animo->getAnimo();
    if (!a)
        return emptyResult(id);
    CWindow* window = a->GetWindow();
    const int argc = getArgCount(args);
    switch (id) {
    case SHOW: a->show(); return nullptr;
    case HIDE: a->hide(); return nullptr;
    case PAUSE: a->pause(); return nullptr;
    case RESUME: a->resume(); return nullptr;
    case SETPOSITION: setPosition(a, args); return nullptr;
    case MOVE: a->Move(intArg(args, 0), intArg(args, 1)); return nullptr;
    case CLEARCLIPPING: a->SetClippingRect(CXRect(0, 0, 0, 0)); return nullptr;
    case SETCLIPPING: setClipping(a, object, container, args); return nullptr;
    case STOP: a->stop(argc < 1 || boolArg(args, 0)); return nullptr;
    case ISPAUSED: return CMC_Bool::temporary((a->getStatus() & CPlayable::STATUS_PAUSED) != 0);
    case GETPOSITIONX: return CMC_Integer::temporary(argc == 0 ? a->GetPosition().x : a->getPosition().x);
    case GETPOSITIONY: return CMC_Integer::temporary(argc == 0 ? a->GetPosition().y : a->getPosition().y);
    case GETWIDTH: return CMC_Integer::temporary(a->Width());
    case GETHEIGHT: return CMC_Integer::temporary(a->Height());
    case ISNEAR: return isNear(a, object, container, args);
    case ISINSIDE: {
        const CXPoint p = inFramesPlace(a, intArg(args, 0), intArg(args, 1));
        return CMC_Bool::temporary(a->isInside(p.x, p.y, boolArg(args, 2)));
    }
    case ISAT: return CMC_Bool::temporary(a->isAt(inFramesPlace(a, intArg(args, 0), intArg(args, 1)), boolArg(args, 2)));
    case PLAYRAND:
        // From then on the unit's random playables decide when it plays.
        if (CUnit6* unit = CUnit6::getDefUnit())
            unit->addRandomPlayable(a, double(intArg(args, 1)), intArg(args, 2), stringArg(args, 0));
        return nullptr;
    case MONITORCOLLISION: monitorCollision(animo, a, args); return nullptr;
    case REMOVEMONITORCOLLISION: removeMonitorCollision(animo, a); return nullptr;
    case SETFORWARD: a->SetDirection(CAnimo::DIRECTION_FORWARD); return nullptr;
    case SETBACKWARD: a->SetDirection(CAnimo::DIRECTION_BACKWARD); return nullptr;
    case NEXTFRAME: a->Next(); return nullptr;
    case PREVFRAME: a->Prev(); return nullptr;
    case SETPRIORITY: setPriority(a, window, args); return nullptr;
    case GETPRIORITY: return getPriority(a, window);
    // Through the current frame: a copy sharing it may have packed it
    // since the animation took its pixels.
    case GETALPHA: return alphaAt(currentFrame(a), a->GetPosition(), args);
    case GETPIXEL: return pixelAt(currentFrame(a), a->GetPosition(), args);
    case MERGEALPHA: mergeAlpha(a, currentFrame(a), object, container, args); return nullptr;
    case SETFPS: a->SetFPS(intArg(args, 0)); return nullptr;
    case GETFPS: return CMC_Integer::temporary(a->getFPS());
    case INVALIDATE: a->Invalidate(); return nullptr;
    case GETCURRFRAMEPOSX: return CMC_Integer::temporary(a->getCurrFramePosition().x);
    case GETCURRFRAMEPOSY: return CMC_Integer::temporary(a->getCurrFramePosition().y);
    case GETCENTERX: return center(a, a->GetPosition(), true);
    case GETCENTERY: return center(a, a->GetPosition(), false);
    case GETMAXWIDTH: return CMC_Integer::temporary(a->GetMaxWidth());
    case GETMAXHEIGHT: return CMC_Integer::temporary(a->GetMaxHeight());
    case ISVISIBLE: return CMC_Bool::temporary(a->IsVisible());
    case SETASBUTTON: animo->setAsButton(boolArg(args, 0), boolArg(args, 1)); return nullptr;
    case SETONFF: animo->setOnFirstFrame(argc < 1 || boolArg(args, 0)); return nullptr;
    case SETOPACITY: a->SetOpacity(opacityOf(intArg(args, 0))); return nullptr;
    case GETOPACITY: return CMC_Integer::temporary(a->GetOpacity());
    case SETVOLUME: a->setVolume(volumeOf(intArg(args, 0))); return nullptr;
    case SETPAN: a->setPanning(panOf(intArg(args, 0))); return nullptr;
    case SETFREQ: a->setFrequency(intArg(args, 0)); return nullptr;
    case SETANCHOR: setAnchor(a, a->GetPosition(), args); return nullptr;
    case GETANCHOR: getAnchor(a, object, container, args); return nullptr;
    case FLIPH: a->FlipH(); a->Invalidate(); return nullptr;
    case FLIPV: a->FlipV(); a->Invalidate(); return nullptr;
    case RESETFLIPS: a->resetFlips(); a->Invalidate(); return nullptr;
    case DRAWONTO: drawOnto(a, object, container, args); return nullptr;
    case REPLACECOLOR: {
        short from = 0, to = 0;
        replacedColours(window, args, &from, &to);
        a->replace_color(from, to);
        return nullptr;
    }
    case PLAY:
    case ISPLAYING:
    case PLAYREVERSE:
    case NPLAY: return playing(id, animo, a, args);
    case SETFRAME:
    case GETFRAME:
    case GETFRAMENAME:
    case GETFRAMENO:
    case SETFRAMENAME:
    case GETNOF:
    case GETCFRAMEINEVENT: return frames(id, a, args);
    default: return events(id, a, args);
    }
}

CMC_Variable* CMC_Animo_Runner::playing(int id, CMC_Animo* animo, CAnimo6* a, CXVector* args)
{
    const int argc = getArgCount(args);
    switch (id) {
    case PLAY:
        if (argc < 1) {
            a->play();
            return nullptr;
        }
        // So that the object raises the events of this play.
        a->addNotifier(animo);
        a->Play(stringArg(args, 0), 0, CMC_Animo::DEFAULT_FPS);
        return nullptr;
    case ISPLAYING: {
        if (!a->isPlaying() || argc < 1)
            return CMC_Bool::temporary(a->isPlaying());
        CMC_Variable* v = getParameter(args, 0);
        const CXString name = v && v->getType() == MC_INTEGER ? a->GetEventName(static_cast<CMC_Integer*>(v)->getValue())
                              : v                             ? v->toString()
                                                              : CXString();
        return CMC_Bool::temporary(a->getCurrentEventName().equalsIgnoreCase(name));
    }
    case PLAYREVERSE: {
        CMC_Variable* v = getParameter(args, 0);
        CXString name;
        if (v && v->getType() == MC_INTEGER)
            name = a->GetEventName(static_cast<CMC_Integer*>(v)->getValue());
        else if (v && v->getType() == MC_STRING)
            name = v->toString();
        else
            return nullptr;
        a->playReverse(name, argc >= 2 ? intArg(args, 1) : -1);
        return nullptr;
    }
    default: {
        // An index or a start frame outside the event starts nothing.
        const int event = a->GetEventNo(intArg(args, 0));
        const int start = argc >= 2 ? intArg(args, 1) : -1;
        if (!a->GetEventInfo(event) || start < -1 || start >= a->GetNOFInEvent(event))
            return nullptr;
        a->Play(a->GetEventName(event), start, CMC_Animo::DEFAULT_FPS);
        return nullptr;
    }
    }
}

CMC_Variable* CMC_Animo_Runner::frames(int id, CAnimo6* a, CXVector* args)
{
    const int argc = getArgCount(args);
    switch (id) {
    case SETFRAME: {
        if (argc != 2) {
            a->SetFrame(argc == 0 ? 0 : intArg(args, 0));
            return nullptr;
        }
        const int event = eventOf(a, args, 0, true);
        CMC_Variable* frame = getParameter(args, 1);
        if (frame && frame->getType() != MC_INTEGER)
            a->SetEventFrame(event, frame->toString());
        else
            a->SetEventFrame(event, frame ? static_cast<CMC_Integer*>(frame)->getValue() : 0);
        return nullptr;
    }
    case GETFRAME: return CMC_Integer::temporary(a->Current());
    case GETFRAMENAME:
        if (argc == 0)
            return CMC_String::temporary(a->getFrameName(-1, -1));
        return CMC_String::temporary(a->getFrameName(eventOf(a, args, 0, false), intArg(args, 1)));
    case GETFRAMENO: {
        if (argc == 0)
            return CMC_Integer::temporary(a->Current());
        const int event = eventOf(a, args, 0, false);
        CMC_Variable* frame = getParameter(args, 1);
        if (frame && frame->getType() != MC_INTEGER)
            return CMC_Integer::temporary(a->GetFrameNo(event, frame->toString()));
        return CMC_Integer::temporary(a->GetFrameNo(event, frame ? static_cast<CMC_Integer*>(frame)->getValue() : 0));
    }
    case SETFRAMENAME:
        // A position without a record keeps no name.
        if (_anmFrameInfo3* record = a->GetFrameInfo(eventOf(a, args, 0, true), intArg(args, 1)))
            record->frameName = stringArg(args, 2);
        return nullptr;
    case GETNOF: return CMC_Integer::temporary(a->GetNOF());
    default: return CMC_Integer::temporary(a->GetCurrentFrameInSequence());
    }
}

CMC_Variable* CMC_Animo_Runner::events(int id, CAnimo6* a, CXVector* args)
{
    const int argc = getArgCount(args);
    switch (id) {
    case GETEVENTNAME:
        return CMC_String::temporary(argc == 1 ? a->GetEventName(intArg(args, 0)) : a->getCurrentEventName());
    case GETNOE: return CMC_Integer::temporary(a->GetNOE());
    case GETNOFINEVENT: {
        if (argc == 0)
            return CMC_Integer::temporary(0);
        // A name that no event has counts 0 frames, not the current event's.
        const int event = eventOf(a, args, 0, false);
        CMC_Variable* v = getParameter(args, 0);
        const bool unknown = v && v->getType() != MC_INTEGER && event < 0;
        return CMC_Integer::temporary(unknown ? 0 : a->GetNOFInEvent(event));
    }
    default: return CMC_Integer::temporary(argc == 1 ? a->GetEventNo(stringArg(args, 0)) : a->GetCurrentEvent());
    }
}
