#include "NetSupport.h"
#include "net/MessageStack.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using nettest::frameOf;
using nettest::hex;

namespace {

// A stream of small frames of several kinds, the 8-byte notice among them.
std::vector<std::string> smallFrames()
{
    return {
        hex("01000000 0b000000 'GO' 00"),
        hex("04000000 08000000"),
        hex("05000000 0b000000 'hi' 00"),
        hex("0a000000 1f000000 01000000 07000000 00000000 00280000 03000000 'xyz'"),
        hex("04000000 08000000"),
        hex("07000000 0e000000 'Alice' 00"),
    };
}

std::string joined(const std::vector<std::string>& frames)
{
    std::string all;
    for (const std::string& f : frames)
        all += f;
    return all;
}

// Pushes the parts one after another, taking every complete frame after
// each push.
std::vector<std::string> cut(const std::vector<std::string>& parts)
{
    CMessageStack stack(nullptr);
    std::vector<std::string> out;
    for (const std::string& part : parts) {
        stack.push(part.data(), int(part.size()));
        while (CNetMessage* m = stack.get()) {
            out.push_back(frameOf(*m));
            delete m;
        }
    }
    EXPECT_EQ(stack.getLength(), 0);
    return out;
}

TEST(CMessageStackTest, FramesComeOutWholeAndInOrderWhereverTheStreamIsCut)
{
    const std::vector<std::string> frames = smallFrames();
    const std::string all = joined(frames);
    for (size_t i = 0; i <= all.size(); ++i)
        for (size_t j = i; j <= all.size(); ++j)
            ASSERT_EQ(cut({all.substr(0, i), all.substr(i, j - i), all.substr(j)}), frames) << i << " " << j;
    std::vector<std::string> bytes;
    for (char c : all)
        bytes.push_back(std::string(1, c));
    EXPECT_EQ(cut(bytes), frames);
}

TEST(CMessageStackTest, ALoneNoticeIsYieldedByThePushThatCompletesIt)
{
    CMessageStack stack(nullptr);
    const std::string notice = hex("04000000 08000000");
    stack.push(notice.data(), 7);
    EXPECT_EQ(stack.get(), nullptr);
    stack.push(notice.data() + 7, 1);
    std::unique_ptr<CNetMessage> m(stack.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getType(), CNetMessage::DISCONNECT);
    EXPECT_EQ(stack.get(), nullptr);
}

// A header that cannot begin a frame breaks the stream for good: what came
// before it is still yielded, nothing after it.
TEST(CMessageStackTest, AHeaderLengthOutOfRangeBreaksTheStream)
{
    const std::string good = hex("05000000 0b000000 'hi' 00");
    const std::string bad[] = {hex("05000000 07000000"), hex("05000000 00000000"),
                               hex("05000000 01001000"), hex("05000000 ffffffff")};
    for (const std::string& b : bad) {
        CMessageStack stack(nullptr);
        std::string bytes = good + b + good;
        stack.push(bytes.data(), int(bytes.size()));
        std::unique_ptr<CNetMessage> first(stack.get());
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(frameOf(*first), good);
        EXPECT_EQ(stack.get(), nullptr);
        EXPECT_TRUE(stack.isBroken());
        stack.push(good.data(), int(good.size()));
        EXPECT_EQ(stack.get(), nullptr);
        EXPECT_EQ(stack.getLength(), 0);
    }
    // The longest frame allowed is taken.
    std::string longest(CNetMessage::MAX_FRAME_LENGTH, '\0');
    CNetMessage::putLE32(&longest[0], 5);
    CNetMessage::putLE32(&longest[4], CNetMessage::MAX_FRAME_LENGTH);
    EXPECT_EQ(cut({longest}).size(), 1u);
}

} // namespace
