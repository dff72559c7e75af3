// The physics world over Box2D and its world file: what the file refuses,
// and the behaviours the WORLD methods rely on (speed limits, collisions,
// hinges, walks found through the way points).
#include "WorldFiles.h"
#include "base/FileStream.h"
#include "support/TestSupport.h"
#include "world/BoxWorld.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

std::string bytesOf(const WorldFile& content)
{
    testsupport::TempDir tmp;
    EXPECT_TRUE(worldtest::writeWorld(tmp.file("w.wld"), content));
    return tmp.read("w.wld");
}

WorldFile sample()
{
    WorldFile f;
    f.gravityY = -200;
    f.timeStep = 0.02f;
    f.objects = {worldtest::box(1, 1, 0, 50, 10), worldtest::box(2, 0, 0, -50, 40)};
    f.objects[0].shape = 0;
    f.objects[0].maxSpeed = 300;
    WorldFileHinge h;
    h.id = 9;
    h.a = 1;
    h.b = 2;
    h.lower = -0.5f;
    h.upper = 0.5f;
    h.flags = WorldFileHinge::LIMITS;
    f.hinges = {h};
    f.wayPoints = {{4, 10, 20}};
    return f;
}

bool readBytes(std::string bytes, WorldFile* out)
{
    CFile_Stream stream(&bytes[0], int(bytes.size()));
    return out->read(&stream);
}

void putFloat(std::string& bytes, size_t at, float v) { std::memcpy(&bytes[at], &v, 4); }
void putU32(std::string& bytes, size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }

TEST(WorldFileTest, WrittenAndReadBack)
{
    std::string bytes = bytesOf(sample());
    ASSERT_EQ(bytes.size(), 20u + 4 + 2 * 48 + 4 + 40 + 4 + 12);
    WorldFile back;
    ASSERT_TRUE(readBytes(bytes, &back));
    EXPECT_EQ(back.gravityY, -200);
    EXPECT_EQ(back.timeStep, 0.02f);
    ASSERT_EQ(back.objects.size(), 2u);
    EXPECT_EQ(back.objects[0].maxSpeed, 300);
    EXPECT_EQ(back.objects[1].sy, 40);
    ASSERT_EQ(back.hinges.size(), 1u);
    EXPECT_EQ(back.hinges[0].lower, -0.5f);
    ASSERT_EQ(back.wayPoints.size(), 1u);
    EXPECT_EQ(back.wayPoints[0].y, 20);
}

TEST(WorldFileTest, DamagedFilesAreRefusedWhole)
{
    const std::string good = bytesOf(sample());
    const size_t objects = 24, object2 = objects + 48, hinge = objects + 96 + 4;
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"magic", [](std::string& b) { b[0] = 'X'; }},
        {"version", [](std::string& b) { putU32(b, 4, 2); }},
        {"no time step", [](std::string& b) { putFloat(b, 16, 0); }},
        {"gravity not a number", [](std::string& b) { putFloat(b, 12, std::numeric_limits<float>::quiet_NaN()); }},
        {"short", [](std::string& b) { b.resize(b.size() - 1); }},
        {"cut in an object", [&](std::string& b) { b.resize(object2 + 10); }},
        {"bytes left over", [](std::string& b) { b += '\0'; }},
        {"too many objects", [&](std::string& b) { putU32(b, objects - 4, WorldFile::MAX_COUNT + 1); }},
        {"one object more than there is", [&](std::string& b) { putU32(b, objects - 4, 3); }},
        {"a size of 0", [&](std::string& b) { putFloat(b, objects + 12 + 12, 0); }},
        {"a type of 3", [&](std::string& b) { putU32(b, objects + 4, 3); }},
        {"infinite x", [&](std::string& b) { putFloat(b, objects + 12, INFINITY); }},
        {"negative density", [&](std::string& b) { putFloat(b, objects + 12 + 20, -1); }},
        {"an id twice", [&](std::string& b) { putU32(b, object2, 1); }},
        {"a hinge to nothing", [&](std::string& b) { putU32(b, hinge + 8, 7); }},
        {"limits the wrong way", [&](std::string& b) { putFloat(b, hinge + 20, 1); }},
        {"unknown hinge flags", [&](std::string& b) { putU32(b, hinge + 28, 8); }},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        c.damage(bytes);
        WorldFile read;
        EXPECT_FALSE(readBytes(bytes, &read)) << c.what;
        EXPECT_TRUE(read.objects.empty()) << c.what;
        // The world keeps what it had.
        CBoxWorld world;
        ASSERT_EQ(world.AddObject(5, 0), 0);
        CFile_Stream stream(&bytes[0], int(bytes.size()));
        EXPECT_EQ(world.Create(&stream), IVemto::FAILED) << c.what;
        float x, y, z;
        EXPECT_EQ(world.GetPosition(5, &x, &y, &z), 0) << c.what;
    }
}

