#include "NetSupport.h"
#include "net/NetMessage.h"
#include "script/String.h"
#include "script/Values.h"

#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

using nettest::frameOf;
using nettest::hex;
using nettest::raw;

namespace {

// A list of new strings, released with them.
using Strings = std::unique_ptr<CXArray, void (*)(CXArray*)>;
Strings strings(std::initializer_list<const char*> texts)
{
    CXArray* list = new CXArray(101, 0.75f);
    for (const char* t : texts)
        list->add(new CXString(t));
    return Strings(list, &CXString::releaseToVector);
}

struct Encoded {
    const char* name;
    std::function<CNetMessage*()> make;
    std::string frame;
};

class CNetMessageTest : public ::testing::Test {
protected:
    nettest::Pools pools;
};

TEST_F(CNetMessageTest, EveryTypeIsWrittenByteForByte)
{
    CMC_Bool yes("B");
    yes.setValue(true);
    CMC_String abc("S");
    abc.setValue(CXString("abc"));
    CMC_Integer minusTwo("I");
    minusTwo.setValue(-2);
    CMC_Double half("D");
    half.setValue(1.5);
    Strings twoArgs = strings({"1", "abc"}), oneEmpty = strings({""});
    const std::vector<Encoded> cases = {
        {"disconnect", [] { return new CNetMessage(nullptr, CNetMessage::DISCONNECT); }, hex("04000000 08000000")},
        {"command alone", [] { return new CNetCmdMessage(nullptr, CXString("GO"), nullptr); },
         hex("01000000 0b000000 'GO' 00")},
        {"command, one empty argument", [&] { return new CNetCmdMessage(nullptr, CXString("GO"), oneEmpty.get()); },
         hex("01000000 0c000000 'GO' 00 00")},
        {"command, two arguments", [&] { return new CNetCmdMessage(nullptr, CXString("MOVE"), twoArgs.get()); },
         hex("01000000 13000000 'MOVE' 00 '1' 00 'abc' 00")},
        {"true bool", [&] { return new CNetVariableMessage(nullptr, &yes); },
         hex("02000000 0f000000 'B' 00 03000000 01")},
        {"string", [&] { return new CNetVariableMessage(nullptr, &abc); },
         hex("02000000 12000000 'S' 00 02000000 'abc' 00")},
        {"integer", [&] { return new CNetVariableMessage(nullptr, &minusTwo); },
         hex("02000000 12000000 'I' 00 01000000 feffffff")},
        {"double", [&] { return new CNetVariableMessage(nullptr, &half); },
         hex("02000000 16000000 'D' 00 04000000 00000000 0000f83f")},
        {"behaviour", [] { return new CNetBehaviourMessage(nullptr, CXString("{X^SET(1);}")); },
         hex("03000000 14000000 '{X^SET(1);}' 00")},
        {"empty text", [] { return new CNetTextMessage(nullptr, CXString()); }, hex("05000000 09000000 00")},
        {"hello", [] { return new CNetHelloMessage(nullptr, CXString("P1")); }, hex("07000000 0b000000 'P1' 00")},
        {"file request", [] {
             return new CNetFileRequestMessage(nullptr, 1, CXString("a"), CXString("b"), CXString("index.net"));
         },
         hex("08000000 1e000000 01000000 ffffffff 'a' 00 'b' 00 'index.net' 00")},
        {"file response", [] { return new CNetFileResponseMessage(nullptr, 1, 7, 25000, 25000); },
         hex("09000000 18000000 01000000 07000000 a8610000 a8610000")},
        {"file data", [] { return new CNetFileDataMessage(nullptr, 1, 7, 0, 10240, 3, "xyz"); },
         hex("0a000000 1f000000 01000000 07000000 00000000 00280000 03000000 'xyz'")},
    };
    for (const Encoded& c : cases) {
        std::unique_ptr<CNetMessage> m(c.make());
        EXPECT_EQ(frameOf(*m), c.frame) << c.name;
        EXPECT_TRUE(CNetMessage::isWellFormed(c.frame.data(), int(c.frame.size()))) << c.name;
    }
}

TEST_F(CNetMessageTest, PingIs1024BytesAndItsAnswerEchoesIt)
{
    CNetPingMessage request(nullptr, 1234);
    std::string frame = frameOf(request);
    ASSERT_EQ(frame.size(), 1024u);
    EXPECT_EQ(frame.substr(0, 16), hex("06000000 00040000 d2040000 00000000"));
    EXPECT_EQ(frame.substr(16), std::string(1008, '\0'));

    frame[500] = 'p'; // a peer's padding comes back unchanged
    std::unique_ptr<CNetMessage> received(raw(frame));
    CNetPingMessage seen(CXString("peer"), received.get());
    EXPECT_EQ(seen.getTime(), 1234);
    EXPECT_FALSE(seen.isResponse());
    CNetPingMessage answer(CXString("peer"), received.get(), true);
    std::string expected = frame;
    expected[12] = 1;
    EXPECT_EQ(frameOf(answer), expected);
    EXPECT_TRUE(answer.isResponse());
    EXPECT_EQ(answer.getTime(), 1234);
}

TEST_F(CNetMessageTest, DecodersGiveBackWhatWasEncoded)
{
    Strings args = strings({"", "two", ""});
    CNetCmdMessage sentCmd(nullptr, CXString("CMD"), args.get());
    std::unique_ptr<CNetMessage> r(raw(frameOf(sentCmd)));
    CNetCmdMessage cmd(CXString("P"), r.get());
    EXPECT_EQ(cmd.getCommand(), CXString("CMD"));
    EXPECT_EQ(cmd.getSenderName(), CXString("P"));
    ASSERT_NE(cmd.getParams(), nullptr);
    ASSERT_EQ(cmd.getParams()->getSize(), 3);
    EXPECT_EQ(*cmd.getParams()->stringAt(0), CXString(""));
    EXPECT_EQ(*cmd.getParams()->stringAt(1), CXString("two"));
    EXPECT_EQ(*cmd.getParams()->stringAt(2), CXString(""));

    CNetCmdMessage sentAlone(nullptr, CXString("CMD"), nullptr);
    r.reset(raw(frameOf(sentAlone)));
    EXPECT_EQ(CNetCmdMessage(CXString(), r.get()).getParams(), nullptr);

    for (const char* value : {"", "text with blanks"}) {
        CMC_String s("NAME");
        s.setValue(CXString(value));
        CNetVariableMessage sent(nullptr, &s);
        r.reset(raw(frameOf(sent)));
        CNetVariableMessage var(CXString(), r.get());
        EXPECT_STREQ(var.getVariableName(), "NAME");
        EXPECT_EQ(var.getVariableType(), MC_STRING);
        CMC_Variable* v = var.getVariable();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(static_cast<CMC_String*>(v)->getValue(), CXString(value));
        CMC_Object::flush(v);
    }

    CNetFileRequestMessage sentRequest(nullptr, 42, CXString("GAME"), CXString(""), CXString("index.net"));
    r.reset(raw(frameOf(sentRequest)));
    CNetFileRequestMessage request(CXString(), r.get());
    EXPECT_EQ(request.getRequesterId(), 42);
    EXPECT_EQ(request.getServerId(), -1);
    EXPECT_EQ(request.getFolder(), CXString("GAME"));
    EXPECT_EQ(request.getSubfolder(), CXString(""));
    EXPECT_EQ(request.getFileName(), CXString("index.net"));

    CNetFileResponseMessage sentResponse(nullptr, 3, 4, 5, 6);
    r.reset(raw(frameOf(sentResponse)));
    CNetFileResponseMessage response(CXString(), r.get());
    EXPECT_EQ(response.getRequesterId(), 3);
    EXPECT_EQ(response.getServerId(), 4);
    EXPECT_EQ(response.getAnnouncedSize(), 5);
    EXPECT_EQ(response.getSize(), 6);

    CNetFileDataMessage sentData(nullptr, 3, 4, 0, 20480, 4, "abcd");
    r.reset(raw(frameOf(sentData)));
    CNetFileDataMessage data(CXString(), r.get());
    EXPECT_EQ(data.getOffset(), 20480);
    ASSERT_EQ(data.getChunkSize(), 4);
    EXPECT_EQ(std::string(data.getData(), 4), "abcd");

    CNetTextMessage sentText(nullptr, CXString("hi"));
    r.reset(raw(frameOf(sentText)));
    EXPECT_STREQ(CNetTextMessage(CXString(), r.get()).getText(), "hi");
}

// Only the byte 1 reads as true; other type words and short values give no
// variable.
TEST_F(CNetMessageTest, VariableValuesAreReadOnlyWhenWhole)
{
    struct Case {
        std::string frame;
        int type;
        bool value;
        const char* expect; // the value's text, or null for no variable
    };
    const Case cases[] = {
        {hex("02000000 0f000000 'B' 00 03000000 01"), 3, true, "TRUE"},
        {hex("02000000 0f000000 'B' 00 03000000 02"), 3, true, "FALSE"},
        {hex("02000000 0e000000 'B' 00 03000000"), 3, false, nullptr},
        {hex("02000000 12000000 'I' 00 01000000 07000000"), 1, true, "7"},
        {hex("02000000 12000000 'X' 00 09000000 07000000"), 9, true, nullptr},
        {hex("02000000 0a000000 'X' 00"), 0, true, nullptr},
        {hex("02000000 0d000000 'X' 00 010000"), 0, false, nullptr},
        {hex("02000000 11000000 'I' 00 01000000 070000"), 1, false, nullptr},
        {hex("02000000 10000000 'D' 00 04000000 0000f83f"), 4, false, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CNetMessage::isWellFormed(c.frame.data(), int(c.frame.size())), c.value) << c.frame.size();
        std::unique_ptr<CNetMessage> r(raw(c.frame));
        CNetVariableMessage m(CXString(), r.get());
        EXPECT_EQ(m.getVariableType(), c.type);
        CMC_Variable* v = m.getVariable();
        EXPECT_EQ(v != nullptr, c.expect != nullptr);
        if (v && c.expect) {
            EXPECT_EQ(v->toString(), CXString(c.expect));
        }
        CMC_Object::flush(v);
    }
}

// Frames whose strings, words or chunk do not fit are refused by the
// receiving side; decoded anyway, they are read only inside the frame.
TEST_F(CNetMessageTest, MalformedFramesAreRefusedAndReadOnlyInside)
{
    struct Case {
        const char* name;
        std::string frame;
    };
    const Case refused[] = {
        {"command without zero", hex("01000000 0a000000 'GO'")},
        {"argument without zero", hex("01000000 0d000000 'GO' 00 'ab'")},
        {"text without zero", hex("05000000 0a000000 'hi'")},
        {"empty text", hex("05000000 08000000")},
        {"behaviour without zero", hex("03000000 09000000 'x'")},
        {"hello without zero", hex("07000000 09000000 'x'")},
        {"variable name without zero", hex("02000000 0b000000 'abc'")},
        {"string value without zero", hex("02000000 10000000 'S' 00 02000000 'ab'")},
        {"request cut short", hex("08000000 0f000000 01000000 ffffff")},
        {"request without file name", hex("08000000 14000000 01000000 ffffffff 'a' 00 'b' 00")},
        {"response cut short", hex("09000000 14000000 01000000 07000000 a8610000")},
        {"chunk longer than its frame", hex("0a000000 1f000000 01000000 07000000 00000000 00000000 04000000 'xyz'")},
        {"chunk size near 2^32", hex("0a000000 1f000000 01000000 07000000 00000000 00000000 ffffffff 'xyz'")},
        {"ping cut short", hex("06000000 0c000000 d2040000")},
        {"header length not the frame's", hex("05000000 0a000000 'h' 00 00")},
        {"short header", hex("05000000 0700")},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(CNetMessage::isWellFormed(c.frame.data(), int(c.frame.size()))) << c.name;
        std::unique_ptr<CNetMessage> r(raw(c.frame));
        // Every decoder on every frame: the sanitizers watch the reads.
        CNetCmdMessage(CXString(), r.get());
        CMC_Object::flush(CNetVariableMessage(CXString(), r.get()).getVariable());
        EXPECT_LE(std::strlen(CNetTextMessage(CXString(), r.get()).getText()), c.frame.size());
        CNetPingMessage(CXString(), r.get(), true);
        CNetFileRequestMessage(CXString(), r.get());
        CNetFileResponseMessage(CXString(), r.get());
        CNetFileDataMessage data(CXString(), r.get());
        EXPECT_LE(size_t(data.getChunkSize()) + (data.getData() ? 28 : 0), c.frame.size()) << c.name;
    }
    std::unique_ptr<CNetMessage> r(raw(hex("01000000 0a000000 'GO'")));
    CNetCmdMessage cut(CXString(), r.get());
    EXPECT_EQ(cut.getCommand(), CXString("GO"));
    EXPECT_EQ(cut.getParams(), nullptr);

    const std::string unknown = hex("63000000 0b000000 010203");
    EXPECT_TRUE(CNetMessage::isWellFormed(unknown.data(), int(unknown.size())));
}

TEST_F(CNetMessageTest, FramesLongerThanTheLimitAreNotMade)
{
    std::string big(CNetMessage::MAX_FRAME_LENGTH, 'x');
    CNetTextMessage tooLong(nullptr, CXString(big.c_str()));
    EXPECT_EQ(tooLong.getBufferLen(), 0);
    EXPECT_STREQ(tooLong.getText(), "");
    big.resize(CNetMessage::MAX_FRAME_LENGTH - 9);
    CNetTextMessage longest(nullptr, CXString(big.c_str()));
    EXPECT_EQ(longest.getBufferLen(), int(CNetMessage::MAX_FRAME_LENGTH));
}

} // namespace
