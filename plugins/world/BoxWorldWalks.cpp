// The walks of CBoxWorld: paths, way points, routes found by A* over the
// way-point graph, and the steering that follows them each step.
#include "world/BoxWorldParts.h"

#include <algorithm>
#include <cmath>

using namespace boxworld;
#include <queue>

void CBoxWorld::steer(Object& o)
{
    if (o.walk == NONE)
        return;
    Point here = o.position();
    while (o.next < o.points.size() && distance(here, o.points[o.next]) <= o.radius) {
        if (o.walk == FOLLOW)
            break;
        ++o.next;
        if (o.next == o.points.size() && o.walk == LOOP)
            o.next = 0;
    }
    if (o.next >= o.points.size()) {
        o.body->SetLinearVelocity(b2Vec2(0, 0));
        o.walk = NONE;
        o.goal = GOAL_REACHED;
        return;
    }
    Point to = o.points[o.next];
    float d = distance(here, to);
    if (d <= o.radius) {
        o.body->SetLinearVelocity(b2Vec2(0, 0));
        return;
    }
    float v = std::min(o.speed, d / timeStep);
    o.body->SetLinearVelocity(metres((to.x - here.x) / d * v, (to.y - here.y) / d * v));
    o.body->SetAwake(true);
}

int32_t CBoxWorld::EnableMesh(uint32_t id, bool on)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->mesh = on;
    return OK;
}

int32_t CBoxWorld::CollideMesh(uint32_t id, bool on)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->collideStatic = on;
    rebuildFixture(*o);
    return OK;
}

int32_t CBoxWorld::IsMeshEnabled(uint32_t id, bool* on)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *on = o->mesh;
    return OK;
}

int32_t CBoxWorld::IsMeshColliding(uint32_t id, bool* on)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *on = o->collideStatic;
    return OK;
}

int32_t CBoxWorld::AddMeshWayPoint(uint32_t id)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    wayPoints[id] = o->position();
    return OK;
}

int32_t CBoxWorld::AddMeshWayPoint(uint32_t id, float x, float y, float z) { return AddWayPoint(id, x, y, z); }

int32_t CBoxWorld::AddWayPoint(uint32_t id, float x, float y, float z)
{
    if (!ok(x, y, z) || (wayPoints.size() >= WorldFile::MAX_COUNT && !wayPoints.count(id)))
        return FAILED;
    wayPoints[id] = {x, y};
    return OK;
}

int32_t CBoxWorld::RemoveWayPoint(uint32_t id, int32_t n)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    if (n < 0) {
        o->path.clear();
        o->route.clear();
        return OK;
    }
    if (size_t(n) >= o->path.size())
        return FAILED;
    o->path.erase(o->path.begin() + n);
    return OK;
}

int32_t CBoxWorld::AddToPath(uint32_t id, float x, float y, float z)
{
    Object* o = find(id);
    if (!o || !ok(x, y, z) || o->path.size() >= WorldFile::MAX_COUNT)
        return FAILED;
    o->path.push_back({x, y});
    return OK;
}

namespace {
class StaticHit : public b2RayCastCallback {
public:
    float ReportFixture(b2Fixture* fixture, const b2Vec2&, const b2Vec2&, float) override
    {
        if (fixture->GetBody()->GetType() != b2_staticBody || fixture->IsSensor())
            return -1;
        hit = true;
        return 0;
    }
    bool hit = false;
};
} // namespace

bool CBoxWorld::blocked(Point a, Point b)
{
    if (distance(a, b) < 1e-3f)
        return false;
    StaticHit cb;
    world->RayCast(&cb, metres(a.x, a.y), metres(b.x, b.y));
    return cb.hit;
}

