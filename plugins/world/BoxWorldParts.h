#pragma once
// What the two sources of CBoxWorld share: its records of objects and
// hinges, and the unit conversions and value checks.
#include "world/BoxWorld.h"
#include "world/WorldFile.h"

#include <box2d/box2d.h>

#include <cmath>

namespace boxworld {

constexpr float U = CBoxWorld::UNITS_PER_METRE;
constexpr float DEG = 3.14159265358979f / 180.0f;
// The radius within which a walk started without one reaches a point.
constexpr float DEFAULT_RADIUS = 2.0f;
// How hard a hinge's motor turns towards the angle JointSteer holds.
constexpr float STEER_GAIN = 10.0f;
// The lightest a moving object gets: lighter ones would gain speeds that
// overflow in one step.
constexpr float MIN_MASS = 1e-3f;
constexpr uint16_t STATIC_CATEGORY = 0x0002;
constexpr uint16_t MOVING_CATEGORY = 0x0001;

enum Walk { NONE, FOLLOW, TO, LOOP };

// Values from scripts reach Box2D only when they are finite and within the
// world's reach; anything else is a failed call.
inline bool ok(float v) { return std::isfinite(v) && std::fabs(v) <= WorldFile::MAX_COORD; }
template <class... T>
inline bool ok(float v, T... rest)
{
    return ok(v) && ok(rest...);
}
inline bool sizeOk(float v) { return v >= WorldFile::MIN_SIZE && v <= WorldFile::MAX_SIZE; }

inline b2Vec2 metres(float x, float y) { return b2Vec2(x / U, y / U); }
inline float distance(CBoxWorld::Point a, CBoxWorld::Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

} // namespace boxworld

struct CBoxWorld::Object {
    uint32_t id = 0;
    b2Body* body = nullptr;
    float z = 0;
    uint32_t flags = 0;
    int shape = 0;
    float sx = 1, sy = 1;
    float density = 1, friction = 0.3f, bounce = 0;
    int collisionType = 0;
    bool collideStatic = true;
    float mass = 0; // 0: the mass the density gives
    float maxSpeed = 0;
    Point force;
    Point last;
    Point moved;
    bool limited = false;
    float lx1 = 0, ly1 = 0, lx2 = 0, ly2 = 0;
    bool gravityCenter = false;
    double g = 0;
    bool mesh = false;
    std::vector<Point> path;
    std::vector<Point> route;
    int walk = boxworld::NONE;
    std::vector<Point> points;
    size_t next = 0;
    float speed = DEFAULT_WALK_SPEED;
    float radius = boxworld::DEFAULT_RADIUS;
    uint32_t goal = GOAL_NONE;

    Point position() const
    {
        b2Vec2 p = body->GetPosition();
        return {p.x * boxworld::U, p.y * boxworld::U};
    }
    float left() const
    {
        if (walk == boxworld::NONE || next >= points.size())
            return 0;
        float d = boxworld::distance(position(), points[next]);
        for (size_t i = next + 1; i < points.size(); ++i)
            d += boxworld::distance(points[i - 1], points[i]);
        return d;
    }
};

struct CBoxWorld::Hinge {
    b2RevoluteJoint* joint = nullptr;
    uint32_t a = 0, b = 0;
    bool steering = false;
    float target = 0;
};

