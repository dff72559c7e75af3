#pragma once
#include <cstdint>
#include <vector>

class CFile;

// The world file that a WORLD's "FILENAME" names and its "LOAD" reads: a
// world's settings, objects, hinges and way points. Little-endian; floats
// are IEEE 754 single precision; units as in Vemto.h.
//
//   u32 magic "QWLD" (0x444C5751)     u32 version (1)
//   f32 gravity x, f32 gravity y       f32 time step (seconds, 0 < t <= 1)
//   u32 object count (at most MAX_COUNT), then each object:
//     u32 id, u32 type (0 static, 1 dynamic, 2 kinematic),
//     u32 shape (0 circle of radius sx, 1 box of half sizes sx, sy),
//     f32 x, y, angle (degrees), sx, sy, density, friction, bounce,
//     f32 greatest speed (0: none)
//   u32 hinge count (at most MAX_COUNT), then each hinge:
//     u32 id, u32 object a, u32 object b, f32 anchor x, y,
//     f32 lower, upper (radians), u32 flags (1 limits, 2 motor,
//     4 the two objects collide), f32 motor speed (radians a second),
//     f32 greatest motor torque
//   u32 way point count (at most MAX_COUNT), then each: u32 id, f32 x, y
//
// A file is taken whole or not at all: a short file, bytes left over, a
// count above MAX_COUNT, a value that is not finite or out of its range
// (sizes MIN_SIZE <= s <= MAX_SIZE, coordinates within MAX_COORD, a
// density of 0 or from MIN_DENSITY, friction, bounce and speeds not
// negative), an object id given twice or a
// hinge naming an object the file does not hold refuse it.
struct WorldFileObject {
    uint32_t id = 0;
    uint32_t type = 1;
    uint32_t shape = 0;
    float x = 0, y = 0, angle = 0, sx = 1, sy = 1, density = 1, friction = 0.3f, bounce = 0, maxSpeed = 0;
};

struct WorldFileHinge {
    enum { LIMITS = 1, MOTOR = 2, COLLIDE = 4 };
    uint32_t id = 0, a = 0, b = 0;
    float x = 0, y = 0, lower = 0, upper = 0;
    uint32_t flags = 0;
    float motorSpeed = 0, maxTorque = 0;
};

struct WorldFileWayPoint {
    uint32_t id = 0;
    float x = 0, y = 0;
};

struct WorldFile {
    enum : uint32_t { MAGIC = 0x444C5751, VERSION = 1, MAX_COUNT = 4096 };
    // Box2D cannot take a shape whose area is next to nothing.
    static constexpr float MIN_SIZE = 0.1f;
    static constexpr float MAX_SIZE = 100000.0f;
    // Nor a body so light that its inertia rounds to nothing.
    static constexpr float MIN_DENSITY = 1e-3f;
    static constexpr float MAX_COORD = 10000000.0f;

    float gravityX = 0, gravityY = -300;
    float timeStep = 1.0f / 60.0f;
    std::vector<WorldFileObject> objects;
    std::vector<WorldFileHinge> hinges;
    std::vector<WorldFileWayPoint> wayPoints;

    static bool densityOk(float d) { return d == 0 || (d >= MIN_DENSITY && d <= MAX_COORD); }

    // Reads the rest of an open file (or stream) from its position; false,
    // with this left empty, when the file is refused.
    bool read(CFile* file);
    // Writes the whole form at the file's position; false when a write failed.
    bool write(CFile* file) const;
};
