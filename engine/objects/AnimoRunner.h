#pragma once
#include "objects/GraphicRunner.h"

class CAnimo6;
class CMC_Animo;
class CPlayable;

// The methods of ANIMO objects, on the object's animation. Events are
// named by index (-1 the current one) or by name in any letter case; frame
// names compare exactly, except where SETFRAME looks one up. A method that
// cannot act changes nothing and answers its usual kind of result; an
// object without an animation answers 0, "" or false. Id 14 has no name.
class CMC_Animo_Runner : public CMC_GraphicRunner {
public:
    enum {
        SHOW = 1,
        HIDE,
        PAUSE,
        RESUME,
        SETPOSITION,
        MOVE,
        LOAD,
        CLEARCLIPPING,
        SETCLIPPING,
        PLAY,
        SETFRAME,
        STOP,
        ISPLAYING,
        ISPAUSED,
        GETPOSITIONX,
        GETPOSITIONY,
        GETWIDTH,
        GETHEIGHT,
        GETFRAME,
        GETFRAMENAME,
        GETFRAMENO,
        GETEVENTNAME,
        ISNEAR,
        ISINSIDE,
        PLAYRAND,
        MONITORCOLLISION,
        REMOVEMONITORCOLLISION,
        SETFORWARD,
        SETBACKWARD,
        NEXTFRAME,
        PREVFRAME,
        SETPRIORITY,
        GETALPHA,
        GETPIXEL,
        SETFPS,
        MERGEALPHA,
        INVALIDATE,
        GETCURRFRAMEPOSX,
        GETCURRFRAMEPOSY,
        GETCENTERX,
        GETCENTERY,
        GETNOE,
        GETNOF,
        GETNOFINEVENT,
        GETMAXWIDTH,
        GETMAXHEIGHT,
        ISVISIBLE,
        GETCFRAMEINEVENT,
        SETASBUTTON,
        SETONFF,
        SETOPACITY,
        SETVOLUME,
        SETPAN,
        SETFREQ,
        SETANCHOR,
        SETFRAMENAME,
        GETPRIORITY,
        FLIPH,
        FLIPV,
        RESETFLIPS,
        DRAWONTO,
        PLAYREVERSE,
        NPLAY,
        ISAT,
        GETOPACITY,
        GETANCHOR,
        GETEVENTNUMBER,
        GETFPS,
        REPLACECOLOR
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    // The sound values the animation's frames take: SETVOLUME's 4 x (v -
    // 800), -10000 at -3100 and below; SETPAN's 2 x (v - 400), -10000 and
    // 10000 from -3100 and 3100 on. Computed without overflow.
    static int volumeOf(int v);
    static int panOf(int v);
    // Gives a playable SETVOLUME's, SETPAN's or SETFREQ's value, mapped as
    // above (the frequency as it is).
    enum SoundSetting { SOUND_VOLUME, SOUND_PAN, SOUND_FREQUENCY };
    static void setSound(CPlayable* playable, SoundSetting which, int v);
    // SETOPACITY's: the low 8 bits of v modulo 257, with the sign of v.
    static unsigned char opacityOf(int v);

private:
    // PLAY, ISPLAYING, PLAYREVERSE and NPLAY.
    CMC_Variable* playing(int id, CMC_Animo* object, CAnimo6* a, CXVector* args);
    // The frame and position methods.
    CMC_Variable* frames(int id, CAnimo6* a, CXVector* args);
    // GETEVENTNAME, GETNOE, GETNOFINEVENT and GETEVENTNUMBER.
    CMC_Variable* events(int id, CAnimo6* a, CXVector* args);
    // An event given by index or name: -1 (the current one) for a name
    // that no event has, or 0 with orZero.
    int eventOf(CAnimo6* a, CXVector* args, int index, bool orZero);
};
