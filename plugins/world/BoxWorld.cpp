#include "world/BoxWorld.h"

#include "world/BoxWorldParts.h"

#include <algorithm>
#include <cmath>

using namespace boxworld;

CBoxWorld::CBoxWorld()
    : world(new b2World(b2Vec2(0, 0))), timeStep(1.0f / 60.0f), running(true), forceFields(false)
{
}

CBoxWorld::~CBoxWorld()
{
    hinges.clear();
    objects.clear();
    world.reset();
}

CBoxWorld::Object* CBoxWorld::find(uint32_t id)
{
    auto it = objects.find(id);
    return it == objects.end() ? nullptr : it->second.get();
}

CBoxWorld::Hinge* CBoxWorld::findHinge(uint32_t id)
{
    auto it = hinges.find(id);
    return it == hinges.end() ? nullptr : it->second.get();
}

void CBoxWorld::removeHinge(uint32_t id)
{
    if (Hinge* h = findHinge(id)) {
        world->DestroyJoint(h->joint);
        hinges.erase(id);
    }
}

void CBoxWorld::removeObject(uint32_t id)
{
    Object* o = find(id);
    if (!o)
        return;
    for (auto it = hinges.begin(); it != hinges.end();) {
        if (it->second->a == id || it->second->b == id) {
            world->DestroyJoint(it->second->joint);
            it = hinges.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = attractions.begin(); it != attractions.end();)
        it = it->first == id || it->second == id ? attractions.erase(it) : std::next(it);
    world->DestroyBody(o->body);
    objects.erase(id);
}

void CBoxWorld::rebuildFixture(Object& o)
{
    if (b2Fixture* f = o.body->GetFixtureList())
        o.body->DestroyFixture(f);
    b2CircleShape circle;
    b2PolygonShape box;
    b2FixtureDef def;
    if (o.shape == 0) {
        circle.m_radius = o.sx / U;
        def.shape = &circle;
    } else {
        box.SetAsBox(o.sx / U, o.sy / U);
        def.shape = &box;
    }
    def.density = o.density;
    def.friction = o.friction;
    def.restitution = o.bounce;
    const bool isStatic = o.body->GetType() == b2_staticBody;
    def.filter.categoryBits = isStatic ? STATIC_CATEGORY : MOVING_CATEGORY;
    def.filter.maskBits = o.collisionType < 0 ? 0 : o.collideStatic ? 0xFFFF : uint16_t(0xFFFF & ~STATIC_CATEGORY);
    def.filter.groupIndex = o.collisionType > 0 ? int16_t(-std::min(o.collisionType, 32767)) : 0;
    o.body->CreateFixture(&def);
    if (o.body->GetType() != b2_dynamicBody)
        return;
    b2MassData data;
    o.body->GetMassData(&data);
    const float mass = std::max(o.mass > 0 ? o.mass : data.mass, MIN_MASS);
    if (mass == data.mass)
        return;
    data.I = data.mass > 0 ? data.I * (mass / data.mass) : 0;
    if (!(data.I > 0) || !std::isfinite(data.I))
        data.I = 0; // then it does not turn
    data.mass = mass;
    o.body->SetMassData(&data);
}

void CBoxWorld::add(const WorldFile& file)
{
    for (const WorldFileObject& f : file.objects) {
        AddBody(f.id, f.x, f.y, 0, f.sx, f.sy, f.angle, int32_t(f.type), int32_t(f.shape), f.density, f.friction,
                f.bounce);
        if (Object* o = find(f.id))
            o->maxSpeed = f.maxSpeed;
    }
    for (const WorldFileHinge& h : file.hinges)
        hinge(h.id, h.a, h.b, {h.x, h.y}, h.lower, h.upper, h.motorSpeed, h.maxTorque,
              (h.flags & WorldFileHinge::MOTOR) != 0, (h.flags & WorldFileHinge::LIMITS) != 0,
              (h.flags & WorldFileHinge::COLLIDE) != 0);
    for (const WorldFileWayPoint& w : file.wayPoints)
        wayPoints[w.id] = {w.x, w.y};
}

int32_t CBoxWorld::Create(CFile* file)
{
    WorldFile content;
    if (!content.read(file))
        return FAILED;
    hinges.clear();
    objects.clear();
    wayPoints.clear();
    attractions.clear();
    world.reset(new b2World(metres(content.gravityX, content.gravityY)));
    timeStep = content.timeStep;
    add(content);
    return OK;
}

int32_t CBoxWorld::Load(CFile* file)
{
    WorldFile content;
    if (!content.read(file))
        return FAILED;
    add(content);
    return OK;
}

void CBoxWorld::applyForces()
{
    for (auto& entry : objects) {
        Object& o = *entry.second;
        if (o.force.x != 0 || o.force.y != 0)
            o.body->ApplyForceToCenter(metres(o.force.x, o.force.y), true);
    }
    auto attract = [](Object& centre, Object& o) {
        if (&centre == &o || o.body->GetType() != b2_dynamicBody || centre.g == 0)
            return;
        b2Vec2 d = centre.body->GetPosition() - o.body->GetPosition();
        float r2 = std::max(d.LengthSquared() * U * U, 1.0f);
        float r = std::sqrt(r2);
        float f = float(centre.g) * o.body->GetMass() / r2;
        o.body->ApplyForceToCenter(b2Vec2(d.x * U / r * f / U, d.y * U / r * f / U), true);
    };
    if (forceFields)
        for (auto& c : objects)
            if (c.second->gravityCenter)
                for (auto& o : objects)
                    attract(*c.second, *o.second);
    for (const auto& pair : attractions) {
        Object* centre = find(pair.first);
        Object* o = find(pair.second);
        if (centre && o)
            attract(*centre, *o);
    }
}

void CBoxWorld::afterStep(Object& o)
{
    if (o.maxSpeed > 0) {
        b2Vec2 v = o.body->GetLinearVelocity();
        float s = v.Length() * U;
        if (s > o.maxSpeed)
            o.body->SetLinearVelocity(o.maxSpeed / s * v);
    }
    Point p = o.position();
    if (o.limited) {
        Point c = {std::clamp(p.x, o.lx1, o.lx2), std::clamp(p.y, o.ly1, o.ly2)};
        if (c.x != p.x || c.y != p.y) {
            b2Vec2 v = o.body->GetLinearVelocity();
            o.body->SetTransform(metres(c.x, c.y), o.body->GetAngle());
            o.body->SetLinearVelocity(b2Vec2(c.x != p.x ? 0 : v.x, c.y != p.y ? 0 : v.y));
            p = c;
        }
    }
    o.moved = {p.x - o.last.x, p.y - o.last.y};
    o.last = p;
}

int32_t CBoxWorld::MoveObjects(float* result)
{
    if (result)
        *result = 0;
    if (!running)
        return OK;
    applyForces();
    for (auto& entry : objects)
        steer(*entry.second);
    for (auto& entry : hinges) {
        Hinge& h = *entry.second;
        if (h.steering)
            h.joint->SetMotorSpeed((h.target - h.joint->GetJointAngle()) * STEER_GAIN);
    }
    world->Step(timeStep, VELOCITY_ITERATIONS, POSITION_ITERATIONS);
    for (auto& entry : objects)
        afterStep(*entry.second);
    if (result)
        *result = timeStep;
    return OK;
}

int32_t CBoxWorld::Start()
{
    running = true;
    return OK;
}

int32_t CBoxWorld::Stop()
{
    running = false;
    return OK;
}

int32_t CBoxWorld::SetGravity(float gx, float gy, float gz)
{
    if (!ok(gx, gy, gz))
        return FAILED;
    world->SetGravity(metres(gx, gy));
    return OK;
}

int32_t CBoxWorld::UseFF(bool on)
{
    forceFields = on;
    return OK;
}

int32_t CBoxWorld::AddObject(uint32_t id, uint32_t flags)
{
    if (find(id))
        return FAILED;
    if (AddBody(id, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0.3f, 0) < 0)
        return FAILED;
    find(id)->flags = flags;
    return OK;
}

int32_t CBoxWorld::RemoveObject(uint32_t id)
{
    if (!find(id))
        return FAILED;
    removeObject(id);
    return OK;
}

int32_t CBoxWorld::SetPosition(uint32_t id, float x, float y, float z)
{
    Object* o = find(id);
    if (!o || !ok(x, y, z))
        return FAILED;
    o->body->SetTransform(metres(x, y), o->body->GetAngle());
    o->body->SetAwake(true);
    o->z = z;
    o->last = {x, y};
    return OK;
}

int32_t CBoxWorld::GetPosition(uint32_t id, float* x, float* y, float* z)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    Point p = o->position();
    *x = p.x;
    *y = p.y;
    *z = o->z;
    return OK;
}

