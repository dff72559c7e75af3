#pragma once
#include "world/Vemto.h"

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

class b2Body;
class b2Joint;
class b2World;
struct b2Vec2;
struct WorldFile;

// The world of a WORLD object over Box2D: bodies with gravity, forces,
// speed limits, damping, contacts and hinges with limits and motors, and
// our own walks: paths, and routes found by A* over the way-point graph.
// Box2D works in metres; one metre is UNITS_PER_METRE world units.
class CBoxWorld : public IVemto {
public:
    static constexpr float UNITS_PER_METRE = 32.0f;
    static constexpr int VELOCITY_ITERATIONS = 8;
    static constexpr int POSITION_ITERATIONS = 3;
    // The speed of a walk started by FindPath before any walk set one.
    static constexpr float DEFAULT_WALK_SPEED = 100.0f;

    CBoxWorld();
    ~CBoxWorld() override;
    CBoxWorld(const CBoxWorld&) = delete;
    CBoxWorld& operator=(const CBoxWorld&) = delete;

    // The world's Box2D world, for comparing with Box2D's own results.
    b2World* getBox2D() { return world.get(); }
    // Builds the file's content into the world (what Create and Load do
    // after reading it).
    void add(const WorldFile& file);

    int32_t Create(CFile* file) override;
    int32_t Load(CFile* file) override;
    int32_t MoveObjects(float* result) override;
    int32_t Start() override;
    int32_t Stop() override;
    int32_t SetGravity(float gx, float gy, float gz) override;
    int32_t UseFF(bool on) override;
    int32_t AddObject(uint32_t id, uint32_t flags) override;
    int32_t RemoveObject(uint32_t id) override;
    int32_t SetPosition(uint32_t id, float x, float y, float z) override;
    int32_t GetPosition(uint32_t id, float* x, float* y, float* z) override;
    int32_t SetRadius(uint32_t id, float rx, float ry, float rz) override;
    int32_t SetMass(uint32_t id, float mass) override;
    int32_t SetRigid(uint32_t id, float rigid) override;
    int32_t SetMaxSpeed(uint32_t id, float speed) override;
    int32_t SetSpeed(uint32_t id, float speed) override;
    int32_t GetSpeed(uint32_t id, float* speed) override;
    int32_t SetForce(uint32_t id, float fx, float fy, float fz) override;
    int32_t AddForce(uint32_t id, float fx, float fy, float fz) override;
    int32_t AddForceAt(uint32_t id, float fx, float fy, float fz, float px, float py, float pz) override;
    int32_t SetVelocity(uint32_t id, float vx, float vy, float vz, bool add) override;
    int32_t GetAngle(uint32_t id, float* angle) override;
    int32_t SetAngle(uint32_t id, float angle) override;
    int32_t Rotate(uint32_t id, int32_t mode, float angle) override;
    int32_t GetRotationX(uint32_t id, float* angle) override;
    int32_t GetRotationY(uint32_t id, float* angle) override;
    int32_t GetRotationZ(uint32_t id, float* angle) override;
    int32_t SetDispersion(uint32_t id, float value) override;
    int32_t SetCollisionType(uint32_t id, int32_t type) override;
    int32_t SetAlwaysActive(uint32_t id, bool on) override;
    int32_t SetActive(uint32_t id, bool on, bool wake) override;
    int32_t SetActivePath(uint32_t id, int32_t index, bool on) override;
    int32_t SetLimit(uint32_t id, float x1, float y1, float z1, float x2, float y2, float z2) override;
    int32_t GetMoveVector(uint32_t id, float* x, float* y, float* z) override;
    int32_t GetMoveDistance(uint32_t id, float* distance) override;
    int32_t SetBodyProperties(uint32_t id, float density, float friction, float bounce, float spinDamping) override;
    int32_t SetBodyDynamics(uint32_t id, float damping, float spinDamping, float gravityScale, float fixedRotation,
                            float bullet) override;
    int32_t AddBody(uint32_t id, float x, float y, float z, float sx, float sy, float angle, int32_t type,
                    int32_t shape, float density, float friction, float bounce) override;
    int32_t SetGravityCenter(uint32_t id, bool on) override;
    int32_t SetG(uint32_t id, double g) override;
    int32_t AddGravityEx(uint32_t id, uint32_t other, bool on) override;
    int32_t ZeroAll(uint32_t id) override;
    int32_t GetCollision(uint32_t id, bool* hit) override;
    int32_t GetCollision(uint32_t id, uint32_t other, bool* hit) override;
    int32_t GetAllCollisions(uint32_t id, const std::vector<uint32_t>** list) override;
    int32_t EnableMesh(uint32_t id, bool on) override;
    int32_t CollideMesh(uint32_t id, bool on) override;
    int32_t IsMeshEnabled(uint32_t id, bool* on) override;
    int32_t IsMeshColliding(uint32_t id, bool* on) override;
    int32_t AddMeshWayPoint(uint32_t id) override;
    int32_t AddMeshWayPoint(uint32_t id, float x, float y, float z) override;
    int32_t AddWayPoint(uint32_t id, float x, float y, float z) override;
    int32_t RemoveWayPoint(uint32_t id, int32_t n) override;
    int32_t AddToPath(uint32_t id, float x, float y, float z) override;
    int32_t FindPath(uint32_t id, uint32_t target, float x, float y, float z, bool walk) override;
    int32_t IsAtGoal(uint32_t id, uint32_t* state) override;
    int32_t Follow(uint32_t id, float x, float y, float speed, float radius, float p5, float p6, float* out) override;
    int32_t FollowPath(uint32_t id, float speed, float radius, float loop, float* out) override;
    int32_t GotoPath(uint32_t id, float p, float* out) override;
    int32_t MoveTo(uint32_t id, float x, float y, float z, float speed, float radius, float* out) override;
    int32_t MoveToPath(uint32_t id, float speed, float radius, float* out) override;
    int32_t FollowRoute(uint32_t id, float speed, float radius, float* out) override;
    int32_t Join(uint32_t id, uint32_t other, float x, float y, float motorSpeed, float maxTorque, float lower,
                 float upper, float collideConnected, float motorOn, float limitOn) override;
    int32_t Join2(uint32_t id, uint32_t other, float x, float y, float lower, float upper, float motorSpeed,
                  float maxTorque, float motorOn, float limitOn, float collideConnected) override;
    int32_t Break(uint32_t joint) override;
    int32_t JointSteer(uint32_t joint, float angle) override;
    int32_t JointSpeed(uint32_t joint, float speed) override;

