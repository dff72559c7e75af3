#include "world/WorldRunner.h"

#include "base/File.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "world/ScriptWorld.h"
#include "world/Vemto.h"

#include <cfloat>
#include <cmath>

namespace {

struct Method {
    const char* name;
    int id;
    int minArgs;
    char result; // 'd' DOUBLE, 'i' INTEGER, 'b' BOOL, 0 none
};

const Method methodTable[] = {
    {"SETGRAVITY", 1, 3, 0},        {"START", 2, 0, 0},
    {"STOP", 3, 0, 0},              {"ADDOBJECT", 4, 10, 0},
    {"SETOBJECTPROPERTIES", 5, 5, 0}, {"MOVEOBJECTS", 6, 0, 'd'},
    {"GETPOSITIONX", 7, 1, 'i'},    {"GETPOSITIONY", 8, 1, 'i'},
    {"GETPOSITIONZ", 9, 1, 'i'},    {"SETOBJECTFORCE", 10, 4, 0},
    {"GETANGLE", 11, 1, 'i'},       {"SETPOSITIONCOORD", 12, 3, 0},
    {"SETANGLE", 13, 2, 0},         {"ROTATE", 14, 3, 0},
    {"SETSPEED", 15, 2, 0},         {"GETCOLLISION", 16, 1, 'b'},
    {"SETDISPERSION", 17, 2, 0},    {"ENABLEMESH", 18, 1, 0},
    {"COLLIDEMESH", 19, 1, 0},      {"ISMESHENABLED", 20, 1, 'b'},
    {"ISMESHCOLLIDING", 21, 1, 'b'}, {"SETVELOCITY", 22, 4, 0},
    {"FOLLOW", 23, 7, 'd'},         {"SETPOSITION", 24, 4, 0},
    {"SETLIMIT", 25, 7, 0},         {"GETSPEED", 26, 1, 'd'},
    {"SETCOLLISIONTYPE", 27, 2, 0}, {"SETMAXSPEED", 28, 2, 0},
    {"SETALWAYSACTIVE", 29, 1, 0},  {"SETACTIVE", 30, 1, 0},
    {"GETMOVEDISTANCE", 31, 1, 'd'}, {"ADDMESHWAYPOINT", 32, 1, 0},
    {"GOTOPATH", 33, 2, 'd'},       {"USEFF", 34, 1, 0},
    {"LINK", 35, 2, 0},             {"SETMASS", 36, 2, 0},
    {"LOAD", 37, 1, 0},             {"REMOVEOBJECT", 38, 1, 0},
    {"FOLLOWPATH", 39, 4, 'd'},     {"FINDPATH", 40, 5, 0},
    {"UNLINK", 41, 1, 0},           {"PAUSELINK", 42, 1, 0},
    {"RESUMELINK", 43, 1, 0},       {"ADDFORCE", 44, 4, 0},
    {"SETBODYPROPERTIES", 45, 5, 0}, {"SETBODYDYNAMICS", 46, 6, 0},
    {"ADDBODY", 47, 12, 0},         {"GETROTATIONZ", 48, 1, 'i'},
    {"SETFORCE", 49, 4, 0},         {"SETGRAVITYCENTER", 50, 1, 0},
    {"SETG", 51, 2, 0},             {"JOIN", 52, 6, 0},
    {"BREAK", 53, 1, 0},            {"ZEROALL", 54, 1, 0},
    {"MOVETO", 55, 6, 'd'},         {"MOVETOPATH", 56, 3, 'd'},
    {"ADDTOPATH", 57, 4, 0},        {"SETREFOBJECT", 65, 1, 0},
    {"GETBKGPOSX", 66, 0, 'd'},     {"GETBKGPOSY", 67, 0, 'd'},
    {"SETMOVEFLAGS", 68, 2, 0},     {"SETBKGSIZE", 69, 4, 0},
    {"ADDWAYPOINT", 70, 1, 0},      {"REMOVEWAYPOINT", 71, 2, 0},
    {"REMOVEROUTE", 72, 2, 0},      {"FOLLOWROUTE", 73, 3, 'd'},
    {"ADDGRAVITYEX", 80, 3, 0},     {"JOIN2", 81, 11, 0},
    {"JOINTSTEER", 82, 2, 0},       {"JOINTSPEED", 83, 2, 0},
    {"GETROTATIONX", 84, 1, 'i'},   {"GETROTATIONY", 85, 1, 'i'},
};

const Method* methodOf(int id)
{
    for (const Method& m : methodTable)
        if (m.id == id)
            return &m;
    return nullptr;
}

CMC_Variable* failure(char result)
{
    switch (result) {
    case 'd': return CMC_Double::temporary(0);
    case 'i': return CMC_Integer::temporary(0);
    case 'b': return CMC_Bool::temporary(false);
    default: return nullptr;
    }
}

} // namespace

