// Who keeps a deleted object's memory: each kind of holder on its own, and
// nothing when nothing holds it. The object is deleted as REMOVE deletes it,
// by the probe P's ACT, from inside the code under test.
#include "BehaviourSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
using namespace scripttest;

std::vector<std::string>& freed()
{
    static std::vector<std::string> log;
    return log;
}

class Mortal : public Probe {
public:
    explicit Mortal(const char* n) : Probe(n) {}
    ~Mortal() override { freed().push_back(name.c_str()); }
};

class MortalBehaviour : public CMC_Behaviour {
public:
    MortalBehaviour(CMC_ObjectsContainer* c, const char* n, const char* code) : CMC_Behaviour(c, CXString(n), CXString(code)) {}
    ~MortalBehaviour() override { freed().push_back(name.c_str()); }
};

class MortalScope : public TestScene {
public:
    explicit MortalScope(const char* n) : TestScene(n) {}
    ~MortalScope() override { freed().push_back(name.c_str()); }
};

class CMC_DisposalTest : public ::testing::Test, public World {
protected:
    CMC_DisposalTest()
    {
        freed().clear();
        scene.addObject(new Mortal("X"));
        scene.addObject(new Mortal("Y"));
    }
    // P's ACT takes the named object out and disposes of it, and notes
    // whether its memory went at once.
    void actDeletes(const char* name)
    {
        probe("P")->action = [this, name](CXVector*) -> CMC_Variable* {
            CMC_Object* o = scene.getObject(name);
            if (o && scene.removeObject(o)) {
                CMC_Disposal::dispose(o, CMC_Disposal::WITHOUT_DONE);
                seen.push_back(freed().empty() ? "waits" : "freed");
            }
            return nullptr;
        };
    }
public:
    // The named object raises an event whose behaviour has P's ACT run.
    void raiseOn(const char* name)
    {
        CMC_Object* o = scene.getObject(name);
        o->addBehaviour(CXString("ONCLICKED"), behaviour("B", "P^ACT();"), nullptr, &scene);
        o->onSignal(CXString("ONCLICKED"));
    }
    std::vector<std::string> seen;
};

TEST_F(CMC_DisposalTest, EachHolderKeepsWhatItHoldsAndNothingElseDoes)
{
    const struct {
        const char* what;
        const char* deleted;
        std::function<void(CMC_DisposalTest&)> play;
        const char* expected;
    } cases[] = {
        {"the target of a statement", "X",
         [](CMC_DisposalTest& t) {
             t.probe("X")->action = t.probe("P")->action;
             t.run("X^ACT();");
         },
         "waits"},
        {"an argument of a statement", "X", [](CMC_DisposalTest& t) { t.run("P^LOG(X,P^ACT());"); }, "waits"},
        {"the last argument of a statement", "X", [](CMC_DisposalTest& t) { t.run("P^LOG(P^ACT(),X);"); }, "waits"},
        {"an object raising an event", "X", [](CMC_DisposalTest& t) { t.raiseOn("X"); }, "waits"},
        {"the container a run looks names up in", "K",
         [](CMC_DisposalTest& t) {
             MortalScope* k = new MortalScope("K");
             k->setParent(&t.scene);
             t.scene.addObject(k);
             CMC_Behaviour* b = new CMC_Behaviour(k, CXString("B"), CXString("P^ACT();P^LOG(1);"));
             k->addObject(b);
             b->init();
             b->run(nullptr, nullptr, false);
         },
         "waits"},
        {"a running behaviour", "B",
         [](CMC_DisposalTest& t) {
             CMC_Behaviour* b = new MortalBehaviour(&t.scene, "B", "P^ACT();");
             t.scene.addObject(b);
             b->init();
             b->run(nullptr, nullptr, false);
         },
         "waits"},
        {"nothing: the statement names it only", "X", [](CMC_DisposalTest& t) { t.run("P^ACT();P^LOG(X);"); },
         "freed"},
        {"nothing: another object raises", "X", [](CMC_DisposalTest& t) { t.raiseOn("Y"); }, "freed"},
    };
    for (const auto& c : cases) {
        CMC_DisposalTest& t = *this;
        freed().clear();
        seen.clear();
        if (!scene.getObject(c.deleted) && std::string(c.deleted) == "X")
            scene.addObject(new Mortal(c.deleted));
        actDeletes(c.deleted);
        c.play(t);
        EXPECT_EQ(seen, std::vector<std::string>{c.expected}) << c.what;
        CMC_Disposal::freeWaiting();
        EXPECT_EQ(freed(), std::vector<std::string>{c.deleted}) << c.what;
        EXPECT_EQ(CMC_Disposal::waitingCount(), 0) << c.what;
        probe("P")->action = nullptr;
    }
}

// Code given to a statement as text becomes a behaviour for that statement
// alone; once the statement is over nothing holds it, and it goes at once.
TEST_F(CMC_DisposalTest, CodeGivenAsTextGoesWithItsStatement)
{
    behaviour("BODY", "@IF(1,\"_\",\"1\",\"P^LOG(1);\",\"\");");
    run("@LOOP(\"BODY\",0,50,1);");
    EXPECT_EQ(calls().size(), 50u);
    EXPECT_EQ(CMC_Disposal::waitingCount(), 0);
}

} // namespace
