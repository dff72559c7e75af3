#include "ValueSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace scripttest;

namespace {

class CMC_VariableFactoryTest : public ::testing::Test {
protected:
    // Hands out and gives back integers until the one handed out has this id.
    void moveCursorTo(int id)
    {
        for (int i = 0; i <= CMC_VariableFactory::POOL_SIZE; ++i) {
            CMC_Integer* t = CMC_VariableFactory::allocInteger();
            CMC_Object::flush(t);
            if (t->getId() == id)
                return;
        }
        FAIL() << "cursor never reached " << id;
    }
    int next() { return CMC_VariableFactory::allocInteger()->getId(); }

    Pools pools;
};

TEST_F(CMC_VariableFactoryTest, CursorMovesBeforeItTestsAndWraps)
{
    moveCursorTo(498);
    EXPECT_EQ(next(), 499);
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(next(), 1);

    // A given-back temporary waits for the cursor to come round.
    CMC_VariableFactory::clearPool();
    moveCursorTo(4);
    CMC_Integer* five = CMC_VariableFactory::allocInteger();
    ASSERT_EQ(five->getId(), 5);
    CMC_Object::flush(five);
    EXPECT_EQ(next(), 6);
    EXPECT_EQ(next(), 7);

    // clearPool frees everything and leaves the cursor where it stood.
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_INTEGER), 2);
    CMC_VariableFactory::clearPool();
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_INTEGER), 0);
    EXPECT_EQ(next(), 8);
}

TEST_F(CMC_VariableFactoryTest, GivenBackTemporaryKeepsItsValueUntilReused)
{
    CMC_String* t = CMC_VariableFactory::allocString();
    t->setValue("kept");
    CMC_Object::flush(t);
    for (int i = 0; i < CMC_VariableFactory::POOL_SIZE - 1; ++i) {
        CMC_String* other = CMC_VariableFactory::allocString();
        ASSERT_NE(other, t);
        CMC_Object::flush(other);
    }
    EXPECT_EQ(t->getValue(), "kept");
    // The next hand-out is t, as its last user left it.
    EXPECT_EQ(CMC_VariableFactory::allocString(), t);
    EXPECT_EQ(t->getValue(), "kept");
    t->setValue("reused");

    // Keeping a temporary across frames loses it; a clone stays.
    std::unique_ptr<CXObject> clone(t->clone());
    CMC_VariableFactory::clearPool();
    for (int i = 0; i < CMC_VariableFactory::POOL_SIZE; ++i)
        CMC_VariableFactory::allocString()->setValue("someone else");
    EXPECT_EQ(t->getValue(), "someone else");
    EXPECT_EQ(static_cast<CMC_String*>(clone.get())->getValue(), "reused");
}

TEST_F(CMC_VariableFactoryTest, FullRingGrowsInsteadOfHangingOrSharing)
{
    testsupport::DebugCapture debug;
    std::set<CMC_Variable*> handed;
    for (int i = 0; i < CMC_VariableFactory::POOL_SIZE; ++i)
        handed.insert(CMC_VariableFactory::allocBool());
    CMC_Bool* extra = CMC_VariableFactory::allocBool();
    EXPECT_EQ(handed.count(extra), 0u);
    EXPECT_EQ(extra->getId(), CMC_VariableFactory::POOL_SIZE);
    EXPECT_EQ(CMC_VariableFactory::getPoolSize(MC_BOOL), 2 * CMC_VariableFactory::POOL_SIZE);
    EXPECT_EQ(debug.lines.size(), 1u);
    // The old temporaries stay where they were.
    for (CMC_Variable* v : handed)
        EXPECT_EQ(v->getType(), MC_BOOL);
    CMC_Object::flush(extra);
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_BOOL), CMC_VariableFactory::POOL_SIZE);
    EXPECT_EQ(CMC_VariableFactory::getPoolSize(MC_INTEGER), CMC_VariableFactory::POOL_SIZE);
}

TEST_F(CMC_VariableFactoryTest, OnlyPooledTemporariesGoBack)
{
    CMC_String* pooled = CMC_VariableFactory::allocString();
    CMC_String lookalike(CXString("f"), pooled->getId()); // same id, not from the pool
    CMC_Integer declared(CXString("X"));
    CMC_VariableFactory::free(&lookalike);
    CMC_Object::flush(&declared);
    CMC_Object::flush(stopValue(-2));
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_STRING), 1);
    CMC_VariableFactory::free(pooled);
    CMC_VariableFactory::free(pooled); // twice does no harm
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_STRING), 0);
}

TEST_F(CMC_VariableFactoryTest, CopiesAndRestoredValues)
{
    CMC_String s(CXString("S"), CXString("text"));
    CMC_Variable* copy = CMC_VariableFactory::copyVariable(&s);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &s);
    EXPECT_GE(copy->getId(), 0);
    EXPECT_EQ(copy->toString(), "text");
    CMC_Variable other(CXString("V"), MC_STRUCTURE);
    EXPECT_EQ(CMC_VariableFactory::copyVariable(&other), nullptr);

    CMC_Variable* b = CMC_VariableFactory::netrestore("\x03\0\0\0\x01", 5);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getType(), MC_BOOL);
    EXPECT_EQ(b->toString(), "TRUE");

    // Unknown type ids and values cut short give nothing and keep nothing.
    int taken = CMC_VariableFactory::getTakenCount(MC_INTEGER);
    EXPECT_EQ(CMC_VariableFactory::netrestore("\x05\0\0\0\x01\0\0\0", 8), nullptr);
    EXPECT_EQ(CMC_VariableFactory::netrestore("\x01\0\0\0\x01\0\0", 7), nullptr);
    EXPECT_EQ(CMC_VariableFactory::netrestore("\x01\0", 2), nullptr);
    EXPECT_EQ(CMC_VariableFactory::netrestore("\x04\0\0\0\0\0\0\0", 8), nullptr);
    unarchive(std::string("\x07\0\0\0\x01\0\0\0", 8),
              [](CXArchive* ar) { EXPECT_EQ(CMC_VariableFactory::restore(ar), nullptr); });
    unarchive(std::string("\x01\0\0\0\x01\0", 6),
              [](CXArchive* ar) { EXPECT_EQ(CMC_VariableFactory::restore(ar), nullptr); });
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_INTEGER), taken);
}

} // namespace