    struct Point {
        float x = 0, y = 0;
    };
    struct Object;
    struct Hinge;

private:
    Object* find(uint32_t id);
    Hinge* findHinge(uint32_t id);
    void removeObject(uint32_t id);
    void removeHinge(uint32_t id);
    // Makes the object's one fixture again after a change of its shape,
    // material or collision filter.
    void rebuildFixture(Object& o);
    void applyForces();
    void steer(Object& o);
    void afterStep(Object& o);
    // Whether the straight way between two points crosses a static object.
    bool blocked(Point a, Point b);
    // The points from `from` to `to` through the way-point graph, empty when
    // none leads there.
    std::vector<Point> route(Point from, Point to, bool throughGraph);
    int32_t walk(Object& o, int mode, std::vector<Point> points, float speed, float radius, bool loop);
    int32_t hinge(uint32_t joint, uint32_t id, uint32_t other, Point anchorUnits, float lower, float upper,
                  float motorRad, float torque, bool motor, bool limits, bool collide);

    std::unique_ptr<b2World> world;
    std::map<uint32_t, std::unique_ptr<Object>> objects;
    std::map<uint32_t, std::unique_ptr<Hinge>> hinges;
    std::map<uint32_t, Point> wayPoints;
    std::set<std::pair<uint32_t, uint32_t>> attractions;
    std::vector<uint32_t> collisions;
    float timeStep;
    bool running;
    bool forceFields;
};
