#pragma once
// A physics world that records the calls a WORLD object makes, as text
// ("SetPosition(1,0,0,0)"), and answers from what the test set: positions,
// speeds, collisions and goal states by object id. An id without a
// position is unknown: every call on it fails.
#include "world/Vemto.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace worldtest {

inline std::string num(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", v);
    return text;
}

template <class T>
std::string argText(T v)
{
    return num(double(v));
}
inline std::string argText(bool v) { return v ? "true" : "false"; }
inline std::string argText(CFile*) { return "file"; }
template <class T>
std::string argText(T* v)
{
    return v ? "&" : "null";
}

inline std::string joined() { return ""; }
template <class T, class... R>
std::string joined(T first, R... rest)
{
    std::string tail = joined(rest...);
    return argText(first) + (tail.empty() ? "" : "," + tail);
}

struct Point {
    float x = 0, y = 0, z = 0;
};

class RecordingWorld : public IVemto {
public:
    std::vector<std::string> calls;
    std::map<uint32_t, Point> positions;
    std::map<uint32_t, float> speeds;
    std::map<uint32_t, std::vector<uint32_t>> hits;
    std::map<uint32_t, uint32_t> goals;
    float stepResult = 0.5f;
    float out = 7.0f;

    // The calls since the last look, and forgets them.
    std::vector<std::string> take()
    {
        std::vector<std::string> c;
        c.swap(calls);
        return c;
    }

private:
    template <class... A>
    int32_t rec(const char* name, uint32_t id, A... args)
    {
        calls.push_back(std::string(name) + "(" + joined(id, args...) + ")");
        return positions.count(id) ? OK : FAILED;
    }
    template <class... A>
    int32_t recAll(const char* name, A... args)
    {
        calls.push_back(std::string(name) + "(" + joined(args...) + ")");
        return OK;
    }

public:
    int32_t Create(CFile* f) override { return recAll("Create", f); }
    int32_t Load(CFile* f) override { return recAll("Load", f); }
    int32_t MoveObjects(float* r) override
    {
        *r = stepResult;
        return recAll("MoveObjects");
    }
    int32_t Start() override { return recAll("Start"); }
    int32_t Stop() override { return recAll("Stop"); }
    int32_t SetGravity(float a, float b, float c) override { return recAll("SetGravity", a, b, c); }
    int32_t UseFF(bool on) override { return recAll("UseFF", on); }
    int32_t AddObject(uint32_t id, uint32_t f) override { return rec("AddObject", id, f); }
    int32_t RemoveObject(uint32_t id) override { return rec("RemoveObject", id); }
    int32_t SetPosition(uint32_t id, float x, float y, float z) override { return rec("SetPosition", id, x, y, z); }
    int32_t GetPosition(uint32_t id, float* x, float* y, float* z) override
    {
        auto it = positions.find(id);
        if (it == positions.end())
            return FAILED;
        *x = it->second.x;
        *y = it->second.y;
        *z = it->second.z;
        return OK;
    }
    int32_t SetRadius(uint32_t id, float a, float b, float c) override { return rec("SetRadius", id, a, b, c); }
    int32_t SetMass(uint32_t id, float m) override { return rec("SetMass", id, m); }
    int32_t SetRigid(uint32_t id, float r) override { return rec("SetRigid", id, r); }
    int32_t SetMaxSpeed(uint32_t id, float s) override { return rec("SetMaxSpeed", id, s); }
    int32_t SetSpeed(uint32_t id, float s) override { return rec("SetSpeed", id, s); }
    int32_t GetSpeed(uint32_t id, float* s) override
    {
        auto it = speeds.find(id);
        if (it == speeds.end())
            return FAILED;
        *s = it->second;
        return OK;
    }
    int32_t SetForce(uint32_t id, float a, float b, float c) override { return rec("SetForce", id, a, b, c); }
    int32_t AddForce(uint32_t id, float a, float b, float c) override { return rec("AddForce", id, a, b, c); }
    int32_t AddForceAt(uint32_t id, float a, float b, float c, float d, float e, float f) override
    {
        return rec("AddForceAt", id, a, b, c, d, e, f);
    }
    int32_t SetVelocity(uint32_t id, float a, float b, float c, bool add) override
    {
        return rec("SetVelocity", id, a, b, c, add);
    }
    int32_t GetAngle(uint32_t id, float* a) override { return angle(id, a, 45.9f); }
    int32_t SetAngle(uint32_t id, float a) override { return rec("SetAngle", id, a); }
    int32_t Rotate(uint32_t id, int32_t m, float a) override { return rec("Rotate", id, m, a); }
    int32_t GetRotationX(uint32_t id, float* a) override { return angle(id, a, 1.5f); }
    int32_t GetRotationY(uint32_t id, float* a) override { return angle(id, a, -2.5f); }
    int32_t GetRotationZ(uint32_t id, float* a) override { return angle(id, a, 3.9f); }
    int32_t SetDispersion(uint32_t id, float v) override { return rec("SetDispersion", id, v); }
    int32_t SetCollisionType(uint32_t id, int32_t t) override { return rec("SetCollisionType", id, t); }
    int32_t SetAlwaysActive(uint32_t id, bool on) override { return rec("SetAlwaysActive", id, on); }
    int32_t SetActive(uint32_t id, bool on, bool w) override { return rec("SetActive", id, on, w); }
    int32_t SetActivePath(uint32_t id, int32_t i, bool on) override { return rec("SetActivePath", id, i, on); }
    int32_t SetLimit(uint32_t id, float a, float b, float c, float d, float e, float f) override
    {
        return rec("SetLimit", id, a, b, c, d, e, f);
    }
    int32_t GetMoveVector(uint32_t id, float* x, float* y, float* z) override
    {
        *x = 1.5f;
        *y = -2;
        *z = 3;
        return rec("GetMoveVector", id);
    }
    int32_t GetMoveDistance(uint32_t id, float* d) override
    {
        *d = out;
        return rec("GetMoveDistance", id);
    }
    int32_t SetBodyProperties(uint32_t id, float a, float b, float c, float d) override
    {
        return rec("SetBodyProperties", id, a, b, c, d);
    }
    int32_t SetBodyDynamics(uint32_t id, float a, float b, float c, float d, float e) override
    {
        return rec("SetBodyDynamics", id, a, b, c, d, e);
    }
    int32_t AddBody(uint32_t id, float a, float b, float c, float d, float e, float f, int32_t g, int32_t h, float i,
                    float j, float k) override
    {
        return rec("AddBody", id, a, b, c, d, e, f, g, h, i, j, k);
    }
    int32_t SetGravityCenter(uint32_t id, bool on) override { return rec("SetGravityCenter", id, on); }
    int32_t SetG(uint32_t id, double g) override { return rec("SetG", id, g); }
    int32_t AddGravityEx(uint32_t id, uint32_t o, bool on) override { return rec("AddGravityEx", id, o, on); }
    int32_t ZeroAll(uint32_t id) override { return rec("ZeroAll", id); }
    int32_t GetCollision(uint32_t id, bool* hit) override
    {
        if (!positions.count(id))
            return FAILED;
        *hit = !hits[id].empty();
        return OK;
    }
    int32_t GetCollision(uint32_t id, uint32_t other, bool* hit) override
    {
        if (!positions.count(id))
            return FAILED;
        *hit = false;
        for (uint32_t h : hits[id])
            *hit = *hit || h == other;
        return OK;
    }
    int32_t GetAllCollisions(uint32_t id, const std::vector<uint32_t>** list) override
    {
        *list = &hits[id];
        return positions.count(id) ? OK : FAILED;
    }
    int32_t EnableMesh(uint32_t id, bool on) override { return rec("EnableMesh", id, on); }
    int32_t CollideMesh(uint32_t id, bool on) override { return rec("CollideMesh", id, on); }
    int32_t IsMeshEnabled(uint32_t id, bool* on) override
    {
        *on = true;
        return rec("IsMeshEnabled", id);
    }
    int32_t IsMeshColliding(uint32_t id, bool*) override { return rec("IsMeshColliding", id); }
    int32_t AddMeshWayPoint(uint32_t id) override { return rec("AddMeshWayPoint", id); }
    int32_t AddMeshWayPoint(uint32_t id, float x, float y, float z) override
    {
        return rec("AddMeshWayPoint", id, x, y, z);
    }
    int32_t AddWayPoint(uint32_t id, float x, float y, float z) override { return rec("AddWayPoint", id, x, y, z); }
    int32_t RemoveWayPoint(uint32_t id, int32_t n) override { return rec("RemoveWayPoint", id, n); }
    int32_t AddToPath(uint32_t id, float x, float y, float z) override { return rec("AddToPath", id, x, y, z); }
    int32_t FindPath(uint32_t id, uint32_t t, float x, float y, float z, bool w) override
    {
        return rec("FindPath", id, t, x, y, z, w);
    }
    int32_t IsAtGoal(uint32_t id, uint32_t* state) override
    {
        *state = goals[id];
        goals[id] = GOAL_NONE;
        return positions.count(id) ? OK : FAILED;
    }
    int32_t Follow(uint32_t id, float x, float y, float a, float b, float c, float d, float* o) override
    {
        *o = out;
        return rec("Follow", id, x, y, a, b, c, d);
    }
    int32_t FollowPath(uint32_t id, float a, float b, float c, float* o) override
    {
        *o = out;
        return rec("FollowPath", id, a, b, c);
    }
    int32_t GotoPath(uint32_t id, float p, float* o) override
    {
        *o = out;
        return rec("GotoPath", id, p);
    }
    int32_t MoveTo(uint32_t id, float a, float b, float c, float d, float e, float* o) override
    {
        *o = out;
        return rec("MoveTo", id, a, b, c, d, e);
    }
    int32_t MoveToPath(uint32_t id, float a, float b, float* o) override
    {
        *o = out;
        return rec("MoveToPath", id, a, b);
    }
    int32_t FollowRoute(uint32_t id, float a, float b, float* o) override
    {
        *o = out;
        return rec("FollowRoute", id, a, b);
    }
    int32_t Join(uint32_t id, uint32_t o, float a, float b, float c, float d, float e, float f, float g, float h,
                 float i) override
    {
        return rec("Join", id, o, a, b, c, d, e, f, g, h, i);
    }
    int32_t Join2(uint32_t id, uint32_t o, float a, float b, float c, float d, float e, float f, float g, float h,
                  float i) override
    {
        return rec("Join2", id, o, a, b, c, d, e, f, g, h, i);
    }
    int32_t Break(uint32_t id) override { return rec("Break", id); }
    int32_t JointSteer(uint32_t id, float v) override { return rec("JointSteer", id, v); }
    int32_t JointSpeed(uint32_t id, float v) override { return rec("JointSpeed", id, v); }

private:
    int32_t angle(uint32_t id, float* a, float v)
    {
        if (!positions.count(id))
            return FAILED;
        *a = v;
        return OK;
    }
};

} // namespace worldtest
