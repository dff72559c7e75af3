// The animation manager: due times on the engine clock, the two passes
// with playables that change the list, pause and resume by group, and the
// window's tick stepping the application's manager.
#include "AnimoSupport.h"
#include "media/AnimationManager.h"
#include "objects/Group.h"
#include "script/ObjectsContainer.h"

#include <gtest/gtest.h>
#include <functional>

using namespace mediatest;

namespace {

// A playable that counts its steps and the ticks they came at.
struct Stepper : CPlayable {
    explicit Stepper(int rate) : CPlayable(nullptr), rate(rate) { status = STATUS_PLAYING; }
    void play() override { status = STATUS_PLAYING; }
    void stop(bool) override { status = 0; }
    void pause() override { status = STATUS_PAUSED; }
    void resume() override { status = STATUS_PLAYING; }
    void seek(int) override
    {
        ticks.push_back(platform::GetTickCount());
        if (onStep)
            onStep();
    }
    int getFPS() override { return rate; }
    int rate;
    std::vector<uint32_t> ticks;
    std::function<void()> onStep;
};

class CAnimationManagerTest : public ::testing::Test {
protected:
    // Frames every 16 ms for the given time.
    void run(CAnimationManager& m, uint32_t ms)
    {
        for (uint32_t t = 0; t < ms; t += 16) {
            clock.advance(16);
            m.domodal();
        }
    }
    platform::ManualClock clock{0xFFFFFF00u};
    platform::ScopedClock inUse{&clock};
};

// The interval is 1000 / rate whole milliseconds from the tick at which
// the entry was last found due; rates of 0 and below are never due. The
// clock starts just before its wrap.
TEST_F(CAnimationManagerTest, AnEntryIsDueWhenItsIntervalHasPassed)
{
    const uint32_t start = clock.tickCount();
    const std::vector<std::pair<int, std::vector<uint32_t>>> cases = {
        {25, {48, 96, 144, 192, 240, 288, 336, 384}},
        {3, {336}},
        {100, {16, 32, 48, 64, 80, 96, 112, 128, 144, 160, 176, 192, 208, 224, 240, 256, 272, 288, 304, 320, 336,
               352, 368, 384, 400}},
        {0, {}},
        {-5, {}},
    };
    for (const auto& c : cases) {
        clock.set(start);
        CAnimationManager m;
        Stepper s(c.first);
        m.add(&s, nullptr);
        run(m, 400);
        std::vector<uint32_t> at;
        for (uint32_t t : s.ticks)
            at.push_back(t - start);
        EXPECT_EQ(at, c.second) << c.first << " fps";
    }
}

// A playable that does not play keeps its last step: it steps in the first
// frame after it plays again.
TEST_F(CAnimationManagerTest, APlayableThatStoodStillStepsAtOnce)
{
    CAnimationManager m;
    Stepper s(10);
    m.add(&s, nullptr);
    s.stop(false);
    run(m, 1000);
    EXPECT_TRUE(s.ticks.empty());
    s.play();
    const uint32_t now = clock.tickCount();
    run(m, 16);
    EXPECT_EQ(s.ticks, (std::vector<uint32_t>{now + 16}));
}

// A step may remove another entry (which then is not stepped in this
// frame), add one (stepped from its own interval on) or remove itself.
TEST_F(CAnimationManagerTest, PlayablesMayChangeTheListWhileTheyAreStepped)
{
    CAnimationManager m;
    Stepper a(100), b(100), c(100), late(100);
    m.add(&a, nullptr);
    m.add(&b, nullptr);
    m.add(&c, nullptr);
    a.onStep = [&] {
        m.remove(&b);
        m.add(&late, nullptr);
        a.onStep = nullptr;
    };
    c.onStep = [&] { m.remove(&c); };
    run(m, 16);
    EXPECT_EQ(a.ticks.size(), 1u);
    EXPECT_TRUE(b.ticks.empty());
    EXPECT_EQ(c.ticks.size(), 1u);
    EXPECT_TRUE(late.ticks.empty());
    EXPECT_EQ(m.getSize(), 2);
    run(m, 16);
    EXPECT_EQ(a.ticks.size(), 2u);
    EXPECT_EQ(late.ticks.size(), 1u);
    EXPECT_EQ(c.ticks.size(), 1u);
    // A playable added twice has two entries; remove takes the first.
    m.add(&a, nullptr);
    m.remove(&a);
    EXPECT_EQ(m.getSize(), 2);
    m.remove(&b);
    EXPECT_EQ(m.getSize(), 2);
}

// The script animation object's drawable is its animation.
struct AnimoObject : CMC_Object {
    AnimoObject(const char* name, CAnimo* a) : CMC_Object(CXString(name), MC_ANIMO), animo(a) {}
    CAnimo* animo;
};

class CAnimationManagerGroupTest : public AnimoFixture {};

TEST_F(CAnimationManagerGroupTest, ResumeWithAGroupResumesOnlyItsMembersAnimations)
{
    CMC_ObjectsContainer::setDrawableAccessor(MC_ANIMO, [](CMC_Object* o, const CXString&) -> CGraphicsObject* {
        return static_cast<AnimoObject*>(o)->animo;
    });
    CAnimationManager* m = application->getAnimoManagerIfc();
    ASSERT_NE(m, nullptr);
    CAnimo a(window.get()), b(window.get());
    for (CAnimo* x : {&a, &b}) {
        x->appendFrame(plainFrame(window.get(), 1, 1, 0, 0, false, 1));
        addEvent(*x, "go", {0});
        x->Play();
    }
    Stepper sound(10);
    m->add(&sound, nullptr);
    CMC_ObjectsContainer scene(window.get(), nullptr, CXString("SCENE"), MC_SCENE);
    AnimoObject* object = new AnimoObject("A", &a);
    scene.addObject(object);
    object->setScene(&scene);
    CMC_Groupped group(CXString("GROUP"), &scene);

    m->pause();
    EXPECT_EQ(a.GetStatus(), CAnimo::ANIMO_PAUSED);
    EXPECT_TRUE(b.isPaused());
    EXPECT_TRUE(sound.isPaused());
    m->resume(&group);
    EXPECT_TRUE(a.isPaused());
    group.add(object);
    m->resume(&group);
    EXPECT_TRUE(a.isPlaying());
    EXPECT_TRUE(b.isPaused());
    EXPECT_TRUE(sound.isPaused());
    m->resume(nullptr);
    EXPECT_TRUE(b.isPlaying());
    EXPECT_TRUE(sound.isPlaying());
    m->remove(&sound);
    scene.unload();
    CMC_ObjectsContainer::setDrawableAccessor(MC_ANIMO, nullptr);
}

// The application makes the manager, animations register with it while
// they exist, and the window's tick steps it after the timers.
TEST_F(CAnimationManagerGroupTest, TheWindowsTickStepsTheApplicationsManager)
{
    CAnimationManager* m = application->getAnimoManagerIfc();
    ASSERT_NE(m, nullptr);
    {
        CAnimo a(window.get());
        EXPECT_EQ(m->getSize(), 1);
    }
    EXPECT_EQ(m->getSize(), 0);
    Stepper s(25);
    m->add(&s, nullptr);
    const uint32_t start = clockNow.tickCount();
    frames(6);
    std::vector<uint32_t> at;
    for (uint32_t t : s.ticks)
        at.push_back(t - start);
    EXPECT_EQ(at, (std::vector<uint32_t>{48, 96}));
    window->OnActivateApp(false);
    frames(6);
    EXPECT_EQ(s.ticks.size(), 2u);
    m->remove(&s);
}

} // namespace
