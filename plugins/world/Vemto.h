#pragma once
#include <cstdint>
#include <vector>

class CFile;

// The physics and path-finding world that a WORLD object drives. Objects,
// joints and way points are named by numbers the script chooses; every
// operation answers a status, 0 or more on success and negative on failure
// (FAILED: an unknown id, a refused value or a world file that cannot be
// read). Quantities are 32-bit floats in world units: one unit is one
// screen pixel, with the y axis pointing up; speeds are units a second,
// forces units a second squared times mass, angles degrees unless said.
// z values are kept and given back but take no part in the simulation.
//
// CBoxWorld is the implementation (over Box2D); the tests drive the WORLD
// object through a recording one.
class IVemto {
public:
    enum { OK = 0, FAILED = -1 };
    // What IsAtGoal reports (once) after a walk ended.
    enum { GOAL_NONE = 0, GOAL_REACHED = 1, GOAL_NO_PATH = 2 };

    virtual ~IVemto() {}

    // The world file (WorldFile.h): Create replaces the whole world with the
    // file's, Load adds the file's objects, joints and way points to it
    // (objects and joints whose id is taken replace the old ones). A file
    // that cannot be read changes nothing.
    virtual int32_t Create(CFile* file) = 0;
    virtual int32_t Load(CFile* file) = 0;
    // One fixed step of the world's time step (1/60 s unless the file gives
    // another) while it runs; *result is the time stepped in seconds (0
    // while stopped).
    virtual int32_t MoveObjects(float* result) = 0;
    virtual int32_t Start() = 0;
    virtual int32_t Stop() = 0;
    virtual int32_t SetGravity(float gx, float gy, float gz) = 0;
    // Whether gravity centres attract the other objects.
    virtual int32_t UseFF(bool on) = 0;

    // An object: a dynamic circle of radius 1 at the origin; fails when the
    // id is taken. `flags` are kept and not used.
    virtual int32_t AddObject(uint32_t id, uint32_t flags) = 0;
    // The object, its joints and its gravity links go.
    virtual int32_t RemoveObject(uint32_t id) = 0;
    virtual int32_t SetPosition(uint32_t id, float x, float y, float z) = 0;
    virtual int32_t GetPosition(uint32_t id, float* x, float* y, float* z) = 0;
    // A circle of radius rx when ry is 0 or equal to rx, else a box of half
    // sizes rx and ry.
    virtual int32_t SetRadius(uint32_t id, float rx, float ry, float rz) = 0;
    // A mass of 0 or less makes the object static (it never moves).
    virtual int32_t SetMass(uint32_t id, float mass) = 0;
    // How much of its speed the object keeps when it bounces, 0 to 1.
    virtual int32_t SetRigid(uint32_t id, float rigid) = 0;
    // The highest speed the object reaches; 0 for no limit.
    virtual int32_t SetMaxSpeed(uint32_t id, float speed) = 0;
    // The speed along the current direction of motion (the object's heading
    // when it stands).
    virtual int32_t SetSpeed(uint32_t id, float speed) = 0;
    virtual int32_t GetSpeed(uint32_t id, float* speed) = 0;
    // A force acting in every step from now on (0, 0 ends it).
    virtual int32_t SetForce(uint32_t id, float fx, float fy, float fz) = 0;
    // A force acting in the next step only, at the centre or at a point.
    virtual int32_t AddForce(uint32_t id, float fx, float fy, float fz) = 0;
    virtual int32_t AddForceAt(uint32_t id, float fx, float fy, float fz, float px, float py, float pz) = 0;
    // Sets the velocity, or adds to it.
    virtual int32_t SetVelocity(uint32_t id, float vx, float vy, float vz, bool add) = 0;
    virtual int32_t GetAngle(uint32_t id, float* angle) = 0;
    virtual int32_t SetAngle(uint32_t id, float angle) = 0;
    // Mode 0 turns the object by the angle, mode 1 makes it spin by the
    // angle a second; other modes fail.
    virtual int32_t Rotate(uint32_t id, int32_t mode, float angle) = 0;
    // The turns about the three axes: x and y are always 0 in this world.
    virtual int32_t GetRotationX(uint32_t id, float* angle) = 0;
    virtual int32_t GetRotationY(uint32_t id, float* angle) = 0;
    virtual int32_t GetRotationZ(uint32_t id, float* angle) = 0;
    // How fast the object's motion dies away (linear damping).
    virtual int32_t SetDispersion(uint32_t id, float value) = 0;
    // 0 collides with everything; n > 0 never collides with other objects
    // of type n; n < 0 collides with nothing.
    virtual int32_t SetCollisionType(uint32_t id, int32_t type) = 0;
    // An object always active never falls asleep.
    virtual int32_t SetAlwaysActive(uint32_t id, bool on) = 0;
    // An inactive object takes no part in the world; wake wakes it.
    virtual int32_t SetActive(uint32_t id, bool on, bool wake) = 0;
    // Moves the object's walk to point `index` of its path and starts
    // (or, off, stops) the walk along it.
    virtual int32_t SetActivePath(uint32_t id, int32_t index, bool on) = 0;
    // Keeps the object inside the box of the two corners after each step.
    virtual int32_t SetLimit(uint32_t id, float x1, float y1, float z1, float x2, float y2, float z2) = 0;
    // How far the object moved in the last step.
    virtual int32_t GetMoveVector(uint32_t id, float* x, float* y, float* z) = 0;
    virtual int32_t GetMoveDistance(uint32_t id, float* distance) = 0;
    // Density, friction, bounce and angular damping.
    virtual int32_t SetBodyProperties(uint32_t id, float density, float friction, float bounce, float spinDamping) = 0;
    // Linear and angular damping, gravity scale, fixed rotation (non-zero)
    // and continuous collision (non-zero).
    virtual int32_t SetBodyDynamics(uint32_t id, float damping, float spinDamping, float gravityScale,
                                    float fixedRotation, float bullet) = 0;
    // An object built whole: position x, y, z, half sizes sx and sy (the
    // radius sx for a circle), angle; type 0 static, 1 dynamic, 2 moved
    // only by its velocity; shape 0 circle, 1 box; density, friction,
    // bounce. An object of that id is replaced.
    virtual int32_t AddBody(uint32_t id, float x, float y, float z, float sx, float sy, float angle, int32_t type,
                            int32_t shape, float density, float friction, float bounce) = 0;
    // A gravity centre attracts the other objects while UseFF is on.
    virtual int32_t SetGravityCenter(uint32_t id, bool on) = 0;
    virtual int32_t SetG(uint32_t id, double g) = 0;
    // `other` is attracted by `id` whatever UseFF says (off ends it).
    virtual int32_t AddGravityEx(uint32_t id, uint32_t other, bool on) = 0;
    // Stops the object: velocities, lasting force and walk.
    virtual int32_t ZeroAll(uint32_t id) = 0;

