#include "script/Behaviour.h"
#include "base/WindowPaths.h"
#include "collections/Class.h"
#include "platform/Drives.h"
#include "script/Disposal.h"
#include "script/RunnerFactory.h"
#include "script/ValueSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

using namespace scripttest;

namespace {

// What a behaviour of a class file does when it runs, by its name.
std::map<std::string, std::function<void(CMC_Object*)>>& actions()
{
    static std::map<std::string, std::function<void(CMC_Object*)>> table;
    return table;
}

CMC_Object* makeActingBehaviour(CMC_ObjectsContainer* c, CMElement* e)
{
    FakeBehaviour* b = new FakeBehaviour(c, e);
    auto it = actions().find(e->getName().c_str());
    if (it != actions().end())
        b->action = it->second;
    return b;
}

// Definition text with Windows line ends.
std::string definitions(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* l : lines)
        text += std::string(l) + "\r\n";
    return text;
}

std::string behaviour(const char* name)
{
    return std::string("OBJECT=") + name + "\r\n" + name + ":TYPE=BEHAVIOUR\r\n";
}

std::string integer(const char* name, int value)
{
    return std::string("OBJECT=") + name + "\r\n" + name + ":TYPE=INTEGER\r\n" + name +
           ":VALUE=" + std::to_string(value) + "\r\n";
}

int valueOf(CMC_ObjectsContainer* c, const char* name)
{
    CMC_Object* o = c->getObject(name);
    return o && o->getType() == MC_INTEGER ? static_cast<CMC_Integer*>(o)->getValue() : -999;
}

// Class files in T:\Rara\COMMON\CLASSES, a scene "SCENE", the runners.
class CMC_ClassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
        CWindowPaths::setRootPath("T:\\");
        CWindowPaths::setCDPath("T:\\Rara\\");
        types.add("BEHAVIOUR", &makeActingBehaviour);
        runs().clear();
        actions().clear();
        CMC_RunnerFactory::initialize();
        runner = CMC_RunnerFactory::getRunner(MC_CLASS);
        scene = new TestScene("SCENE");
    }
    void TearDown() override
    {
        CMC_Disposal::freeWaiting();
        delete scene;
        CMC_RunnerFactory::done();
        CWindowPaths::reset();
        actions().clear();
    }

    void classFile(const char* name, const std::string& text) { tmp.write(std::string("Rara/COMMON/CLASSES/") + name, text); }

    // A class object made as a scene definition declares it.
    CMC_Class* declare(const char* name, const char* def, const char* base = nullptr)
    {
        std::vector<std::pair<const char*, const char*>> properties = {{"TYPE", "CLASS"}, {"DEF", def}};
        if (base)
            properties.push_back({"BASE", base});
        Records records{record(name, properties)};
        delete scene->resolveObjects(records.list.get());
        CMC_Object* o = scene->getObject(name);
        return o && o->getType() == MC_CLASS ? static_cast<CMC_Class*>(o) : nullptr;
    }

    // Calls a method by name as a statement in the scene would; the result
    // as "S:text", "-" for none.
    std::string call(CMC_Object* target, const char* method, std::vector<const char*> literals = {})
    {
        CXVector args;
        for (const char* l : literals)
            args.add(CMC_Variable::resolve(l));
        CMC_Variable* r = runner->run(CXString(method), target, scene, literals.empty() ? nullptr : &args);
        std::string text = r ? std::string(r->getId() >= 0 ? "S:" : "!") + r->toString().c_str() : "-";
        CMC_Object::flush(r);
        for (int i = 0; i < args.getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args[i]));
        return text;
    }
    CMC_Class* instance(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        return o && o->getType() == MC_CLASS ? static_cast<CMC_Class*>(o) : nullptr;
    }

    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    Types types;
    CMC_Runner* runner = nullptr;
    TestScene* scene = nullptr;
};