int32_t CBoxWorld::SetRadius(uint32_t id, float rx, float ry, float rz)
{
    Object* o = find(id);
    if (!o || !sizeOk(rx) || !(ry == 0 || sizeOk(ry)) || !ok(rz))
        return FAILED;
    o->shape = ry == 0 || ry == rx ? 0 : 1;
    o->sx = rx;
    o->sy = ry == 0 ? rx : ry;
    rebuildFixture(*o);
    return OK;
}

int32_t CBoxWorld::SetMass(uint32_t id, float mass)
{
    Object* o = find(id);
    if (!o || !ok(mass))
        return FAILED;
    o->mass = std::max(mass, 0.0f);
    o->body->SetType(mass > 0 ? b2_dynamicBody : b2_staticBody);
    rebuildFixture(*o);
    return OK;
}

int32_t CBoxWorld::SetRigid(uint32_t id, float rigid)
{
    Object* o = find(id);
    if (!o || !ok(rigid))
        return FAILED;
    o->bounce = std::clamp(rigid, 0.0f, 1.0f);
    o->body->GetFixtureList()->SetRestitution(o->bounce);
    return OK;
}

int32_t CBoxWorld::SetMaxSpeed(uint32_t id, float speed)
{
    Object* o = find(id);
    if (!o || !ok(speed) || speed < 0)
        return FAILED;
    o->maxSpeed = speed;
    return OK;
}

