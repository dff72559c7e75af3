#include "base/XObject.h"
#include "base/XString.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(CXObjectTest, IdentityEqualityAndHash)
{
    CXObject a, b;
    EXPECT_TRUE(a.equals(&a));
    EXPECT_EQ(a.compare(&a), 1);
    EXPECT_FALSE(a.equals(&b));
    EXPECT_EQ(a.compare(&b), 0);
    EXPECT_NE(a.getHashcode(), b.getHashcode());
    EXPECT_EQ(a.getHashcode(), a.getHashcode());
    EXPECT_EQ(a.clone(), nullptr);
    EXPECT_EQ(a.toString(), "");
}

TEST(CXObjectTest, ErrorCodeAndDeleteMarkAreCopied)
{
    CXObject a;
    EXPECT_EQ(a.LastError(), 0);
    EXPECT_FALSE(a.isToDelete());
    a.setErrorCode(2000);
    a.setToDelete();
    CXObject b(a);
    EXPECT_EQ(b.LastError(), 2000);
    EXPECT_TRUE(b.isToDelete());
}

TEST(CXObjectTest, ByteSwaps)
{
    EXPECT_EQ(uint16_t(CXObject::swap_word(0x1234)), 0x3412);
    EXPECT_EQ(uint16_t(CXObject::swap_word(0x00FF)), 0xFF00);
    EXPECT_EQ(uint32_t(CXObject::swap_dword(0x12345678)), 0x78563412u);
    int swapped = CXObject::swap_dword(255);
    EXPECT_LT(swapped, 0);
    EXPECT_EQ(uint32_t(swapped), 0xFF000000u);
}

std::vector<std::string> logged;
void recordLog(const CXString& text, bool) { logged.push_back(text.c_str()); }

TEST(CXObjectTest, ProfileWritesOneLinePerMeasurement)
{
    platform::ManualClock clock(1000);
    platform::ScopedClock useClock(&clock);
    testsupport::DebugCapture debug;
    logged.clear();
    CXObject::setLogSink(recordLog);

    CXObject::profile(nullptr, true); // idle: nothing
    EXPECT_TRUE(debug.lines.empty());

    CXObject::profile("first", false);
    clock.advance(10);
    CXObject::profile("second", false); // restarts under the new name
    clock.advance(25);
    CXObject::profile(nullptr, false);
    ASSERT_EQ(debug.lines.size(), 1u);
    EXPECT_EQ(debug.lines[0], "Time spend in second: 25 ms.\n");
    EXPECT_TRUE(logged.empty());

    CXObject::profile("third", false);
    CXObject::profile(nullptr, true); // the ending call decides about the log
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0], "Time spend in third: 0 ms.\n");
    CXObject::profile(nullptr, true);
    EXPECT_EQ(debug.lines.size(), 2u);
    CXObject::setLogSink(nullptr);
}

TEST(CXObjectTest, LogGoesToTheSink)
{
    logged.clear();
    CXObject o;
    o.log("dropped", false); // no sink: discarded
    CXObject::setLogSink(recordLog);
    o.log("hello", true);
    CXObject::setLogSink(nullptr);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0], "hello");
}

TEST(CErrorTest, StoresCodesNotTexts)
{
    CError e;
    EXPECT_EQ(e.LastError(), 0);
    EXPECT_EQ(e << 7, 7);
    EXPECT_EQ(e.LastError(), 7);
    EXPECT_EQ(e << "text", 0);
    EXPECT_EQ(e.LastError(), 7);
}

} // namespace