    // Whether the object touches any other, or that one.
    virtual int32_t GetCollision(uint32_t id, bool* hit) = 0;
    virtual int32_t GetCollision(uint32_t id, uint32_t other, bool* hit) = 0;
    // The ids of the objects it touches; the list is the world's, valid
    // until the next call.
    virtual int32_t GetAllCollisions(uint32_t id, const std::vector<uint32_t>** list) = 0;

    // Way points: the nodes of the graph a walk is found in. Two way points
    // are joined when the straight way between them crosses no static
    // object. An object with its mesh enabled finds its way through the
    // graph; without, it walks straight to its goal.
    virtual int32_t EnableMesh(uint32_t id, bool on) = 0;
    // Whether the object collides with static objects.
    virtual int32_t CollideMesh(uint32_t id, bool on) = 0;
    virtual int32_t IsMeshEnabled(uint32_t id, bool* on) = 0;
    virtual int32_t IsMeshColliding(uint32_t id, bool* on) = 0;
    // A way point numbered id at the object id's position, or at a point.
    virtual int32_t AddMeshWayPoint(uint32_t id) = 0;
    virtual int32_t AddMeshWayPoint(uint32_t id, float x, float y, float z) = 0;
    virtual int32_t AddWayPoint(uint32_t id, float x, float y, float z) = 0;
    // Point n of the object's path goes; n < 0 empties its path and route.
    virtual int32_t RemoveWayPoint(uint32_t id, int32_t n) = 0;
    // Appends a point to the object's own path.
    virtual int32_t AddToPath(uint32_t id, float x, float y, float z) = 0;
    // Finds the object's route to the object `target` (when there is one of
    // that id) or to the point; with walk it starts walking it. No route:
    // IsAtGoal reports GOAL_NO_PATH.
    virtual int32_t FindPath(uint32_t id, uint32_t target, float x, float y, float z, bool walk) = 0;
    // GOAL_REACHED or GOAL_NO_PATH once after a walk ended, else GOAL_NONE.
    virtual int32_t IsAtGoal(uint32_t id, uint32_t* state) = 0;
    // The walks: each step the object heads for its next point at the
    // speed, and a point counts as reached within the radius. *out is the
    // distance left. Follow keeps after the point and reports no goal;
    // MoveTo walks to it and reports the goal; the path forms walk the
    // object's path (FollowPath from the start again at its end when loop
    // is non-zero); GotoPath puts the object on point p of its path at once
    // (*out: the number of points); FollowRoute walks the route FindPath
    // found.
    virtual int32_t Follow(uint32_t id, float x, float y, float speed, float radius, float p5, float p6,
                           float* out) = 0;
    virtual int32_t FollowPath(uint32_t id, float speed, float radius, float loop, float* out) = 0;
    virtual int32_t GotoPath(uint32_t id, float p, float* out) = 0;
    virtual int32_t MoveTo(uint32_t id, float x, float y, float z, float speed, float radius, float* out) = 0;
    virtual int32_t MoveToPath(uint32_t id, float speed, float radius, float* out) = 0;
    virtual int32_t FollowRoute(uint32_t id, float speed, float radius, float* out) = 0;

    // A hinge (numbered id) between the objects id and other at the point,
    // motor speed in degrees a second and its greatest torque, the limits
    // in radians, collideConnected, motor on and limits on as non-zero.
    virtual int32_t Join(uint32_t id, uint32_t other, float x, float y, float motorSpeed, float maxTorque,
                         float lower, float upper, float collideConnected, float motorOn, float limitOn) = 0;
    // The same with every value raw: anchor x and y, limits (radians),
    // motor speed (radians a second), torque, motor on, limits on, collide.
    virtual int32_t Join2(uint32_t id, uint32_t other, float x, float y, float lower, float upper, float motorSpeed,
                          float maxTorque, float motorOn, float limitOn, float collideConnected) = 0;
    virtual int32_t Break(uint32_t joint) = 0;
    // Turns the hinge's motor towards that angle (degrees) and holds it.
    virtual int32_t JointSteer(uint32_t joint, float angle) = 0;
    // Runs the hinge's motor at that speed (degrees a second).
    virtual int32_t JointSpeed(uint32_t joint, float speed) = 0;
};