int32_t CBoxWorld::SetSpeed(uint32_t id, float speed)
{
    Object* o = find(id);
    if (!o || !ok(speed))
        return FAILED;
    b2Vec2 v = o->body->GetLinearVelocity();
    float length = v.Length();
    b2Vec2 direction = length > b2_epsilon ? (1.0f / length) * v
                                           : b2Vec2(std::cos(o->body->GetAngle()), std::sin(o->body->GetAngle()));
    o->body->SetLinearVelocity((speed / U) * direction);
    o->body->SetAwake(true);
    return OK;
}

int32_t CBoxWorld::GetSpeed(uint32_t id, float* speed)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *speed = o->body->GetLinearVelocity().Length() * U;
    return OK;
}

int32_t CBoxWorld::SetForce(uint32_t id, float fx, float fy, float fz)
{
    Object* o = find(id);
    if (!o || !ok(fx, fy, fz))
        return FAILED;
    o->force = {fx, fy};
    return OK;
}

int32_t CBoxWorld::AddForce(uint32_t id, float fx, float fy, float fz)
{
    Object* o = find(id);
    if (!o || !ok(fx, fy, fz))
        return FAILED;
    o->body->ApplyForceToCenter(metres(fx, fy), true);
    return OK;
}

int32_t CBoxWorld::AddForceAt(uint32_t id, float fx, float fy, float fz, float px, float py, float pz)
{
    Object* o = find(id);
    if (!o || !ok(fx, fy, fz) || !ok(px, py, pz))
        return FAILED;
    o->body->ApplyForce(metres(fx, fy), metres(px, py), true);
    return OK;
}

int32_t CBoxWorld::SetVelocity(uint32_t id, float vx, float vy, float vz, bool add)
{
    Object* o = find(id);
    if (!o || !ok(vx, vy, vz))
        return FAILED;
    b2Vec2 v = metres(vx, vy);
    o->body->SetLinearVelocity(add ? o->body->GetLinearVelocity() + v : v);
    o->body->SetAwake(true);
    return OK;
}

int32_t CBoxWorld::GetAngle(uint32_t id, float* angle)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *angle = o->body->GetAngle() / DEG;
    return OK;
}

int32_t CBoxWorld::SetAngle(uint32_t id, float angle)
{
    Object* o = find(id);
    if (!o || !ok(angle))
        return FAILED;
    o->body->SetTransform(o->body->GetPosition(), angle * DEG);
    return OK;
}

int32_t CBoxWorld::Rotate(uint32_t id, int32_t mode, float angle)
{
    Object* o = find(id);
    if (!o || !ok(angle) || (mode != 0 && mode != 1))
        return FAILED;
    if (mode == 0)
        o->body->SetTransform(o->body->GetPosition(), o->body->GetAngle() + angle * DEG);
    else
        o->body->SetAngularVelocity(angle * DEG);
    o->body->SetAwake(true);
    return OK;
}

int32_t CBoxWorld::GetRotationX(uint32_t id, float* angle)
{
    if (!find(id))
        return FAILED;
    *angle = 0;
    return OK;
}

int32_t CBoxWorld::GetRotationY(uint32_t id, float* angle) { return GetRotationX(id, angle); }

int32_t CBoxWorld::GetRotationZ(uint32_t id, float* angle) { return GetAngle(id, angle); }

int32_t CBoxWorld::SetDispersion(uint32_t id, float value)
{
    Object* o = find(id);
    if (!o || !ok(value) || value < 0)
        return FAILED;
    o->body->SetLinearDamping(value);
    return OK;
}