TEST_F(CMC_ClassTest, LaterFilesOverrideAndEarlierObjectsTakeTheSuperPrefix)
{
    classFile("A.def", behaviour("CONSTRUCTOR") + integer("X", 1) + integer("ONLYA", 7));
    classFile("B.def", behaviour("CONSTRUCTOR") + integer("X", 2));
    classFile("C.def", behaviour("CONSTRUCTOR") + integer("X", 3));
    CMC_Class* cls = declare("CLS", "C.def", ",A.def,,B.def");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->getElementsNo(), 0);

    EXPECT_EQ(call(cls, "NEW", {"P"}), "-");
    CMC_Class* p = instance("P");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(valueOf(p, "X"), 3);
    EXPECT_EQ(valueOf(p, "SUPER_X"), 2);
    EXPECT_EQ(valueOf(p, "SUPER_SUPER_X"), 1);
    EXPECT_EQ(valueOf(p, "ONLYA"), 7);
    for (const char* n : {"CONSTRUCTOR", "SUPER_CONSTRUCTOR", "SUPER_SUPER_CONSTRUCTOR"})
        EXPECT_GE(p->getObjectId(n), 0) << n;
    EXPECT_EQ(p->getElementsNo(), 7);
    // Only the newest constructor runs; it can call its base part itself.
    EXPECT_EQ(runs(), (std::vector<std::string>{"CONSTRUCTOR@P(P)"}));

    // A file that cannot be read adds nothing.
    CMC_Class* empty = declare("EMPTY", "missing.def", "A.def");
    call(empty, "NEW", {"E"});
    EXPECT_EQ(instance("E")->getElementsNo(), 3);
}

// Clones of an instance's object join the instance; a clone name made
// again (after RESETCLONES) keeps the earlier clone as "SUPER_" + name, as
// any name declared again does.
TEST_F(CMC_ClassTest, ClonesJoinTheInstanceAndARepeatedCloneNameKeepsTheEarlierOne)
{
    classFile("C.def", integer("X", 4));
    call(declare("CLS", "C.def"), "NEW", {"P"});
    CMC_Class* p = instance("P");
    ASSERT_NE(p, nullptr);
    CMC_Object* x = p->getObject("X");
    ASSERT_NE(x, nullptr);

    x->clone(3);
    EXPECT_EQ(valueOf(p, "X_3"), 4);
    EXPECT_EQ(scene->getObject("X_1"), nullptr);
    CMC_Object* firstClone = p->getObject("X_1");
    x->resetClones();
    x->clone(1);
    EXPECT_NE(p->getObject("X_1"), firstClone);
    EXPECT_EQ(p->getObject("SUPER_X_1"), firstClone);
    std::vector<std::string> order;
    for (int i = 0; CMC_Object* o = p->getObject(i); ++i)
        order.push_back(o->getName().c_str());
    EXPECT_EQ(order, (std::vector<std::string>{"X", "X_2", "X_3", "SUPER_X_1", "X_1"}));
}

TEST_F(CMC_ClassTest, NewAndDeleteRunConstructorAndDestructorOnce)
{
    classFile("C.def", behaviour("CONSTRUCTOR") + behaviour("DESTRUCTOR") + integer("X", 3));
    // A DESTRUCTOR of the scene must not run for the class object.
    scene->addObject(new FakeBehaviour(scene, CXString("DESTRUCTOR"), CXString("{}")));
    CMC_Class* cls = declare("CLS", "C.def");

    call(cls, "NEW", {"P", "5"});
    call(cls, "NEW", {"Q"});
    CMC_Class* p = instance("P");
    CMC_Class* q = instance("Q");
    ASSERT_TRUE(p && q);
    EXPECT_EQ(p->getParent(), cls);
    EXPECT_EQ(p->getElementsNo(), 3);
    static_cast<CMC_Integer*>(p->getObject("X"))->setValue(9);
    EXPECT_EQ(valueOf(q, "X"), 3);

    call(cls, "DELETE", {"P", "bye"});
    EXPECT_EQ(scene->getObjectId("P"), -1);
    call(cls, "DELETE", {"P"});
    call(cls, "NEW", {"P"});
    EXPECT_EQ(valueOf(instance("P"), "X"), 3);

    // DELETE finds nothing but instances.
    call(cls, "DELETE", {"CLS"});
    call(cls, "DELETE", {"X"});
    EXPECT_EQ(instance("CLS"), cls);

    delete scene;
    scene = nullptr;
    EXPECT_EQ(runs(), (std::vector<std::string>{"CONSTRUCTOR@P(P,5)", "CONSTRUCTOR@Q(Q)", "DESTRUCTOR@P(P,bye)",
                                                "CONSTRUCTOR@P(P)", "DESTRUCTOR@Q", "DESTRUCTOR@P"}));
}