std::vector<CBoxWorld::Point> CBoxWorld::route(Point from, Point to, bool throughGraph)
{
    if (!throughGraph || !blocked(from, to))
        return {to};
    // A* over the start (0), the way points (1..n) and the goal (n + 1);
    // the edges are found as the search reaches them.
    std::vector<Point> nodes{from};
    for (const auto& w : wayPoints)
        nodes.push_back(w.second);
    nodes.push_back(to);
    const size_t goal = nodes.size() - 1;
    std::vector<float> cost(nodes.size(), INFINITY);
    std::vector<size_t> previous(nodes.size(), SIZE_MAX);
    std::vector<bool> closed(nodes.size(), false);
    using Entry = std::pair<float, size_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    cost[0] = 0;
    open.push({distance(from, to), 0});
    while (!open.empty()) {
        size_t n = open.top().second;
        open.pop();
        if (closed[n])
            continue;
        closed[n] = true;
        if (n == goal)
            break;
        for (size_t m = 1; m < nodes.size(); ++m) {
            if (closed[m])
                continue;
            float c = cost[n] + distance(nodes[n], nodes[m]);
            if (c >= cost[m] || blocked(nodes[n], nodes[m]))
                continue;
            cost[m] = c;
            previous[m] = n;
            open.push({c + distance(nodes[m], to), m});
        }
    }
    std::vector<Point> points;
    if (previous[goal] == SIZE_MAX)
        return points;
    for (size_t n = goal; n != 0; n = previous[n])
        points.push_back(nodes[n]);
    std::reverse(points.begin(), points.end());
    return points;
}

int32_t CBoxWorld::walk(Object& o, int mode, std::vector<Point> points, float speed, float radius, bool loop)
{
    if (!ok(speed, radius) || speed < 0 || radius < 0 || points.empty())
        return FAILED;
    o.walk = loop ? LOOP : mode;
    o.points = std::move(points);
    o.next = 0;
    o.speed = speed;
    o.radius = radius;
    o.goal = GOAL_NONE;
    return OK;
}

int32_t CBoxWorld::FindPath(uint32_t id, uint32_t target, float x, float y, float z, bool walkIt)
{
    Object* o = find(id);
    if (!o || !ok(x, y, z))
        return FAILED;
    Object* t = target != id ? find(target) : nullptr;
    Point to = t ? t->position() : Point{x, y};
    o->route = route(o->position(), to, o->mesh);
    if (o->route.empty()) {
        o->walk = NONE;
        o->goal = GOAL_NO_PATH;
        return OK;
    }
    if (walkIt)
        walk(*o, TO, o->route, o->speed, o->radius, false);
    return OK;
}

int32_t CBoxWorld::IsAtGoal(uint32_t id, uint32_t* state)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *state = o->goal;
    o->goal = GOAL_NONE;
    return OK;
}

int32_t CBoxWorld::Follow(uint32_t id, float x, float y, float speed, float radius, float, float, float* out)
{
    Object* o = find(id);
    if (!o || !ok(x, y) || walk(*o, FOLLOW, {{x, y}}, speed, radius, false) < 0)
        return FAILED;
    *out = o->left();
    return OK;
}

int32_t CBoxWorld::FollowPath(uint32_t id, float speed, float radius, float loop, float* out)
{
    Object* o = find(id);
    if (!o || !ok(loop) || walk(*o, TO, o->path, speed, radius, loop != 0) < 0)
        return FAILED;
    *out = o->left();
    return OK;
}

int32_t CBoxWorld::GotoPath(uint32_t id, float p, float* out)
{
    Object* o = find(id);
    if (!o || !ok(p) || p < 0 || size_t(p) >= o->path.size())
        return FAILED;
    Point to = o->path[size_t(p)];
    SetPosition(id, to.x, to.y, o->z);
    *out = float(o->path.size());
    return OK;
}

int32_t CBoxWorld::MoveTo(uint32_t id, float x, float y, float z, float speed, float radius, float* out)
{
    Object* o = find(id);
    if (!o || !ok(x, y, z) || walk(*o, TO, {{x, y}}, speed, radius, false) < 0)
        return FAILED;
    *out = o->left();
    return OK;
}

int32_t CBoxWorld::MoveToPath(uint32_t id, float speed, float radius, float* out)
{
    Object* o = find(id);
    if (!o || o->path.empty() || walk(*o, TO, {o->path.front()}, speed, radius, false) < 0)
        return FAILED;
    *out = o->left();
    return OK;
}

int32_t CBoxWorld::FollowRoute(uint32_t id, float speed, float radius, float* out)
{
    Object* o = find(id);
    if (!o || walk(*o, TO, o->route, speed, radius, false) < 0)
        return FAILED;
    *out = o->left();
    return OK;
}