int32_t CBoxWorld::SetCollisionType(uint32_t id, int32_t type)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->collisionType = type;
    rebuildFixture(*o);
    return OK;
}

int32_t CBoxWorld::SetAlwaysActive(uint32_t id, bool on)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->body->SetSleepingAllowed(!on);
    return OK;
}

int32_t CBoxWorld::SetActive(uint32_t id, bool on, bool wake)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->body->SetEnabled(on);
    if (on && wake)
        o->body->SetAwake(true);
    return OK;
}

int32_t CBoxWorld::SetActivePath(uint32_t id, int32_t index, bool on)
{
    Object* o = find(id);
    if (!o || index < 0 || size_t(index) >= o->path.size())
        return FAILED;
    if (!on) {
        o->walk = NONE;
        return OK;
    }
    walk(*o, TO, o->path, o->speed, o->radius, false);
    o->next = size_t(index);
    return OK;
}

int32_t CBoxWorld::SetLimit(uint32_t id, float x1, float y1, float z1, float x2, float y2, float z2)
{
    Object* o = find(id);
    if (!o || !ok(x1, y1, z1) || !ok(x2, y2, z2))
        return FAILED;
    o->limited = true;
    o->lx1 = std::min(x1, x2);
    o->lx2 = std::max(x1, x2);
    o->ly1 = std::min(y1, y2);
    o->ly2 = std::max(y1, y2);
    return OK;
}

int32_t CBoxWorld::GetMoveVector(uint32_t id, float* x, float* y, float* z)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *x = o->moved.x;
    *y = o->moved.y;
    *z = 0;
    return OK;
}

int32_t CBoxWorld::GetMoveDistance(uint32_t id, float* d)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    *d = std::hypot(o->moved.x, o->moved.y);
    return OK;
}

int32_t CBoxWorld::SetBodyProperties(uint32_t id, float density, float friction, float bounce, float spinDamping)
{
    Object* o = find(id);
    if (!o || !ok(density, friction, bounce, spinDamping) || !WorldFile::densityOk(density) || friction < 0 ||
        bounce < 0 || spinDamping < 0)
        return FAILED;
    o->density = density;
    o->friction = friction;
    o->bounce = bounce;
    o->body->SetAngularDamping(spinDamping);
    rebuildFixture(*o);
    return OK;
}

int32_t CBoxWorld::SetBodyDynamics(uint32_t id, float damping, float spinDamping, float gravityScale,
                                   float fixedRotation, float bullet)
{
    Object* o = find(id);
    if (!o || !ok(damping, spinDamping, gravityScale, fixedRotation, bullet) || damping < 0 || spinDamping < 0)
        return FAILED;
    o->body->SetLinearDamping(damping);
    o->body->SetAngularDamping(spinDamping);
    o->body->SetGravityScale(gravityScale);
    o->body->SetFixedRotation(fixedRotation != 0);
    o->body->SetBullet(bullet != 0);
    return OK;
}

int32_t CBoxWorld::AddBody(uint32_t id, float x, float y, float z, float sx, float sy, float angle, int32_t type,
                           int32_t shape, float density, float friction, float bounce)
{
    if (!ok(x, y, z) || !ok(angle, density, friction, bounce) || !sizeOk(sx) || (shape == 1 && !sizeOk(sy)) ||
        type < 0 || type > 2 || shape < 0 || shape > 1 || !WorldFile::densityOk(density) || friction < 0 ||
        bounce < 0)
        return FAILED;
    removeObject(id);
    std::unique_ptr<Object> o(new Object);
    o->id = id;
    o->z = z;
    o->shape = shape;
    o->sx = sx;
    o->sy = shape == 1 ? sy : sx;
    o->density = density;
    o->friction = friction;
    o->bounce = bounce;
    o->last = {x, y};
    b2BodyDef def;
    def.type = type == 0 ? b2_staticBody : type == 1 ? b2_dynamicBody : b2_kinematicBody;
    def.position = metres(x, y);
    def.angle = angle * DEG;
    def.userData.pointer = id;
    o->body = world->CreateBody(&def);
    rebuildFixture(*o);
    objects[id] = std::move(o);
    return OK;
}

int32_t CBoxWorld::SetGravityCenter(uint32_t id, bool on)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->gravityCenter = on;
    return OK;
}

int32_t CBoxWorld::SetG(uint32_t id, double g)
{
    Object* o = find(id);
    if (!o || !std::isfinite(g) || std::fabs(g) > 1e12)
        return FAILED;
    o->g = g;
    return OK;
}

