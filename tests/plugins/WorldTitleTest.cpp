// A title played by the host with the World plug-in: two bodies of a world
// file, linked to two IMAGEs, fall under gravity until they meet. The step
// and the positions equal Box2D's own for the same world, the IMAGEs are
// drawn where the bodies are, and the collision reaches the linked objects.
#include "WorldFiles.h"
#include "host/FrameAfterDone.h"
#include "host/HostTitle.h"
#include "objects/ImageFiles.h"
#include "world/BoxWorld.h"

#include <box2d/box2d.h>
#include <memory>

namespace {

using CMC_WorldTitle = testsupport::HostTitle;

// GREY is the screen where nothing is drawn.
const uint16_t RED = 0xF800, BLUE = 0x001F, GREY = 0x0020;

WorldFile fallingBox()
{
    WorldFile file;
    file.gravityX = 0;
    file.gravityY = -300;
    file.objects = {worldtest::box(1, 1, 0, 100, 10), worldtest::box(2, 0, 0, -100, 10)};
    return file;
}

// The same world built with Box2D alone: the step at which the falling box
// first touches the ground, and the screen point of its centre then.
struct Expected {
    int step = 0;
    int x = 0, y = 0;
};

Expected boxTwoDAlone(const WorldFile& file)
{
    const float u = CBoxWorld::UNITS_PER_METRE;
    b2World world(b2Vec2(file.gravityX / u, file.gravityY / u));
    b2Body* bodies[2];
    for (int i = 0; i < 2; ++i) {
        const WorldFileObject& o = file.objects[size_t(i)];
        b2BodyDef def;
        def.type = o.type ? b2_dynamicBody : b2_staticBody;
        def.position.Set(o.x / u, o.y / u);
        bodies[i] = world.CreateBody(&def);
        b2PolygonShape shape;
        shape.SetAsBox(o.sx / u, o.sy / u);
        b2FixtureDef fixture;
        fixture.shape = &shape;
        fixture.density = o.density;
        fixture.friction = o.friction;
        fixture.restitution = o.bounce;
        bodies[i]->CreateFixture(&fixture);
    }
    Expected e;
    for (int step = 1; step < 1000 && !e.step; ++step) {
        world.Step(file.timeStep, CBoxWorld::VELOCITY_ITERATIONS, CBoxWorld::POSITION_ITERATIONS);
        for (b2ContactEdge* c = bodies[0]->GetContactList(); c; c = c->next)
            if (c->contact->IsTouching())
                e.step = step;
    }
    float x = bodies[0]->GetPosition().x * u;
    float y = bodies[0]->GetPosition().y * u;
    e.x = int(400.0f + x);
    e.y = int(300.0f - y);
    return e;
}

std::string application()
{
    return "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S\n"
           "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:DLLS=World.dll\n";
}

std::string scene()
{
    std::string kept;
    for (const char* name : {"STEPS", "AX", "AY", "BHIT", "DONE"})
        kept += std::string("OBJECT=") + name + "\n" + name + ":TYPE=INTEGER\n" + name + ":VALUE=0\n" + name +
                ":TOINI=TRUE\n";
    return kept +
           "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n"
           "OBJECT=W\nW:TYPE=WORLD\nW:FILENAME=fall.wld\n"
           "OBJECT=A\nA:TYPE=IMAGE\nA:FILENAME=a.img\nA:TOCANVAS=TRUE\nA:VISIBLE=TRUE\nA:PRIORITY=5\n"
           "A:ONSIGNAL^2={T^DISABLE();STEPS^SET(N);AX^SET(W^GETPOSITIONX(1));AY^SET(W^GETPOSITIONY(1));"
           "DONE^SET(1);}\n"
           "OBJECT=B\nB:TYPE=IMAGE\nB:FILENAME=b.img\nB:TOCANVAS=TRUE\nB:VISIBLE=TRUE\nB:PRIORITY=4\n"
           "B:ONSIGNAL^ANY={BHIT^SET(1);}\n"
           "OBJECT=T\nT:TYPE=TIMER\nT:ELAPSE=1\nT:ONTICK={N^ADD(1);W^MOVEOBJECTS();}\n"
           "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={W^LINK(1,\"A\");W^LINK(2,\"B\");}\nOBJECT=S\nS:ONINIT=GO\n";
}

TEST_F(CMC_WorldTitle, TwoLinkedBodiesFallUntilTheyMeetAsInBox2D)
{
    const WorldFile world = fallingBox();
    const Expected e = boxTwoDAlone(world);
    ASSERT_GT(e.step, 30);
    title({{"Rara/application.def", application()}, {"Rara/S/S.cnv", scene()}});
    ASSERT_TRUE(worldtest::writeWorld(tmp.file("Rara/S/fall.wld"), world));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/a.img"), 20, 20, imagetest::plain(RED)));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/b.img"), 20, 20, imagetest::plain(BLUE)));
    auto expected = [&](int x, int y) -> uint32_t {
        if (x >= e.x && x < e.x + 20 && y >= e.y && y < e.y + 20)
            return RED;
        return x >= 400 && x < 420 && y >= 400 && y < 420 ? BLUE : GREY;
    };
    // From the definitions, then from the snapshot "-2bin" writes: the
    // plug-in is loaded and released again with each run, and the restored
    // WORLD makes its world from the same file.
    std::string settings[2];
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [&](bool fromSnapshot) {
        testsupport::FrameAfterDone shot(expected, "world_fall");
        testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(this->run("-nogfx -frames 200"), 2);
        EXPECT_EQ(setting("S", "STEPS"), std::to_string(e.step));
        EXPECT_EQ(setting("S", "AX"), std::to_string(e.x));
        EXPECT_EQ(setting("S", "AY"), std::to_string(e.y));
        EXPECT_EQ(setting("S", "BHIT"), "1");
        EXPECT_EQ(shot.verdict, "shown");
        settings[fromSnapshot] = tmp.read("Quarnel.ini");
    });
    EXPECT_EQ(settings[1], settings[0]);
    EXPECT_GT(e.y, 300); // the falling box moved down the screen from y 200
}

} // namespace
