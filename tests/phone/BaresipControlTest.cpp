// What is read from baresip's control connection: netstrings cut out of the
// received bytes however they arrive, the JSON members of each message,
// and the commands written to it; every malformed input refused.
#include "platform/telephony/BaresipControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::telephony::ControlMessage;
using platform::telephony::encodeCommand;
using platform::telephony::NetstringReader;
using platform::telephony::parseControlMessage;

bool parse(const std::string& text, ControlMessage* m) { return parseControlMessage(text.data(), text.size(), m); }

TEST(BaresipControlTest, ReadsTheScalarMembersOfAMessage)
{
    ControlMessage m;
    ASSERT_TRUE(parse(R"( {"event":true,"type":"CALL_DTMF_START","id":"ab12","param":"5",)"
                      R"("rtcp_stats":{"tx":{"sent":0,"lost":[1,{"x":"}"}]}},"n":-1.5e3,"z":null} )",
                      &m));
    EXPECT_TRUE(m.isEvent());
    EXPECT_FALSE(m.isResponse());
    EXPECT_EQ(m.get("type"), "CALL_DTMF_START");
    EXPECT_EQ(m.get("param"), "5");
    EXPECT_EQ(m.get("n"), "-1.5e3");
    EXPECT_EQ(m.get("z"), "null");
    EXPECT_FALSE(m.has("rtcp_stats"));
    EXPECT_EQ(m.get("missing"), "");

    ASSERT_TRUE(parse(R"({"data":"a\"b\\c\/\n\t\u0041\u00e9\ud83d\ude00\udc00"})", &m));
    EXPECT_EQ(m.get("data"), "a\"b\\c/\n\tA\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD");
    ASSERT_TRUE(parse("{}", &m));
    EXPECT_TRUE(m.fields.empty());
}

TEST(BaresipControlTest, RefusesWhatIsNotOneObject)
{
    const std::string deep = std::string(40, '[') + std::string(40, ']');
    for (const std::string& bad :
         {std::string(""), std::string("[]"), std::string("{"), std::string("{\"a\":1"), std::string("{\"a\" 1}"),
          std::string("{\"a\":1,}"), std::string("{\"a\":\"x}"), std::string("{\"a\":\"\\q\"}"),
          std::string("{\"a\":\"\\u12\"}"), std::string("{\"a\":tru}"), std::string("{\"a\":1} x"),
          std::string("{a:1}"), std::string("{\"a\":" + deep + "}"), std::string("{\"a\":[1 2]}")}) {
        ControlMessage m;
        EXPECT_FALSE(parse(bad, &m)) << bad;
    }
}

TEST(BaresipControlTest, CutsNetstringsHoweverTheBytesArrive)
{
    const std::string stream = "5:hello,0:,3:a,b,";
    const std::vector<std::string> expected = {"hello", "", "a,b"};
    for (size_t chunk : {size_t(1), size_t(2), size_t(7), stream.size()}) {
        NetstringReader reader;
        std::vector<std::string> frames;
        std::string frame;
        for (size_t i = 0; i < stream.size(); i += chunk) {
            reader.feed(stream.data() + i, std::min(chunk, stream.size() - i));
            while (reader.next(&frame))
                frames.push_back(frame);
        }
        EXPECT_EQ(frames, expected) << chunk;
        EXPECT_FALSE(reader.failed());
    }
}

TEST(BaresipControlTest, AMalformedStreamFailsForGood)
{
    for (const std::string& bad : {std::string(":x,"), std::string("x:"), std::string("5:hello;"),
                                   std::string("12345678:"), std::string("2000000:"), std::string("-1:")}) {
        NetstringReader reader;
        reader.feed(bad.data(), bad.size());
        std::string frame;
        EXPECT_FALSE(reader.next(&frame)) << bad;
        EXPECT_TRUE(reader.failed()) << bad;
        reader.feed("1:a,", 4);
        EXPECT_FALSE(reader.next(&frame)) << bad;
    }
    // A length still coming is no fault.
    NetstringReader waiting;
    waiting.feed("123", 3);
    std::string frame;
    EXPECT_FALSE(waiting.next(&frame));
    EXPECT_FALSE(waiting.failed());
}

// A command with quotes and control characters in it goes out as one
// netstring whose JSON reads back the same.
TEST(BaresipControlTest, CommandsAreNetstringsOfJson)
{
    EXPECT_EQ(encodeCommand("dial", "123", "t1"), R"(46:{"command":"dial","params":"123","token":"t1"},)");
    const std::string params = "a \"b\" \\ \n\x01 \xC3\xA9";
    const std::string bytes = encodeCommand("sndcode", params, "");
    NetstringReader reader;
    reader.feed(bytes.data(), bytes.size());
    std::string frame;
    ASSERT_TRUE(reader.next(&frame));
    ControlMessage m;
    ASSERT_TRUE(parse(frame, &m));
    EXPECT_EQ(m.get("command"), "sndcode");
    EXPECT_EQ(m.get("params"), params);
    EXPECT_EQ(m.get("token"), "");
}

} // namespace