int32_t CBoxWorld::AddGravityEx(uint32_t id, uint32_t other, bool on)
{
    if (!find(id) || !find(other) || id == other)
        return FAILED;
    if (on)
        attractions.insert({id, other});
    else
        attractions.erase({id, other});
    return OK;
}

int32_t CBoxWorld::ZeroAll(uint32_t id)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    o->body->SetLinearVelocity(b2Vec2(0, 0));
    o->body->SetAngularVelocity(0);
    o->force = {};
    o->walk = NONE;
    return OK;
}

int32_t CBoxWorld::GetCollision(uint32_t id, bool* hit)
{
    const std::vector<uint32_t>* list = nullptr;
    if (GetAllCollisions(id, &list) < 0)
        return FAILED;
    *hit = !list->empty();
    return OK;
}

int32_t CBoxWorld::GetCollision(uint32_t id, uint32_t other, bool* hit)
{
    const std::vector<uint32_t>* list = nullptr;
    if (!find(other) || GetAllCollisions(id, &list) < 0)
        return FAILED;
    *hit = std::find(list->begin(), list->end(), other) != list->end();
    return OK;
}

int32_t CBoxWorld::GetAllCollisions(uint32_t id, const std::vector<uint32_t>** list)
{
    Object* o = find(id);
    if (!o)
        return FAILED;
    collisions.clear();
    for (b2ContactEdge* e = o->body->GetContactList(); e; e = e->next)
        if (e->contact->IsTouching() && e->contact->IsEnabled()) {
            uint32_t other = uint32_t(e->other->GetUserData().pointer);
            if (std::find(collisions.begin(), collisions.end(), other) == collisions.end())
                collisions.push_back(other);
        }
    *list = &collisions;
    return OK;
}

int32_t CBoxWorld::hinge(uint32_t joint, uint32_t id, uint32_t other, Point anchor, float lower, float upper,
                         float motorRad, float torque, bool motor, bool limits, bool collide)
{
    Object* a = find(id);
    Object* b = find(other);
    if (!a || !b || a == b || !ok(anchor.x, anchor.y) || !ok(lower, upper, motorRad, torque) || torque < 0)
        return FAILED;
    removeHinge(joint);
    b2RevoluteJointDef def;
    def.Initialize(a->body, b->body, metres(anchor.x, anchor.y));
    def.lowerAngle = std::min(lower, upper);
    def.upperAngle = std::max(lower, upper);
    def.enableLimit = limits;
    def.motorSpeed = motorRad;
    def.maxMotorTorque = torque;
    def.enableMotor = motor;
    def.collideConnected = collide;
    std::unique_ptr<Hinge> h(new Hinge);
    h->joint = static_cast<b2RevoluteJoint*>(world->CreateJoint(&def));
    h->a = id;
    h->b = other;
    hinges[joint] = std::move(h);
    return OK;
}

int32_t CBoxWorld::Join(uint32_t id, uint32_t other, float x, float y, float motorSpeed, float maxTorque,
                        float lower, float upper, float collideConnected, float motorOn, float limitOn)
{
    if (!ok(motorSpeed, collideConnected, motorOn, limitOn))
        return FAILED;
    return hinge(id, id, other, {x, y}, lower, upper, motorSpeed * DEG, maxTorque, motorOn != 0, limitOn != 0,
                 collideConnected != 0);
}

int32_t CBoxWorld::Join2(uint32_t id, uint32_t other, float x, float y, float lower, float upper, float motorSpeed,
                         float maxTorque, float motorOn, float limitOn, float collideConnected)
{
    if (!ok(motorOn, limitOn, collideConnected))
        return FAILED;
    return hinge(id, id, other, {x, y}, lower, upper, motorSpeed, maxTorque, motorOn != 0, limitOn != 0,
                 collideConnected != 0);
}

int32_t CBoxWorld::Break(uint32_t joint)
{
    if (!findHinge(joint))
        return FAILED;
    removeHinge(joint);
    return OK;
}

int32_t CBoxWorld::JointSteer(uint32_t joint, float angle)
{
    Hinge* h = findHinge(joint);
    if (!h || !ok(angle))
        return FAILED;
    h->steering = true;
    h->target = angle * DEG;
    h->joint->EnableMotor(true);
    return OK;
}

int32_t CBoxWorld::JointSpeed(uint32_t joint, float speed)
{
    Hinge* h = findHinge(joint);
    if (!h || !ok(speed))
        return FAILED;
    h->steering = false;
    h->joint->SetMotorSpeed(speed * DEG);
    h->joint->EnableMotor(true);
    return OK;
}