TEST(CBoxWorldTest, ValuesOutOfReachAndUnknownIdsFail)
{
    CBoxWorld world;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(world.AddObject(1, 0), 0);
    EXPECT_EQ(world.AddObject(1, 0), IVemto::FAILED);
    EXPECT_EQ(world.SetPosition(1, nan, 0, 0), IVemto::FAILED);
    EXPECT_EQ(world.SetPosition(1, 1e30f, 0, 0), IVemto::FAILED);
    EXPECT_EQ(world.SetRadius(1, 0, 0, 0), IVemto::FAILED);
    EXPECT_EQ(world.AddBody(3, 0, 0, 0, 1e-20f, 5, 0, 1, 1, 1, 0, 0), IVemto::FAILED); // no area for Box2D
    EXPECT_EQ(world.SetVelocity(1, INFINITY, 0, 0, false), IVemto::FAILED);
    EXPECT_EQ(world.SetPosition(2, 0, 0, 0), IVemto::FAILED);
    EXPECT_EQ(world.Rotate(1, 2, 10), IVemto::FAILED);
    // A weightless object is made heavy enough not to overflow its speed.
    EXPECT_EQ(world.SetMass(1, 1e-30f), 0);
    EXPECT_EQ(world.AddForce(1, 1e7f, 0, 0), 0);
    float dt;
    world.MoveObjects(&dt);
    float speed = 0;
    world.GetSpeed(1, &speed);
    EXPECT_TRUE(std::isfinite(speed));
    EXPECT_EQ(world.Join(1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0), IVemto::FAILED);
    EXPECT_EQ(world.Break(1), IVemto::FAILED);
    float x = 0, y = 0, z = 0;
    EXPECT_EQ(world.SetPosition(1, 12, -34, 5), 0);
    EXPECT_EQ(world.GetPosition(1, &x, &y, &z), 0);
    EXPECT_FLOAT_EQ(x, 12);
    EXPECT_FLOAT_EQ(y, -34);
    EXPECT_EQ(z, 5);
}

TEST(CBoxWorldTest, SpeedLimitsStopAndCollisions)
{
    CBoxWorld world;
    world.SetGravity(0, -1000, 0);
    world.AddBody(1, 0, 0, 0, 10, 10, 0, 1, 0, 1, 0, 0);
    world.SetMaxSpeed(1, 50);
    float dt = 0, speed = 0;
    for (int i = 0; i < 30; ++i)
        world.MoveObjects(&dt);
    EXPECT_FLOAT_EQ(dt, 1.0f / 60);
    world.GetSpeed(1, &speed);
    EXPECT_LE(speed, 50.001f);
    EXPECT_GT(speed, 49.0f);
    world.Stop();
    world.MoveObjects(&dt);
    EXPECT_EQ(dt, 0);
    world.Start();

    world.AddBody(2, 0, -15, 0, 10, 10, 0, 0, 1, 1, 0, 0);
    world.AddBody(3, 500, 0, 0, 10, 10, 0, 1, 0, 1, 0, 0);
    world.MoveObjects(&dt);
    const std::vector<uint32_t>* list = nullptr;
    ASSERT_EQ(world.GetAllCollisions(1, &list), 0);
    EXPECT_EQ(*list, std::vector<uint32_t>{2});
    bool hit = false;
    EXPECT_EQ(world.GetCollision(2, 1, &hit), 0);
    EXPECT_TRUE(hit);
    EXPECT_EQ(world.GetCollision(3, &hit), 0);
    EXPECT_FALSE(hit);
    // Type -1 collides with nothing.
    world.SetCollisionType(1, -1);
    world.MoveObjects(&dt);
    EXPECT_EQ(world.GetCollision(1, &hit), 0);
    EXPECT_FALSE(hit);
    EXPECT_EQ(world.RemoveObject(2), 0);
    EXPECT_EQ(world.GetCollision(2, &hit), IVemto::FAILED);
}

