#include "RunnerCalls.h"
#include "collections/Queue.h"

#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;
using collectionstest::call;

namespace {

class CMC_QueueTest : public ::testing::Test {
protected:
    CMC_QueueTest()
    {
        runs().clear();
        scene.addObject(new FakeBehaviour(&scene, CXString("EMPTY"), CXString()));
        scene.addObject(new Thing("OBJ"));
    }
    template <class Q>
    Q* make(const char* name, std::vector<std::pair<const char*, const char*>> properties = {})
    {
        std::unique_ptr<CMElement> e(record(name, properties));
        Q* q = new Q(&scene, e.get());
        scene.addObject(q);
        return q;
    }
    std::string run(CMC_Object* q, const char* method, std::vector<std::string> args = {})
    {
        return call(&scene, q, method, args);
    }

    collectionstest::Runtime runtime;
    Types types;
    TestScene scene{"SCENE"};
};

TEST_F(CMC_QueueTest, OrderAndTheEmptyPop)
{
    struct Case {
        CMC_Object* queue;
        std::vector<std::string> pops;
        std::vector<std::string> empties;
    } cases[] = {
        {make<CMC_Fifo>("F", {{"ONEMPTY", "EMPTY"}}),
         {"I:1", "S:two", "D:3.50000", "S:NULL", "S:NULL"},
         {"EMPTY@F", "EMPTY@F"}},
        {make<CMC_Lifo>("L", {{"ONEMPTY", "EMPTY"}}),
         {"D:3.50000", "S:two", "I:1", "S:NULL", "S:NULL"},
         {"EMPTY@L", "EMPTY@L"}},
        {new CMC_Lifo(&scene), {"D:3.50000", "S:two", "I:1", "S:NULL", "S:NULL"}, {}}, // as restored
    };
    for (Case& c : cases) {
        runs().clear();
        EXPECT_EQ(run(c.queue, "ISEMPTY"), "B:TRUE");
        EXPECT_EQ(run(c.queue, "PUSH", {"1", "\"two\"", "3.5"}), "-");
        EXPECT_EQ(run(c.queue, "GETSIZE"), "I:3");
        EXPECT_EQ(run(c.queue, "ISEMPTY"), "B:FALSE");
        std::vector<std::string> pops;
        for (int i = 0; i < 3; ++i)
            pops.push_back(run(c.queue, "POP"));
        // The pop that takes the last entry raises nothing; each empty one does.
        EXPECT_TRUE(runs().empty());
        pops.push_back(run(c.queue, "POP"));
        pops.push_back(run(c.queue, "POP"));
        EXPECT_EQ(pops, c.pops) << c.queue->getName().c_str();
        EXPECT_EQ(runs(), c.empties);
        EXPECT_TRUE(collectionstest::poolsEmpty());
    }
    delete cases[2].queue;
}

TEST_F(CMC_QueueTest, EntriesSurviveThePoolsAndLaterChanges)
{
    CMC_Fifo* q = make<CMC_Fifo>("Q");
    CMC_Integer* declared = new CMC_Integer(CXString("N"));
    declared->setValue(7);
    scene.addObject(declared);
    EXPECT_EQ(run(q, "PUSH", {"@N", "\"kept\"", "TRUE", "2.25"}), "-");
    declared->setValue(8);

    // A new frame hands every temporary out again, many times over.
    CMC_VariableFactory::clearPool();
    for (int i = 0; i < 3 * CMC_VariableFactory::POOL_SIZE; ++i) {
        CMC_Integer::temporary(-1);
        CMC_String::temporary(CXString("garbage"));
        CMC_Bool::temporary(false);
        CMC_Double::temporary(-1.0);
        CMC_VariableFactory::clearPool();
    }
    EXPECT_EQ(run(q, "POP"), "I:7");
    EXPECT_EQ(run(q, "POP"), "S:kept");
    EXPECT_EQ(run(q, "POP"), "B:TRUE");
    EXPECT_EQ(run(q, "POP"), "D:2.25000");
}

TEST_F(CMC_QueueTest, ObjectsAndMissingArgumentsQueueNoValue)
{
    CMC_Lifo* q = make<CMC_Lifo>("Q");
    EXPECT_EQ(run(q, "PUSH"), "-");
    EXPECT_EQ(run(q, "GETSIZE"), "I:0");
    EXPECT_EQ(run(q, "PUSH", {"1", "@OBJ"}), "-");
    EXPECT_EQ(run(q, "GETSIZE"), "I:2");
    EXPECT_EQ(run(q, "POP"), "-");
    EXPECT_EQ(run(q, "POP"), "I:1");
    // Entries left in the queue go with it.
    run(q, "PUSH", {"\"left\"", "5"});
}

} // namespace