TEST_F(CMC_ClassTest, MethodsRunTheInstancesBehaviourAndReturnACopy)
{
    classFile("C.def", behaviour("GREET") + behaviour("SILENT") +
                           definitions({"OBJECT=__RETURN__", "__RETURN__:TYPE=STRING", "__RETURN__:VALUE=none"}));
    classFile("Plain.def", behaviour("WORK"));
    CMC_ObjectsContainer* sceneDuringRun = nullptr;
    actions()["GREET"] = [](CMC_Object* owner) {
        static_cast<CMC_String*>(static_cast<CMC_Class*>(owner)->getObject("__RETURN__"))->setValue("hello");
    };
    FakeBehaviour* shared = new FakeBehaviour(scene, CXString("SHARED"), CXString("{}"));
    shared->action = [&](CMC_Object*) { sceneDuringRun = shared->getScene(); };
    scene->addObject(shared);

    CMC_Class* cls = declare("CLS", "C.def");
    call(cls, "NEW", {"P"});
    CMC_Class* p = instance("P");
    EXPECT_EQ(call(p, "SILENT"), "S:none");
    EXPECT_EQ(call(p, "GREET", {"x", "2"}), "S:hello");
    EXPECT_EQ(static_cast<CMC_String*>(p->getObject("__RETURN__"))->getValue(), "hello");

    // A statement calling the instance's method by name runs the behaviour
    // too, although no runner knows the name when the statement is parsed.
    static_cast<CMC_String*>(p->getObject("__RETURN__"))->setValue("none");
    CMC_Behaviour* caller = new CMC_Behaviour(scene, CXString("CALLER"), CXString("P^GREET();"));
    scene->addObject(caller);
    caller->init();
    caller->run(nullptr, nullptr, false);
    EXPECT_EQ(static_cast<CMC_String*>(p->getObject("__RETURN__"))->getValue(), "hello");

    // A behaviour found further up runs with the instance as its scene, and
    // gets its own scene back afterwards.
    call(p, "SHARED");
    EXPECT_EQ(sceneDuringRun, p);
    EXPECT_EQ(shared->getScene(), scene);

    CMC_Class* plain = declare("PLAIN", "Plain.def");
    call(plain, "NEW", {"W"});
    EXPECT_EQ(call(instance("W"), "WORK"), "-");

    // Common methods, unknown names and objects that are not behaviours do nothing.
    runs().clear();
    EXPECT_EQ(call(p, "SEND", {"GO"}), "-");
    EXPECT_EQ(call(p, "GETNAME"), "-");
    EXPECT_EQ(call(p, "NOSUCH"), "-");
    EXPECT_EQ(call(p, "__RETURN__"), "-");
    EXPECT_TRUE(runs().empty());
}

TEST_F(CMC_ClassTest, InstancesGoSafelyWhileTheirBehavioursRun)
{
    classFile("C.def", behaviour("QUIT") + behaviour("DESTRUCTOR") + behaviour("RENEW"));
    CMC_Class* cls = nullptr;
    actions()["QUIT"] = [&](CMC_Object* owner) { call(cls, "DELETE", {owner->getName().c_str()}); };
    actions()["DESTRUCTOR"] = [&](CMC_Object* owner) { call(cls, "DELETE", {owner->getName().c_str()}); };
    actions()["RENEW"] = [&](CMC_Object* owner) { call(cls, "NEW", {owner->getName().c_str()}); };
    cls = declare("CLS", "C.def");

    call(cls, "NEW", {"P"});
    call(instance("P"), "QUIT");
    EXPECT_EQ(instance("P"), nullptr);
    EXPECT_EQ(runs(), (std::vector<std::string>{"QUIT@P", "DESTRUCTOR@P(P)"}));

    // A new instance under the name of a running one replaces it.
    call(cls, "NEW", {"R"});
    CMC_Class* old = instance("R");
    call(old, "RENEW");
    ASSERT_NE(instance("R"), nullptr);
    EXPECT_NE(instance("R"), old);

    // NEW on an instance makes one of its class; the class object's own name is refused.
    call(instance("R"), "NEW", {"S"});
    EXPECT_EQ(instance("S")->getParent(), cls);
    call(cls, "NEW", {"CLS"});
    EXPECT_EQ(instance("CLS"), cls);
}

} // namespace
