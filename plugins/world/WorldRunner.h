#pragma once
#include "script/Runner.h"

class CMC_World;

// The methods of WORLD objects, by id (1 to 57, 65 to 73, 80 to 85; the
// pairs 10/49 and 71/72 do the same). Script coordinates are screen pixels:
// "fixed" places the physics origin at (400, 300), "camera" at the
// camera's origin, and y points up in the physics frame. A call with fewer
// arguments than its method needs does nothing and answers none; a WORLD
// without a physics world answers every method as a failed call (0,
// FALSE or nothing).
class CMC_World_Runner : public CMC_Runner {
public:
    enum {
        SETGRAVITY = 1, START, STOP, ADDOBJECT, SETOBJECTPROPERTIES, MOVEOBJECTS, GETPOSITIONX, GETPOSITIONY,
        GETPOSITIONZ, SETOBJECTFORCE, GETANGLE, SETPOSITIONCOORD, SETANGLE, ROTATE, SETSPEED, GETCOLLISION,
        SETDISPERSION, ENABLEMESH, COLLIDEMESH, ISMESHENABLED, ISMESHCOLLIDING, SETVELOCITY, FOLLOW, SETPOSITION,
        SETLIMIT, GETSPEED, SETCOLLISIONTYPE, SETMAXSPEED, SETALWAYSACTIVE, SETACTIVE, GETMOVEDISTANCE,
        ADDMESHWAYPOINT, GOTOPATH, USEFF, LINK, SETMASS, LOAD, REMOVEOBJECT, FOLLOWPATH, FINDPATH, UNLINK,
        PAUSELINK, RESUMELINK, ADDFORCE, SETBODYPROPERTIES, SETBODYDYNAMICS, ADDBODY, GETROTATIONZ, SETFORCE,
        SETGRAVITYCENTER, SETG, JOIN, BREAK, ZEROALL, MOVETO, MOVETOPATH, ADDTOPATH,
        SETREFOBJECT = 65, GETBKGPOSX, GETBKGPOSY, SETMOVEFLAGS, SETBKGSIZE, ADDWAYPOINT, REMOVEWAYPOINT,
        REMOVEROUTE, FOLLOWROUTE,
        ADDGRAVITYEX = 80, JOIN2, JOINTSTEER, JOINTSPEED, GETROTATIONX, GETROTATIONY
    };
    // Degrees to radians as JOIN converts its limits.
    static constexpr double DEGREES_TO_RADIANS = 0.017453292;

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    CMC_Variable* runWorld(int id, CMC_World* world, CMC_ObjectsContainer* container, CXVector* args);
    float d(CXVector* args, int index);
    int i(CXVector* args, int index);
    uint32_t u(CXVector* args, int index);
    bool b(CXVector* args, int index);
};