TEST(CBoxWorldTest, AHingeKeepsItsLimitsInRadians)
{
    CBoxWorld world;
    world.SetGravity(0, -600, 0);
    world.AddBody(1, 0, 0, 0, 5, 5, 0, 0, 0, 1, 0, 0);
    world.AddBody(2, 60, 0, 0, 10, 10, 0, 1, 1, 1, 0, 0);
    ASSERT_EQ(world.Join(1, 2, 0, 0, 0, 0, -0.2f, 0.2f, 0, 0, 1), 0);
    float dt, angle = 0, lowest = 0;
    for (int i = 0; i < 120; ++i) {
        world.MoveObjects(&dt);
        world.GetAngle(2, &angle);
        lowest = std::min(lowest, angle);
    }
    // Free, the arm would swing down to -90 degrees; the limit (11.5
    // degrees) gives a little under the arm's weight.
    EXPECT_GT(lowest, -20.0f);
    EXPECT_LT(lowest, -10.0f);
    EXPECT_EQ(world.Break(1), 0);
    for (int i = 0; i < 120; ++i)
        world.MoveObjects(&dt);
    float x, y, z;
    world.GetPosition(2, &x, &y, &z);
    EXPECT_LT(y, -100); // falls once the hinge is broken
}

TEST(CBoxWorldTest, AWalkFindsItsWayRoundAWallThroughTheWayPoints)
{
    CBoxWorld world;
    world.AddBody(9, 0, 0, 0, 10, 100, 0, 0, 1, 1, 0, 0); // the wall
    world.AddBody(1, -100, 0, 0, 5, 5, 0, 1, 0, 1, 0, 0);
    world.AddWayPoint(50, 0, 160, 0);
    world.AddWayPoint(51, 300, 400, 0);
    world.EnableMesh(1, true);
    world.SetAlwaysActive(1, true);
    ASSERT_EQ(world.FindPath(1, 0, 100, 0, 0, true), 0);
    float dt, x = 0, y = 0, z, highest = -1000;
    uint32_t state = 0;
    int steps = 0;
    for (; steps < 2000 && state == 0; ++steps) {
        world.MoveObjects(&dt);
        world.IsAtGoal(1, &state);
        world.GetPosition(1, &x, &y, &z);
        highest = std::max(highest, y);
    }
    EXPECT_EQ(state, uint32_t(IVemto::GOAL_REACHED));
    EXPECT_NEAR(x, 100, 3);
    EXPECT_NEAR(y, 0, 3);
    EXPECT_GT(highest, 150); // over the wall, by way point 50
    world.IsAtGoal(1, &state);
    EXPECT_EQ(state, uint32_t(IVemto::GOAL_NONE)); // reported once

    // A closed room with no way point out: no path.
    world.RemoveWayPoint(1, -1);
    CBoxWorld room;
    room.AddBody(9, 0, 0, 0, 10, 1000, 0, 0, 1, 1, 0, 0);
    room.AddBody(1, -100, 0, 0, 5, 5, 0, 1, 0, 1, 0, 0);
    room.EnableMesh(1, true);
    room.FindPath(1, 0, 100, 0, 0, true);
    room.IsAtGoal(1, &state);
    EXPECT_EQ(state, uint32_t(IVemto::GOAL_NO_PATH));
}

} // namespace