void CMC_World_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const Method& m : methodTable)
        registerMethod(m.name, m.id);
}

float CMC_World_Runner::d(CXVector* args, int index)
{
    double v = getParameterDouble(args, index)->getValue();
    return std::isnan(v) ? float(v) : float(std::fmax(-FLT_MAX, std::fmin(FLT_MAX, v)));
}

int CMC_World_Runner::i(CXVector* args, int index) { return getParameterInteger(args, index)->getValue(); }

uint32_t CMC_World_Runner::u(CXVector* args, int index) { return uint32_t(i(args, index)); }

bool CMC_World_Runner::b(CXVector* args, int index) { return getParameterBool(args, index)->getValue(); }

CMC_Variable* CMC_World_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    const Method* m = methodOf(id);
    if (!m || !object || object->getType() != CMC_World::TYPE_ID)
        return CMC_Runner::run(id, object, container, args);
    CMC_World* world = static_cast<CMC_World*>(object);
    if (getArgCount(args) < m->minArgs)
        return nullptr;
    if (!world->getWorld())
        return failure(m->result);
    return runWorld(id, world, container ? container : world->getScene(), args);
}

CMC_Variable* CMC_World_Runner::runWorld(int id, CMC_World* object, CMC_ObjectsContainer* container, CXVector* args)
{
    IVemto* w = object->getWorld();
    CWorldView& view = object->getView();
    const int n = getArgCount(args);
    float x, y, z, out = 0;
    bool flag = false;
    auto fixedX = [](float v) { return v - 400; };
    auto fixedY = [](float v) { return 300 - v; };
    switch (id) {
    case SETGRAVITY: w->SetGravity(d(args, 0), d(args, 1), d(args, 2)); return nullptr;
    case START: w->Start(); return nullptr;
    case STOP: w->Stop(); return nullptr;
    case ADDOBJECT: {
        uint32_t o = u(args, 0);
        w->AddObject(o, 0xF0000);
        w->SetPosition(o, fixedX(d(args, 1)), fixedY(d(args, 2)), d(args, 3));
        w->SetRadius(o, d(args, 4), d(args, 5), d(args, 6));
        w->SetMass(o, d(args, 7));
        w->SetRigid(o, d(args, 8));
        w->SetMaxSpeed(o, d(args, 9));
        return nullptr;
    }
    case SETOBJECTPROPERTIES:
        if (getParameterString(args, 1)->getValue() == "POSITION")
            w->SetPosition(u(args, 0), fixedX(d(args, 2)), fixedY(d(args, 3)), d(args, 4));
        return nullptr;
    case MOVEOBJECTS: return CMC_Double::temporary(object->worldStep());
    case GETPOSITIONX:
    case GETPOSITIONY:
    case GETPOSITIONZ: {
        if (w->GetPosition(u(args, 0), &x, &y, &z) < 0)
            return CMC_Integer::temporary(0);
        double v = id == GETPOSITIONX ? double(view.originX + x) : id == GETPOSITIONY ? double(view.originY - y) : z;
        return CMC_Integer::temporary(CMC_Double::truncate(v));
    }
    case SETOBJECTFORCE:
    case SETFORCE: w->SetForce(u(args, 0), d(args, 1), d(args, 2), d(args, 3)); return nullptr;
    case GETANGLE:
    case GETROTATIONX:
    case GETROTATIONY:
    case GETROTATIONZ: {
        float a = 0;
        uint32_t o = u(args, 0);
        int32_t status = id == GETANGLE       ? w->GetAngle(o, &a)
                         : id == GETROTATIONX ? w->GetRotationX(o, &a)
                         : id == GETROTATIONY ? w->GetRotationY(o, &a)
                                              : w->GetRotationZ(o, &a);
        return CMC_Integer::temporary(status < 0 ? 0 : CMC_Double::truncate(a));
    }
    case SETPOSITIONCOORD: {
        uint32_t o = u(args, 0);
        if (w->GetPosition(o, &x, &y, &z) < 0)
            return nullptr;
        int axis = i(args, 1);
        if (axis == 0)
            x = fixedX(d(args, 2));
        else if (axis == 1)
            y = fixedY(d(args, 2));
        w->SetPosition(o, x, y, z);
        return nullptr;
    }
    case SETANGLE: w->SetAngle(u(args, 0), d(args, 1)); return nullptr;
    case ROTATE: w->Rotate(u(args, 0), i(args, 1), d(args, 2)); return nullptr;
    case SETSPEED: w->SetSpeed(u(args, 0), d(args, 1)); return nullptr;
    case GETCOLLISION: {
        int32_t status = n >= 2 ? w->GetCollision(u(args, 0), u(args, 1), &flag) : w->GetCollision(u(args, 0), &flag);
        return CMC_Bool::temporary(status >= 0 && flag);
    }
    case SETDISPERSION: w->SetDispersion(u(args, 0), d(args, 1)); return nullptr;
    case ENABLEMESH: w->EnableMesh(u(args, 0), n >= 2 ? b(args, 1) : true); return nullptr;
    case COLLIDEMESH: w->CollideMesh(u(args, 0), n >= 2 ? b(args, 1) : true); return nullptr;
    case ISMESHENABLED: w->IsMeshEnabled(u(args, 0), &flag); return CMC_Bool::temporary(flag);
    case ISMESHCOLLIDING: w->IsMeshColliding(u(args, 0), &flag); return CMC_Bool::temporary(flag);
    case SETVELOCITY: w->SetVelocity(u(args, 0), d(args, 1), d(args, 2), d(args, 3), false); return nullptr;
    case FOLLOW:
        w->Follow(u(args, 0), d(args, 1) - view.originX, view.originY - d(args, 2), d(args, 3), d(args, 4),
                  d(args, 5), d(args, 6), &out);
        return CMC_Double::temporary(out);
    case SETPOSITION: {
        bool viaCamera = n >= 5 && b(args, 4);
        float px = viaCamera ? d(args, 1) - view.originX : fixedX(d(args, 1));
        float py = viaCamera ? view.originY - d(args, 2) : fixedY(d(args, 2));
        w->SetPosition(u(args, 0), px, py, d(args, 3));
        return nullptr;
    }
    case SETLIMIT:
        w->SetLimit(u(args, 0), fixedX(d(args, 1)), fixedY(d(args, 5)), d(args, 3), fixedX(d(args, 4)),
                    fixedY(d(args, 2)), d(args, 6));
        return nullptr;
    case GETSPEED: w->GetSpeed(u(args, 0), &out); return CMC_Double::temporary(out);
    case SETCOLLISIONTYPE: w->SetCollisionType(u(args, 0), i(args, 1)); return nullptr;
    case SETMAXSPEED: w->SetMaxSpeed(u(args, 0), d(args, 1)); return nullptr;
    case SETALWAYSACTIVE: w->SetAlwaysActive(u(args, 0), n >= 2 ? b(args, 1) : true); return nullptr;
    case SETACTIVE:
        if (n >= 3) {
            CMC_Variable* second = getArgument(args, 1);
            if (second && second->getType() == MC_INTEGER)
                w->SetActivePath(u(args, 0), i(args, 1), b(args, 2));
            else
                w->SetActive(u(args, 0), b(args, 1), b(args, 2));
        } else {
            w->SetActive(u(args, 0), n >= 2 ? b(args, 1) : true, true);
        }
        return nullptr;
    case GETMOVEDISTANCE: {
        uint32_t o = u(args, 0);
        if (n == 4 && w->GetMoveVector(o, &x, &y, &z) >= 0) {
            const float values[3] = {x, y, z};
            for (int k = 0; k < 3; ++k) {
                CMC_Variable* target = getArgument(args, k + 1);
                if (target && target->getType() == MC_DOUBLE)
                    static_cast<CMC_Double*>(target)->setValue(values[k]);
            }
        }
        w->GetMoveDistance(o, &out);
        return CMC_Double::temporary(out);
    }
    case ADDMESHWAYPOINT:
        if (n == 1)
            w->AddMeshWayPoint(u(args, 0));
        else if (n >= 4)
            w->AddMeshWayPoint(u(args, 0), fixedX(d(args, 1)), fixedY(d(args, 2)), d(args, 3));
        return nullptr;
    case GOTOPATH: w->GotoPath(u(args, 0), d(args, 1), &out); return CMC_Double::temporary(out);
    case USEFF: w->UseFF(b(args, 0)); return nullptr;
    case LINK: {
        CXString name = getParameterString(args, 1)->getValue();
        int32_t flags = n == 3 ? i(args, 2) : WorldLink::DEFAULT_FLAGS;
        CMC_Object* linked = container ? container->getObject(name) : nullptr;
        CMC_Object* holder = linked;
        int bang = name.Find('!');
        if (!holder && bang > 0 && container)
            holder = container->getObject(name.Left(bang));
        object->link(u(args, 0), container ? container->getGraphicsObject(name) : nullptr, linked, holder, flags);
        return nullptr;
    }
    case SETMASS: w->SetMass(u(args, 0), d(args, 1)); return nullptr;
    case LOAD: {
        CFile file;
        CMC_ObjectsContainer* scene = object->getScene();
        if (file.Open(scene ? scene->getWindow() : nullptr, getParameterString(args, 0)->getValue(),
                      CFile::MODE_READ | CFile::MODE_BINARY) == 0)
            w->Load(&file);
        return nullptr;
    }
    case REMOVEOBJECT:
        object->unlink(u(args, 0));
        w->RemoveObject(u(args, 0));
        return nullptr;
    case FOLLOWPATH:
        w->FollowPath(u(args, 0), d(args, 1), d(args, 2), d(args, 3), &out);
        return CMC_Double::temporary(out);
    case FINDPATH: {
        bool walk = n >= 6 ? b(args, 5) : true;
        bool viaCamera = n >= 7 ? b(args, 6) : true;
        float px = viaCamera ? d(args, 2) - view.originX : fixedX(d(args, 2));
        float py = viaCamera ? view.originY - d(args, 3) : fixedY(d(args, 3));
        w->FindPath(u(args, 0), u(args, 1), px, py, d(args, 4), walk);
        return nullptr;
    }
    case UNLINK: object->unlink(u(args, 0)); return nullptr;
    case PAUSELINK: object->pauseLink(u(args, 0), n >= 2); return nullptr;
    case RESUMELINK: object->resumeLink(u(args, 0), n >= 2); return nullptr;
    case ADDFORCE:
        if (n == 4)
            w->AddForce(u(args, 0), d(args, 1), d(args, 2), d(args, 3));
        else if (n >= 7)
            w->AddForceAt(u(args, 0), d(args, 1), d(args, 2), d(args, 3), d(args, 4), d(args, 5), d(args, 6));
        return nullptr;
    case SETBODYPROPERTIES:
        w->SetBodyProperties(u(args, 0), d(args, 1), d(args, 2), d(args, 3), d(args, 4));
        return nullptr;
    case SETBODYDYNAMICS:
        w->SetBodyDynamics(u(args, 0), d(args, 1), d(args, 2), d(args, 3), d(args, 4), d(args, 5));
        return nullptr;
    case ADDBODY:
        w->AddBody(u(args, 0), d(args, 1), d(args, 2), d(args, 3), d(args, 4), d(args, 5), d(args, 6), i(args, 7),
                   i(args, 8), d(args, 9), d(args, 10), d(args, 11));
        return nullptr;
    case SETGRAVITYCENTER: w->SetGravityCenter(u(args, 0), n >= 2 ? b(args, 1) : true); return nullptr;
    case SETG: w->SetG(u(args, 0), getParameterDouble(args, 1)->getValue()); return nullptr;
    case JOIN: {
        if (n != 6 && n != 8 && n != 11)
            return nullptr;
        double low = n >= 8 ? getParameterDouble(args, 6)->getValue() : -90;
        double high = n >= 8 ? getParameterDouble(args, 7)->getValue() : 90;
        float p8 = n == 11 ? d(args, 8) : 0;
        float p9 = n == 11 ? d(args, 9) : 0;
        float p10 = n == 11 ? d(args, 10) : 1;
        w->Join(u(args, 0), u(args, 1), fixedX(d(args, 2)), fixedY(d(args, 3)), d(args, 4), d(args, 5),
                float(low * DEGREES_TO_RADIANS), float(high * DEGREES_TO_RADIANS), p8, p9, p10);
        return nullptr;
    }
    case BREAK: w->Break(u(args, 0)); return nullptr;
    case ZEROALL: w->ZeroAll(u(args, 0)); return nullptr;
    case MOVETO:
        w->MoveTo(u(args, 0), d(args, 1), d(args, 2), d(args, 3), d(args, 4), d(args, 5), &out);
        return CMC_Double::temporary(out);
    case MOVETOPATH: w->MoveToPath(u(args, 0), d(args, 1), d(args, 2), &out); return CMC_Double::temporary(out);
    case ADDTOPATH: w->AddToPath(u(args, 0), d(args, 1), d(args, 2), d(args, 3)); return nullptr;
    case SETREFOBJECT: view.reference = u(args, 0); return nullptr;
    case GETBKGPOSX: return CMC_Double::temporary(view.scrollX);
    case GETBKGPOSY: return CMC_Double::temporary(view.scrollY);
    case SETMOVEFLAGS: view.follow = (b(args, 0) ? 1 : 0) | (b(args, 1) ? 2 : 0); return nullptr;
    case SETBKGSIZE: view.setBounds(d(args, 0), d(args, 1), d(args, 2), d(args, 3)); return nullptr;
    case ADDWAYPOINT: {
        uint32_t o = u(args, 0);
        if (n >= 4) {
            w->AddWayPoint(o, fixedX(d(args, 1)), fixedY(d(args, 2)), d(args, 3));
        } else if (n == 1 && w->GetPosition(o, &x, &y, &z) >= 0) {
            // The position as GETPOSITIONX, Y and Z give it, in whole pixels.
            w->AddWayPoint(o, fixedX(float(CMC_Double::truncate(view.originX + x))),
                           fixedY(float(CMC_Double::truncate(view.originY - y))), float(CMC_Double::truncate(z)));
        }
        return nullptr;
    }
    case REMOVEWAYPOINT:
    case REMOVEROUTE: w->RemoveWayPoint(u(args, 0), i(args, 1)); return nullptr;
    case FOLLOWROUTE: w->FollowRoute(u(args, 0), d(args, 1), d(args, 2), &out); return CMC_Double::temporary(out);
    case ADDGRAVITYEX: w->AddGravityEx(u(args, 0), u(args, 1), b(args, 2)); return nullptr;
    case JOIN2:
        w->Join2(u(args, 0), u(args, 1), d(args, 2), d(args, 3), d(args, 4), d(args, 5), d(args, 6), d(args, 7),
                 d(args, 8), d(args, 9), d(args, 10));
        return nullptr;
    case JOINTSTEER: w->JointSteer(u(args, 0), d(args, 1)); return nullptr;
    case JOINTSPEED: w->JointSpeed(u(args, 0), d(args, 1)); return nullptr;
    default: return nullptr;
    }
}
